// SPDX-License-Identifier: GPL-3.0-or-later
// The main dialog: overwrite box, output targets and Edge support, option controls and miles
// mode, input files, and the request a Convert hands to the driver.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMimeData>
#include <QUrl>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QLocale>
#include <QTreeWidget>
#include <QtTest>
#include <algorithm>

#include "app/startup.h"
#include "course/garmin_device.h"
#include "ui/trakor_dlg.h"
#include "ui/tests/ui_test_support.h"

using namespace trakor;
using namespace trakor::uitest;

namespace {
bool enabled(QWidget* parent, const char* name) { return child<QWidget>(parent, name)->isEnabled(); }
int gatherOption(const CTrakorDlg& dlg) { return dlg.gatherRequest().option; }
}  // namespace

class MainDialogTest : public QObject {
    Q_OBJECT
private slots:
    void overwriteBoxFollowsInputAndTarget();
    void readOnlyInputCannotBeOverwritten();
    void edgeSupportDecidesTheTargets();
    void driveBoxFollowsMountChanges();
    void optionsShowTheirSplitAndFilterFields();
    void milesModeConvertsTheSplitLength();
    void preferencesRefreshTheFields();
    void chosenAndDroppedFiles();
    void recordingsFromGpsBecomeInputs();
    void recordingsListSpeaksTheLanguage();
    void convertHandsTheRequestToTheDriver();
    void progressFollowsEveryBatchFile();
    void batchEndNamesTheFilesNotConverted();
    void saveAsStartsInTheOutputFolder();
    void fileDialogsStartBesideTheInput();
    void optionsThatCannotApplyAreGreyedWithTheReason();
    void lastInputAndOutputAreOffered();
    void driverAsksForMissingFiles();
    void realConversionOfAMapSourceFile();
    void escapeStaysQuitKeepsTheWindowPosition();
    void languageButtonAndTitle();
};

void MainDialogTest::overwriteBoxFollowsInputAndTarget() {
    Fixture f;
    f.ctx.settings.EdgeSupport = 1;
    f.ctx.settings.OutputOption = 1;
    CTrakorDlg dlg(f.services);
    QVERIFY(!shown(&dlg, "overwriteBox"));
    QVERIFY(enabled(&dlg, "outputField"));

    type(&dlg, "inputField", "/data/Ride.GDB");
    QVERIFY(shown(&dlg, "overwriteBox"));
    child<QCheckBox>(&dlg, "overwriteBox")->click();
    QVERIFY(dlg.overwriteInput());
    QVERIFY(!enabled(&dlg, "outputField"));
    QVERIFY(!enabled(&dlg, "saveAsButton"));

    // MapSource keeps the box; TrainingCenter hides and clears it.
    child<QRadioButton>(&dlg, "targetMapSource")->click();
    QVERIFY(shown(&dlg, "overwriteBox"));
    QVERIFY(dlg.overwriteInput());
    child<QRadioButton>(&dlg, "targetTrainingCenter")->click();
    QVERIFY(!shown(&dlg, "overwriteBox"));
    QVERIFY(!child<QCheckBox>(&dlg, "overwriteBox")->isChecked());
    QVERIFY(!dlg.overwriteInput());
    QCOMPARE(f.ctx.settings.OutputOption, 3);

    // A non-GDB input never offers it; a new input clears an earlier choice.
    child<QRadioButton>(&dlg, "targetFile")->click();
    QVERIFY(shown(&dlg, "overwriteBox"));
    child<QCheckBox>(&dlg, "overwriteBox")->click();
    type(&dlg, "inputField", "/data/ride.gpx");
    QVERIFY(!shown(&dlg, "overwriteBox"));
    QVERIFY(!dlg.overwriteInput());
    QVERIFY(enabled(&dlg, "outputField"));
}

void MainDialogTest::readOnlyInputCannotBeOverwritten() {
    Fixture f;
    CTrakorDlg dlg(f.services);
    std::string input = f.file(QStringLiteral("locked.gdb"));
    QFile::setPermissions(QString::fromStdString(input), QFile::ReadOwner | QFile::ReadGroup);
    type(&dlg, "inputField", QString::fromStdString(input));
    child<QCheckBox>(&dlg, "overwriteBox")->click();
    QCOMPARE(f.notifier.keys(), std::vector<std::string>{"$MSG01"});
    QVERIFY(!child<QCheckBox>(&dlg, "overwriteBox")->isChecked());
    QVERIFY(!dlg.overwriteInput());
    QVERIFY(enabled(&dlg, "outputField"));
    QVERIFY(enabled(&dlg, "saveAsButton"));
}

