// The texts of trakor3-cli --help beyond the option list: what each conversion option does, the
// split and filter ranges, recipes for everyday jobs and the exit statuses.
#pragma once

#include <string>

namespace trakor::cli {

// Exit statuses besides the driver's 0, 1 and 2.
constexpr int kSomeFilesFailed = 3;  // a batch run converted some files and not others
constexpr int kUsageError = 64;      // EX_USAGE: the command line itself is wrong

// One line on what a conversion option does; empty for a number that is no option.
const char* optionMeaning(int option);

// Everything --help prints after the list of command-line options.
std::string helpFooter();

}  // namespace trakor::cli
