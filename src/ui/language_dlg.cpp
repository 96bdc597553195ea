// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/language_dlg.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/settings_io.h"
#include "ui/dialog_support.h"

namespace trakor {

CLanguageDlg::CLanguageDlg(UiServices& services, QWidget* parent)
    : QDialog(parent), ui_(services), remembered_(services.ctx.settings.Language), buttons_(new QButtonGroup(this)) {
    setObjectName(QStringLiteral("languageDialog"));
    const Context& ctx = ui_.ctx;
    bool keyed = ctx.settings.Language != 0;
    setWindowTitle(keyed ? uiText(ctx, lantext::Title) : QString::fromUtf8(lantext::Title.english));
    auto* group = new QGroupBox(keyed ? uiText(ctx, lantext::Group) : QString::fromUtf8(lantext::Group.english), this);
    auto* column = new QVBoxLayout(group);
    int current = ctx.settings.Language == 0 ? 1 : ctx.settings.Language;
    for (int i = 1; i <= 9; ++i) {
        auto* b = new QRadioButton(QString::fromUtf8(lantext::Names[i - 1]), group);
        b->setObjectName(QStringLiteral("language%1").arg(i));
        buttons_->addButton(b, i);
        column->addWidget(b);
        if (i == current) b->setChecked(true);
    }
    QList<QAbstractButton*> all = buttons_->buttons();
    assignMnemonics(all);
    // Arrow keys only move the focus; Space, Enter or a click chooses.
    for (QAbstractButton* b : all) b->installEventFilter(this);
    tabToCheckedButton(buttons_);
    // The list is narrower than the title bar needs for its title.
    group->setMinimumWidth(titleBarWidth(this));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(buttons_, &QButtonGroup::idClicked, this, &CLanguageDlg::choose);
}

bool CLanguageDlg::eventFilter(QObject* watched, QEvent* event) {
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (button == nullptr || event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    const QList<QAbstractButton*> all = buttons_->buttons();
    const auto at = static_cast<int>(all.indexOf(button));
    const auto count = static_cast<int>(all.size());
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Left:
        all[(at + count - 1) % count]->setFocus(Qt::BacktabFocusReason);
        return true;
    case Qt::Key_Down:
    case Qt::Key_Right:
        all[(at + 1) % count]->setFocus(Qt::TabFocusReason);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        button->click();
        return true;
    default:
        return QDialog::eventFilter(watched, event);
    }
}

void CLanguageDlg::choose(int language) {
    ui_.ctx.settings.Language = language;
    saveLanguage(ui_.ctx.settings, ui_.store);
    accept();
}

void CLanguageDlg::reject() {
    ui_.ctx.settings.Language = remembered_;
    QDialog::reject();
}

}  // namespace trakor
