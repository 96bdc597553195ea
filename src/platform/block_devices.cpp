// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/block_devices.h"

#include <libmount.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;

namespace trakor {

namespace {

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

namespace {

struct MountTableFree {
    void operator()(libmnt_table* t) const { mnt_unref_table(t); }
};
using MountTable = std::unique_ptr<libmnt_table, MountTableFree>;

// A table whose parser skips the lines it cannot read (the default keeps them half filled).
MountTable newMountTable() {
    MountTable table(mnt_new_table());
    if (table) mnt_table_set_parser_errcb(table.get(), [](libmnt_table*, const char*, int) { return 1; });
    return table;
}

// The entries of a parsed table; those without an absolute mount point are left out.
std::vector<MountEntry> mountEntries(libmnt_table* table) {
    std::vector<MountEntry> mounts;
    libmnt_iter* it = mnt_new_iter(MNT_ITER_FORWARD);
    if (it == nullptr) return mounts;
    libmnt_fs* fs = nullptr;
    auto text = [](const char* s) { return std::string(s != nullptr ? s : ""); };
    while (mnt_table_next_fs(table, it, &fs) == 0) {
        MountEntry m;
        m.mountPoint = text(mnt_fs_get_target(fs));
        if (m.mountPoint.empty() || m.mountPoint.front() != '/') continue;
        const dev_t dev = mnt_fs_get_devno(fs);
        m.major = major(dev);
        m.minor = minor(dev);
        m.fsType = text(mnt_fs_get_fstype(fs));
        m.source = text(mnt_fs_get_source(fs));
        mounts.push_back(std::move(m));
    }
    mnt_free_iter(it);
    return mounts;
}

}  // namespace

std::vector<MountEntry> parseMountInfo(std::string_view text) {
    MountTable table = newMountTable();
    if (!table || text.empty()) return {};
    // libmount reads streams: the text is read in place through a memory stream.
    FILE* in = ::fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    if (in == nullptr) return {};
    const int rc = mnt_table_parse_stream(table.get(), in, "mountinfo");
    std::fclose(in);
    return rc == 0 ? mountEntries(table.get()) : std::vector<MountEntry>{};
}

std::vector<MountEntry> readMountTable(const DeviceRoots& roots) {
    MountTable table = newMountTable();
    if (!table || mnt_table_parse_file(table.get(), roots.mountTable.c_str()) != 0) return {};
    return mountEntries(table.get());
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