void MainDialogTest::edgeSupportDecidesTheTargets() {
    Fixture f;
    f.ctx.settings.EdgeSupport = 0;
    f.ctx.settings.OutputOption = 4;
    {
        CTrakorDlg dlg(f.services);
        QVERIFY(child<QRadioButton>(&dlg, "targetMapSource")->isChecked());
        QCOMPARE(f.ctx.settings.OutputOption, 2);
        QVERIFY(!shown(&dlg, "targetGps"));
        QVERIFY(!shown(&dlg, "driveBox"));
        QVERIFY(f.store.written.empty());

        // Ticking the box stores that one value at once and offers the course targets.
        child<QCheckBox>(&dlg, "edgeBox")->click();
        QCOMPARE(f.store.written, std::vector<std::string>{"Edge Support"});
        QCOMPARE(f.store.values["Edge Support"], 1);
        QVERIFY(shown(&dlg, "targetTrainingCenter"));
        QVERIFY(shown(&dlg, "targetGps"));
        child<QRadioButton>(&dlg, "targetGps")->click();
        QCOMPARE(f.ctx.settings.OutputOption, 4);
        QVERIFY(enabled(&dlg, "driveBox"));
        QVERIFY(!enabled(&dlg, "outputField"));

        // Turning it off again moves a course target back to MapSource.
        child<QCheckBox>(&dlg, "edgeBox")->click();
        QCOMPARE(f.store.values["Edge Support"], 0);
        QCOMPARE(f.ctx.settings.OutputOption, 2);
        QVERIFY(child<QRadioButton>(&dlg, "targetMapSource")->isChecked());
        QVERIFY(!child<QRadioButton>(&dlg, "targetGps")->isChecked());
        QCOMPARE(dlg.gatherRequest().outputTarget, OutputTarget::MapSource);
    }
    // With the support on, a stored GPS target opens as such, its drive box filled by detection.
    f.ctx.settings.EdgeSupport = 1;
    f.ctx.settings.OutputOption = 4;
    f.services.scanDrives = [](Context&) {
        DriveScan s;
        s.device.connected = true;
        s.device.root = "/media/u/GARMIN/";
        s.entries = {{"/media/u/GARMIN/", "/media/u/GARMIN/Forerunner 935: FIT courses, GPX"},
                     {"/media/u/CARD/", "/media/u/CARD/ SD-card"}};
        s.selected = 0;
        return s;
    };
    CTrakorDlg dlg(f.services);
    QVERIFY(child<QRadioButton>(&dlg, "targetGps")->isChecked());
    auto* drives = child<QComboBox>(&dlg, "driveBox");
    // The model first, then its folder; the last entry takes a folder of the user's.
    QCOMPARE(drives->count(), 3);
    QCOMPARE(drives->itemText(0), QStringLiteral("Forerunner 935 \u2014 FIT courses, GPX  (/media/u/GARMIN)"));
    QCOMPARE(drives->itemText(1), QStringLiteral("SD-card  (/media/u/CARD)"));
    QCOMPARE(drives->itemText(2), QStringLiteral("Other folder..."));
    QVERIFY(drives->isEnabled());
    QCOMPARE(dlg.gatherRequest().targetRoot, std::string("/media/u/GARMIN/"));
    drives->setCurrentIndex(1);
    ConversionRequest r = dlg.gatherRequest();
    QCOMPARE(r.outputTarget, OutputTarget::Gps);
    QCOMPARE(r.targetRoot, std::string("/media/u/CARD/"));
    QVERIFY(r.device.connected);
    // A new detection run keeps the card the user picked.
    dlg.refreshDrives();
    QCOMPARE(drives->currentIndex(), 1);
}

