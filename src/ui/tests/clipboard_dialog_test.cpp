// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard dialog: option and filter controls, the linked filter fields, the filter check
// before converting, leaving it, and the lock that allows one open dialog across processes.
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QMimeData>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <cstdio>
#include <iostream>
#include <string>

#include "platform/instance_lock.h"
#include "ui/clipboard_dlg.h"
#include "ui/qt_clipboard.h"
#include "ui/trakor_dlg.h"
#include "ui/tests/ui_test_support.h"

using namespace trakor;
using namespace trakor::uitest;

namespace {

// Another running copy of the program holding the clipboard dialog's lock.
class LockHolder {
public:
    explicit LockHolder(const QString& folder) {
        process_.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--hold-lock"), folder});
        held_ = process_.waitForStarted() && process_.waitForReadyRead(10000) &&
                process_.readAll().startsWith("held");
    }
    ~LockHolder() { end(); }
    bool held() const { return held_; }
    void end() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.closeWriteChannel();
        process_.waitForFinished(10000);
    }

private:
    QProcess process_;
    bool held_ = false;
};
}  // namespace

class ClipboardDialogTest : public QObject {
    Q_OBJECT
private slots:
    void optionsShowTheirFilterControls();
    void linkedFilterFields();
    void filterValuesAreCheckedBeforeConverting();
    void leavingKeepsThePosition();
    void systemClipboardKeepsTheGarminFormat();
    void convertsMapSourceDataOnTheClipboard();
    void oneDialogAcrossProcesses();
    void clipboardStartEndsWhenTheDialogIsTaken();
};

void ClipboardDialogTest::optionsShowTheirFilterControls() {
    Fixture f;
    Settings& s = f.ctx.settings;
    s.CBmode_r = 3;
    s.CBmode_t = 23;
    s.Filter_CBR = 1;
    s.Filter_CBT = 0;
    s.Filtersize_r = 180;
    s.Filtersize_t = 420;
    CClipboardDlg dlg(f.services);
    QVERIFY(!shown(&dlg, "routeFilter"));
    QVERIFY(!shown(&dlg, "routeField"));
    QVERIFY(!shown(&dlg, "trackFilter"));
    QVERIFY(!shown(&dlg, "trackField"));

    child<QRadioButton>(&dlg, "route11")->click();
    QCOMPARE(s.CBmode_r, 11);
    QVERIFY(shown(&dlg, "routeField"));
    QCOMPARE(child<QLineEdit>(&dlg, "routeField")->text(), QStringLiteral("420"));
    QVERIFY(child<QLineEdit>(&dlg, "routeField")->isEnabled());

    child<QRadioButton>(&dlg, "track22")->click();
    QVERIFY(shown(&dlg, "trackField"));
    QVERIFY(shown(&dlg, "trackLabel22"));
    QVERIFY(!shown(&dlg, "trackLabel24"));
    QCOMPARE(child<QLineEdit>(&dlg, "trackField")->text(), QStringLiteral("180"));
    QVERIFY(!child<QLineEdit>(&dlg, "trackField")->isEnabled());
    child<QCheckBox>(&dlg, "trackFilter")->click();
    QCOMPARE(s.Filter_CBT, 1);
    QVERIFY(child<QLineEdit>(&dlg, "trackField")->isEnabled());
    QVERIFY(child<QLabel>(&dlg, "trackLabel22")->isEnabled());

    child<QRadioButton>(&dlg, "track24")->click();
    QVERIFY(shown(&dlg, "trackLabel24"));
    QVERIFY(!shown(&dlg, "trackLabel22"));
    QCOMPARE(child<QLineEdit>(&dlg, "trackField")->text(), QStringLiteral("420"));
}

void ClipboardDialogTest::linkedFilterFields() {
    Fixture f;
    Settings& s = f.ctx.settings;
    s.CBmode_r = 12;
    s.CBmode_t = 24;
    s.Filter_CBR = 1;
    s.Filter_CBT = 1;
    s.Filtersize_r = 150;
    CClipboardDlg dlg(f.services);
    type(&dlg, "routeField", "300");
    QCOMPARE(child<QLineEdit>(&dlg, "trackField")->text(), QStringLiteral("300"));
    QCOMPARE(s.Filtersize_t, 300);
    type(&dlg, "trackField", "250");
    QCOMPARE(child<QLineEdit>(&dlg, "routeField")->text(), QStringLiteral("250"));
    QCOMPARE(s.Filtersize_t, 250);
    QCOMPARE(s.Filtersize_r, 150);

    // With option 22 the track field is the route setting and the fields are no longer linked.
    child<QRadioButton>(&dlg, "track22")->click();
    QCOMPARE(child<QLineEdit>(&dlg, "trackField")->text(), QStringLiteral("150"));
    type(&dlg, "trackField", "90");
    QCOMPARE(s.Filtersize_r, 90);
    QCOMPARE(s.Filtersize_t, 250);
    QCOMPARE(child<QLineEdit>(&dlg, "routeField")->text(), QStringLiteral("250"));
    type(&dlg, "routeField", "abc");
    QCOMPARE(child<QLineEdit>(&dlg, "routeField")->text(), QStringLiteral("250"));  // digits only
    QTest::keyClick(child<QLineEdit>(&dlg, "routeField"), Qt::Key_Backspace);
    QCOMPARE(child<QLineEdit>(&dlg, "routeField")->text(), QString());
    QCOMPARE(s.Filtersize_t, 0);
    QCOMPARE(s.Filtersize_r, 90);
}

