// SPDX-License-Identifier: GPL-3.0-or-later
// The main dialog's behaviour: keeping controls and settings in step, and its actions.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cstdint>
#include <optional>
#include <utility>

#include "app/driver_messages.h"
#include "app/request_builder.h"
#include "app/run_summary.h"
#include "core/settings_io.h"
#include "platform/file_attributes.h"
#include "platform/instance_lock.h"
#include "ui/about_dlg.h"
#include "ui/batch_end.h"
#include "ui/clipboard_dlg.h"
#include "ui/dialog_support.h"
#include "ui/language_dlg.h"
#include "ui/preference_dlg.h"
#include "ui/qt_notifier.h"
#include "ui/trakor_dlg.h"

namespace trakor {

namespace {
bool isTrackResult(int option) { return option == 11 || option == 12 || option == 24; }
bool isRouteResult(int option) { return option == 13 || option == 14 || option == 21 || option == 22; }

// Filters of the open-file dialog: each pattern also in capitals, as names from Windows often are.
QString withCapitals(const char* filters) {
    QStringList out;
    for (const QString& f : QString::fromLatin1(filters).split(QStringLiteral(";;"))) {
        int open = f.indexOf(u'(');
        if (open < 0 || !f.endsWith(u')')) {
            out << f;
            continue;
        }
        QStringList patterns = f.mid(open + 1, f.size() - open - 2).split(u' ');
        QStringList all = patterns;
        for (const QString& p : patterns)
            if (p != QStringLiteral("*")) all << p.toUpper();
        out << f.left(open + 1) + all.join(u' ') + u')';
    }
    return out.join(QStringLiteral(";;"));
}

constexpr const char* kInputFilters =
    "All Files (*);;MapSource File (*.gdb *.gpx);;GDB File (*.gdb);;GPX File (*.gpx);;CRS/TCX File (*.crs *.tcx);;"
    "FIT File (*.fit);;KML/KMZ File (*.kml *.kmz);;ITN File (*.itn);;NMEA File (*.nmea *.nma *.log)";
constexpr const char* kOutputFilters = "GDB File (*.gdb);;GPX File (*.gpx);;TCX File (*.tcx);;FIT Course (*.fit)";
}  // namespace

void CTrakorDlg::initialise() {
    Settings& s = ui_.ctx.settings;
    restorePosition(this, s.LeftTrakor3Menu, s.TopTrakor3Menu);
    if (ui_.prepareLanguage) ui_.prepareLanguage(ui_.ctx);
    applyTexts();

    countLabel_->hide();
    targets_->button(3)->hide();
    targets_->button(4)->hide();
    driveBox_->hide();
    overwrite_->hide();
    setOutputControlsEnabled(false);

    bool toMapSource = false;
    if (s.EdgeSupport == 1) {
        edge_->setChecked(true);
        targets_->button(3)->show();
        targets_->button(4)->show();
        driveBox_->show();
        driveBox_->setEnabled(false);
        if (s.OutputOption == 3) targets_->button(3)->setChecked(true);
        if (s.OutputOption == 4) {
            targets_->button(4)->setChecked(true);
            driveBox_->setEnabled(true);
        }
    } else if (s.OutputOption == 3 || s.OutputOption == 4) {
        s.OutputOption = 2;
        targets_->button(2)->setChecked(true);
        toMapSource = true;
    }
    if (!toMapSource) {
        if (s.OutputOption == 1) {
            targets_->button(1)->setChecked(true);
            setOutputControlsEnabled(true);
        } else if (s.OutputOption == 2) {
            targets_->button(2)->setChecked(true);
        }
    }
    if (targets_->checkedId() < 0) {
        // A stored target the dialog does not know: the file target.
        s.OutputOption = 1;
        targets_->button(1)->setChecked(true);
        setOutputControlsEnabled(true);
    }
    driveBox_->setEnabled(s.EdgeSupport == 1 && s.OutputOption == 4);

    if (QAbstractButton* b = options_->button(s.Mode)) b->setChecked(true);
    wantedOption_ = s.Mode;
    saveRoute_->setChecked(s.SaveRoute == 1);
    saveTrack_->setChecked(s.SaveTrack == 1);
    split_->setChecked(s.Split == 1);
    filter_->setChecked(s.Filter == 1);
    optionChange();
    tabToCheckedButton(options_);
    tabToCheckedButton(targets_);

    if (ui_.ctx.paths.clipboardFlag == 'C') {
        waitForClipboard_ = true;
        setAttribute(Qt::WA_DontShowOnScreen, true);
        QTimer::singleShot(0, this, &CTrakorDlg::openClipboardDialog);
    }
}

void CTrakorDlg::connectControls() {
    connect(options_, &QButtonGroup::idClicked, this, [this](int id) { wantedOption_ = id; });
    connect(options_, &QButtonGroup::idClicked, this, &CTrakorDlg::optionChange);
    connect(targets_, &QButtonGroup::idClicked, this, &CTrakorDlg::outputTargetChange);
    connect(inputField_, &QLineEdit::textChanged, this, &CTrakorDlg::inputFieldChange);
    connect(inputField_, &QLineEdit::textEdited, this, &CTrakorDlg::inputFieldEdited);
    connect(overwrite_, &QCheckBox::clicked, this, &CTrakorDlg::overwriteBoxClicked);
    connect(edge_, &QCheckBox::clicked, this, &CTrakorDlg::edgeBoxClicked);
    // What the options can do depends on the input and the output.
    connect(inputField_, &QLineEdit::textChanged, this, &CTrakorDlg::applyOptionRules);
    connect(outputField_, &QLineEdit::textChanged, this, &CTrakorDlg::applyOptionRules);
    connect(targets_, &QButtonGroup::idClicked, this, &CTrakorDlg::applyOptionRules);
    connect(overwrite_, &QCheckBox::clicked, this, &CTrakorDlg::applyOptionRules);
    connect(edge_, &QCheckBox::clicked, this, &CTrakorDlg::applyOptionRules);
    connect(split_, &QCheckBox::clicked, this, &CTrakorDlg::splitBoxStep);
    connect(filter_, &QCheckBox::clicked, this, &CTrakorDlg::filterBoxStep);
    connect(saveRoute_, &QCheckBox::clicked, this, [this](bool on) { ui_.ctx.settings.SaveRoute = on ? 1 : 0; });
    connect(saveTrack_, &QCheckBox::clicked, this, [this](bool on) { ui_.ctx.settings.SaveTrack = on ? 1 : 0; });
    // Only the user's edits are stored: a value the dialog shows is not converted back.
    connect(splitField_, &QLineEdit::textEdited, this, &CTrakorDlg::splitFieldEdited);
    connect(filterField_, &QLineEdit::textEdited, this, &CTrakorDlg::filterFieldEdited);
    connect(driveBox_, &QComboBox::currentIndexChanged, this, &CTrakorDlg::driveChosen);
    connect(driveBox_, &QComboBox::currentIndexChanged, this, &CTrakorDlg::applyOptionRules);
    connect(browse_, &QPushButton::clicked, this, &CTrakorDlg::browseForInput);
    connect(fromGps_, &QPushButton::clicked, this, &CTrakorDlg::chooseFromGps);
    connect(saveAs_, &QPushButton::clicked, this, &CTrakorDlg::saveAs);
    connect(convert_, &QPushButton::clicked, this, &CTrakorDlg::convertNow);
    connect(preview_, &QPushButton::clicked, this, &CTrakorDlg::previewNow);
    connect(preferences_, &QPushButton::clicked, this, &CTrakorDlg::showPreferences);
    connect(language_, &QPushButton::clicked, this, &CTrakorDlg::showLanguage);
    connect(about_, &QPushButton::clicked, this, &CTrakorDlg::showAbout);
    connect(help_, &QPushButton::clicked, this, &CTrakorDlg::showHelp);
    connect(clipboard_, &QPushButton::clicked, this, &CTrakorDlg::openClipboardDialog);
    connect(quit_, &QPushButton::clicked, this, &CTrakorDlg::reject);
}

void CTrakorDlg::applyOptionRules() {
    const ConversionRequest request = gatherRequest();
    for (const gdbtext::OptionText& o : gdbtext::Options) {
        QAbstractButton* b = options_->button(o.option);
        const KeyedMessage* why = optionRefusal(request, o.option);
        b->setEnabled(why == nullptr);
        b->setToolTip(why == nullptr ? QString() : uiText(ui_.ctx, UiText{why->key, why->english, 256}));
    }
    QAbstractButton* wanted = options_->button(wantedOption_);
    QAbstractButton* now = options_->checkedButton();
    QAbstractButton* pick = wanted != nullptr && wanted->isEnabled() ? wanted : now;
    if (pick == nullptr) return;  // no option chosen: none is put in
    if (!pick->isEnabled()) pick = options_->button(0);
    if (pick == now) return;
    pick->setChecked(true);
    optionChange();
}

void CTrakorDlg::offerRecentFiles(const RecentFiles& recent) {
    const QFileInfo input(QString::fromStdString(recent.input));
    if (!recent.input.empty() && input.isFile())
        setSingleInput(input.filePath());
    else if (!recent.input.empty() && input.isDir())
        browseFolder_ = input.absoluteFilePath();
    const QFileInfo output(QString::fromStdString(recent.output));
    if (!recent.output.empty() && !output.isDir() && output.absoluteDir().exists()) {
        outputField_->setText(output.filePath());
        outputField_->setCursorPosition(static_cast<int>(output.filePath().size()));
    }
}

RecentFiles CTrakorDlg::recentFiles() const {
    RecentFiles r;
    const QString input = inputField_->text().trimmed();
    if (multipleInput_ && !inputList_.empty())
        r.input = QFileInfo(QString::fromStdString(inputList_.front())).absolutePath().toStdString();
    else if (!input.isEmpty())
        r.input = QFileInfo(input).absoluteFilePath().toStdString();
    const QString output = outputField_->text().trimmed();
    if (!output.isEmpty()) r.output = QFileInfo(output).absoluteFilePath().toStdString();
    return r;
}

void CTrakorDlg::setOutputControlsEnabled(bool on) {
    outputField_->setEnabled(on);
    saveAs_->setEnabled(on);
}

void CTrakorDlg::setFieldsEnabled(QLineEdit* field, const std::array<QLabel*, 4>& labels, bool on) {
    field->setEnabled(on);
    for (QLabel* l : labels) l->setEnabled(on);
}

void CTrakorDlg::optionChange() {
    Settings& s = ui_.ctx.settings;
    if (options_->checkedId() >= 0) s.Mode = options_->checkedId();
    int option = s.Mode;

    for (QWidget* w : std::initializer_list<QWidget*>{splitFilterGroup_, split_, splitField_, filter_, filterField_,
                                                      saveRoute_, saveTrack_})
        w->hide();
    for (QLabel* l : splitLabels_) l->hide();
    for (QLabel* l : filterLabels_) l->hide();

    if (isTrackResult(option) || isRouteResult(option)) {
        bool track = isTrackResult(option);
        for (QWidget* w : std::initializer_list<QWidget*>{splitFilterGroup_, split_, splitField_, filter_, filterField_})
            w->show();
        SplitFilterFields f = splitFilterFieldsFor(s, option);
        if (s.Splittype == 1) splitLabels_[track ? 1 : 0]->show();
        if (s.Splittype == 2) splitLabels_[track ? 3 : 2]->show();
        if (s.Filtertype == 1) filterLabels_[track ? 1 : 0]->show();
        if (s.Filtertype == 2) filterLabels_[2]->show();
        if (s.Filtertype == 3) filterLabels_[3]->show();
        if (f.splitSetting != nullptr) ui_.ctx.run.splitValue = s.*f.splitSetting;
        if (f.filterSetting != nullptr) ui_.ctx.run.filterValue = s.*f.filterSetting;
        setFieldNumber(splitField_, f.splitField);
        setFieldNumber(filterField_, f.filterField);
    }
    if (option >= 11 && option <= 15) saveRoute_->show();
    if (option >= 21 && option <= 24) saveTrack_->show();

    splitBoxStep();
    filterBoxStep();
}

void CTrakorDlg::splitBoxStep() {
    ui_.ctx.settings.Split = split_->isChecked() ? 1 : 0;
    setFieldsEnabled(splitField_, splitLabels_, split_->isChecked());
}

void CTrakorDlg::filterBoxStep() {
    ui_.ctx.settings.Filter = filter_->isChecked() ? 1 : 0;
    setFieldsEnabled(filterField_, filterLabels_, filter_->isChecked());
}

void CTrakorDlg::splitFieldEdited() {
    Settings& s = ui_.ctx.settings;
    storeSplitField(s, s.Mode, fieldNumber(splitField_));
    SplitFilterFields f = splitFilterFieldsFor(s, s.Mode);
    if (f.splitSetting != nullptr) ui_.ctx.run.splitValue = s.*f.splitSetting;
}

void CTrakorDlg::filterFieldEdited() {
    Settings& s = ui_.ctx.settings;
    storeFilterField(s, s.Mode, fieldNumber(filterField_));
    SplitFilterFields f = splitFilterFieldsFor(s, s.Mode);
    if (f.filterSetting != nullptr) ui_.ctx.run.filterValue = s.*f.filterSetting;
}

void CTrakorDlg::outputTargetChange() {
    Settings& s = ui_.ctx.settings;
    bool edge = s.EdgeSupport == 1;
    targets_->button(3)->setVisible(edge);
    targets_->button(4)->setVisible(edge);
    driveBox_->setVisible(edge);
    if (!edge && (s.OutputOption == 3 || s.OutputOption == 4 || targets_->checkedId() > 2)) {
        s.OutputOption = 2;
        targets_->button(2)->setChecked(true);
    }
    setOutputControlsEnabled(false);
    driveBox_->setEnabled(false);
    overwrite_->hide();

    switch (targets_->checkedId()) {
    case 1:
        if (!overwriteInput_) setOutputControlsEnabled(true);
        if (inputIsGdb_) overwrite_->show();
        s.OutputOption = 1;
        break;
    case 2:
        if (inputIsGdb_) overwrite_->show();
        s.OutputOption = 2;
        break;
    case 3:
    case 4:
        overwrite_->setChecked(false);
        overwriteInput_ = false;
        s.OutputOption = targets_->checkedId();
        driveBox_->setEnabled(s.OutputOption == 4);
        break;
    default:
        break;
    }
}

void CTrakorDlg::inputFieldChange() {
    overwrite_->hide();
    overwrite_->setChecked(false);
    overwriteInput_ = false;
    inputIsGdb_ = false;
    const Settings& s = ui_.ctx.settings;
    if (s.OutputOption == 1) setOutputControlsEnabled(true);
    if (endsWithGdb(inputField_->text())) {
        inputIsGdb_ = true;
        if (s.OutputOption == 1 || s.OutputOption == 2) overwrite_->show();
    }
}

// Typing over the "<folder>/..." of several chosen files makes the typed name the one input.
void CTrakorDlg::inputFieldEdited() {
    if (!multipleInput_) return;
    multipleInput_ = false;
    inputList_.clear();
    countLabel_->hide();
    applyOptionRules();
}

void CTrakorDlg::overwriteBoxClicked() {
    setOutputControlsEnabled(true);
    overwriteInput_ = overwrite_->isChecked();
    if (overwriteInput_ && isReadOnly(inputField_->text().toStdString())) {
        tell(ui_.ctx, uimsg::InputReadOnly.key, uimsg::InputReadOnly.english, MsgStyle::Warning);
        setOutputControlsEnabled(true);
        overwrite_->setChecked(false);
        overwriteInput_ = false;
    }
    const Settings& s = ui_.ctx.settings;
    if (s.OutputOption == 2 || (s.OutputOption == 1 && overwriteInput_)) setOutputControlsEnabled(false);
}

void CTrakorDlg::edgeBoxClicked() {
    Settings& s = ui_.ctx.settings;
    s.EdgeSupport = edge_->isChecked() ? 1 : 0;
    saveEdgeSupport(s, ui_.store);
    outputTargetChange();
}


void CTrakorDlg::setSingleInput(const QString& path) {
    multipleInput_ = false;
    inputField_->setText(path);
    inputField_->setCursorPosition(static_cast<int>(path.size()));
    countLabel_->hide();
}

void CTrakorDlg::takeInputFiles(const QStringList& files, bool checkExisting) {
    if (files.isEmpty()) return;
    if (checkExisting) {
        for (const QString& f : files) {
            if (!QFileInfo::exists(f)) {
                tell(ui_.ctx, uimsg::FileNotFound.key, uimsg::FileNotFound.english, MsgStyle::Warning, f.toUtf8().constData());
                return;
            }
        }
    }
    multipleInput_ = false;
    if (files.size() == 1) {
        setSingleInput(files.front());
        return;
    }
    std::vector<std::string> list;
    list.reserve(static_cast<size_t>(files.size()));
    for (const QString& f : files) list.push_back(f.toStdString());
    inputList_ = std::move(list);
    inputField_->setText(QFileInfo(files.front()).absolutePath() + QStringLiteral("/..."));
    countLabel_->setText(QString::asprintf(gdbtext::InputCount, static_cast<unsigned>(files.size())));
    countLabel_->show();
    multipleInput_ = true;
    applyOptionRules();
}

QString inputFolder(const QString& inputField, const QString& remembered) {
    // A batch shows "folder/..."; a single input its own path.
    const QFileInfo field(inputField.trimmed());
    if (!inputField.trimmed().isEmpty() && field.absoluteDir().exists()) return field.absolutePath();
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir()) return remembered;
    return QDir::homePath();
}

