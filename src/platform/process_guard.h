// SPDX-License-Identifier: GPL-3.0-or-later
// What a program does first: standard descriptors that cannot be mistaken for files it opens,
// and file-size limits that fail a write instead of ending the process.
#pragma once

namespace trakor {

// Opens /dev/null on whichever of descriptors 0-2 is closed, so that no file the program opens
// later gets one of those numbers (and a message meant for standard output lands in it), and
// ignores SIGXFSZ so a write beyond `ulimit -f` fails with EFBIG and its reason is told.
void secureStandardDescriptors();

}  // namespace trakor