void ClipboardDialogTest::filterValuesAreCheckedBeforeConverting() {
    Fixture f;
    Settings& s = f.ctx.settings;
    std::vector<int> destinations;
    f.services.convertClipboard = [&](Context&, int destination) {
        destinations.push_back(destination);
        return 0;
    };
    s.CBmode_r = 11;
    s.CBmode_t = 23;
    s.Filter_CBR = 1;
    s.Filtersize_t = 1;
    {
        CClipboardDlg dlg(f.services);
        child<QPushButton>(&dlg, "toClipboard")->click();
        QCOMPARE(f.notifier.keys(), std::vector<std::string>{"$MSG03"});
        QVERIFY(destinations.empty());
        // The route filter off: its value is not checked.
        child<QCheckBox>(&dlg, "routeFilter")->click();
        child<QPushButton>(&dlg, "toMapSource")->click();
        QCOMPARE(destinations, std::vector<int>{1});
    }
    // Track option 24 with its filter off: the value is not checked either; on, 10000 is too many.
    s.CBmode_r = 3;
    s.CBmode_t = 24;
    s.Filter_CBT = 0;
    s.Filtersize_t = 10000;
    CClipboardDlg dlg(f.services);
    QVERIFY(dlg.convertTo(0));
    QCOMPARE(destinations, (std::vector<int>{1, 0}));
    child<QCheckBox>(&dlg, "trackFilter")->click();
    QVERIFY(!dlg.convertTo(0));
    QCOMPARE(f.notifier.keys(), (std::vector<std::string>{"$MSG03", "$MSG03"}));
    type(&dlg, "trackField", "9999");
    QVERIFY(dlg.convertTo(0));

    // Without a clipboard engine the user is told so instead of nothing happening.
    f.services.convertClipboard = nullptr;
    QVERIFY(!dlg.convertTo(0));
    QCOMPARE(f.notifier.keys().back(), std::string("$MSG82"));
}

void ClipboardDialogTest::leavingKeepsThePosition() {
    Fixture f;
    Settings& s = f.ctx.settings;
    s.LeftClipboardMenu = 300;
    s.TopClipboardMenu = 200;
    {
        CClipboardDlg dlg(f.services);
        QCOMPARE(dlg.pos(), QPoint(300, 200));
        dlg.move(310, 220);
        child<QPushButton>(&dlg, "menuButton")->click();
        QVERIFY(!dlg.quitRequested());
        QCOMPARE(s.LeftClipboardMenu, 310);
        QCOMPARE(s.TopClipboardMenu, 220);
    }
    {
        CClipboardDlg dlg(f.services);
        dlg.move(330, 240);
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(dlg.quitRequested());
        QCOMPARE(s.LeftClipboardMenu, 330);
    }
    // Quitting while minimised keeps the position of the last time.
    CClipboardDlg dlg(f.services);
    dlg.showMinimized();
    QTRY_VERIFY(dlg.isMinimized());
    dlg.move(5, 5);
    child<QPushButton>(&dlg, "quitButton")->click();
    QVERIFY(dlg.quitRequested());
    QCOMPARE(s.LeftClipboardMenu, 330);
    QCOMPARE(s.TopClipboardMenu, 240);
}

void ClipboardDialogTest::systemClipboardKeepsTheGarminFormat() {
    QtClipboard clipboard;
    clipboard.clear();
    QVERIFY(!clipboard.hasData());
    std::vector<uint8_t> bytes = {4, 0, 0, 0, 'M', 's', 0, 0xFF};
    QVERIFY(clipboard.set(kGarminClipboardFormat, bytes));
    QVERIFY(clipboard.hasData());
    QVERIFY(clipboard.hasFormat(kGarminClipboardFormat));
    QVERIFY(!clipboard.hasFormat("text/plain"));
    // Other programs see the format under its own name.
    QVERIFY(QGuiApplication::clipboard()->mimeData()->formats().contains(QStringLiteral("GARMIN GDB109 Database")));
    std::vector<uint8_t> back;
    QVERIFY(clipboard.get(kGarminClipboardFormat, back));
    QCOMPARE(back, bytes);
    QGuiApplication::clipboard()->setText(QStringLiteral("text"));
    QVERIFY(clipboard.hasData());
    QVERIFY(!clipboard.get(kGarminClipboardFormat, back));
    clipboard.clear();
    QVERIFY(!clipboard.hasData());
}

