#include "cli/cli_inputs.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "core/file_names.h"

namespace trakor::cli {

namespace fs = std::filesystem;

bool expandFolders(const std::vector<std::string>& inputs, const std::string& skip, std::vector<std::string>& out,
                   std::string* error) {
    for (const std::string& in : inputs) {
        std::error_code ec;
        if (in == "-" || !fs::is_directory(in, ec)) {
            out.push_back(in);
            continue;
        }
        std::vector<std::string> files;
        for (fs::directory_iterator it(in, ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code fileEc;
            const std::string path = it->path().string();
            if (!it->is_regular_file(fileEc) || inputTypeOf(path) < 0) continue;
            // A .gdb.bak is a backup; several inputs never read it.
            if (lowerAscii(path).find(".gdb.bak") != std::string::npos) continue;
            if (!skip.empty() && fs::equivalent(path, skip, fileEc)) continue;
            files.push_back(path);
        }
        if (ec) {
            if (error) *error = in + ": " + ec.message();
            return false;
        }
        if (files.empty()) {
            if (error) *error = in + ": no files of the supported types (gdb, gpx, tcx, crs, fit, kml, kmz, itn, nmea)";
            return false;
        }
        std::sort(files.begin(), files.end());
        out.insert(out.end(), files.begin(), files.end());
    }
    return true;
}

TempFolder::~TempFolder() {
    if (path_.empty()) return;
    std::error_code ec;
    fs::remove_all(path_, ec);
}

std::string TempFolder::file(const std::string& name) {
    if (path_.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/trakor3-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) return {};
        path_ = pattern;
    }
    return path_ + "/" + name;
}

bool copyStream(FILE* from, FILE* to, std::string* error) {
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, from)) > 0) {
        if (std::fwrite(buffer, 1, n, to) != n) {
            if (error) *error = std::strerror(errno);
            return false;
        }
    }
    if (std::ferror(from) || std::fflush(to) != 0) {
        if (error) *error = std::strerror(errno);
        return false;
    }
    return true;
}

void BatchTally::fileDone(size_t index, const RunState& run) {
    const int32_t written = (run.trackCounter - run.trackFailures) + (run.routeCounter - run.routeFailures);
    if (index >= names_.size()) return;
    if (written <= written_) failed_.push_back(names_[index]);
    written_ = written;
    done_ = index + 1;
}

std::string BatchTally::summary() const {
    std::string text = std::to_string(done_) + " files: " + std::to_string(converted()) + " converted";
    if (failed_.empty()) return text;
    text += ", " + std::to_string(failed_.size()) + " without tracks or unreadable: ";
    for (size_t i = 0; i < failed_.size(); ++i) text += (i ? ", " : "") + failed_[i];
    return text;
}

}  // namespace trakor::cli
