// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/batch_end.h"

#include <QMessageBox>
#include <QPushButton>

namespace trakor {

void showBatchEnd(QWidget* owner, const Context& ctx, const BatchTally& tally, const std::string& logPath,
                  const std::function<void(const std::string&)>& openFile) {
    const UiText& key = tally.failures() > 0 ? runtext::BatchSomeFailed : runtext::BatchAllConverted;
    const UiText& logIs = runtext::LogFileIs;
    const std::string text = tally.summary(ctx) + "\n\n" + formatMessage(ctx, logIs.key, logIs.english, logIs.limit, logPath.c_str());
    QMessageBox box(owner);
    box.setObjectName(QStringLiteral("batchEnd"));
    box.setWindowTitle(QString::fromStdString(captionFor(ctx.paths.appName, key.key)));
    box.setIcon(tally.failures() > 0 ? QMessageBox::Warning : QMessageBox::Information);
    box.setText(QString::fromStdString(text));
    QPushButton* open = box.addButton(QString::fromStdString(messageText(ctx, runtext::OpenLog.key, runtext::OpenLog.english,
                                                                         runtext::OpenLog.limit)),
                                      QMessageBox::ActionRole);
    open->setObjectName(QStringLiteral("openLog"));
    box.addButton(QMessageBox::Ok);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    if (box.clickedButton() == open && openFile) openFile(logPath);
}

}  // namespace trakor
