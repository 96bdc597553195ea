// SPDX-License-Identifier: GPL-3.0-or-later
// A driver under test: a context with its working files in a temporary folder and fake engines
// that record what they were given.
#pragma once

#include <sys/stat.h>

#include <string>
#include <vector>

#include "app/driver.h"
#include "core/settings.h"
#include "testsupport/gdb_image.h"
#include "testsupport/testsupport.h"

namespace trakor::test {

// A whole GDB file (header and end record) whose creator name tells which fake engine wrote it.
inline std::string gdbImage(const std::string& creatorName) {
    GdbImage img('m', creatorName);
    img.end();
    return std::string(img.bytes().begin(), img.bytes().end());
}

// What the fake engines write.
inline const std::string kResult = gdbImage("RESULT");
inline const std::string kBatchResult = gdbImage("BATCH");
inline const std::string kCourses = "<TrainingCenterDatabase>COURSES</TrainingCenterDatabase>\n";

class DriverTest : public ::testing::Test {
protected:
    TempDir dir;
    RecordingNotifier notes;
    Context ctx;
    DriverCalls calls;
    ConversionRequest req;

    // What the fake engines do and saw.
    int tracksMade = 1;
    int routesMade = 0;
    int importResult = 0;
    int coursesResult = 0;
    int imports = 0;
    std::string importedBase;
    std::string importedBytes;
    std::vector<std::string> mapSourceOpened;
    std::string courseFolder;
    std::vector<std::string> batchInputs;

    void SetUp() override {
        ctx.notifier = &notes;
        ctx.settings = defaultSettings(true);
        ctx.paths.workingFolder = dir.path().string();
        ctx.paths.workGdb = dir.file("Trakor3.gdb");
        ctx.paths.workTcx = dir.file("Trakor3.tcx");
        ctx.paths.logFile = dir.file("Trakor3.log");
        ctx.paths.downGdb = dir.file("Trakor3.bcd");
        // Engines a test does not look into: a GDB input is not taken for one, the rest fail.
        calls.scanHeader = [](Context&, ByteStream&, int32_t&) { return 1; };
        calls.convertGdbRecord = [](Context&, ByteStream&, ByteStream&) { return 'V'; };
        calls.viaPointVisibilityPass = [](Context&, ByteStream&, ByteStream&) { return 1; };
        calls.downConvert = [](Context&, ByteStream&, uint8_t) { return 1; };
        calls.unpackKmz = [](Context&, const std::string&) { return std::string(); };
        calls.writeGpx = [](Context&, const std::string&) { return 1; };
        calls.importFile = [this](Context& c, const std::string& base, ByteStream& in, ByteStream& out) {
            ++imports;
            importedBase = base;
            importedBytes = readAll(in);
            c.run.trackCounter = tracksMade;
            c.run.routeCounter = routesMade;
            out.write(kResult.data(), kResult.size());
            return importResult;
        };
        calls.convertBatch = [this](Context& c, FILE* log, ByteStream& out, const std::vector<std::string>& in) {
            batchInputs = in;
            std::fputs("\"Path\",\"File\",\"T/R\",\"T/R name\",\"Message\"\n", log);
            c.run.trackCounter = tracksMade;
            c.run.routeCounter = routesMade;
            out.write(kBatchResult.data(), kBatchResult.size());
            return 0;
        };
        calls.writeCourses = [this](Context& c, UnitCourses* unit, XmlCheck& check) {
            courseFolder = unit != nullptr ? unit->folder.path() : std::string();
            if (coursesResult == 0) writeFile(c.paths.workTcx, kCourses);
            check = checkXmlText(reinterpret_cast<const uint8_t*>(kCourses.data()), kCourses.size());
            return coursesResult;
        };
        calls.openInMapSource = [this](Context&, const std::string& path) {
            mapSourceOpened.push_back(path);
            return 0;
        };
        calls.startTrainingCenter = [](Context&) { return 0; };
    }

    static std::string readAll(ByteStream& in) {
        std::string s(static_cast<size_t>(in.size()), '\0');
        in.seek(0);
        s.resize(in.read(s.data(), s.size()));
        return s;
    }

    // A file in the temporary folder with the given content; its path.
    std::string makeFile(const std::string& name, const std::string& content = "input") {
        std::string p = dir.file(name);
        writeFile(p, content);
        return p;
    }

    int run() { return runConversion(ctx, calls, req); }

    // A request for one input to an output file.
    void fileRequest(const std::string& input, const std::string& output, int option = 0) {
        req.inputPath = input;
        req.outputPath = output;
        req.outputTarget = OutputTarget::File;
        req.option = option;
    }

    static mode_t modeOf(const std::string& path) {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
    }
};

}  // namespace trakor::test
