// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/kmz_archive.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unzip.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "import/import_messages.h"

namespace trakor {

namespace {

// A file descriptor closed with its owner.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd& operator=(Fd&& o) noexcept {
        std::swap(fd_, o.fd_);
        return *this;
    }
    int get() const { return fd_; }
    int release() {
        int f = fd_;
        fd_ = -1;
        return f;
    }

private:
    int fd_;
};

class Archive {
public:
    explicit Archive(const std::string& path) : z_(unzOpen64(path.c_str())) {}
    ~Archive() {
        if (z_) unzClose(z_);
    }
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;
    unzFile get() const { return z_; }

private:
    unzFile z_;
};

// Tells the user why nothing was extracted.
void refuse(Context& ctx, const char* format, const std::string& a, const std::string& b = {}) {
    if (ctx.run.batch) return;  // the batch log reports the file as not openable
    char text[2048];
    if (format == importmsg::kKmzTooLarge)
        std::snprintf(text, sizeof text, format, a.c_str(), static_cast<unsigned>(kMaxKmzEntryBytes >> 20));
    else
        std::snprintf(text, sizeof text, format, a.c_str(), b.c_str());
    tellLiteral(ctx, ctx.paths.appName.c_str(), text, MsgStyle::Warning);
}

// Opens (creating when missing) the folder `name` below the open folder `parent`, refusing links.
Fd openFolder(int parent, const char* name) {
    if (::mkdirat(parent, name, 0755) != 0 && errno != EEXIST) return Fd();
    return Fd(::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

bool isLinkEntry(const unz_file_info64& info) {
    // Unix-made archives keep the file mode in the high half of the external attributes.
    return (info.version >> 8) == 3 && ((info.external_fa >> 16) & S_IFMT) == S_IFLNK;
}

// Local modification time of the entry.
void keepEntryTime(int fd, const unz_file_info64& info) {
    std::tm tm{};
    tm.tm_year = static_cast<int>(info.tmu_date.tm_year) - 1900;
    tm.tm_mon = static_cast<int>(info.tmu_date.tm_mon);
    tm.tm_mday = static_cast<int>(info.tmu_date.tm_mday);
    tm.tm_hour = static_cast<int>(info.tmu_date.tm_hour);
    tm.tm_min = static_cast<int>(info.tmu_date.tm_min);
    tm.tm_sec = static_cast<int>(info.tmu_date.tm_sec);
    tm.tm_isdst = -1;
    time_t t = mktime(&tm);
    if (t == static_cast<time_t>(-1)) return;
    struct timespec times[2] = {{t, 0}, {t, 0}};
    ::futimens(fd, times);
}

bool endsWithNoCase(std::string_view s, std::string_view end) {
    if (s.size() < end.size()) return false;
    for (size_t i = 0; i < end.size(); ++i) {
        char c = s[s.size() - end.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != end[i]) return false;
    }
    return true;
}

// Makes the document entry the current one: "doc.kml" at the top of the archive, else the first
// entry whose name ends in ".kml" (icons and images may come first), else the first entry.
bool goToKmlEntry(unzFile zip) {
    if (unzGoToFirstFile(zip) != UNZ_OK) return false;
    std::optional<unz64_file_pos> firstKml;
    int status = UNZ_OK;
    for (; status == UNZ_OK; status = unzGoToNextFile(zip)) {
        char rawName[1024] = {};
        if (unzGetCurrentFileInfo64(zip, nullptr, rawName, sizeof rawName - 1, nullptr, 0, nullptr, 0) != UNZ_OK)
            return false;
        const std::string relative = relativeEntryName(rawName);
        if (relative.size() == 7 && endsWithNoCase(relative, "doc.kml")) return true;
        if (!firstKml && endsWithNoCase(relative, ".kml")) {
            unz64_file_pos pos{};
            if (unzGetFilePos64(zip, &pos) != UNZ_OK) return false;
            firstKml = pos;
        }
    }
    if (status != UNZ_END_OF_LIST_OF_FILE) return false;
    if (firstKml) return unzGoToFilePos64(zip, &*firstKml) == UNZ_OK;
    return unzGoToFirstFile(zip) == UNZ_OK;
}

}  // namespace

std::string kmzExtractionFolder(const Context& ctx) {
    std::filesystem::path base = ctx.paths.workingFolder.empty() ? std::filesystem::path(".")
                                                                 : std::filesystem::path(ctx.paths.workingFolder);
    return (base / "kmz").string();
}

std::string relativeEntryName(std::string_view name) {
    std::string s(name);
    if (s.size() >= 2 && s[1] == ':' && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'))) s.erase(0, 2);
    size_t lead = s.find_first_not_of("/\\");
    s.erase(0, lead == std::string::npos ? s.size() : lead);
    for (char& c : s)
        if (c == '\\') c = '/';
    // Components: "." and empty ones vanish, ".." drops everything before it.
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= s.size()) {
        size_t end = s.find('/', start);
        if (end == std::string::npos) end = s.size();
        std::string part = s.substr(start, end - start);
        if (part == "..")
            parts.clear();
        else if (!part.empty() && part != ".")
            parts.push_back(part);
        start = end + 1;
    }
    // A name ending in a separator, "." or ".." is a folder, not a file.
    size_t lastSep = s.rfind('/');
    std::string last = lastSep == std::string::npos ? s : s.substr(lastSep + 1);
    if (parts.empty() || last.empty() || last == "." || last == "..") return {};
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : "/") + p;
    return out;
}

