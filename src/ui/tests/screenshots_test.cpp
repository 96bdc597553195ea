// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of every dialog in English and German for review, and a check that no text is cut.
#include <QDir>
#include <QPainter>
#include <QScreen>
#include <QtTest>

#include "ui/about_dlg.h"
#include "ui/clipboard_dlg.h"
#include "ui/language_dlg.h"
#include "ui/preference_dlg.h"
#include "ui/trakor_dlg.h"
#include "ui/tests/ui_test_support.h"

using namespace trakor;
using namespace trakor::uitest;

class ScreenshotsTest : public QObject {
    Q_OBJECT
private slots:
    void everyDialog_data();
    void everyDialog();
    void mainWindowOnA1280x720Screen_data() { addLanguageRows(); }
    void mainWindowOnA1280x720Screen();
};

void ScreenshotsTest::everyDialog_data() {
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<bool>("german");
    for (const char* d : {"main", "clipboard", "preferences", "language", "about"}) {
        QTest::newRow(QStringLiteral("%1-en").arg(QString::fromLatin1(d)).toLatin1()) << QString::fromLatin1(d) << false;
        QTest::newRow(QStringLiteral("%1-de").arg(QString::fromLatin1(d)).toLatin1()) << QString::fromLatin1(d) << true;
    }
}

void ScreenshotsTest::everyDialog() {
    QFETCH(QString, dialog);
    QFETCH(bool, german);
    Fixture f;
    if (german) f.useGerman();
    Settings& s = f.ctx.settings;
    s.EdgeSupport = 1;
    s.Mode = 12;
    s.Split = 1;
    s.CBmode_r = 12;
    s.CBmode_t = 22;
    s.Filter_CBR = 1;
    s.Filter_CBT = 1;
    f.showOneDevice("EDGE 800");

    std::unique_ptr<QDialog> w = makeDialog(dialog, f);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QString shot = saveScreenshot(w.get(), dialog + (german ? QStringLiteral("-de") : QStringLiteral("-en")));
    QVERIFY2(!shot.isEmpty(), "screenshot not written");
    qInfo("%s: %dx%d", qPrintable(shot), w->width(), w->height());

    // Every text fits, and the window fits a common 1366x768 screen.
    QStringList cut = cutTexts(w.get());
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral(" | "))));
    QVERIFY(w->width() <= 1366);
    QVERIFY(w->height() <= 768);
}

// The main window of each language drawn on a 1280x720 screen, with the language file the program
// ships, Edge/Forerunner on and an option that shows the split and filter fields.
void ScreenshotsTest::mainWindowOnA1280x720Screen() {
    QFETCH(int, language);
    Fixture f;
    f.useLanguageFile(language);
    f.showEverydaySettings();
    CTrakorDlg w(f.services);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    type(&w, "inputField", QStringLiteral("/home/user/Rides/Alps.gdb"));
    w.adjustSize();
    QVERIFY(w.width() <= 1280 && w.height() <= 720);

    QImage screen(1280, 720, QImage::Format_RGB32);
    screen.fill(QColor(0x30, 0x38, 0x40));
    QPainter painter(&screen);
    painter.drawPixmap((1280 - w.width()) / 2, (720 - w.height()) / 2, w.grab());
    painter.end();
    QDir dir(QStringLiteral(UI_TEST_OUTPUT_DIR));
    QVERIFY(dir.mkpath(QStringLiteral(".")));
    const QString code = QString::fromLatin1(QTest::currentDataTag()).toLower();
    const QString path = dir.filePath(QStringLiteral("main-%1-1280x720.png").arg(code));
    QVERIFY(screen.save(path));
    qInfo("%s: window %dx%d", qPrintable(path), w.width(), w.height());
}

QTEST_MAIN(ScreenshotsTest)
#include "screenshots_test.moc"
