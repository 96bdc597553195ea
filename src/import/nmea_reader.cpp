// SPDX-License-Identifier: GPL-3.0-or-later
// NMEA 0183 reader: RMC sentences of any talker give the track points with position and UTC date
// and time, GGA sentences the altitudes; a GGA fix without an RMC of its own is a point too, dated
// from the last ZDA before it or else the next RMC of the log. WPL sentences give waypoints.
// Files in UTF-16 with a byte-order mark are read too.
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

// ddmm.mmmm (degreeDigits 2) or dddmm.mmmm (3), negative in the hemisphere letter `negative`;
// false for an empty field or one beyond 180 degrees.
bool angle(std::string_view text, size_t degreeDigits, std::string_view hemisphere, char negative,
           int32_t& semicircles) {
    if (text.empty()) return false;
    const size_t n = text.size() < degreeDigits ? text.size() : degreeDigits;
    // The whole degrees are digits nearly always, whose value is plain.
    int degrees = 0;
    for (size_t i = 0; i < n && degrees >= 0; ++i)
        degrees = text[i] >= '0' && text[i] <= '9' ? degrees * 10 + (text[i] - '0') : -1;
    double value = (degrees >= 0 ? degrees : toDouble(text.substr(0, n))) + toDouble(text.substr(n)) / 60.0;
    if (!(value >= -180.0 && value <= 180.0)) return false;
    if (!hemisphere.empty() && hemisphere[0] == negative) value = -value;
    semicircles = degreesToSemicircles(value);
    return true;
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

// The ASCII of a UTF-16 text with its byte-order mark (other characters become '?', which no
// sentence field needs); false when the data carry no such mark.
bool fromUtf16(const uint8_t* bytes, size_t length, std::vector<uint8_t>& out) {
    if (length < 2 || !((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) return false;
    const bool little = bytes[0] == 0xFF;
    out.clear();
    out.reserve(length / 2);
    for (size_t i = 2; i + 1 < length; i += 2) {
        const unsigned unit = little ? bytes[i] | bytes[i + 1] << 8 : bytes[i] << 8 | bytes[i + 1];
        out.push_back(unit < 0x80 ? static_cast<uint8_t>(unit) : '?');
    }
    return true;
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
        bool hasPosition = false;
        int32_t lat = 0, lon = 0;
    };

    void onGga(const Sentence& s) {
        Gga g;
        g.alt = toDouble(s.field(9), &g.ok);
        g.time = s.field(1);
        if (afterRmc_ && !g.time.empty() && g.time == lastTime_) {
            // The GGA of the fix the last RMC gave.
            if (g.ok && lastIndex_ >= 0 && lastIndex_ == store_.count - 1 && store_.altValid[lastIndex_] == 0) {
                store_.alt[lastIndex_] = g.alt;
                store_.altValid[lastIndex_] = 1;
            }
        } else {
            // Its position counts only here: the GGA of a fix the RMC gave adds its altitude alone.
            g.hasPosition = angle(s.field(2), 2, s.field(3), 'S', g.lat) && angle(s.field(4), 3, s.field(5), 'W', g.lon);
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
        if (angle(s.field(1), 2, s.field(2), 'S', w.lat) && angle(s.field(3), 3, s.field(4), 'W', w.lon)) {
            w.name = std::string(s.field(5).substr(0, kMaxImportName));
            waypoints_.push_back(std::move(w));
        }
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
        int32_t lat, lon;
        if (!angle(s.field(3), 2, s.field(4), 'S', lat) || !angle(s.field(5), 3, s.field(6), 'W', lon))
            return;  // no usable position
        const int32_t before = store_.count;
        store_.addPoint(ctx_.run, lat, lon, alt, altValid, 0, t);
        if (store_.count > before) lastIndex_ = store_.count - 1;
    }

    void appendGga(const Gga& g) {
        if (!g.hasPosition) return;
        const int32_t before = store_.count;
        store_.addPoint(ctx_.run, g.lat, g.lon, g.ok ? g.alt : 0, g.ok ? 1 : 0, 0, 0);
        int hh, mi, ss;
        if (store_.count == before || !threePairs(g.time, hh, mi, ss)) return;
        if (!zda_) {
            undated_.push_back({store_.count - 1, hh, mi, ss});
            return;
        }
        const int seconds = hh * 3600 + mi * 60 + ss;
        if (seconds < zdaSeconds_ - 43200) ++zdaDays_;
        zdaSeconds_ = seconds;
        int64_t year;
        unsigned month, day;
        civilFromDays(zdaDays_, year, month, day);
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
    std::vector<uint8_t> ascii;
    if (bytes != nullptr && fromUtf16(bytes, length, ascii)) {
        bytes = ascii.data();
        length = ascii.size();
    }
    ++ctx.run.trackCounter;
    const std::string trackName = numberedName(job.baseName, static_cast<uint32_t>(ctx.run.trackCounter));
    PointStore& store = ctx.store;
    store.count = 0;
    NmeaLog log(ctx, bytes, length);
    log.read();

    ctx.run.displayColor = 0;
    removeGlitches(ctx);
    emitImportedTrack(ctx, job, trackName, job.option);
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
