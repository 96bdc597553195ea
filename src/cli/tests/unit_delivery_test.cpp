// SPDX-License-Identifier: GPL-3.0-or-later
// Target GPS end to end on units made in the test folder: where their descriptions may lead, how
// courses already on them are kept, and what killed runs left behind.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "cli/tests/cli_fixture.h"

namespace trakor::test {
namespace {

namespace fs = std::filesystem;

// A description that takes FIT courses (or TCX courses) and GPX files in the folder `path`.
std::string description(const std::string& path, const char* courses = "FIT_TYPE_6") {
    auto kind = [&](const char* name) {
        return std::string("<DataType><Name>") + name + "</Name><File><Location><Path>" + path +
               "</Path></Location><TransferDirection>InputToUnit</TransferDirection></File></DataType>";
    };
    return "<?xml version=\"1.0\"?><Device xmlns=\"http://www.garmin.com/xmlschemas/GarminDevice/v3\">"
           "<Model><Description>Test unit</Description></Model><MassStorageMode>" +
           kind(courses) + kind("GPSData") + "</MassStorageMode></Device>";
}

// A GPX file of one track without a name (the importer calls it Track-1), starting at `lat`.
std::string unnamedTrack(double lat) {
    std::string s = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"test\"><trk><trkseg>\n";
    for (int i = 0; i < 20; ++i)
        s += "<trkpt lat=\"" + std::to_string(lat + i * 1e-3) + "\" lon=\"5." + std::to_string(100 + i % 3) +
             "\"><time>2024-05-01T10:" + std::to_string(10 + i) + ":00Z</time></trkpt>\n";
    return s + "</trkseg></trk></gpx>\n";
}

std::vector<std::string> filesBelow(const std::string& root) {
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (!e.is_directory()) files.push_back(fs::relative(e.path(), root).string());
    std::sort(files.begin(), files.end());
    return files;
}

class UnitDelivery : public CliTest {
protected:
    std::string root, outside;
    void SetUp() override {
        CliTest::SetUp();
        root = dir.file("unit");
        outside = dir.file("outside");
        fs::create_directories(root + "/GARMIN");
        fs::create_directories(outside);
        makeFile("ride.gpx", unnamedTrack(40.24));
        makeFile("other.gpx", unnamedTrack(54.27));
    }
    void describe(const std::string& xml) { writeFile(root + "/GARMIN/GarminDevice.xml", xml); }
    int send(const std::string& input, const std::string& more = "--option 0") {
        return cli(input + " --target gps --gps-drive " + quote(root) + " " + more);
    }
};

// A description, or a link on the unit, that points out of the unit is refused by name, for
// courses and GPX files; nothing is written anywhere.
TEST_F(UnitDelivery, DescriptionLeadingOutIsRefused) {
    const struct {
        std::string path;
        const char* linked;  // a folder of the unit made a link to the folder outside
        const char* option;
    } kCases[] = {
        {"GARMIN/../../outside", nullptr, "--option 0"},
        {"GARMIN\\..\\..\\outside", nullptr, "--option 0"},
        {dir.file("outside"), nullptr, "--option 0"},
        {"GARMIN/NEWFILES", "GARMIN/NEWFILES", "--option 0"},
        {"GARMIN/NEWFILES", "GARMIN/NEWFILES", "--option 21"},
        {"Garmin/NewFiles/GPX", "GARMIN/NEWFILES", "--option 21"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.path + " " + c.option);
        fs::remove_all(root);
        fs::create_directories(root + "/GARMIN");
        describe(description(c.path));
        if (c.linked) {
            fs::remove_all(root + "/" + c.linked);
            fs::create_directory_symlink(outside, root + "/" + c.linked);
        }
        const auto before = filesBelow(root);
        EXPECT_EQ(send("ride.gpx", c.option), 2) << out << err;
        EXPECT_NE((out + err).find("The GPS description asks for a folder outside the unit: "), std::string::npos)
            << out << err;
        EXPECT_TRUE(fs::is_empty(outside));
        EXPECT_EQ(filesBelow(root), before);
    }
    // Nor does the list of the unit's recordings show what lies outside it.
    writeFile(outside + "/secret.fit", "x");
    describe("<Device><Model><Description>Test unit</Description></Model><MassStorageMode><DataType><Name>"
             "FIT_TYPE_4</Name><File><Location><Path>GARMIN/../../outside</Path><FileExtension>FIT</FileExtension>"
             "</Location><TransferDirection>OutputFromUnit</TransferDirection></File></DataType></MassStorageMode>"
             "</Device>");
    cli("--list-device-files " + quote(root));
    EXPECT_EQ((out + err).find("secret.fit"), std::string::npos) << out << err;
}

// Course files are named after the input and the course; one of that name is replaced only when
// the user agrees (--yes), for FIT courses and the Edge's TCX courses alike.
TEST_F(UnitDelivery, CoursesOnTheUnitAreNotReplacedSilently) {
    const struct {
        const char* type;
        const char* folder;
        const char* extension;
    } kCases[] = {{"FIT_TYPE_6", "GARMIN/NEWFILES", ".fit"}, {"FitnessCourses", "GARMIN/COURSES", ".tcx"}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.type);
        fs::remove_all(root);
        fs::create_directories(root + "/GARMIN");
        describe(description(c.folder, c.type));
        const std::string folder = root + "/" + c.folder + "/";
        ASSERT_EQ(send("ride.gpx"), 0) << out << err;
        ASSERT_EQ(send("other.gpx"), 0) << out << err;
        const std::string ride = folder + "ride-Track-1" + c.extension, other = folder + "other-Track-1" + c.extension;
        EXPECT_NE(out.find("The courses are sent to the GPS receiver\n" + other), std::string::npos) << out;
        ASSERT_TRUE(fs::exists(ride));
        ASSERT_TRUE(fs::exists(other));
        const std::string first = readFile(ride);
        EXPECT_NE(first, readFile(other));

        // The same input again: asked, and No (the default) keeps the file; Yes replaces it.
        writeFile(ride, "kept");
        EXPECT_EQ(send("ride.gpx"), 1) << out << err;
        EXPECT_NE((out + err).find("$DEV03"), std::string::npos) << out << err;
        EXPECT_EQ(readFile(ride), "kept");
        EXPECT_EQ(send("ride.gpx", "--option 0 --yes"), 0) << out << err;
        // The same course again (a FIT file's creation time, and so its check sum, is the clock's).
        const std::string again = readFile(ride);
        ASSERT_EQ(again.size(), first.size());
        EXPECT_EQ(again.substr(first.size() / 2, first.size() / 2 - 2), first.substr(first.size() / 2, first.size() / 2 - 2));
        EXPECT_EQ(filesBelow(root + "/" + c.folder).size(), 2u);
    }
}

// A file the unit does not take is a failure that names the file and the system's reason (here
// a folder stands where the file would go), for courses and GPX files.
TEST_F(UnitDelivery, FailedUnitWritesNameTheReason) {
    describe(description("GARMIN/NEWFILES"));
    const struct {
        const char* option;
        const char* file;
    } kCases[] = {{"--option 0 --yes", "ride-Track-1.fit"}, {"--option 21 --yes", "ride.gpx"}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.option);
        const std::string blocked = root + "/GARMIN/NEWFILES/" + c.file;
        fs::create_directories(blocked + "/inside");
        EXPECT_EQ(send("ride.gpx", c.option), 2) << out << err;
        EXPECT_NE((out + err).find("write error\n" + blocked + "\n" + blocked + ": Is a directory"), std::string::npos)
            << out << err;
        EXPECT_TRUE(fs::is_directory(blocked + "/inside"));
        EXPECT_TRUE(filesBelow(root + "/GARMIN/NEWFILES").empty());  // no temporary stays
    }
}