void MainDialogTest::driveBoxFollowsMountChanges() {
    Fixture f;
    f.ctx.settings.EdgeSupport = 1;
    std::string table = f.file(QStringLiteral("mountinfo"), "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
    f.services.mountTable = table;
    int scans = 0;
    f.services.scanDrives = [&scans](Context&) {
        ++scans;
        DriveScan s;
        if (scans > 1) s.entries = {{"/media/u/GARMIN/", "/media/u/GARMIN/EDGE 705"}};
        s.selected = s.entries.empty() ? -1 : 0;
        return s;
    };
    CTrakorDlg dlg(f.services);
    auto* drives = child<QComboBox>(&dlg, "driveBox");
    QCOMPARE(drives->count(), 1);  // "Other folder..." only
    QCOMPARE(drives->currentIndex(), -1);
    int before = scans;
    // A device is mounted: the table changes and the list is read again.
    f.file(QStringLiteral("mountinfo"), "22 1 8:1 / / rw - ext4 /dev/sda1 rw\n30 22 8:17 / /media/u/GARMIN rw - vfat /dev/sdb1 rw\n");
    QTRY_VERIFY_WITH_TIMEOUT(scans > before, 8000);
    QCOMPARE(drives->count(), 2);
    QCOMPARE(dlg.gatherRequest().targetRoot, std::string("/media/u/GARMIN/"));
}

void MainDialogTest::optionsShowTheirSplitAndFilterFields() {
    Fixture f;
    Settings& s = f.ctx.settings;
    s.Mode = 15;
    s.Filtertype = 2;
    s.Filtersize_p = 40;
    s.Splittype = 2;
    s.Splitsize_t = 700;
    s.Splitsize_r = 300;
    s.Split = 1;
    CTrakorDlg dlg(f.services);
    QVERIFY(!shown(&dlg, "splitBox"));
    QVERIFY(!shown(&dlg, "filterField"));
    QVERIFY(shown(&dlg, "saveRoute"));
    QVERIFY(!shown(&dlg, "saveTrack"));

    child<QRadioButton>(&dlg, "option23")->click();
    QCOMPARE(s.Mode, 23);
    QVERIFY(!shown(&dlg, "splitField"));
    QVERIFY(shown(&dlg, "saveTrack"));

    child<QRadioButton>(&dlg, "option24")->click();
    QVERIFY(shown(&dlg, "splitField"));
    QCOMPARE(child<QLineEdit>(&dlg, "splitField")->text(), QStringLiteral("700"));
    QCOMPARE(child<QLineEdit>(&dlg, "filterField")->text(), QStringLiteral("40"));
    QVERIFY(shown(&dlg, "splitSizeTrack"));
    QVERIFY(!shown(&dlg, "splitSizeRoute"));
    QVERIFY(shown(&dlg, "filterPercent"));
    QVERIFY(!shown(&dlg, "filterTrack"));
    QVERIFY(enabled(&dlg, "splitField"));
    QVERIFY(!enabled(&dlg, "filterField"));
    QVERIFY(!enabled(&dlg, "filterPercent"));

    // Typed values go to the setting of the option's result kind.
    child<QRadioButton>(&dlg, "option21")->click();
    QCOMPARE(child<QLineEdit>(&dlg, "splitField")->text(), QStringLiteral("300"));
    type(&dlg, "splitField", "450");
    QCOMPARE(s.Splitsize_r, 450);
    QCOMPARE(s.Splitsize_t, 700);
    child<QCheckBox>(&dlg, "filterBox")->click();
    QCOMPARE(s.Filter, 1);
    QVERIFY(enabled(&dlg, "filterField"));
    type(&dlg, "filterField", "25");
    QCOMPARE(s.Filtersize_p, 25);
    child<QCheckBox>(&dlg, "splitBox")->click();
    QCOMPARE(s.Split, 0);
    QVERIFY(!enabled(&dlg, "splitField"));
}

void MainDialogTest::milesModeConvertsTheSplitLength() {
    Fixture f;
    Settings& s = f.ctx.settings;
    s.milesMode = 1;
    s.Splittype = 1;
    s.Splitlen_t = 50;
    s.Splitlen_r = 52;
    s.Split = 1;
    s.Mode = 24;
    CTrakorDlg dlg(f.services);
    QCOMPARE(child<QLineEdit>(&dlg, "splitField")->text(), QStringLiteral("31"));
    QVERIFY(child<QLabel>(&dlg, "splitLengthTrack")->text().contains(QStringLiteral(" mi")));
    type(&dlg, "splitField", "31");
    QCOMPARE(s.Splitlen_t, 50);
    type(&dlg, "splitField", "10");
    QCOMPARE(s.Splitlen_t, 16);

    // Merely showing a route length in miles must not change the stored kilometres
    // (52 km shows as 32 mi, which would read back as 51 km).
    child<QRadioButton>(&dlg, "option22")->click();
    QCOMPARE(child<QLineEdit>(&dlg, "splitField")->text(), QStringLiteral("32"));
    QCOMPARE(s.Splitlen_r, 52);
    child<QRadioButton>(&dlg, "option24")->click();
    QCOMPARE(s.Splitlen_r, 52);
    QCOMPARE(s.Splitlen_t, 16);
}

void MainDialogTest::preferencesRefreshTheFields() {
    Fixture f;
    f.ctx.settings.Mode = 24;
    f.ctx.settings.Filtertype = 1;
    f.ctx.settings.Filtersize_c = 35;
    CTrakorDlg dlg(f.services);
    QVERIFY(shown(&dlg, "filterTrack"));
    onNextModal([](QWidget* modal) {
        modal->findChild<QRadioButton*>(QStringLiteral("filterDirection"))->click();
        modal->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
    child<QPushButton>(&dlg, "preferencesButton")->click();
    QCOMPARE(f.ctx.settings.Filtertype, 3);
    QVERIFY(!shown(&dlg, "filterTrack"));
    QVERIFY(shown(&dlg, "filterDirection"));
    QCOMPARE(child<QLineEdit>(&dlg, "filterField")->text(), QStringLiteral("35"));
}

// "From GPS...": the recordings of a unit's folder the user chose in the drive box (not one the
// detection found), the most recently recorded first with date, size, activity and whole file
// name; the picked ones become the inputs. A folder without a unit's description is refused.
void MainDialogTest::recordingsFromGpsBecomeInputs() {
    Fixture f;
    f.ctx.settings.EdgeSupport = 1;
    f.ctx.settings.OutputOption = 4;
    const std::string root = f.temp.path().toStdString() + "/copy of my unit";
    QDir().mkpath(QString::fromStdString(root + "/GARMIN/ACTIVITY"));
    test::writeFile(root + "/GARMIN/GarminDevice.xml",
                    "<Device><Model><Description>Forerunner 935</Description></Model><MassStorageMode><DataType>"
                    "<Name>FIT_TYPE_4</Name><File><Location><Path>GARMIN/ACTIVITY</Path><FileExtension>FIT"
                    "</FileExtension></Location><TransferDirection>OutputFromUnit</TransferDirection></File>"
                    "</DataType></MassStorageMode></Device>");
    // Copied files all carry the time of the copy: what they hold tells when they were recorded.
    const std::string older = root + "/GARMIN/ACTIVITY/A long name of a ride.FIT", newer = root + "/GARMIN/ACTIVITY/B.FIT";
    const QDateTime copied = QDateTime::currentDateTime().addDays(-1);
    for (const std::string& path : {older, newer}) {
        test::writeFile(path, "x");
        QFile file(QString::fromStdString(path));
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(copied, QFileDevice::FileModificationTime));
    }
    const std::string edge = test::corpusFile("garmin-edge-800.fit");
    if (!edge.empty()) QFile::copy(QString::fromStdString(edge), QString::fromStdString(root + "/GARMIN/ACTIVITY/C.FIT"));
    std::string offered = f.temp.path().toStdString();
    f.services.chooseDriveFolder = [&offered](const std::string&) { return offered; };
    f.services.scanDrives = [](Context&) { return DriveScan{}; };  // the detection finds none
    CTrakorDlg dlg(f.services);
    auto* drives = child<QComboBox>(&dlg, "driveBox");
    QCOMPARE(drives->count(), 1);
    drives->setCurrentIndex(0);  // "Other folder...", answered with a folder that holds no unit
    QCOMPARE(f.notifier.keys(), std::vector<std::string>{"$GPS07"});
    QCOMPARE(drives->currentIndex(), -1);
    QVERIFY(!dlg.gatherRequest().device.connected);
    offered = root;
    drives->setCurrentIndex(0);
    QCOMPARE(drives->count(), 2);
    QCOMPARE(drives->currentIndex(), 0);
    QCOMPARE(drives->currentText(), QString::fromStdString("Forerunner 935 \u2014 no courses  (" + root + ")"));
    ConversionRequest r = dlg.gatherRequest();
    QCOMPARE(r.targetRoot, root + "/");
    QVERIFY(r.device.connected);

    std::vector<QStringList> rows;
    onNextModal([&rows](QWidget* modal) {
        auto* list = modal->findChild<QTreeWidget*>(QStringLiteral("deviceFiles"));
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QStringList row;
            for (int c = 0; c < 4; ++c) row << list->topLevelItem(i)->text(c);
            rows.push_back(row);
        }
        list->selectAll();
        modal->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    child<QPushButton>(&dlg, "fromGpsButton")->click();
    QCOMPARE(rows.size(), edge.empty() ? size_t{2} : size_t{3});
    if (!edge.empty()) {
        // Recorded in 2012: last, though copied last.
        QCOMPARE(rows.back()[3], QStringLiteral("C.FIT"));
        QVERIFY2(rows.back()[0].startsWith(QStringLiteral("2012-04-1")), qPrintable(rows.back()[0]));
        QCOMPARE(rows.back()[1], QLocale().formattedDataSize(29580, 1, QLocale::DataSizeSIFormat));
    }
    QCOMPARE(rows[0][1], QLocale().formattedDataSize(1, 1, QLocale::DataSizeSIFormat));
    QCOMPARE(rows[0][3], QStringLiteral("A long name of a ride.FIT"));
    QVERIFY(dlg.multipleInput());
    QCOMPARE(dlg.inputList().front(), older);
}

// The list of recordings speaks the window's language, its buttons too.
void MainDialogTest::recordingsListSpeaksTheLanguage() {
    Fixture f;
    f.useLanguageFile(4);
    const std::string root = f.temp.path().toStdString() + "/unit/";
    QDir().mkpath(QString::fromStdString(root + "GARMIN/ACTIVITY"));
    test::writeFile(root + "GARMIN/ACTIVITY/A.FIT", "x");
    f.services.scanDrives = [root](Context&) {
        DriveScan s;
        s.device.connected = true;
        s.device.root = root;
        s.device.description = parseGarminDevice(
            "<Device><MassStorageMode><DataType><Name>FIT_TYPE_4</Name><File><Location><Path>GARMIN/ACTIVITY</Path>"
            "<FileExtension>FIT</FileExtension></Location><TransferDirection>OutputFromUnit</TransferDirection>"
            "</File></DataType></MassStorageMode></Device>");
        return s;
    };
    CTrakorDlg dlg(f.services);
    QString cancel;
    onNextModal([&cancel](QWidget* modal) {
        QPushButton* b = modal->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel);
        cancel = b->text();
        b->click();
    });
    child<QPushButton>(&dlg, "fromGpsButton")->click();
    QCOMPARE(cancel, QStringLiteral("Annuler"));
    QVERIFY(child<QLineEdit>(&dlg, "inputField")->text().isEmpty());
}

void MainDialogTest::chosenAndDroppedFiles() {
    Fixture f;
    CTrakorDlg dlg(f.services);
    std::string a = f.file(QStringLiteral("a.gpx")), b = f.file(QStringLiteral("b.gpx")), c = f.file(QStringLiteral("c.fit"));
    auto* count = child<QLabel>(&dlg, "countLabel");
    auto* input = child<QLineEdit>(&dlg, "inputField");

    dlg.takeInputFiles({QString::fromStdString(a), QString::fromStdString(b), QString::fromStdString(c)}, true);
    QVERIFY(dlg.multipleInput());
    QVERIFY(!count->isHidden());
    QCOMPARE(count->text(), QStringLiteral("[ 3 ]"));
    QCOMPARE(input->text(), f.temp.path() + QStringLiteral("/..."));
    ConversionRequest r = dlg.gatherRequest();
    QVERIFY(r.multipleInput);
    QCOMPARE(r.inputList, (std::vector<std::string>{a, b, c}));

    // A name that has gone away stops the walk with nothing changed.
    dlg.takeInputFiles({QString::fromStdString(a), f.temp.filePath(QStringLiteral("gone.gpx"))}, true);
    QCOMPARE(f.notifier.keys(), std::vector<std::string>{"$STA01"});
    QCOMPARE(f.notifier.entries[0].text, "File not found:\n" + f.temp.filePath(QStringLiteral("gone.gpx")).toStdString());
    QVERIFY(dlg.multipleInput());
    QCOMPARE(count->text(), QStringLiteral("[ 3 ]"));

    // Two dropped files (not checked), then one: the count goes away with the flag.
    dlg.takeInputFiles({QStringLiteral("/x/one.gpx"), QStringLiteral("/x/two.gpx")}, false);
    QCOMPARE(count->text(), QStringLiteral("[ 2 ]"));
    QCOMPARE(input->text(), QStringLiteral("/x/..."));
    dlg.takeInputFiles({QString::fromStdString(a)}, false);
    QVERIFY(!dlg.multipleInput());
    QVERIFY(count->isHidden());
    QCOMPARE(input->text(), QString::fromStdString(a));
    QCOMPARE(input->cursorPosition(), static_cast<int>(a.size()));

    // Files dropped from a file manager.
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QStringLiteral("/y/one.kml")), QUrl::fromLocalFile(QStringLiteral("/y/two.kml"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dlg, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dlg, &drop);
    QVERIFY(dlg.multipleInput());
    QCOMPARE(dlg.inputList(), (std::vector<std::string>{"/y/one.kml", "/y/two.kml"}));
    QCOMPARE(input->text(), QStringLiteral("/y/..."));

    // Typing a name over "<folder>/..." makes that name the single input.
    dlg.takeInputFiles({QString::fromStdString(a), QString::fromStdString(b)}, true);
    type(&dlg, "inputField", QString::fromStdString(c));
    QVERIFY(!dlg.multipleInput());
    QVERIFY(count->isHidden());
    r = dlg.gatherRequest();
    QVERIFY(!r.multipleInput);
    QVERIFY(r.inputList.empty());
    QCOMPARE(r.inputPath, c);
}

void MainDialogTest::convertHandsTheRequestToTheDriver() {
    Fixture f;
    Settings& s = f.ctx.settings;
    s.Mode = 11;
    s.Split = 1;
    s.Filter = 1;
    ConversionRequest seen;
    int calls = 0;
    bool lockedDuringRun = false;
    bool progressInstalled = false;
    bool secondRefused = false;
    bool progressShown = false;
    CTrakorDlg* dialog = nullptr;
    f.services.convert = [&](Context& ctx, const DriverCalls& dc, ConversionRequest& r) {
        ++calls;
        seen = r;
        lockedDuringRun = dialog->busy() && !dialog->findChild<QPushButton*>(QStringLiteral("convertButton"))->isEnabled();
        progressInstalled = static_cast<bool>(ctx.progress) && static_cast<bool>(dc.browseOutput);
        if (ctx.progress) {
            // The first step of a run is always painted.
            ctx.progress(10, 20);
            auto* bar = dialog->findChild<QProgressBar*>(QStringLiteral("progress"));
            progressShown = bar->isVisible() && bar->value() == 10 && bar->maximum() == 20;
        }
        // A second Convert while this one runs does nothing.
        secondRefused = dialog->convertNow() == -1;
        return kDelivered;
    };
    CTrakorDlg dlg(f.services);
    dialog = &dlg;
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    type(&dlg, "inputField", "/data/route.gdb");
    type(&dlg, "outputField", "/data/track.gdb");
    child<QRadioButton>(&dlg, "option12")->click();
    type(&dlg, "splitField", "120");
    type(&dlg, "filterField", "300");

    // Enter in a field presses the default button, Convert.
    QTest::keyClick(child<QLineEdit>(&dlg, "filterField"), Qt::Key_Return);
    QCOMPARE(calls, 1);
    QCOMPARE(seen.inputPath, std::string("/data/route.gdb"));
    QCOMPARE(seen.outputPath, std::string("/data/track.gdb"));
    QCOMPARE(seen.outputTarget, OutputTarget::File);
    QCOMPARE(seen.option, 12);
    QCOMPARE(seen.splitField, 120u);
    QCOMPARE(seen.filterField, 300u);
    QVERIFY(!seen.overwriteInput);
    QVERIFY(!seen.multipleInput);
    QVERIFY(lockedDuringRun);
    QVERIFY(progressInstalled);
    QVERIFY(secondRefused);
    QVERIFY(progressShown);
    QVERIFY(!dlg.busy());
    QVERIFY(enabled(&dlg, "convertButton"));
    QVERIFY(child<QProgressBar>(&dlg, "progress")->isHidden());
    QVERIFY(!f.ctx.progress);

    // A non-numeric field reads as 0, as the driver expects.
    child<QLineEdit>(&dlg, "filterField")->setText(QString());
    QCOMPARE(dlg.gatherRequest().filterField, 0u);
}

void MainDialogTest::progressFollowsEveryBatchFile() {
    Fixture f;
    QList<QPair<int, int>> seen;
    CTrakorDlg* dialog = nullptr;
    f.services.convert = [&](Context& ctx, const DriverCalls&, ConversionRequest&) {
        auto* bar = dialog->findChild<QProgressBar*>(QStringLiteral("progress"));
        for (int n = 0; n <= 4; ++n) {
            ctx.progress(n, 4);
            seen << qMakePair(bar->value(), bar->maximum());
        }
        return kDelivered;
    };
    CTrakorDlg dlg(f.services);
    dialog = &dlg;
    dlg.convertNow();
    // Quick steps are not dropped: the bar moves per file and ends full.
    QCOMPARE(seen, (QList<QPair<int, int>>{{0, 4}, {1, 4}, {2, 4}, {3, 4}, {4, 4}}));
}

void MainDialogTest::batchEndNamesTheFilesNotConverted() {
    Fixture f;
    f.ctx.paths.logFile = "/home/user/Trakor3/Trakor3.log";
    std::string opened;
    f.services.openFile = [&opened](const std::string& path) { opened = path; };
    // The batch reports before each file and after the last; the second file gives no track.
    f.services.convert = [](Context& ctx, const DriverCalls&, ConversionRequest& r) {
        for (int done = 0; done <= static_cast<int>(r.inputList.size()); ++done) {
            if (done == 1 || done == 3) ++ctx.run.trackCounter;
            ctx.progress(done, 3);
        }
        return kDelivered;
    };
    CTrakorDlg dlg(f.services);
    dlg.takeInputFiles({QStringLiteral("/data/a.gpx"), QStringLiteral("/data/b.fit"), QStringLiteral("/data/c.gpx")}, false);
    QString text, caption;
    onNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box != nullptr);
        text = box->text();
        caption = box->windowTitle();
        child<QPushButton>(box, "openLog")->click();
    });
    QCOMPARE(dlg.convertNow(), kDelivered);
    QCOMPARE(text, QStringLiteral("3 files: 2 converted, 1 without tracks or unreadable: b.fit\n\nLog file:\n"
                                  "/home/user/Trakor3/Trakor3.log"));
    QCOMPARE(caption, QStringLiteral("Trakor3 ($RUN18)"));
    QCOMPARE(opened, f.ctx.paths.logFile);
}

