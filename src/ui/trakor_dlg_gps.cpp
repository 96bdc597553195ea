// "From GPS...": the recordings the connected unit offers, to pick inputs from.
#include <QDialog>
#include <QDialogButtonBox>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/driver_messages.h"
#include "course/device_recordings.h"
#include "ui/dialog_support.h"
#include "ui/trakor_dlg.h"
#include "ui/ui_texts.h"

namespace trakor {

void CTrakorDlg::chooseFromGps() {
    if (busy_) return;
    Context& ctx = ui_.ctx;
    const DetectedDevice& dev = drives_.device;
    if (!dev.connected) {
        say(ctx, dmsg::kNoGps);
        return;
    }
    std::vector<DeviceRecording> found;
    if (dev.description) found = listDeviceRecordings(dev.root, *dev.description);
    if (found.empty()) {
        tellLiteral(ctx, ctx.paths.appName.c_str(), uiText(ctx, uimsg::NoRecordings).toStdString(), MsgStyle::Plain);
        return;
    }
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("deviceFilesDialog"));
    dialog.setWindowTitle(uiText(ctx, uimsg::DeviceFiles));
    auto* list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("deviceFiles"));
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (const DeviceRecording& r : found) {
        auto* item = new QListWidgetItem(QString::fromStdString(recordingLine(r)), list);
        item->setData(Qt::UserRole, QString::fromStdString(r.path));
    }
    list->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Cancel)->setText(uiText(ctx, prftext::Cancel));
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(list);
    layout->addWidget(buttons);
    dialog.resize(640, 360);
    if (dialog.exec() != QDialog::Accepted) return;
    // Several picked files make a batch, as several browsed ones do.
    QStringList files;
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->isSelected()) files << list->item(i)->data(Qt::UserRole).toString();
    takeInputFiles(files, true);
}

}  // namespace trakor
