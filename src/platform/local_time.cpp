// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/local_time.h"

namespace trakor {

bool toLocalFields(time_t instant, std::tm& local) { return localtime_r(&instant, &local) != nullptr; }

}  // namespace trakor
