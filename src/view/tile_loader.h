// SPDX-License-Identifier: GPL-3.0-or-later
// Background map tiles: fetched asynchronously with QNetworkAccessManager, kept in memory and
// in a disk cache with an expiry. tile() never waits: it answers from memory or the disk cache
// and otherwise queues a download; tileReady() tells the window to paint again.
#pragma once

#include <QCache>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>
#include <deque>

#include "core/paths.h"
#include "view/map_geometry.h"

class QNetworkAccessManager;
class QNetworkReply;

namespace trakor::view {

struct TileSettings {
    bool enabled = false;  // off until the user turns the background map on
    QString urlTemplate = QStringLiteral("https://tile.openstreetmap.org/{z}/{x}/{y}.png");
    QString attribution = QStringLiteral("\u00a9 OpenStreetMap contributors");
    int maxZoom = 19;
    int expiryDays = 7;
    QString cacheFolder;  // empty: $XDG_CACHE_HOME/Trakor3/tiles
    int timeoutMs = 20000;
};

// Where the map settings are kept: beside the INI file in portable mode, else in the
// configuration folder of the program's settings.
QString mapSettingsFile(const Paths& paths);
TileSettings loadTileSettings(const QString& file);
void saveTileSettings(const QString& file, const TileSettings& s);
QString defaultTileCacheFolder();
// "Trakor3/3.63 (...)": the User-Agent tile servers ask programs to send.
QString tileUserAgent();

class TileLoader : public QObject {
    Q_OBJECT
public:
    explicit TileLoader(TileSettings settings, QObject* parent = nullptr);
    ~TileLoader() override;

    const QImage* tile(const TileId& id);
    const TileSettings& settings() const { return settings_; }
    // Downloads queued or running.
    int pending() const { return static_cast<int>(queue_.size()) + running_; }
    bool failed(const TileId& id) const { return failed_.contains(key(id)); }
    // Where a tile of this template lies in the disk cache.
    QString cachePath(const TileId& id) const;
    int downloads() const { return downloads_; }

    static constexpr int kParallel = 4;
    // Decoded tiles kept in memory, in KiB (about 250 tiles of 256x256).
    static constexpr int kMemoryKiB = 64 * 1024;

    // Why tiles fail to come: the server cannot be reached, or its answers are no tiles.
    enum class Failure { Unreachable, NoTile };

signals:
    void tileReady();
    // The first tile that fails, and the first time the server cannot be reached after that.
    void tileFailed(trakor::view::TileLoader::Failure why);

private:
    static QString key(const TileId& id);
    static int cost(const QImage& img);
    void request(const TileId& id);
    void startNext();
    void finished(QNetworkReply* reply, TileId id);

    TileSettings settings_;
    QString folder_;
    QNetworkAccessManager* net_;
    QCache<QString, QImage> memory_;
    QSet<QString> wanted_;  // queued or running
    QSet<QString> failed_;
    bool toldUnreachable_ = false;
    bool toldFailure_ = false;
    std::deque<TileId> queue_;
    int running_ = 0;
    int downloads_ = 0;
};

}  // namespace trakor::view
