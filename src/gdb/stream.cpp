// SPDX-License-Identifier: GPL-3.0-or-later
#include "gdb/stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace trakor {

size_t MemoryStream::read(void* buf, size_t n) {
    size_t k = n < remaining() ? n : remaining();
    if (k) std::memcpy(buf, data() + pos_, k);
    pos_ += static_cast<int64_t>(k);
    return k;
}

bool MemoryStream::write(const void* buf, size_t n) {
    if (isView_) {
        ok_ = false;
        return false;
    }
    size_t end = static_cast<size_t>(pos_) + n;
    const uint8_t* bytes = static_cast<const uint8_t*>(buf);
    if (static_cast<size_t>(pos_) == own_.size()) {
        // Appending, the common case: no zero fill before the copy.
        own_.insert(own_.end(), bytes, bytes + n);
    } else {
        if (end > own_.size()) own_.resize(end);
        if (n) std::memcpy(own_.data() + pos_, bytes, n);
    }
    pos_ = static_cast<int64_t>(end);
    return true;
}

bool MemoryStream::seek(int64_t pos) {
    if (pos < 0 || pos > size()) return false;
    pos_ = pos;
    return true;
}

bool FileStream::open(const std::string& path, const char* mode) {
    close();
    ok_ = true;
    error_ = 0;
    const std::string_view m(mode);
    int flags = O_CLOEXEC;
    if (m.starts_with('r')) flags |= m.find('+') != std::string_view::npos ? O_RDWR : O_RDONLY;
    else if (m.starts_with('w')) flags |= (m.find('+') != std::string_view::npos ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    else return false;
    do fd_ = ::open(path.c_str(), flags, 0666);
    while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) return false;
    struct stat st {};
    fileSize_ = openSize_ = ::fstat(fd_, &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
    readPath_.clear();
    if ((flags & O_ACCMODE) == O_RDONLY && identityOf(fd_, path, opened_)) readPath_ = path;
    if (!buffer_) buffer_ = std::make_unique<uint8_t[]>(kBufferSize);
    moveWindow(0);
    return true;
}

bool FileStream::close() {
    writeBehind_ = false;
    behind_.reset();
    unflushed_ = 0;
    if (fd_ < 0) return ok_;
    flush();
    if (::close(fd_) != 0 && errno != EINTR) failed();
    fd_ = -1;
    return ok_;
}

void FileStream::moveWindow(int64_t pos) {
    bufStart_ = pos;
    bufLen_ = cur_ = 0;
    dirtyFrom_ = dirtyTo_ = 0;
}

bool FileStream::flush() {
    size_t from = dirtyFrom_;
    while (from < dirtyTo_) {
        const ssize_t n = ::pwrite(fd_, buffer_.get() + from, dirtyTo_ - from, bufStart_ + static_cast<int64_t>(from));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            dirtyFrom_ = dirtyTo_ = 0;
            return failed();
        }
        from += static_cast<size_t>(n);
    }
    noteWritten(dirtyTo_ - dirtyFrom_, bufStart_ + static_cast<int64_t>(dirtyTo_));
    dirtyFrom_ = dirtyTo_ = 0;
    return true;
}

void FileStream::noteWritten(size_t n, int64_t end) {
    if (writeBehind_ && n > 0 && (unflushed_ += n) >= WriteBehind::kStep) {
        behind_.wrote(fd_, unflushed_, end);
        unflushed_ = 0;
    }
}

size_t FileStream::read(void* buf, size_t n) {
    if (fd_ < 0) return 0;
    uint8_t* to = static_cast<uint8_t*>(buf);
    size_t done = 0;
    while (done < n) {
        if (cur_ < bufLen_) {
            const size_t k = std::min(n - done, bufLen_ - cur_);
            std::memcpy(to + done, buffer_.get() + cur_, k);
            cur_ += k;
            done += k;
            continue;
        }
        // The window is used up: the next one starts where reading stands.
        if (!flush()) break;
        const int64_t pos = tell();
        moveWindow(pos);
        const size_t want = n - done;
        if (want >= kBufferSize) {
            // A large read goes straight into the caller's memory.
            const ssize_t got = ::pread(fd_, to + done, want, pos);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            done += static_cast<size_t>(got);
            moveWindow(pos + got);
            continue;
        }
        const ssize_t got = ::pread(fd_, buffer_.get(), kBufferSize, pos);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        bufLen_ = static_cast<size_t>(got);
    }
    return done;
}

