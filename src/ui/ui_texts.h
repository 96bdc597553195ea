// SPDX-License-Identifier: GPL-3.0-or-later
// Texts of the dialogs, by key, with their built-in English wording and lookup limits.
#pragma once

#include <cstddef>

#include "core/messages.h"

namespace trakor {

// Version shown in the title and the About box: the project's one version number.
inline constexpr const char* kProgramVersion = TRAKOR_VERSION;

namespace gdbtext {
inline constexpr UiText Title{"$GDB01", "Trakor3 Version %s - File Converter for MapSource files (%c)", 128};
inline constexpr UiText Browse{"$GDB02", "Browse...", 32};
inline constexpr UiText FromGps{"$DEV05", "From GPS...", 32};
inline constexpr UiText SaveAs{"$GDB03", "Save as...", 32};
inline constexpr UiText Convert{"$GDB04", "Convert", 32};
inline constexpr UiText Preferences{"$GDB05", "Preferences", 32};
inline constexpr UiText Help{"$GDB06", "Help", 32};
inline constexpr UiText Preview{"$GDB07", "Preview", 32};
inline constexpr UiText ToClipboard{"$GDB09", "To clipboard menu", 32};
inline constexpr UiText Quit{"$GDB10", "Quit", 32};
inline constexpr UiText InputGroup{"$GDB11", "Input file --- gdb, gpx, crs, tcx, fit, kml, kmz, itn or nmea/nma/log", 128};
inline constexpr UiText OutputGroup{"$GDB12", "Output --- gdb, gpx, tcx or fit", 128};
inline constexpr UiText OptionsGroup{"$GDB13", "Processing options", 128};
inline constexpr UiText SplitFilterGroup{"$GDB14", "Split and filter options for route and track conversions", 128};
inline constexpr UiText ViaHeading{"$GDB15", "Via point conversions", 128};
inline constexpr UiText RouteHeading{"$GDB16", "Route conversions - - - - - - - - - - -", 128};
inline constexpr UiText SaveRoute{"$GDB17", "Save original routes", 128};
inline constexpr UiText TrackHeading{"$GDB18", "Track conversions - - - - - - - - - - -", 128};
inline constexpr UiText SaveTrack{"$GDB19", "Save original tracks", 128};
inline constexpr UiText Overwrite{"$GDB34", "Overwrite input file with output file", 128};
inline constexpr UiText TargetFile{"$GDB35", "File", 128};
inline constexpr UiText Split{"$GDB36", "Split", 128};
inline constexpr UiText SplitLengthRoute{"$GDB37", "Maximum length of split routes in %s.", 256};
inline constexpr UiText SplitLengthTrack{"$GDB38", "Maximum length of split tracks in %s.", 256};
inline constexpr UiText Filter{"$GDB39", "Filter", 128};
inline constexpr UiText FilterRoute{"$GDB40", "Number of points per route after filtering", 128};
inline constexpr UiText FilterTrack{"$GDB41", "Number of points per track after filtering", 128};
inline constexpr UiText FilterPercent{"$GDB42", "Percentage of points to be removed", 128};
inline constexpr UiText FilterDirection{"$GDB43", "Maximum direction change in degrees", 128};
// The about button has no English text of its own: it keeps "About".
inline constexpr UiText About{"$GDB44", "About", 32};
inline constexpr UiText SplitSizeRoute{"$GDB45", "Maximum number of points per split route", 128};
inline constexpr UiText SplitSizeTrack{"$GDB46", "Maximum number of points per split track", 128};

struct OptionText {
    int option;
    UiText text;
};
inline constexpr OptionText Options[] = {
    {0, {"$GDB20", " 0. File conversion only", 128}},
    {1, {"$GDB21", " 1. Convert via points in routes to waypoints", 128}},
    {2, {"$GDB22", " 2. Convert direction points in routes to via points", 128}},
    {3, {"$GDB23", " 3. Make via points in routes invisible (remove flags)", 128}},
    {4, {"$GDB24", " 4. Make invisible via points in routes visible", 128}},
    {11, {"$GDB25", "11. Convert routes to tracks with all route points", 128}},
    {12, {"$GDB26", "12. Convert routes to tracks with via points and direction points", 128}},
    {13, {"$GDB27", "13. Convert calculated routes to direct routes with all route points", 128}},
    {14, {"$GDB28", "14. Convert calculated routes to direct routes with via points and direction points", 128}},
    {15, {"$GDB29", "15. Calculated number of (additional) via points will be spread over the route", 128}},
    {21, {"$GDB30", "21. Convert tracks to routes with waypoints", 128}},
    {22, {"$GDB31", "22. Convert tracks to routes with visible via points", 128}},
    {23, {"$GDB32", "23. Convert tracks to routes with invisible via points (remove flags)", 128}},
    {24, {"$GDB33", "24. Trackfilter", 128}},
};

// Texts without a key.
inline constexpr const char* MapSource = "MapSource";
inline constexpr const char* TrainingCenter = "TrainingCenter";
inline constexpr const char* Gps = "GPS";
inline constexpr const char* EdgeSupport = "Edge/Forerunner";
inline constexpr const char* OtherLanguage = "Other language";
inline constexpr const char* InputCount = "[ %u ]";
}  // namespace gdbtext

namespace clptext {
inline constexpr UiText Title{"$CLP01", "Trakor3 clipboard conversion", 128};
inline constexpr UiText RouteGroup{"$CLP02", "Conversion options for routes on the clipboard", 128};
inline constexpr UiText Option3{"$CLP03", " 3. Make via points in routes invisible (remove flags)", 128};
inline constexpr UiText Option11{"$CLP04", "11. Convert routes to tracks with all route points", 128};
inline constexpr UiText Option12{"$CLP05", "12. Convert routes to tracks with via points and direction points", 128};
inline constexpr UiText RouteFilter{"$CLP06", "Filter", 128};
inline constexpr UiText RouteFilterLabel{"$CLP07", "Number of points per track after filtering", 128};
inline constexpr UiText TrackGroup{"$CLP08", "Conversion options for tracks on the clipboard", 128};
inline constexpr UiText Option22{"$CLP09", "22. Convert tracks to routes with visible via points", 128};
inline constexpr UiText Option23{"$CLP10", "23. Convert tracks to routes with invisible via points (remove flags)", 128};
inline constexpr UiText Option24{"$CLP11", "24. Trackfilter", 128};
inline constexpr UiText TrackFilter{"$CLP12", "Filter", 128};
inline constexpr UiText TrackFilterLabel24{"$CLP13", "Number of points per track after filtering", 128};
inline constexpr UiText TrackFilterLabel22{"$CLP14", "Number of points per route after filtering", 128};
inline constexpr UiText ToClipboard{"$CLP15", "Convert to clipboard", 36};
inline constexpr UiText ToMapSource{"$CLP16", "Convert to MapSource", 32};
inline constexpr UiText Menu{"$CLP17", "Trakor3 menu", 32};
inline constexpr UiText Quit{"$CLP18", "Quit", 32};
}  // namespace clptext

namespace prftext {
inline constexpr UiText Title{"$PRF01", "Preferences", 128};
inline constexpr UiText RemovalGlitches{"$PRF02", "Remove off-road glitches from a calculated route", 128};
inline constexpr UiText RemovalDistance{"$PRF03", "Minimal distance between points of a track/route", 128};
inline constexpr UiText WaypointPriority{"$PRF05", "Retain original via points", 128};
inline constexpr UiText FilterGroup{"$PRF06", "Filtering method", 128};
inline constexpr UiText FilterPoints{"$PRF07", "Based on the number of points", 128};
inline constexpr UiText FilterPercent{"$PRF08", "Based on percentage of points", 128};
inline constexpr UiText FilterDirection{"$PRF09", "Based on direction changes", 128};
inline constexpr UiText Option15Group{"$PRF10", "Option 15 definitions", 128};
inline constexpr UiText ExtraDistance{"$PRF11", "Average distance between 2 via points in %s", 256};
inline constexpr UiText MaximumPoints{"$PRF12", "Maximum number of via points", 128};
inline constexpr UiText SymbolGroup{"$PRF13", "Symbol && prefix", 128};
inline constexpr UiText WaypointSymbol{"$PRF14", "Waypoint Symbol Code for via points", 128};
inline constexpr UiText SymbolHint{"$PRF15", "See documentation for use", 128};
inline constexpr UiText Prefix{"$PRF16", "Prefix character of generated points", 128};
inline constexpr UiText Table{"$PRF17", "Table", 128};
inline constexpr UiText CoursePoints{"$PRF18", "Course points for direction changes >", 128};
inline constexpr UiText UseFileTimes{"$PRF19", "Use times from track if present", 128};
inline constexpr UiText AverageSpeed{"$PRF20", "Average speed in %s", 256};
inline constexpr UiText AdditionalGroup{"$PRF21", "Additional filter options", 128};
inline constexpr UiText EdgeGroup{"$PRF23", "Edge/Forerunner Support", 128};
inline constexpr UiText Cancel{"$PRF27", "Cancel", 32};
inline constexpr UiText TurnWarnings{"$PRF28", "Warning time", 128};
inline constexpr UiText SplitGroup{"$PRF29", "Splitting method", 128};
inline constexpr UiText SplitLength{"$PRF30", "Based on the length of the route/track", 128};
inline constexpr UiText SplitPoints{"$PRF31", "Based on the number of points", 128};
inline constexpr UiText GpxRoutes{"$PRF32", "Keep GPX routes as routes", 128};
// The symbol list shows Garmin's fixed names, the ones GPX files and MapSource use; this says so.
inline constexpr UiText SymbolNames{"$PRF33", "Symbol names are Garmin's own, as GPX files and MapSource write them.", 128};
}  // namespace prftext

namespace lantext {
inline constexpr UiText Title{"$LAN01", "Language", 32};
inline constexpr UiText Group{"$LAN02", "Language", 32};
// The languages of the dialog, in `Language` order 1 to 9.
inline constexpr const char* Names[] = {"English",  "Nederlands", "Deutsch", "Français", "Português",
                                        "Italiano", "Polski",     "Español", "Türkçe"};
}  // namespace lantext

// The Map menu, "Show result" and the map view standing in for MapSource.
namespace maptext {
inline constexpr UiText Menu{"$MAP01", "Map", 32};
inline constexpr UiText ShowInput{"$MAP02", "Show &input on the map", 64};
inline constexpr UiText ShowResult{"$MAP03", "Show &result on the map", 64};
inline constexpr UiText ShowResultButton{"$MAP04", "Show result", 32};
inline constexpr UiText PreviewNote{"$MAP05", "MapSource cannot be started: the input is shown here instead.", 256};
inline constexpr UiText ResultNote{"$MAP06", "MapSource cannot be started: the result is shown here, over the input.", 256};
inline constexpr UiText BeforeAfter{"$MAP25", "Before and after", 64};
inline constexpr UiText ClipboardTitle{"$MAP26", "Clipboard: before and after", 128};
}  // namespace maptext

// The About box and its menu item.
namespace abouttext {
inline constexpr UiText MenuItem{"$ABT01", "&About Trakor3...", 64};
inline constexpr UiText Version{"$ABT02", "Trakor3 version %s", 64};
inline constexpr UiText ForLinux{"$ABT10", "Trakor3 for Linux", 64};
inline constexpr UiText Purpose{"$ABT03", "File converter for Garmin MapSource routes and tracks", 128};
inline constexpr UiText Portable{"$ABT04", "Trakor3 is running now as portable application", 128};
inline constexpr UiText Native{"$ABT05", "Trakor3 is running now as native application", 128};
inline constexpr UiText Thanks{"$ABT06", "Thanks to everyone who tested this program and reported what they found,\nand to the translators who made it speak their language:", 256};
inline constexpr UiText Countries{"$ABT07", "the Netherlands and Belgium (Nederlands), Germany, Austria and Switzerland\n(Deutsch), France (Français), Portugal and Brazil (Português), Italy\n(Italiano), Poland (Polski), Spain (Español) and Turkey (Türkçe).", 256};
inline constexpr UiText Copyright{"$ABT08", "Copyright © 2026 Quenby Software", 128};
inline constexpr UiText Licence{"$ABT09", "Licence: GNU General Public License, version 3 or later (GPL-3.0-or-later). Trakor3 is free software and comes with no warranty.", 256};
}  // namespace abouttext

// Messages of the dialogs.
namespace uimsg {
inline constexpr UiText InputReadOnly{"$MSG01", "Overwrite of input file not possible.\n  - Input file is read-only", 256};
inline constexpr UiText FilterPoints{"$MSG03", "Number of filter points is invalid.\nValid values are 2-9999.", 256};
inline constexpr UiText InvalidPrefix{"$MSG30", "Invalid name prefix", 256};
inline constexpr UiText SymbolChanged{"$MSG31",
                                      "Waypoint Symbol Code is changed.\nSee documentation for consequencies [Help].", 256};
inline constexpr UiText SelectInput{"$MSG54", "Select Trakor3 input file(s)", 256};
inline constexpr UiText SelectOutput{"$MSG55", "Select Trakor3 output file.", 256};
inline constexpr UiText DeviceFiles{"$DEV06", "Recordings on the GPS device", 256};
inline constexpr UiText NoRecordings{"$DEV07", "The GPS device offers no recordings.", 256};
inline constexpr UiText ClipboardOnce{"$MSG61", "Trakor3 Clipboard menu can only be opened once.", 256};
inline constexpr UiText FileNotFound{"$STA01", "File not found:\n%s", 256};
// Literal texts and captions, never translated.
inline constexpr const char* MutexError = "Mutex error";
inline constexpr const char* MutexCaption = "TITEL";
}  // namespace uimsg

// The unit's recordings and the drive box's own folder.
namespace gpstext {
inline constexpr UiText Date{"$GPS01", "Date", 64};
inline constexpr UiText Size{"$GPS02", "Size", 64};
inline constexpr UiText Activity{"$GPS03", "Activity", 64};
inline constexpr UiText File{"$GPS04", "File", 64};
inline constexpr UiText OtherFolder{"$GPS05", "Other folder...", 64};
inline constexpr UiText ChooseFolder{"$GPS06", "Folder of the GPS device", 128};
inline constexpr UiText NoUnitThere{"$GPS07", "%s holds no GPS device: its Garmin/GarminDevice.xml is missing.", 256};
}  // namespace gpstext

}  // namespace trakor
