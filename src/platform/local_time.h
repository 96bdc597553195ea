// SPDX-License-Identifier: GPL-3.0-or-later
// Local time with the system's time-zone rules, fast enough for a time stamp per track point.
#pragma once

#include <ctime>

namespace trakor {

// The local fields of an instant (daylight-saving flag included); false when it has none.
// The zone rules are read once, and again after tzset.
bool toLocalFields(time_t instant, std::tm& local);

}  // namespace trakor