bool FileStream::write(const void* buf, size_t n) {
    if (fd_ < 0) {
        errno = EBADF;
        return failed();
    }
    const uint8_t* from = static_cast<const uint8_t*>(buf);
    while (n > 0) {
        if (cur_ == kBufferSize) {
            if (!flush()) return false;
            moveWindow(tell());
        }
        const size_t k = std::min(n, kBufferSize - cur_);
        if (cur_ == 0 && bufLen_ == 0 && k == kBufferSize) {
            // A whole buffer's worth goes straight to the file.
            const ssize_t put = ::pwrite(fd_, from, k, bufStart_);
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) {
                if (put == 0) errno = EIO;
                return failed();
            }
            moveWindow(bufStart_ + put);
            fileSize_ = std::max(fileSize_, bufStart_);
            noteWritten(static_cast<size_t>(put), bufStart_);
            from += put;
            n -= static_cast<size_t>(put);
            continue;
        }
        std::memcpy(buffer_.get() + cur_, from, k);
        if (dirtyFrom_ == dirtyTo_) dirtyFrom_ = cur_, dirtyTo_ = cur_ + k;
        else dirtyFrom_ = std::min(dirtyFrom_, cur_), dirtyTo_ = std::max(dirtyTo_, cur_ + k);
        cur_ += k;
        bufLen_ = std::max(bufLen_, cur_);
        fileSize_ = std::max(fileSize_, bufStart_ + static_cast<int64_t>(bufLen_));
        from += k;
        n -= k;
    }
    return true;
}

bool FileStream::seek(int64_t pos) {
    if (fd_ < 0 || pos < 0) return false;
    // Inside the window (a record writer going back to fill in a length): only the position moves.
    if (pos >= bufStart_ && pos <= bufStart_ + static_cast<int64_t>(bufLen_)) {
        cur_ = static_cast<size_t>(pos - bufStart_);
        return true;
    }
    if (!flush()) return false;
    moveWindow(pos);
    return true;
}

bool FileStream::bytesCutShort() const {
    if (map_ && map_->shrank()) return true;
    struct stat st {};
    return fd_ >= 0 && ::fstat(fd_, &st) == 0 && static_cast<int64_t>(st.st_size) < openSize_;
}

namespace {
int64_t nanoseconds(const struct timespec& t) { return t.tv_sec * 1000000000LL + t.tv_nsec; }
}  // namespace

bool FileStream::identityOf(int fd, const std::string& path, Identity& id) {
    struct stat st {};
    if (fd >= 0 ? ::fstat(fd, &st) != 0 : ::stat(path.c_str(), &st) != 0) return false;
    id = {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), static_cast<int64_t>(st.st_size),
          nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)};
    return true;
}

bool FileStream::bytesChanged() const {
    if (fd_ < 0 || readPath_.empty()) return false;
    // The open file's content and attributes, then whether its name now leads to another file.
    Identity held, named;
    if (!identityOf(fd_, readPath_, held) || !(held == opened_)) return true;
    return identityOf(-1, readPath_, named) && (named.device != held.device || named.inode != held.inode);
}

int64_t FileStream::size() const { return fd_ >= 0 ? fileSize_ : -1; }

const uint8_t* FileStream::wholeBytes(size_t& size) {
    size = 0;
    if (fd_ < 0 || !flush()) return nullptr;
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || st.st_size <= 0) return nullptr;
    if (!map_) map_ = std::make_unique<GuardedMapping>();
    if (!map_->map(fd_, static_cast<size_t>(st.st_size))) return nullptr;
    size = map_->size();
    return map_->data();
}

