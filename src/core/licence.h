// SPDX-License-Identifier: GPL-3.0-or-later
// The programs' copyright and licence, as --version prints them after the version.
#pragma once

namespace trakor {

inline constexpr const char* kLicenceNotice =
    "Copyright (C) 2026 Quenby Software\n"
    "License GPL-3.0-or-later: GNU General Public License, version 3 or later.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

}  // namespace trakor
