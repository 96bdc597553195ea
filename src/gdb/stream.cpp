#include "gdb/stream.h"

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
    f_ = std::fopen(path.c_str(), mode);
    // stdio ignores the size without a buffer of ours and would move 4 KB per system call.
    if (f_) {
        if (!buffer_) buffer_ = std::make_unique<char[]>(kBufferSize);
        std::setvbuf(f_, buffer_.get(), _IOFBF, kBufferSize);
    }
    return f_ != nullptr;
}

bool FileStream::close() {
    writeBehind_ = false;
    behind_.reset();
    unflushed_ = 0;
    if (!f_) return ok_;
    if (std::fclose(f_) != 0) failed();
    f_ = nullptr;
    return ok_;
}

size_t FileStream::read(void* buf, size_t n) { return f_ ? std::fread(buf, 1, n, f_) : 0; }

bool FileStream::write(const void* buf, size_t n) {
    if (!f_ || std::fwrite(buf, 1, n, f_) != n) return failed();
    if (writeBehind_ && (unflushed_ += n) >= WriteBehind::kStep) {
        // What stdio holds goes to the system first, so the disk can be asked to write it.
        if (std::fflush(f_) != 0) return failed();
        behind_.wrote(fileno(f_), unflushed_, static_cast<int64_t>(ftello(f_)));
        unflushed_ = 0;
    }
    return true;
}

int64_t FileStream::tell() const { return f_ ? static_cast<int64_t>(ftello(f_)) : -1; }

bool FileStream::seek(int64_t pos) { return f_ && pos >= 0 && fseeko(f_, static_cast<off_t>(pos), SEEK_SET) == 0; }

const uint8_t* FileStream::wholeBytes(size_t& size) {
    size = 0;
    const int64_t length = f_ ? this->size() : -1;
    if (length <= 0) return nullptr;
    if (!map_) map_ = std::make_unique<GuardedMapping>();
    if (!map_->map(fileno(f_), static_cast<size_t>(length))) return nullptr;
    size = map_->size();
    return map_->data();
}

int64_t FileStream::size() const {
    if (!f_) return -1;
    off_t here = ftello(f_);
    fseeko(f_, 0, SEEK_END);
    off_t end = ftello(f_);
    fseeko(f_, here, SEEK_SET);
    return static_cast<int64_t>(end);
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
