// SPDX-License-Identifier: GPL-3.0-or-later
// Calendar arithmetic of the proleptic Gregorian calendar in UTC, without the C library's
// per-call time-zone work: dates to day numbers and back, and the readers' stored times.
#pragma once

#include <cstdint>
#include <ctime>

namespace trakor {

// Days since 1970-01-01 of a date; months outside 1..12 and days outside the month carry over
// as timegm normalises them.
int64_t daysFromCivil(int64_t year, int month, int day);
// The date of a day number since 1970-01-01.
void civilFromDays(int64_t days, int64_t& year, unsigned& month, unsigned& day);

// Seconds since 1970 of a UTC date and time (fields as written, month 1 to 12), as timegm gives.
int64_t utcSeconds(int year, int month, int day, int hour, int minute, int second);

// A UTC date and time as the stored time (seconds since 1970). 0 for an invalid date or one
// outside what 32 bits hold.
int32_t storedTimeFromUtc(int year, int month, int day, int hour, int minute, int second);

}  // namespace trakor
