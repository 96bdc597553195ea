// SPDX-License-Identifier: GPL-3.0-or-later
// The messages of the conversion driver and its backup step: key, built-in English text, style.
// Those the clipboard conversion shares are in core/run_messages.h.
#pragma once

#include "core/run_messages.h"

namespace trakor {

namespace dmsg {
inline constexpr KeyedMessage kSplitLength{"$MSG02", "Valid split values are %s.", MsgStyle::Warning};
inline constexpr KeyedMessage kSplitPoints{"$MSG62", "Number of split points is invalid.\nValid values are 25-9999.",
                                            MsgStyle::Warning};
inline constexpr KeyedMessage kFilterPercent{"$MSG04", "Percentage value is invalid.\nValid values are 0-95%.",
                                              MsgStyle::Warning};
inline constexpr KeyedMessage kFilterDirection{
    "$MSG05", "Value of direction change is invalid.\nValid values are 0-90 degrees.", MsgStyle::Warning};
inline constexpr KeyedMessage kFilterOverSplit{
    "$MSG63", "The value 'Filter' is bigger than the value 'Split'.\nFor filtering the value %u will be used.",
    MsgStyle::Warning};
inline constexpr KeyedMessage kNoGps{"$MSG06", "There is no connection with a GPS device", MsgStyle::Warning};
inline constexpr KeyedMessage kNotEdge{"$MSG07", "The connected GPS is no EDGE\nContinue?", MsgStyle::Question};
inline constexpr KeyedMessage kDriveNotAccessible{"$MSG08", "Drive %s is not accessible,\ncheck the SD-card",
                                                   MsgStyle::Warning};
inline constexpr KeyedMessage kNoInput{"$MSG09", "No input file specified.", MsgStyle::Warning};
inline constexpr KeyedMessage kNoOutput{"$MSG12", "No output file specified.", MsgStyle::Warning};
inline constexpr KeyedMessage kOutputNotGdbTcx{"$MSG13", "Output file is no GDB, GPX, TCX or FIT file.", MsgStyle::Warning};
inline constexpr KeyedMessage kBatchTcxOptions{
    "$MSG56", "For multiple input files and a TCX output file only options 0 and 24 are valid.", MsgStyle::Warning};
inline constexpr KeyedMessage kBatchOptions{"$MSG57", "Options 1-15 are not valid for multiple input files.",
                                             MsgStyle::Warning};
inline constexpr KeyedMessage kBatchStart{"$MSG53", "%u selected input files will be processed.\n\nLog file: \n%s",
                                           MsgStyle::Warning};
inline constexpr KeyedMessage kInputType{
    "$MSG10", "Input file is no gdb, gdb.bak, gpx, tcx, crs, fit, kml, kmz, itn or nmea/nma/log file.",
    MsgStyle::Warning};
inline constexpr KeyedMessage kNonGdbOptions{"$MSG11", "Options 1-15 are not valid for a non GDB input file.",
                                              MsgStyle::Warning};
inline constexpr KeyedMessage kTcxOptions{"$MSG14", "TCX output file is not valid for options 1-4 and 13-23.",
                                           MsgStyle::Warning};
inline constexpr KeyedMessage kNotGdb{"$MSG17", "Input file is not in GDB format.", MsgStyle::Warning};
inline constexpr KeyedMessage kNoTracksOrWaypoints{
    "$MSG60", "The input doesn't contain tracks or waypoints.\nConversion failed.", MsgStyle::Plain};
inline constexpr KeyedMessage kNoTracks{"$MSG18", "The input doesn't contain (convertible) tracks.\nConversion failed.",
                                         MsgStyle::Plain};
inline constexpr KeyedMessage kNoRoutes{"$MSG19", "The input doesn't contain (convertible) routes.\nConversion failed.",
                                         MsgStyle::Plain};
inline constexpr KeyedMessage kCompleted{"$MSG20", "File conversion completed!", MsgStyle::Plain};
// Looked up with a limit of 128 characters.
inline constexpr KeyedMessage kCoursesInFile{
    "$MSG21",
    "The courses can be found in the file: \n%s\nYou have to import the courses in Training Center yourself!",
    MsgStyle::Warning};
inline constexpr KeyedMessage kCoursesSent{"$MSG22", "The courses are sent to the GPS receiver", MsgStyle::Plain};
inline constexpr KeyedMessage kInputReadOnly{"$MSG23", "Overwrite of input file not possible.\n  - Input file is read-only",
                                              MsgStyle::Warning};
inline constexpr KeyedMessage kAskBackup{
    "$MSG24", "Do you want to make a backup before overwriting the input file?\nName:\n%s", MsgStyle::QuestionCancel};
inline constexpr KeyedMessage kEnded{"$MSG25", "Conversion ended.", MsgStyle::Warning};

// Messages of this program's own that the older texts lack; language files may translate them.
inline constexpr KeyedMessage kLogFile{"$MSG81", "Cannot create the log file:\n%s", MsgStyle::Warning};
inline constexpr KeyedMessage kBackupFailed{
    "$MSG83", "The backup copy could not be written:\n%s\nThe input file has not been replaced.", MsgStyle::Warning};
inline constexpr KeyedMessage kNoOutputFolder{"$MSG93", "The folder of the output file does not exist:\n%s",
                                               MsgStyle::Warning};
inline constexpr KeyedMessage kNameTooLong{"$MSG84", "File name is too long (at most 255 characters):\n%s",
                                            MsgStyle::Warning};
inline constexpr KeyedMessage kResultDamaged{
    "$MSG90", "The converted file does not read back whole (%s).\nIt has not been delivered.\nConversion failed.",
    MsgStyle::Warning};
inline constexpr KeyedMessage kInputCut{
    "$MSG100", "The input file is incomplete:\n%s\nIt lacks %s.\nConvert what was read before the cut?",
    MsgStyle::Question};
inline constexpr KeyedMessage kInputTooLarge{
    "$MSG97", "Input file is too large:\n%s\nFiles of more than %u MiB cannot be read.", MsgStyle::Warning};

// A GPS device whose description lists the files it takes.
inline constexpr KeyedMessage kTakesNoCourses{
    "$DEV01", "The %s takes no courses: its description lists neither FIT nor TCX courses.\nNothing has been written.",
    MsgStyle::Warning};
inline constexpr KeyedMessage kTakesNoGpx{
    "$DEV02", "The %s takes no GPX files: its description lists none.\nNothing has been written.", MsgStyle::Warning};
inline constexpr KeyedMessage kOutsideUnit{
    "$DEV08", "The GPS description asks for a folder outside the unit: %s\nNothing has been written.",
    MsgStyle::Warning};
inline constexpr KeyedMessage kGpxSent{"$DEV04", "The routes, tracks and waypoints are sent to the GPS receiver:\n%s",
                                        MsgStyle::Plain};

// Second lines of the messages above that name a file and what is wrong with it.
inline constexpr UiText kDetailShortened{"$RUN21", "%s: the file was shortened while it was read", 4200};
inline constexpr UiText kDetailRewritten{"$RUN41", "%s: the file was changed while it was read", 4200};
inline constexpr UiText kDetailSameAsInput{"$RUN22", "%s: the same file as the input", 4200};
inline constexpr UiText kDetailReadOnly{"$RUN29", "%s: the file is read-only", 4200};
inline std::string detailText(const Context& ctx, const UiText& t, const std::string& path) {
    return formatMessage(ctx, t.key, t.english, t.limit, path.c_str());
}

}  // namespace dmsg

}  // namespace trakor
