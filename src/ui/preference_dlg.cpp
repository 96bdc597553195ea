// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/preference_dlg.h"

#include <utility>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/driver.h"
#include "core/settings_io.h"
#include "core/gpx_names.h"
#include "ui/dialog_support.h"
#include "ui/reflow_columns.h"
#include "ui/spin_field.h"

namespace trakor {

namespace {
int32_t fieldValue(const QString& text) { return static_cast<int32_t>(std::min<uint32_t>(fieldNumber(text), INT32_MAX)); }
int32_t fieldValue(const QLineEdit* f) { return fieldValue(f->text()); }
int32_t fieldValue(const SpinField* f) { return fieldValue(f->cleanText()); }

QRadioButton* addRadio(QButtonGroup* group, int id, QWidget* parent, QLayout* into, const char* name) {
    auto* b = new QRadioButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    group->addButton(b, id);
    into->addWidget(b);
    return b;
}
}  // namespace

bool isValidPrefix(const QString& field) {
    if (field.isEmpty()) return false;
    char16_t c = field.at(0).unicode();
    return (c >= 33 && c <= 47) || (c >= 58 && c <= 126);
}

CPreferenceDlg::CPreferenceDlg(UiServices& services, QWidget* parent)
    : QDialog(parent), ui_(services), rememberedSymbol_(services.ctx.settings.WaypointSymbol) {
    setObjectName(QStringLiteral("preferenceDialog"));
    buildLayout();
    fillFromSettings();
    applyTexts();
}

void CPreferenceDlg::buildLayout() {
    // Groups on a page of their own, which scrolls where the screen is too small for it.
    auto* page = new QWidget(this);
    buildAdditionalGroup(page);
    buildMethodGroups(page);
    buildOption15Group(page);
    buildSymbolGroup(page);
    buildEdgeGroup(page);

    // Two pairs of columns, each side by side where the width allows, else one below the other.
    auto* methods = new ReflowColumns;
    methods->addColumn(filterGroup_);
    methods->addColumn(splitGroup_);
    auto* left = new QVBoxLayout;
    left->addWidget(additionalGroup_);
    left->addLayout(methods);
    left->addWidget(option15Group_);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(symbolGroup_);
    right->addWidget(edgeGroup_);
    right->addStretch(1);
    auto* columns = new ReflowColumns(page);
    columns->setObjectName(QStringLiteral("preferenceColumns"));
    columns->setContentsMargins(0, 0, 0, 0);
    columns->addColumn(left);
    columns->addColumn(right);
    auto* scroller = new FittingScrollArea(this);
    scroller->setContent(page);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(scroller, 1);
    layout->addWidget(buildButtons());

    connect(coursePoints_, &QCheckBox::clicked, this, [this](bool on) { ui_.ctx.settings.CoursePoints = on ? 1 : 0; });
    connect(table_, &QPushButton::clicked, this, [this] {
        if (ui_.openSymbolTable)
            ui_.openSymbolTable(ui_.ctx);
        else
            reportUnavailable(ui_.ctx, "opening the symbol table in MapSource");
    });
}

void CPreferenceDlg::buildAdditionalGroup(QWidget* page) {
    additionalGroup_ = new QGroupBox(page);
    glitches_ = new QCheckBox(additionalGroup_);
    glitches_->setObjectName(QStringLiteral("removalGlitches"));
    removalLabel_ = new QLabel(additionalGroup_);
    removalDistance_ = new SpinField(additionalGroup_);
    removalDistance_->setObjectName(QStringLiteral("removalDistance"));
    removalLabel_->setBuddy(removalDistance_);
    removalUnit_ = new QLabel(additionalGroup_);
    waypointPriority_ = new QCheckBox(additionalGroup_);
    waypointPriority_->setObjectName(QStringLiteral("waypointPriority"));
    gpxRoutes_ = new QCheckBox(additionalGroup_);
    gpxRoutes_->setObjectName(QStringLiteral("gpxRoutes"));
    auto* addGrid = new QGridLayout(additionalGroup_);
    addGrid->addWidget(glitches_, 0, 0, 1, 3);
    addGrid->addWidget(removalLabel_, 1, 0);
    addGrid->addWidget(removalDistance_, 1, 1);
    addGrid->addWidget(removalUnit_, 1, 2);
    addGrid->addWidget(waypointPriority_, 2, 0, 1, 3);
    addGrid->addWidget(gpxRoutes_, 3, 0, 1, 3);
    addGrid->setColumnStretch(0, 1);
}

void CPreferenceDlg::buildMethodGroups(QWidget* page) {
    filterGroup_ = new QGroupBox(page);
    filterType_ = new QButtonGroup(this);
    auto* filterColumn = new QVBoxLayout(filterGroup_);
    addRadio(filterType_, 1, filterGroup_, filterColumn, "filterPoints");
    addRadio(filterType_, 2, filterGroup_, filterColumn, "filterPercent");
    addRadio(filterType_, 3, filterGroup_, filterColumn, "filterDirection");
    splitGroup_ = new QGroupBox(page);
    splitType_ = new QButtonGroup(this);
    auto* splitColumn = new QVBoxLayout(splitGroup_);
    addRadio(splitType_, 1, splitGroup_, splitColumn, "splitLength");
    addRadio(splitType_, 2, splitGroup_, splitColumn, "splitPoints");
}

void CPreferenceDlg::buildOption15Group(QWidget* page) {
    option15Group_ = new QGroupBox(page);
    extraLabel_ = new QLabel(option15Group_);
    extraDistance_ = new SpinField(option15Group_);
    extraDistance_->setObjectName(QStringLiteral("extraDistance"));
    extraLabel_->setBuddy(extraDistance_);
    maxPointsLabel_ = new QLabel(option15Group_);
    maximumPoints_ = new SpinField(option15Group_);
    maximumPoints_->setObjectName(QStringLiteral("maximumPoints"));
    maxPointsLabel_->setBuddy(maximumPoints_);
    auto* o15Grid = new QGridLayout(option15Group_);
    o15Grid->addWidget(extraLabel_, 0, 0);
    o15Grid->addWidget(extraDistance_, 0, 1);
    o15Grid->addWidget(maxPointsLabel_, 1, 0);
    o15Grid->addWidget(maximumPoints_, 1, 1);
    o15Grid->setColumnStretch(0, 1);
}

void CPreferenceDlg::buildSymbolGroup(QWidget* page) {
    symbolGroup_ = new QGroupBox(page);
    symbolLabel_ = new QLabel(symbolGroup_);
    // The symbols by Garmin's names, as GPX files write them: no symbol table program needed.
    symbol_ = new QComboBox(symbolGroup_);
    symbol_->setObjectName(QStringLiteral("waypointSymbol"));
    for (int code = 0; code < kWaypointSymbolSlots; ++code)
        if (const std::string_view name = waypointSymbolName(code); !name.empty())
            symbol_->addItem(QStringLiteral("%1  %2").arg(code).arg(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))), code);
    symbolLabel_->setBuddy(symbol_);
    symbolHint_ = new QLabel(symbolGroup_);
    symbolHint_->setObjectName(QStringLiteral("symbolHint"));
    table_ = new QPushButton(symbolGroup_);
    table_->setObjectName(QStringLiteral("tableButton"));
    table_->setAutoDefault(false);
    table_->hide();  // the list names every symbol
    prefixLabel_ = new QLabel(symbolGroup_);
    prefix_ = new QLineEdit(symbolGroup_);
    prefix_->setObjectName(QStringLiteral("prefix"));
    prefix_->setMaxLength(1);
    prefix_->setMaximumWidth(40);
    prefixLabel_->setBuddy(prefix_);
    auto* symGrid = new QGridLayout(symbolGroup_);
    symGrid->addWidget(symbolLabel_, 0, 0);
    symGrid->addWidget(symbol_, 0, 1);
    symGrid->addWidget(table_, 0, 2);
    symGrid->addWidget(symbolHint_, 1, 0, 1, 3);
    symGrid->addWidget(prefixLabel_, 2, 0);
    symGrid->addWidget(prefix_, 2, 1);
    symGrid->setColumnStretch(0, 1);
}

