#include "ui/qt_notifier.h"

#include <QMessageBox>

namespace trakor {

Answer QtNotifier::notify(const std::string& key, const std::string& text, MsgStyle style) {
    QMessageBox box(owner_);
    box.setWindowTitle(QString::fromStdString(captionFor(appName_, key)));
    box.setText(QString::fromStdString(text));
    box.setTextFormat(Qt::PlainText);
    switch (style) {
    case MsgStyle::Warning:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MsgStyle::Question:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MsgStyle::QuestionCancel:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case MsgStyle::Plain:
    default:
        box.setIcon(QMessageBox::NoIcon);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        // A question closed without an answer counts as No (Cancel where there is one).
        if (style == MsgStyle::Question) return Answer::No;
        if (style == MsgStyle::QuestionCancel) return Answer::Cancel;
        return Answer::Ok;
    }
}

}  // namespace trakor
