#include "ui/about_dlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialog_support.h"

namespace trakor {

namespace {
constexpr const char* kAuthorship = "Trakor3 for Linux\nFile converter for Garmin MapSource routes and tracks";
constexpr const char* kPortable = "Trakor3 is running now as portable application";
constexpr const char* kNative = "Trakor3 is running now as native application";
// Not translated: it names the people behind each language.
constexpr const char* kCredits =
    "Thanks to everyone who tested this program and reported what they found,\n"
    "and to the translators who made it speak their language:\n"
    "the Netherlands and Belgium (Nederlands), Germany, Austria and Switzerland\n"
    "(Deutsch), France (Français), Portugal and Brazil (Português), Italy\n"
    "(Italiano), Poland (Polski), Spain (Español) and Turkey (Türkçe).";
}  // namespace

CAboutDlg::CAboutDlg(const Context& ctx, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("aboutDialog"));
    setWindowTitle(ctx.settings.Language != 0 ? uiText(ctx, gdbtext::About) : QString::fromUtf8(gdbtext::About.english));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("programIcon"));
    setWindowIcon(programIcon());
    icon->setPixmap(programIcon().pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    auto* version = new QLabel(QStringLiteral("Trakor3 version %1").arg(QString::fromUtf8(kProgramVersion)), this);
    QFont bold = version->font();
    bold.setBold(true);
    version->setFont(bold);
    auto* authorship = new QLabel(QString::fromUtf8(kAuthorship), this);
    mode_ = new QLabel(QString::fromUtf8(ctx.paths.portable() ? kPortable : kNative), this);
    mode_->setObjectName(QStringLiteral("modeLine"));
    auto* credits = new QLabel(QString::fromUtf8(kCredits), this);
    credits->setFrameShape(QFrame::StyledPanel);
    credits->setMargin(6);
    credits->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* texts = new QVBoxLayout;
    texts->addWidget(version);
    texts->addWidget(authorship);
    texts->addSpacing(6);
    texts->addWidget(mode_);
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