std::string extractKmz(Context& ctx, const std::string& kmzPath) {
    Archive zip(kmzPath);
    if (!zip.get() || !goToKmlEntry(zip.get())) {
        refuse(ctx, importmsg::kKmzCannotOpen, kmzPath);
        return {};
    }
    unz_file_info64 info{};
    char rawName[1024] = {};
    if (unzGetCurrentFileInfo64(zip.get(), &info, rawName, sizeof rawName - 1, nullptr, 0, nullptr, 0) != UNZ_OK) {
        refuse(ctx, importmsg::kKmzCannotOpen, kmzPath);
        return {};
    }
    const std::string entry = rawName;
    if (isLinkEntry(info)) {
        refuse(ctx, importmsg::kKmzLink, entry);
        return {};
    }
    if (info.uncompressed_size > kMaxKmzEntryBytes) {
        refuse(ctx, importmsg::kKmzTooLarge, entry);
        return {};
    }
    const std::string relative = relativeEntryName(entry);
    if (relative.empty()) {
        refuse(ctx, importmsg::kKmzBadName, entry);
        return {};
    }

    const std::string folder = kmzExtractionFolder(ctx);
    const std::string target = (std::filesystem::path(folder) / relative).string();
    // Walk down from the extraction folder one component at a time, never following a link.
    ::mkdir(folder.c_str(), 0755);
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    std::vector<std::string> parts;
    for (size_t start = 0, end; start < relative.size(); start = end + 1) {
        end = relative.find('/', start);
        if (end == std::string::npos) end = relative.size();
        parts.push_back(relative.substr(start, end - start));
    }
    for (size_t i = 0; i + 1 < parts.size() && dir.get() >= 0; ++i) dir = openFolder(dir.get(), parts[i].c_str());
    if (dir.get() < 0) {
        refuse(ctx, importmsg::kKmzWriteFailed, entry, target);
        return {};
    }
    const char* leaf = parts.back().c_str();
    // A fresh file: whatever had the name before (a link included) is replaced, not written through.
    ::unlinkat(dir.get(), leaf, 0);
    Fd file(::openat(dir.get(), leaf, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (file.get() < 0 || unzOpenCurrentFile(zip.get()) != UNZ_OK) {
        refuse(ctx, importmsg::kKmzWriteFailed, entry, target);
        return {};
    }
    std::vector<char> buf(1 << 16);
    uint64_t total = 0;
    bool ok = true, tooLarge = false;
    for (;;) {
        int n = unzReadCurrentFile(zip.get(), buf.data(), static_cast<unsigned>(buf.size()));
        if (n == 0) break;
        if (n < 0) {
            ok = false;
            break;
        }
        total += static_cast<uint64_t>(n);
        if (total > kMaxKmzEntryBytes) {  // the header understated the size
            ok = false;
            tooLarge = true;
            break;
        }
        if (::write(file.get(), buf.data(), static_cast<size_t>(n)) != n) {
            ok = false;
            break;
        }
    }
    if (unzCloseCurrentFile(zip.get()) != UNZ_OK) ok = false;  // a CRC error included
    if (ok) keepEntryTime(file.get(), info);
    if (::close(file.release()) != 0) ok = false;
    if (!ok) {
        ::unlinkat(dir.get(), leaf, 0);
        if (tooLarge)
            refuse(ctx, importmsg::kKmzTooLarge, entry);
        else
            refuse(ctx, importmsg::kKmzWriteFailed, entry, target);
        return {};
    }
    return target;
}

}  // namespace trakor
