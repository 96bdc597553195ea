// SPDX-License-Identifier: GPL-3.0-or-later
#include "course/recording_details.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "core/civil_time.h"
#include "core/file_names.h"
#include "core/xml_reader.h"

namespace trakor {

namespace {

constexpr int64_t kFitEpoch = 631065600;  // 1989-12-31T00:00:00Z, where FIT times count from
constexpr uint16_t kFitFileId = 0, kFitSport = 12;
constexpr uint8_t kFitTimeCreated = 4, kFitSportName = 3;

struct FitDefinition {
    bool defined = false;
    bool bigEndian = false;
    uint16_t message = 0;
    std::vector<std::pair<uint8_t, uint8_t>> fields;  // number and size of each field
    size_t size = 0;                                  // bytes of a data message, developer fields included
};

uint32_t fitU32(const uint8_t* p, bool bigEndian) {
    return bigEndian ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                     : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

// Reads a definition message at `pos`; false when the bytes end inside it.
bool readFitDefinition(const uint8_t* b, size_t end, size_t& pos, bool developerFields, FitDefinition& def) {
    if (end - pos < 5) return false;
    def = {};
    def.bigEndian = b[pos + 1] == 1;
    def.message = def.bigEndian ? uint16_t(b[pos + 2] << 8 | b[pos + 3]) : uint16_t(b[pos + 3] << 8 | b[pos + 2]);
    const size_t fields = b[pos + 4];
    pos += 5;
    if (end - pos < 3 * fields) return false;
    for (size_t i = 0; i < fields; ++i, pos += 3) {
        def.fields.emplace_back(b[pos], b[pos + 1]);
        def.size += b[pos + 1];
    }
    if (developerFields) {
        if (end - pos < 1) return false;
        const size_t extra = b[pos++];
        if (end - pos < 3 * extra) return false;
        for (size_t i = 0; i < extra; ++i, pos += 3) def.size += b[pos + 1];
    }
    def.defined = true;
    return true;
}

// Seconds since 1970 of an XML date-time ("2024-05-01T07:30:00Z", offsets and fractions allowed); 0 when it is none.
int64_t xmlTime(const std::string& text) {
    int y, mo, d, h, mi, s, n = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &n) != 6) return 0;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60) return 0;
    int64_t t = utcSeconds(y, mo, d, h, mi, s);
    const char* rest = text.c_str() + n;
    while (*rest == '.' || (*rest >= '0' && *rest <= '9')) ++rest;
    int oh = 0, om = 0;
    if ((*rest == '+' || *rest == '-') && std::sscanf(rest + 1, "%2d:%2d", &oh, &om) == 2)
        t -= (*rest == '+' ? 1 : -1) * (oh * 3600 + om * 60);
    return t;
}

// The elements of a GPX or TCX file that tell when and what, by their local names.
class XmlScan : public xml::Handler {
public:
    RecordingDetails scan(std::string_view bytes) {
        // A file cut by the read limit is no error here, only shorter.
        xml::parse(reinterpret_cast<const uint8_t*>(bytes.data()), std::min<size_t>(bytes.size(), kRecordingHeadBytes),
                   *this);
        RecordingDetails d;
        d.recorded = headTime_ != 0 ? headTime_ : pointTime_;
        d.name = !headName_.empty() ? headName_ : trackName_;
        return d;
    }

    void start(std::string_view, std::string_view name, const xml::Attributes& attributes) override {
        path_.emplace_back(name);
        if (name == "Activity" && headName_.empty())
            if (const char* sport = attributes.find("Sport")) headName_ = sport;
        if (name == "Lap" && pointTime_ == 0)
            if (const char* start = attributes.find("StartTime")) pointTime_ = xmlTime(start);
    }
    void end(std::string_view, std::string_view, std::string_view text) override {
        text_.assign(text.substr(0, 256));
        ended();
        path_.pop_back();
    }

private:
    std::string parent() const { return path_.size() >= 2 ? path_[path_.size() - 2] : std::string(); }

    void ended() {
        const std::string& element = path_.back();
        const std::string up = parent();
        if (element == "time" && up == "metadata" && headTime_ == 0) headTime_ = xmlTime(text_);
        if (element == "Id" && up == "Activity" && headTime_ == 0) headTime_ = xmlTime(text_);
        if ((element == "time" || element == "Time") && pointTime_ == 0 &&
            (up == "trkpt" || up == "rtept" || up == "wpt" || up == "Trackpoint"))
            pointTime_ = xmlTime(text_);
        if ((element == "name" && up == "metadata") || (element == "Name" && up == "Course"))
            if (headName_.empty()) headName_ = text_;
        if (element == "name" && (up == "trk" || up == "rte") && trackName_.empty()) trackName_ = text_;
    }

    std::vector<std::string> path_;
    std::string text_;
    int64_t headTime_ = 0, pointTime_ = 0;
    std::string headName_, trackName_;
};

// The name on one line: tabs and line breaks would split a listing's columns and rows.
std::string oneLine(std::string s) {
    std::replace_if(s.begin(), s.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    const size_t first = s.find_first_not_of(' '), last = s.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
}

}  // namespace

RecordingDetails fitRecordingDetails(std::string_view bytes) {
    RecordingDetails d;
    const auto* b = reinterpret_cast<const uint8_t*>(bytes.data());
    if (bytes.size() < 12 || b[0] < 12 || b[0] > bytes.size() || std::memcmp(b + 8, ".FIT", 4) != 0) return d;
    const uint64_t dataSize = fitU32(b + 4, false);
    const size_t end = static_cast<size_t>(std::min<uint64_t>(bytes.size(), b[0] + dataSize));
    std::array<FitDefinition, 16> definitions;
    bool timeSeen = false;
    for (size_t pos = b[0]; pos < end && !(timeSeen && !d.name.empty());) {
        const uint8_t header = b[pos++];
        const bool compressedTime = (header & 0x80) != 0;
        FitDefinition& def = definitions[compressedTime ? (header >> 5) & 0x03 : header & 0x0F];
        if (!compressedTime && (header & 0x40) != 0) {
            if (!readFitDefinition(b, end, pos, (header & 0x20) != 0, def)) break;
            continue;
        }
        if (!def.defined || end - pos < def.size) break;
        size_t at = pos;
        for (const auto& [number, size] : def.fields) {
            if (def.message == kFitFileId && number == kFitTimeCreated && size == 4 && !timeSeen) {
                const uint32_t t = fitU32(b + at, def.bigEndian);
                if (t != 0 && t != 0xFFFFFFFF) d.recorded = t + kFitEpoch;
                timeSeen = true;
            }
            if (def.message == kFitSport && number == kFitSportName && d.name.empty())
                d.name = oneLine(std::string(reinterpret_cast<const char*>(b + at), strnlen(reinterpret_cast<const char*>(b + at), size)));
            at += size;
        }
        pos += def.size;
    }
    return d;
}

RecordingDetails xmlRecordingDetails(std::string_view bytes) {
    RecordingDetails d = XmlScan().scan(bytes);
    d.name = oneLine(d.name);
    return d;
}

RecordingDetails recordingDetails(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string head(kRecordingHeadBytes, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    const std::string lower = lowerAscii(path);
    if (endsWith(lower, ".fit")) return fitRecordingDetails(head);
    if (endsWith(lower, ".gpx") || endsWith(lower, ".tcx")) return xmlRecordingDetails(head);
    return {};
}

}  // namespace trakor
