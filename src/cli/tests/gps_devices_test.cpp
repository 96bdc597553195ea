// SPDX-License-Identifier: GPL-3.0-or-later
// Garmin units end to end: FIT courses checked against the TCX course of the same run by Garmin's
// FIT SDK and gpsbabel, and the real description files of an Edge 705 and a Forerunner 935
// driving target GPS through --gps-drive.
#include <sys/time.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <regex>
#include <sstream>

#include "cli/tests/cli_fixture.h"
#include "core/point_store.h"
#include "testsupport/gpx_oracle.h"

namespace fs = std::filesystem;
using namespace trakor::test;

namespace {

struct CoursePointAt {
    int64_t time;
    double lat, lon, distance;
    std::string detail;  // point type ("left", "right") and name
    double semicirclesLat = 0, semicirclesLon = 0;  // as the FIT file holds them
};

struct CourseText {
    std::vector<CoursePointAt> records, coursePoints;
};

int64_t isoTime(const std::string& s) {
    std::tm tm{};
    strptime(s.c_str(), "%Y-%m-%dT%H:%M:%SZ", &tm);
    return static_cast<int64_t>(timegm(&tm));
}

std::string tag(const std::string& block, const std::string& name) {
    const size_t a = block.find("<" + name + ">");
    if (a == std::string::npos) return {};
    const size_t b = block.find("</" + name + ">", a);
    return block.substr(a + name.size() + 2, b - a - name.size() - 2);
}

std::vector<std::string> blocks(const std::string& text, const std::string& name) {
    std::vector<std::string> found;
    for (size_t at = 0; (at = text.find("<" + name + ">", at)) != std::string::npos;) {
        const size_t end = text.find("</" + name + ">", at);
        found.push_back(text.substr(at, end - at));
        at = end;
    }
    return found;
}

CourseText readTcx(const std::string& text) {
    CourseText c;
    for (const std::string& b : blocks(text, "Trackpoint"))
        c.records.push_back({isoTime(tag(b, "Time")), std::stod(tag(b, "LatitudeDegrees")),
                             std::stod(tag(b, "LongitudeDegrees")), std::stod(tag(b, "DistanceMeters")), ""});
    for (const std::string& b : blocks(text, "CoursePoint")) {
        std::string type = tag(b, "PointType");
        type[0] = static_cast<char>(std::tolower(type[0]));
        c.coursePoints.push_back({isoTime(tag(b, "Time")), std::stod(tag(b, "LatitudeDegrees")),
                                  std::stod(tag(b, "LongitudeDegrees")), -1, type + " " + tag(b, "Name")});
    }
    return c;
}

// "name=value" of one decoded FIT message line; empty when the field is absent.
std::string field(const std::string& line, const std::string& name) {
    std::smatch m;
    if (!std::regex_search(line, m, std::regex(" " + name + "=(\"[^\"]*\"|\\S+)"))) return {};
    std::string v = m[1];
    return v.front() == '"' ? v.substr(1, v.size() - 2) : v;
}

// Positions as the program turns semicircles into the degrees of its text formats.
double degrees(const std::string& semicircles) { return trakor::semicirclesToDegrees(std::stoi(semicircles)); }

CourseText readFitSdkLines(const std::string& decoded) {
    CourseText c;
    std::istringstream in(decoded);
    for (std::string line; std::getline(in, line);) {
        const bool record = line.rfind("record ", 0) == 0, point = line.rfind("coursePoint ", 0) == 0;
        if (!record && !point) continue;
        CoursePointAt p{std::stoll(field(line, "timestamp")), degrees(field(line, "positionLat")),
                        degrees(field(line, "positionLong")), std::stod(field(line, "distance")),
                        point ? field(line, "type") + " " + field(line, "name") : "",
                        std::stod(field(line, "positionLat")), std::stod(field(line, "positionLong"))};
        (record ? c.records : c.coursePoints).push_back(p);
    }
    return c;
}

}  // namespace

