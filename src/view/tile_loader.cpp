// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/tile_loader.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

namespace trakor::view {

QString mapSettingsFile(const Paths& paths) {
    if (paths.portable() && !paths.iniFile.empty())
        return QFileInfo(QString::fromStdString(paths.iniFile)).absolutePath() + QStringLiteral("/Trakor3-map.ini");
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quenby Software/Trakor3-map.conf");
}

TileSettings loadTileSettings(const QString& file) {
    TileSettings s;
    QSettings q(file, QSettings::IniFormat);
    q.beginGroup(QStringLiteral("Map"));
    s.enabled = q.value(QStringLiteral("Tiles"), s.enabled).toBool();
    s.urlTemplate = q.value(QStringLiteral("TileUrl"), s.urlTemplate).toString();
    s.attribution = q.value(QStringLiteral("Attribution"), s.attribution).toString();
    s.maxZoom = std::clamp(q.value(QStringLiteral("MaxZoom"), s.maxZoom).toInt(), 0, 22);
    s.expiryDays = std::max(0, q.value(QStringLiteral("CacheDays"), s.expiryDays).toInt());
    return s;
}

void saveTileSettings(const QString& file, const TileSettings& s) {
    QSettings q(file, QSettings::IniFormat);
    q.beginGroup(QStringLiteral("Map"));
    q.setValue(QStringLiteral("Tiles"), s.enabled);
    q.setValue(QStringLiteral("TileUrl"), s.urlTemplate);
    q.setValue(QStringLiteral("Attribution"), s.attribution);
    q.setValue(QStringLiteral("MaxZoom"), s.maxZoom);
    q.setValue(QStringLiteral("CacheDays"), s.expiryDays);
}

QString defaultTileCacheFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Trakor3/tiles");
}

QString tileUserAgent() {
    return QStringLiteral("Trakor3/%1 (GPS route and track converter for Linux; map preview)")
        .arg(QStringLiteral(TRAKOR_VERSION_TEXT));
}

TileLoader::TileLoader(TileSettings settings, QObject* parent)
    : QObject(parent), settings_(std::move(settings)), net_(new QNetworkAccessManager(this)), memory_(kMemoryKiB) {
    // One folder per URL template, so two tile sources never mix.
    const QByteArray hash =
        QCryptographicHash::hash(settings_.urlTemplate.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    folder_ = (settings_.cacheFolder.isEmpty() ? defaultTileCacheFolder() : settings_.cacheFolder) + QLatin1Char('/') +
              QString::fromLatin1(hash);
}

TileLoader::~TileLoader() = default;

int TileLoader::cost(const QImage& img) { return static_cast<int>(std::max<qsizetype>(1, img.sizeInBytes() / 1024)); }

QString TileLoader::key(const TileId& id) { return QStringLiteral("%1/%2/%3").arg(id.z).arg(id.x).arg(id.y); }

QString TileLoader::cachePath(const TileId& id) const {
    return folder_ + QLatin1Char('/') + key(id) + QStringLiteral(".png");
}

const QImage* TileLoader::tile(const TileId& id) {
    const QString k = key(id);
    if (QImage* img = memory_.object(k)) return img;
    if (failed_.contains(k)) return nullptr;
    // The disk cache: a fresh copy is used as it is; an expired one is shown while a new one loads.
    QFileInfo info(cachePath(id));
    if (info.exists()) {
        auto* img = new QImage(info.filePath());
        if (!img->isNull()) {
            const bool fresh = info.lastModified().daysTo(QDateTime::currentDateTime()) < settings_.expiryDays;
            memory_.insert(k, img, cost(*img));
            if (!fresh) request(id);
            return memory_.object(k);
        }
        delete img;
    }
    request(id);
    return nullptr;
}

void TileLoader::request(const TileId& id) {
    const QString k = key(id);
    if (wanted_.contains(k)) return;
    wanted_.insert(k);
    // The newest wish first: the tiles of the view the user is looking at now.
    queue_.push_front(id);
    if (queue_.size() > 256) {
        wanted_.remove(key(queue_.back()));
        queue_.pop_back();
    }
    startNext();
}

void TileLoader::startNext() {
    while (running_ < kParallel && !queue_.empty()) {
        const TileId id = queue_.front();
        queue_.pop_front();
        QNetworkRequest req(QUrl(QString::fromStdString(tileUrl(settings_.urlTemplate.toStdString(), id))));
        req.setHeader(QNetworkRequest::UserAgentHeader, tileUserAgent());
        req.setTransferTimeout(settings_.timeoutMs);
        QNetworkReply* reply = net_->get(req);
        ++running_;
        ++downloads_;
        connect(reply, &QNetworkReply::finished, this, [this, reply, id] { finished(reply, id); });
    }
}

void TileLoader::finished(QNetworkReply* reply, TileId id) {
    reply->deleteLater();
    --running_;
    const QString k = key(id);
    wanted_.remove(k);
    const QByteArray bytes = reply->error() == QNetworkReply::NoError ? reply->readAll() : QByteArray();
    QImage img;
    if (bytes.isEmpty() || !img.loadFromData(bytes)) {
        // A failing tile leaves the plain background; it is not asked for again this session.
        if (!memory_.contains(k)) failed_.insert(k);
        // The user hears why once: no network outranks a server that answers without tiles.
        const QNetworkReply::NetworkError e = reply->error();
        const bool unreachable = e == QNetworkReply::ConnectionRefusedError || e == QNetworkReply::HostNotFoundError ||
                                 e == QNetworkReply::TimeoutError || e == QNetworkReply::OperationCanceledError ||
                                 e == QNetworkReply::TemporaryNetworkFailureError ||
                                 e == QNetworkReply::NetworkSessionFailedError || e == QNetworkReply::UnknownNetworkError ||
                                 e == QNetworkReply::ProxyConnectionRefusedError || e == QNetworkReply::ProxyNotFoundError;
        if (unreachable && !toldUnreachable_) {
            toldUnreachable_ = toldFailure_ = true;
            emit tileFailed(Failure::Unreachable);
        } else if (!toldFailure_) {
            toldFailure_ = true;
            emit tileFailed(Failure::NoTile);
        }
    } else {
        const QString path = cachePath(id);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QSaveFile f(path);
        if (f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size()) f.commit();
        auto* kept = new QImage(std::move(img));
        memory_.insert(k, kept, cost(*kept));
        emit tileReady();
    }
    startNext();
}

}  // namespace trakor::view
