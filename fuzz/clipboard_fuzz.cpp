// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard conversion on arbitrary clipboard data; the first byte picks the route and track
// options and whether the rest is a whole block or an image to be wrapped in one.
#include <cstring>

#include "clipboard/clipboard_conversion.h"
#include "fuzz/fuzz_context.h"
#include "gdb/file_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trakor;
    static const int kRouteOptions[] = {3, 11, 12};
    static const int kTrackOptions[] = {22, 23, 24};
    if (size < 1) return 0;
    Context& ctx = fuzz::freshContext();
    ctx.settings.CBmode_r = kRouteOptions[data[0] % 3];
    ctx.settings.CBmode_t = kTrackOptions[(data[0] / 3) % 3];
    ctx.settings.Filter_CBR = ctx.settings.Filter_CBT = (data[0] >> 4) & 1;
    ctx.settings.Filtersize_r = ctx.settings.Filtersize_t = 5;
    ctx.settings.RemovalGlitches = (data[0] >> 5) & 1;
    std::span<const uint8_t> rest(data + 1, size - 1);
    MemoryClipboard clipboard;
    clipboard.add(kGarminClipboardFormat, (data[0] & 0x80) ? std::vector<uint8_t>(rest.begin(), rest.end())
                                                            : makeBlock(rest));
    // Option 3 would hand the result to MapSource: the clipboard destination is kept here.
    ClipboardCalls calls;
    calls.openInMapSource = [](Context&) { return 1; };
    ctx.paths.workGdb.clear();
    if (convertClipboard(ctx, clipboard, kDestinationClipboard, calls) != kClipboardDone) return 0;

    // The result is a block of whole records up to the end record, and is not converted again.
    std::vector<uint8_t> block;
    std::span<const uint8_t> image;
    if (!clipboard.get(kGarminClipboardFormat, block) || !blockImage(block, image)) __builtin_trap();
    // Header as the pass frames it: 13 lead bytes, the creator record, then the creator name.
    if (image.size() < 18) __builtin_trap();
    const uint32_t creator = image[13] | image[14] << 8 | image[15] << 16 | static_cast<uint32_t>(image[16]) << 24;
    size_t pos = 18 + static_cast<size_t>(creator);
    if (pos > image.size() || image.size() - pos < 8 || std::memcmp(&image[pos], "Trakor3", 8) != 0) __builtin_trap();
    pos += 8;
    RecordView rec;
    char last = 0;
    while (nextRecord(image.data(), image.size(), pos, rec)) last = rec.type;
    if (pos != image.size() || last != 'V') __builtin_trap();
    if (convertClipboard(ctx, clipboard, kDestinationClipboard, calls) != kClipboardRefused) __builtin_trap();
    return 0;
}
