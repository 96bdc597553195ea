// SPDX-License-Identifier: GPL-3.0-or-later
// Byte streams and the GDB stream primitives. One abstraction serves files and memory,
// so every record writer exists once.
#pragma once

#include <cstdint>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/guarded_map.h"
#include "platform/whole_file.h"
#include "platform/write_behind.h"

namespace trakor {

// Longest string readString accepts, including its zero byte.
constexpr int32_t kMaxGdbString = 30001;

class ByteStream {
public:
    virtual ~ByteStream() = default;
    // Reads up to n bytes; returns how many were read (fewer only at the end of the data).
    virtual size_t read(void* buf, size_t n) = 0;
    // Writes n bytes; false when the bytes could not be written.
    virtual bool write(const void* buf, size_t n) = 0;
    virtual int64_t tell() const = 0;
    // Absolute position; false when it lies outside what the stream can reach.
    virtual bool seek(int64_t pos) = 0;
    virtual int64_t size() const = 0;
    // False once any write failed.
    bool ok() const { return ok_; }
    // All of the stream's bytes in place, when it can give them without reading them (memory, a
    // mapped file); nullptr otherwise.
    virtual const uint8_t* wholeBytes(size_t& size) {
        size = 0;
        return nullptr;
    }
    // Whether bytes given by wholeBytes were cut short since: the file shrank while mapped.
    virtual bool bytesCutShort() const { return false; }
    // Whether another program changed or replaced the file since it was opened for reading, so
    // that what was read may mix old and new bytes.
    virtual bool bytesChanged() const { return false; }

    // Position remembered by beginRecord for endRecord.
    int64_t recordStart = -1;

protected:
    bool ok_ = true;
};

// Growing in-memory stream; also reads a block of bytes held elsewhere (read-only view).
class MemoryStream : public ByteStream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<uint8_t> bytes) : own_(std::move(bytes)) {}
    // A read-only view of bytes that outlive the stream.
    MemoryStream(const uint8_t* data, size_t size) : view_(data), viewSize_(size), isView_(true) {}

    size_t read(void* buf, size_t n) override;
    bool write(const void* buf, size_t n) override;
    int64_t tell() const override { return pos_; }
    bool seek(int64_t pos) override;
    int64_t size() const override { return static_cast<int64_t>(isView_ ? viewSize_ : own_.size()); }

    const uint8_t* data() const { return isView_ ? view_ : own_.data(); }
    const uint8_t* wholeBytes(size_t& size) override {
        size = static_cast<size_t>(this->size());
        return data();
    }
    std::vector<uint8_t>& bytes() { return own_; }
    // Room for n bytes in all, so a record of known size grows without copies.
    void reserve(size_t n) { own_.reserve(n); }
    // Direct access for scanners: the bytes from the current position on.
    const uint8_t* cursor() const { return data() + pos_; }
    size_t remaining() const { return static_cast<size_t>(size() - pos_); }
    void skip(size_t n) { pos_ += static_cast<int64_t>(n < remaining() ? n : remaining()); }

private:
    std::vector<uint8_t> own_;
    const uint8_t* view_ = nullptr;
    size_t viewSize_ = 0;
    bool isView_ = false;
    int64_t pos_ = 0;
};

// File stream through one buffer of its own: reads, writes and the seeks of a record writer going
// back to fill in a length all stay in the buffer while they fall inside it, so a file of many
// small records costs no system call per record. The size is taken once at open and then follows
// the writes.
class FileStream : public ByteStream {
public:
    FileStream() = default;
    ~FileStream() override { close(); }
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    // mode as for fopen: "rb", "wb", "w+b", "r+b".
    bool open(const std::string& path, const char* mode);
    // Closes; false when a write or the close failed.
    bool close();
    bool isOpen() const { return fd_ >= 0; }
    // The system's error number of the first write or close that failed; 0 when none did.
    int writeError() const { return error_; }

