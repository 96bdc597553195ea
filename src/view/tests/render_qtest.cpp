// SPDX-License-Identifier: GPL-3.0-or-later
// trakor3-cli --render on the shared files: picture size, pixels where the points project (by
// the Mercator formula written out here), the before/after counts and the failures.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <cmath>
#include <filesystem>
#include <numbers>

#include "testsupport/testsupport.h"
#include "view/map_model.h"
#include "view/map_painter.h"
#include "view/tests/tile_server.h"

using namespace trakor;
using namespace trakor::view;

namespace {
// Runs a copy of the program in its own folder (its work files and settings stay there), with its
// render program where an installation has it.
int render(const test::TempDir& dir, const std::string& args, std::string* output = nullptr) {
    const std::string program = dir.file("bin/trakor3-cli");
    if (!std::filesystem::exists(program)) {
        std::filesystem::create_directories(dir.file("bin"));
        std::filesystem::create_directories(dir.file("libexec/trakor3"));
        std::filesystem::copy_file(std::string(TRAKOR_PROGRAM_DIR) + "/trakor3-cli", program);
        std::filesystem::copy_file(std::string(TRAKOR_PROGRAM_DIR) + "/trakor3-cli-render",
                                   dir.file("libexec/trakor3/trakor3-cli-render"));
    }
    return test::runCommand("cd " + test::quote(dir.path().string()) + " && env -u XDG_RUNTIME_DIR HOME=" + test::quote(dir.file("home")) +
                                " XDG_CACHE_HOME=" + test::quote(dir.file("cache")) + " XDG_CONFIG_HOME=" +
                                test::quote(dir.file("config")) + " " + test::quote(program) + " " + args + " 2>&1",
                            output);
}

// Where a position lands in a picture of this viewport.
QPointF pixelOf(const GeoPoint& g, const Viewport& vp) {
    const double lat = g.lat / 11930464.0, lon = g.lon / 11930464.0;
    const double x = (lon + 180) / 360;
    const double y = (1 - std::asinh(std::tan(lat * std::numbers::pi / 180)) / std::numbers::pi) / 2;
    double sx = (x - vp.centerX) * 256 * std::exp2(vp.zoom) + vp.width / 2.0;
    const double world = 256 * std::exp2(vp.zoom);
    while (sx < 0) sx += world;  // the copy of the world the picture shows
    while (sx >= vp.width) sx -= world;
    return {sx, (y - vp.centerY) * world + vp.height / 2.0};
}

// Whether a pixel of about this colour lies within `radius` of the point.
bool drawnNear(const QImage& img, QPointF at, QColor colour, int radius = 2) {
    for (int dy = -radius; dy <= radius; ++dy)
        for (int dx = -radius; dx <= radius; ++dx) {
            const int x = static_cast<int>(std::lround(at.x())) + dx, y = static_cast<int>(std::lround(at.y())) + dy;
            if (x < 0 || y < 0 || x >= img.width() || y >= img.height()) continue;
            const QColor c = img.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) + std::abs(c.blue() - colour.blue()) < 90)
                return true;
        }
    return false;
}
}  // namespace

