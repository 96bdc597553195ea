// SPDX-License-Identifier: GPL-3.0-or-later
// The one message at the end of a run: routes and tracks left out, grouped, with short name lists.
#include <gtest/gtest.h>

#include "app/run_summary.h"
#include "testsupport/testsupport.h"

namespace trakor::test {
namespace {

TEST(RunSummary, NamesAfterTheFirstShortenedToTheirNumber) {
    const struct {
        std::vector<std::string> names;
        const char* joined;
    } cases[] = {
        {{"ACTIVE LOG 003", "ACTIVE LOG 004", "ACTIVE LOG 005"}, "ACTIVE LOG 003, 004, 005"},
        {{"ride-1", "ride-2", "walk-3", "walk-7"}, "ride-1, 2, walk-3, 7"},
        {{"Track", "Track", "7", "8"}, "Track, Track, 7, 8"},  // no number, or nothing before it
        {{"A1", "B2"}, "A1, B2"},
        {{"Only"}, "Only"},
        {{}, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(joinNames(c.names), c.joined);
}

TEST(RunSummary, OneLinePerKindAndReasonInTheOrderMet) {
    Context ctx;
    RecordingNotifier notes;
    ctx.notifier = &notes;
    tellLeftOut(ctx);
    EXPECT_TRUE(notes.entries.empty());  // nothing left out, nothing told

    // Items are only gathered when the run asks for it.
    EXPECT_FALSE(ctx.run.noteLeftOut("X", false, LeftOutReason::OnePoint));
    ctx.run.collectLeftOut = true;
    for (const char* n : {"ACTIVE LOG 003", "ACTIVE LOG 004"}) ctx.run.noteLeftOut(n, false, RunState::tooFew(1));
    ctx.run.noteLeftOut("Home", true, RunState::tooFew(0));
    ctx.run.noteLeftOut("Long", false, LeftOutReason::PointNumbers);
    ctx.run.noteLeftOut("ACTIVE LOG 005", false, RunState::tooFew(1));
    ctx.run.noteLeftOut("Huge", false, LeftOutReason::Truncated);
    ctx.run.noteLeftOut("Alps", true, LeftOutReason::Truncated);
    ctx.run.noteLeftOut("Pass", true, LeftOutReason::Truncated);
    tellLeftOut(ctx);
    ASSERT_EQ(notes.entries.size(), 1u);
    EXPECT_EQ(notes.entries[0].key, "Info");
    EXPECT_EQ(notes.entries[0].style, MsgStyle::Warning);
    EXPECT_EQ(notes.entries[0].text,
              "3 tracks left out: ACTIVE LOG 003, 004, 005 (only one point)\n"
              "1 route left out: Home (no points)\n"
              "1 track left out: Long (point numbers beyond 99999)\n"
              "1 track cut at 100000 points: Huge\n"
              "2 routes cut at 100000 points: Alps, Pass");
    // Told once: the list is cleared.
    EXPECT_TRUE(ctx.run.leftOut.empty());
}

}  // namespace
}  // namespace trakor::test
