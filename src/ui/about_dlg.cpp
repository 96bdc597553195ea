// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/about_dlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialog_support.h"

namespace trakor {


CAboutDlg::CAboutDlg(const Context& ctx, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(ctx.settings.Language != 0 ? uiText(ctx, gdbtext::About) : QString::fromUtf8(gdbtext::About.english));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("programIcon"));
    setWindowIcon(programIcon());
    icon->setPixmap(programIcon().pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    auto* version = new QLabel(uiTextWith(ctx, abouttext::Version, kProgramVersion), this);
    QFont bold = version->font();
    bold.setBold(true);
    version->setFont(bold);
    auto* authorship = new QLabel(uiText(ctx, abouttext::ForLinux) + u'\n' + uiText(ctx, abouttext::Purpose), this);
    // Copyright and licence.
    auto* legal = new QLabel(uiText(ctx, abouttext::Copyright) + QLatin1Char('\n') + uiText(ctx, abouttext::Licence), this);
    legal->setObjectName(QStringLiteral("legalLines"));
    legal->setWordWrap(true);
    legal->setTextFormat(Qt::PlainText);
    mode_ = new QLabel(uiText(ctx, ctx.paths.portable() ? abouttext::Portable : abouttext::Native), this);
    mode_->setObjectName(QStringLiteral("modeLine"));
    auto* credits = new QLabel(uiText(ctx, abouttext::Thanks) + QLatin1Char('\n') + uiText(ctx, abouttext::Countries), this);
    credits->setFrameShape(QFrame::StyledPanel);
    credits->setMargin(6);
    credits->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* texts = new QVBoxLayout;
    texts->addWidget(version);
    texts->addWidget(authorship);
    texts->addSpacing(6);
    texts->addWidget(mode_);
    texts->addSpacing(6);
    texts->addWidget(legal);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(texts, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(credits);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString CAboutDlg::modeLine() const { return mode_->text(); }

}  // namespace trakor
