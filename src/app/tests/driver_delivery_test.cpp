// SPDX-License-Identifier: GPL-3.0-or-later
// Same-file rules, the output test, delivery by target and the backup-and-replace step.
#include <unistd.h>

#include <filesystem>

#include "app/tests/driver_fixture.h"
#include "platform/file_delivery.h"

namespace trakor::test {
namespace {

namespace fs = std::filesystem;
using Keys = std::vector<std::string>;

TEST_F(DriverTest, OutputThatIsTheInputIsRefusedWhateverItIsCalled) {
    std::string in = makeFile("t.gpx", "original");
    std::string link = dir.file("link.gdb");
    fs::create_symlink(in, link);
    std::string hard = dir.file("hard.gdb");
    fs::create_hard_link(in, hard);
    std::string cwd = fs::current_path().string();
    fs::current_path(dir.path());
    for (const std::string& out : {link, hard, std::string("./link.gdb"), std::string("../") +
                                                                        dir.path().filename().string() + "/hard.gdb"}) {
        notes.entries.clear();
        fileRequest(in, out);
        EXPECT_EQ(run(), kRunStopped) << out;
        EXPECT_EQ(notes.keys(), Keys{"$MSG16"}) << out;
    }
    fs::current_path(cwd);
    EXPECT_EQ(readFile(in), "original");
    EXPECT_EQ(modeOf(in) & 0200, 0200u);
    EXPECT_EQ(imports, 0);
}

// A .gpx output is written by the GPX writer from the work file; a writer that fails leaves the
// output as it was and the run is not reported as completed.
TEST_F(DriverTest, GpxOutputIsWrittenByTheGpxWriter) {
    struct Case {
        const char* what;
        bool present;
        int result;
        int rc;
        Keys keys;
        const char* output;
    };
    for (const Case& c : {Case{"written", true, 0, kDelivered, {"$MSG20"}, "GPX of the work file"},
                          Case{"fails", true, 3, kRunFailed, {"Klaar"}, "previous"}}) {
        SCOPED_TRACE(c.what);
        notes.entries.clear();
        const std::string out = makeFile("Out.GPX", "previous");
        calls.writeGpx = nullptr;
        if (c.present)
            calls.writeGpx = [&](Context& cx, const std::string& path) {
                if (c.result == 0) writeFile(path, "GPX of " + readFile(cx.paths.workGdb));
                EXPECT_NE(readFile(cx.paths.workGdb).find("RESULT"), std::string::npos);
                return c.result;
            };
        fileRequest(makeFile("t.kml"), out);
        EXPECT_EQ(run(), c.rc);
        EXPECT_EQ(notes.keys(), c.keys);
        EXPECT_EQ(readFile(out).substr(0, 7), std::string(c.output).substr(0, 7));
    }
}

TEST_F(DriverTest, ReadOnlyOutputIsRefusedEvenForRoot) {
    std::string out = makeFile("o.gdb", "keep me");
    fs::permissions(out, fs::perms::owner_read | fs::perms::group_read);
    fileRequest(makeFile("t.gpx"), out);
    EXPECT_EQ(run(), kRunFailed);
    EXPECT_EQ(notes.keys(), Keys{"$MSG16"});
    const std::string detail = "read-only\n" + out + ": the file is read-only";
    EXPECT_EQ(notes.entries[0].text.rfind(detail), notes.entries[0].text.size() - detail.size()) << notes.entries[0].text;
    EXPECT_EQ(readFile(out), "keep me");
}

TEST_F(DriverTest, OutputTestLeavesNoTraceAndDoesNotHarmAnExistingOutput) {
    std::string in = makeFile("t.gpx");
    tracksMade = 0;  // the run fails after the output test
    fileRequest(in, dir.file("new.gdb"));
    EXPECT_EQ(run(), kRunFailed);
    EXPECT_FALSE(fs::exists(dir.file("new.gdb")));

    std::string existing = makeFile("old.gdb", "previous result");
    fileRequest(in, existing);
    EXPECT_EQ(run(), kRunFailed);
    EXPECT_EQ(readFile(existing), "previous result");
    // Nothing left beside it either.
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().rfind(".trakor3-", 0), std::string::npos) << e.path();
}

TEST_F(DriverTest, FileDeliveryReplacesTheOutputAndKeepsItsPermissions) {
    std::string out = makeFile("o.gdb", "previous result");
    fs::permissions(out, fs::perms::owner_read | fs::perms::owner_write);
    fileRequest(makeFile("t.gpx"), out);
    EXPECT_EQ(run(), kDelivered);
    EXPECT_EQ(notes.keys(), Keys{"$MSG20"});
    EXPECT_EQ(notes.entries[0].text, "File conversion completed!");
    EXPECT_EQ(readFile(out), kResult);
    EXPECT_EQ(modeOf(out), 0600u);
}

TEST_F(DriverTest, DeliveryThroughALinkReplacesTheFileItNames) {
    std::string real = makeFile("real.gdb", "old");
    std::string link = dir.file("link.gdb");
    fs::create_symlink(real, link);
    fileRequest(makeFile("t.gpx"), link);
    EXPECT_EQ(run(), kDelivered);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(real), kResult);
}