// Edge/Forerunner course options.
void CPreferenceDlg::buildEdgeGroup(QWidget* page) {
    edgeGroup_ = new QGroupBox(page);
    coursePoints_ = new QCheckBox(edgeGroup_);
    coursePoints_->setObjectName(QStringLiteral("coursePoints"));
    courseTurn_ = new QLineEdit(edgeGroup_);
    courseTurn_->setObjectName(QStringLiteral("courseTurn"));
    limitToDigits(courseTurn_, 3);
    fitNumberField(courseTurn_, 180);
    turnUnit_ = new QLabel(edgeGroup_);
    speedLabel_ = new QLabel(edgeGroup_);
    averageSpeed_ = new SpinField(edgeGroup_);
    averageSpeed_->setObjectName(QStringLiteral("averageSpeed"));
    speedLabel_->setBuddy(averageSpeed_);
    useFileTimes_ = new QCheckBox(edgeGroup_);
    useFileTimes_->setObjectName(QStringLiteral("useFileTimes"));
    warningLabel_ = new QLabel(edgeGroup_);
    turnWarnings_ = new QLineEdit(edgeGroup_);
    turnWarnings_->setObjectName(QStringLiteral("turnWarnings"));
    limitToDigits(turnWarnings_, 1);
    fitNumberField(turnWarnings_, 9);
    warningLabel_->setBuddy(turnWarnings_);
    warningUnit_ = new QLabel(edgeGroup_);
    auto* edgeGrid = new QGridLayout(edgeGroup_);
    edgeGrid->addWidget(coursePoints_, 0, 0);
    edgeGrid->addWidget(courseTurn_, 0, 1);
    edgeGrid->addWidget(turnUnit_, 0, 2);
    edgeGrid->addWidget(speedLabel_, 1, 0);
    edgeGrid->addWidget(averageSpeed_, 1, 1);
    edgeGrid->addWidget(useFileTimes_, 2, 0, 1, 3);
    edgeGrid->addWidget(warningLabel_, 3, 0);
    edgeGrid->addWidget(turnWarnings_, 3, 1);
    edgeGrid->addWidget(warningUnit_, 3, 2);
    edgeGrid->setColumnStretch(0, 1);
}