void MainDialogTest::saveAsStartsInTheOutputFolder() {
    Fixture f;
    f.ctx.settings.OutputOption = 1;
    QDir(f.temp.path()).mkpath(QStringLiteral("results"));
    const QString folder = QDir(f.temp.filePath(QStringLiteral("results"))).absolutePath();
    CTrakorDlg dlg(f.services);
    type(&dlg, "outputField", folder + QStringLiteral("/ride.tcx"));
    QString directory, file, filter;
    bool nativeAllowed = false;
    onNextModal([&](QWidget* modal) {
        auto* d = qobject_cast<QFileDialog*>(modal);
        if (d == nullptr) return modal->hide();
        directory = d->directory().absolutePath();
        file = d->selectedFiles().value(0);
        filter = d->selectedNameFilter();
        nativeAllowed = !d->testOption(QFileDialog::DontUseNativeDialog);
        d->reject();
    });
    child<QPushButton>(&dlg, "saveAsButton")->click();
    QCOMPARE(directory, folder);
    QCOMPARE(file, folder + QStringLiteral("/ride.tcx"));
    QVERIFY(filter.startsWith(QStringLiteral("TCX")));
    QVERIFY(nativeAllowed);
}

// The open dialog starts in the input's folder (home without one); an empty output field gets a
// name beside the input that is never the input itself.
void MainDialogTest::fileDialogsStartBesideTheInput() {
    Fixture f;
    const QString t = QDir(f.temp.path()).absolutePath();
    QCOMPARE(inputFolder(t + QStringLiteral("/ride.gpx")), t);
    QCOMPARE(inputFolder(t + QStringLiteral("/...")), t);
    QCOMPARE(inputFolder(QString()), QDir::homePath());
    QCOMPARE(inputFolder(QStringLiteral("/no/such/folder/ride.gpx")), QDir::homePath());
    QCOMPARE(suggestedOutput(t + QStringLiteral("/ride.gpx"), QString()), t + QStringLiteral("/ride.gdb"));
    QCOMPARE(suggestedOutput(t + QStringLiteral("/Alps.GDB"), QString()), t + QStringLiteral("/Alps.gpx"));
    QCOMPARE(suggestedOutput(t + QStringLiteral("/ride.gpx"), QStringLiteral("/x/out.tcx")), QStringLiteral("/x/out.tcx"));
    QCOMPARE(suggestedOutput(QString(), QString()), QString());
}