// The FIT course holds the TCX course of the same run: every point with its position, time and
// distance, and the same course points; the FIT SDK finds no fault, and gpsbabel reads the points.
TEST_F(CliTest, FitCourseHoldsTheTcxCourseOfTheSameRun) {
    TRAKOR_CORPUS_OR_SKIP(input, "history.tcx");
    const std::string settings =
        " --option 0 --set 'Use File Times=1' --set 'Course Points=1' --set 'Turn Warnings=5' --set 'Course Turn=30'";
    ASSERT_EQ(cli(quote(input) + " -o c.tcx" + settings), 0) << err;
    ASSERT_EQ(cli(quote(input) + " -o c.fit" + settings), 0) << err;
    const CourseText tcx = readTcx(readFile(dir.file("c.tcx")));
    ASSERT_GT(tcx.records.size(), 100u);
    ASSERT_FALSE(tcx.coursePoints.empty());

    TRAKOR_FIT_SDK_OR_SKIP(decoded, dir.file("c.fit"));
    EXPECT_EQ(decoded.rfind("integrity true\n", 0), 0u) << decoded.substr(0, 300);
    EXPECT_EQ(decoded.find("\nerror "), std::string::npos);
    EXPECT_NE(decoded.find("fileId type=\"course\""), std::string::npos);
    const CourseText fit = readFitSdkLines(decoded);
    ASSERT_EQ(fit.records.size(), tcx.records.size());
    for (size_t i = 0; i < fit.records.size(); ++i) {
        const CoursePointAt &f = fit.records[i], &t = tcx.records[i];
        ASSERT_EQ(f.time, t.time) << "point " << i;
        ASSERT_NEAR(f.lat, t.lat, 1e-7) << "point " << i;
        ASSERT_NEAR(f.lon, t.lon, 1e-7) << "point " << i;
        ASSERT_NEAR(f.distance, t.distance, std::max(0.01, t.distance * 1e-3)) << "point " << i;
    }
    ASSERT_EQ(fit.coursePoints.size(), tcx.coursePoints.size());
    for (size_t i = 0; i < fit.coursePoints.size(); ++i) {
        EXPECT_EQ(fit.coursePoints[i].detail, tcx.coursePoints[i].detail);
        EXPECT_EQ(fit.coursePoints[i].time, tcx.coursePoints[i].time);
        EXPECT_NEAR(fit.coursePoints[i].lat, tcx.coursePoints[i].lat, 1e-7);
        EXPECT_NEAR(fit.coursePoints[i].lon, tcx.coursePoints[i].lon, 1e-7);
    }

    if (!haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel is not installed";
    GpxData gpx;
    std::string error;
    ASSERT_TRUE(gpsbabelRead(dir.file("c.fit"), gpx, &error, "garmin_fit")) << error;
    size_t n = 0;
    for (const GpxPath& track : gpx.tracks) {
        for (const GpxPoint& p : track.points) {
            ASSERT_LT(n, tcx.records.size());
            // gpsbabel gives the semicircles as exact degrees (2^31 = 180).
            EXPECT_NEAR(p.lat, fit.records[n].semicirclesLat * 180.0 / 2147483648.0, 1e-7);
            EXPECT_NEAR(p.lon, fit.records[n].semicirclesLon * 180.0 / 2147483648.0, 1e-7);
            ++n;
        }
    }
    EXPECT_EQ(n, tcx.records.size());
}

namespace {

// A copy of a device folder of the shared corpus, as it is on the unit.
std::string copyDevice(const TempDir& dir, const std::string& name) {
    const std::string from = sharedFile("devices/" + name);
    if (from.empty()) return {};
    const std::string to = dir.file(name);
    fs::copy(from, to, fs::copy_options::recursive);
    return to;
}

// Every file below a folder, relative to it.
std::vector<std::string> filesBelow(const std::string& root) {
    std::vector<std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) files.push_back(fs::relative(e.path(), root).string());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

// Each unit gets what its description lists, in the folder it names and in the letter case it
// writes; GPX on the unit is replaced only when the user agrees.
TEST_F(CliTest, GpsTargetDeliversWhatTheDescriptionLists) {
    TRAKOR_CORPUS_OR_SKIP(tcx, "history.tcx");
    TRAKOR_CORPUS_OR_SKIP(gdb, "gdb-sample.gdb");
    if (sharedFile("devices/edge-705").empty()) GTEST_SKIP() << "shared device folders not present";
    struct Case {
        const char* device;
        std::string input;
        int option;
        const char* folder;  // where the file lands, in the case the unit wrote
        const char* extension;
    } cases[] = {
        {"forerunner-935", tcx, 0, "GARMIN/NEWFILES", ".fit"},
        {"edge-705", tcx, 0, "Garmin/Courses", ".tcx"},
        {"forerunner-935", gdb, 21, "GARMIN/NEWFILES", ".gpx"},
        {"edge-705", gdb, 23, "Garmin/GPX", ".gpx"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.device) + " option " + std::to_string(c.option));
        const std::string root = copyDevice(dir, c.device);
        const auto before = filesBelow(root);
        ASSERT_EQ(cli(quote(c.input) + " --target gps --gps-drive " + quote(root) + " --option " +
                      std::to_string(c.option)),
                  0)
            << out << err;
        auto after = filesBelow(root);
        ASSERT_EQ(after.size(), before.size() + 1) << out;
        std::vector<std::string> added;
        std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(added));
        const std::string& file = added.at(0);
        EXPECT_EQ(file.rfind(std::string(c.folder) + "/", 0), 0u) << file;
        EXPECT_EQ(fs::path(file).extension().string(), c.extension);
        if (std::string(c.extension) == ".fit") {
            TRAKOR_FIT_SDK_OR_SKIP(decoded, root + "/" + file);
            EXPECT_EQ(decoded.rfind("integrity true\n", 0), 0u);
        }
        if (std::string(c.extension) == ".gpx") {
            // A second run asks before it replaces the file; No keeps it.
            writeFile(root + "/" + file, "kept");
            EXPECT_EQ(cli(quote(c.input) + " --no --target gps --gps-drive " + quote(root) + " --option " +
                          std::to_string(c.option)),
                      1);
            EXPECT_NE((out + err).find("$DEV03"), std::string::npos) << out;
            EXPECT_EQ(readFile(root + "/" + file), "kept");
            EXPECT_EQ(cli(quote(c.input) + " --yes --target gps --gps-drive " + quote(root) + " --option " +
                          std::to_string(c.option)),
                      0);
            EXPECT_NE(readFile(root + "/" + file).find("<gpx"), std::string::npos);
        }
        fs::remove_all(root);
    }
}