QString suggestedOutput(const QString& input, const QString& output) {
    if (!output.isEmpty() || input.isEmpty()) return output;
    const QFileInfo in(input);
    // The result never takes the input's own name: a GDB input suggests a GPX file.
    const QString suffix = in.suffix().compare(QStringLiteral("gdb"), Qt::CaseInsensitive) == 0 ? QStringLiteral("gpx")
                                                                                               : QStringLiteral("gdb");
    return in.absoluteDir().filePath(in.completeBaseName() + QLatin1Char('.') + suffix);
}

void CTrakorDlg::browseForInput() {
    if (!busy_) chooseInput();
}

void CTrakorDlg::chooseInput() {
    // The desktop's own dialog where the platform has one (through the portal in a sandbox).
    QFileDialog dialog(this, uiText(ui_.ctx, uimsg::SelectInput));
    dialog.setOption(QFileDialog::DontUseNativeDialog, false);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(withCapitals(kInputFilters).split(QStringLiteral(";;")));
    dialog.setDirectory(inputFolder(inputField_->text(), browseFolder_));
    if (dialog.exec() != QDialog::Accepted) return;
    takeInputFiles(dialog.selectedFiles(), true);
}

void CTrakorDlg::saveAs() {
    if (!busy_) chooseOutput();
}

