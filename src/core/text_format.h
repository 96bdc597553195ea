// SPDX-License-Identifier: GPL-3.0-or-later
// Locale-free number and time formatting for the text writers, fast enough for every point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace trakor {

// Appends `value` with `decimals` digits after the point, exactly as printf("%.*f") does in the
// C locale (correctly rounded; "nan", "inf" and "-0.0..." included).
void appendFixed(std::string& out, double value, int decimals);

// Appends a UTC time as "YYYY-MM-DDThh:mm:ssZ", as gmtime and "%04d-%02d-%02dT%02d:%02d:%02dZ" give.
void appendUtcTime(std::string& out, int64_t seconds);

// The same into a character buffer with room for kFixedRoom or kUtcTimeRoom characters; each
// returns the end of what it wrote.
constexpr size_t kFixedRoom = 400;  // numbers::kNumberRoom: the largest double has 309 digits before the point
constexpr size_t kUtcTimeRoom = 64;
char* writeFixed(char* out, double value, int decimals);
char* writeUtcTime(char* out, int64_t seconds);

// One line of text formed in a fixed buffer and appended at once: a writer of a million points
// makes one string append a point instead of one a piece. Room for 512 characters of fixed text,
// four numbers and a time at their longest.
class TextLine {
public:
    template <size_t N>
    void put(const char (&text)[N]) {
        std::memcpy(end_, text, N - 1);
        end_ += N - 1;
    }
    void fixed(double value, int decimals) { end_ = writeFixed(end_, value, decimals); }
    void time(int64_t seconds) { end_ = writeUtcTime(end_, seconds); }
    // A writer of its own: write(out) returns the end of what it wrote (at most kFixedRoom).
    template <typename Write>
    void with(Write&& write) {
        end_ = write(end_);
    }
    void moveTo(std::string& out) {
        out.append(buf_, end_);
        end_ = buf_;
    }

private:
    char buf_[512 + 4 * kFixedRoom + kUtcTimeRoom];
    char* end_ = buf_;
};

}  // namespace trakor
