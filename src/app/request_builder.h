// SPDX-License-Identifier: GPL-3.0-or-later
// How the split and filter fields of a request follow the settings and the conversion option,
// shared by the main dialog and the command line.
#pragma once

#include <cstdint>

#include "app/conversion_request.h"
#include "core/messages.h"
#include "core/settings.h"

namespace trakor {

struct SplitFilterFields {
    bool shown = false;        // the option reads the split and filter fields
    bool trackResult = false;  // options 11, 12 and 24: the track settings apply, else the route ones
    // The settings that hold the two values for this option and the current methods (null: none).
    int32_t Settings::*splitSetting = nullptr;
    int32_t Settings::*filterSetting = nullptr;
    uint32_t splitField = 0;   // as shown: miles in miles mode for split by length
    uint32_t filterField = 0;
};

// The fields the dialog shows for an option (its option change step).
SplitFilterFields splitFilterFieldsFor(const Settings& s, int32_t option);

// A typed split field: stored in the setting of the option (kilometres in miles mode).
void storeSplitField(Settings& s, int32_t option, uint32_t field);
// A typed filter field: stored in the setting of the option and filter method.
void storeFilterField(Settings& s, int32_t option, uint32_t field);

// Output target from `Output Option`, as the dialog shows it: targets 3 and 4 need `Edge Support`.
OutputTarget outputTargetFor(const Settings& s);

// A request filled from the settings as the main dialog opens: target, option and both fields.
ConversionRequest requestFromSettings(const Settings& s);

// Options a course (TCX or FIT) cannot carry: 1-4 and 13-23 but 15.
bool optionRejectsCourses(int32_t option);
// Why `option` cannot run on the request's input and output: the message the Convert action
// would stop with, or null when the option can run (or when the input's type is not known yet).
// Follows the order of the Convert checks; a GPS unit that describes its files takes other
// results as GPX.
const KeyedMessage* optionRefusal(const ConversionRequest& r, int32_t option);

}  // namespace trakor
