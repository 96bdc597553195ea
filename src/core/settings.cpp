// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings.h"

#include <algorithm>
#include <cctype>

namespace trakor {

namespace {
const SettingDef kTable[] = {
    {"Language", &Settings::Language, 0, 0},
    {"Output Option", &Settings::OutputOption, 1, 1},
    {"Mode", &Settings::Mode, 1, 1},
    {"CBmode_r", &Settings::CBmode_r, 11, 11},
    {"CBmode_t", &Settings::CBmode_t, 22, 22},
    {"Save Route", &Settings::SaveRoute, 0, 0},
    {"Save Track", &Settings::SaveTrack, 0, 0},
    {"Filter", &Settings::Filter, 0, 0},
    {"Filtertype", &Settings::Filtertype, 1, 1},
    {"Filter_CBR", &Settings::Filter_CBR, 200, 0},
    {"Filter_CBT", &Settings::Filter_CBT, 500, 0},
    {"Filtersize_r", &Settings::Filtersize_r, 200, 200},
    {"Filtersize_t", &Settings::Filtersize_t, 500, 500},
    {"Filtersize_p", &Settings::Filtersize_p, 50, 0},
    {"Filtersize_c", &Settings::Filtersize_c, 30, 0},
    {"Split", &Settings::Split, 0, 0},
    {"Splittype", &Settings::Splittype, 1, 1},
    {"Splitlen_r", &Settings::Splitlen_r, 50, 500},
    {"Splitlen_t", &Settings::Splitlen_t, 50, 500},
    {"Splitsize_r", &Settings::Splitsize_r, 200, 500},
    {"Splitsize_t", &Settings::Splitsize_t, 500, 500},
    {"Waypoint Symbol", &Settings::WaypointSymbol, 18, 18},
    {"Prefix", &Settings::Prefix, 58, 58},
    {"Removal Glitches", &Settings::RemovalGlitches, 0, 0},
    {"Removal Distance", &Settings::RemovalDistance, 30, 30},
    {"Extra Distance", &Settings::ExtraDistance, 3, 3},
    {"Maximum Points", &Settings::MaximumPoints, 50, 50},
    {"Waypoint Priority", &Settings::WaypointPriority, 0, 0},
    {"Edge Support", &Settings::EdgeSupport, 0, 0},
    {"Use File Times", &Settings::UseFileTimes, 0, 0},
    {"Course Points", &Settings::CoursePoints, 0, 0},
    {"Course Turn", &Settings::CourseTurn, 30, 30},
    {"Turn Warnings", &Settings::TurnWarnings, 0, 0},
    {"Average Speed", &Settings::AverageSpeed, 15, 15},
    {"GPX Track Parts", &Settings::GpxTrackParts, 0, 0},
    {"GPX Routes", &Settings::GpxRoutes, 0, 0},
    {"Left Trakor3 Menu", &Settings::LeftTrakor3Menu, 0, 0},
    {"Top Trakor3 Menu", &Settings::TopTrakor3Menu, 0, 0},
    {"Left Clipboard Menu", &Settings::LeftClipboardMenu, 0, 0},
    {"Top Clipboard Menu", &Settings::TopClipboardMenu, 0, 0},
};
}  // namespace

std::span<const SettingDef> settingTable() { return kTable; }

int32_t* Settings::byName(std::string_view valueName) {
    // Letter case does not matter, as in the settings files.
    auto sameName = [](std::string_view a, std::string_view b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
               });
    };
    for (const auto& d : kTable)
        if (sameName(valueName, d.valueName)) return &(this->*d.field);
    return nullptr;
}

const int32_t* Settings::byName(std::string_view valueName) const {
    return const_cast<Settings*>(this)->byName(valueName);
}

Settings defaultSettings(bool portable) {
    Settings s;
    for (const auto& d : kTable) s.*d.field = portable ? d.iniDefault : d.nativeDefault;
    return s;
}

}  // namespace trakor
