// SPDX-License-Identifier: GPL-3.0-or-later
// The driver's checks of a request: their order, keys, texts and styles.
#include "app/request_builder.h"
#include "app/tests/driver_fixture.h"

namespace trakor::test {
namespace {

using Keys = std::vector<std::string>;

// A split or filter value that passes its check runs on to the next step: the empty input.
class SplitFilterTest : public DriverTest {
protected:
    std::string firstKey(uint32_t split, uint32_t filter, int option = 11) {
        notes.entries.clear();
        req = ConversionRequest{};
        req.option = option;
        req.splitField = split;
        req.filterField = filter;
        run();
        return notes.entries.empty() ? std::string() : notes.entries.front().key;
    }
};

TEST_F(SplitFilterTest, SplitByLengthInKilometres) {
    ctx.settings.Split = 1;
    EXPECT_EQ(firstKey(4, 0), "$MSG02");
    EXPECT_EQ(notes.entries[0].text, "Valid split values are 5-999 km.");
    EXPECT_EQ(notes.entries[0].style, MsgStyle::Warning);
    EXPECT_EQ(firstKey(1000, 0), "$MSG02");
    EXPECT_EQ(firstKey(5, 0), "$MSG09");
    EXPECT_EQ(firstKey(999, 0), "$MSG09");
    EXPECT_EQ(ctx.run.splitValue, 999);
}

TEST_F(SplitFilterTest, SplitByLengthInMilesRoundsToKilometres) {
    ctx.settings.Split = 1;
    ctx.settings.milesMode = 1;
    EXPECT_EQ(firstKey(2, 0), "$MSG02");
    EXPECT_EQ(notes.entries[0].text, "Valid split values are 3-622 mi.");
    EXPECT_EQ(firstKey(3, 0), "$MSG09");
    EXPECT_EQ(ctx.run.splitValue, 5);
    EXPECT_EQ(firstKey(621, 0), "$MSG09");
    EXPECT_EQ(ctx.run.splitValue, 999);
    EXPECT_EQ(firstKey(622, 0), "$MSG02");
}

TEST_F(SplitFilterTest, SplitByPointsIgnoresMilesMode) {
    ctx.settings.Split = 1;
    ctx.settings.Splittype = 2;
    ctx.settings.milesMode = 1;
    EXPECT_EQ(firstKey(24, 0), "$MSG62");
    EXPECT_EQ(notes.entries[0].text, "Number of split points is invalid.\nValid values are 25-9999.");
    EXPECT_EQ(firstKey(10000, 0), "$MSG62");
    EXPECT_EQ(firstKey(25, 0), "$MSG09");
    EXPECT_EQ(firstKey(9999, 0), "$MSG09");
    EXPECT_EQ(ctx.run.splitValue, 9999);
}

TEST_F(SplitFilterTest, FilterRangesByMethod) {
    ctx.settings.Filter = 1;
    ctx.settings.Filtertype = 1;
    EXPECT_EQ(firstKey(0, 1), "$MSG03");
    EXPECT_EQ(firstKey(0, 2), "$MSG09");
    EXPECT_EQ(firstKey(0, 10000), "$MSG03");
    ctx.settings.Filtertype = 2;
    EXPECT_EQ(firstKey(0, 0), "$MSG09");
    EXPECT_EQ(firstKey(0, 95), "$MSG09");
    EXPECT_EQ(firstKey(0, 96), "$MSG04");
    EXPECT_EQ(notes.entries[0].text, "Percentage value is invalid.\nValid values are 0-95%.");
    ctx.settings.Filtertype = 3;
    EXPECT_EQ(firstKey(0, 90), "$MSG09");
    EXPECT_EQ(firstKey(0, 91), "$MSG05");
}

TEST_F(SplitFilterTest, FilterAboveSplitPointsIsCutToTheSplitValue) {
    ctx.settings.Split = 1;
    ctx.settings.Splittype = 2;
    ctx.settings.Filter = 1;
    ctx.settings.Filtertype = 1;
    firstKey(100, 150, 24);
    ASSERT_EQ(notes.keys(), (Keys{"$MSG63", "$MSG09"}));
    EXPECT_EQ(notes.entries[0].text,
              "The value 'Filter' is bigger than the value 'Split'.\nFor filtering the value 100 will be used.");
    EXPECT_EQ(ctx.run.filterValue, 100);
}

TEST_F(SplitFilterTest, OptionsWithoutFieldsCheckNoRange) {
    ctx.settings.Split = 1;
    ctx.settings.Filter = 1;
    for (int option : {0, 1, 2, 3, 4, 15, 23}) EXPECT_EQ(firstKey(0, 0, option), "$MSG09") << option;
    for (int option : {11, 12, 13, 14, 21, 22, 24}) EXPECT_EQ(firstKey(0, 0, option), "$MSG02") << option;
}

TEST_F(DriverTest, InputTypeIsDecidedOnALowerCasedName) {
    EXPECT_EQ(inputTypeOf("/a/B/track.GPX"), 1);
    EXPECT_EQ(inputTypeOf("A.GDB.BAK"), 0);
    EXPECT_EQ(inputTypeOf("a.gdb.bak(2)"), 0);
    EXPECT_EQ(inputTypeOf("x.Nmea"), 8);
    EXPECT_EQ(inputTypeOf("x.NMA"), 8);
    EXPECT_EQ(inputTypeOf("x.log"), 8);
    EXPECT_EQ(inputTypeOf("x.KMZ"), 6);
    EXPECT_EQ(inputTypeOf("x.txt"), -1);
    EXPECT_EQ(inputTypeOf("gpx"), -1);
}

TEST_F(DriverTest, InputChecksInOrder) {
    fileRequest(makeFile("notes.txt"), dir.file("out.gdb"));
    EXPECT_EQ(run(), kRunStopped);
    EXPECT_EQ(notes.keys(), Keys{"$MSG10"});

    notes.entries.clear();
    fileRequest(makeFile("track.GPX"), dir.file("out.gdb"), 3);
    EXPECT_EQ(run(), kRunStopped);
    EXPECT_EQ(notes.keys(), Keys{"$MSG11"});
    EXPECT_EQ(notes.entries[0].text, "Options 1-15 are not valid for a non GDB input file.");

    notes.entries.clear();
    fileRequest(dir.file("missing.gpx"), dir.file("out.gdb"));
    EXPECT_EQ(run(), kRunFailed);
    EXPECT_EQ(notes.keys(), Keys{"$MSG15"});
    EXPECT_EQ(notes.entries[0].text, "Cannot open input file.\n" + dir.file("missing.gpx") + ": No such file or directory");
}

TEST_F(DriverTest, BrowseMayFillAnEmptyInputOrOutput) {
    std::string in = makeFile("t.gpx");
    calls.browseInput = [&](ConversionRequest& r) { r.inputPath = in; };
    calls.browseOutput = [&](ConversionRequest& r) { r.outputPath = dir.file("o.gdb"); };
    fileRequest("", "");
    EXPECT_EQ(run(), kDelivered);
    EXPECT_EQ(notes.keys(), Keys{"$MSG20"});
    EXPECT_EQ(readFile(dir.file("o.gdb")), kResult);
}

TEST_F(DriverTest, OutputChecks) {
    std::string in = makeFile("t.gpx");
    fileRequest(in, "");
    EXPECT_EQ(run(), kRunStopped);
    EXPECT_EQ(notes.keys(), Keys{"$MSG12"});

    notes.entries.clear();
    fileRequest(in, dir.file("out.txt"));
    run();
    EXPECT_EQ(notes.keys(), Keys{"$MSG13"});

    // A TCX result only carries options 0, 11, 12, 15 and 24.
    std::string gdb = makeFile("r.gdb");
    for (int option : {1, 4, 13, 14, 21, 22, 23}) {
        notes.entries.clear();
        fileRequest(gdb, dir.file("out.TCX"), option);
        run();
        EXPECT_EQ(notes.keys(), Keys{"$MSG14"}) << option;
    }
    for (int option : {0, 11, 12, 15, 24}) {
        notes.entries.clear();
        fileRequest(gdb, dir.file("out.tcx"), option);
        run();
        EXPECT_NE(notes.keys().front(), "$MSG14") << option;
    }
}

TEST_F(DriverTest, LongFileNamesAreRefused) {
    std::string in = makeFile("t.gpx");
    fileRequest(in, dir.file(std::string(252, 'o') + ".gdb"));
    EXPECT_EQ(run(), kRunStopped);
    ASSERT_EQ(notes.keys(), Keys{"$MSG84"});
    EXPECT_NE(notes.entries[0].text.find("at most 255"), std::string::npos);

    notes.entries.clear();
    fileRequest(dir.file(std::string(256, 'i') + ".gpx"), dir.file("o.gdb"));
    EXPECT_EQ(run(), kRunStopped);
    EXPECT_EQ(notes.keys(), Keys{"$MSG84"});

    // 255 characters are still a valid name.
    notes.entries.clear();
    fileRequest(in, dir.file(std::string(251, 'o') + ".gdb"));
    EXPECT_EQ(run(), kDelivered);
}

TEST_F(DriverTest, ImportGetsTheRealFileAndItsBaseName) {
    std::string in = makeFile("MyTrack.GPX", "<gpx/>");
    fileRequest(in, dir.file("o.gdb"));
    EXPECT_EQ(run(), kDelivered);
    EXPECT_EQ(importedBase, "MyTrack");
    EXPECT_EQ(importedBytes, "<gpx/>");
    EXPECT_EQ(ctx.run.inputType, InputType::Gpx);

    std::string longName = makeFile(std::string(200, 'n') + ".gpx");
    fileRequest(longName, dir.file("o.gdb"));
    run();
    EXPECT_EQ(importedBase, std::string(127, 'n'));
}

TEST_F(DriverTest, ResultCheckByOption) {
    std::string gpx = makeFile("t.gpx");
    tracksMade = 0;
    fileRequest(gpx, dir.file("o.gdb"), 0);
    EXPECT_EQ(run(), kRunFailed);
    EXPECT_EQ(notes.keys(), Keys{"$MSG60"});
    EXPECT_EQ(notes.entries[0].style, MsgStyle::Plain);
    EXPECT_FALSE(std::filesystem::exists(dir.file("o.gdb")));

    // Waypoints alone are a result for option 0.
    notes.entries.clear();
    calls.importFile = [](Context& c, const std::string&, ByteStream&, ByteStream& out) {
        c.run.waypointCount = 3;
        out.write(kResult.data(), kResult.size());
        return 0;
    };
    EXPECT_EQ(run(), kDelivered);

    notes.entries.clear();
    fileRequest(gpx, dir.file("o.gdb"), 24);
    calls.importFile = [](Context& c, const std::string&, ByteStream&, ByteStream&) {
        c.run.trackCounter = 2;
        c.run.trackFailures = 2;
        return 0;
    };
    EXPECT_EQ(run(), kRunFailed);
    EXPECT_EQ(notes.keys(), Keys{"$MSG18"});
}

TEST_F(DriverTest, MemoryErrorOfTheImportEndsWithoutResultCheck) {
    importResult = 2;
    fileRequest(makeFile("t.gpx"), dir.file("o.gdb"));
    EXPECT_EQ(run(), kRunFailed);
    ASSERT_EQ(notes.keys(), Keys{"Klaar"});
    EXPECT_EQ(notes.entries[0].text, "memory error");
}

TEST_F(DriverTest, RunStateIsResetForEveryRun) {
    ctx.run.trackCounter = 7;
    ctx.run.nextWaypointNumber = 99;
    ctx.run.importQuestion = 2;
    ctx.store.count = 12;
    ctx.settings.SaveRoute = 1;
    run();
    EXPECT_EQ(ctx.run.trackCounter, 0);
    EXPECT_EQ(ctx.run.nextWaypointNumber, 1);
    EXPECT_EQ(ctx.run.importQuestion, 0);
    EXPECT_EQ(ctx.store.count, 0);
    EXPECT_EQ(ctx.run.savedRouteMarker, 1);
}

TEST_F(DriverTest, EnginesSeeTheRequestedOptionAndTargetInTheSettings) {
    int32_t seenMode = -1, seenTarget = -1;
    calls.importFile = [&](Context& c, const std::string&, ByteStream&, ByteStream& out) {
        seenMode = c.settings.Mode;
        seenTarget = c.settings.OutputOption;
        c.run.trackCounter = 1;
        out.write(kResult.data(), kResult.size());
        return 0;
    };
    ctx.settings.Mode = 1;
    ctx.settings.OutputOption = 2;
    fileRequest(makeFile("t.gpx"), dir.file("o.gdb"), 24);
    EXPECT_EQ(run(), kDelivered);
    EXPECT_EQ(seenMode, 24);
    EXPECT_EQ(seenTarget, 1);
    EXPECT_EQ(ctx.settings.Mode, 1);
    EXPECT_EQ(ctx.settings.OutputOption, 2);
}

// Every engine call is bound by the default table; one missing is a fault of the program, which
// ends before it touches a file, naming the call.
TEST_F(DriverTest, MissingEnginesEndTheProgram) {
    const DriverCalls d = defaultDriverCalls();
    EXPECT_TRUE(d.detectDevices && d.openInMapSource && d.startTrainingCenter && d.scanHeader && d.downConvert &&
                d.convertGdbRecord && d.viaPointVisibilityPass && d.importFile && d.convertBatch && d.unpackKmz &&
                d.writeCourses && d.writeGpx);

    GTEST_FLAG_SET(death_test_style, "threadsafe");
    DriverCalls none;
    fileRequest(makeFile("t.gpx"), dir.file("o.gdb"));
    EXPECT_DEATH(runConversion(ctx, none, req), "no file import bound");
    fileRequest(makeFile("r.gdb"), dir.file("o.gdb"), 11);
    EXPECT_DEATH(runConversion(ctx, none, req), "no GDB header scan bound");
    fileRequest(makeFile("t.gpx"), dir.file("o.tcx"));
    calls.writeCourses = nullptr;
    EXPECT_DEATH(run(), "no TCX course writer bound");
    EXPECT_FALSE(std::filesystem::exists(dir.file("o.gdb")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("o.tcx")));
}

TEST_F(DriverTest, WorkFileThatCannotBeCreatedIsReported) {
    ctx.paths.workGdb = dir.file("no-such-folder/Trakor3.gdb");
    fileRequest(makeFile("t.gpx"), dir.file("o.gdb"));
    EXPECT_EQ(run(), kRunFailed);
    ASSERT_EQ(notes.keys(), Keys{"$MSG80"});
    EXPECT_NE(notes.entries[0].text.find("no-such-folder/Trakor3.gdb\nNo such file or directory"), std::string::npos)
        << notes.entries[0].text;
    EXPECT_EQ(imports, 0);
}

TEST_F(DriverTest, WorkFileIsReadOnlyAfterTheRunAndRewrittenByTheNext) {
    fileRequest(makeFile("t.gpx"), dir.file("o.gdb"));
    req.outputTarget = OutputTarget::MapSource;
    ASSERT_EQ(run(), kDelivered);
    EXPECT_EQ(modeOf(ctx.paths.workGdb) & 0222, 0u);
    EXPECT_EQ(run(), kDelivered);
    EXPECT_EQ(readFile(ctx.paths.workGdb), kResult);
}

TEST_F(DriverTest, RunToAFileKeepsToPrivateWorkFilesAndRemovesThem) {
    writeFile(ctx.paths.workGdb, "EARLIER");
    fileRequest(makeFile("t.gpx"), dir.file("o.gdb"));
    ASSERT_EQ(run(), kDelivered);
    EXPECT_NE(readFile(dir.file("o.gdb")).find("RESULT"), std::string::npos);
    EXPECT_EQ(readFile(ctx.paths.workGdb), "EARLIER");
    EXPECT_EQ(ctx.paths.workGdb, dir.file("Trakor3.gdb"));
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().find(".trakor3-"), std::string::npos) << e.path();
}

TEST_F(DriverTest, InputThatIsTheWorkFileIsReadBeforeItIsRewritten) {
    writeFile(ctx.paths.workGdb, "EARLIER RESULT");
    fileRequest(ctx.paths.workGdb, dir.file("o.gdb"));
    ASSERT_EQ(run(), kDelivered);
    EXPECT_EQ(importedBytes, "EARLIER RESULT");
}

// The main dialog greys out the options the Convert action would refuse: the rule it asks must
// give the message the driver stops with, for every input, output and option.
TEST_F(DriverTest, OptionRefusalMatchesTheConvertChecks) {
    const std::string rules[] = {"$MSG11", "$MSG14", "$MSG56", "$MSG57"};
    calls.writeFitCourses = [](Context&, const std::string&, UnitCourses*) { return 1; };
    struct Output {
        OutputTarget target;
        const char* name;
        bool overwrite;
    } outputs[] = {{OutputTarget::File, "out.gdb", false}, {OutputTarget::File, "out.gpx", false},
                   {OutputTarget::File, "out.TCX", false}, {OutputTarget::File, "out.fit", false},
                   {OutputTarget::File, "out.tcx", true},  {OutputTarget::MapSource, "", false},
                   {OutputTarget::TrainingCenter, "", false}};
    int refused = 0;
    for (const char* input : {"a.gdb", "b.GPX", "c.fit", "d.gdb.bak", "e.kmz", "f.txt"})
        for (const Output& o : outputs)
            for (bool several : {false, true})
                for (int option : {0, 1, 2, 3, 4, 11, 12, 13, 14, 15, 21, 22, 23, 24}) {
                    req = ConversionRequest{};
                    req.inputPath = dir.file(input);
                    req.multipleInput = several;
                    if (several) req.inputList = {dir.file(input), dir.file("g.gdb")};
                    req.outputTarget = o.target;
                    req.outputPath = *o.name ? dir.file(o.name) : std::string();
                    req.overwriteInput = o.overwrite;
                    req.option = option;
                    const KeyedMessage* refusal = optionRefusal(req, option);
                    notes.entries.clear();
                    run();
                    std::string stop;
                    for (const auto& e : notes.entries)
                        if (std::find(std::begin(rules), std::end(rules), e.key) != std::end(rules)) stop = e.key;
                    SCOPED_TRACE(std::string(input) + " to " + (*o.name ? o.name : "target") + (o.overwrite ? " (overwrite)" : "") + " option " +
                                 std::to_string(option) + (several ? " batch" : ""));
                    EXPECT_EQ(refusal ? std::string(refusal->key) : std::string(), stop);
                    refused += refusal != nullptr;
                }
    EXPECT_GT(refused, 100);
}

}  // namespace
}  // namespace trakor::test
