// Locale-free number and time formatting for the text writers, fast enough for every point.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace trakor {

// Appends `value` with `decimals` digits after the point, exactly as printf("%.*f") does in the
// C locale (correctly rounded; "nan", "inf" and "-0.0..." included).
void appendFixed(std::string& out, double value, int decimals);

// Appends a UTC time as "YYYY-MM-DDThh:mm:ssZ", as gmtime and "%04d-%02d-%02dT%02d:%02d:%02dZ" give.
void appendUtcTime(std::string& out, int64_t seconds);

// The same into a character buffer with room for kFixedRoom or kUtcTimeRoom characters; each
// returns the end of what it wrote.
constexpr size_t kFixedRoom = 400;  // the largest double has 309 digits before the point
constexpr size_t kUtcTimeRoom = 64;
char* writeFixed(char* out, double value, int decimals);
char* writeUtcTime(char* out, int64_t seconds);

}  // namespace trakor
