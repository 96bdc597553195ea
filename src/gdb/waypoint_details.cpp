#include "gdb/waypoint_details.h"

#include <algorithm>
#include <cstring>

#include "gdb/file_header.h"

namespace trakor {

namespace {

// Reads fields inside a bounded block; the first field that would cross its end stops the walk.
class Walk {
public:
    Walk(const uint8_t* d, size_t n) : d_(d), n_(n) {}
    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }

    bool bytes(void* dst, size_t k) {
        if (!ok_ || n_ - pos_ < k) return ok_ = false;
        if (k) std::memcpy(dst, d_ + pos_, k);
        pos_ += k;
        return true;
    }
    uint8_t u8() {
        uint8_t v = 0;
        bytes(&v, 1);
        return v;
    }
    uint16_t u16() {
        uint8_t b[2] = {};
        bytes(b, 2);
        return static_cast<uint16_t>(b[0] | b[1] << 8);
    }
    int32_t i32() {
        uint8_t b[4] = {};
        bytes(b, 4);
        return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                                    static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
    }
    std::string str() {
        if (!ok_ || pos_ >= n_) {
            ok_ = false;
            return {};
        }
        const size_t limit = std::min(n_ - pos_, static_cast<size_t>(kMaxGdbString));
        const void* z = std::memchr(d_ + pos_, 0, limit);
        if (!z) {
            ok_ = false;
            return {};
        }
        const size_t len = static_cast<size_t>(static_cast<const uint8_t*>(z) - (d_ + pos_));
        std::string s(reinterpret_cast<const char*>(d_ + pos_), len);
        pos_ += len + 1;
        return s;
    }
    // A count of repeated items, each at least `minSize` bytes: negative or larger than the
    // rest of the block stops the walk.
    int32_t count(size_t minSize) {
        const int32_t c = i32();
        if (c < 0 || static_cast<size_t>(c) > (n_ - pos_) / minSize) ok_ = false;
        return ok_ ? c : 0;
    }

private:
    const uint8_t* d_;
    size_t n_;
    size_t pos_ = 0;
    bool ok_ = true;
};

}  // namespace

bool parseWaypointDetails(const uint8_t* data, size_t length, char version, WaypointDetails& d, size_t& used) {
    d = WaypointDetails{};
    used = 0;
    Walk w(data, length);
    const bool v3 = version == kGdbVersion3;
    if (v3) {
        d.address = w.str();
    } else {
        d.leadByte = w.u8();
    }
    w.bytes(d.routeBytes.data(), d.routeBytes.size());
    d.description = w.str();
    if (v3) {
        const int32_t links = w.count(1);
        for (int32_t i = 0; i < links && w.ok(); ++i) d.links.push_back(w.str());
    } else {
        d.links.push_back(w.str());
    }
    d.category = w.u16();
    d.beforeTime = w.u8();
    d.hasTime = w.u8() != 0;
    if (d.hasTime) d.time = w.i32();
    if (v3) {
        const int32_t phones = w.count(2);
        for (int32_t i = 0; i < 2 * phones && w.ok(); ++i) d.phoneTexts.push_back(w.str());
        d.country = w.str();
        d.postalCode = w.str();
    }
    if (!w.ok()) return false;
    used = w.pos();
    return true;
}

void writeWaypointDetails(ByteStream& out, const WaypointDetails& d, char version) {
    const bool v3 = version == kGdbVersion3;
    if (v3) {
        writeString(d.address, out);
    } else {
        writeU8(out, d.leadByte);
    }
    out.write(d.routeBytes.data(), d.routeBytes.size());
    writeString(d.description, out);
    if (v3) {
        writeInt32(out, static_cast<int32_t>(d.links.size()));
        for (const std::string& s : d.links) writeString(s, out);
    } else {
        writeString(d.links.empty() ? std::string() : d.links.front(), out);
    }
    writeU16(out, d.category);
    writeU8(out, d.beforeTime);
    writeU8(out, d.hasTime ? 1 : 0);
    if (d.hasTime) writeInt32(out, d.time);
    if (v3) {
        writeInt32(out, static_cast<int32_t>(d.phoneTexts.size() / 2));
        for (size_t i = 0; i < d.phoneTexts.size() / 2 * 2; ++i) writeString(d.phoneTexts[i], out);
        writeString(d.country, out);
        writeString(d.postalCode, out);
    }
}

WaypointDetails detailsForVersion3(const WaypointDetails& old) {
    WaypointDetails d;
    d.routeBytes = old.routeBytes;
    d.description = old.description;
    for (const std::string& s : old.links)
        if (!s.empty()) d.links.push_back(s);
    d.category = old.category;
    d.beforeTime = old.beforeTime;
    d.hasTime = old.hasTime;
    d.time = old.time;
    return d;
}

}  // namespace trakor
