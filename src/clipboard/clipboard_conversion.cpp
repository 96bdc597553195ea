// SPDX-License-Identifier: GPL-3.0-or-later
#include "clipboard/clipboard_conversion.h"

#include <memory>
#include <string_view>

#include "clipboard/clipboard_messages.h"
#include "core/context.h"
#include "core/file_names.h"
#include "course/companion_launcher.h"
#include "export/gpx_writer.h"
#include "gdb/stream.h"
#include "platform/atomic_file.h"
#include "platform/file_attributes.h"
#include "platform/instance_lock.h"

namespace trakor {

ClipboardCalls defaultClipboardCalls() {
    ClipboardCalls calls;
    auto launcher = std::make_shared<CompanionLauncher>(LaunchSetup::fromEnvironment(Environment::fromProcess()));
    calls.openInMapSource = [launcher](Context& ctx) { return launcher->openClipboardResult(ctx); };
    return calls;
}

bool blockImage(std::span<const uint8_t> block, std::span<const uint8_t>& image) {
    if (block.size() < 4) return false;
    const int32_t n = static_cast<int32_t>(static_cast<uint32_t>(block[0]) | static_cast<uint32_t>(block[1]) << 8 |
                                           static_cast<uint32_t>(block[2]) << 16 |
                                           static_cast<uint32_t>(block[3]) << 24);
    if (n < 0 || static_cast<size_t>(n) > block.size() - 4) return false;
    image = block.subspan(4, static_cast<size_t>(n));
    return true;
}

std::vector<uint8_t> makeBlock(std::span<const uint8_t> image) {
    MemoryStream block;
    writeInt32(block, static_cast<int32_t>(image.size()));
    block.write(image.data(), image.size());
    return std::move(block.bytes());
}

namespace {

// The work GDB file holds the image alone; it is left read-only. False when it cannot be written.
bool writeWorkGdb(Context& ctx, std::span<const uint8_t> image) {
    const std::string& path = ctx.paths.workGdb;
    if (path.empty()) return false;
    clearReadOnly(path);
    bool written = writeFileAtomically(
        path, std::string_view(reinterpret_cast<const char*>(image.data()), image.size()));
    setReadOnly(path);
    return written;
}

// Destinations 1 and 2: true when MapSource took the result.
bool handToMapSource(Context& ctx, Clipboard& clipboard, int destination, const ClipboardCalls& calls,
                     std::span<const uint8_t> image) {
    if (destination == kDestinationMapSourceForced) say(ctx, cmsg::kOption3ToMapSource);
    clipboard.clear();
    // The fixed work file is written and handed on under the lock of the Convert actions.
    FileLock lock(ctx.paths.workLock());
    if (!lock.path().empty()) lock.acquireWaiting(nullptr);
    if (!writeWorkGdb(ctx, image)) {
        say(ctx, dmsg::kWorkFile, ctx.paths.workGdb.c_str());
        return false;
    }
    if (!calls.openInMapSource) {
        say(ctx, dmsg::kUnavailable, "opening files in MapSource");
        return false;
    }
    return calls.openInMapSource(ctx) == 0;
}

}  // namespace

bool clipboardFiltersValid(Context& ctx) {
    const Settings& s = ctx.settings;
    auto valid = [](int32_t points) { return points >= 2 && points <= 9999; };
    bool ok = true;
    if ((s.CBmode_r == 11 || s.CBmode_r == 12) && s.Filter_CBR == 1) ok = valid(s.Filtersize_t);
    if (ok && s.CBmode_t == 24 && s.Filter_CBT == 1) ok = valid(s.Filtersize_t);
    if (ok && s.CBmode_t == 22 && s.Filter_CBT == 1) ok = valid(s.Filtersize_r);
    if (!ok) say(ctx, dmsg::kFilterPoints);
    return ok;
}

int convertClipboard(Context& ctx, Clipboard& clipboard, int destination, const ClipboardCalls& calls) {
    if (!clipboard.hasData()) {
        say(ctx, cmsg::kEmpty);
        return kClipboardRefused;
    }
    if (!clipboard.hasFormat(kGarminClipboardFormat)) {
        say(ctx, cmsg::kNoGarminData);
        return kClipboardRefused;
    }
    std::vector<uint8_t> block;
    if (!clipboard.get(kGarminClipboardFormat, block)) {
        say(ctx, cmsg::kAlreadyDone);
        return kClipboardRefused;
    }
    std::span<const uint8_t> image;
    if (!blockImage(block, image)) {
        say(ctx, cmsg::kDamaged);
        return kClipboardRefused;
    }

    ClipboardCounters counters;
    MemoryStream out;
    switch (convertClipboardImage(ctx, image, destination, counters, out)) {
        case kPassConverted: break;
        case kPassAlreadyConverted: say(ctx, cmsg::kAlreadyDone); return kClipboardRefused;
        case kPassNothingConverted: say(ctx, cmsg::kNothingConverted); return kClipboardRefused;
        case kPassOutOfMemory:
            tellLiteral(ctx, dmsg::kCaptionDone, dmsg::kMemoryError, MsgStyle::Warning);
            return kClipboardRefused;
        default: say(ctx, cmsg::kDamaged); return kClipboardRefused;
    }

    const std::span<const uint8_t> result(out.data(), static_cast<size_t>(out.size()));
    if (destination != kDestinationClipboard && handToMapSource(ctx, clipboard, destination, calls, result))
        return kClipboardDone;
    // The clipboard result: a new block under the same format replaces everything.
    clipboard.set(kGarminClipboardFormat, makeBlock(result));
    say(ctx, cmsg::kConverted, counters.routesConverted, counters.tracksConverted);
    return kClipboardDone;
}

int convertClipboardBlockFile(Context& ctx, const std::string& inPath, const std::string& outPath, int destination,
                              const ClipboardCalls& calls) {
    if (!clipboardFiltersValid(ctx)) return kClipboardRefused;
    std::vector<uint8_t> block;
    if (!readWholeFile(inPath, block)) {
        say(ctx, dmsg::kCannotOpenInput);
        return kClipboardFailed;
    }
    MemoryClipboard clipboard;
    clipboard.add(kGarminClipboardFormat, std::move(block));
    const int rc = convertClipboard(ctx, clipboard, destination, calls);
    if (rc != kClipboardDone || !clipboard.get(kGarminClipboardFormat, block)) return rc;
    // A result saved as GPX holds the block's GDB image in that form.
    std::span<const uint8_t> image;
    const bool asGpx = endsWith(lowerAscii(outPath), ".gpx");
    std::string error;
    if (asGpx ? !blockImage(block, image) || writeGpxFile(image.data(), image.size(), outPath) != kGpxWritten
              : !writeFileAtomically(outPath,
                                     std::string_view(reinterpret_cast<const char*>(block.data()), block.size()),
                                     &error)) {
        say(ctx, dmsg::kCannotOpenOutput);
        return kClipboardFailed;
    }
    return kClipboardDone;
}

}  // namespace trakor
