// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/fit_messages.h"

#include "core/fit_crc.h"

namespace trakor {

namespace {

uint32_t loadUnsigned(const uint8_t* p, size_t n, bool bigEndian) {
    uint32_t v = 0;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t b = bigEndian ? p[i] : p[n - 1 - i];
        v = (v << 8) | b;
    }
    return v;
}

}  // namespace

const FitField* FitMessage::find(uint8_t number) const {
    if (!fields) return nullptr;
    for (const FitField& f : *fields)
        if (f.number == number) return &f;
    return nullptr;
}

bool FitMessage::u8(uint8_t number, uint8_t& v) const {
    const FitField* f = find(number);
    if (!f || f->size < 1) return false;
    v = body[f->offset];
    return v != 0xFF;
}

bool FitMessage::u16(uint8_t number, uint16_t& v) const {
    const FitField* f = find(number);
    if (!f || f->size < 2) return false;
    v = static_cast<uint16_t>(loadUnsigned(body + f->offset, 2, bigEndian));
    return v != 0xFFFF;
}

bool FitMessage::u32(uint8_t number, uint32_t& v) const {
    const FitField* f = find(number);
    if (!f || f->size < 4) return false;
    v = loadUnsigned(body + f->offset, 4, bigEndian);
    return v != 0xFFFFFFFFu;
}

bool FitMessage::s32(uint8_t number, int32_t& v) const {
    const FitField* f = find(number);
    if (!f || f->size < 4) return false;
    v = static_cast<int32_t>(loadUnsigned(body + f->offset, 4, bigEndian));
    return v != 0x7FFFFFFF;
}

std::string FitMessage::text(uint8_t number) const {
    const FitField* f = find(number);
    if (!f) return {};
    const char* p = reinterpret_cast<const char*>(body + f->offset);
    size_t n = 0;
    while (n < f->size && p[n] != '\0') ++n;
    return std::string(p, n);
}

bool FitWalker::open(const uint8_t* bytes, size_t length) {
    bytes_ = bytes;
    missing_ = 0;
    if (!bytes || length < 12) return false;
    const size_t headerSize = bytes[0];
    if (headerSize < 12 || headerSize > length) return false;
    if (bytes[8] != '.' || bytes[9] != 'F' || bytes[10] != 'I' || bytes[11] != 'T') return false;
    const size_t dataSize = loadUnsigned(bytes + 4, 4, false);
    begin_ = headerSize;
    if (dataSize > 0 && dataSize <= length - headerSize) {
        end_ = headerSize + dataSize;
    } else if (dataSize == 0 && length >= headerSize + 2) {
        end_ = length - 2;  // size not filled in by the writer: everything before the check sum
    } else {
        end_ = length;  // a cut-off file: read what is there
        missing_ = dataSize + headerSize + 2 > length ? dataSize + headerSize + 2 - length : 0;
    }
    // The file's CRC covers the header and the data; computed over them and its own two bytes it is 0.
    crcMatches_ = end_ + 2 > length || fitCrc(bytes, end_ + 2) == 0;
    rewind();
    return true;
}

void FitWalker::rewind() {
    pos_ = begin_;
    stoppedEarly_ = false;
    lastTimestamp_ = 0;
    defs_ = {};
}

bool FitWalker::readDefinition(uint8_t header) {
    Definition& d = defs_[header & 0x0F];
    d = Definition{};
    if (end_ - pos_ < 5) return false;
    const uint8_t* p = bytes_ + pos_;
    d.bigEndian = p[1] == 1;
    d.global = static_cast<uint16_t>(loadUnsigned(p + 2, 2, d.bigEndian));
    const size_t fieldCount = p[4];
    pos_ += 5;
    if (end_ - pos_ < 3 * fieldCount) return false;
    for (size_t i = 0; i < fieldCount; ++i) {
        const uint8_t* f = bytes_ + pos_ + 3 * i;
        d.fields.push_back({f[0], f[1], static_cast<uint16_t>(d.bodySize)});
        d.bodySize += f[1];
    }
    pos_ += 3 * fieldCount;
    if (header & 0x20) {
        // Developer fields: only their sizes matter, to skip them in the data messages.
        if (end_ - pos_ < 1) return false;
        const size_t devCount = bytes_[pos_++];
        if (end_ - pos_ < 3 * devCount) return false;
        for (size_t i = 0; i < devCount; ++i) d.bodySize += bytes_[pos_ + 3 * i + 1];
        pos_ += 3 * devCount;
    }
    d.defined = true;
    return true;
}

bool FitWalker::next(FitMessage& msg) {
    while (pos_ < end_) {
        stopAt_ = pos_;
        const uint8_t header = bytes_[pos_++];
        size_t local;
        bool compressed = false;
        if (header & 0x80) {
            compressed = true;
            local = (header >> 5) & 0x03;
        } else if (header & 0x40) {
            if (!readDefinition(header)) {
                stoppedEarly_ = true;
                break;
            }
            continue;
        } else {
            local = header & 0x0F;
        }
        const Definition& d = defs_[local];
        if (!d.defined || end_ - pos_ < d.bodySize) {
            stoppedEarly_ = true;
            break;
        }
        msg.global = d.global;
        msg.bigEndian = d.bigEndian;
        msg.body = bytes_ + pos_;
        msg.bodySize = d.bodySize;
        msg.fields = &d.fields;
        msg.timestamp = 0;
        pos_ += d.bodySize;
        uint32_t stamp;
        if (msg.u32(kFitTimestampField, stamp)) {
            lastTimestamp_ = stamp;
            msg.timestamp = stamp;
        } else if (compressed && lastTimestamp_ != 0) {
            // The low five bits of the time, relative to the last full time stamp; they roll over.
            const uint32_t offset = header & 0x1F;
            uint32_t stampNow = (lastTimestamp_ & ~0x1Fu) + offset;
            if (offset < (lastTimestamp_ & 0x1Fu)) stampNow += 0x20;
            lastTimestamp_ = stampNow;
            msg.timestamp = stampNow;
        }
        return true;
    }
    pos_ = end_;
    return false;
}

}  // namespace trakor