// A link put at the output's name while the run goes (here: while the input is read or the
// courses are written) is replaced by the result; the file it points to is never written.
TEST_F(DriverTest, LinkPlantedAtTheOutputDuringTheRunIsNotFollowed) {
    for (const bool tcx : {false, true}) {
        for (const bool existed : {false, true}) {
            SCOPED_TRACE(std::string(tcx ? "tcx" : "gdb") + (existed ? ", output existed" : ", new output"));
            const std::string secret = makeFile("secret.txt", "secret");
            const std::string out = dir.file(tcx ? "new.tcx" : "new.gdb");
            fs::remove(out);
            if (existed) writeFile(out, "previous");
            const auto plant = [&] {
                fs::remove(out);
                fs::create_symlink(secret, out);
            };
            auto importFile = calls.importFile;
            auto writeCourses = calls.writeCourses;
            calls.importFile = [&](Context& c, const std::string& base, ByteStream& in, ByteStream& o) {
                if (!tcx) plant();
                return importFile(c, base, in, o);
            };
            calls.writeCourses = [&](Context& c, UnitCourses* unit, XmlCheck& check) {
                plant();
                return writeCourses(c, unit, check);
            };
            fileRequest(makeFile("t.gpx"), out, tcx ? 24 : 0);
            EXPECT_EQ(run(), kDelivered);
            calls.importFile = importFile;
            calls.writeCourses = writeCourses;
            EXPECT_EQ(readFile(secret), "secret");
            EXPECT_FALSE(fs::is_symlink(out));
            EXPECT_EQ(readFile(out), tcx ? kCourses : kResult);
        }
    }
}

TEST_F(DriverTest, TcxDelivery) {
    fileRequest(makeFile("t.gpx"), dir.file("o.tcx"), 24);
    EXPECT_EQ(run(), kDelivered);
    EXPECT_EQ(readFile(dir.file("o.tcx")), kCourses);
    EXPECT_EQ(courseFolder, "");

    // Nothing to write: the writer has told the user, the run ends.
    notes.entries.clear();
    coursesResult = 1;
    fileRequest(makeFile("t.gpx"), dir.file("p.tcx"), 24);
    EXPECT_EQ(run(), kRunFailed);
    EXPECT_TRUE(notes.entries.empty());

    // A work TCX file that cannot be copied is reported, not announced as completed.
    notes.entries.clear();
    coursesResult = 0;
    calls.writeCourses = [](Context& c, UnitCourses*, XmlCheck&) {
        fs::remove(c.paths.workTcx);
        return 0;
    };
    fileRequest(makeFile("t.gpx"), dir.file("q.tcx"), 24);
    EXPECT_EQ(run(), kRunFailed);
    ASSERT_EQ(notes.keys(), Keys{"Klaar"});
    // The work file's private name and the system's reason follow.
    EXPECT_TRUE(notes.entries[0].text.starts_with("copy error\ncannot open " + ctx.paths.workTcx)) << notes.entries[0].text;
    EXPECT_TRUE(notes.entries[0].text.ends_with(": No such file or directory")) << notes.entries[0].text;
}