void CTrakorDlg::chooseOutput() {
    QFileDialog dialog(this, uiText(ui_.ctx, uimsg::SelectOutput));
    dialog.setOption(QFileDialog::DontUseNativeDialog, false);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(withCapitals(kOutputFilters).split(QStringLiteral(";;")));
    dialog.setDefaultSuffix(QStringLiteral("gdb"));
    // Start where the output field points: its folder, with its name chosen; an empty field
    // suggests a name beside the input.
    QFileInfo current(suggestedOutput(multipleInput_ ? QString() : inputField_->text().trimmed(), outputField_->text().trimmed()));
    if (!current.filePath().isEmpty() && current.absoluteDir().exists()) {
        dialog.setDirectory(current.absolutePath());
        if (!current.fileName().isEmpty() && !current.isDir()) dialog.selectFile(current.fileName());
    }
    const QString suffix = current.suffix().toLower();
    if (suffix == QStringLiteral("tcx") || suffix == QStringLiteral("gpx") || suffix == QStringLiteral("fit")) {
        for (const QString& f : dialog.nameFilters())
            if (f.left(3).toLower() == suffix) dialog.selectNameFilter(f);
        dialog.setDefaultSuffix(suffix);
    }
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
        dialog.setDefaultSuffix(f.left(3).toLower());
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    QString path = dialog.selectedFiles().front();
    outputField_->setText(path);
    outputField_->setCursorPosition(static_cast<int>(path.size()));
}

void CTrakorDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (!busy_ && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CTrakorDlg::dropEvent(QDropEvent* event) {
    if (busy_) return;
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) files << url.toLocalFile();
    if (files.isEmpty()) return;
    takeInputFiles(files, false);
    event->acceptProposedAction();
}

ConversionRequest CTrakorDlg::gatherRequest() const {
    const Settings& s = ui_.ctx.settings;
    ConversionRequest r;
    r.inputPath = inputField_->text().toStdString();
    r.multipleInput = multipleInput_;
    if (multipleInput_) r.inputList = inputList_;
    r.outputPath = outputField_->text().toStdString();
    r.outputTarget = outputTargetFor(s);
    r.option = s.Mode;
    r.overwriteInput = overwriteInput_;
    r.splitField = fieldNumber(splitField_);
    r.filterField = fieldNumber(filterField_);
    r.targetRoot = targetRoot_;
    r.device = pickedDevice();
    return r;
}

DriverCalls CTrakorDlg::callsWithBrowsing() {
    DriverCalls calls = ui_.calls;
    // The driver asks for a file when a field is empty; the file dialogs open above the locked window.
    calls.browseInput = [this](ConversionRequest& r) {
        chooseInput();
        ConversionRequest now = gatherRequest();
        r.inputPath = now.inputPath;
        r.multipleInput = now.multipleInput;
        r.inputList = now.inputList;
    };
    calls.browseOutput = [this](ConversionRequest& r) {
        chooseOutput();
        r.outputPath = outputField_->text().toStdString();
    };
    return calls;
}

