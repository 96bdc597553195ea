// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/clipboard_dlg.h"

#include <utility>

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <climits>

#include "ui/dialog_support.h"

namespace trakor {

namespace {
int32_t asSetting(uint32_t v) { return static_cast<int32_t>(std::min<uint32_t>(v, INT32_MAX)); }
uint32_t asField(int32_t v) { return v < 0 ? 0u : static_cast<uint32_t>(v); }
bool validFilter(int32_t v) { return v >= 2 && v <= 9999; }

QLineEdit* filterField(QWidget* parent, const char* name) {
    auto* f = new QLineEdit(parent);
    f->setObjectName(QString::fromLatin1(name));
    limitToDigits(f, 4);
    fitNumberField(f, 9999);
    return f;
}
}  // namespace

CClipboardDlg::CClipboardDlg(UiServices& services, QWidget* parent) : QDialog(parent), ui_(services) {
    setObjectName(QStringLiteral("clipboardDialog"));
    routeGroup_ = new QGroupBox(this);
    routeOptions_ = new QButtonGroup(this);
    auto* routeGrid = new QGridLayout(routeGroup_);
    int row = 0;
    for (int option : {3, 11, 12}) {
        auto* b = new QRadioButton(routeGroup_);
        b->setObjectName(QStringLiteral("route%1").arg(option));
        routeOptions_->addButton(b, option);
        routeGrid->addWidget(b, row++, 0, 1, 3);
    }
    routeFilter_ = new QCheckBox(routeGroup_);
    routeFilter_->setObjectName(QStringLiteral("routeFilter"));
    routeField_ = filterField(routeGroup_, "routeField");
    routeLabel_ = new QLabel(routeGroup_);
    routeLabel_->setBuddy(routeField_);
    routeGrid->addWidget(routeFilter_, row, 0);
    routeGrid->addWidget(routeField_, row, 1);
    routeGrid->addWidget(routeLabel_, row, 2);
    routeGrid->setColumnStretch(2, 1);

    trackGroup_ = new QGroupBox(this);
    trackOptions_ = new QButtonGroup(this);
    auto* trackGrid = new QGridLayout(trackGroup_);
    row = 0;
    for (int option : {22, 23, 24}) {
        auto* b = new QRadioButton(trackGroup_);
        b->setObjectName(QStringLiteral("track%1").arg(option));
        trackOptions_->addButton(b, option);
        trackGrid->addWidget(b, row++, 0, 1, 3);
    }
    trackFilter_ = new QCheckBox(trackGroup_);
    trackFilter_->setObjectName(QStringLiteral("trackFilter"));
    trackField_ = filterField(trackGroup_, "trackField");
    trackLabel24_ = new QLabel(trackGroup_);
    trackLabel24_->setObjectName(QStringLiteral("trackLabel24"));
    trackLabel22_ = new QLabel(trackGroup_);
    trackLabel22_->setObjectName(QStringLiteral("trackLabel22"));
    trackGrid->addWidget(trackFilter_, row, 0);
    trackGrid->addWidget(trackField_, row, 1);
    trackGrid->addWidget(trackLabel24_, row, 2);
    trackGrid->addWidget(trackLabel22_, row, 2);
    trackGrid->setColumnStretch(2, 1);
    // Hidden filter controls keep their room so the window does not jump between options.
    for (QWidget* w : std::initializer_list<QWidget*>{routeFilter_, routeField_, routeLabel_, trackFilter_, trackField_}) {
        QSizePolicy p = w->sizePolicy();
        p.setRetainSizeWhenHidden(true);
        w->setSizePolicy(p);
    }

    toClipboard_ = new QPushButton(this);
    toClipboard_->setObjectName(QStringLiteral("toClipboard"));
    toMapSource_ = new QPushButton(this);
    toMapSource_->setObjectName(QStringLiteral("toMapSource"));
    menu_ = new QPushButton(this);
    menu_->setObjectName(QStringLiteral("menuButton"));
    quitButton_ = new QPushButton(this);
    quitButton_->setObjectName(QStringLiteral("quitButton"));
    toClipboard_->setDefault(true);
    for (QPushButton* b : {toMapSource_, menu_, quitButton_}) b->setAutoDefault(false);
    showOnMap_ = new QPushButton(this);
    showOnMap_->setObjectName(QStringLiteral("showOnMap"));
    showOnMap_->setAutoDefault(false);
    showOnMap_->hide();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(toClipboard_);
    buttons->addWidget(toMapSource_);
    buttons->addWidget(showOnMap_);
    buttons->addStretch(1);
    buttons->addWidget(menu_);
    buttons->addWidget(quitButton_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(routeGroup_);
    layout->addWidget(trackGroup_);
    layout->addLayout(buttons);

    const Settings& s = ui_.ctx.settings;
    restorePosition(this, s.LeftClipboardMenu, s.TopClipboardMenu);
    if (QAbstractButton* b = routeOptions_->button(s.CBmode_r)) b->setChecked(true);
    if (QAbstractButton* b = trackOptions_->button(s.CBmode_t)) b->setChecked(true);
    routeFilter_->setChecked(s.Filter_CBR == 1);
    trackFilter_->setChecked(s.Filter_CBT == 1);
    optionChange();
    filterChange();
    applyTexts();

    connect(routeOptions_, &QButtonGroup::idClicked, this, &CClipboardDlg::optionChange);
    connect(trackOptions_, &QButtonGroup::idClicked, this, &CClipboardDlg::optionChange);
    connect(routeFilter_, &QCheckBox::clicked, this, &CClipboardDlg::filterChange);
    connect(trackFilter_, &QCheckBox::clicked, this, &CClipboardDlg::filterChange);
    // Only the user's edits are taken; values put in by the dialog itself are not echoed back.
    connect(routeField_, &QLineEdit::textEdited, this, &CClipboardDlg::routeFieldEdited);
    connect(trackField_, &QLineEdit::textEdited, this, &CClipboardDlg::trackFieldEdited);
    connect(toClipboard_, &QPushButton::clicked, this, [this] { convertTo(0); });
    connect(toMapSource_, &QPushButton::clicked, this, [this] { convertTo(1); });
    connect(showOnMap_, &QPushButton::clicked, this, &CClipboardDlg::showOnMap);
    connect(menu_, &QPushButton::clicked, this, &CClipboardDlg::accept);
    connect(quitButton_, &QPushButton::clicked, this, &CClipboardDlg::reject);
}

void CClipboardDlg::optionChange() {
    Settings& s = ui_.ctx.settings;
    if (routeOptions_->checkedId() > 0) s.CBmode_r = routeOptions_->checkedId();
    if (trackOptions_->checkedId() > 0) s.CBmode_t = trackOptions_->checkedId();

    bool routeTracks = s.CBmode_r == 11 || s.CBmode_r == 12;
    routeFilter_->setVisible(routeTracks);
    routeField_->setVisible(routeTracks);
    routeLabel_->setVisible(routeTracks);
    if (routeTracks) setFieldNumber(routeField_, asField(s.Filtersize_t));

    trackFilter_->setVisible(s.CBmode_t == 22 || s.CBmode_t == 24);
    trackField_->setVisible(s.CBmode_t == 22 || s.CBmode_t == 24);
    trackLabel22_->setVisible(s.CBmode_t == 22);
    trackLabel24_->setVisible(s.CBmode_t == 24);
    if (s.CBmode_t == 22) setFieldNumber(trackField_, asField(s.Filtersize_r));
    if (s.CBmode_t == 24) setFieldNumber(trackField_, asField(s.Filtersize_t));
}

void CClipboardDlg::filterChange() {
    Settings& s = ui_.ctx.settings;
    s.Filter_CBR = routeFilter_->isChecked() ? 1 : 0;
    s.Filter_CBT = trackFilter_->isChecked() ? 1 : 0;
    routeField_->setEnabled(s.Filter_CBR == 1);
    routeLabel_->setEnabled(s.Filter_CBR == 1);
    trackField_->setEnabled(s.Filter_CBT == 1);
    trackLabel22_->setEnabled(s.Filter_CBT == 1);
    trackLabel24_->setEnabled(s.Filter_CBT == 1);
}

void CClipboardDlg::routeFieldEdited() {
    Settings& s = ui_.ctx.settings;
    if (s.CBmode_r != 11 && s.CBmode_r != 12) return;
    uint32_t v = fieldNumber(routeField_);
    s.Filtersize_t = asSetting(v);
    if (s.CBmode_t == 24) setFieldNumber(trackField_, v);
}

void CClipboardDlg::trackFieldEdited() {
    Settings& s = ui_.ctx.settings;
    uint32_t v = fieldNumber(trackField_);
    if (s.CBmode_t == 22) {
        s.Filtersize_r = asSetting(v);
    } else if (s.CBmode_t == 24) {
        s.Filtersize_t = asSetting(v);
        if (s.CBmode_r == 11 || s.CBmode_r == 12) setFieldNumber(routeField_, v);
    }
}

bool CClipboardDlg::convertTo(int destination) {
    optionChange();
    const Settings& s = ui_.ctx.settings;
    bool valid = true;
    if ((s.CBmode_r == 11 || s.CBmode_r == 12) && s.Filter_CBR == 1 && !validFilter(s.Filtersize_t)) valid = false;
    if (s.CBmode_t == 24 && s.Filter_CBT == 1 && !validFilter(s.Filtersize_t)) valid = false;
    if (s.CBmode_t == 22 && s.Filter_CBT == 1 && !validFilter(s.Filtersize_r)) valid = false;
    if (!valid) {
        tell(ui_.ctx, uimsg::FilterPoints.key, uimsg::FilterPoints.english, MsgStyle::Warning);
        return false;
    }
    if (!ui_.convertClipboard) {
        reportUnavailable(ui_.ctx, "clipboard conversion");
        return false;
    }
    std::vector<uint8_t> before = ui_.clipboardImage ? ui_.clipboardImage() : std::vector<uint8_t>();
    if (ui_.convertClipboard(ui_.ctx, destination) == 0) keepImages(destination, std::move(before));
    return true;
}

void CClipboardDlg::accept() {
    Settings& s = ui_.ctx.settings;
    takePosition(this, s.LeftClipboardMenu, s.TopClipboardMenu);
    QDialog::accept();
}

void CClipboardDlg::reject() {
    Settings& s = ui_.ctx.settings;
    if (!isMinimized()) takePosition(this, s.LeftClipboardMenu, s.TopClipboardMenu);
    quit_ = true;
    QDialog::reject();
}

void CClipboardDlg::applyTexts() {
    const Context& ctx = ui_.ctx;
    setWindowTitle(uiText(ctx, clptext::Title));
    routeGroup_->setTitle(uiText(ctx, clptext::RouteGroup));
    routeOptions_->button(3)->setText(uiText(ctx, clptext::Option3));
    routeOptions_->button(11)->setText(uiText(ctx, clptext::Option11));
    routeOptions_->button(12)->setText(uiText(ctx, clptext::Option12));
    routeFilter_->setText(uiText(ctx, clptext::RouteFilter));
    routeLabel_->setText(uiText(ctx, clptext::RouteFilterLabel));
    trackGroup_->setTitle(uiText(ctx, clptext::TrackGroup));
    trackOptions_->button(22)->setText(uiText(ctx, clptext::Option22));
    trackOptions_->button(23)->setText(uiText(ctx, clptext::Option23));
    trackOptions_->button(24)->setText(uiText(ctx, clptext::Option24));
    trackFilter_->setText(uiText(ctx, clptext::TrackFilter));
    trackLabel24_->setText(uiText(ctx, clptext::TrackFilterLabel24));
    trackLabel22_->setText(uiText(ctx, clptext::TrackFilterLabel22));
    toClipboard_->setText(uiText(ctx, clptext::ToClipboard));
    toMapSource_->setText(uiText(ctx, clptext::ToMapSource));
    menu_->setText(uiText(ctx, clptext::Menu));
    quitButton_->setText(uiText(ctx, clptext::Quit));
    // One set of keys for the whole dialog: buttons first, then the boxes.
    showOnMap_->setText(uiText(ui_.ctx, maptext::BeforeAfter));
    assignMnemonics({toClipboard_, toMapSource_, menu_, quitButton_, routeFilter_, trackFilter_, showOnMap_});
}

void CClipboardDlg::setVisible(bool visible) {
    const bool first = visible && !std::exchange(fitted_, true);
    if (first) fitBeforeShowing(this);
    QDialog::setVisible(visible);
    if (first) fitToScreen(this);
}

}  // namespace trakor
