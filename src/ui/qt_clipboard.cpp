// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace trakor {

namespace {
QString target(std::string_view format) { return QString::fromUtf8(format.data(), static_cast<qsizetype>(format.size())); }

const QMimeData* current() {
    QClipboard* board = QGuiApplication::clipboard();
    return board == nullptr ? nullptr : board->mimeData(QClipboard::Clipboard);
}
}  // namespace

bool QtClipboard::hasData() const {
    const QMimeData* data = current();
    return data != nullptr && !data->formats().isEmpty();
}

bool QtClipboard::hasFormat(std::string_view format) const {
    const QMimeData* data = current();
    return data != nullptr && data->hasFormat(target(format));
}

bool QtClipboard::get(std::string_view format, std::vector<uint8_t>& bytes) const {
    const QMimeData* data = current();
    if (data == nullptr || !data->hasFormat(target(format))) return false;
    QByteArray raw = data->data(target(format));
    bytes.assign(raw.begin(), raw.end());
    return true;
}

void QtClipboard::clear() {
    if (QClipboard* board = QGuiApplication::clipboard()) board->clear(QClipboard::Clipboard);
}

bool QtClipboard::set(std::string_view format, std::vector<uint8_t> bytes) {
    QClipboard* board = QGuiApplication::clipboard();
    if (board == nullptr) return false;
    auto* data = new QMimeData;
    data->setData(target(format), QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
    board->setMimeData(data, QClipboard::Clipboard);
    return true;
}

int convertSystemClipboard(Context& ctx, int destination, const ClipboardCalls& calls) {
    QtClipboard clipboard;
    return convertClipboard(ctx, clipboard, destination, calls);
}

}  // namespace trakor
