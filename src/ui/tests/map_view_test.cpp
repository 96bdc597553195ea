// SPDX-License-Identifier: GPL-3.0-or-later
// The map view in the desktop program: standing in for MapSource, "Show result", the clipboard's
// before and after, the canvas controls, and screenshots beside the dialogs'.
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QtTest>

#include "app/startup.h"
#include "gdb/stream.h"
#include "platform/whole_file.h"
#include "ui/clipboard_dlg.h"
#include "ui/tests/ui_test_support.h"
#include "ui/trakor_dlg.h"
#include "view/map_view.h"

using namespace trakor;
using namespace trakor::uitest;

namespace {
const QString kSample = QStringLiteral(UI_SHARED_DIR "/corpus/gdb-sample-v3.gdb");

// A fixture whose conversions run for real in its temporary folder, with MapSource missing.
struct MapFixture : Fixture {
    std::vector<std::string> mapSourceAsked;
    MapFixture() {
        setWorkingFolder(ctx.paths, temp.path().toStdString());
        ctx.paths.iniFile = temp.filePath(QStringLiteral("Trakor3.ini")).toStdString();
        services.calls = defaultDriverCalls();
        services.startMapSource = [this](const std::string& path) {
            mapSourceAsked.push_back(path);
            return false;
        };
    }
};

view::MapViewWindow* mapWindow(QWidget* parent) {
    auto windows = parent->findChildren<view::MapViewWindow*>();
    return windows.isEmpty() ? nullptr : windows.last();
}

void saveShot(QWidget* w, const QString& name) {
    QDir dir(QStringLiteral(UI_TEST_OUTPUT_DIR));
    dir.mkpath(QStringLiteral("."));
    // Under a real X server the same pictures get their own names.
    const QString suffix = QGuiApplication::platformName() == QStringLiteral("xcb") ? QStringLiteral("-x11grab") : QString();
    QVERIFY(w->grab().save(dir.filePath(name + suffix + QStringLiteral(".png"))));
}
}  // namespace

class MapViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void mapSourceTargetAndPreviewFallBackToTheMapView();
    void showResultAfterAConversionToAFile();
    void clipboardBeforeAndAfter();
    void canvasPansZoomsHidesAndFits();
};

void MapViewTest::mapSourceTargetAndPreviewFallBackToTheMapView() {
    if (!QFile::exists(kSample)) QSKIP("shared corpus not present");
    MapFixture f;
    f.ctx.settings.Mode = 24;
    f.ctx.settings.Filter = 1;
    f.ctx.settings.Filtertype = 1;
    f.ctx.settings.Filtersize_t = 5;
    f.ctx.settings.OutputOption = 2;  // MapSource
    CTrakorDlg dlg(f.services);
    type(&dlg, "inputField", kSample);

    QCOMPARE(dlg.convertNow(), kDelivered);
    QCOMPARE(f.mapSourceAsked.size(), size_t(1));
    for (const auto& e : f.notifier.entries) QVERIFY2(e.text.find("MapSource") == std::string::npos, e.text.c_str());
    view::MapViewWindow* w = mapWindow(&dlg);
    QVERIFY(w != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(w));
    auto* note = child<QLabel>(w, "mapNote");
    QVERIFY(note->isVisible());
    QVERIFY(note->text().contains(QStringLiteral("MapSource cannot be started")));
    // The filtered tracks over the input: counts of both.
    QVERIFY2(w->summary()->text().contains(QStringLiteral("ACTIVE LOG 007: 664 \u2192 5 points")),
             qPrintable(w->summary()->text()));
    saveShot(w, QStringLiteral("mapview-before-after-en"));
    w->close();

    QCOMPARE(dlg.previewNow(), kDelivered);
    w = mapWindow(&dlg);
    QVERIFY(w != nullptr);
    QCOMPARE(f.mapSourceAsked.back(), kSample.toStdString());
    QVERIFY(w->summary()->text().contains(QStringLiteral("Routes and tracks: 10,")));
    QVERIFY(child<QLabel>(w, "mapNote")->text().contains(QStringLiteral("the input is shown")));
    saveShot(w, QStringLiteral("mapview-en"));
    // In a real X window (under Xvfb): the screen's own pixels of the window, as a user sees it.
    if (QGuiApplication::platformName() == QStringLiteral("xcb")) {
        // Shown and painted before its pixels are taken.
        QVERIFY(QTest::qWaitForWindowExposed(w));
        w->repaint();
        QPixmap screen = w->screen()->grabWindow(w->winId());
        QVERIFY(!screen.isNull());
        QDir dir(QStringLiteral(UI_TEST_OUTPUT_DIR));
        QVERIFY(screen.save(dir.filePath(QStringLiteral("mapview-x11-en.png"))));
        // The map is on the screen: the canvas is not one flat colour.
        const QImage img = screen.toImage();
        const QRect canvas(w->canvas()->mapTo(w, QPoint(0, 0)), w->canvas()->size());
        QSet<QRgb> colours;
        for (int y = canvas.top(); y < canvas.bottom(); y += 7)
            for (int x = canvas.left(); x < canvas.right(); x += 7) colours.insert(img.pixel(x, y));
        QVERIFY(colours.size() > 5);
    }
}

