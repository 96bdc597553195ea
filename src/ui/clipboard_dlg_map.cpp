// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard dialog and the map view: the clipboard's data before and after a conversion.
#include <QPushButton>

#include "gdb/stream.h"
#include "platform/whole_file.h"
#include "ui/clipboard_dlg.h"
#include "ui/dialog_support.h"
#include "view/map_view.h"
#include "view/tile_loader.h"

namespace trakor {

void CClipboardDlg::keepImages(int destination, std::vector<uint8_t> before) {
    std::vector<uint8_t> after;
    // To the clipboard: the result block is there now; to MapSource: it is the work GDB file.
    if (destination == 0) {
        if (ui_.clipboardImage) after = ui_.clipboardImage();
    } else {
        readWholeFile(ui_.ctx.paths.workGdb, after);
    }
    if (before.empty() || after.empty()) return;
    imageBefore_ = std::move(before);
    imageAfter_ = std::move(after);
    showOnMap_->show();
}

void CClipboardDlg::showOnMap() {
    view::MapModel before, after;
    if (view::readGdbModel(imageBefore_.data(), imageBefore_.size(), before) != view::kModelRead ||
        view::readGdbModel(imageAfter_.data(), imageAfter_.size(), after) != view::kModelRead)
        return;
    auto* w = new view::MapViewWindow(view::mapSettingsFile(ui_.ctx.paths), ui_.ctx.settings.milesMode != 0, this, &ui_.ctx);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->showComparison(before, after, uiText(ui_.ctx, maptext::ClipboardTitle));
    w->show();
}

}  // namespace trakor
