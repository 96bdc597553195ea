// SPDX-License-Identifier: GPL-3.0-or-later
// Texts of the device list and of the companion programs, by key, with their English wording.
#pragma once

#include <cstddef>

namespace trakor {

struct DeviceMessage {
    const char* key;
    const char* english;
    size_t limit;  // lookup limit in the language file
};

namespace devmsg {
inline constexpr DeviceMessage CannotFindMapSource{"$MSG26", "Cannot find MapSource!", 256};
// The help file suffix a language file sets ("nl.pdf"); at most 6 characters are used.
inline constexpr DeviceMessage HelpSuffix{"$MSG27", "en.pdf", 7};
inline constexpr DeviceMessage CannotFindPdfReader{"$MSG28", "Cannot find a PDF reader!", 256};
// Added below $MSG28: where the guide lies, so it can be opened by hand.
inline constexpr DeviceMessage GuideIsHere{"$STA02", "The user guide is the file:\n%s", 256};
inline constexpr DeviceMessage CannotFindHelp{"$MSG29", "Cannot find the English help file", 256};
// Shown under the $MSG29 caption without lookup when the English fallback is missing too.
inline constexpr const char* CannotFindHelpEither = "Cannot find the English help file either";
inline constexpr DeviceMessage SdCard{"$MSG45", "SD-card", 128};
inline constexpr DeviceMessage NoSdCard{"$MSG46", "No SD-card", 128};
inline constexpr DeviceMessage GpsNotFound{"$MSG47", "GPS not found", 32};
inline constexpr DeviceMessage CannotFindTrainingCenter{"$MSG48", "Cannot find Training Center!", 256};
}  // namespace devmsg

}  // namespace trakor
