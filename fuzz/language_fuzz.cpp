// SPDX-License-Identifier: GPL-3.0-or-later
// Language file lookup on arbitrary file contents.
#include "app/language.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trakor;
    static const char* keys[] = {"$MSG09", "$MSG21", "$GDB01", "$CLP18", "$PRF03", "$LAN01", "$MSG5"};
    int32_t language = size ? data[0] % 11 : 0;
    LanguageFile file(language);
    file.setText(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const char* key : keys) {
        std::string text = file.lookup(key, 256);
        if (text.size() > 4 * 256) __builtin_trap();
        file.lookup(key, 1);
    }
    return 0;
}
