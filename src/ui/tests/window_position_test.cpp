// SPDX-License-Identifier: GPL-3.0-or-later
// The stored window corners under a real window manager (openbox on a virtual X screen): a window
// opened at the stored corner stores the same corner when it closes, start after start, and the
// main window keeps its place across a visit to the clipboard dialog.
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QtTest>

#include "ui/clipboard_dlg.h"
#include "ui/trakor_dlg.h"
#include "ui/tests/ui_test_support.h"

using namespace trakor;
using namespace trakor::uitest;

namespace {
// Whether the window manager has framed the window and the frame stands where it is told.
bool framedAt(QWidget* w, QPoint corner) { return framed(w) && w->frameGeometry().topLeft() == corner; }
// The main window's stored corner.
QPoint mainCorner(const Settings& s) { return {s.LeftTrakor3Menu, s.TopTrakor3Menu}; }
}  // namespace

class WindowPositionTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void mainWindowKeepsItsCornerStartAfterStart();
    void clipboardVisitKeepsBothCorners();
    void startInTheClipboardDialogKeepsTheMainCorner();

private:
    QProcess manager_;
    QTemporaryDir temp_;
};

void WindowPositionTest::initTestCase() {
    if (const QString why = startWindowManager(manager_, temp_.path()); !why.isEmpty()) QSKIP(qPrintable(why));
}

void WindowPositionTest::cleanupTestCase() {
    if (manager_.state() == QProcess::NotRunning) return;
    manager_.terminate();
    manager_.waitForFinished();
}

void WindowPositionTest::mainWindowKeepsItsCornerStartAfterStart() {
    Fixture f;
    f.ctx.settings.LeftTrakor3Menu = 40;
    f.ctx.settings.TopTrakor3Menu = 60;
    for (int start = 0; start < 3; ++start) {
        CTrakorDlg dlg(f.services);
        dlg.show();
        QTRY_VERIFY_WITH_TIMEOUT(framedAt(&dlg, QPoint(40, 60)), 20000);
        dlg.reject();
        QCOMPARE(mainCorner(f.ctx.settings), QPoint(40, 60));
    }
}

void WindowPositionTest::clipboardVisitKeepsBothCorners() {
    Fixture f;
    f.ctx.settings.LeftTrakor3Menu = 70;
    f.ctx.settings.TopTrakor3Menu = 90;
    f.ctx.settings.LeftClipboardMenu = 120;
    f.ctx.settings.TopClipboardMenu = 110;
    CTrakorDlg dlg(f.services);
    dlg.show();
    QTRY_VERIFY_WITH_TIMEOUT(framed(&dlg), 20000);
    for (int visit = 0; visit < 2; ++visit) {
        QPoint clipboardCorner;
        onNextModal([&clipboardCorner](QWidget* modal) {
            QTRY_VERIFY_WITH_TIMEOUT(framed(modal), 20000);
            clipboardCorner = modal->frameGeometry().topLeft();
            modal->findChild<QPushButton*>(QStringLiteral("menuButton"))->click();
        });
        dlg.openClipboardDialog();
        QCOMPARE(clipboardCorner, QPoint(120, 110));
        QCOMPARE(QPoint(f.ctx.settings.LeftClipboardMenu, f.ctx.settings.TopClipboardMenu), QPoint(120, 110));
        QTRY_VERIFY_WITH_TIMEOUT(framedAt(&dlg, QPoint(70, 90)), 20000);
    }
    dlg.reject();
    QCOMPARE(mainCorner(f.ctx.settings), QPoint(70, 90));
}

// Started with the clipboard argument, the main window first comes on screen after the
// clipboard dialog, at its stored corner.
void WindowPositionTest::startInTheClipboardDialogKeepsTheMainCorner() {
    Fixture f;
    f.ctx.paths.clipboardFlag = 'C';
    f.ctx.settings.LeftTrakor3Menu = 50;
    f.ctx.settings.TopTrakor3Menu = 80;
    onNextModal([](QWidget* modal) { modal->findChild<QPushButton*>(QStringLiteral("menuButton"))->click(); });
    CTrakorDlg dlg(f.services);
    dlg.show();
    QTRY_VERIFY_WITH_TIMEOUT(!dlg.testAttribute(Qt::WA_DontShowOnScreen) && framedAt(&dlg, QPoint(50, 80)), 20000);
    dlg.reject();
    QCOMPARE(mainCorner(f.ctx.settings), QPoint(50, 80));
}

QTEST_MAIN(WindowPositionTest)
#include "window_position_test.moc"
