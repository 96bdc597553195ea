// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/batch_log.h"

namespace trakor {

namespace {

size_t nameStart(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace

std::string logPathField(const std::string& inputPath) { return logField(inputPath.substr(0, nameStart(inputPath))); }

std::string logFileField(const std::string& inputPath) { return logField(inputPath.substr(nameStart(inputPath))); }

std::string logField(const std::string& message) {
    std::string out;
    for (char c : message) {
        if (c == '\n')
            out += ' ';
        else if (c == '"')
            out += "\"\"";
        else if (c != '\r')
            out += c;
    }
    return out;
}

void writeLogHeader(FILE* log) {
    if (log) std::fputs("\"Path\",\"File\",\"T/R\",\"T/R name\",\"Message\"\n", log);
}

void writeLogFileEntry(FILE* log, const std::string& inputPath, const char* message) {
    if (!log) return;
    std::fprintf(log, "\"%s\",\"%s\",,,\"%s\"\n", logPathField(inputPath).c_str(), logFileField(inputPath).c_str(),
                 logField(message).c_str());
}

}  // namespace trakor