void CTrakorDlg::setBusy(bool on) {
    busy_ = on;
    body_->setEnabled(!on);
    menuBar_->setEnabled(!on);
    for (QPushButton* b : {language_, about_, help_, preferences_, clipboard_, convert_, quit_}) b->setEnabled(!on);
    progress_->setVisible(on);
    if (on) progress_->setRange(0, 0);
}

int CTrakorDlg::runBusy(const std::function<int(Context&, const DriverCalls&, ConversionRequest&)>& action) {
    if (busy_ || !action) return -1;
    ConversionRequest request = gatherRequest();
    DriverCalls calls = callsWithBrowsing();
    addMapFallback(calls, request);

    // The bar follows every step; painting waits 50 ms between steps of the same percent, so a
    // batch moves on each file and the last step (100 %) is always shown.
    QElapsedTimer sincePaint;
    sincePaint.start();
    int paintedPercent = -1;
    // A batch run ends with what became of each file (the driver reports after each one).
    std::optional<BatchTally> tally;
    if (request.multipleInput) {
        std::vector<std::string> names;
        for (const std::string& path : request.inputList)
            names.push_back(QFileInfo(QString::fromStdString(path)).fileName().toStdString());
        tally.emplace(std::move(names));
    }
    auto previous = ui_.ctx.progress;
    ui_.ctx.progress = [this, &sincePaint, &paintedPercent, &tally](int done, int total) {
        if (tally && done > 0) tally->fileDone(static_cast<size_t>(done - 1), ui_.ctx.run);
        if (total <= 0) return;
        done = std::clamp(done, 0, total);
        progress_->setRange(0, total);
        progress_->setValue(done);
        const int percent = static_cast<int>(int64_t{done} * 100 / total);
        if (percent == paintedPercent && sincePaint.elapsed() < 50) return;
        paintedPercent = percent;
        sincePaint.restart();
        // Paint and timers only: clicks and keys wait until the conversion has ended.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    setBusy(true);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    int rc = action(ui_.ctx, calls, request);
    ui_.ctx.progress = previous;
    setBusy(false);
    if (!previewing_) rememberResult(rc, request);
    if (tally && tally->complete()) {
        showBatchEnd(this, ui_.ctx, *tally, ui_.ctx.paths.logFile, [this](const std::string& log) {
            if (ui_.openFile)
                ui_.openFile(log);
            else
                QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(log)));
        });
    }
    return rc;
}

