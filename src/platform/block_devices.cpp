#include "platform/block_devices.h"

#include <sys/statvfs.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace trakor {

namespace {

// Mount points escape blanks, tabs, newlines and backslashes as three octal digits.
std::string unescapeMountField(std::string_view s) {
    auto isOct = [](char c) { return c >= '0' && c <= '7'; };
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && isOct(s[i + 1]) && isOct(s[i + 2]) && isOct(s[i + 3])) {
            out += static_cast<char>((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0'));
            i += 3;
            continue;
        }
        out += s[i];
    }
    return out;
}

std::vector<std::string_view> splitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ') ++i;
        if (i > start) fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

bool parseUnsigned(std::string_view s, unsigned& value) {
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && p == s.data() + s.size();
}

// First line of a small sysfs attribute file, without the newline.
std::optional<std::string> readAttribute(const fs::path& file) {
    std::ifstream in(file);
    if (!in) return std::nullopt;
    std::string line;
    std::getline(in, line);
    if (in.bad()) return std::nullopt;
    return line;
}

// "6:0:0:1" -> host 6, channel 0, target 0, lun 1.
std::optional<ScsiAddress> parseScsiAddress(const std::string& name) {
    int v[4];
    size_t pos = 0;
    for (int k = 0; k < 4; ++k) {
        size_t end = name.find(':', pos);
        if ((k < 3) != (end != std::string::npos)) return std::nullopt;
        std::string_view part = std::string_view(name).substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        auto [p, ec] = std::from_chars(part.data(), part.data() + part.size(), v[k]);
        if (ec != std::errc() || p != part.data() + part.size() || part.empty()) return std::nullopt;
        pos = end + 1;
    }
    return ScsiAddress{v[0], v[1], v[2], v[3]};
}

// Facts about a disk given its sysfs folder.
std::optional<DiskInfo> diskInfoAt(const fs::path& disk) {
    std::error_code ec;
    fs::path scsi = fs::canonical(disk / "device", ec);
    if (ec) return std::nullopt;
    auto address = parseScsiAddress(scsi.filename().string());
    if (!address) return std::nullopt;
    DiskInfo info;
    info.diskPath = disk.string();
    info.scsiPath = scsi.string();
    info.address = *address;
    info.removable = readAttribute(disk / "removable").value_or("") == "1";
    auto type = readAttribute(scsi / "type");
    info.isDisk = type && (*type == "0" || *type == "14");
    return info;
}

}  // namespace

std::string defaultGvfsFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && runtime[0] == '/') return std::string(runtime) + "/gvfs";
    return "/run/user/" + std::to_string(::getuid()) + "/gvfs";
}

std::vector<MountEntry> parseMountInfo(std::string_view text) {
    std::vector<MountEntry> mounts;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        // id parent major:minor root mount-point ...
        auto f = splitFields(line);
        if (f.size() < 5) continue;
        size_t colon = f[2].find(':');
        if (colon == std::string_view::npos) continue;
        MountEntry m;
        if (!parseUnsigned(f[2].substr(0, colon), m.major) || !parseUnsigned(f[2].substr(colon + 1), m.minor))
            continue;
        m.mountPoint = unescapeMountField(f[4]);
        if (m.mountPoint.empty() || m.mountPoint.front() != '/') continue;
        // Optional fields end at "-"; the file system type and the source follow.
        for (size_t k = 5; k + 1 < f.size(); ++k) {
            if (f[k] != "-") continue;
            m.fsType = unescapeMountField(f[k + 1]);
            if (k + 2 < f.size()) m.source = unescapeMountField(f[k + 2]);
            break;
        }
        mounts.push_back(std::move(m));
    }
    return mounts;
}

std::vector<MountEntry> readMountTable(const DeviceRoots& roots) {
    std::ifstream in(roots.mountTable, std::ios::binary);
    if (!in) return {};
    std::ostringstream ss;
    ss << in.rdbuf();
    return parseMountInfo(ss.str());
}

std::optional<DiskInfo> diskInfo(const DeviceRoots& roots, unsigned major, unsigned minor) {
    std::error_code ec;
    fs::path node = fs::path(roots.sysfs) / "dev" / "block" / (std::to_string(major) + ":" + std::to_string(minor));
    fs::path block = fs::canonical(node, ec);
    if (ec) return std::nullopt;
    // A partition's folder lies inside its disk's folder.
    fs::path disk = fs::exists(block / "partition", ec) ? block.parent_path() : block;
    return diskInfoAt(disk);
}

std::optional<DiskInfo> nextLunDisk(const DiskInfo& disk) {
    ScsiAddress next = disk.address;
    ++next.lun;
    fs::path scsi = fs::path(disk.scsiPath).parent_path() /
                    (std::to_string(next.host) + ":" + std::to_string(next.channel) + ":" +
                     std::to_string(next.target) + ":" + std::to_string(next.lun));
    std::error_code ec;
    for (fs::directory_iterator it(scsi / "block", ec), end; !ec && it != end; it.increment(ec)) {
        auto info = diskInfoAt(fs::canonical(it->path(), ec));
        if (!ec && info) return info;
    }
    return std::nullopt;
}

bool isMountAccessible(const DeviceRoots& roots, std::string_view mountPoint) {
    std::string wanted(mountPoint);
    while (wanted.size() > 1 && wanted.back() == '/') wanted.pop_back();
    if (wanted.empty()) return false;
    bool mounted = false;
    for (const auto& m : readMountTable(roots))
        if (m.mountPoint == wanted) mounted = true;
    if (!mounted) return false;
    struct statvfs st;
    return statvfs(roots.file(wanted).c_str(), &st) == 0;
}

}  // namespace trakor