namespace {
template <typename T>
T readLittle(ByteStream& in) {
    uint8_t b[sizeof(T)];
    if (in.read(b, sizeof(T)) != sizeof(T)) return T{};
    std::conditional_t<sizeof(T) == 8, uint64_t, uint32_t> v = 0;
    for (size_t i = sizeof(T); i-- > 0;) v = (v << 8) | b[i];
    T out;
    if constexpr (sizeof(T) == sizeof(v)) {
        std::memcpy(&out, &v, sizeof(T));
    } else {
        out = static_cast<T>(v);
    }
    return out;
}

template <typename T>
void writeLittle(ByteStream& out, T value) {
    uint8_t b[sizeof(T)];
    std::conditional_t<sizeof(T) == 8, uint64_t, uint32_t> v = 0;
    if constexpr (sizeof(T) == sizeof(v)) {
        std::memcpy(&v, &value, sizeof(T));
    } else {
        v = static_cast<std::make_unsigned_t<T>>(value);
    }
    for (size_t i = 0; i < sizeof(T); ++i) b[i] = static_cast<uint8_t>(v >> (8 * i));
    out.write(b, sizeof(T));
}
}  // namespace

int32_t readInt32(ByteStream& in) { return readLittle<int32_t>(in); }
uint16_t readU16(ByteStream& in) { return readLittle<uint16_t>(in); }
uint8_t readU8(ByteStream& in) { return readLittle<uint8_t>(in); }
double readDouble(ByteStream& in) { return readLittle<double>(in); }

void writeInt32(ByteStream& out, int32_t v) { writeLittle<int32_t>(out, v); }
void writeU16(ByteStream& out, uint16_t v) { writeLittle<uint16_t>(out, v); }
void writeU8(ByteStream& out, uint8_t v) { out.write(&v, 1); }
void writeDouble(ByteStream& out, double v) { writeLittle<double>(out, v); }

int32_t readString(std::string* out, ByteStream& in) {
    if (out) out->clear();
    int32_t n = 0;
    uint8_t c;
    while (in.read(&c, 1) == 1) {
        ++n;
        if (c == 0) return n;
        if (n >= kMaxGdbString) return -1;
        if (out) out->push_back(static_cast<char>(c));
    }
    return -1;
}

void writeString(std::string_view text, ByteStream& out) {
    out.write(text.data(), text.size());
    const uint8_t zero = 0;
    out.write(&zero, 1);
}

int32_t copyBytes(int32_t count, ByteStream* out, ByteStream& in) {
    if (count > 0) {
        uint8_t buf[8192];
        int32_t done = 0;
        while (done < count) {
            size_t want = static_cast<size_t>(count - done) < sizeof buf ? static_cast<size_t>(count - done) : sizeof buf;
            size_t got = in.read(buf, want);
            if (got == 0) break;
            if (out) out->write(buf, got);
            done += static_cast<int32_t>(got);
        }
        return done;
    }
    if (count < 0) return 0;  // a negative count copies nothing
    int32_t n = 0;
    uint8_t c;
    while (in.read(&c, 1) == 1) {
        if (out) out->write(&c, 1);
        ++n;
        if (c == 0) break;
    }
    return n;
}

int32_t copyOptional(ByteStream* out, ByteStream& in, int32_t n) {
    uint8_t flag = 0;
    if (in.read(&flag, 1) != 1) return 1;
    if (out) out->write(&flag, 1);
    if (flag == 0) return 1;
    copyBytes(n, out, in);
    return n + 1;
}

void beginRecord(ByteStream& out, char type) {
    out.recordStart = out.tell();
    writeInt32(out, 0);
    writeU8(out, static_cast<uint8_t>(type));
}

void endRecord(int32_t length, ByteStream& out) {
    int64_t end = out.tell();
    if (out.recordStart >= 0 && out.seek(out.recordStart)) {
        writeInt32(out, length);
        out.seek(end);
    }
    out.recordStart = -1;
}

}  // namespace trakor