void MainDialogTest::optionsThatCannotApplyAreGreyedWithTheReason() {
    Fixture f;
    f.useLanguageFile(3);
    f.ctx.settings.OutputOption = 1;
    f.ctx.settings.Mode = 13;
    CTrakorDlg dlg(f.services);
    auto option = [&](int n) { return child<QRadioButton>(&dlg, QStringLiteral("option%1").arg(n).toLatin1().constData()); };
    QVERIFY(option(13)->isEnabled());
    QVERIFY(option(13)->toolTip().isEmpty());

    // A GPX input: 1-15 greyed, the chosen 13 gives way to 0 while the input stays.
    type(&dlg, "inputField", "/data/ride.gpx");
    for (int n : {1, 4, 11, 15}) QVERIFY(!option(n)->isEnabled());
    for (int n : {0, 21, 24}) QVERIFY(option(n)->isEnabled());
    QVERIFY(option(0)->isChecked());
    QCOMPARE(f.ctx.settings.Mode, 0);
    QVERIFY(!shown(&dlg, "splitField"));
    // The reason in the language of the run.
    QCOMPARE(option(11)->toolTip(), QStringLiteral("Die Optionen 1-15 sind nur für GDB-Eingabedateien zulässig."));

    // A TCX output takes no route results.
    type(&dlg, "inputField", "/data/alps.gdb");
    QVERIFY(option(13)->isChecked());  // the user's choice is back
    type(&dlg, "outputField", "/data/alps.tcx");
    QVERIFY(!option(13)->isEnabled() && option(11)->isEnabled() && option(15)->isEnabled());
    QVERIFY(option(0)->isChecked());
    QCOMPARE(option(22)->toolTip(), QStringLiteral("Eine TCX-Ausgabedatei ist für die Optionen 1-4 und 13-23 nicht zulässig."));
    type(&dlg, "outputField", "/data/alps.gdb");
    QVERIFY(option(13)->isChecked());

    // Several files: 1-15 greyed whatever their type.
    dlg.takeInputFiles({QString::fromStdString(f.file(QStringLiteral("a.gdb"))), QString::fromStdString(f.file(QStringLiteral("b.gdb")))}, true);
    QVERIFY(!option(3)->isEnabled() && option(21)->isEnabled());
    QCOMPARE(gatherOption(dlg), 0);
}

