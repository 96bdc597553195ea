// Replacing a file's content so that a crash leaves either the old or the new file, never half of one.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace trakor {

// Writes `bytes` to a temporary file beside `path`, flushes it to disk and renames it over `path`.
// A symbolic link is followed (its target is replaced); an existing file keeps its permission bits.
// Fails, leaving `path` untouched, when the file is read-only, the folder cannot be written or any
// step fails; `error` then holds the reason.
bool writeFileAtomically(const std::string& path, std::string_view bytes, std::string* error = nullptr);

// The same with the content written by `fill` into the temporary file's descriptor (false:
// failed), so a large content never needs to be in memory as a whole.
bool writeFileAtomicallyWith(const std::string& path, const std::function<bool(int fd)>& fill,
                             std::string* error = nullptr);

// Writes every byte to the descriptor (retrying short writes); false on a write error.
bool writeAllBytes(int fd, std::string_view bytes);

// The system calls a device write uses; tests replace them to act like a refusing device.
struct DeviceFileCalls {
    int (*rename)(const char*, const char*) = ::rename;
    ssize_t (*write)(int, const void*, size_t) = ::write;
};

// Writes a file into a GPS device's folder. The bytes go to a temporary name, which is then renamed
// to `path`; a device that refuses the rename (MTP through gvfs or FUSE) gets the file written
// directly instead. Either way the written size is checked. Permission changes and flushes that
// such devices do not support are not required.
bool writeFileToDevice(const std::string& path, std::string_view bytes, std::string* error = nullptr,
                       const DeviceFileCalls& calls = {});

}  // namespace trakor
