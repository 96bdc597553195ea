// SPDX-License-Identifier: GPL-3.0-or-later
// The main dialog: gathers the conversion request (input files, output target and file, option,
// overwrite choice, split and filter values, GPS drive), keeps the settings its controls show,
// accepts dropped files and opens the other dialogs.
#pragma once

#include <QDialog>
#include <QStringList>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/conversion_request.h"
#include "core/settings_io.h"
#include "ui/ui_services.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace trakor {

// What the drive box shows of an entry: the unit's model and what it takes, then its folder
// ("Forerunner 935 — FIT courses, GPX  (/media/u/GARMIN)").
QString driveLabel(const DriveEntry& e);

class MountWatcher;

class CTrakorDlg : public QDialog {
    Q_OBJECT
public:
    CTrakorDlg(UiServices& services, QWidget* parent = nullptr);
    ~CTrakorDlg() override;

    // The request the Convert action hands to the driver, from the dialog's present state.
    ConversionRequest gatherRequest() const;
    // The Convert and View actions; each returns the driver's result (-1 when none ran).
    int convertNow();
    int previewNow();
    // A conversion is running: no other action may start.
    bool busy() const { return busy_; }

    // The files chosen in the open-file dialog (or dropped): one file or several.
    // `checkExisting` walks them as the file dialog's result is walked.
    void takeInputFiles(const QStringList& files, bool checkExisting);
    bool multipleInput() const { return multipleInput_; }
    const std::vector<std::string>& inputList() const { return inputList_; }
    bool overwriteInput() const { return overwriteInput_; }

    // The clipboard dialog step: opens it unless another copy of the program has it open.
    void openClipboardDialog();
    // Sets every text again in the current language (after the language dialog).
    void applyTexts();
    // Reads the drive list again (device detection), keeping the pick when the entry is still there.
    void refreshDrives();
    // The map view of the input, and of the last result delivered to a file over its input.
    void showInputOnMap();
    void showResultOnMap();
    const std::string& lastResult() const { return lastResult_; }
    // The input and output to offer at the next start: the fields' paths (a batch: its folder).
    RecentFiles recentFiles() const;

    void setVisible(bool visible) override;

public slots:
    // Quit: the close box and the quit button.
    void reject() override;

protected:
    // Escape does not end the program: a main window stays open on it.
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildLayout();
    void buildMenus();
    void buildInputGroup();
    void buildOutputGroup();
    void buildOptionsGroup();
    void buildSplitFilterGroup();
    QHBoxLayout* buildButtonRow();
    void connectControls();
    void initialise();

    // The steps that keep controls and settings in step.
    void optionChange();
    void outputTargetChange();
    void inputFieldChange();
    void inputFieldEdited();
    void overwriteBoxClicked();
    void edgeBoxClicked();
    void splitBoxStep();
    void filterBoxStep();
    void splitFieldEdited();
    void filterFieldEdited();
    void driveChosen(int index);
    // Fills the drive box: the detected drives, the folder the user chose, "Other folder...";
    // the entry whose root is `kept` stays picked.
    void fillDriveBox(const std::string& kept);
    // Asks for a unit's folder; true when one was taken.
    bool chooseDriveFolder();
    // The unit of the picked drive box entry: the detected one, or the folder the user chose.
    const DetectedDevice& pickedDevice() const;
    // Greys out the options the Convert action would refuse for the present input and output,
    // with the reason as their tip; the chosen option comes back once it applies again.
    void applyOptionRules();
    // Fills the fields with the last run's input and output where those are still there.
    void offerRecentFiles(const RecentFiles& recent);
    void browseForInput();
    // "From GPS...": the recordings of the connected unit to pick inputs from.
    void chooseFromGps();
    void saveAs();
    void chooseInput();
    void chooseOutput();
    void showPreferences();
    void showLanguage();
    void showAbout();
    void showHelp();
    void watchMounts();

