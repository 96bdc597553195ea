// SPDX-License-Identifier: GPL-3.0-or-later
// The main dialog's controls, their layout and their texts.
#include "ui/trakor_dlg.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>
#include <utility>

#include "platform/mount_watcher.h"
#include "ui/dialog_support.h"
#include "ui/reflow_columns.h"

namespace trakor {

namespace {
QLabel* fieldLabel(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

// Hidden controls keep their room so the window does not jump as options change.
void keepRoomWhenHidden(QWidget* w) {
    QSizePolicy p = w->sizePolicy();
    p.setRetainSizeWhenHidden(true);
    w->setSizePolicy(p);
}
}  // namespace

CTrakorDlg::CTrakorDlg(UiServices& services, QWidget* parent) : QDialog(parent), ui_(services) {
    setObjectName(QStringLiteral("mainDialog"));
    setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    setWindowIcon(programIcon());
    buildLayout();
    initialise();
    connectControls();
    offerRecentFiles(loadRecentFiles(services.store));
    applyOptionRules();
    watchMounts();
}

CTrakorDlg::~CTrakorDlg() = default;

void CTrakorDlg::buildLayout() {
    buildMenus();
    body_ = new QWidget(this);
    buildInputGroup();
    buildOutputGroup();
    buildOptionsGroup();
    auto* bodyLayout = new QVBoxLayout(body_);
    bodyLayout->setContentsMargins(0, 0, 0, 0);
    bodyLayout->addWidget(inputGroup_);
    bodyLayout->addWidget(outputGroup_);
    bodyLayout->addWidget(optionsGroup_, 1);

    // The body scrolls where the screen is smaller than the window wants to be (large scale
    // factors); the button row below it always stays in view.
    auto* scroller = new FittingScrollArea(this);
    scroller->setObjectName(QStringLiteral("bodyScroller"));
    scroller->setContent(body_);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(menuBar_);
    layout->addWidget(scroller, 1);
    layout->addLayout(buildButtonRow());

    // Creation order gives the tab order; the list box of targets is reached by arrow keys.
    setAcceptDrops(true);
}

void CTrakorDlg::buildMenus() {
    menuBar_ = new QMenuBar(this);
    helpMenu_ = menuBar_->addMenu(QString());
    helpAction_ = helpMenu_->addAction(QString());
    helpAction_->setShortcut(QKeySequence::HelpContents);
    connect(helpAction_, &QAction::triggered, this, &CTrakorDlg::showHelp);
    helpMenu_->addSeparator();
    aboutAction_ = helpMenu_->addAction(QString());
    connect(aboutAction_, &QAction::triggered, this, &CTrakorDlg::showAbout);
    buildMapMenu();
}

void CTrakorDlg::buildInputGroup() {
    inputGroup_ = new QGroupBox(body_);
    inputField_ = new QLineEdit(inputGroup_);
    inputField_->setObjectName(QStringLiteral("inputField"));
    inputField_->setMinimumWidth(360);
    countLabel_ = fieldLabel(inputGroup_, "countLabel");
    browse_ = new QPushButton(inputGroup_);
    browse_->setObjectName(QStringLiteral("browseButton"));
    fromGps_ = new QPushButton(inputGroup_);
    fromGps_->setObjectName(QStringLiteral("fromGpsButton"));
    preview_ = new QPushButton(inputGroup_);
    preview_->setObjectName(QStringLiteral("previewButton"));
    auto* inputRow = new QHBoxLayout(inputGroup_);
    inputRow->addWidget(inputField_, 1);
    inputRow->addWidget(countLabel_);
    inputRow->addWidget(browse_);
    inputRow->addWidget(fromGps_);
    inputRow->addWidget(preview_);
}

void CTrakorDlg::buildOutputGroup() {
    outputGroup_ = new QGroupBox(body_);
    targets_ = new QButtonGroup(this);
    const char* targetNames[] = {"targetFile", "targetMapSource", "targetTrainingCenter", "targetGps"};
    auto* targetRow = new QHBoxLayout;
    for (int i = 1; i <= 4; ++i) {
        auto* b = new QRadioButton(outputGroup_);
        b->setObjectName(QString::fromLatin1(targetNames[i - 1]));
        targets_->addButton(b, i);
        targetRow->addWidget(b);
    }
    targets_->button(2)->setText(QString::fromUtf8(gdbtext::MapSource));
    targets_->button(3)->setText(QString::fromUtf8(gdbtext::TrainingCenter));
    targets_->button(4)->setText(QString::fromUtf8(gdbtext::Gps));
    driveBox_ = new QComboBox(outputGroup_);
    driveBox_->setObjectName(QStringLiteral("driveBox"));
    driveBox_->setMinimumContentsLength(24);
    driveBox_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    targetRow->addWidget(driveBox_);
    overwrite_ = new QCheckBox(outputGroup_);
    overwrite_->setObjectName(QStringLiteral("overwriteBox"));
    edge_ = new QCheckBox(QString::fromUtf8(gdbtext::EdgeSupport), outputGroup_);
    edge_->setObjectName(QStringLiteral("edgeBox"));
    auto* boxRow = new QHBoxLayout;
    boxRow->addStretch(1);
    boxRow->addWidget(overwrite_);
    boxRow->addSpacing(12);
    boxRow->addWidget(edge_);
    // The rows are as tall with the drive box hidden as with it shown.
    for (QHBoxLayout* row : {targetRow, boxRow}) row->addStrut(driveBox_->sizeHint().height());
    // The check boxes beside the targets where the window is wide enough, else below them.
    auto* targetRows = new ReflowColumns;
    targetRows->addColumn(targetRow);
    targetRows->addColumn(boxRow);
    outputField_ = new QLineEdit(outputGroup_);
    outputField_->setObjectName(QStringLiteral("outputField"));
    saveAs_ = new QPushButton(outputGroup_);
    saveAs_->setObjectName(QStringLiteral("saveAsButton"));
    auto* outputRow = new QHBoxLayout;
    outputRow->addWidget(outputField_, 1);
    outputRow->addWidget(saveAs_);
    auto* outputColumn = new QVBoxLayout(outputGroup_);
    outputColumn->addLayout(targetRows);
    outputColumn->addLayout(outputRow);
}

// Processing options: via point and track conversions on the left, route conversions and the
// split and filter group on the right.
void CTrakorDlg::buildOptionsGroup() {
    optionsGroup_ = new QGroupBox(body_);
    options_ = new QButtonGroup(this);
    for (QLabel*& h : headings_) {
        h = new QLabel(optionsGroup_);
        QFont f = h->font();
        f.setBold(true);
        h->setFont(f);
    }
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    auto addOption = [&](int option, QVBoxLayout* into) {
        auto* b = new QRadioButton(optionsGroup_);
        b->setObjectName(QStringLiteral("option%1").arg(option));
        options_->addButton(b, option);
        into->addWidget(b);
    };
    addOption(0, left);
    left->addWidget(headings_[0]);
    for (int o : {1, 2, 3, 4}) addOption(o, left);
    left->addSpacing(6);
    right->addWidget(headings_[1]);
    for (int o : {11, 12, 13, 14, 15}) addOption(o, right);
    saveRoute_ = new QCheckBox(optionsGroup_);
    saveRoute_->setObjectName(QStringLiteral("saveRoute"));
    keepRoomWhenHidden(saveRoute_);
    right->addWidget(saveRoute_);
    left->addWidget(headings_[2]);
    for (int o : {21, 22, 23, 24}) addOption(o, left);
    saveTrack_ = new QCheckBox(optionsGroup_);
    saveTrack_->setObjectName(QStringLiteral("saveTrack"));
    keepRoomWhenHidden(saveTrack_);
    left->addWidget(saveTrack_);
    left->addStretch(1);
    // Side by side where the window is wide enough, else the route column below the others.
    auto* optionColumns = new ReflowColumns(optionsGroup_);
    optionColumns->setObjectName(QStringLiteral("optionColumns"));
    optionColumns->addColumn(left);
    optionColumns->addColumn(right);

    // The route column is the shorter one: the group fills its lower part, so showing and hiding
    // it moves nothing else.
    buildSplitFilterGroup();
    right->addSpacing(6);
    right->addWidget(splitFilterGroup_);
    right->addStretch(1);
}

// Split and filter: one label of four is shown beside each field.
void CTrakorDlg::buildSplitFilterGroup() {
    splitFilterGroup_ = new QGroupBox(optionsGroup_);
    keepRoomWhenHidden(splitFilterGroup_);
    split_ = new QCheckBox(splitFilterGroup_);
    split_->setObjectName(QStringLiteral("splitBox"));
    splitField_ = new QLineEdit(splitFilterGroup_);
    splitField_->setObjectName(QStringLiteral("splitField"));
    limitToDigits(splitField_, 4);
    const char* splitNames[] = {"splitLengthRoute", "splitLengthTrack", "splitSizeRoute", "splitSizeTrack"};
    for (size_t i = 0; i < 4; ++i) splitLabels_[i] = fieldLabel(splitFilterGroup_, splitNames[i]);
    filter_ = new QCheckBox(splitFilterGroup_);
    filter_->setObjectName(QStringLiteral("filterBox"));
    filterField_ = new QLineEdit(splitFilterGroup_);
    filterField_->setObjectName(QStringLiteral("filterField"));
    limitToDigits(filterField_, 4);
    for (QLineEdit* field : {splitField_, filterField_}) fitNumberField(field, 9999);
    const char* filterNames[] = {"filterRoute", "filterTrack", "filterPercent", "filterDirection"};
    for (size_t i = 0; i < 4; ++i) filterLabels_[i] = fieldLabel(splitFilterGroup_, filterNames[i]);
    auto* sfGrid = new QGridLayout(splitFilterGroup_);
    sfGrid->addWidget(split_, 0, 0);
    sfGrid->addWidget(splitField_, 0, 1);
    for (QLabel* l : splitLabels_) sfGrid->addWidget(l, 0, 2);
    sfGrid->addWidget(filter_, 1, 0);
    sfGrid->addWidget(filterField_, 1, 1);
    for (QLabel* l : filterLabels_) sfGrid->addWidget(l, 1, 2);
    sfGrid->setColumnStretch(2, 1);
    // Every control of the group keeps its room, so the group is as tall whichever option shows it.
    for (QWidget* w : std::initializer_list<QWidget*>{split_, splitField_, filter_, filterField_}) keepRoomWhenHidden(w);
    for (QLabel* l : splitLabels_) keepRoomWhenHidden(l);
    for (QLabel* l : filterLabels_) keepRoomWhenHidden(l);
}

// Buttons, outside the body so the progress bar among them stays lit while the body is locked.
QHBoxLayout* CTrakorDlg::buildButtonRow() {
    language_ = new QPushButton(this);
    language_->setObjectName(QStringLiteral("languageButton"));
    about_ = new QPushButton(QString::fromUtf8(gdbtext::About.english), this);
    about_->setObjectName(QStringLiteral("aboutButton"));
    help_ = new QPushButton(this);
    help_->setObjectName(QStringLiteral("helpButton"));
    preferences_ = new QPushButton(this);
    preferences_->setObjectName(QStringLiteral("preferencesButton"));
    clipboard_ = new QPushButton(this);
    clipboard_->setObjectName(QStringLiteral("clipboardButton"));
    convert_ = new QPushButton(this);
    convert_->setObjectName(QStringLiteral("convertButton"));
    quit_ = new QPushButton(this);
    quit_->setObjectName(QStringLiteral("quitButton"));
    for (QPushButton* b : {browse_, preview_, saveAs_, language_, about_, help_, preferences_, clipboard_, quit_})
        b->setAutoDefault(false);
    convert_->setDefault(true);

    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(language_);
    buttonRow->addWidget(about_);
    buttonRow->addWidget(help_);
    buttonRow->addWidget(preferences_);
    buttonRow->addWidget(clipboard_);
    // While a conversion runs the progress bar takes the free room of the row.
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->hide();
    buttonRow->addSpacing(12);
    buttonRow->addWidget(progress_, 1);
    buttonRow->addStretch(0);
    buttonRow->addWidget(showResult_);
    buttonRow->addWidget(convert_);
    buttonRow->addWidget(quit_);
    return buttonRow;
}

void CTrakorDlg::setVisible(bool visible) {
    // The first time on screen the window takes the size it wants, within the screen's room.
    const bool first = visible && !std::exchange(fitted_, true);
    if (first) fitBeforeShowing(this);
    QDialog::setVisible(visible);
    if (first) fitToScreen(this);
}

void CTrakorDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CTrakorDlg::applyTexts() {
    refreshDrives();
    const Context& ctx = ui_.ctx;
    setWindowTitle(mainTitle(ctx));
    browse_->setText(uiText(ctx, gdbtext::Browse));
    fromGps_->setText(uiText(ctx, gdbtext::FromGps));
    saveAs_->setText(uiText(ctx, gdbtext::SaveAs));
    convert_->setText(uiText(ctx, gdbtext::Convert));
    preferences_->setText(uiText(ctx, gdbtext::Preferences));
    help_->setText(uiText(ctx, gdbtext::Help));
    helpMenu_->setTitle(QStringLiteral("&") + uiText(ctx, gdbtext::Help).remove(u'&'));
    helpAction_->setText(uiText(ctx, gdbtext::Help));
    preview_->setText(uiText(ctx, gdbtext::Preview));
    clipboard_->setText(uiText(ctx, gdbtext::ToClipboard));
    about_->setText(uiText(ctx, gdbtext::About));
    quit_->setText(uiText(ctx, gdbtext::Quit));
    inputGroup_->setTitle(uiText(ctx, gdbtext::InputGroup));
    outputGroup_->setTitle(uiText(ctx, gdbtext::OutputGroup));
    optionsGroup_->setTitle(uiText(ctx, gdbtext::OptionsGroup));
    splitFilterGroup_->setTitle(uiText(ctx, gdbtext::SplitFilterGroup));
    headings_[0]->setText(uiText(ctx, gdbtext::ViaHeading));
    headings_[1]->setText(uiText(ctx, gdbtext::RouteHeading));
    saveRoute_->setText(uiText(ctx, gdbtext::SaveRoute));
    headings_[2]->setText(uiText(ctx, gdbtext::TrackHeading));
    saveTrack_->setText(uiText(ctx, gdbtext::SaveTrack));
    // Long option texts wrap, so two columns of them fit a 1280-pixel screen in every language.
    const int optionWidth = fontMetrics().averageCharWidth() * 72;
    for (const gdbtext::OptionText& o : gdbtext::Options) {
        QAbstractButton* b = options_->button(o.option);
        b->setText(wrapText(uiText(ctx, o.text), b->fontMetrics(), optionWidth));
    }
    overwrite_->setText(uiText(ctx, gdbtext::Overwrite));
    targets_->button(1)->setText(uiText(ctx, gdbtext::TargetFile));
    split_->setText(uiText(ctx, gdbtext::Split));
    const char* unit = ctx.settings.milesMode == 1 ? "mi" : "km";
    splitLabels_[0]->setText(uiTextWith(ctx, gdbtext::SplitLengthRoute, unit));
    splitLabels_[1]->setText(uiTextWith(ctx, gdbtext::SplitLengthTrack, unit));
    splitLabels_[2]->setText(uiText(ctx, gdbtext::SplitSizeRoute));
    splitLabels_[3]->setText(uiText(ctx, gdbtext::SplitSizeTrack));
    filter_->setText(uiText(ctx, gdbtext::Filter));
    filterLabels_[0]->setText(uiText(ctx, gdbtext::FilterRoute));
    filterLabels_[1]->setText(uiText(ctx, gdbtext::FilterTrack));
    filterLabels_[2]->setText(uiText(ctx, gdbtext::FilterPercent));
    filterLabels_[3]->setText(uiText(ctx, gdbtext::FilterDirection));
    language_->setText(ctx.settings.Language == 0 ? QString::fromUtf8(gdbtext::OtherLanguage) : uiText(ctx, lantext::Title));
    aboutAction_->setText(uiText(ctx, abouttext::MenuItem));

    // Keyboard access: buttons first, then the boxes, so the buttons get their first letters; the
    // Help menu's letter belongs to the menu alone.
    // Every button and box gets a key; the target radios take what letters are left.
    const QString menuKey = QString(mnemonicOf(helpMenu_->title())) + mapMenuKey(mnemonicOf(helpMenu_->title()));
    // The product name cannot change its letters by language: it chooses before the boxes.
    QList<QAbstractButton*> keyed{convert_,   quit_,  browse_,   saveAs_, preview_, preferences_, help_,
                                  clipboard_, about_, language_, edge_,   overwrite_, split_,    filter_,
                                  saveRoute_, saveTrack_, showResult_, fromGps_};
    assignMnemonics(keyed, menuKey);
    assignMnemonics(keyed + targets_->buttons(), menuKey);
}

void CTrakorDlg::refreshDrives() {
    if (!ui_.scanDrives) return;
    const std::string kept = targetRoot_;
    drives_ = ui_.scanDrives(ui_.ctx);
    fillDriveBox(kept);
}

void CTrakorDlg::watchMounts() {
    if (ui_.mountTable.empty()) return;
    mountWatcher_ = std::make_unique<MountWatcher>(ui_.mountTable);
    auto check = [this] {
        if (!busy_ && mountWatcher_->changed(0)) refreshDrives();
    };
    if (mountWatcher_->fd() >= 0) {
        auto* notifier = new QSocketNotifier(mountWatcher_->fd(), QSocketNotifier::Exception, this);
        connect(notifier, &QSocketNotifier::activated, this, check);
    }
    // The kernel signals mount changes; a slow poll also covers tables that never signal.
    auto* timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, check);
    timer->start(2000);
}

bool endsWithGdb(const QString& path) { return path.endsWith(QStringLiteral(".gdb"), Qt::CaseInsensitive); }

}  // namespace trakor
