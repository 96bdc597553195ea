// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/render_png.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QImage>
#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "gdb/stream.h"
#include "platform/atomic_file.h"
#include "platform/file_delivery.h"
#include "view/map_painter.h"
#include "view/tile_loader.h"

namespace trakor::view {

namespace {
QtMessageHandler previousHandler = nullptr;

// Qt tells on standard error when XDG_RUNTIME_DIR is unset (cron, su) and uses a folder of its own;
// a picture needs none, and the line would read as a fault of the run.
void withoutRuntimeFolderWarning(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text.startsWith(QStringLiteral("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
    if (previousHandler != nullptr)
        previousHandler(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}
}  // namespace

bool parseRenderSize(const std::string& text, int& width, int& height) {
    int w = 0, h = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%dx%d%c", &w, &h, &tail) != 2) return false;
    if (w < 16 || h < 16 || w > 8192 || h > 8192) return false;
    width = w;
    height = h;
    return true;
}

namespace {
// Waits for the tiles of the picture, at most `ms`, with the event loop running the downloads.
void fetchTiles(TileLoader& loader, const Viewport& vp, int ms) {
    const int z = tileZoomFor(vp.zoom, loader.settings().maxZoom);
    for (const TilePlacement& t : tilesCovering(vp, z)) loader.tile(t.id);
    QEventLoop loop;
    QTimer poll;
    QElapsedTimer since;
    since.start();
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (loader.pending() == 0 || since.elapsed() > ms) loop.quit();
    });
    poll.start(20);
    if (loader.pending() > 0) loop.exec();
}
}  // namespace

int renderPng(Context& ctx, const RenderRequest& r, FILE* out, FILE* err) {
    std::string error;
    // The picture is an output like the others: never the input, never a read-only or special
    // file, and written whole or not at all.
    {
        std::string target;
        mode_t mode = 0;
        if (sameFile(r.png, r.input)) {
            std::fprintf(err, "cannot write %s: it is the input file\n", r.png.c_str());
            return 2;
        }
        if (!replacementOf(r.png, target, mode, &error)) {
            std::fprintf(err, "cannot write %s: %s\n", r.png.c_str(), error.c_str());
            return 2;
        }
    }
    MapModel input;
    if (loadMapModel(ctx, r.input, input, &error) != kModelRead) {
        std::fprintf(err, "%s\n", error.c_str());
        return 2;
    }
    MapScene scene;
    QStringList counts;  // before and after, one line per input route or track
    if (r.convert) {
        std::string resultPath;
        if (int rc = r.convert(resultPath); rc != 0) return rc;
        if (resultPath.empty()) resultPath = ctx.paths.workGdb;
        MapModel result;
        if (loadMapModel(ctx, resultPath, result, &error) != kModelRead) {
            std::fprintf(err, "cannot read the result: %s\n", error.c_str());
            return 2;
        }
        addFilePoints(ctx, r.input, input);
        for (const ItemComparison& c : compareModels(input, result)) {
            const std::string line = comparisonLine(c, &ctx);
            std::fprintf(out, "%s\n", line.c_str());
            counts << QString::fromStdString(line);
        }
        scene.setModel(result);
        scene.setBefore(input);
    } else {
        scene.setModel(input);
    }
    if (!scene.hasPoints()) {
        std::fprintf(err, "%s: no routes, tracks or waypoints to draw\n", r.input.c_str());
        return 1;
    }

    // Fonts need a GUI application; the offscreen platform needs no display.
    std::unique_ptr<QGuiApplication> app;
    static int argc = 3;
    static char arg0[] = "trakor3-cli", arg1[] = "-platform", arg2[] = "offscreen";
    static char* argv[] = {arg0, arg1, arg2, nullptr};
    if (QCoreApplication::instance() == nullptr) {
        previousHandler = qInstallMessageHandler(withoutRuntimeFolderWarning);
        app = std::make_unique<QGuiApplication>(argc, argv);
    }

    const Viewport vp = fitBox(scene.bounds(), r.width, r.height);
    PaintOptions options;
    options.miles = ctx.settings.milesMode != 0;
    options.notes = counts;
    std::unique_ptr<TileLoader> loader;
    if (r.tiles) {
        TileSettings ts = loadTileSettings(mapSettingsFile(ctx.paths));
        loader = std::make_unique<TileLoader>(ts);
        fetchTiles(*loader, vp, ts.timeoutMs);
        options.tiles = [&loader](const TileId& id) { return loader->tile(id); };
        options.maxTileZoom = ts.maxZoom;
        options.attribution = ts.attribution;
    }
    QImage image(r.width, r.height, QImage::Format_RGB32);
    // The counts also as the picture's text, for programs that read it.
    if (!counts.isEmpty()) image.setText(QStringLiteral("Comment"), counts.join(u'\n'));
    {
        QPainter p(&image);
        paintMap(p, vp, scene, options);
    }
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    QImageWriter writer(&png, "png");
    writer.setQuality(50);  // middling compression: fast enough, and the picture is mostly flat colour
    if (!writer.write(image)) {
        std::fprintf(err, "cannot write %s: %s\n", r.png.c_str(), writer.errorString().toLocal8Bit().constData());
        return 2;
    }
    const QByteArray& bytes = png.data();
    if (!writeFileAtomically(r.png, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), &error)) {
        std::fprintf(err, "cannot write %s: %s\n", r.png.c_str(), error.c_str());
        return 2;
    }
    return 0;
}

}  // namespace trakor::view