// A run of its own moves its private work file to the output instead of copying it; nothing of
// it stays in the working folder, and the fixed work files are not touched.
TEST_F(DriverTest, PrivateWorkFileIsMovedToTheOutput) {
    writeFile(ctx.paths.workTcx, "FIXED");
    ino_t written = 0;
    calls.writeCourses = [&written](Context& c, UnitCourses*, XmlCheck&) {
        writeFile(c.paths.workTcx, kCourses);
        struct stat st {};
        ::stat(c.paths.workTcx.c_str(), &st);
        written = st.st_ino;
        return 0;
    };
    const std::string out = makeFile("o.tcx", "previous");
    fileRequest(makeFile("t.gpx"), out, 24);
    ASSERT_EQ(run(), kDelivered);
    struct stat st {};
    ASSERT_EQ(::stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_ino, written);
    EXPECT_EQ(readFile(out), kCourses);
    EXPECT_EQ(modeOf(out), 0644u);
    EXPECT_EQ(readFile(ctx.paths.workTcx), "FIXED");
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_EQ(e.path().filename().string().find(".trakor3-"), std::string::npos) << e.path();
}

TEST_F(DriverTest, MapSourceAndTrainingCenterTargets) {
    req.inputPath = makeFile("t.gpx");
    req.outputTarget = OutputTarget::MapSource;
    EXPECT_EQ(run(), kDelivered);
    EXPECT_EQ(mapSourceOpened, Keys{ctx.paths.workGdb});
    EXPECT_TRUE(notes.entries.empty());

    int started = 0;
    calls.startTrainingCenter = [&](Context&) { return ++started, 0; };
    req.outputTarget = OutputTarget::TrainingCenter;
    req.option = 11;
    EXPECT_EQ(run(), kRunStopped);  // a GPX input cannot take option 11
    req.option = 0;
    EXPECT_EQ(run(), kDelivered);
    ASSERT_EQ(notes.keys().back(), "$MSG21");
    EXPECT_EQ(notes.entries.back().text, "The courses can be found in the file: \n" + ctx.paths.workTcx +
                                             "\nYou have to import the courses in Training Center yourself!");
    EXPECT_EQ(started, 1);
}

class GpsTargetTest : public DriverTest {
protected:
    std::string device;
    void SetUp() override {
        DriverTest::SetUp();
        device = dir.file("GARMIN");
        fs::create_directory(device);
        req.inputPath = makeFile("t.gpx");
        req.outputTarget = OutputTarget::Gps;
        req.device.root = device;
        req.device.connected = true;
        req.device.deviceList = {device + "/Edge 800"};
    }
};

TEST_F(GpsTargetTest, Edge800GetsItsNewFilesFolder) {
    EXPECT_EQ(run(), kDelivered);
    EXPECT_EQ(notes.keys(), Keys{"$MSG22"});
    EXPECT_EQ(courseFolder, device + "/Garmin/NewFiles");
    EXPECT_TRUE(fs::is_directory(device + "/Garmin/Courses"));
}

// Courses that fail the XML check are no delivery to the unit either.
TEST_F(GpsTargetTest, CoursesFailingTheXmlCheckAreNotSent) {
    calls.writeCourses = [](Context&, UnitCourses*, XmlCheck& check) {
        check = XmlCheck{false, 3, "mismatched end tag"};
        return 0;
    };
    EXPECT_EQ(run(), kRunFailed);
    ASSERT_EQ(notes.keys(), Keys{"$MSG90"});
    EXPECT_NE(notes.entries[0].text.find("line 3: mismatched end tag"), std::string::npos) << notes.entries[0].text;
}

TEST_F(GpsTargetTest, OtherEdgeModelsUseTheCoursesFolderOfThePickedCard) {
    std::string card = dir.file("CARD");
    fs::create_directory(card);
    req.device.deviceList = {device + "/EDGE 705", card + "/ SD-card"};
    req.targetRoot = card + "/";
    EXPECT_EQ(run(), kDelivered);
    EXPECT_EQ(courseFolder, card + "/Garmin/Courses");
    EXPECT_FALSE(fs::exists(card + "/Garmin/NewFiles"));
}

