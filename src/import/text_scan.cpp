// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/text_scan.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "core/civil_time.h"
#include "core/numbers.h"
#include "platform/local_time.h"

namespace trakor::scan {

double parseDouble(std::string_view s) { return numbers::parseDouble(s); }

double parseCoordinate(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    // [sign] digits [. digits] [e [sign] digits], with a digit before or after the point.
    size_t i = 0, mantissa = 0;
    auto digits = [&s, &i] {
        const size_t from = i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
        return i - from;
    };
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    mantissa = digits();
    if (i < s.size() && s[i] == '.') ++i, mantissa += digits();
    if (mantissa > 0 && i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        if (digits() == 0) mantissa = 0;
    }
    if (mantissa == 0 || i != s.size()) return std::numeric_limits<double>::quiet_NaN();
    return parseDouble(s);
}

namespace {

// atoi on one field: blanks, sign, at most nine digits.
int fieldValue(const char* f) {
    while (*f == ' ' || (*f >= '\t' && *f <= '\r')) ++f;
    bool negative = false;
    if (*f == '+' || *f == '-') negative = *f++ == '-';
    int v = 0;
    for (int n = 0; n < 9 && *f >= '0' && *f <= '9'; ++n, ++f) v = v * 10 + (*f - '0');
    return negative ? -v : v;
}

bool validDate(int y, int mo, int d, int h, int mi, int s) {
    static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1601 || y > 30827 || mo < 1 || mo > 12 || d < 1 || d > kDays[mo - 1]) return false;
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (mo == 2 && d == 29 && !leap) return false;
    return h >= 0 && h < 24 && mi >= 0 && mi < 60 && s >= 0 && s < 60;
}

// The fields of "YYYY-MM-DDThh:mm:ss" when every one is plain digits, as nearly every file writes
// them; false sends the text to the general field reading.
bool plainFields(std::string_view t, int& y, int& mo, int& d, int& h, int& mi, int& s) {
    if (t.size() < 19) return false;
    auto digits = [&t](size_t at, size_t n, int& v) {
        v = 0;
        for (size_t i = at; i < at + n; ++i) {
            const unsigned c = static_cast<unsigned char>(t[i]) - '0';
            if (c > 9) return false;
            v = v * 10 + static_cast<int>(c);
        }
        return true;
    };
    return digits(0, 4, y) && digits(5, 2, mo) && digits(8, 2, d) && digits(11, 2, h) && digits(14, 2, mi) &&
           digits(17, 2, s);
}

// What follows the seconds: a fraction (rounded to the nearest second) and a zone, "Z", "+hh:mm",
// "+hhmm" or "+hh", east of UTC positive. Returns the seconds to add to the written time to
// reach UTC; none (local zone unknown) counts as UTC.
int64_t fractionAndZone(std::string_view rest) {
    int64_t adjust = 0;
    size_t i = 0;
    if (i < rest.size() && (rest[i] == '.' || rest[i] == ',')) {
        ++i;
        if (i < rest.size() && rest[i] >= '5' && rest[i] <= '9') adjust = 1;
        while (i < rest.size() && rest[i] >= '0' && rest[i] <= '9') ++i;
    }
    if (i >= rest.size() || (rest[i] != '+' && rest[i] != '-')) return adjust;
    const int64_t sign = rest[i] == '-' ? 1 : -1;  // a zone behind UTC is later in UTC
    const std::string_view zone = rest.substr(i + 1);
    auto two = [&zone](size_t at) {
        if (at + 2 > zone.size() || zone[at] < '0' || zone[at] > '9' || zone[at + 1] < '0' || zone[at + 1] > '9')
            return -1;
        return (zone[at] - '0') * 10 + (zone[at + 1] - '0');
    };
    const int hours = two(0);
    if (hours < 0 || hours > 23) return adjust;
    int minutes = two(zone.size() > 2 && zone[2] == ':' ? 3 : 2);
    if (minutes < 0 || minutes > 59) minutes = 0;
    return adjust + sign * (hours * 3600 + minutes * 60);
}

}  // namespace

int32_t utcTextToTime(std::string_view text, std::tm* local) {
    if (local) *local = std::tm{};
    int year, month, day, hour, minute, second;
    if (!plainFields(text, year, month, day, hour, minute, second)) {
        // The fixed 32-byte time buffer, cut into fields by NUL bytes.
        char buf[32] = {};
        std::memcpy(buf, text.data(), text.size() < 31 ? text.size() : 31);
        for (int cut : {4, 7, 10, 13, 16, 19}) buf[cut] = '\0';
        year = fieldValue(buf), month = fieldValue(buf + 5), day = fieldValue(buf + 8);
        hour = fieldValue(buf + 11), minute = fieldValue(buf + 14), second = fieldValue(buf + 17);
    }
    if (!validDate(year, month, day, hour, minute, second)) return 0;

    int64_t instant = utcSeconds(year, month, day, hour, minute, second);
    if (text.size() > 19) instant += fractionAndZone(text.substr(19));
    if (local && !toLocalFields(static_cast<time_t>(instant), *local)) return 0;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(instant) & 0xFFFFFFFFu));
}

}  // namespace trakor::scan