void MainDialogTest::lastInputAndOutputAreOffered() {
    Fixture f;
    const QString ride = QString::fromStdString(f.file(QStringLiteral("ride one.gpx")));
    const QString out = QDir(f.temp.path()).filePath(QStringLiteral("out.gdb"));
    f.store.texts["Last Input"] = ride.toStdString();
    f.store.texts["Last Output"] = out.toStdString();
    {
        CTrakorDlg dlg(f.services);
        QCOMPARE(child<QLineEdit>(&dlg, "inputField")->text(), ride);
        QCOMPARE(child<QLineEdit>(&dlg, "outputField")->text(), out);
        QCOMPARE(dlg.gatherRequest().inputPath, ride.toStdString());
        // A batch is remembered by its folder, which Browse then starts in.
        dlg.takeInputFiles({ride, QString::fromStdString(f.file(QStringLiteral("two.gpx")))}, true);
        QCOMPARE(QString::fromStdString(dlg.recentFiles().input), QDir(f.temp.path()).absolutePath());
        QCOMPARE(QString::fromStdString(dlg.recentFiles().output), out);
    }
    // Files that are gone are not offered; the folder of a batch is not put in the input field.
    f.store.texts["Last Input"] = QDir(f.temp.path()).absolutePath().toStdString();
    f.store.texts["Last Output"] = "/no/such/folder/out.gdb";
    CTrakorDlg dlg(f.services);
    QVERIFY(child<QLineEdit>(&dlg, "inputField")->text().isEmpty());
    QVERIFY(child<QLineEdit>(&dlg, "outputField")->text().isEmpty());
    QCOMPARE(inputFolder(QString(), QDir(f.temp.path()).absolutePath()), QDir(f.temp.path()).absolutePath());
    QCOMPARE(inputFolder(QString(), QStringLiteral("/no/such/folder")), QDir::homePath());
}