TEST_F(GpsTargetTest, DeviceChecks) {
    req.device.connected = false;
    EXPECT_EQ(run(), kRunStopped);
    EXPECT_EQ(notes.keys(), Keys{"$MSG06"});

    notes.entries.clear();
    req.device.connected = true;
    req.device.deviceList = {device + "/Forerunner 305"};
    EXPECT_EQ(run(), kRunStopped);  // the recording notifier answers No
    ASSERT_EQ(notes.keys(), Keys{"$MSG07"});
    EXPECT_EQ(notes.entries[0].style, MsgStyle::Question);

    notes.entries.clear();
    notes.answers = {Answer::Yes};
    EXPECT_EQ(run(), kDelivered);
    EXPECT_EQ(notes.keys(), (Keys{"$MSG07", "$MSG22"}));

    notes.entries.clear();
    req.device.deviceList = {device + "/EDGE 500"};
    req.targetRoot = dir.file("gone");
    EXPECT_EQ(run(), kRunStopped);
    ASSERT_EQ(notes.keys(), Keys{"$MSG08"});
    EXPECT_EQ(notes.entries[0].text, "Drive " + dir.file("gone") + " is not accessible,\ncheck the SD-card");
}

class BatchTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        req.multipleInput = true;
        req.inputPath = dir.path().string() + "/...";
        req.inputList = {makeFile("a.gpx"), makeFile("b.fit")};
    }
    std::string firstKey(const std::string& output, int option) {
        notes.entries.clear();
        req.outputPath = output;
        req.option = option;
        run();
        return notes.entries.empty() ? std::string() : notes.entries.front().key;
    }
};

TEST_F(BatchTest, OptionRulesFollowTheOutputFormat) {
    EXPECT_EQ(firstKey(dir.file("x.tcx"), 0), "$MSG53");
    EXPECT_EQ(firstKey(dir.file("x.tcx"), 24), "$MSG53");
    EXPECT_EQ(firstKey(dir.file("x.tcx"), 21), "$MSG56");
    EXPECT_EQ(firstKey(dir.file("x.gdb"), 21), "$MSG53");
    EXPECT_EQ(firstKey(dir.file("x.gdb"), 11), "$MSG57");
    req.outputTarget = OutputTarget::MapSource;
    EXPECT_EQ(firstKey("", 15), "$MSG57");
    req.outputTarget = OutputTarget::TrainingCenter;
    EXPECT_EQ(firstKey("", 22), "$MSG56");
}

TEST_F(BatchTest, RunsTheListWithItsLogAndDelivers) {
    req.outputPath = dir.file("x.gdb");
    EXPECT_EQ(run(), kDelivered);
    ASSERT_EQ(notes.keys(), (Keys{"$MSG53", "$MSG20"}));
    EXPECT_EQ(notes.entries[0].text,
              "2 selected input files will be processed.\n\nLog file: \n" + ctx.paths.logFile);
    EXPECT_EQ(batchInputs, req.inputList);
    EXPECT_EQ(readFile(dir.file("x.gdb")), kBatchResult);
    EXPECT_EQ(readFile(ctx.paths.logFile).rfind("\"Path\"", 0), 0u);
}

TEST_F(BatchTest, OutputThatIsOneOfTheInputsIsRefused) {
    std::string link = dir.file("same.gdb");
    fs::create_symlink(req.inputList[1], link);
    EXPECT_EQ(firstKey(link, 0), "$MSG16");
    EXPECT_TRUE(batchInputs.empty());
}

TEST_F(BatchTest, LogThatCannotBeCreatedIsReported) {
    ctx.paths.logFile = dir.file("missing/Trakor3.log");
    EXPECT_EQ(firstKey(dir.file("x.gdb"), 0), "$MSG81");
    EXPECT_EQ(notes.keys().size(), 1u);
    EXPECT_TRUE(batchInputs.empty());
}

