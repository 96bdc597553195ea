// trakor3-cli as the user runs it: help, set-up report, messages, exit status and answers.
#include <cstdio>
#include <filesystem>

#include "cli/console_notifier.h"
#include "gdb/tests/gpx_oracle.h"
#include "testsupport/testsupport.h"

namespace trakor::test {
namespace {

namespace fs = std::filesystem;

// Runs a copy of the built program from its own folder, so it runs portable with its INI file and
// work files there and tests do not share them; captures both output streams.
class CliTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string out, err;
    std::string program;

    void SetUp() override {
        fs::create_directory(dir.file("bin"));
        fs::create_directory(dir.file("run"));
        program = dir.file("bin/trakor3-cli");
        fs::copy_file(std::string(TRAKOR_BINARY_DIR) + "/src/cli/trakor3-cli", program);
    }
    std::string binFile(const std::string& name) const { return dir.file("bin/" + name); }

    int cli(const std::string& args) {
        std::string errFile = dir.file("stderr.txt");
        std::string cmd = "cd " + quote(dir.path().string()) + " && env -u WINEPREFIX HOME=" + quote(dir.file("home")) +
                          " XDG_DATA_HOME=" + quote(dir.file("data")) + " XDG_CONFIG_HOME=" +
                          quote(dir.file("config")) + " XDG_RUNTIME_DIR=" + quote(dir.file("run")) + " LC_ALL=C " +
                          quote(program) + " " + args + " 2>" +
                          quote(errFile);
        out.clear();
        int rc = runCommand(cmd, &out);
        err = readFile(errFile);
        return rc;
    }
    std::string makeFile(const std::string& name, const std::string& content = "x") {
        writeFile(dir.file(name), content);
        return dir.file(name);
    }
};

TEST_F(CliTest, HelpListsTheOptions) {
    EXPECT_EQ(cli("--help"), 0);
    EXPECT_NE(out.find("Usage: trakor3-cli"), std::string::npos);
    for (const char* opt : {"--output", "--target", "--option", "--overwrite-input", "--split", "--no-split",
                            "--filter", "--no-filter", "--gps-drive", "--view", "--set", "--ini", "--show-setup",
                            "--yes", "--no", "--cancel"})
        EXPECT_NE(out.find(opt), std::string::npos) << opt;
}

TEST_F(CliTest, ShowSetupPrintsPathsAndSettingsWithOverrides) {
    EXPECT_EQ(cli("--show-setup --set 'Removal Glitches=1' --set Filtersize_t=-3"), 0) << err;
    EXPECT_NE(out.find("Mode: "), std::string::npos);
    EXPECT_NE(out.find("Application name: Trakor3\n"), std::string::npos);
    EXPECT_NE(out.find("/Trakor3.gdb\n"), std::string::npos);
    EXPECT_NE(out.find("/Trakor3.log\n"), std::string::npos);
    EXPECT_NE(out.find("  Removal Glitches=1\n"), std::string::npos);
    EXPECT_NE(out.find("  Filtersize_t=-3\n"), std::string::npos);
    EXPECT_NE(out.find("  Top Clipboard Menu="), std::string::npos);
}

TEST_F(CliTest, SettingsComeFromTheStoreAndAreNeverWritten) {
    std::string ini = "[Info]\nMode=24\nSplittype=0\nFiltersize_t=321\n";
    writeFile(binFile("Trakor3.ini"), ini);
    EXPECT_EQ(cli("--show-setup --set Mode=22"), 0) << err;
    EXPECT_NE(out.find("Mode: P (portable)\n"), std::string::npos);
    EXPECT_NE(out.find("Work GDB file: " + binFile("Trakor3.gdb") + "\n"), std::string::npos);
    EXPECT_NE(out.find("Settings store: " + binFile("Trakor3.ini") + "\n"), std::string::npos);
    EXPECT_NE(out.find("  Mode=22\n"), std::string::npos);
    EXPECT_NE(out.find("  Splittype=1\n"), std::string::npos);
    EXPECT_NE(out.find("  Filtersize_t=321\n"), std::string::npos);
    // Absent values take the portable defaults.
    EXPECT_NE(out.find("  Filter_CBR=200\n"), std::string::npos);
    EXPECT_EQ(readFile(binFile("Trakor3.ini")), ini);

    // A given INI file replaces the program's own.
    makeFile("other.ini", "[Info]\nFiltersize_t=77\n");
    EXPECT_EQ(cli("--ini other.ini --show-setup"), 0) << err;
    EXPECT_NE(out.find("  Filtersize_t=77\n"), std::string::npos);
    EXPECT_NE(cli("--ini missing.ini --show-setup"), 0);
    EXPECT_NE(err.find("missing.ini"), std::string::npos);

    // A conversion run does not save the exit settings either.
    makeFile("notes.txt");
    cli("notes.txt --option 0 --split 20 -o out.gdb");
    EXPECT_EQ(readFile(binFile("Trakor3.ini")), ini);
}

TEST_F(CliTest, UsageErrors) {
    EXPECT_NE(cli("--set Nonsense=1 --show-setup"), 0);
    EXPECT_NE(err.find("unknown setting 'Nonsense'"), std::string::npos);
    EXPECT_NE(cli("--set Split=x --show-setup"), 0);
    EXPECT_NE(cli("--option 5 a.gpx"), 0);
    EXPECT_NE(cli("--split 3 --no-split a.gpx"), 0);
    EXPECT_NE(cli("--yes --no a.gpx"), 0);
    EXPECT_NE(cli("--overwrite-input a.gpx"), 0);
    EXPECT_NE(err.find("needs a single input file ending in .gdb"), std::string::npos);
    EXPECT_NE(cli("--overwrite-input a.gdb -o b.gdb"), 0);
    EXPECT_NE(cli(""), 0);
    EXPECT_TRUE(out.empty());
}

TEST_F(CliTest, CheckFailureIsPrintedWithItsCaptionAndFailsTheRun) {
    makeFile("notes.txt");
    EXPECT_EQ(cli("notes.txt -o out.gdb"), 1);
    EXPECT_EQ(err, "Trakor3 ($MSG10): Input file is no gdb, gdb.bak, gpx, tcx, crs, fit, kml, kmz, itn or "
                   "nmea/nma/log file.\n");
    EXPECT_TRUE(out.empty());

    makeFile("t.gpx");
    EXPECT_EQ(cli("t.gpx --option 0 -o out.txt"), 1);
    EXPECT_EQ(err, "Trakor3 ($MSG13): Output file is no GDB or TCX file.\n");

    EXPECT_EQ(cli("t.gpx --option 3 -o out.gdb"), 1);
    EXPECT_EQ(err, "Trakor3 ($MSG11): Options 1-15 are not valid for a non GDB input file.\n");

    // Split and filter values are checked as the dialog checks its fields.
    EXPECT_EQ(cli("t.gpx --option 24 --split 4 -o out.gdb"), 1);
    EXPECT_EQ(err, "Trakor3 ($MSG02): Valid split values are 5-999 km.\n");
    EXPECT_EQ(cli("t.gpx --option 24 --set Splittype=2 --split 100 --filter 100 --set Filtertype=2 -o out.gdb"), 1);
    EXPECT_EQ(err, "Trakor3 ($MSG04): Percentage value is invalid.\nValid values are 0-95%.\n");
}

TEST_F(CliTest, OutputThatIsTheInputIsRefused) {
    makeFile("r.gdb", "ORIGINAL");
    fs::create_symlink(dir.file("r.gdb"), dir.file("alias.gdb"));
    EXPECT_EQ(cli("r.gdb --option 0 -o alias.gdb"), 1);
    EXPECT_EQ(err.rfind("Trakor3 ($MSG16): Cannot open output file.", 0), 0u) << err;
    EXPECT_EQ(readFile(dir.file("r.gdb")), "ORIGINAL");
}

TEST_F(CliTest, SeveralInputsMakeABatchRun) {
    makeFile("a.gpx");
    makeFile("b.gpx");
    EXPECT_EQ(cli("a.gpx b.gpx --option 11 -o all.gdb"), 1);
    EXPECT_EQ(err, "Trakor3 ($MSG57): Options 1-15 are not valid for multiple input files.\n");
    EXPECT_EQ(cli("a.gpx b.gpx --option 21 -o all.tcx"), 1);
    EXPECT_EQ(err.rfind("Trakor3 ($MSG56)", 0), 0u);
}

TEST_F(CliTest, BatchRunShowsProgressAndWritesTheLog) {
    const std::string ride = readFile(std::string(TRAKOR_SOURCE_DIR) + "/samples/sample-route.gpx");
    makeFile("a.gpx", ride);
    makeFile("b.gpx", ride);
    makeFile("c.gpx", "not a gpx file");
    EXPECT_EQ(cli("a.gpx b.gpx c.gpx --option 0 -o all.gdb"), 0) << err;
    EXPECT_NE(err.find("File 1 of 3: a.gpx\nFile 2 of 3: b.gpx\nFile 3 of 3: c.gpx\n"), std::string::npos) << err;
    EXPECT_NE(err.find("Trakor3.log"), std::string::npos) << err;
    const std::string log = readFile(binFile("Trakor3.log"));
    EXPECT_EQ(log.rfind("\"Path\",\"File\",\"T/R\",\"T/R name\",\"Message\"\n", 0), 0u) << log;
    EXPECT_NE(log.find("\"c.gpx\",,,\"No tracks found\""), std::string::npos) << log;
    EXPECT_NE(log.find("\"a.gpx\",\"Track:\""), std::string::npos) << log;
    EXPECT_GT(readFile(dir.file("all.gdb")).size(), 100u);
}

TEST_F(CliTest, GpsDriveWithADeviceDescriptionReceivesTheCourses) {
    const std::string ride = readFile(std::string(TRAKOR_SOURCE_DIR) + "/samples/sample-route.gpx");
    makeFile("ride.gpx", ride);
    fs::create_directories(dir.file("edge/Garmin"));
    makeFile("edge/Garmin/GarminDevice.xml", "<Device><Model><Description>EDGE 800</Description></Model></Device>");
    EXPECT_EQ(cli("ride.gpx --option 0 --target gps --gps-drive edge"), 0) << err;
    EXPECT_NE(out.find("Trakor3 ($MSG22): The courses are sent to the GPS receiver"), std::string::npos) << out;
    EXPECT_TRUE(fs::exists(dir.file("edge/Garmin/NewFiles/Sample ride-1.tcx")));
    // A folder without a device description is no device.
    fs::create_directories(dir.file("stick"));
    EXPECT_EQ(cli("ride.gpx --option 0 --target gps --gps-drive stick"), 1);
    EXPECT_NE(err.find("($MSG06)"), std::string::npos) << err;
}

TEST_F(CliTest, MtpDeviceInGvfsIsListedAndReceivesTheCourses) {
    EXPECT_EQ(cli("--list-devices"), 0) << err;
    EXPECT_EQ(out, "GPS not found\n");
    // gvfs shows an MTP device as a folder per storage; the storage with the description is the device.
    const std::string device = dir.file("run/gvfs/mtp:host=091e_4c9a_0000c1a2");
    fs::create_directories(device + "/Internal Storage/Garmin");
    fs::create_directories(device + "/SD Card");
    makeFile("run/gvfs/mtp:host=091e_4c9a_0000c1a2/Internal Storage/Garmin/GarminDevice.xml",
             "<Device><Model><Description>EDGE 800</Description></Model></Device>");
    EXPECT_EQ(cli("--list-devices"), 0) << err;
    EXPECT_EQ(out, device + "/Internal Storage/EDGE 800\n" + device + "/SD Card/ SD-card\n");

    makeFile("ride.gpx", readFile(std::string(TRAKOR_SOURCE_DIR) + "/samples/sample-route.gpx"));
    EXPECT_EQ(cli("ride.gpx --option 0 --target gps"), 0) << err;
    EXPECT_TRUE(fs::exists(device + "/Internal Storage/Garmin/NewFiles/Sample ride-1.tcx"));
}

// A clipboard block: the length of the image, then the image (here a MapSource file).
std::string clipboardBlock(const std::string& image) {
    const uint32_t n = static_cast<uint32_t>(image.size());
    std::string block;
    for (int k = 0; k < 4; ++k) block += static_cast<char>((n >> (8 * k)) & 0xFF);
    return block + image;
}

TEST_F(CliTest, ClipboardBlockIsConvertedWithTheClipboardSettings) {
    TRAKOR_CORPUS_OR_SKIP(gdb, "gdb-sample-v3.gdb");
    const std::string in = makeFile("in.blk", clipboardBlock(readFile(gdb)));
    writeFile(binFile("Trakor3.ini"), "[Info]\nCBmode_r=12\nCBmode_t=22\n");
    EXPECT_EQ(cli("--clipboard-block in.blk out.blk --set CBmode_t=24"), 0) << err;
    EXPECT_NE(out.find("Trakor3 ($MSG44): 1 route(s) converted\n6 track(s) converted\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Trakor3 ($MSG35): Track 3 not converted"), std::string::npos) << out;
    const std::string result = readFile(dir.file("out.blk"));
    ASSERT_GT(result.size(), 4u);
    EXPECT_EQ(clipboardBlock(result.substr(4)), result);
    EXPECT_NE(result.find(std::string("Trakor3\0", 8)), std::string::npos);

    // Converting the result again is refused and writes nothing.
    EXPECT_EQ(cli("--clipboard-block out.blk again.blk"), 1);
    EXPECT_NE(err.find("Trakor3 ($MSG41): Conversion already done"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir.file("again.blk")));
    // A block whose length is larger than the file.
    makeFile("short.blk", clipboardBlock(readFile(gdb)).substr(0, 100));
    EXPECT_EQ(cli("--clipboard-block short.blk again.blk"), 1);
    EXPECT_NE(err.find("Trakor3 ($MSG85)"), std::string::npos) << err;
    EXPECT_EQ(cli("--clipboard-block missing.blk again.blk"), 2);
    EXPECT_NE(cli("--clipboard-block in.blk"), 0);
    EXPECT_NE(cli("in.gdb --clipboard-block in.blk out.blk"), 0);
}

TEST_F(CliTest, TargetsThatNeedAbsentDevicesOrProgramsFail) {
    makeFile("t.gpx");
    // No Garmin device is mounted where the tests run.
    EXPECT_EQ(cli("t.gpx --option 0 --target gps"), 1);
    EXPECT_EQ(err, "Trakor3 ($MSG06): There is no connection with a GPS device\n");
    // Without a Wine prefix holding MapSource, viewing tells so (a plain message) and fails.
    EXPECT_EQ(cli("--view t.gpx"), 2);
    EXPECT_EQ(out, "Trakor3 ($MSG26): Cannot find MapSource!\n");
}

// gpsbabel reads only files made by MapSource or BaseCamp: a copy of ours under MapSource's name.
GpxData readWithGpsbabel(const std::string& gdb, const std::string& copy) {
    std::string bytes = readFile(gdb);
    size_t creator = bytes.find(std::string("Trakor3\0", 8));
    if (creator != std::string::npos && creator < 256) bytes.replace(creator, 7, "MapSource");
    writeFile(copy, bytes);
    GpxData data;
    std::string error;
    EXPECT_TRUE(gpsbabelRead(copy, data, &error)) << error;
    return data;
}

TEST_F(CliTest, ConvertsTheBundledSampleRideToGdb) {
    std::string sample = std::string(TRAKOR_SOURCE_DIR) + "/samples/sample-route.gpx";
    EXPECT_EQ(cli("--option 0 " + quote(sample) + " -o ride.gdb"), 0) << err;
    EXPECT_EQ(out, "Trakor3 ($MSG20): File conversion completed!\n");
    EXPECT_TRUE(err.empty()) << err;
    ASSERT_EQ(readFile(dir.file("ride.gdb")).rfind(std::string("MsRcf\0", 6), 0), 0u);
    // The work file stays in the program's folder, read-only.
    EXPECT_TRUE(fs::exists(binFile("Trakor3.gdb")));
    if (!haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel not installed";
    GpxData data = readWithGpsbabel(dir.file("ride.gdb"), dir.file("ride-ms.gdb"));
    ASSERT_EQ(data.tracks.size(), 1u);
    EXPECT_EQ(data.tracks[0].points.size(), 12u);
    EXPECT_NEAR(data.tracks[0].points[0].lat, 52.09074, 1e-5);
    EXPECT_NEAR(data.tracks[0].points[11].lon, 5.14866, 1e-5);
}

TEST_F(CliTest, MakesAValidTcxCourseOfTheSampleRide) {
    std::string sample = std::string(TRAKOR_SOURCE_DIR) + "/samples/sample-route.gpx";
    EXPECT_EQ(cli("--option 24 " + quote(sample) + " -o ride.tcx"), 0) << err;
    EXPECT_EQ(out, "Trakor3 ($MSG20): File conversion completed!\n");
    std::string tcx = readFile(dir.file("ride.tcx"));
    EXPECT_NE(tcx.find("<Course>"), std::string::npos);
    EXPECT_EQ(readFile(binFile("Trakor3.tcx")), tcx);
    std::string schema = sharedFile("schemas/TrainingCenterDatabasev2.xsd");
    if (schema.empty() || !haveProgram("xmllint")) GTEST_SKIP() << "schema or xmllint not present";
    EXPECT_EQ(runCommand("xmllint --noout --schema " + quote(schema) + " " + quote(dir.file("ride.tcx")) + " 2>&1"), 0);
}

TEST_F(CliTest, OverwritesAGdbInputAfterMakingItsBackup) {
    TRAKOR_CORPUS_OR_SKIP(gdb, "gdb-sample-v3.gdb");
    std::string in = dir.file("routes.gdb");
    fs::copy_file(gdb, in);
    fs::permissions(in, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(cli("--option 11 --overwrite-input routes.gdb"), 0) << err;
    EXPECT_EQ(err, "Trakor3 ($MSG24): Do you want to make a backup before overwriting the input file?\nName:\n" + in +
                       ".bak\n  -> Yes\n");
    EXPECT_EQ(out, "Trakor3 ($MSG20): File conversion completed!\n");
    EXPECT_EQ(readFile(in + ".bak"), readFile(gdb));
    EXPECT_NE(readFile(in), readFile(gdb));
    if (!haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel not installed";
    GpxData converted = readWithGpsbabel(in, dir.file("converted-ms.gdb"));
    EXPECT_FALSE(converted.tracks.empty());

    // Cancel leaves the input as it is.
    std::string again = dir.file("again.gdb");
    fs::copy_file(gdb, again);
    fs::permissions(again, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(cli("--option 11 --overwrite-input --cancel again.gdb"), 1);
    EXPECT_NE(err.find("  -> Cancel\nTrakor3 ($MSG25): Conversion ended.\n"), std::string::npos) << err;
    EXPECT_EQ(readFile(again), readFile(gdb));
    EXPECT_FALSE(fs::exists(again + ".bak"));
}

TEST(ConsoleNotifierTest, SafeAnswersMakeTheBackupAndDeclineTheRest) {
    using cli::AnswerPolicy;
    EXPECT_EQ(cli::answerFor(AnswerPolicy::Safe, "$MSG24", MsgStyle::QuestionCancel), Answer::Yes);
    EXPECT_EQ(cli::answerFor(AnswerPolicy::Safe, "$MSG07", MsgStyle::Question), Answer::No);
    EXPECT_EQ(cli::answerFor(AnswerPolicy::Safe, "$MSG99", MsgStyle::QuestionCancel), Answer::Cancel);
    EXPECT_EQ(cli::answerFor(AnswerPolicy::No, "$MSG24", MsgStyle::QuestionCancel), Answer::No);
    EXPECT_EQ(cli::answerFor(AnswerPolicy::Cancel, "$MSG24", MsgStyle::QuestionCancel), Answer::Cancel);
    EXPECT_EQ(cli::answerFor(AnswerPolicy::Cancel, "$MSG07", MsgStyle::Question), Answer::No);
    EXPECT_EQ(cli::answerFor(AnswerPolicy::Yes, "$MSG07", MsgStyle::Question), Answer::Yes);
}

TEST(ConsoleNotifierTest, PlainToStandardOutputWarningsAndQuestionsToStandardError) {
    TempDir d;
    FILE* o = std::fopen(d.file("out").c_str(), "w");
    FILE* e = std::fopen(d.file("err").c_str(), "w");
    cli::ConsoleNotifier n("Trakor3", cli::AnswerPolicy::Safe, o, e);
    EXPECT_EQ(n.notify("$MSG20", "File conversion completed!", MsgStyle::Plain), Answer::Ok);
    n.notify("$MSG40", "No Garmin data found", MsgStyle::Information);
    n.notify("Info", "Route point limit reached", MsgStyle::Warning);
    EXPECT_EQ(n.notify("$MSG24", "Backup?", MsgStyle::QuestionCancel), Answer::Yes);
    std::fclose(o);
    std::fclose(e);
    EXPECT_EQ(readFile(d.file("out")),
              "Trakor3 ($MSG20): File conversion completed!\nTrakor3 ($MSG40): No Garmin data found\n");
    EXPECT_EQ(readFile(d.file("err")), "Info: Route point limit reached\nTrakor3 ($MSG24): Backup?\n  -> Yes\n");
}

}  // namespace
}  // namespace trakor::test
