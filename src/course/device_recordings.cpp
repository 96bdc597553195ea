// SPDX-License-Identifier: GPL-3.0-or-later
#include "course/device_recordings.h"

#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <set>

#include "course/recording_details.h"
#include "platform/path_case.h"
#include "platform/unit_files.h"

namespace fs = std::filesystem;

namespace trakor {

namespace {

bool hasExtension(const fs::path& p, const std::string& extension) {
    const std::string ext = p.extension().string();
    return ext.size() > 1 && ::strcasecmp(ext.c_str() + 1, extension.c_str()) == 0;
}

void collect(const std::string& folder, const std::string& extension, std::set<std::string>& seen,
             std::vector<DeviceRecording>& found, std::vector<std::string>* unreadable) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code fileEc;
        if (!it->is_regular_file(fileEc) || !hasExtension(it->path(), extension)) continue;
        const std::string path = it->path().string();
        if (!seen.insert(path).second) continue;
        struct stat st;
        if (::stat(path.c_str(), &st) != 0) continue;
        const RecordingDetails details = recordingDetails(path);
        found.push_back({path, static_cast<int64_t>(st.st_mtime), static_cast<uint64_t>(st.st_size), details.recorded,
                         details.name});
    }
    // A folder the unit does not have holds no recordings; one that cannot be read is told.
    if (ec && ec != std::errc::no_such_file_or_directory && unreadable != nullptr)
        unreadable->push_back(folder + ": " + ec.message());
}

}  // namespace

std::vector<DeviceRecording> listDeviceRecordings(const std::string& root, const GarminDevice& device,
                                                  std::vector<std::string>* unreadable) {
    std::vector<DeviceRecording> found;
    std::set<std::string> seen;
    for (const DeviceFileKind* kind : device.recordings()) {
        // Only folders beneath the mount: a description cannot show what lies outside the unit.
        UnitFolder folder;
        const UnitLookup lookup = findUnitFolder(root, kind->path, false, folder);
        if (lookup == UnitLookup::Failed) {
            // Something that is not a folder where the recordings belong cannot be read: told.
            std::error_code ec;
            const std::string there = findPathNoCase(root, kind->path);
            if (unreadable != nullptr && fs::exists(fs::symlink_status(there, ec)))
                unreadable->push_back(there + ": " + std::make_error_code(std::errc::not_a_directory).message());
        }
        if (lookup != UnitLookup::Found) continue;
        collect(folder.path(), kind->extension, seen, found, unreadable);
        // Units keep their older GPX tracks in an "Archive" folder beside the current one.
        const std::string parent = fs::path(folder.relative).parent_path().string();
        if (kind->dataType == "GPSData" &&
            findUnitFolder(root, parent.empty() ? "Archive" : parent + "/Archive", false, folder) == UnitLookup::Found)
            collect(folder.path(), kind->extension, seen, found, unreadable);
    }
    std::sort(found.begin(), found.end(), [](const DeviceRecording& a, const DeviceRecording& b) {
        return a.when() != b.when() ? a.when() > b.when() : a.path < b.path;
    });
    return found;
}

std::string recordingDate(const DeviceRecording& r) {
    const std::time_t t = static_cast<std::time_t>(r.when());
    std::tm local{};
    char date[32] = "";
    if (::localtime_r(&t, &local) != nullptr) std::strftime(date, sizeof date, "%Y-%m-%d %H:%M", &local);
    return date;
}

std::string recordingLine(const DeviceRecording& r) {
    return recordingDate(r) + '\t' + std::to_string(r.size) + '\t' + r.name + '\t' + r.path;
}

}  // namespace trakor