void ClipboardDialogTest::convertsMapSourceDataOnTheClipboard() {
    QFile gdb(QStringLiteral(UI_SHARED_DIR "/corpus/gdb-sample-v3.gdb"));
    if (!gdb.open(QIODevice::ReadOnly)) QSKIP("shared corpus not present");
    QByteArray image = gdb.readAll();
    Fixture f;
    f.ctx.paths.workGdb = f.temp.filePath(QStringLiteral("Trakor3.gdb")).toStdString();
    f.services.convertClipboard = [](Context& ctx, int destination) {
        return convertSystemClipboard(ctx, destination, ClipboardCalls{});
    };
    Settings& s = f.ctx.settings;
    s.CBmode_r = 11;
    s.CBmode_t = 24;
    s.Filter_CBR = 0;
    s.Filter_CBT = 0;
    CClipboardDlg dlg(f.services);

    // Text alone is no Garmin data.
    QGuiApplication::clipboard()->setText(QStringLiteral("not a route"));
    child<QPushButton>(&dlg, "toClipboard")->click();
    QCOMPARE(f.notifier.keys(), std::vector<std::string>{"$MSG40"});

    QtClipboard clipboard;
    clipboard.set(kGarminClipboardFormat, makeBlock(std::span<const uint8_t>(
                                              reinterpret_cast<const uint8_t*>(image.constData()),
                                              static_cast<size_t>(image.size()))));
    child<QPushButton>(&dlg, "toClipboard")->click();
    QCOMPARE(f.notifier.keys().back(), std::string("$MSG44"));
    std::vector<uint8_t> block;
    QVERIFY(clipboard.get(kGarminClipboardFormat, block));
    std::span<const uint8_t> result;
    QVERIFY(blockImage(block, result));
    QVERIFY(QByteArray(reinterpret_cast<const char*>(result.data()), static_cast<qsizetype>(result.size()))
                .contains(QByteArray("Trakor3\0", 8)));
    // Converting the result again is refused.
    child<QPushButton>(&dlg, "toClipboard")->click();
    QCOMPARE(f.notifier.keys().back(), std::string("$MSG41"));
}

void ClipboardDialogTest::oneDialogAcrossProcesses() {
    Fixture f;
    CTrakorDlg main(f.services);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    {
        LockHolder other(f.temp.path());
        QVERIFY(other.held());
        child<QPushButton>(&main, "clipboardButton")->click();
        QCOMPARE(f.notifier.keys(), std::vector<std::string>{"$MSG61"});
        QVERIFY(main.isVisible());
    }
    // The other copy has ended: the dialog opens in place of the main dialog.
    bool mainHidden = false;
    bool lockedMeanwhile = false;
    onNextModal([&](QWidget* modal) {
        mainHidden = !main.isVisible();
        InstanceLock probe(f.temp.path().toStdString());
        lockedMeanwhile = probe.acquire() == InstanceLock::Result::HeldElsewhere;
        QVERIFY(qobject_cast<CClipboardDlg*>(modal) != nullptr);
        modal->findChild<QPushButton*>(QStringLiteral("menuButton"))->click();
    });
    f.ctx.settings.Filter = 1;
    child<QPushButton>(&main, "clipboardButton")->click();
    QVERIFY(mainHidden);
    QVERIFY(lockedMeanwhile);
    QVERIFY(main.isVisible());
    QVERIFY(child<QCheckBox>(&main, "filterBox")->isChecked());
    QCOMPARE(f.notifier.keys().size(), size_t{1});
    InstanceLock after(f.temp.path().toStdString());
    QCOMPARE(after.acquire(), InstanceLock::Result::Acquired);
}

void ClipboardDialogTest::clipboardStartEndsWhenTheDialogIsTaken() {
    Fixture f;
    f.ctx.paths.clipboardFlag = 'C';
    LockHolder other(f.temp.path());
    QVERIFY(other.held());
    CTrakorDlg main(f.services);
    QSignalSpy finished(&main, &QDialog::finished);
    // The dialog is asked for as soon as the program runs.
    QTRY_COMPARE(finished.count(), 1);
    QCOMPARE(f.notifier.keys(), std::vector<std::string>{"$MSG61"});

    // Quitting the clipboard dialog of a "C" start ends the main dialog too.
    other.end();
    bool mainOnScreen = true;
    CTrakorDlg* secondMain = nullptr;
    onNextModal([&](QWidget* modal) {
        mainOnScreen = secondMain->isVisible();
        modal->findChild<QPushButton*>(QStringLiteral("quitButton"))->click();
    });
    CTrakorDlg second(f.services);
    secondMain = &second;
    second.open();
    QSignalSpy secondFinished(&second, &QDialog::finished);
    QTRY_COMPARE(secondFinished.count(), 1);
    QCOMPARE(second.result(), static_cast<int>(QDialog::Rejected));
    QVERIFY(!mainOnScreen);
}

// "--hold-lock <folder>": stand in for another running copy of the program until stdin closes.
int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--hold-lock") {
        InstanceLock lock(argv[2]);
        if (lock.acquire() != InstanceLock::Result::Acquired) return 1;
        std::printf("held\n");
        std::fflush(stdout);
        for (int c = std::getchar(); c != EOF; c = std::getchar()) {
        }
        return 0;
    }
    QApplication app(argc, argv);
    ClipboardDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "clipboard_dialog_test.moc"
