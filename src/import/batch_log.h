// SPDX-License-Identifier: GPL-3.0-or-later
// The CSV log of a batch run: a header line, then one line per route or track (written by the
// import back end) or per file that gave nothing. Fields are quoted and comma-separated.
#pragma once

#include <cstdio>
#include <string>

namespace trakor {

// Messages about a file as a whole.
constexpr const char* kLogInvalidFile = "Invalid file name";
constexpr const char* kLogNoTracks = "No tracks found";
constexpr const char* kLogChangedWhileRead =
    "Changed while read: another program wrote to the file while it was read; nothing of it was converted";

// "Path","File","T/R","T/R name","Message"
void writeLogHeader(FILE* log);
// A line about the input file as a whole, with the name fields left empty.
void writeLogFileEntry(FILE* log, const std::string& inputPath, const char* message);

// The "Path" field (folder with its final separator) and the "File" field (name and extension),
// as logField gives them.
std::string logPathField(const std::string& inputPath);
std::string logFileField(const std::string& inputPath);
// A text as a quoted field holds it: one line, its double quotes doubled.
std::string logField(const std::string& text);

}  // namespace trakor
