// SPDX-License-Identifier: GPL-3.0-or-later
// The system clipboard through Qt. A clipboard format name travels as a target of the same name
// (an X11 atom or a Wayland MIME type), which is how Wine offers MapSource's registered formats.
#pragma once

#include "clipboard/clipboard_conversion.h"
#include "platform/clipboard.h"

namespace trakor {

class QtClipboard : public Clipboard {
public:
    bool hasData() const override;
    bool hasFormat(std::string_view format) const override;
    bool get(std::string_view format, std::vector<uint8_t>& bytes) const override;
    void clear() override;
    bool set(std::string_view format, std::vector<uint8_t> bytes) override;
};

// The clipboard conversion on the system clipboard.
int convertSystemClipboard(Context& ctx, int destination, const ClipboardCalls& calls);

}  // namespace trakor
