// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/path_case.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>
#include <vector>

namespace trakor {

namespace {

std::vector<std::string> components(const std::string& relative) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= relative.size()) {
        size_t slash = relative.find_first_of("/\\", start);
        if (slash == std::string::npos) slash = relative.size();
        if (slash > start) parts.push_back(relative.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

std::string joined(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

// The entry of `folder` named `name` in any case; empty when there is none.
std::string entryNoCase(const std::string& folder, const std::string& name) {
    struct stat st;
    if (::lstat(joined(folder, name).c_str(), &st) == 0) return name;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
    if (!dir) return {};
    while (const dirent* e = ::readdir(dir.get())) {
        if (::strcasecmp(e->d_name, name.c_str()) == 0) return e->d_name;
    }
    return {};
}

}  // namespace

std::string findPathNoCase(const std::string& root, const std::string& relative) {
    std::string path = root;
    bool matching = true;
    for (const std::string& part : components(relative)) {
        std::string found = matching ? entryNoCase(path, part) : std::string();
        if (found.empty()) matching = false;
        path = joined(path, found.empty() ? part : found);
    }
    return path;
}

std::string ensureFolderNoCase(const std::string& root, const std::string& relative) {
    std::string path = root;
    for (const std::string& part : components(relative)) {
        std::string found = entryNoCase(path, part);
        path = joined(path, found.empty() ? part : found);
        if (found.empty() && ::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) return {};
        struct stat st;
        if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
    }
    return path;
}

}  // namespace trakor
