// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt_notifier.h"

#include <QMessageBox>

namespace trakor {

Answer QtNotifier::notify(const std::string& key, const std::string& text, MsgStyle style) {
    QMessageBox box(owner_);
    box.setWindowTitle(QString::fromStdString(captionFor(appName_, key)));
    box.setText(QString::fromStdString(text));
    box.setTextFormat(Qt::PlainText);
    // Styles by their message box values: stop 16, question 32, exclamation 48, information 64,
    // with OK/Cancel (1), Yes/No/Cancel (3) or Yes/No (4) buttons.
    const int value = static_cast<int>(style);
    switch (value & 0xF0) {
    case 16:
        box.setIcon(QMessageBox::Critical);
        break;
    case 32:
        box.setIcon(QMessageBox::Question);
        break;
    case 48:
        box.setIcon(QMessageBox::Warning);
        break;
    case 64:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    switch (value & 0x0F) {
    case 1:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case 3:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    case 4:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        // A question closed without an answer counts as No (Cancel where there is one).
        if ((value & 0x0F) == 4) return Answer::No;
        if ((value & 0x0F) == 1 || (value & 0x0F) == 3) return Answer::Cancel;
        return Answer::Ok;
    }
}

}  // namespace trakor