TEST(RenderCommand, PicturesOfSharedFilesShowThePointsWhereTheyProject) {
    struct Case {
        const char* file;
        int width, height;
    } cases[] = {{"gdb-sample.gdb", 800, 600}, {"gdb-sample-v3.gdb", 640, 900}, {"course.tcx", 500, 400},
                 {"garmin-edge-800.fit", 1024, 768}, {"kml-points.kml", 300, 300}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TRAKOR_CORPUS_OR_SKIP(input, c.file);
        test::TempDir dir;
        const std::string png = dir.file("out.png");
        std::string out;
        const std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
        ASSERT_EQ(render(dir, "--render " + test::quote(png) + " --size " + size + " " + test::quote(input), &out), 0) << out;
        QImage img(QString::fromStdString(png));
        ASSERT_FALSE(img.isNull());
        EXPECT_EQ(img.width(), c.width);
        EXPECT_EQ(img.height(), c.height);

        // The fitted view of the same model, and sample points of every track along it.
        Context ctx;
        MapModel model;
        ASSERT_EQ(loadMapModel(ctx, input, model), kModelRead);
        MapScene scene;
        scene.setModel(model);
        const Viewport vp = fitBox(scene.bounds(), c.width, c.height);
        // Route points and waypoints (with their labels to the right) are drawn over the tracks.
        std::vector<QPointF> marks;
        for (const MapItem& item : model.items)
            for (const RouteMark& m : item.marks) marks.push_back(pixelOf(m.pos, vp));
        std::vector<QPointF> labels;
        for (const MapWaypoint& w : model.waypoints) labels.push_back(pixelOf(w.pos, vp));
        auto covered = [&](QPointF at) {
            for (const QPointF& m : marks)
                if (std::abs(m.x() - at.x()) < 9 && std::abs(m.y() - at.y()) < 9) return true;
            for (const QPointF& l : labels)
                if (at.x() > l.x() - 9 && at.x() < l.x() + 220 && std::abs(l.y() - at.y()) < 12) return true;
            return false;
        };
        int checked = 0;
        for (const MapItem& item : model.items) {
            if (item.kind != ItemKind::Track || item.line.size() < 2) continue;
            for (size_t i = 0; i < item.line.size(); i += std::max<size_t>(1, item.line.size() / 5)) {
                const QPointF at = pixelOf(item.line[i], vp);
                if (covered(at)) continue;
                EXPECT_GE(at.x(), 0);
                EXPECT_LT(at.x(), c.width);
                EXPECT_TRUE(drawnNear(img, at, itemColour(item))) << item.name << " point " << i << " at " << at.x() << "," << at.y();
                ++checked;
            }
        }
        // Waypoints: their dark blue marker, unless another waypoint's label lies over it.
        for (size_t i = 0; i < model.waypoints.size(); ++i) {
            const QPointF at = labels[i];
            bool underLabel = false;
            for (size_t j = 0; j < labels.size(); ++j)
                if (j != i && at.x() > labels[j].x() && at.x() < labels[j].x() + 220 && std::abs(labels[j].y() - at.y()) < 12)
                    underLabel = true;
            if (underLabel) continue;
            EXPECT_TRUE(drawnNear(img, at, QColor(0x10, 0x30, 0x90))) << model.waypoints[i].name;
            ++checked;
        }
        EXPECT_GT(checked, 0);
    }
}

TEST(RenderCommand, ResultOverTheInputWithCounts) {
    TRAKOR_CORPUS_OR_SKIP(input, "course.tcx");
    test::TempDir dir;
    std::string out;
    const std::string png = dir.file("after.png");
    ASSERT_EQ(render(dir, "--render " + test::quote(png) +
                         " --size 400x300 --option 24 --filter 100 " + test::quote(input),
                     &out),
              0)
        << out;
    // One line per input track: "<name>: <before> → 100 points".
    EXPECT_NE(out.find("\u2192 100 points"), std::string::npos) << out;
    QImage img(QString::fromStdString(png));
    EXPECT_EQ(img.size(), QSize(400, 300));
    // The same lines in the picture: its text, and a light box at the top left with dark letters.
    EXPECT_TRUE(img.text(QStringLiteral("Comment")).contains(QStringLiteral("\u2192 100 points"))) << img.text().toStdString();
    int light = 0, dark = 0;
    for (int y = 6; y < 16; ++y)
        for (int x = 6; x < 60; ++x) {
            const int l = img.pixelColor(x, y).lightness();
            light += l > 235;
            dark += l < 80;
        }
    EXPECT_GT(light, 100);
    EXPECT_GT(dark, 10);
}

