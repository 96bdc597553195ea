// Every message of the conversion driver and its backup step: key, built-in English text, style.
#pragma once

#include "core/messages.h"

namespace trakor {

struct DriverMessage {
    const char* key;
    const char* english;
    MsgStyle style;
};

namespace dmsg {
inline constexpr DriverMessage kSplitLength{"$MSG02", "Valid split values are %s.", MsgStyle::Warning};
inline constexpr DriverMessage kSplitPoints{"$MSG62", "Number of split points is invalid.\nValid values are 25-9999.",
                                            MsgStyle::Warning};
inline constexpr DriverMessage kFilterPoints{"$MSG03", "Number of filter points is invalid.\nValid values are 2-9999.",
                                             MsgStyle::Warning};
inline constexpr DriverMessage kFilterPercent{"$MSG04", "Percentage value is invalid.\nValid values are 0-95%.",
                                              MsgStyle::Warning};
inline constexpr DriverMessage kFilterDirection{
    "$MSG05", "Value of direction change is invalid.\nValid values are 0-90 degrees.", MsgStyle::Warning};
inline constexpr DriverMessage kFilterOverSplit{
    "$MSG63", "The value 'Filter' is bigger than the value 'Split'.\nFor filtering the value %u will be used.",
    MsgStyle::Warning};
inline constexpr DriverMessage kNoGps{"$MSG06", "There is no connection with a GPS device", MsgStyle::Warning};
inline constexpr DriverMessage kNotEdge{"$MSG07", "The connected GPS is no EDGE\nContinue?", MsgStyle::Question};
inline constexpr DriverMessage kDriveNotAccessible{"$MSG08", "Drive %s is not accessible,\ncheck the SD-card",
                                                   MsgStyle::Warning};
inline constexpr DriverMessage kNoInput{"$MSG09", "No input file specified.", MsgStyle::Warning};
inline constexpr DriverMessage kNoOutput{"$MSG12", "No output file specified.", MsgStyle::Warning};
inline constexpr DriverMessage kOutputNotGdbTcx{"$MSG13", "Output file is no GDB or TCX file.", MsgStyle::Warning};
inline constexpr DriverMessage kCannotOpenOutput{
    "$MSG16",
    "Cannot open output file. Possible reasons:\n  - Output file is same file as input file\n  - Output file "
    "already exists and is read-only",
    MsgStyle::Warning};
inline constexpr DriverMessage kBatchTcxOptions{
    "$MSG56", "For multiple input files and a TCX output file only options 0 and 24 are valid.", MsgStyle::Warning};
inline constexpr DriverMessage kBatchOptions{"$MSG57", "Options 1-15 are not valid for multiple input files.",
                                             MsgStyle::Warning};
inline constexpr DriverMessage kBatchStart{"$MSG53", "%u selected input files will be processed.\n\nLog file: \n%s",
                                           MsgStyle::Warning};
inline constexpr DriverMessage kInputType{
    "$MSG10", "Input file is no gdb, gdb.bak, gpx, tcx, crs, fit, kml, kmz, itn or nmea/nma/log file.",
    MsgStyle::Warning};
inline constexpr DriverMessage kNonGdbOptions{"$MSG11", "Options 1-15 are not valid for a non GDB input file.",
                                              MsgStyle::Warning};
inline constexpr DriverMessage kTcxOptions{"$MSG14", "TCX output file is not valid for options 1-4 and 13-23.",
                                           MsgStyle::Warning};
inline constexpr DriverMessage kCannotOpenInput{"$MSG15", "Cannot open input file.", MsgStyle::Warning};
inline constexpr DriverMessage kNotGdb{"$MSG17", "Input file is not in GDB format.", MsgStyle::Warning};
inline constexpr DriverMessage kNoTracksOrWaypoints{
    "$MSG60", "The input doesn't contain tracks or waypoints.\nConversion failed.", MsgStyle::Plain};
inline constexpr DriverMessage kNoTracks{"$MSG18", "The input doesn't contain (convertible) tracks.\nConversion failed.",
                                         MsgStyle::Plain};
inline constexpr DriverMessage kNoRoutes{"$MSG19", "The input doesn't contain (convertible) routes.\nConversion failed.",
                                         MsgStyle::Plain};
inline constexpr DriverMessage kCompleted{"$MSG20", "File conversion completed!", MsgStyle::Plain};
// Looked up with a limit of 128 characters.
inline constexpr DriverMessage kCoursesInFile{
    "$MSG21",
    "The courses can be found in the file: \n%s\nYou have to import the courses in Training Center yourself!",
    MsgStyle::Warning};
inline constexpr DriverMessage kCoursesSent{"$MSG22", "The courses are sent to the GPS receiver", MsgStyle::Plain};
inline constexpr DriverMessage kInputReadOnly{"$MSG23", "Overwrite of input file not possible.\n  - Input file is read-only",
                                              MsgStyle::Warning};
inline constexpr DriverMessage kAskBackup{
    "$MSG24", "Do you want to make a backup before overwriting the input file?\nName:\n%s", MsgStyle::QuestionCancel};
inline constexpr DriverMessage kEnded{"$MSG25", "Conversion ended.", MsgStyle::Warning};

// Messages of this program's own that the older texts lack; language files may translate them.
inline constexpr DriverMessage kWorkFile{"$MSG80", "Cannot create or write the work file:\n%s", MsgStyle::Warning};
inline constexpr DriverMessage kLogFile{"$MSG81", "Cannot create the log file:\n%s", MsgStyle::Warning};
inline constexpr DriverMessage kUnavailable{"$MSG82", "This function is not available in this build:\n%s",
                                            MsgStyle::Warning};
inline constexpr DriverMessage kBackupFailed{
    "$MSG83", "The backup copy could not be written:\n%s\nThe input file has not been replaced.", MsgStyle::Warning};
inline constexpr DriverMessage kNameTooLong{"$MSG84", "File name is too long (at most 255 characters):\n%s",
                                            MsgStyle::Warning};
inline constexpr DriverMessage kInputTooLarge{
    "$MSG90", "Input file is too large:\n%s\nFiles of more than %u MiB cannot be read.", MsgStyle::Warning};

// Literal captions, never translated.
inline constexpr const char* kCaptionDone = "Klaar";
inline constexpr const char* kCaptionInfo = "Info";
inline constexpr const char* kMemoryError = "memory error";
inline constexpr const char* kCopyError = "copy error";
}  // namespace dmsg

// Shows a driver message, its arguments formatted into the (looked-up) text.
template <class... Args>
Answer say(Context& ctx, const DriverMessage& m, Args... args) {
    return tell(ctx, m.key, m.english, m.style, args...);
}

}  // namespace trakor
