// SPDX-License-Identifier: GPL-3.0-or-later
// trakor3-guide-pictures: the pictures of the user guides, drawn by the program itself.
//   trakor3-guide-pictures LANGUAGE_FILE SAMPLE.gpx OUTPUT_FOLDER
// For each of the nine languages it converts the sample with option 22 (tracks become routes with
// via points), filtered to 25 points, as the main window's Convert does, then paints the main window and the map view of
// the result over its input into main-<code>.pdf and map-<code>.pdf (vector PDF pages the size of
// the window). Runs without a display: the offscreen platform is chosen unless one is set.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/driver.h"
#include "app/driver_calls.h"
#include "app/language.h"
#include "app/startup.h"
#include "core/context.h"
#include "core/messages.h"
#include "platform/settings_store.h"
#include "ui/trakor_dlg.h"
#include "ui/ui_services.h"
#include "view/map_view.h"

namespace trakor {
namespace {

// Messages are printed, not shown; questions are declined, so nothing is overwritten.
class PrintingNotifier : public Notifier {
public:
    Answer notify(const std::string& key, const std::string& text, MsgStyle style) override {
        std::fprintf(stderr, "  %s: %s\n", key.c_str(), text.c_str());
        if (style == MsgStyle::Warning) ++warnings;
        const bool question = style == MsgStyle::Question || style == MsgStyle::QuestionCancel || style == MsgStyle::QuestionOk;
        return question ? Answer::No : Answer::Ok;
    }
    int warnings = 0;
};

// One PDF page of the widget's size (1 px = 0.75 pt), painted as vectors and text.
bool savePdf(QWidget* w, const QString& path) {
    QPdfWriter pdf(path);
    pdf.setCreator(QStringLiteral("Trakor3"));
    pdf.setResolution(96);
    pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
    if (!pdf.setPageSize(QPageSize(QSizeF(w->width() * 0.75, w->height() * 0.75), QPageSize::Point))) return false;
    QPainter painter;
    if (!painter.begin(&pdf)) return false;
    w->render(&painter);
    return painter.end();
}

// The pictures of one language; false (after saying why) when one cannot be made.
bool drawLanguage(int32_t language, const std::string& languageFile, const QString& sample, const QDir& out) {
    const QString code = QString::fromLatin1(languageCode(language).data(), languageCode(language).size()).toLower();
    std::fprintf(stderr, "%s:\n", qPrintable(code));
    QTemporaryDir temp;
    const QString input = temp.filePath(QStringLiteral("ride.gpx"));
    const QString output = temp.filePath(QStringLiteral("ride.gdb"));
    if (!temp.isValid() || !QFile::copy(sample, input)) {
        std::fprintf(stderr, "cannot copy %s into a temporary folder\n", qPrintable(sample));
        return false;
    }

    // A portable run in the temporary folder with the program's first-start settings.
    Context ctx;
    ctx.settings = defaultSettings(true);
    ctx.settings.Language = language;
    PrintingNotifier notifier;
    ctx.notifier = &notifier;
    LanguageFile texts(ctx.settings.Language);
    if (!texts.load(languageFile)) {
        std::fprintf(stderr, "cannot read %s\n", languageFile.c_str());
        return false;
    }
    ctx.texts = &texts;
    setWorkingFolder(ctx.paths, temp.path().toStdString());
    ctx.paths.iniFile = temp.filePath(QStringLiteral("Trakor3.ini")).toStdString();
    IniSettingsStore store(ctx.paths.iniFile);

    // Edge/Forerunner on and one EDGE in the drive box, as a cyclist's window looks.
    ctx.settings.EdgeSupport = 1;
    ctx.settings.OutputOption = 1;
    ctx.settings.Mode = 22;
    ctx.settings.Filter = 1;
    ctx.settings.Filtertype = 1;
    ctx.settings.Filtersize_r = 25;  // option 22 makes routes: their point count
    UiServices services(ctx, store);
    services.calls = defaultDriverCalls();
    services.lockFolder = temp.path().toStdString();
    services.scanDrives = [](Context&) {
        DriveScan scan;
        scan.entries = {{"/media/user/GARMIN/", "/media/user/GARMIN/EDGE 800"}};
        scan.selected = 0;
        return scan;
    };

    CTrakorDlg dlg(services);
    dlg.show();
    QCoreApplication::processEvents();
    dlg.takeInputFiles({input}, true);
    auto* outputField = dlg.findChild<QLineEdit*>(QStringLiteral("outputField"));
    auto* inputField = dlg.findChild<QLineEdit*>(QStringLiteral("inputField"));
    if (outputField == nullptr || inputField == nullptr) {
        std::fprintf(stderr, "the main window has no input or output field\n");
        return false;
    }
    outputField->setText(output);
    if (dlg.convertNow() != kDelivered || notifier.warnings > 0 || !QFile::exists(output)) {
        std::fprintf(stderr, "the sample was not converted\n");
        return false;
    }
    // The picture shows a user's folder instead of the temporary one.
    inputField->setText(QStringLiteral("/home/user/Rides/ride.gpx"));
    outputField->setText(QStringLiteral("/home/user/Rides/ride.gdb"));
    dlg.adjustSize();
    QCoreApplication::processEvents();
    if (!savePdf(&dlg, out.filePath(QStringLiteral("main-%1.pdf").arg(code)))) {
        std::fprintf(stderr, "cannot write main-%s.pdf\n", qPrintable(code));
        return false;
    }

    // The result over its input, as "Show result" opens it; the background map stays off.
    dlg.showResultOnMap();
    QCoreApplication::processEvents();
    auto windows = dlg.findChildren<view::MapViewWindow*>();
    if (windows.isEmpty()) {
        std::fprintf(stderr, "the map view did not open\n");
        return false;
    }
    view::MapViewWindow* map = windows.last();
    map->resize(900, 560);
    map->canvas()->fitAll();
    QCoreApplication::processEvents();
    const bool written = savePdf(map, out.filePath(QStringLiteral("map-%1.pdf").arg(code)));
    map->close();
    dlg.hide();
    if (!written) std::fprintf(stderr, "cannot write map-%s.pdf\n", qPrintable(code));
    return written;
}

}  // namespace
}  // namespace trakor

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: trakor3-guide-pictures LANGUAGE_FILE SAMPLE.gpx OUTPUT_FOLDER\n");
        return 64;
    }
    // Offscreen, on a screen large enough for every window at the size it asks for.
    QTemporaryFile screen;
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    if (platform.isEmpty() || platform == "offscreen") {
        QByteArray chosen = "offscreen";
        if (screen.open()) {
            screen.write(R"({"screens": [{"name": "guide", "x": 0, "y": 0, "width": 1600, "height": 1200,)"
                         R"( "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
            screen.flush();
            chosen += ":configfile=" + QFile::encodeName(screen.fileName());
        }
        qputenv("QT_QPA_PLATFORM", chosen);
    }
    // The offscreen platform's note on every window it cannot size is no news here.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (!text.contains(QStringLiteral("propagateSizeHints"))) std::fprintf(stderr, "%s\n", qPrintable(text));
        if (type == QtFatalMsg) std::abort();
    });
    // The pictures do not depend on the desktop's style, fonts scale or settings.
    qputenv("QT_SCALE_FACTOR", "1");
    QApplication qt(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trakor3"));
    QApplication::setStyle(QStringLiteral("Fusion"));
    QDir out(QString::fromLocal8Bit(argv[3]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot make %s\n", argv[3]);
        return 2;
    }
    const QString sample = QString::fromLocal8Bit(argv[2]);
    for (int32_t language = 1; language <= 9; ++language)
        if (!trakor::drawLanguage(language, argv[1], sample, out)) return 2;
    return 0;
}
