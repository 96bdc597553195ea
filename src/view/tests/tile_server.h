// SPDX-License-Identifier: GPL-3.0-or-later
// A tile server on 127.0.0.1 for the tests, run on the test's own event loop: /z/x/y.png is a
// PNG of one colour; tile 1/1/0 comes after a delay and 1/0/1 fails with status 500.
#pragma once

#include <functional>
#include <vector>

#include <QBuffer>
#include <QColor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QMap>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

QColor tileColour(int x, int y) { return QColor(40 + 60 * (x % 4), 90 + 50 * (y % 4), 200); }

// Serves /z/x/y.png: tile 1/1/0 after a delay, 1/0/1 with status 500, every other as a PNG
// of one colour.
class TileServer : public QObject {
public:
    TileServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* s = server_.nextPendingConnection()) {
                QObject::connect(s, &QTcpSocket::readyRead, this, [this, s] { onRead(s); });
                QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
    }
    quint16 port() const { return server_.serverPort(); }
    // Tile 1/1/0 then waits for releaseSlowTile() instead of a delay, so a test decides when it comes.
    void holdSlowTile() { holding_ = true; }
    void releaseSlowTile() {
        holding_ = false;
        for (const auto& send : held_) send();
        held_.clear();
    }
    QMap<QString, int> hits;
    QByteArray userAgent;

private:
    void onRead(QTcpSocket* s) {
        QByteArray& buf = pending_[s];
        buf += s->readAll();
        if (!buf.contains("\r\n\r\n")) return;
        const QList<QByteArray> lines = buf.split('\n');
        const QString path = QString::fromLatin1(lines[0].split(' ').value(1));
        for (const QByteArray& l : lines)
            if (l.toLower().startsWith("user-agent:")) userAgent = l.mid(11).trimmed();
        pending_.remove(s);
        hits[path]++;
        const QStringList parts = path.mid(1).chopped(4).split(QLatin1Char('/'));
        const int x = parts.value(1).toInt(), y = parts.value(2).toInt();
        if (path == QStringLiteral("/1/0/1.png")) {
            s->write("HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            s->disconnectFromHost();
            return;
        }
        QImage img(256, 256, QImage::Format_RGB32);
        img.fill(tileColour(x, y));
        QByteArray png;
        QBuffer b(&png);
        b.open(QIODevice::WriteOnly);
        img.save(&b, "PNG");
        QByteArray reply = "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\nConnection: close\r\nContent-Length: " +
                           QByteArray::number(png.size()) + "\r\n\r\n" + png;
        auto send = [s = QPointer<QTcpSocket>(s), reply] {
            if (!s) return;
            s->write(reply);
            s->disconnectFromHost();
        };
        if (path == QStringLiteral("/1/1/0.png") && holding_)
            held_.push_back(send);
        else if (path == QStringLiteral("/1/1/0.png"))
            QTimer::singleShot(1500, s, send);
        else
            send();
    }

    QTcpServer server_;
    QMap<QTcpSocket*, QByteArray> pending_;
    bool holding_ = false;
    std::vector<std::function<void()>> held_;
};

// Runs the event loop until `done` or the timeout; true when done.
template <typename Fn>
bool spinUntil(Fn done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

}  // namespace
