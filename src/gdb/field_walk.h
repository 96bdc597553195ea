// SPDX-License-Identifier: GPL-3.0-or-later
// A cursor over the bytes of one record: every field is read inside the record, and the first
// field that would cross its end stops the walk. Strings are seen in place, without copies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "gdb/stream.h"

namespace trakor {

class FieldWalk {
public:
    FieldWalk(const uint8_t* d, size_t n) : start_(d), p_(d), end_(d + n) {}
    bool ok() const { return ok_; }
    size_t pos() const { return static_cast<size_t>(p_ - start_); }
    size_t left() const { return static_cast<size_t>(end_ - p_); }

    bool skip(size_t k) {
        if (left() < k) return fail();
        p_ += k;
        return true;
    }
    bool bytes(void* dst, size_t k) {
        if (left() < k) return fail();
        if (dst && k) std::memcpy(dst, p_, k);
        p_ += k;
        return true;
    }
    uint8_t u8() { return left() >= 1 ? *p_++ : (fail(), 0); }
    uint16_t u16() {
        if (left() < 2) return fail(), 0;
        const uint16_t v = static_cast<uint16_t>(p_[0] | p_[1] << 8);
        p_ += 2;
        return v;
    }
    int32_t i32() {
        if (left() < 4) return fail(), 0;
        const uint32_t v = static_cast<uint32_t>(p_[0]) | static_cast<uint32_t>(p_[1]) << 8 |
                           static_cast<uint32_t>(p_[2]) << 16 | static_cast<uint32_t>(p_[3]) << 24;
        p_ += 4;
        return static_cast<int32_t>(v);
    }
    // A zero-terminated string of at most kMaxGdbString bytes with its terminator; the view
    // excludes the terminator.
    std::string_view str() {
        const uint8_t* limit = left() > static_cast<size_t>(kMaxGdbString) ? p_ + kMaxGdbString : end_;
        const uint8_t* q = p_;
        while (q < limit && *q != 0) ++q;
        if (q == limit) return fail(), std::string_view();
        std::string_view s(reinterpret_cast<const char*>(p_), static_cast<size_t>(q - p_));
        p_ = q + 1;
        return s;
    }
    // A flag byte and, when it is not 0, `size` more bytes (altitude, depth, time, ...).
    bool optional(size_t size) { return u8() != 0 ? skip(size) : ok_; }
    // A count of repeated items, each at least `minSize` bytes: negative or larger than the rest
    // of the data stops the walk.
    int32_t count(size_t minSize) {
        const int32_t c = i32();
        if (c < 0 || static_cast<uint64_t>(c) * minSize > left()) return fail(), 0;
        return c;
    }

private:
    // Stops the walk: every later read fails as well.
    bool fail() {
        ok_ = false;
        p_ = end_;
        return false;
    }

    const uint8_t* start_;
    const uint8_t* p_;
    const uint8_t* end_;
    bool ok_ = true;
};

}  // namespace trakor
