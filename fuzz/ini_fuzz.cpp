// SPDX-License-Identifier: GPL-3.0-or-later
// INI reading, value parsing and an edit round trip on arbitrary file contents.
#include "platform/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trakor;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    IniFile ini;
    ini.parse(text);
    ini.intValue("Info", "Mode", 1);
    profileInt(text);
    ini.set("Info", "Mode", "24");
    IniFile again;
    again.parse(ini.text());
    if (again.intValue("Info", "Mode", 1) != 24) __builtin_trap();
    return 0;
}