void MapViewTest::showResultAfterAConversionToAFile() {
    if (!QFile::exists(kSample)) QSKIP("shared corpus not present");
    MapFixture f;
    f.ctx.settings.Mode = 21;
    f.ctx.settings.OutputOption = 1;
    CTrakorDlg dlg(f.services);
    dlg.show();
    auto* show = child<QPushButton>(&dlg, "showResultButton");
    QVERIFY(!show->isVisible());
    type(&dlg, "inputField", kSample);
    type(&dlg, "outputField", f.temp.filePath(QStringLiteral("routes.gdb")));
    QCOMPARE(dlg.convertNow(), kDelivered);
    QVERIFY(show->isVisible());
    QVERIFY(mapWindow(&dlg) == nullptr);  // nothing opens by itself
    QTest::mouseClick(show, Qt::LeftButton);
    view::MapViewWindow* w = mapWindow(&dlg);
    QVERIFY(w != nullptr);
    // Tracks became routes: the result list holds routes.
    QVERIFY(w->list()->count() > 0);
    QVERIFY(w->list()->item(w->list()->count() - 1)->text().startsWith(QStringLiteral("Route: ")));
    QVERIFY(w->summary()->text().contains(QStringLiteral("\u2192")));
}

void MapViewTest::clipboardBeforeAndAfter() {
    if (!QFile::exists(kSample)) QSKIP("shared corpus not present");
    MapFixture f;
    std::vector<uint8_t> sample;
    QVERIFY(readWholeFile(kSample.toStdString(), sample));
    std::vector<uint8_t> result(sample);
    std::vector<std::vector<uint8_t>> board = {sample, result};
    size_t reads = 0;
    f.services.clipboardImage = [&] { return board[std::min(reads++, board.size() - 1)]; };
    f.services.convertClipboard = [](Context&, int) { return 0; };
    CClipboardDlg dlg(f.services);
    dlg.show();
    auto* show = child<QPushButton>(&dlg, "showOnMap");
    QVERIFY(!show->isVisible());
    QVERIFY(dlg.convertTo(0));
    QCOMPARE(reads, size_t(2));
    QVERIFY(show->isVisible());
    QTest::mouseClick(show, Qt::LeftButton);
    view::MapViewWindow* w = mapWindow(&dlg);
    QVERIFY(w != nullptr);
    QVERIFY2(w->summary()->text().contains(QStringLiteral("ACTIVE LOG 007: 664 \u2192 664 points")),
             qPrintable(w->summary()->text()));
}

void MapViewTest::canvasPansZoomsHidesAndFits() {
    view::MapModel m;
    view::MapItem a, b;
    a.name = "West";
    b.name = "East";
    for (int i = 0; i < 50; ++i) {
        a.line.push_back({11930464 * 47 + i * 20000, 11930464 * 8 + i * 30000});
        b.line.push_back({11930464 * 47 - i * 20000, 11930464 * 9 + i * 30000});
    }
    m.items = {a, b};
    QTemporaryDir dir;
    view::MapViewWindow w(dir.filePath(QStringLiteral("map.ini")), false);
    w.showModel(m, QStringLiteral("test"));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    view::MapCanvas* c = w.canvas();
    c->fitAll();
    const view::Viewport fitted = c->viewport();
    QVERIFY(fitted.zoom > 5);

    QTest::keyClick(c, Qt::Key_Plus);
    QCOMPARE(c->viewport().zoom, fitted.zoom + 0.5);
    const QPoint mid(c->width() / 2, c->height() / 2);
    QTest::mousePress(c, Qt::LeftButton, {}, mid);
    QMouseEvent move(QEvent::MouseMove, QPointF(mid + QPoint(40, 0)), c->mapToGlobal(QPointF(mid + QPoint(40, 0))),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(c, &move);
    QTest::mouseRelease(c, Qt::LeftButton, {}, mid + QPoint(40, 0));
    QVERIFY(c->viewport().centerX < fitted.centerX);  // dragged east: the view moves west
    QTest::keyClick(c, Qt::Key_Home);
    QCOMPARE(c->viewport().zoom, fitted.zoom);
    QCOMPARE(c->viewport().centerX, fitted.centerX);

    // Unticking an item in the list hides its line.
    QImage shown = c->grab().toImage();
    w.list()->item(1)->setCheckState(Qt::Unchecked);
    QImage hidden = c->grab().toImage();
    QVERIFY(shown != hidden);
    w.list()->item(1)->setCheckState(Qt::Checked);
    QCOMPARE(c->grab().toImage(), shown);
}

QTEST_MAIN(MapViewTest)
#include "map_view_test.moc"