QDialogButtonBox* CPreferenceDlg::buildButtons() {
    ok_ = new QPushButton(this);
    ok_->setObjectName(QStringLiteral("okButton"));
    ok_->setDefault(true);
    cancel_ = new QPushButton(this);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(ok_, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel_, QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    return buttons;
}

void CPreferenceDlg::fillFromSettings() {
    const Settings& s = ui_.ctx.settings;
    bool miles = s.milesMode == 1;
    glitches_->setChecked(s.RemovalGlitches == 1);
    removalDistance_->setLimits(2, 0, miles ? 30 : 9);
    removalDistance_->setValue((miles ? metresToFeet(s.RemovalDistance) : s.RemovalDistance) / 10);
    waypointPriority_->setChecked(s.WaypointPriority == 1);
    gpxRoutes_->setChecked(s.GpxRoutes == 1);
    if (QAbstractButton* b = filterType_->button(s.Filtertype)) b->setChecked(true);
    if (QAbstractButton* b = splitType_->button(s.Splittype)) b->setChecked(true);
    extraDistance_->setLimits(2, 1, miles ? 60 : 99);
    extraDistance_->setValue(miles ? kmToMiles(s.ExtraDistance) : s.ExtraDistance);
    maximumPoints_->setLimits(2, 2, 99);
    maximumPoints_->setValue(s.MaximumPoints);
    // A stored code without a name stays selectable as its number.
    if (symbol_->findData(s.WaypointSymbol) < 0) symbol_->insertItem(0, QString::number(s.WaypointSymbol), s.WaypointSymbol);
    symbol_->setCurrentIndex(symbol_->findData(s.WaypointSymbol));
    prefix_->setText(s.Prefix > 0 && s.Prefix < 0x10000 ? QString(QChar(static_cast<char16_t>(s.Prefix))) : QString());
    coursePoints_->setChecked(s.CoursePoints == 1);
    courseTurn_->setText(QString::number(s.CourseTurn));
    averageSpeed_->setLimits(2, 1, miles ? 60 : 99);
    averageSpeed_->setValue(miles ? kmToMiles(s.AverageSpeed) : s.AverageSpeed);
    useFileTimes_->setChecked(s.UseFileTimes == 1);
    turnWarnings_->setText(QString::number(s.TurnWarnings));
}

void CPreferenceDlg::applyTexts() {
    const Context& ctx = ui_.ctx;
    bool english = ctx.settings.Language == 0;
    bool miles = ctx.settings.milesMode == 1;
    setWindowTitle(uiText(ctx, prftext::Title));
    glitches_->setText(uiText(ctx, prftext::RemovalGlitches));
    removalLabel_->setText(uiText(ctx, prftext::RemovalDistance));
    removalUnit_->setText(QString::fromLatin1(english ? (miles ? "ft." : "m.") : (miles ? "ft" : "m")));
    waypointPriority_->setText(uiText(ctx, prftext::WaypointPriority));
    gpxRoutes_->setText(uiText(ctx, prftext::GpxRoutes));
    filterGroup_->setTitle(uiText(ctx, prftext::FilterGroup));
    filterType_->button(1)->setText(uiText(ctx, prftext::FilterPoints));
    filterType_->button(2)->setText(uiText(ctx, prftext::FilterPercent));
    filterType_->button(3)->setText(uiText(ctx, prftext::FilterDirection));
    splitGroup_->setTitle(uiText(ctx, prftext::SplitGroup));
    splitType_->button(1)->setText(uiText(ctx, prftext::SplitLength));
    splitType_->button(2)->setText(uiText(ctx, prftext::SplitPoints));
    option15Group_->setTitle(uiText(ctx, prftext::Option15Group));
    extraLabel_->setText(uiTextWith(ctx, prftext::ExtraDistance, english ? (miles ? "mi." : "km.") : (miles ? "mi" : "km")));
    maxPointsLabel_->setText(uiText(ctx, prftext::MaximumPoints));
    symbolGroup_->setTitle(uiText(ctx, prftext::SymbolGroup));
    symbolLabel_->setText(uiText(ctx, prftext::WaypointSymbol));
    // The names stay Garmin's in every language: a translated name would match neither the GPX
    // files nor MapSource. The label says so in the user's language.
    symbolHint_->setText(uiText(ctx, prftext::SymbolNames) + u'\n' + uiText(ctx, prftext::SymbolHint));
    symbol_->setToolTip(uiText(ctx, prftext::SymbolNames));
    prefixLabel_->setText(uiText(ctx, prftext::Prefix));
    table_->setText(uiText(ctx, prftext::Table));
    coursePoints_->setText(uiText(ctx, prftext::CoursePoints));
    turnUnit_->setText(english ? QStringLiteral("degrees") : QString(QChar(0x00B0)));
    speedLabel_->setText(uiTextWith(ctx, prftext::AverageSpeed, miles ? "mph" : "km/h"));
    useFileTimes_->setText(uiText(ctx, prftext::UseFileTimes));
    additionalGroup_->setTitle(uiText(ctx, prftext::AdditionalGroup));
    edgeGroup_->setTitle(uiText(ctx, prftext::EdgeGroup));
    warningLabel_->setText(uiText(ctx, prftext::TurnWarnings));
    warningUnit_->setText(english ? QStringLiteral("sec") : QStringLiteral("s"));
    ok_->setText(QStringLiteral("OK"));
    cancel_->setText(uiText(ctx, prftext::Cancel));
    assignMnemonics({glitches_, waypointPriority_, gpxRoutes_, filterType_->button(1), filterType_->button(2),
                     filterType_->button(3), splitType_->button(1), splitType_->button(2), table_, coursePoints_,
                     useFileTimes_, ok_, cancel_});
}

bool CPreferenceDlg::takeValues() {
    Settings& s = ui_.ctx.settings;
    bool miles = s.milesMode == 1;
    s.RemovalGlitches = glitches_->isChecked() ? 1 : 0;
    // A field shows its setting rounded to its unit: one the user left alone keeps the stored
    // value, so OK after OK does not round it again and again.
    int32_t removal = fieldValue(removalDistance_);
    if (removalDistance_->edited()) s.RemovalDistance = miles ? feetToMetres(removal * 10) : removal * 10;
    s.WaypointPriority = waypointPriority_->isChecked() ? 1 : 0;
    s.GpxRoutes = gpxRoutes_->isChecked() ? 1 : 0;
    s.CoursePoints = coursePoints_->isChecked() ? 1 : 0;
    s.UseFileTimes = useFileTimes_->isChecked() ? 1 : 0;
    if (filterType_->checkedId() > 0) s.Filtertype = filterType_->checkedId();
    if (splitType_->checkedId() > 0) s.Splittype = splitType_->checkedId();
    int32_t extra = fieldValue(extraDistance_);
    s.ExtraDistance = std::max(1, !extraDistance_->edited() ? s.ExtraDistance : miles ? milesToKm(extra) : extra);
    s.MaximumPoints = std::max(2, fieldValue(maximumPoints_));
    int32_t speed = fieldValue(averageSpeed_);
    s.AverageSpeed = std::max(1, !averageSpeed_->edited() ? s.AverageSpeed : miles ? milesToKm(speed) : speed);
    s.CourseTurn = std::clamp(fieldValue(courseTurn_), 1, 180);
    s.TurnWarnings = fieldValue(turnWarnings_);

    if (!isValidPrefix(prefix_->text())) {
        tell(ui_.ctx, uimsg::InvalidPrefix.key, uimsg::InvalidPrefix.english, MsgStyle::Plain);
        prefix_->setFocus();
        prefix_->selectAll();
        return false;
    }
    s.Prefix = prefix_->text().at(0).unicode();
    s.WaypointSymbol = symbol_->currentData().toInt();
    if (s.WaypointSymbol != rememberedSymbol_)
        tell(ui_.ctx, uimsg::SymbolChanged.key, uimsg::SymbolChanged.english, MsgStyle::Plain);
    savePreferences(s, ui_.store);
    return true;
}

void CPreferenceDlg::accept() {
    if (takeValues()) QDialog::accept();
}

void CPreferenceDlg::showEvent(QShowEvent* event) {
    if (!std::exchange(fitted_, true)) fitToScreen(this);
    QDialog::showEvent(event);
}

}  // namespace trakor
