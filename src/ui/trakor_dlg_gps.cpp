// SPDX-License-Identifier: GPL-3.0-or-later
// The GPS unit in the main dialog: the drive box (detected units, a folder the user chose) and
// "From GPS...", the recordings the unit offers, to pick inputs from.
#include <QComboBox>
#include <QDir>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <filesystem>

#include "app/driver_messages.h"
#include "course/device_detection.h"
#include "course/device_recordings.h"
#include "ui/dialog_support.h"
#include "ui/trakor_dlg.h"
#include "ui/ui_texts.h"

namespace trakor {

QString driveLabel(const DriveEntry& e) {
    std::string folder = e.root;
    if (folder.empty() || e.text.rfind(folder, 0) != 0) return QString::fromStdString(e.text);
    QString what = QString::fromStdString(e.text.substr(folder.size())).trimmed();
    if (const qsizetype colon = what.indexOf(QStringLiteral(": ")); colon > 0)
        what = what.left(colon) + QStringLiteral(" \u2014 ") + what.mid(colon + 2);
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return what + QStringLiteral("  (") + QString::fromStdString(folder) + QLatin1Char(')');
}

void CTrakorDlg::fillDriveBox(const std::string& kept) {
    int pick = drives_.selected;
    for (size_t i = 0; i < drives_.entries.size(); ++i)
        if (!kept.empty() && drives_.entries[i].root == kept) pick = static_cast<int>(i);
    QSignalBlocker quiet(driveBox_);
    driveBox_->clear();
    for (const DriveEntry& e : drives_.entries) driveBox_->addItem(driveLabel(e));
    if (chosenDevice_.connected) {
        driveBox_->addItem(driveLabel(chosenDrive_));
        if (chosenDrive_.root == kept) pick = static_cast<int>(drives_.entries.size());
    }
    driveBox_->addItem(uiText(ui_.ctx, gpstext::OtherFolder));
    for (int i = 0; i < driveBox_->count(); ++i) driveBox_->setItemData(i, driveBox_->itemText(i), Qt::ToolTipRole);
    driveBox_->setCurrentIndex(pick);
    targetRoot_.clear();
    if (pick >= 0 && static_cast<size_t>(pick) < drives_.entries.size()) targetRoot_ = drives_.entries[pick].root;
    if (chosenDevice_.connected && static_cast<size_t>(pick) == drives_.entries.size()) targetRoot_ = chosenDrive_.root;
}

void CTrakorDlg::driveChosen(int index) {
    const size_t i = static_cast<size_t>(index);
    if (index < 0) return;
    if (i < drives_.entries.size()) {
        targetRoot_ = drives_.entries[i].root;
        drives_.selected = index;
    } else if (chosenDevice_.connected && i == drives_.entries.size()) {
        targetRoot_ = chosenDrive_.root;
    } else if (!chooseDriveFolder()) {
        fillDriveBox(targetRoot_);  // back to the entry picked before
    }
}

bool CTrakorDlg::chooseDriveFolder() {
    Context& ctx = ui_.ctx;
    const std::string start = targetRoot_.empty() ? QDir::homePath().toStdString() : targetRoot_;
    std::string folder;
    if (ui_.chooseDriveFolder)
        folder = ui_.chooseDriveFolder(start);
    else
        folder = QFileDialog::getExistingDirectory(this, uiText(ctx, gpstext::ChooseFolder), QString::fromStdString(start))
                     .toStdString();
    if (folder.empty()) return false;
    DetectedDevice dev = deviceAtFolder(folder);
    if (!dev.connected) {
        tell(ctx, gpstext::NoUnitThere.key, gpstext::NoUnitThere.english, MsgStyle::Warning, folder.c_str());
        return false;
    }
    const std::string root = dev.root.ends_with('/') ? dev.root : dev.root + "/";
    chosenDrive_ = {root, dev.deviceList.empty() ? root : dev.deviceList.front()};
    chosenDevice_ = std::move(dev);
    fillDriveBox(chosenDrive_.root);
    applyOptionRules();
    return true;
}

const DetectedDevice& CTrakorDlg::pickedDevice() const {
    const bool chosen = chosenDevice_.connected && driveBox_->currentIndex() == static_cast<int>(drives_.entries.size());
    return chosen ? chosenDevice_ : drives_.device;
}

void CTrakorDlg::chooseFromGps() {
    if (busy_) return;
    Context& ctx = ui_.ctx;
    const DetectedDevice& dev = pickedDevice();
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
    // Date, readable size, the activity's name and the file's whole name; the path as its tip.
    auto* list = new QTreeWidget(&dialog);
    list->setObjectName(QStringLiteral("deviceFiles"));
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setTextElideMode(Qt::ElideNone);
    list->setHeaderLabels({uiText(ctx, gpstext::Date), uiText(ctx, gpstext::Size), uiText(ctx, gpstext::Activity),
                           uiText(ctx, gpstext::File)});
    const QLocale locale;
    for (const DeviceRecording& r : found) {
        const QString path = QString::fromStdString(r.path);
        auto* item = new QTreeWidgetItem(list, {QString::fromStdString(recordingDate(r)),
                                                locale.formattedDataSize(static_cast<qint64>(r.size), 1, QLocale::DataSizeSIFormat),
                                                QString::fromStdString(r.name),
                                                QString::fromStdString(std::filesystem::path(r.path).filename().string())});
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setData(0, Qt::UserRole, path);
        item->setToolTip(3, path);
    }
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list->header()->setStretchLastSection(false);
    list->setCurrentItem(list->topLevelItem(0));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Cancel)->setText(uiText(ctx, prftext::Cancel));
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(list, &QTreeWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(list);
    layout->addWidget(buttons);
    dialog.resize(640, 360);
    if (dialog.exec() != QDialog::Accepted) return;
    // Several picked files make a batch, as several browsed ones do.
    QStringList files;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->isSelected()) files << list->topLevelItem(i)->data(0, Qt::UserRole).toString();
    takeInputFiles(files, true);
}

}  // namespace trakor
