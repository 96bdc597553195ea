#include "app/request_builder.h"

#include <algorithm>
#include <climits>

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

}  // namespace trakor
