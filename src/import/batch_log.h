// The CSV log of a batch run: a header line, then one line per route, track or failed file.
// Fields are quoted and comma-separated; names are written as they stand.
#pragma once

#include <cstdio>
#include <string>

namespace trakor {

// Log messages of a batch run.
constexpr const char* kLogOk = "OK";
constexpr const char* kLogInvalidTrack = "Invalid track (skipped)";
constexpr const char* kLogInvalidFile = "Invalid file name";
constexpr const char* kLogNoTracks = "No tracks found";

// "Path","File","T/R","T/R name","Message"
void writeLogHeader(FILE* log);
// A line about one route or track of the input: kind is "Track:" or "Route:".
void writeLogEntry(FILE* log, const std::string& inputPath, const char* kind, const std::string& name,
                   const char* message);
// A line about the input file as a whole, with the name fields left empty.
void writeLogFileEntry(FILE* log, const std::string& inputPath, const char* message);

// The "Path" field (folder with its final separator) and the "File" field (name and extension).
std::string logPathField(const std::string& inputPath);
std::string logFileField(const std::string& inputPath);

}  // namespace trakor
