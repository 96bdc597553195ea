// NMEA 0183 reader: $GPRMC sentences give the track points with position and UTC date and time,
// $GPGGA sentences the altitudes.
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "convert/glitches.h"
#include "import/reader.h"
#include "import/utc_time.h"

namespace trakor {

namespace {

constexpr std::string_view kGga = "$GPGGA,";
constexpr std::string_view kRmc = "$GPRMC,";

// The comma-separated fields of one sentence after its tag; a sentence ends at a line end,
// its check sum or the next sentence.
class Sentence {
public:
    Sentence(const uint8_t* bytes, size_t length, size_t start) {
        size_t pos = start;
        size_t fieldStart = start;
        for (;; ++pos) {
            const bool end = pos >= length || bytes[pos] == '\r' || bytes[pos] == '\n' || bytes[pos] == '*' ||
                             bytes[pos] == '$';
            if (end || bytes[pos] == ',') {
                fields_.emplace_back(reinterpret_cast<const char*>(bytes + fieldStart), pos - fieldStart);
                fieldStart = pos + 1;
            }
            if (end) break;
        }
    }
    // Field n, counted from 1 after the tag; empty when the sentence is shorter.
    std::string_view field(size_t n) const { return n >= 1 && n <= fields_.size() ? fields_[n - 1] : std::string_view(); }

private:
    std::vector<std::string_view> fields_;
};

double toDouble(std::string_view text, bool* ok = nullptr) {
    const std::string s(text);
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    if (ok) *ok = end != s.c_str();
    return v;
}

// Reads two-digit numbers from the first 6 characters; false unless they are all digits.
bool threePairs(std::string_view text, int& a, int& b, int& c) {
    if (text.size() < 6) return false;
    for (size_t i = 0; i < 6; ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    auto pair = [&](size_t i) { return (text[i] - '0') * 10 + (text[i + 1] - '0'); };
    a = pair(0);
    b = pair(2);
    c = pair(4);
    return true;
}

// ddmm.mmmm (degreeDigits 2) or dddmm.mmmm (3), negative in the hemisphere letter `negative`;
// false for an empty field or one beyond 180 degrees.
bool angle(std::string_view text, size_t degreeDigits, std::string_view hemisphere, char negative,
           int32_t& semicircles) {
    if (text.empty()) return false;
    const size_t n = text.size() < degreeDigits ? text.size() : degreeDigits;
    double value = toDouble(text.substr(0, n)) + toDouble(text.substr(n)) / 60.0;
    if (!(value >= -180.0 && value <= 180.0)) return false;
    if (!hemisphere.empty() && hemisphere[0] == negative) value = -value;
    semicircles = degreesToSemicircles(value);
    return true;
}

}  // namespace

int readNmea(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length) {
    ++ctx.run.trackCounter;
    const std::string trackName = numberedName(job.baseName, static_cast<uint32_t>(ctx.run.trackCounter));
    PointStore& store = ctx.store;
    store.count = 0;

    // A GGA altitude waits for the RMC of the same fix (same UTC time field); a GGA that follows
    // its RMC goes to the point that RMC appended.
    bool pending = false;
    double pendingAlt = 0;
    std::string pendingTime;
    int32_t lastIndex = -1;
    std::string lastTime;

    const auto at = [&](size_t pos, std::string_view tag) {
        return length - pos >= tag.size() && std::memcmp(bytes + pos, tag.data(), tag.size()) == 0;
    };
    size_t pos = 0;
    while (pos < length) {
        if (at(pos, kGga)) {
            const Sentence s(bytes, length, pos + kGga.size());
            bool ok = false;
            const double alt = toDouble(s.field(9), &ok);
            const std::string_view time = s.field(1);
            if (ok && !time.empty() && lastIndex >= 0 && lastIndex == store.count - 1 && time == lastTime &&
                store.altValid[lastIndex] == 0) {
                store.alt[lastIndex] = alt;
                store.altValid[lastIndex] = 1;
                pending = false;
            } else {
                pending = ok;
                pendingAlt = alt;
                pendingTime = time;
            }
            pos += kGga.size();
        } else if (at(pos, kRmc)) {
            const Sentence s(bytes, length, pos + kRmc.size());
            pos += kRmc.size();
            const std::string_view time = s.field(1);
            const bool samefix = pending && (pendingTime.empty() || time.empty() || pendingTime == time);
            const double alt = samefix ? pendingAlt : 0;
            pending = false;
            lastIndex = -1;
            int32_t lat, lon;
            if (!angle(s.field(3), 2, s.field(4), 'S', lat) || !angle(s.field(5), 3, s.field(6), 'W', lon))
                continue;  // no usable position
            int hh, mi, ss, dd, mo, yy;
            int32_t t = 0;
            if (threePairs(time, hh, mi, ss) && threePairs(s.field(9), dd, mo, yy))
                t = storedTimeFromUtc(2000 + yy, mo, dd, hh, mi, ss);
            const int32_t before = store.count;
            store.addPoint(ctx.run, lat, lon, alt, samefix ? 1 : 0, 0, t);
            if (store.count > before) {
                lastIndex = store.count - 1;
                lastTime = time;
            }
        } else {
            ++pos;
        }
    }

    ctx.run.displayColor = 0;
    removeGlitches(ctx);
    emitImportedTrack(ctx, job, trackName, job.option);
    return kReadDone;
}

}  // namespace trakor
