// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/start_options.h"

#include <string_view>

#include "core/licence.h"
#include "core/output_types.h"
#include "ui/ui_texts.h"

namespace trakor {

namespace {
constexpr const char* kUsage =
    "Usage: Trakor3 [N] [C] [P] [FILE...]\n"
    "Converts GPS routes and tracks (GDB, GPX, TCX, CRS, FIT, KML, KMZ, ITN, NMEA) into %s,\n"
    "in one dialog.\n"
    "\n"
    "  N          native mode: settings and work files in the user's folders\n"
    "  C          open the clipboard dialog at once\n"
    "  FILE       input files: one becomes the input, several a batch run\n"
    "  --help     print this help and exit\n"
    "  --version  print the version and exit\n"
    "\n"
    "trakor3-cli runs the same conversions from the command line (trakor3-cli --help).\n";
}  // namespace

int answerStartOptions(int argc, const char* const* argv, std::FILE* out) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i] != nullptr ? argv[i] : "";
        if (a == "--help" || a == "-h") {
            std::fprintf(out, kUsage, outputTypeList(&OutputType::carries).c_str());
            return 0;
        }
        if (a == "--version") {
            std::fprintf(out, "Trakor3 %s\n%s", kProgramVersion, kLicenceNotice);
            return 0;
        }
    }
    return -1;
}

}  // namespace trakor
