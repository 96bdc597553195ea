// SPDX-License-Identifier: GPL-3.0-or-later
// trakor3-cli as the user runs it: help, set-up report, messages, exit status and answers.
#include <cstdio>
#include <filesystem>

#include <regex>
#include <set>

#include "app/driver.h"
#include "cli/cli_help.h"
#include "cli/console_notifier.h"
#include "cli/settings_reference.h"
#include "cli/tests/cli_fixture.h"
#include "core/licence.h"
#include "testsupport/gpx_oracle.h"
#include "testsupport/testsupport.h"

namespace trakor::test {
namespace {

namespace fs = std::filesystem;

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST_F(CliTest, HelpListsTheOptions) {
    EXPECT_EQ(cli("--help"), 0);
    EXPECT_NE(out.find("Usage: trakor3-cli"), std::string::npos);
    // The description names every output; the value columns give the real ranges.
    EXPECT_NE(out.find("into a GDB file, a GPX file, TCX courses or FIT courses,\n"), std::string::npos) << out;
    EXPECT_NE(out.find("25-9999 points"), std::string::npos);
    EXPECT_EQ(out.find("[0 - 9999]"), std::string::npos);
    for (const char* opt : {"--output", "--target", "--option", "--overwrite-input", "--split", "--no-split",
                            "--filter", "--no-filter", "--gps-drive", "--view", "--set", "--ini", "--show-setup",
                            "--yes", "--no", "--cancel"})
        EXPECT_NE(out.find(opt), std::string::npos) << opt;
    // Where routes are read as tracks, the setting that keeps them is named.
    EXPECT_EQ(count(out, "--set 'GPX Routes=1'"), 2u) << out;
    EXPECT_EQ(cli("--version"), 0);
    EXPECT_EQ(out, std::string("trakor3-cli ") + TRAKOR_VERSION + "\n" + kLicenceNotice);
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
    EXPECT_EQ(cli("--ini missing.ini --show-setup"), kRunFailed);
    EXPECT_NE(err.find("missing.ini"), std::string::npos);

    // A conversion run does not save the exit settings either.
    makeFile("notes.txt");
    cli("notes.txt --option 0 --split 20 -o out.gdb");
    EXPECT_EQ(readFile(binFile("Trakor3.ini")), ini);
}

TEST_F(CliTest, UsageErrors) {
    EXPECT_EQ(cli("--set Nonsense=1 --show-setup"), cli::kUsageError);
    EXPECT_NE(err.find("unknown setting 'Nonsense'"), std::string::npos);
    EXPECT_EQ(cli("--set Split=x --show-setup"), cli::kUsageError);
    EXPECT_EQ(cli("--option 5 a.gpx"), cli::kUsageError);
    EXPECT_EQ(cli("--split 3 --no-split a.gpx"), cli::kUsageError);
    EXPECT_EQ(cli("--yes --no a.gpx"), cli::kUsageError);
    EXPECT_EQ(cli("--overwrite-input a.gpx"), cli::kUsageError);
    EXPECT_NE(err.find("needs a single input file ending in .gdb"), std::string::npos);
    EXPECT_EQ(cli("--overwrite-input a.gdb -o b.gdb"), cli::kUsageError);
    EXPECT_EQ(cli(""), cli::kUsageError);
    EXPECT_TRUE(out.empty());

    // A short option with its value joined is no long option with one dash.
    makeFile("a.gpx", readFile(std::string(TRAKOR_SOURCE_DIR) + "/samples/sample-route.gpx"));
    EXPECT_EQ(cli("a.gpx --option 0 -oa.gdb"), 0) << err;
    EXPECT_TRUE(fs::exists(dir.file("a.gdb")));

    // A mistyped option is a usage error with the option meant; nothing near, no guess.
    struct Slip {
        const char* args;
        const char* meant;  // nullptr: no suggestion
    };
    for (const Slip& s : {Slip{"--optoin 24 a.gpx", "--optoin: did you mean --option?"},
                          Slip{"--spilt=20 a.gpx", "--spilt=20: did you mean --split?"},
                          Slip{"--no-filtr a.gpx", "--no-filtr: did you mean --no-filter?"},
                          Slip{"--overwrite a.gdb", "--overwrite: did you mean --overwrite-input?"},
                          Slip{"--no-s a.gpx", "--no-s: did you mean --no-split?"}, Slip{"--xyzzy a.gpx", nullptr},
                          Slip{"--list-d", nullptr}, Slip{"-option 24 a.gpx", "-option: did you mean --option?"},
                          Slip{"-splt 20 a.gpx", "-splt: did you mean --split?"}}) {
        EXPECT_EQ(cli(s.args), cli::kUsageError) << s.args;
        if (s.meant != nullptr)
            EXPECT_NE(err.find(std::string("trakor3-cli: ") + s.meant + "\n"), std::string::npos) << s.args << ": " << err;
        else
            EXPECT_EQ(err.find("did you mean"), std::string::npos) << s.args << ": " << err;
    }
}

TEST_F(CliTest, CheckFailureIsPrintedWithItsCaptionAndFailsTheRun) {
    makeFile("notes.txt");
    EXPECT_EQ(cli("notes.txt -o out.gdb"), 1);
    EXPECT_EQ(err, "Trakor3 ($MSG10): Input file is no gdb, gdb.bak, gpx, tcx, crs, fit, kml, kmz, itn or "
                   "nmea/nma/log file.\n" + dir.file("notes.txt") + "\n");
    EXPECT_TRUE(out.empty());

    makeFile("t.gpx");
    EXPECT_EQ(cli("t.gpx --option 0 -o out.txt"), 1);
    EXPECT_EQ(err, "Trakor3 ($MSG13): Output file is no GDB, GPX, TCX or FIT file.\n");

    EXPECT_EQ(cli("t.gpx --option 3 -o out.gdb"), 1);
    EXPECT_EQ(err, "Trakor3 ($MSG11): Options 1-15 are not valid for a non GDB input file.\n");

    // Split and filter values out of their method's range are usage errors; stored values that
    // are out of range are checked as the dialog checks its fields.
    EXPECT_EQ(cli("t.gpx --option 24 --split 4 -o out.gdb"), cli::kUsageError);
    EXPECT_NE(err.find("--split 4 is out of range: 5-999 km (Splittype=1)"), std::string::npos) << err;
    EXPECT_EQ(cli("t.gpx --option 24 --set Splittype=2 --split 100 --filter 100 --set Filtertype=2 -o out.gdb"),
              cli::kUsageError);
    EXPECT_NE(err.find("--filter 100 is out of range: 0-95 % (Filtertype=2)"), std::string::npos) << err;
    EXPECT_EQ(cli("t.gpx --option 24 --set Split=1 --set Splitlen_t=4 -o out.gdb"), 1);
    EXPECT_NE(err.find("Trakor3 ($MSG02): Valid split values are 5-999 km.\n"), std::string::npos) << err;
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
    EXPECT_EQ(cli("a.gpx b.gpx c.gpx --option 0 -o all.gdb"), cli::kSomeFilesFailed) << err;
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
    EXPECT_TRUE(fs::exists(dir.file("edge/Garmin/NewFiles/ride-Sample ride-1.tcx")));
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
    EXPECT_TRUE(fs::exists(device + "/Internal Storage/Garmin/NewFiles/ride-Sample ride-1.tcx"));
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

// With no language stored, the locale chooses it as in the desktop program; nothing is stored,
// and a missing language file then leaves built-in English without a word.
TEST_F(CliTest, TheLocaleChoosesTheLanguageWhenNoneIsStored) {
    makeFile("t.gpx");
    const std::string english = "Trakor3 ($MSG13): Output file is no GDB, GPX, TCX or FIT file.\n";
    locale = "de_DE.UTF-8";
    EXPECT_EQ(cli("t.gpx --option 0 -o out.txt"), 1);
    EXPECT_EQ(err, english);
    writeFile(binFile("Trakor3.lng"), "EN$MSG13 = \"Output file is no GDB, GPX, TCX or FIT file.\"\n"
                                      "DE$MSG13 = \"Ausgabedatei ist keine GDB- oder TCX-Datei.\"\n");
    EXPECT_EQ(cli("t.gpx --option 0 -o out.txt"), 1);
    EXPECT_EQ(err, "Trakor3 ($MSG13): Ausgabedatei ist keine GDB- oder TCX-Datei.\n");
    EXPECT_EQ(cli("--show-setup"), 0);
    EXPECT_NE(out.find("  Language=0\n"), std::string::npos) << out;
    // A stored language wins over the locale.
    writeFile(binFile("Trakor3.ini"), "[Info]\nLanguage=1\n");
    EXPECT_EQ(cli("t.gpx --option 0 -o out.txt"), 1);
    EXPECT_EQ(err, english);
    locale = "C";
    writeFile(binFile("Trakor3.ini"), "");
    EXPECT_EQ(cli("t.gpx --option 0 -o out.txt"), 1);
    EXPECT_EQ(err, english);
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

// trakor3-cli loads no Qt library, so it starts fast; --render hands the run to the render program,
// and where that is missing or cannot start the run fails as a build without the map view does.
TEST_F(CliTest, RenderRunsInAProgramOfItsOwn) {
    if (!haveProgram("readelf")) GTEST_SKIP() << "readelf not installed";
    std::string dynamic;
    ASSERT_EQ(runCommand("readelf -d " + quote(program), &dynamic), 0);
    ASSERT_NE(dynamic.find("(NEEDED)"), std::string::npos) << dynamic;
    EXPECT_EQ(dynamic.find("libQt"), std::string::npos) << dynamic;

    makeFile("t.gpx");
    const std::string unavailable = "Trakor3 ($MSG82): This function is not available in this build:\nthe map view\n";
    EXPECT_EQ(cli("--render t.png t.gpx"), 2);
    EXPECT_EQ(err, "Trakor3: cannot start the map view program: trakor3-cli-render is neither in " + dir.file("bin") +
                       " nor in " + dir.file("libexec/trakor3") + "\n" + unavailable);
    makeFile("bin/trakor3-cli-render", "#!/bin/sh\n");  // not executable
    EXPECT_EQ(cli("--render t.png t.gpx"), 2);
    EXPECT_EQ(err, "Trakor3: cannot start the map view program: " + binFile("trakor3-cli-render") + ": Permission denied\n" + unavailable);
    // Usage errors are found before the hand-over.
    EXPECT_EQ(cli("--render t.png t.gpx t.gpx"), 64);
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
    // A run to a file works in private files beside the fixed work files and removes them.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("bin")), fs::directory_iterator()), 1);
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
    EXPECT_FALSE(fs::exists(binFile("Trakor3.tcx")));
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

// The long options a text names, "\-" of groff read as "-".
std::set<std::string> longOptions(std::string text) {
    for (size_t at = text.find("\\-"); at != std::string::npos; at = text.find("\\-", at)) text.erase(at, 1);
    std::set<std::string> names;
    std::regex option("--[a-z][a-z-]*[a-z]");
    for (std::sregex_iterator it(text.begin(), text.end(), option), end; it != end; ++it) names.insert(it->str());
    return names;
}

// The part of a text from the line holding `from` to the next line starting with `next`.
std::string section(const std::string& text, const std::string& from, const std::string& next) {
    size_t start = text.find(from);
    if (start == std::string::npos) return {};
    size_t end = text.find("\n" + next, start + from.size());
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

TEST_F(CliTest, HelpGuideAndReadmeAgree) {
    ASSERT_EQ(cli("--help"), 0);
    const std::string help = out;
    const std::string options = help.substr(0, help.find("Conversion options"));
    std::set<std::string> helpOptions = longOptions(options);
    helpOptions.erase("--help");
    std::string guide = section(readFile(std::string(TRAKOR_SOURCE_DIR) + "/docs/guide-en.ms"), ".NH\nCommand line", ".NH");
    guide = std::regex_replace(guide, std::regex(R"(\\-)"), "-");
    const std::string readme = section(readFile(std::string(TRAKOR_SOURCE_DIR) + "/README.md"), "## Command line", "## ");
    ASSERT_FALSE(guide.empty());
    ASSERT_FALSE(readme.empty());
    std::set<std::string> guideOptions = longOptions(guide), readmeOptions = longOptions(readme);
    guideOptions.erase("--help");
    readmeOptions.erase("--help");
    EXPECT_EQ(guideOptions, helpOptions);
    EXPECT_EQ(readmeOptions, helpOptions);

    // Every option number with its meaning, and every exit status.
    std::set<int> numbers;
    const std::string list = section(help, "Conversion options", "Options 1-15");
    std::regex optionLine("\n +([0-9]{1,2})  [a-z]");
    for (std::sregex_iterator it(list.begin(), list.end(), optionLine), end; it != end; ++it)
        numbers.insert(std::stoi((*it)[1]));
    EXPECT_EQ(numbers, (std::set<int>{0, 1, 2, 3, 4, 11, 12, 13, 14, 15, 21, 22, 23, 24}));
    for (const char* status : {"\n  0   ", "\n  1   ", "\n  2   ", "\n  3   ", "\n  64  "})
        EXPECT_NE(help.find(status), std::string::npos) << status;
    // The recipes of --help are those of the README and the guide.
    std::regex recipe("\n    (trakor3-cli [^\n]*)");
    int recipes = 0;
    for (std::sregex_iterator it(help.begin(), help.end(), recipe), end; it != end; ++it, ++recipes) {
        const std::string line = (*it)[1];
        EXPECT_NE(readme.find(line), std::string::npos) << line;
        EXPECT_NE(guide.find("\\f[C]" + line + "\\f[]"), std::string::npos) << line;
    }
    EXPECT_EQ(recipes, 4);
}

// A GPX track of `n` points, about 60 m apart, heading north.
std::string longTrack(int n) {
    std::string gpx = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"test\"><trk><name>Long</name><trkseg>\n";
    char line[128];
    for (int i = 0; i < n; ++i) {
        std::snprintf(line, sizeof line, "<trkpt lat=\"%.6f\" lon=\"%.6f\"></trkpt>\n", 50.0 + i * 0.00054,
                      5.0 + (i % 2) * 0.0001);
        gpx += line;
    }
    return gpx + "</trkseg></trk></gpx>\n";
}

TEST_F(CliTest, ReadmeRecipeThinsAndSplitsARide) {
    const std::string readme = readFile(std::string(TRAKOR_SOURCE_DIR) + "/README.md");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(readme, m, std::regex("trakor3-cli ([^\n#]*) ride\\.gpx -o ride\\.tcx *# thin and split")));
    makeFile("ride.gpx", longTrack(2000));  // about 108 km
    EXPECT_EQ(cli(std::string(m[1]) + " ride.gpx -o ride.tcx"), 0) << err;
    const std::string tcx = readFile(dir.file("ride.tcx"));
    EXPECT_GE(count(tcx, "<Course>"), 2u);
    EXPECT_LE(count(tcx, "<Trackpoint>"), 3 * 500u);
    EXPECT_GT(count(tcx, "<Trackpoint>"), 100u);
}

TEST_F(CliTest, StoredModeThatCannotApplyGivesWayToOptionZero) {
    makeFile("ride.gpx", readFile(std::string(TRAKOR_SOURCE_DIR) + "/samples/sample-route.gpx"));
    // Fresh settings: the default Mode is nobody's choice and gives way without a word.
    EXPECT_EQ(cli("ride.gpx -o ride.tcx"), 0) << err;
    EXPECT_EQ(err, "");
    const std::string told = "Trakor3: the stored option 1 needs a GDB input; option 0 (file conversion only) is used "
                             "(--option chooses)\n";
    EXPECT_EQ(cli("ride.gpx --set mode=1 -o set.tcx"), 0) << err;
    EXPECT_EQ(err, told);
    writeFile(binFile("Trakor3.ini"), "[Info]\nMode=1\n");
    EXPECT_EQ(cli("ride.gpx -o stored.tcx"), 0) << err;
    EXPECT_EQ(err, told);
    EXPECT_NE(readFile(dir.file("ride.tcx")).find("<Course>"), std::string::npos);
    // A chosen option is kept and checked.
    EXPECT_EQ(cli("ride.gpx --option 1 -o ride.tcx"), 1);
    EXPECT_NE(err.find("($MSG11)"), std::string::npos) << err;
}

TEST_F(CliTest, SettingsAreListedAndSetByTheirNamesInAnyCase) {
    EXPECT_EQ(cli("--list-settings --set 'removal distance=50'"), 0) << err;
    out = "\n" + out;
    for (const SettingDef& d : settingTable())
        EXPECT_NE(out.find(std::string("\n") + d.valueName + "="), std::string::npos) << d.valueName;
    EXPECT_NE(out.find("Removal Distance=50\n    a point nearer than this to the one before is removed; courses (TCX) "
                       "always lose points nearer than 3 m\n"
                       "    unit: tenths of a metre (30 = 3 m)\n    range: 0 or more\n"
                       "    dialog: Preferences: \"Minimal distance"), std::string::npos) << out;
    EXPECT_EQ(cli("--show-setup --set PREFIX=# --set prefix_x=1"), cli::kUsageError);
    EXPECT_NE(err.find("unknown setting 'prefix_x'; did you mean 'Prefix'?"), std::string::npos) << err;
    EXPECT_EQ(cli("--show-setup --set PREFIX=# --set splitlen_T=80"), 0) << err;
    EXPECT_NE(out.find("  Prefix=35\n"), std::string::npos);
    EXPECT_NE(out.find("  Splitlen_t=80\n"), std::string::npos);
}

TEST(SettingReferenceTest, EverySettingIsExplainedAndMisspellingsFindIt) {
    ASSERT_EQ(cli::settingReferences().size(), settingTable().size());
    for (size_t i = 0; i < settingTable().size(); ++i)
        EXPECT_STREQ(cli::settingReferences()[i].name, settingTable()[i].valueName);
    const std::pair<const char*, const char*> misspelt[] = {
        {"Removal Distanse", "Removal Distance"}, {"filtersize", "Filtersize_r"}, {"SaveTrack", "Save Track"},
        {"Averge Speed", "Average Speed"},        {"splitlen-t", "Splitlen_t"}};
    for (const auto& [typed, wanted] : misspelt) {
        const std::vector<std::string> near = cli::closestSettingNames(typed);
        EXPECT_NE(std::find(near.begin(), near.end(), wanted), near.end()) << typed;
    }
    EXPECT_TRUE(cli::closestSettingNames("colour").empty());
}

TEST_F(CliTest, FileFailuresNameThePathAndTheReason) {
    makeFile("t.gpx", readFile(std::string(TRAKOR_SOURCE_DIR) + "/samples/sample-route.gpx"));
    makeFile("r.gdb");
    std::string readOnly = makeFile("ro.gdb");
    fs::permissions(readOnly, fs::perms::owner_read);
    const struct {
        std::string args;
        int status;
        std::string message;
    } cases[] = {
        {"missing.gpx --option 0 -o out.gdb", 2,
         "Trakor3 ($MSG15): Cannot open input file.\n" + dir.file("missing.gpx") + ": No such file or directory\n"},
        {"t.gpx --option 0 -o nowhere/out.gdb", 2,
         "Trakor3 ($MSG93): The folder of the output file does not exist:\n" + dir.file("nowhere") + "\n"},
        {"t.gpx --option 0 -o ro.gdb", 2, "\n" + readOnly + ": the file is read-only\n"},
        {"t.gpx nowhere.gpx --option 0 -o all.gdb --log nowhere/log.csv", 2,
         "Trakor3 ($MSG81): Cannot create the log file:\n" + dir.file("nowhere/log.csv") + "\nNo such file or directory\n"},
        {"r.gdb --option 0 -o r.gdb", 1, "\n" + dir.file("r.gdb") + ": the same file as the input\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cli(c.args), c.status) << c.args << "\n" << err;
        EXPECT_NE(err.find(c.message), std::string::npos) << c.args << "\n" << err;
    }
}

TEST_F(CliTest, FolderBatchEndsWithASummaryAndItsOwnLog) {
    const std::string ride = readFile(std::string(TRAKOR_SOURCE_DIR) + "/samples/sample-route.gpx");
    fs::create_directories(dir.file("rides/deeper"));
    makeFile("rides/b.gpx", ride);
    makeFile("rides/a.fit", "not a fit file");
    makeFile("rides/c.gpx", ride);
    makeFile("rides/notes.txt", "x");
    makeFile("rides/deeper/d.gpx", ride);
    EXPECT_EQ(cli("rides --option 0 -o all.gdb --log rides.csv"), cli::kSomeFilesFailed) << err;
    EXPECT_NE(err.find("File 1 of 3: rides/a.fit\nFile 2 of 3: rides/b.gpx\nFile 3 of 3: rides/c.gpx\n"),
              std::string::npos) << err;
    EXPECT_NE(out.find("3 files: 2 converted, 1 without tracks or unreadable: rides/a.fit\n"), std::string::npos) << out;
    EXPECT_NE(readFile(dir.file("rides.csv")).find("\"a.fit\",,,"), std::string::npos);
    EXPECT_FALSE(fs::exists(binFile("Trakor3.log")));
    // Nothing converted is a failure; everything converted is a success.
    EXPECT_EQ(cli("rides/a.fit rides/notes.txt --option 0 -o none.gdb"), 2) << err;
    EXPECT_EQ(cli("rides/b.gpx rides/c.gpx --option 0 -o two.gdb"), 0) << err;
    EXPECT_NE(out.find("2 files: 2 converted\n"), std::string::npos) << out;
    EXPECT_EQ(cli("rides/deeper/ rides/b.gpx --option 0 -o x.gdb"), 0) << err;
    fs::create_directories(dir.file("empty"));
    EXPECT_EQ(cli("empty --option 0 -o x.gdb"), 2);
}

TEST_F(CliTest, StandardInputAndOutput) {
    const std::string sample = quote(std::string(TRAKOR_SOURCE_DIR) + "/samples/sample-route.gpx");
    EXPECT_EQ(cli("- --input-type gpx --option 0 -o - < " + sample), 0) << err;
    EXPECT_EQ(out.rfind(std::string("MsRcf\0", 6), 0), 0u);
    EXPECT_EQ(err, "Trakor3 ($MSG20): File conversion completed!\n");
    EXPECT_EQ(cli("- --input-type gpx --option 0 -o - --output-type tcx < " + sample), 0) << err;
    EXPECT_NE(out.find("<Course>"), std::string::npos);
    EXPECT_EQ(cli("- --option 0 -o x.gdb < " + sample), cli::kUsageError);
    EXPECT_EQ(cli("- --input-type fit --option 0 -o - < " + sample), 2);
    EXPECT_TRUE(out.empty());
    // Without the folder for temporary files, that folder is named, whichever stream needs it.
    const std::string missing = dir.file("no-such-folder");
    for (const char* args : {"- --input-type gpx --option 0 -o x.gdb", "t.gpx --option 0 -o -"}) {
        makeFile("t.gpx", readFile(std::string(TRAKOR_SOURCE_DIR) + "/samples/sample-route.gpx"));
        EXPECT_EQ(runCommand("export TMPDIR=" + quote(missing) + "; " + command(args) + " < " + sample + " 2>" +
                             quote(dir.file("stderr.txt"))),
                  2) << args;
        err = readFile(dir.file("stderr.txt"));
        EXPECT_NE(err.find("cannot make a temporary folder in " + missing + ": No such file"), std::string::npos)
            << args << "\n" << err;
    }
}

TEST_F(CliTest, SplitMessagesNameTheUnit) {
    makeFile("t.gpx", readFile(std::string(TRAKOR_SOURCE_DIR) + "/samples/sample-route.gpx"));
    const std::pair<std::string, std::string> cases[] = {
        {"--split 50 --units mi", "Trakor3: split into parts of at most 50 mi (80 km)\n"},
        {"--split 50", "Trakor3: split into parts of at most 50 km\n"},
        {"--split 50 --units km", "Trakor3: split into parts of at most 50 km\n"},
        {"--split 2 --units mi", "--split 2 is out of range: 3-622 mi (Splittype=1, miles)"},
    };
    for (const auto& [args, message] : cases) {
        cli("t.gpx --option 24 -o t.gdb " + args);
        EXPECT_NE(err.find(message), std::string::npos) << args << "\n" << err;
    }
}

// Stored Split and Filter values change a result unseen: the run names them, unless the command
// line gave its own values.
TEST_F(CliTest, StoredSplitAndFilterAreNamed) {
    makeFile("t.gpx", readFile(std::string(TRAKOR_SOURCE_DIR) + "/samples/sample-route.gpx"));
    writeFile(binFile("Trakor3.ini"), "[Info]\nFilter=1\nFiltersize_t=300\nSplit=1\nSplittype=2\nSplitsize_t=400\n");
    cli("t.gpx --option 24 -o t.gdb");
    EXPECT_NE(err.find("Trakor3: filter: 300 points (stored setting; --no-filter turns it off)\n"), std::string::npos) << err;
    EXPECT_NE(err.find("Trakor3: split: 400 points (stored setting; --no-split turns it off)\n"), std::string::npos) << err;
    cli("t.gpx --option 24 -o t.gdb --filter 250 --no-split");
    EXPECT_EQ(err.find("stored setting"), std::string::npos) << err;
}

}  // namespace
}  // namespace trakor::test
