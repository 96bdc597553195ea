#include "gdb/result_check.h"

#include <vector>

#include "gdb/file_header.h"
#include "gdb/records.h"
#include "gdb/waypoint_details.h"

namespace trakor {

namespace {

ResultCheck failure(int32_t record, std::string reason) { return {false, record, std::move(reason)}; }

int32_t int32At(const uint8_t* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

// The layout of one data record in the file's version; empty when it fits.
std::string recordFault(const RecordView& rec, char version) {
    const size_t length = static_cast<size_t>(rec.length);
    switch (rec.type) {
        case 'W': {
            GdbWaypoint w;
            if (parseWaypoint(rec.data, length, version, w) != kRecordOk) return "waypoint shorter than its fields";
            WaypointDetails d;
            size_t used = 0;
            const size_t tail = static_cast<size_t>(w.tailOffset);
            if (!parseWaypointDetails(rec.data + tail, length - tail, version, d, used))
                return "waypoint not in the layout of its version";
            return {};
        }
        case 'R': {
            GdbRoute r;
            // Versions 'k' and 'l' close a route with one byte, 'm' with two after the colour.
            const size_t closing = version == kGdbVersion3 ? 2 : 1;
            if (parseRoute(rec.data, length, version, r) != kRecordOk || r.dataUsed + closing > length)
                return "route not in the layout of its version";
            return {};
        }
        case 'T': {
            GdbTrack t;
            const size_t trailer = version == kGdbVersion3 ? 4 : 1;
            if (parseTrack(rec.data, length, version, t) != kRecordOk || t.dataUsed + trailer > length)
                return "track not in the layout of its version";
            return {};
        }
        default:
            return {};
    }
}

}  // namespace

ResultCheck checkGdbImage(const uint8_t* data, size_t size) {
    MemoryStream in(data, size);
    GdbHeader header;
    if (readFileHeader(in, header) != 0) return failure(0, "header incomplete");
    const char version = static_cast<char>(header.version);
    if (!isReadableVersion(version)) return failure(0, "unknown version letter");
    // Version record of length 2 with type "D"; creator record "A" holding its version and three strings.
    if (int32At(data + 6) != 2 || data[10] != 'D') return failure(0, "version record damaged");
    const size_t creatorData = header.creatorTag.size() + header.buildDate.size() + header.buildTime.size() + 3 + 2;
    if (static_cast<size_t>(int32At(data + 13)) != creatorData || data[17] != 'A')
        return failure(0, "creator record damaged");

    size_t pos = static_cast<size_t>(header.length);
    int32_t number = 0;
    while (true) {
        ++number;
        if (pos >= size) return failure(number, "end record missing");
        if (size - pos < 5) return failure(number, "record cut short");
        const int32_t length = int32At(data + pos);
        if (length <= 0) return failure(number, "record length not positive");
        RecordView rec;
        if (!nextRecord(data, size, pos, rec)) return failure(number, "record runs past the end of the file");
        if (rec.type == 'V') return {};
        std::string fault = recordFault(rec, version);
        if (!fault.empty()) return failure(number, std::move(fault));
    }
}

ResultCheck checkGdbFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (!readWholeFile(path, bytes)) return failure(0, "file cannot be read");
    return checkGdbImage(bytes.data(), bytes.size());
}

}  // namespace trakor
