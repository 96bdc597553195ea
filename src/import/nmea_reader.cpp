// SPDX-License-Identifier: GPL-3.0-or-later
// NMEA 0183 reader: RMC sentences of any talker give the track points with position and UTC date
// and time, GGA sentences the altitudes; a GGA fix without an RMC of its own is a point too, dated
// from the last ZDA before it or else the next RMC of the log. WPL sentences give waypoints.
// A sentence whose check sum does not match is skipped, as are void fixes; files in UTF-16 with a
// byte-order mark are read too.
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "convert/glitches.h"
#include "import/reader.h"
#include "import/text_scan.h"
#include "core/civil_time.h"
#include "platform/text_encoding.h"

namespace trakor {

namespace {

// Sentence kinds recognised at a '$': a talker of two capital letters (not 'P', which starts the
// makers' own sentences such as $PGRMC) followed by "RMC,", "GGA,", "ZDA," or "WPL,".
enum class Kind { None, Gga, Rmc, Zda, Wpl };
constexpr size_t kTagSize = 7;  // "$GPRMC,"

Kind kindAt(const uint8_t* bytes, size_t length, size_t pos) {
    if (length - pos < kTagSize || bytes[pos] != '$') return Kind::None;
    auto capital = [](uint8_t c) { return c >= 'A' && c <= 'Z'; };
    if (!capital(bytes[pos + 1]) || bytes[pos + 1] == 'P' || !capital(bytes[pos + 2])) return Kind::None;
    if (std::memcmp(bytes + pos + 3, "RMC,", 4) == 0) return Kind::Rmc;
    if (std::memcmp(bytes + pos + 3, "GGA,", 4) == 0) return Kind::Gga;
    if (std::memcmp(bytes + pos + 3, "ZDA,", 4) == 0) return Kind::Zda;
    if (std::memcmp(bytes + pos + 3, "WPL,", 4) == 0) return Kind::Wpl;
    return Kind::None;
}

// Whether a byte ends a field (',') or the sentence (a line end, the check sum's '*', the next '$').
constexpr std::array<bool, 256> kStop = [] {
    std::array<bool, 256> stop{};
    for (uint8_t c : {',', '\r', '\n', '*', '$'}) stop[c] = true;
    return stop;
}();

#ifdef __SSE2__
// Bit i set where bytes[i] of the sixteen is a stop byte; SSE2 is there on every x86-64 processor.
unsigned stopMask(const uint8_t* bytes) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    const auto is = [&v](char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
    const __m128i hit = _mm_or_si128(_mm_or_si128(is(','), is('\r')), _mm_or_si128(is('\n'), _mm_or_si128(is('*'), is('$'))));
    return static_cast<unsigned>(_mm_movemask_epi8(hit));
}
#endif

// Fields 1 to kFields of one sentence after its tag, in place; a sentence ends at a line end, its
// check sum or the next sentence. No sentence read here uses a later field.
class Sentence {
public:
    static constexpr size_t kFields = 9;