// The overwrite-input flag: the result replaces a .gdb input after the backup question.
class OverwriteTest : public DriverTest {
protected:
    std::string input;
    void SetUp() override {
        DriverTest::SetUp();
        input = makeFile("in.gdb", "ORIGINAL");
        req.inputPath = input;
        req.overwriteInput = true;
        req.outputTarget = OutputTarget::File;
        req.option = 0;
    }
};

TEST_F(OverwriteTest, YesKeepsABackupAndReplacesTheInput) {
    notes.answers = {Answer::Yes};
    EXPECT_EQ(run(), kDelivered);
    ASSERT_EQ(notes.keys(), (Keys{"$MSG24", "$MSG20"}));
    EXPECT_EQ(notes.entries[0].text,
              "Do you want to make a backup before overwriting the input file?\nName:\n" + input + ".bak");
    EXPECT_EQ(notes.entries[0].style, MsgStyle::QuestionCancel);
    EXPECT_EQ(readFile(input + ".bak"), "ORIGINAL");
    EXPECT_EQ(readFile(input), kResult);
    EXPECT_NE(modeOf(input) & 0200, 0u);
}

TEST_F(OverwriteTest, BackupNamesCountUpWhileTaken) {
    EXPECT_EQ(backupNameFor(input), input + ".bak");
    writeFile(input + ".bak", "");
    EXPECT_EQ(backupNameFor(input), input + ".bak(1)");
    writeFile(input + ".bak(1)", "");
    EXPECT_EQ(backupNameFor(input), input + ".bak(2)");
    notes.answers = {Answer::Yes};
    EXPECT_EQ(run(), kDelivered);
    EXPECT_EQ(readFile(input + ".bak(2)"), "ORIGINAL");
    EXPECT_EQ(readFile(input + ".bak"), "");
}

TEST_F(OverwriteTest, NoReplacesWithoutBackupAndCancelReplacesNothing) {
    notes.answers = {Answer::No};
    EXPECT_EQ(run(), kDelivered);
    EXPECT_FALSE(fs::exists(input + ".bak"));
    EXPECT_EQ(readFile(input), kResult);

    writeFile(input, "ORIGINAL");
    notes.entries.clear();
    notes.answers = {Answer::Cancel};
    EXPECT_EQ(run(), kRunStopped);
    EXPECT_EQ(notes.keys(), (Keys{"$MSG24", "$MSG25"}));
    EXPECT_EQ(readFile(input), "ORIGINAL");
}

TEST_F(OverwriteTest, ReadOnlyInputIsConvertedButNotReplacedEvenForRoot) {
    fs::permissions(input, fs::perms::owner_read);
    EXPECT_EQ(run(), kRunFailed);
    EXPECT_EQ(imports, 1);
    EXPECT_EQ(notes.keys(), Keys{"$MSG23"});
    EXPECT_EQ(readFile(input), "ORIGINAL");
    EXPECT_EQ(modeOf(input), 0400u);
}

TEST_F(OverwriteTest, FailedBackupLeavesTheInputAlone) {
    // A backup name past 255 characters cannot be created.
    input = makeFile(std::string(248, 'g') + ".gdb", "ORIGINAL");
    req.inputPath = input;
    notes.answers = {Answer::Yes};
    EXPECT_EQ(run(), kRunFailed);
    ASSERT_EQ(notes.keys(), (Keys{"$MSG24", "$MSG83"}));
    EXPECT_EQ(readFile(input), "ORIGINAL");
}

TEST_F(OverwriteTest, MapSourceOpensTheReplacedInput) {
    req.outputTarget = OutputTarget::MapSource;
    notes.answers = {Answer::No};
    EXPECT_EQ(run(), kDelivered);
    EXPECT_EQ(mapSourceOpened, Keys{input});
    EXPECT_EQ(readFile(input), kResult);
}

TEST_F(OverwriteTest, OnlyGdbInputsCanBeOverwritten) {
    std::string gpx = makeFile("t.gpx", "GPX");
    req.inputPath = gpx;
    req.outputPath = dir.file("o.gdb");
    EXPECT_EQ(run(), kDelivered);
    EXPECT_EQ(readFile(gpx), "GPX");
    EXPECT_EQ(readFile(dir.file("o.gdb")), kResult);
}