// A unit whose description lists no course type is told so by name, and nothing is written.
TEST_F(CliTest, UnitWithoutCourseTypesGetsNothing) {
    TRAKOR_CORPUS_OR_SKIP(tcx, "history.tcx");
    const std::string root = dir.file("unit");
    fs::create_directories(root + "/garmin");
    writeFile(root + "/garmin/garmindevice.xml",
              "<?xml version=\"1.0\"?><Device xmlns=\"http://www.garmin.com/xmlschemas/GarminDevice/v3\">"
              "<Model><Description>Approach S10</Description></Model><MassStorageMode><DataType><Name>FIT_TYPE_4"
              "</Name><File><Location><Path>GARMIN/ACTIVITY</Path><FileExtension>FIT</FileExtension></Location>"
              "<TransferDirection>OutputFromUnit</TransferDirection></File></DataType></MassStorageMode></Device>");
    EXPECT_EQ(cli(quote(tcx) + " --target gps --gps-drive " + quote(root) + " --option 0"), 1);
    EXPECT_NE((out + err).find("The Approach S10 takes no courses"), std::string::npos) << out << err;
    // Neither a file nor a folder was made.
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(root), fs::recursive_directory_iterator()), 2);
}

// --list-device-files: the recordings of the folders the description names, matched in any case,
// the most recently recorded first (a copy's file times say nothing); files of other kinds are left
// out. One line each, its columns separated by tabs with the path last, so that the README's recipe
// takes the newest recording of a unit on an MTP mount, whose paths hold spaces.
TEST_F(CliTest, DeviceFilesAreListedByWhenTheyWereRecorded) {
    TRAKOR_CORPUS_OR_SKIP(ride, "garmin-edge-800.fit");  // recorded 2012-04-12
    const std::string unit = sharedFile("devices/forerunner-935/GARMIN");
    if (unit.empty()) GTEST_SKIP() << "shared device folders not present";
    const std::string root = dir.file("run/gvfs/mtp:host=091e_4b3d_0000c0ffee/Internal Storage");
    fs::create_directories(root);
    fs::copy(unit, root + "/GARMIN", fs::copy_options::recursive);
    const std::string folder = root + "/GARMIN/Activity/";
    fs::create_directories(folder);
    fs::copy_file(ride, folder + "2012 ride.fit");
    const struct {
        const char* name;
        time_t time;
    } files[] = {{"2012 ride.fit", 1000000000}, {"OLD.FIT", 1230000000}, {"MID.FIT", 1262300000}, {"notes.txt", 1800000000}};
    for (const auto& f : files) {
        if (!fs::exists(folder + f.name)) writeFile(folder + f.name, "x");
        const struct timeval times[2] = {{f.time, 0}, {f.time, 0}};
        ::utimes((folder + f.name).c_str(), times);
    }
    ASSERT_EQ(cli("--list-device-files"), 0) << err;
    std::vector<std::string> paths;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        ASSERT_EQ(std::count(line.begin(), line.end(), '\t'), 3) << line;
        paths.push_back(fs::path(line.substr(line.rfind('\t') + 1)).filename().string());
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"2012 ride.fit", "MID.FIT", "OLD.FIT"})) << out;
    EXPECT_NE(out.find("\t29580\t"), std::string::npos) << out;

    // The README's recipe, run as written by a shell that finds the program on its PATH.
    const std::string readme = readFile(std::string(TRAKOR_SOURCE_DIR) + "/README.md");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(readme, m, std::regex("\n    (trakor3-cli \"\\$\\(trakor3-cli --list-device-files[^\n#]*[^ ]) +#")));
    const std::string shell = "cd " + quote(dir.path().string()) + " && env -u WINEPREFIX HOME=" + quote(dir.file("home")) +
                              " XDG_RUNTIME_DIR=" + quote(dir.file("run")) + " LC_ALL=C PATH=" +
                              quote(dir.file("bin")) + ":\"$PATH\" bash -c " + quote(m[1].str());
    ASSERT_EQ(runCommand(shell + " 2>&1", &out), 0) << m[1] << "\n" << out;
    const std::string gdb = m[1].str().substr(m[1].str().rfind(' ') + 1);
    EXPECT_GT(fs::file_size(dir.file(gdb)), 1000u) << gdb;

    // A recordings folder that is there but cannot be read (here a file in its place) is told,
    // and the listing fails.
    fs::rename(root + "/GARMIN/Activity", root + "/GARMIN/Activity.away");
    writeFile(root + "/GARMIN/Activity", "not a folder");
    EXPECT_EQ(cli("--list-device-files " + quote(root)), 2) << out;
    EXPECT_NE(err.find("cannot read the recordings folder " + root + "/GARMIN/Activity"), std::string::npos) << err;
}

TEST_F(CliTest, DeviceListNamesTheModelAndWhatItTakes) {
    const std::string root = copyDevice(dir, "forerunner-935");
    if (root.empty()) GTEST_SKIP() << "shared device folders not present";
    ASSERT_EQ(cli("--list-devices --gps-drive " + quote(root)), 0);
    EXPECT_NE(out.find("/Forerunner 935: FIT courses, GPX"), std::string::npos) << out;
}
