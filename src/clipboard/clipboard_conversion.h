// SPDX-License-Identifier: GPL-3.0-or-later
// The clipboard conversion: takes MapSource's route and track data from the clipboard, converts
// it in memory and hands the result back on the clipboard or opens it in MapSource.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "clipboard/clipboard_pass.h"
#include "platform/clipboard.h"

namespace trakor {

struct Context;

// Results of a clipboard conversion; every outcome has been shown to the user.
constexpr int kClipboardDone = 0;     // the result is on the clipboard or opened in MapSource
constexpr int kClipboardRefused = 1;  // nothing converted; the clipboard is as it was
constexpr int kClipboardFailed = 2;   // a file could not be read or written

struct ClipboardCalls {
    // Opens the work GDB file in MapSource: 0 started, 1 not found (the user was told).
    // Empty: not part of this build; the result then stays on the clipboard.
    std::function<int(Context&)> openInMapSource;
};

// The calls of this build: MapSource through the companion launcher.
ClipboardCalls defaultClipboardCalls();

// A clipboard block is a 32-bit little-endian length n followed by an image of n bytes; a block
// may be longer than that (the system rounds its allocations). False when the length is negative
// or larger than what the block holds.
bool blockImage(std::span<const uint8_t> block, std::span<const uint8_t>& image);
// The block that carries an image.
std::vector<uint8_t> makeBlock(std::span<const uint8_t> image);

// The check of the convert buttons: every filter that is on must keep 2 to 9999 points; a
// value outside is shown ($MSG03) and false returned.
bool clipboardFiltersValid(Context& ctx);

// Converts the Garmin data on the clipboard; `destination` is kDestinationClipboard or
// kDestinationMapSource (work GDB file opened in MapSource; the clipboard is emptied). Option 3
// for routes always goes to MapSource. When MapSource cannot be started the result is put on the
// clipboard.
int convertClipboard(Context& ctx, Clipboard& clipboard, int destination, const ClipboardCalls& calls);

// The same for a clipboard block kept in a file, after the filter check of the convert buttons:
// the result block is written to `outPath` when it ends up on the clipboard (as GPX when
// `outPath` ends in ".gpx").
int convertClipboardBlockFile(Context& ctx, const std::string& inPath, const std::string& outPath, int destination,
                              const ClipboardCalls& calls);

}  // namespace trakor
