// SPDX-License-Identifier: GPL-3.0-or-later
#include "gdb/file_header.h"

#include <cstdio>
#include <cstring>

namespace trakor {

namespace {
// Month abbreviations of the classic locale, so the build date never depends on the user's locale.
constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
}  // namespace

void writeNewHeader(ByteStream& out, std::time_t now) {
    static const uint8_t head[] = {'M', 's', 'R', 'c', 'f', 0, 2, 0, 0, 0, 'D', 'm', 0,
                                   30, 0, 0, 0, 'A', 0x63, 0x01};
    out.write(head, sizeof head);
    writeString("vorlek", out);

    std::tm t{};
    localtime_r(&now, &t);
    char date[16];
    char time[16];
    // "%b %d %Y" and "%X" of the classic locale.
    std::snprintf(date, sizeof date, "%s %02d %04d", kMonths[(t.tm_mon % 12 + 12) % 12], t.tm_mday,
                  (t.tm_year + 1900) % 10000);
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
    writeString(date, out);
    writeString(time, out);
    writeString("Trakor3", out);
}

void writeEndRecord(ByteStream& out) {
    static const uint8_t end[] = {2, 0, 0, 0, 'V', 0, 1};
    out.write(end, sizeof end);
}

int readFileHeader(ByteStream& in, GdbHeader& header) {
    header = GdbHeader{};
    std::string sig;
    int32_t n = readString(&sig, in);
    if (n != 6 || sig != "MsRcf") return 1;
    header.length = n;
    if (copyBytes(5, nullptr, in) != 5) return 1;
    uint8_t v = 0;
    if (in.read(&v, 1) != 1) return 1;
    header.version = v;
    uint8_t fixed[8];
    if (in.read(fixed, 8) != 8) return 1;
    header.creatorVersion = static_cast<uint16_t>(fixed[6] | (fixed[7] << 8));
    header.length += 5 + 1 + 8;
    for (std::string* s : {&header.creatorTag, &header.buildDate, &header.buildTime, &header.creatorName}) {
        int32_t k = readString(s, in);
        if (k < 0) return 1;
        header.length += k;
    }
    return 0;
}

int readVersionByte(ByteStream& in) {
    uint8_t head[kVersionOffset + 1];
    in.seek(0);
    size_t got = in.read(head, sizeof head);
    in.seek(0);
    if (got != sizeof head || std::memcmp(head, "MsRcf", 6) != 0) return -1;
    return head[kVersionOffset];
}

bool nextRecord(const uint8_t* image, size_t size, size_t& pos, RecordView& rec) {
    if (pos > size || size - pos < 5) return false;
    const uint8_t* p = image + pos;
    int32_t length = static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                                          (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24));
    if (length <= 0 || static_cast<size_t>(length) > size - pos - 5) return false;
    rec.offset = pos;
    rec.length = length;
    rec.type = static_cast<char>(p[4]);
    rec.data = p + 5;
    pos += 5 + static_cast<size_t>(length);
    return true;
}

bool firstDataRecord(const uint8_t* image, size_t size, size_t& pos) {
    pos = 6;
    RecordView rec;
    if (!nextRecord(image, size, pos, rec) || !nextRecord(image, size, pos, rec)) return false;
    while (pos < size && image[pos] != 0) ++pos;
    ++pos;
    return true;
}

std::string cutRecordNote(char type) {
    const char* kind = type == 'T' ? "track" : type == 'R' ? "route" : type == 'W' ? "waypoint" : nullptr;
    return kind ? std::string("the rest of a ") + kind + " record" : std::string("the rest of a record");
}

int32_t readRecordFrame(ByteStream& in, char& type) {
    int32_t length = readInt32(in);
    if (length == 0) {
        type = 'V';
    } else if (length < 0) {
        type = 0;
    } else {
        uint8_t t = 0;
        type = in.read(&t, 1) == 1 ? static_cast<char>(t) : 'V';
    }
    return length;
}

}  // namespace trakor