// What a killed run left is removed by the next run: temporaries on the unit (before anything is
// written there) and the GPX file made beside the run's private work file, with its own
// temporaries. Those of a running process stay.
TEST_F(UnitDelivery, TemporariesOfKilledRunsAreRemoved) {
    describe(description("GARMIN/NEWFILES"));
    fs::create_directories(root + "/GARMIN/NEWFILES");
    const pid_t ended = ::fork();
    if (ended == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
    const std::string newFiles = root + "/GARMIN/NEWFILES/";
    const std::string deadOnUnit = ".trakor3-" + std::to_string(ended) + ".tmp";
    const std::string liveOnUnit = ".trakor3-" + std::to_string(::getpid()) + ".tmp";
    writeFile(newFiles + deadOnUnit, "half a course");
    writeFile(newFiles + liveOnUnit, "a course on its way");
    // In the program's folder: a dead run's GPX file and its temporary, and those of a live run
    // (whose private work file is held locked).
    const std::string work = binFile("Trakor3.gdb.trakor3-");
    for (const char* left : {"Dead01.gpx", "Dead01.gpx.trakor3-Tmp001", "Live01.gpx", "Live01.gpx.trakor3-Tmp002"})
        writeFile(work + left, "x");
    writeFile(work + "Live01", "");
    const int held = ::open((work + "Live01").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    for (const char* option : {"--option 0", "--option 21"}) {
        ASSERT_EQ(send("ride.gpx", option), 0) << out << err;
        EXPECT_FALSE(fs::exists(newFiles + deadOnUnit));
        EXPECT_TRUE(fs::exists(newFiles + liveOnUnit));
        EXPECT_FALSE(fs::exists(work + "Dead01.gpx"));
        EXPECT_FALSE(fs::exists(work + "Dead01.gpx.trakor3-Tmp001"));
        EXPECT_TRUE(fs::exists(work + "Live01.gpx"));
        EXPECT_TRUE(fs::exists(work + "Live01.gpx.trakor3-Tmp002"));
    }
    ::close(held);
}

}  // namespace
}  // namespace trakor::test