TEST(FileDeliveryTest, NameLengthIsCheckedPerComponent) {
    EXPECT_FALSE(nameTooLong("/tmp/" + std::string(255, 'a')));
    EXPECT_TRUE(nameTooLong("/tmp/" + std::string(256, 'a')));
    EXPECT_TRUE(nameTooLong(std::string(256, 'a') + "/x"));
    EXPECT_FALSE(nameTooLong(std::string(200, 'a') + "/" + std::string(200, 'b')));
}

TEST(FileDeliveryTest, ReplaceFailsWithoutTouchingTheTarget) {
    TempDir d;
    writeFile(d.file("target"), "keep");
    EXPECT_FALSE(replaceFileWith(d.file("missing"), d.file("target")));
    EXPECT_EQ(readFile(d.file("target")), "keep");
    EXPECT_FALSE(replaceFileWith(d.file("target"), d.file("no/such/folder/x")));
    // A folder is never replaced by a file.
    fs::create_directory(d.file("folder"));
    EXPECT_FALSE(replaceFileWith(d.file("target"), d.file("folder")));
    EXPECT_TRUE(fs::is_directory(d.file("folder")));
    EXPECT_FALSE(copyToNewFile(d.file("target"), d.file("target")));
    EXPECT_EQ(readFile(d.file("target")), "keep");
}

// A result that does not read back whole is never delivered: the run fails with the record or
// line at fault, and the existing output, the input and MapSource see nothing of it.
TEST_F(DriverTest, DamagedResultsAreNotDelivered) {
    // The end record lost: a whole header followed by one track cut short.
    const std::string cut = kResult.substr(0, kResult.size() - 7) + std::string("\x20\0\0\0T", 5) + "Walk";
    calls.importFile = [&](Context& c, const std::string&, ByteStream&, ByteStream& out) {
        c.run.trackCounter = 1;
        out.write(cut.data(), cut.size());
        return 0;
    };
    const std::string out = makeFile("o.gdb", "previous result");
    fileRequest(makeFile("t.gpx"), out);
    EXPECT_EQ(run(), kRunFailed);
    ASSERT_EQ(notes.keys(), Keys{"$MSG90"});
    EXPECT_NE(notes.entries[0].text.find("(record 1: record runs past the end of the file)"), std::string::npos)
        << notes.entries[0].text;
    EXPECT_EQ(readFile(out), "previous result");

    notes.entries.clear();
    const std::string input = makeFile("in.gdb", "ORIGINAL");
    req.inputPath = input;
    req.overwriteInput = true;
    EXPECT_EQ(run(), kRunFailed);
    EXPECT_EQ(notes.keys(), Keys{"$MSG90"});  // not even the backup question
    EXPECT_EQ(readFile(input), "ORIGINAL");

    notes.entries.clear();
    req.overwriteInput = false;
    req.outputTarget = OutputTarget::MapSource;
    EXPECT_EQ(run(), kRunFailed);
    EXPECT_TRUE(mapSourceOpened.empty());

    // Courses: the work TCX file is checked before it is copied.
    notes.entries.clear();
    calls.importFile = nullptr;
    SetUp();
    calls.writeCourses = [](Context& c, UnitCourses*, XmlCheck& check) {
        writeFile(c.paths.workTcx, "<TrainingCenterDatabase>\n<Courses>\n</TrainingCenterDatabase>\n");
        check = checkXmlFile(c.paths.workTcx);
        return 0;
    };
    const std::string tcx = makeFile("o.tcx", "previous courses");
    fileRequest(makeFile("t.gpx"), tcx, 24);
    EXPECT_EQ(run(), kRunFailed);
    ASSERT_EQ(notes.keys(), Keys{"$MSG90"});
    EXPECT_NE(notes.entries[0].text.find("line 3"), std::string::npos) << notes.entries[0].text;
    EXPECT_EQ(readFile(tcx), "previous courses");
}

}  // namespace
}  // namespace trakor::test
