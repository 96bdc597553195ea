// SPDX-License-Identifier: GPL-3.0-or-later
// The course writer on an arbitrary work GDB file, with course points and turn warnings on.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "course/course_writer.h"
#include "fuzz/fuzz_context.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trakor;
    Context& ctx = fuzz::freshContext();
    static const std::string base = "/tmp/trakor_course_fuzz_" + std::to_string(::getpid());
    ctx.paths.workGdb = base + ".gdb";
    ctx.paths.workTcx = base + ".tcx";
    ctx.settings.CoursePoints = 1;
    ctx.settings.TurnWarnings = 5;
    ctx.settings.UseFileTimes = 1;
    FILE* f = std::fopen(ctx.paths.workGdb.c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    const int rc = writeCourses(ctx, nullptr, 1700000000);
    // The result must say whether a course was written.
    if (rc != (ctx.run.trackCounter > 0 ? 0 : 1)) __builtin_trap();
    return 0;
}
