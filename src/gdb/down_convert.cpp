// SPDX-License-Identifier: GPL-3.0-or-later
#include "gdb/down_convert.h"

#include "gdb/file_header.h"
#include "platform/file_attributes.h"

namespace trakor {

namespace {

// Reads at most `limit` bytes of an underlying stream: the data of one record.
class RecordReader : public ByteStream {
public:
    RecordReader(ByteStream& in, int32_t limit) : in_(in), limit_(limit > 0 ? limit : 0) {}

    size_t read(void* buf, size_t n) override {
        size_t k = n < static_cast<size_t>(limit_ - used_) ? n : static_cast<size_t>(limit_ - used_);
        size_t got = k ? in_.read(buf, k) : 0;
        if (got < n) ended_ = true;
        used_ += static_cast<int32_t>(got);
        return got;
    }
    bool write(const void*, size_t) override { return false; }
    int64_t tell() const override { return used_; }
    bool seek(int64_t) override { return false; }
    int64_t size() const override { return limit_; }

    // No more data in this record.
    bool done() const { return ended_ || used_ >= limit_; }
    // Skips what is left of the record.
    void skipRest() {
        if (limit_ > used_) copyBytes(limit_ - used_, nullptr, *this);
    }

private:
    ByteStream& in_;
    int32_t limit_;
    int32_t used_ = 0;
    bool ended_ = false;
};

// copyBytes for a fixed count that may be 0 (copyBytes would copy a string then).
void copyFixed(int32_t n, ByteStream* out, ByteStream& in) {
    if (n > 0) copyBytes(n, out, in);
}

struct Drops {
    int32_t waypoint = 0;     // last bytes of a waypoint record
    int32_t routePoint = 0;   // bytes after a route point's version tail
    int32_t trackPoint = 0;   // bytes after a track point's temperature
};

Drops dropsFor(uint8_t version) {
    if (version == kGdbLaterS) return {3, 5, 0};
    if (version == kGdbLater84 || version == kGdbLater8A) return {5, 9, 4};
    return {};
}

// Copies a count field and returns it, with the output position where it was written.
int32_t copyCount(RecordReader& in, ByteStream& out, int64_t& where) {
    int32_t n = readInt32(in);
    if (n < 0) n = 0;
    where = out.tell();
    writeInt32(out, n);
    return n;
}

// Corrects a count that promised more items than the record held.
void patchCount(ByteStream& out, int64_t where, int32_t promised, int32_t copied) {
    if (promised == copied) return;
    int64_t end = out.tell();
    out.seek(where);
    writeInt32(out, copied);
    out.seek(end);
}

// No-box flag: 0 is copied with the box that follows it, anything else is written as 1.
void copyBoxFlag(RecordReader& in, ByteStream& out) {
    if (in.done()) return;
    if (readU8(in) != 0) {
        writeU8(out, 1);
        return;
    }
    writeU8(out, 0);
    copyBytes(8, &out, in);
    copyOptional(&out, in, 8);
    copyBytes(8, &out, in);
    copyOptional(&out, in, 8);
}

void copyRoute(RecordReader& in, ByteStream& out, const Drops& drops) {
    copyBytes(0, &out, in);  // name
    copyBytes(1, &out, in);  // auto-name flag
    copyBoxFlag(in, out);
    int64_t countAt = 0;
    int32_t count = copyCount(in, out, countAt);
    int32_t copied = 0;
    for (; copied < count && !in.done(); ++copied) {
        copyBytes(0, &out, in);  // name
        copyBytes(4, &out, in);  // class
        copyBytes(0, &out, in);  // country
        copyBytes(22, &out, in);  // subclass
        uint8_t fixed[19] = {};
        size_t got = in.read(fixed, sizeof fixed);
        out.write(fixed, got);
        // A set flag in the first fixed byte brings 8 more bytes, as the route readers expect.
        if (got > 0 && fixed[0] != 0) copyBytes(8, &out, in);
        int64_t linksAt = 0;
        int32_t links = copyCount(in, out, linksAt);
        int32_t linksCopied = 0;
        for (; linksCopied < links && !in.done(); ++linksCopied) {
            copyBytes(8, &out, in);
            copyOptional(&out, in, 8);
        }
        patchCount(out, linksAt, links, linksCopied);
        copyBoxFlag(in, out);
        copyBytes(10, &out, in);
        copyFixed(drops.routePoint, nullptr, in);
    }
    patchCount(out, countAt, count, copied);
    if (in.done()) return;
    int64_t textsAt = 0;
    int32_t texts = copyCount(in, out, textsAt);
    int32_t textsCopied = 0;
    for (; textsCopied < texts && !in.done(); ++textsCopied) copyBytes(0, &out, in);
    patchCount(out, textsAt, texts, textsCopied);
    copyBytes(4, &out, in);  // colour
    copyBytes(2, nullptr, in);
    writeU16(out, 0);
}

void copyTrack(RecordReader& in, ByteStream& out, const Drops& drops) {
    copyBytes(0, &out, in);  // name
    copyBytes(5, &out, in);  // display flag and colour
    int64_t countAt = 0;
    int32_t count = copyCount(in, out, countAt);
    int32_t copied = 0;
    for (; copied < count && !in.done(); ++copied) {
        copyBytes(8, &out, in);
        copyOptional(&out, in, 8);  // altitude
        copyOptional(&out, in, 4);  // time
        copyOptional(&out, in, 8);  // depth
        copyOptional(&out, in, 8);  // temperature
        copyFixed(drops.trackPoint, nullptr, in);
    }
    patchCount(out, countAt, count, copied);
    copyBytes(4, &out, in);  // trailer
}

}  // namespace

int downConvertStream(ByteStream& in, uint8_t version, ByteStream& out) {
    const Drops drops = dropsFor(version);
    const int64_t total = in.size();
    copyBytes(11, &out, in);
    readU8(in);
    writeU8(out, kGdbVersion3);
    copyBytes(8, &out, in);
    for (int i = 0; i < 4; ++i) copyBytes(0, &out, in);

    for (;;) {
        int32_t length = readInt32(in);
        uint8_t type = 0;
        // The end of the data, a damaged frame, or a frame without any data after it.
        if (length <= 0 || in.read(&type, 1) != 1 || total <= in.tell()) break;
        RecordReader rec(in, length);
        if (type == 'V') {
            beginRecord(out, 'V');
            copyBytes(length, &out, rec);
            endRecord(recordDataLength(out), out);
            return 0;
        }
        // A waypoint no longer than its dropped bytes would leave an empty record: left out.
        bool keep = type == 'R' || type == 'T' || (type == 'W' && length > drops.waypoint);
        if (keep) {
            beginRecord(out, static_cast<char>(type));
            if (type == 'W') {
                copyFixed(length - drops.waypoint, &out, rec);
            } else if (type == 'R') {
                copyRoute(rec, out, drops);
            } else {
                copyTrack(rec, out, drops);
            }
            endRecord(recordDataLength(out), out);
        }
        rec.skipRest();
    }
    writeEndRecord(out);
    return 0;
}

int downConvert(Context& ctx, ByteStream& in, uint8_t version) {
    const std::string& path = ctx.paths.downGdb;
    clearReadOnly(path);
    FileStream out;
    if (!out.open(path, "w+b")) return 1;
    downConvertStream(in, version, out);
    bool written = out.close();
    setReadOnly(path);
    return written ? 0 : 1;
}

}  // namespace trakor