    // Runs one driver action with the window kept painted and every other action blocked.
    int runBusy(const std::function<int(Context&, const DriverCalls&, ConversionRequest&)>& action);
    void setBusy(bool on);
    void comeOnScreen();
    void keepOnScreen();
    void setOutputControlsEnabled(bool on);
    void setSingleInput(const QString& path);
    void setFieldsEnabled(QLineEdit* field, const std::array<QLabel*, 4>& labels, bool on);
    DriverCalls callsWithBrowsing();
    // Where MapSource cannot be started, the map view shows what it would have shown.
    void addMapFallback(DriverCalls& calls, const ConversionRequest& request);
    void buildMapMenu();
    // Sets the Map menu's texts and gives the menu a key other than the Help menu's; returns it.
    QChar mapMenuKey(QChar helpKey);
    void rememberResult(int rc, const ConversionRequest& request);
    void openMap(const std::string& path, const std::string& beforePath, const QString& note);

    UiServices& ui_;
    bool busy_ = false;
    // A start with the clipboard argument keeps the main dialog off the screen until the
    // clipboard dialog has had its turn.
    bool waitForClipboard_ = false;
    bool multipleInput_ = false;
    std::vector<std::string> inputList_;
    bool inputIsGdb_ = false;
    bool overwriteInput_ = false;
    bool previewing_ = false;
    // The option the user chose last; option 0 stands in while it cannot apply.
    int wantedOption_ = 0;
    // Where Browse starts when the input field names no folder: the last batch's folder.
    QString browseFolder_;
    bool fitted_ = false;
    // The last conversion delivered to a file: the result and the input it came from.
    std::string lastResult_;
    std::string lastResultInput_;
    DriveScan drives_;
    std::string targetRoot_;
    // A unit's folder the user chose in the drive box (not connected: none chosen).
    DetectedDevice chosenDevice_;
    DriveEntry chosenDrive_;
    std::unique_ptr<MountWatcher> mountWatcher_;

    QMenuBar* menuBar_;
    QWidget* body_;
    QProgressBar* progress_;
    QGroupBox* inputGroup_;
    QLineEdit* inputField_;
    QLabel* countLabel_;
    QPushButton* browse_;
    QPushButton* fromGps_;
    QPushButton* preview_;
    QGroupBox* outputGroup_;
    QButtonGroup* targets_;
    QComboBox* driveBox_;
    QCheckBox* overwrite_;
    QLineEdit* outputField_;
    QPushButton* saveAs_;
    QGroupBox* optionsGroup_;
    std::array<QLabel*, 3> headings_;
    QButtonGroup* options_;
    QCheckBox* saveRoute_;
    QCheckBox* saveTrack_;
    QGroupBox* splitFilterGroup_;
    QCheckBox* split_;
    QLineEdit* splitField_;
    // Route length, track length, route size, track size.
    std::array<QLabel*, 4> splitLabels_;
    QCheckBox* filter_;
    QLineEdit* filterField_;
    // Points per route, points per track, percentage, direction change.
    std::array<QLabel*, 4> filterLabels_;
    QCheckBox* edge_;
    QPushButton* language_;
    QPushButton* about_;
    QPushButton* help_;
    QPushButton* preferences_;
    QPushButton* clipboard_;
    QPushButton* convert_;
    QPushButton* quit_;
    QMenu* mapMenu_;
    QAction* mapInputAction_;
    QAction* mapResultAction_;
    QPushButton* showResult_;
    QMenu* helpMenu_;
    QAction* helpAction_;
    QAction* aboutAction_;
};

// The folder the open-file dialog starts in: that of the input field (also "folder/..." of a
// batch) when it exists, else `remembered` when it exists, else the home folder.
QString inputFolder(const QString& inputField, const QString& remembered = QString());
// The output the save dialog proposes: the output field, or when it is empty a file beside the
// input with its base name (ride.gpx: ride.gdb; ride.gdb: ride.gpx).
QString suggestedOutput(const QString& input, const QString& output);

// Whether a path names a GDB file by its ending (any case).
bool endsWithGdb(const QString& path);

}  // namespace trakor
