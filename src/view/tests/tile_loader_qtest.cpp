// SPDX-License-Identifier: GPL-3.0-or-later
// The tile loader against a tile server on 127.0.0.1 run by the test itself: generated PNG
// tiles, one slow and one failing. Tiles are cached on disk, a failing tile leaves the
// background, and asking for tiles never waits for the network.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QMap>
#include <QPainter>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include "testsupport/testsupport.h"
#include "view/map_painter.h"
#include "view/tile_loader.h"
#include "view/tests/tile_server.h"

using namespace trakor;
using namespace trakor::view;


TEST(TileLoader, CachesTilesLeavesFailedOnesAndNeverWaits) {
    TileServer server;
    ASSERT_NE(server.port(), 0);
    test::TempDir dir;
    TileSettings ts;
    ts.enabled = true;
    ts.urlTemplate = QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(server.port());
    ts.cacheFolder = QString::fromStdString(dir.file("tiles"));
    ts.timeoutMs = 5000;
    const TileId good{1, 0, 0}, slow{1, 1, 0}, bad{1, 0, 1}, other{1, 1, 1};

    TileLoader loader(ts);
    std::vector<TileLoader::Failure> told;
    QObject::connect(&loader, &TileLoader::tileFailed, [&told](TileLoader::Failure why) { told.push_back(why); });
    server.holdSlowTile();
    for (const TileId& id : {good, slow, bad, other}) EXPECT_EQ(loader.tile(id), nullptr);
    // Nothing waited for the server: it answers on this thread's event loop and has not run yet.
    EXPECT_TRUE(server.hits.isEmpty());
    EXPECT_EQ(loader.pending(), 4);

    // The fast tiles come while the slow one is still on its way.
    ASSERT_TRUE(spinUntil([&] { return loader.tile(good) && loader.tile(other) && loader.failed(bad); }, 10000));
    EXPECT_EQ(loader.tile(slow), nullptr);
    server.releaseSlowTile();
    ASSERT_TRUE(spinUntil([&] { return loader.pending() == 0; }, 5000));
    ASSERT_NE(loader.tile(slow), nullptr);
    EXPECT_EQ(loader.tile(bad), nullptr);
    EXPECT_EQ(server.hits.value(QStringLiteral("/1/0/1.png")), 1);  // a failed tile is not asked for again
    EXPECT_EQ(told, std::vector<TileLoader::Failure>{TileLoader::Failure::NoTile});  // told once
    EXPECT_TRUE(server.userAgent.startsWith("Trakor3/")) << server.userAgent.constData();

    // Painted: the failing tile's square keeps the background, the others show their tile.
    Viewport vp;
    vp.width = vp.height = 512;
    vp.zoom = 1;
    QImage img(512, 512, QImage::Format_RGB32);
    MapScene scene;
    PaintOptions o;
    o.grid = false;
    o.tiles = [&loader](const TileId& id) { return loader.tile(id); };
    {
        QPainter p(&img);
        paintMap(p, vp, scene, o);
    }
    EXPECT_EQ(img.pixelColor(128, 128), tileColour(0, 0));
    EXPECT_EQ(img.pixelColor(384, 128), tileColour(1, 0));
    EXPECT_EQ(img.pixelColor(384, 300), tileColour(1, 1));
    EXPECT_EQ(img.pixelColor(128, 300), QColor(0xf4, 0xf2, 0xec));

    // On disk: every good tile; a second loader shows them without the network.
    for (const TileId& id : {good, slow, other}) EXPECT_TRUE(QFile::exists(loader.cachePath(id)));
    EXPECT_FALSE(QFile::exists(loader.cachePath(bad)));
    const int hitsBefore = server.hits.value(QStringLiteral("/1/0/0.png"));
    TileLoader second(ts);
    ASSERT_NE(second.tile(good), nullptr);
    EXPECT_EQ(second.tile(good)->pixelColor(5, 5), tileColour(0, 0));
    EXPECT_EQ(second.downloads(), 0);

    // An expired copy is shown while a fresh one is fetched.
    QFile stale(second.cachePath(other));
    ASSERT_TRUE(stale.open(QIODevice::ReadWrite));
    stale.setFileTime(QDateTime::currentDateTime().addDays(-30), QFileDevice::FileModificationTime);
    stale.close();
    TileLoader third(ts);
    EXPECT_NE(third.tile(other), nullptr);
    EXPECT_EQ(third.downloads(), 1);
    ASSERT_TRUE(spinUntil([&] { return third.pending() == 0; }, 3000));
    EXPECT_EQ(server.hits.value(QStringLiteral("/1/1/1.png")), 2);
    EXPECT_EQ(server.hits.value(QStringLiteral("/1/0/0.png")), hitsBefore);
}

// A server that cannot be reached is told once, however many tiles fail.
TEST(TileLoader, AnUnreachableServerIsToldOnce) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();  // nothing listens there now: connections are refused
    test::TempDir dir;
    TileSettings ts;
    ts.urlTemplate = QStringLiteral("http://127.0.0.1:%1/{z}/{x}/{y}.png").arg(port);
    ts.cacheFolder = QString::fromStdString(dir.file("tiles"));
    TileLoader loader(ts);
    std::vector<TileLoader::Failure> told;
    QObject::connect(&loader, &TileLoader::tileFailed, [&told](TileLoader::Failure why) { told.push_back(why); });
    for (int x = 0; x < 4; ++x) loader.tile(TileId{2, x, 0});
    ASSERT_TRUE(spinUntil([&] { return loader.pending() == 0; }, 10000));
    EXPECT_EQ(told, std::vector<TileLoader::Failure>{TileLoader::Failure::Unreachable});
}
