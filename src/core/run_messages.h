// SPDX-License-Identifier: GPL-3.0-or-later
// The texts every conversion action shares (the driver and the clipboard
// conversion): key, built-in English text, style.
#pragma once

#include <string>

#include "core/messages.h"

namespace trakor {

namespace dmsg {
inline constexpr KeyedMessage kFilterPoints{"$MSG03", "Number of filter points is invalid.\nValid values are 2-9999.",
                                             MsgStyle::Warning};
inline constexpr KeyedMessage kCannotOpenInput{"$MSG15", "Cannot open input file.", MsgStyle::Warning};
inline constexpr KeyedMessage kCannotOpenOutput{
    "$MSG16",
    "Cannot open output file. Possible reasons:\n  - Output file is same file as input file\n  - Output file "
    "already exists and is read-only",
    MsgStyle::Warning};
inline constexpr KeyedMessage kWorkFile{"$MSG80", "Cannot create or write the work file:\n%s", MsgStyle::Warning};
inline constexpr KeyedMessage kUnavailable{"$MSG82", "This function is not available in this build:\n%s",
                                            MsgStyle::Warning};

// Literal captions, never translated.
inline constexpr const char* kCaptionDone = "Klaar";
inline constexpr const char* kCaptionInfo = "Info";
inline constexpr const char* kMemoryError = "memory error";
inline constexpr const char* kCopyError = "copy error";
}  // namespace dmsg

// A keyed message as it stands with a second line that says more, such as "<path>: <the system's
// reason>" for a file that failed.
template <class... Args>
Answer sayWithDetail(Context& ctx, const KeyedMessage& m, const std::string& detail, Args... args) {
    return tellLiteral(ctx, m.key, formatMessage(ctx, m.key, m.english, 256, args...) + "\n" + detail, m.style);
}

}  // namespace trakor