void MainDialogTest::driverAsksForMissingFiles() {
    Fixture f;
    std::string chosen = f.file(QStringLiteral("picked.gpx"));
    ConversionRequest seen;
    f.services.convert = [&](Context&, const DriverCalls& dc, ConversionRequest& r) {
        if (r.inputPath.empty() && dc.browseInput) dc.browseInput(r);
        seen = r;
        return kRunStopped;
    };
    CTrakorDlg dlg(f.services);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    bool offered = false;
    onNextModal([&](QWidget* modal) {
        auto* files = qobject_cast<QFileDialog*>(modal);
        offered = files != nullptr && files->fileMode() == QFileDialog::ExistingFiles;
        if (files == nullptr) {
            modal->close();
            return;
        }
        // Typed into the name field: selectFile() leaves a focused field alone.
        auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (name != nullptr)
            name->setText(QString::fromStdString(chosen));
        else
            files->selectFile(QString::fromStdString(chosen));
        QMetaObject::invokeMethod(files, "accept");
    });
    dlg.convertNow();
    QVERIFY(offered);
    QCOMPARE(seen.inputPath, chosen);
    QCOMPARE(child<QLineEdit>(&dlg, "inputField")->text(), QString::fromStdString(chosen));
}

void MainDialogTest::realConversionOfAMapSourceFile() {
    const QString input = QStringLiteral(UI_SHARED_DIR "/corpus/gdb-sample-v3.gdb");
    if (!QFile::exists(input)) QSKIP("shared corpus not present");
    Fixture f;
    setWorkingFolder(f.ctx.paths, f.temp.path().toStdString());
    f.services.calls = defaultDriverCalls();
    f.ctx.settings.Mode = 21;
    CTrakorDlg dlg(f.services);
    const QString output = f.temp.filePath(QStringLiteral("routes.gdb"));
    type(&dlg, "inputField", input);
    type(&dlg, "outputField", output);
    QCOMPARE(dlg.convertNow(), kDelivered);
    QVERIFY(!f.notifier.entries.empty());
    QCOMPARE(f.notifier.entries.back().key, std::string("$MSG20"));
    QFile written(output);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY(written.read(6) == QByteArray("MsRcf\0", 6));
}

