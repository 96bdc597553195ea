// Locale-free number and time formatting for the text writers, fast enough for every point.
#pragma once

#include <cstdint>
#include <string>

namespace trakor {

// Appends `value` with `decimals` digits after the point, exactly as printf("%.*f") does in the
// C locale (correctly rounded; "nan", "inf" and "-0.0..." included).
void appendFixed(std::string& out, double value, int decimals);

// Appends a UTC time as "YYYY-MM-DDThh:mm:ssZ", as gmtime and "%04d-%02d-%02dT%02d:%02d:%02dZ" give.
void appendUtcTime(std::string& out, int64_t seconds);

}  // namespace trakor