int CTrakorDlg::convertNow() { return runBusy(ui_.convert); }

int CTrakorDlg::previewNow() {
    previewing_ = true;
    int rc = runBusy(ui_.view);
    previewing_ = false;
    return rc;
}

void CTrakorDlg::comeOnScreen() {
    if (testAttribute(Qt::WA_DontShowOnScreen)) {
        hide();
        setAttribute(Qt::WA_DontShowOnScreen, false);
        // Never on screen yet: its native window, made without a frame, is made afresh, so the
        // window manager puts the frame at the stored corner.
        const QPoint corner = pos();
        destroy();
        move(corner);
    }
    show();
}

void CTrakorDlg::openClipboardDialog() {
    if (busy_) return;
    Context& ctx = ui_.ctx;
    const bool atStart = std::exchange(waitForClipboard_, false);
    InstanceLock lock(ui_.lockFolder);
    InstanceLock::Result r = lock.acquire();
    if (r == InstanceLock::Result::Error) {
        tellLiteral(ctx, uimsg::MutexCaption, uimsg::MutexError, kStopStyle);
        if (atStart) comeOnScreen();
        return;
    }
    if (r == InstanceLock::Result::HeldElsewhere) {
        tell(ctx, uimsg::ClipboardOnce.key, uimsg::ClipboardOnce.english, MsgStyle::Warning);
        if (ctx.paths.clipboardFlag == 'C')
            done(QDialog::Rejected);
        else if (atStart)
            comeOnScreen();
        return;
    }
    takePosition(this, ctx.settings.LeftTrakor3Menu, ctx.settings.TopTrakor3Menu);
    hide();
    CClipboardDlg dialog(ui_, parentWidget());
    dialog.setObjectName(QStringLiteral("clipboardDialog"));
    dialog.exec();
    lock.release();
    if (dialog.quitRequested()) {
        done(QDialog::Rejected);
        return;
    }
    comeOnScreen();
    filter_->setChecked(ctx.settings.Filter == 1);
    optionChange();
}