void MainDialogTest::escapeStaysQuitKeepsTheWindowPosition() {
    Fixture f;
    f.ctx.settings.LeftTrakor3Menu = 140;
    f.ctx.settings.TopTrakor3Menu = 90;
    CTrakorDlg dlg(f.services);
    QCOMPARE(dlg.pos(), QPoint(140, 90));
    dlg.move(200, 120);
    // Escape leaves a main window open; the quit button ends it.
    QSignalSpy finished(&dlg, &QDialog::finished);
    QTest::keyClick(&dlg, Qt::Key_Escape);
    QCOMPARE(finished.count(), 0);
    child<QPushButton>(&dlg, "quitButton")->click();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(dlg.result(), static_cast<int>(QDialog::Rejected));
    QCOMPARE(f.ctx.settings.LeftTrakor3Menu, 200);
    QCOMPARE(f.ctx.settings.TopTrakor3Menu, 120);
}

void MainDialogTest::languageButtonAndTitle() {
    Fixture f;
    f.ctx.paths.modeLetter = 'N';
    {
        CTrakorDlg dlg(f.services);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Trakor3 Version 3.63 - File Converter for MapSource files (N)"));
        QCOMPARE(child<QPushButton>(&dlg, "languageButton")->text().remove(u'&'), QStringLiteral("Other language"));
        QCOMPARE(child<QPushButton>(&dlg, "aboutButton")->text().remove(u'&'), QStringLiteral("About"));
    }
    f.useGerman();
    f.ctx.settings.milesMode = 1;
    f.ctx.settings.Mode = 21;
    CTrakorDlg dlg(f.services);
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Trakor3 Version 3.63 - Dateikonverter für MapSource-Dateien (N)"));
    QCOMPARE(child<QPushButton>(&dlg, "languageButton")->text().remove(u'&'), QStringLiteral("Sprache"));
    QCOMPARE(child<QLabel>(&dlg, "splitLengthRoute")->text(), QStringLiteral("Maximale Länge geteilter Routen in mi."));
    QCOMPARE(child<QPushButton>(&dlg, "convertButton")->text().remove(u'&'), QStringLiteral("Konvertieren"));
}

QTEST_MAIN(MainDialogTest)
#include "main_dialog_test.moc"