// Runs without XDG_RUNTIME_DIR (cron, su) print nothing of Qt's about it.
TEST(RenderCommand, QuietWithoutARuntimeFolder) {
    test::TempDir dir;
    test::writeFile(dir.file("two.gpx"), "<gpx><trk><trkseg><trkpt lat=\"47.0\" lon=\"8.0\"/>"
                                         "<trkpt lat=\"47.1\" lon=\"8.1\"/></trkseg></trk></gpx>");
    std::string out;
    EXPECT_EQ(render(dir, "--render " + test::quote(dir.file("a.png")) + " " + test::quote(dir.file("two.gpx")), &out), 0)
        << out;
    EXPECT_EQ(out.find("XDG_RUNTIME_DIR"), std::string::npos) << out;
}

TEST(RenderCommand, FailuresHaveMessagesAndStatus) {
    test::TempDir dir;
    std::string out;
    test::writeFile(dir.file("bad.gdb"), std::string("MsRcf\0\x02\0\0\0Dz\0", 13));  // version letter z
    EXPECT_EQ(render(dir, "--render " + test::quote(dir.file("a.png")) + " " + test::quote(dir.file("bad.gdb")), &out), 2);
    EXPECT_NE(out.find("not a GDB file"), std::string::npos) << out;
    EXPECT_EQ(render(dir, "--render " + test::quote(dir.file("a.png")) + " " + test::quote(dir.file("missing.gpx")), &out), 2);
    test::writeFile(dir.file("empty.gpx"), "<gpx></gpx>");
    EXPECT_EQ(render(dir, "--render " + test::quote(dir.file("a.png")) + " " + test::quote(dir.file("empty.gpx")), &out), 1);
    EXPECT_NE(out.find("no routes, tracks or waypoints to draw"), std::string::npos) << out;
    EXPECT_FALSE(std::filesystem::exists(dir.file("a.png")));
    EXPECT_NE(render(dir, "--render " + test::quote(dir.file("a.png")) + " --size 10x10 " + test::quote(dir.file("empty.gpx")), &out), 0);
    EXPECT_NE(out.find("--size"), std::string::npos) << out;
}

// --tiles: the background of the picture comes from the tile server of the map settings (here
// one on 127.0.0.1), and the tiles stay in the cache folder.
TEST(RenderCommand, TilesFromTheMapSettings) {
    TRAKOR_CORPUS_OR_SKIP(input, "course.tcx");
    TileServer server;
    test::TempDir dir;
    std::string out;
    render(dir, "--help", &out);  // puts the program in place
    test::writeFile(dir.file("bin/Trakor3-map.ini"),
                    "[Map]\nTileUrl=http://127.0.0.1:" + std::to_string(server.port()) + "/{z}/{x}/{y}.png\n");
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CACHE_HOME"), QString::fromStdString(dir.file("cache")));
    env.insert(QStringLiteral("HOME"), QString::fromStdString(dir.file("home")));
    cli.setProcessEnvironment(env);
    cli.setWorkingDirectory(QString::fromStdString(dir.path().string()));
    const std::string png = dir.file("tiles.png");
    cli.start(QString::fromStdString(dir.file("bin/trakor3-cli")),
              {QStringLiteral("--render"), QString::fromStdString(png), QStringLiteral("--tiles"),
               QStringLiteral("--size"), QStringLiteral("300x200"), QString::fromStdString(input)});
    // The server answers on this process's event loop while the program waits for it.
    ASSERT_TRUE(spinUntil([&] { return cli.state() == QProcess::NotRunning; }, 30000));
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAll().constData();
    EXPECT_FALSE(server.hits.isEmpty());
    QImage img(QString::fromStdString(png));
    ASSERT_EQ(img.size(), QSize(300, 200));
    // Most pixels are of the tiles (blue 200), not of the plain background.
    int tile = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) tile += img.pixelColor(x, y).blue() == 200;
    EXPECT_GT(tile, img.width() * img.height() / 2);
    EXPECT_TRUE(std::filesystem::exists(dir.file("cache/Trakor3/tiles")));
}