    size_t read(void* buf, size_t n) override;
    bool write(const void* buf, size_t n) override;
    int64_t tell() const override { return fd_ >= 0 ? bufStart_ + static_cast<int64_t>(cur_) : -1; }
    bool seek(int64_t pos) override;
    int64_t size() const override;
    // For a file written from start to end that will be flushed to disk when delivered: the
    // disk is asked to start writing every few megabytes, so that flush waits less.
    void writeBehind() { writeBehind_ = true; }
    // The file mapped, pages cut off by another program reading as zeros.
    const uint8_t* wholeBytes(size_t& size) override;
    // Mapped pages cut off, or the file on disk now shorter than when it was opened (the buffer
    // may have held bytes another program has since cut away).
    bool bytesCutShort() const override;
    // The file opened for reading is no longer as it was (size, modification or change time to
    // the nanosecond), or its path now names another file.
    bool bytesChanged() const override;

private:
    // What identifies the file and its content as opened for reading.
    struct Identity {
        uint64_t device = 0, inode = 0;
        int64_t size = 0, modifiedNs = 0, changedNs = 0;
        bool operator==(const Identity&) const = default;
    };
    // Of the open file fd, or (fd negative) of the file at `path`.
    static bool identityOf(int fd, const std::string& path, Identity& id);
    static constexpr size_t kBufferSize = size_t{1} << 16;
    // Hands the changed bytes of the buffer to the file; false (and ok_ false) when that fails.
    bool flush();
    // Counts bytes handed to the file (ending at end) towards the next write-behind step.
    void noteWritten(size_t n, int64_t end);
    // Starts an empty buffer window at pos.
    void moveWindow(int64_t pos);

    int fd_ = -1;
    std::unique_ptr<uint8_t[]> buffer_;
    int64_t bufStart_ = 0;   // file offset of buffer_[0]
    size_t bufLen_ = 0;      // bytes of the window that hold file data
    size_t cur_ = 0;         // position within the window, at most bufLen_
    size_t dirtyFrom_ = 0, dirtyTo_ = 0;  // changed bytes not yet written
    int64_t fileSize_ = 0;   // the file's size as far as this stream has seen or made it
    int64_t openSize_ = 0;   // the file's size when it was opened
    std::string readPath_;   // the path of a file opened for reading only
    Identity opened_;
    std::unique_ptr<GuardedMapping> map_;
    bool writeBehind_ = false;
    WriteBehind behind_;
    size_t unflushed_ = 0;
    int error_ = 0;
    bool failed() {
        if (ok_) error_ = errno;
        ok_ = false;
        return false;
    }
};

// Little-endian readers; at the end of the data they yield 0.
int32_t readInt32(ByteStream& in);
uint16_t readU16(ByteStream& in);
uint8_t readU8(ByteStream& in);
double readDouble(ByteStream& in);
// Bytes up to and including a zero byte into out (may be null); the count read with the zero
// byte, or -1 when the data end first or the string exceeds kMaxGdbString.
int32_t readString(std::string* out, ByteStream& in);

void writeInt32(ByteStream& out, int32_t v);
void writeU16(ByteStream& out, uint16_t v);
void writeU8(ByteStream& out, uint8_t v);
void writeDouble(ByteStream& out, double v);
// The text and a zero byte.
void writeString(std::string_view text, ByteStream& out);

// count > 0: copies count bytes (fewer at the end of the data) and returns how many;
// count 0: copies up to and including the next zero byte; a negative count copies nothing.
// out may be null (bytes are consumed).
int32_t copyBytes(int32_t count, ByteStream* out, ByteStream& in);
// One flag byte; when non-zero n more bytes. Returns 1 or n + 1.
int32_t copyOptional(ByteStream* out, ByteStream& in, int32_t n);

// Starts a record: remembers the position, writes length 0 and the type letter.
void beginRecord(ByteStream& out, char type);
// Writes the record length at the remembered position and returns to the end.
void endRecord(int32_t length, ByteStream& out);
// The length to give endRecord: bytes written after the type letter.
inline int32_t recordDataLength(const ByteStream& out) {
    return static_cast<int32_t>(out.tell() - (out.recordStart + 5));
}

}  // namespace trakor