    Sentence(const uint8_t* bytes, size_t length, size_t start) {
        const char* const text = reinterpret_cast<const char*>(bytes);
        size_t n = 0, fieldStart = start;
        // Ends a field at a stop byte (or the end of the data); false after the last one wanted.
        const auto endField = [&](size_t end) {
            fields_[n++] = std::string_view(text + fieldStart, end - fieldStart);
            fieldStart = end + 1;
            return n < kFields && end < length && bytes[end] == ',';
        };
        size_t pos = start;
#ifdef __SSE2__
        for (; length - pos >= 16; pos += 16)
            for (unsigned mask = stopMask(bytes + pos); mask != 0; mask &= mask - 1)
                if (!endField(pos + static_cast<size_t>(__builtin_ctz(mask)))) return;
#endif
        for (; pos < length; ++pos)
            if (kStop[bytes[pos]] && !endField(pos)) return;
        endField(length);
    }
    // Field n, counted from 1 after the tag; empty when the sentence is shorter.
    std::string_view field(size_t n) const { return n >= 1 && n <= kFields ? fields_[n - 1] : std::string_view(); }

private:
    std::array<std::string_view, kFields> fields_{};
};

// The number a field starts with, read as the other text readers read numbers: in the C locale
// whatever the process's locale (the desktop program runs in the user's, where the decimal point
// may be a comma). `ok` tells whether anything converted: digits, a point with digits, inf or nan.
double toDouble(std::string_view text, bool* ok = nullptr) {
    if (ok) {
        size_t i = 0;
        while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        const auto digit = [&](size_t k) { return k < text.size() && text[k] >= '0' && text[k] <= '9'; };
        const auto word = [&](std::string_view w) {
            if (text.size() - i < w.size()) return false;
            for (size_t k = 0; k < w.size(); ++k)
                if ((text[i + k] | 0x20) != w[k]) return false;
            return true;
        };
        *ok = digit(i) || (i < text.size() && text[i] == '.' && digit(i + 1)) || word("inf") || word("nan");
    }
    return scan::parseDouble(text);
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

// What a pair of position fields gives: nothing (both empty, as in a fix without position), a
// usable place, or a value no place has (latitude 95, "abc"), which is left out and counted.
enum class Position { None, Usable, Unusable };

// ddmm.mmmm (degreeDigits 2) or dddmm.mmmm (3), negative in the hemisphere letter `negative`;
// Unusable unless the whole degrees are digits, the minutes a number and the angle within `limit`.
Position angle(std::string_view text, size_t degreeDigits, std::string_view hemisphere, char negative, double limit,
               int32_t& semicircles) {
    if (text.empty()) return Position::None;
    if (text.size() < degreeDigits) return Position::Unusable;
    int degrees = 0;
    for (size_t i = 0; i < degreeDigits; ++i) {
        if (text[i] < '0' || text[i] > '9') return Position::Unusable;
        degrees = degrees * 10 + (text[i] - '0');
    }
    const double minutes = text.size() > degreeDigits ? scan::parseCoordinate(text.substr(degreeDigits)) : 0.0;
    double value = degrees + minutes / 60.0;
    if (!(minutes >= 0.0 && value <= limit)) return Position::Unusable;
    if (!hemisphere.empty() && hemisphere[0] == negative) value = -value;
    semicircles = degreesToSemicircles(value);
    return Position::Usable;
}

// The latitude and longitude of fields first to first + 3 (value, hemisphere, value, hemisphere).
Position place(const Sentence& s, size_t first, int32_t& lat, int32_t& lon) {
    const Position a = angle(s.field(first), 2, s.field(first + 1), 'S', 90.0, lat);
    const Position b = angle(s.field(first + 2), 3, s.field(first + 3), 'W', 180.0, lon);
    if (a == b) return a;
    return Position::Unusable;  // one of the two missing or unusable
}

// Two-digit years: 80 to 99 are 1980 to 1999, the others 2000 to 2079.
int fullYear(int yy) { return yy >= 80 ? 1900 + yy : 2000 + yy; }

// A GGA fix that waits for its date: the point's index and its UTC time of day.
struct Undated {
    int32_t index;
    int hh, mi, ss;
};

// Plain decimal digits of a whole field; false for anything else.
bool digitsField(std::string_view text, int& v) {
    if (text.empty() || text.size() > 6) return false;
    v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    return true;
}

// Whether a sentence starting at `start` (its '$') is sound: without a check sum, or with a "*hh"
// that matches the exclusive-or of the bytes between '$' and '*'.
bool checkSumMatches(const uint8_t* bytes, size_t length, size_t start) {
    uint8_t sum = 0;
    size_t pos = start + 1;
    for (; pos < length && bytes[pos] != '*'; ++pos) {
        if (bytes[pos] == '\r' || bytes[pos] == '\n' || bytes[pos] == '$') return true;
        sum ^= bytes[pos];
    }
    if (length - pos < 3) return true;  // no check sum, or one the data end cuts
    const auto hex = [](uint8_t c) {
        return c >= '0' && c <= '9' ? c - '0' : (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10 : -1;
    };
    const int hi = hex(bytes[pos + 1]), lo = hex(bytes[pos + 2]);
    return hi < 0 || lo < 0 || (hi << 4 | lo) == sum;
}

// One log being read: the pending GGA fix, the dates learnt so far and the WPL waypoints.
class NmeaLog {
public:
    NmeaLog(Context& ctx, const uint8_t* bytes, size_t length)
        : ctx_(ctx), store_(ctx.store), bytes_(bytes), length_(length) {}

    // Reads every sentence into the point store; the waypoints wait in waypoints().
    void read() {
        size_t pos = 0;
        while (pos < length_) {
            const Kind kind = kindAt(bytes_, length_, pos);
            if (kind == Kind::None) {
                // Sentences start at a '$': the bytes up to the next one hold none.
                const void* next = std::memchr(bytes_ + pos + 1, '$', length_ - pos - 1);
                pos = next != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(next) - bytes_) : length_;
                continue;
            }
            if (!checkSumMatches(bytes_, length_, pos)) {
                // A damaged sentence: left out, and counted with the points or waypoints left out.
                if (kind == Kind::Rmc || kind == Kind::Gga) ++ctx_.run.impossiblePoints;
                if (kind == Kind::Wpl) ++ctx_.run.impossibleWaypoints;
                pos += kTagSize;
                continue;
            }
            const Sentence s(bytes_, length_, pos + kTagSize);
            pos += kTagSize;
            if (kind == Kind::Gga) onGga(s);
            if (kind == Kind::Zda) onZda(s);
            if (kind == Kind::Wpl) onWpl(s);
            if (kind == Kind::Rmc) onRmc(s);
        }
        flushPending();
    }

    // WPL waypoints, written after the track (they go through slot 0 of the store).
    struct Waypoint {
        int32_t lat, lon;
        std::string name;
    };
    const std::vector<Waypoint>& waypoints() const { return waypoints_; }

private:
    // A GGA fix waits for the RMC of the same fix (same UTC time field), which takes its altitude;
    // a GGA that follows its RMC gives its altitude to the point that RMC appended. A GGA fix that
    // no RMC claims becomes a point of its own.
    struct Gga {
        bool ok = false;  // altitude read
        double alt = 0;
        std::string_view time;  // in the input, which outlives the run
        Position position = Position::None;
        int32_t lat = 0, lon = 0;
    };

    void onGga(const Sentence& s) {
        Gga g;
        // Fix quality 0: no fix, neither position nor altitude.
        const bool fix = s.field(6) != "0";
        g.alt = toDouble(s.field(9), &g.ok);
        g.ok = g.ok && fix;
        g.time = s.field(1);
        if (afterRmc_ && !g.time.empty() && g.time == lastTime_) {
            // The GGA of the fix the last RMC gave.
            if (g.ok && lastIndex_ >= 0 && lastIndex_ == store_.count - 1 && store_.altValid[lastIndex_] == 0) {
                store_.alt[lastIndex_] = g.alt;
                store_.altValid[lastIndex_] = 1;
            }
        } else {
            // Its position counts only here: the GGA of a fix the RMC gave adds its altitude alone.
            if (fix) g.position = place(s, 2, g.lat, g.lon);
            flushPending();
            pending_ = true;
            gga_ = g;
        }
        afterRmc_ = false;
    }

    // hhmmss.ss,dd,mm,yyyy: dates the fixes before it (as an RMC does) and those after it.
    void onZda(const Sentence& s) {
        int hh, mi, ss, dd, mo, yyyy;
        if (threePairs(s.field(1), hh, mi, ss) && digitsField(s.field(2), dd) && digitsField(s.field(3), mo) &&
            digitsField(s.field(4), yyyy) && storedTimeFromUtc(yyyy, mo, dd, hh, mi, ss) != 0) {
            fillBack(yyyy, mo, dd, hh, mi, ss);
            zda_ = true;
            zdaDays_ = daysFromCivil(yyyy, mo, dd);
            zdaSeconds_ = hh * 3600 + mi * 60 + ss;
        }
    }

    // llll.ll,a,yyyyy.yy,a,name
    void onWpl(const Sentence& s) {
        Waypoint w;
        const Position p = place(s, 1, w.lat, w.lon);
        if (p == Position::Unusable) ++ctx_.run.impossibleWaypoints;
        if (p != Position::Usable) return;
        w.name = std::string(s.field(5).substr(0, kMaxImportName));
        waypoints_.push_back(std::move(w));
    }

    void onRmc(const Sentence& s) {
        const std::string_view time = s.field(1);
        const bool samefix = pending_ && (gga_.time.empty() || time.empty() || gga_.time == time);
        if (pending_ && !samefix) flushPending();
        const double alt = samefix && gga_.ok ? gga_.alt : 0;
        const uint8_t altValid = samefix && gga_.ok ? 1 : 0;
        pending_ = false;
        lastIndex_ = -1;
        afterRmc_ = true;
        lastTime_ = time;
        int hh, mi, ss, dd, mo, yy;
        int32_t t = 0;
        if (threePairs(time, hh, mi, ss) && threePairs(s.field(9), dd, mo, yy)) {
            t = storedTimeFromUtc(fullYear(yy), mo, dd, hh, mi, ss);
            fillBack(fullYear(yy), mo, dd, hh, mi, ss);
        }
        // A void fix (status V) is no point.
        if (s.field(2) == "V") return;
        int32_t lat, lon;
        const Position p = place(s, 3, lat, lon);
        if (p == Position::Unusable) ++ctx_.run.impossiblePoints;
        if (p != Position::Usable) return;
        const int32_t before = store_.count;
        store_.addPoint(ctx_.run, lat, lon, alt, altValid, 0, t);
        if (store_.count > before) lastIndex_ = store_.count - 1;
    }

    void appendGga(const Gga& g) {
        if (g.position == Position::Unusable) ++ctx_.run.impossiblePoints;
        if (g.position != Position::Usable) return;
        const int32_t before = store_.count;
        store_.addPoint(ctx_.run, g.lat, g.lon, g.ok ? g.alt : 0, g.ok ? 1 : 0, 0, 0);
        int hh, mi, ss;
        if (store_.count == before || !threePairs(g.time, hh, mi, ss)) return;
        if (!zda_) {
            undated_.push_back({store_.count - 1, hh, mi, ss});
            return;
        }
        // Half a day earlier in the day than the last dated time: the log passed midnight. Half a
        // day later: a fix from before the ZDA's midnight (it waited for its RMC), on the day before.
        const int seconds = hh * 3600 + mi * 60 + ss;
        int64_t days = zdaDays_;
        if (seconds > zdaSeconds_ + 43200) {
            --days;
        } else {
            if (seconds < zdaSeconds_ - 43200) days = ++zdaDays_;
            zdaSeconds_ = seconds;
        }
        int64_t year;
        unsigned month, day;
        civilFromDays(days, year, month, day);
        store_.time[store_.count - 1] =
            storedTimeFromUtc(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day), hh, mi, ss);
    }

    void flushPending() {
        if (pending_) appendGga(gga_);
        pending_ = false;
    }

    // The date of an RMC fills back the GGA points before it; one more than half a day later in the
    // day than the RMC lies on the day before (the log crossed midnight).
    void fillBack(int year, int month, int day, int hh, int mi, int ss) {
        const int rmcSeconds = hh * 3600 + mi * 60 + ss;
        for (const Undated& u : undated_) {
            const int seconds = u.hh * 3600 + u.mi * 60 + u.ss;
            int32_t t = storedTimeFromUtc(year, month, day, u.hh, u.mi, u.ss);
            if (t > 86400 && seconds - rmcSeconds > 43200) t -= 86400;
            if (u.index < store_.count && store_.time[u.index] == 0) store_.time[u.index] = t;
        }
        undated_.clear();
    }

    Context& ctx_;
    PointStore& store_;
    const uint8_t* bytes_;
    size_t length_;
    bool pending_ = false;
    Gga gga_;
    int32_t lastIndex_ = -1;
    bool afterRmc_ = false;
    std::string_view lastTime_;
    std::vector<Undated> undated_;
    // The date of the last ZDA, moved on a day where the fixes after it pass midnight.
    bool zda_ = false;
    int64_t zdaDays_ = 0;
    int zdaSeconds_ = 0;
    std::vector<Waypoint> waypoints_;
};

}  // namespace

int readNmea(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length) {
    // UTF-16 with its byte-order mark is read as UTF-8.
    std::string utf8;
    if (bytes != nullptr && length >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
        utf8 = utf16ToUtf8(std::string_view(reinterpret_cast<const char*>(bytes) + 2, length - 2), bytes[0] == 0xFE);
        bytes = reinterpret_cast<const uint8_t*>(utf8.data());
        length = utf8.size();
    }
    PointStore& store = ctx.store;
    store.count = 0;
    NmeaLog log(ctx, bytes, length);
    log.read();

    ctx.run.displayColor = 0;
    finishImportedTrack(ctx, job, job.baseName);
    for (const NmeaLog::Waypoint& w : log.waypoints()) {
        store.lat[0] = w.lat;
        store.lon[0] = w.lon;
        store.alt[0] = 0;
        store.altValid[0] = 0;
        store.time[0] = 0;
        writeImportedWaypoint(ctx, job, w.name, ctx.settings.WaypointSymbol);
    }
    return kReadDone;
}

}  // namespace trakor
