// SPDX-License-Identifier: GPL-3.0-or-later
// The application object: a whole run from start-up to the exit settings, and a start with the
// clipboard argument while another copy has the clipboard dialog open.
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "platform/instance_lock.h"
#include "ui/clipboard_dlg.h"
#include "ui/trakor_app.h"
#include "ui/trakor_dlg.h"
#include "ui/tests/ui_test_support.h"

using namespace trakor;
using namespace trakor::uitest;

namespace {
// The test program runs portable: its settings file lies next to it.
QString iniNextToProgram() {
    QString p = QCoreApplication::applicationFilePath();
    return p.endsWith(QStringLiteral(".exe")) ? p.left(p.size() - 4) + QStringLiteral(".ini") : p + QStringLiteral(".ini");
}

// Answers `count` message boxes as they come up, recording their captions, and leaves other
// windows alone; then runs `last` (if any) on the next window that is no message box.
void answerBoxes(QStringList& captions, int count, std::function<void(QWidget*)> last) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, &captions, count, last]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->isVisible()) return;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            captions << box->windowTitle();
            box->accept();
            if (--count == 0 && !last) {
                timer->stop();
                timer->deleteLater();
            }
            return;
        }
        if (count > 0) return;
        timer->stop();
        timer->deleteLater();
        if (last) last(modal);
    });
    timer->start();
}
}  // namespace

class AppTest : public QObject {
    Q_OBJECT
private slots:
    void init() { QFile::remove(iniNextToProgram()); }
    void cleanup() { QFile::remove(iniNextToProgram()); }
    void runSavesTheExitSettings();
    void clipboardStartEndsWhenTakenElsewhere();
    void clipboardStartGoesOnToTheMainDialog();
};

void AppTest::runSavesTheExitSettings() {
    QByteArray program = QCoreApplication::applicationFilePath().toLocal8Bit();
    const char* argv[] = {program.constData()};
    CTrakorApp app(1, argv);
    QVERIFY(app.context().paths.portable());
    QCOMPARE(QString::fromStdString(app.context().paths.iniFile), iniNextToProgram());

    QTemporaryDir files;
    const QString ride = files.filePath(QStringLiteral("ride.gpx"));
    QFile(ride).open(QIODevice::WriteOnly);
    QStringList captions;
    bool sawMain = false;
    answerBoxes(captions, 1, [&](QWidget* modal) {
        sawMain = qobject_cast<CTrakorDlg*>(modal) != nullptr;
        modal->move(150, 100);
        modal->findChild<QLineEdit*>(QStringLiteral("inputField"))->setText(ride);
        modal->findChild<QLineEdit*>(QStringLiteral("outputField"))->setText(files.filePath(QStringLiteral("ride.tcx")));
        modal->findChild<QPushButton*>(QStringLiteral("quitButton"))->click();
    });
    QCOMPARE(app.run(), 0);
    QVERIFY(sawMain);
    // No language file beside the test program: told once, English for the run.
    QCOMPARE(captions.size(), 1);
    QCOMPARE(app.context().settings.Language, 0);

    QFile ini(iniNextToProgram());
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QByteArray text = ini.readAll();
    QVERIFY(text.contains("[Info]"));
    QVERIFY(text.contains("Left Trakor3 Menu=150"));
    QVERIFY(text.contains("Top Trakor3 Menu=100"));
    // The input and output of the run, offered by the next one.
    QVERIFY(text.contains("Last Input=\"" + ride.toUtf8() + "\""));
    CTrakorApp next(1, argv);
    QString offeredInput, offeredOutput;
    answerBoxes(captions, 1, [&](QWidget* modal) {
        offeredInput = modal->findChild<QLineEdit*>(QStringLiteral("inputField"))->text();
        offeredOutput = modal->findChild<QLineEdit*>(QStringLiteral("outputField"))->text();
        modal->findChild<QPushButton*>(QStringLiteral("quitButton"))->click();
    });
    QCOMPARE(next.run(), 0);
    QCOMPARE(offeredInput, ride);
    QCOMPARE(offeredOutput, files.filePath(QStringLiteral("ride.tcx")));
}

void AppTest::clipboardStartEndsWhenTakenElsewhere() {
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    InstanceLock other(runtime.path().toStdString());
    QCOMPARE(other.acquire(), InstanceLock::Result::Acquired);

    QByteArray program = QCoreApplication::applicationFilePath().toLocal8Bit();
    const char* argv[] = {program.constData(), "C"};
    CTrakorApp app(2, argv);
    QCOMPARE(app.context().paths.clipboardFlag, 'C');
    QStringList captions;
    answerBoxes(captions, 2, nullptr);
    QCOMPARE(app.run(), 0);
    QCOMPARE(captions.size(), 2);
    QVERIFY(captions.back().endsWith(QStringLiteral("($MSG61)")));
    QVERIFY(QFile::exists(iniNextToProgram()));
}

void AppTest::clipboardStartGoesOnToTheMainDialog() {
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QByteArray program = QCoreApplication::applicationFilePath().toLocal8Bit();
    const char* argv[] = {program.constData(), "C"};
    CTrakorApp app(2, argv);
    QStringList captions;
    bool clipboardFirst = false;
    bool mainOnScreen = false;
    answerBoxes(captions, 1, [&](QWidget* modal) {
        clipboardFirst = qobject_cast<CClipboardDlg*>(modal) != nullptr;
        // "Trakor3 menu" leads to the main dialog, which the test then quits.
        QTimer::singleShot(0, [&] {
            answerBoxes(captions, 0, [&](QWidget* main) {
                mainOnScreen = qobject_cast<CTrakorDlg*>(main) != nullptr && main->isVisible() &&
                               !main->testAttribute(Qt::WA_DontShowOnScreen);
                main->findChild<QPushButton*>(QStringLiteral("quitButton"))->click();
            });
        });
        modal->findChild<QPushButton*>(QStringLiteral("menuButton"))->click();
    });
    QCOMPARE(app.run(), 0);
    QVERIFY(clipboardFirst);
    QVERIFY(mainOnScreen);
}

QTEST_MAIN(AppTest)
#include "app_test.moc"