void CTrakorDlg::showPreferences() {
    if (busy_) return;
    CPreferenceDlg dialog(ui_, this);
    dialog.exec();
    optionChange();
    outputTargetChange();
}

void CTrakorDlg::showLanguage() {
    if (busy_) return;
    CLanguageDlg dialog(ui_, this);
    dialog.exec();
    applyTexts();
    applyOptionRules();
    keepOnScreen();
}

void CTrakorDlg::keepOnScreen() {
    // New texts may need a larger window: it takes the size they want as far as the screen has
    // room, and comes back within the screen where it went past an edge.
    layout()->activate();
    fitToScreen(this);
}

void CTrakorDlg::showAbout() {
    if (busy_) return;
    CAboutDlg dialog(ui_.ctx, this);
    dialog.exec();
}

void CTrakorDlg::showHelp() {
    if (busy_) return;
    if (ui_.showHelp)
        ui_.showHelp(ui_.ctx);
    else
        reportUnavailable(ui_.ctx, "the help file");
}

void CTrakorDlg::reject() {
    if (busy_) return;
    if (!isMinimized()) takePosition(this, ui_.ctx.settings.LeftTrakor3Menu, ui_.ctx.settings.TopTrakor3Menu);
    QDialog::reject();
}

void CTrakorDlg::closeEvent(QCloseEvent* event) {
    if (busy_) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

}  // namespace trakor
