// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/request_builder.h"

#include <algorithm>
#include <climits>

#include "app/driver_messages.h"
#include "core/file_names.h"
#include "core/output_types.h"

namespace trakor {

namespace {

bool isTrackResult(int32_t o) { return o == 11 || o == 12 || o == 24; }
bool isRouteResult(int32_t o) { return o == 13 || o == 14 || o == 21 || o == 22; }

int32_t Settings::*splitSettingFor(const Settings& s, bool track) {
    if (s.Splittype == 1) return track ? &Settings::Splitlen_t : &Settings::Splitlen_r;
    if (s.Splittype == 2) return track ? &Settings::Splitsize_t : &Settings::Splitsize_r;
    return nullptr;
}

int32_t Settings::*filterSettingFor(const Settings& s, bool track) {
    if (s.Filtertype == 1) return track ? &Settings::Filtersize_t : &Settings::Filtersize_r;
    if (s.Filtertype == 2) return &Settings::Filtersize_p;
    if (s.Filtertype == 3) return &Settings::Filtersize_c;
    return nullptr;
}

uint32_t asField(int32_t v) { return v < 0 ? 0u : static_cast<uint32_t>(v); }
int32_t fromField(uint32_t f) { return static_cast<int32_t>(std::min<uint32_t>(f, INT32_MAX)); }

bool splitInMiles(const Settings& s) { return s.milesMode == 1 && s.Splittype == 1; }

}  // namespace

SplitFilterFields splitFilterFieldsFor(const Settings& s, int32_t option) {
    SplitFilterFields f;
    f.trackResult = isTrackResult(option);
    f.shown = f.trackResult || isRouteResult(option);
    if (!f.shown) return f;
    f.splitSetting = splitSettingFor(s, f.trackResult);
    f.filterSetting = filterSettingFor(s, f.trackResult);
    if (f.splitSetting != nullptr) {
        int32_t v = s.*f.splitSetting;
        f.splitField = asField(splitInMiles(s) ? kmToMiles(v) : v);
    }
    if (f.filterSetting != nullptr) f.filterField = asField(s.*f.filterSetting);
    return f;
}

void storeSplitField(Settings& s, int32_t option, uint32_t field) {
    int32_t Settings::*target = splitSettingFor(s, isTrackResult(option));
    if (target == nullptr) return;
    int32_t v = fromField(field);
    s.*target = splitInMiles(s) ? milesToKm(v) : v;
}

void storeFilterField(Settings& s, int32_t option, uint32_t field) {
    int32_t Settings::*target = filterSettingFor(s, isTrackResult(option));
    if (target != nullptr) s.*target = fromField(field);
}

OutputTarget outputTargetFor(const Settings& s) {
    int32_t o = s.OutputOption;
    if (o > 2 && s.EdgeSupport != 1) o = 2;
    if (o < 1 || o > 4) o = 1;
    return static_cast<OutputTarget>(o);
}

ConversionRequest requestFromSettings(const Settings& s) {
    ConversionRequest r;
    r.outputTarget = outputTargetFor(s);
    r.option = s.Mode;
    SplitFilterFields f = splitFilterFieldsFor(s, s.Mode);
    r.splitField = f.splitField;
    r.filterField = f.filterField;
    return r;
}

bool optionRejectsCourses(int32_t o) { return (o >= 1 && o <= 4) || (o >= 13 && o <= 23 && o != 15); }

namespace {
// Whether the result of `option` would leave as courses.
bool deliversCoursesFor(const ConversionRequest& r, int32_t option) {
    switch (r.outputTarget) {
        case OutputTarget::File: {
            if (r.overwriteInput && !r.multipleInput && inputCanBeOverwritten(r.inputPath)) return false;
            const OutputType* type = outputTypeOf(r.outputPath);
            return type != nullptr && type->courses;
        }
        case OutputTarget::TrainingCenter:
            return true;
        case OutputTarget::Gps:
            return !(r.device.description && r.device.description->listsFiles()) || !optionRejectsCourses(option);
        default:
            return false;
    }
}
}  // namespace

const KeyedMessage* optionRefusal(const ConversionRequest& r, int32_t option) {
    const bool courses = deliversCoursesFor(r, option);
    if (r.multipleInput) {
        if (courses) return option >= 1 && option <= 23 ? &dmsg::kBatchTcxOptions : nullptr;
        return option >= 1 && option <= 15 ? &dmsg::kBatchOptions : nullptr;
    }
    const int type = inputTypeOf(r.inputPath);
    if (type < 0) return nullptr;
    if (type != 0 && option >= 1 && option <= 15) return &dmsg::kNonGdbOptions;
    if (courses && optionRejectsCourses(option)) return &dmsg::kTcxOptions;
    return nullptr;
}

}  // namespace trakor
