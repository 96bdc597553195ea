// SPDX-License-Identifier: GPL-3.0-or-later
// A waypoint's comment, description and time reach the GDB output and come out again in GPX and
// in gpsbabel's reading; texts of older GDB files arrive in UTF-8.
#include <set>

#include "export/gpx_writer.h"
#include "gdb/file_header.h"
#include "gdb/records.h"
#include "testsupport/gdb_image.h"
#include "gdb/waypoint_details.h"
#include "import/import_file.h"
#include "import/tests/gpsbabel_oracle.h"
#include "import/reader.h"

namespace trakor::test {
namespace {

class WaypointTextsTest : public ImportFixture {
protected:
    WaypointTextsTest() {
        job.onEmit = nullptr;
        job.onWaypoint = nullptr;
        notifier.answers = {Answer::Ok};
    }
    std::string outBytes() const { return {reinterpret_cast<const char*>(out.data()), static_cast<size_t>(out.size())}; }
    // The GDB image (of a test or of gpsbabel's file) through the GDB import: a new GDB image.
    std::string importGdb(const std::string& gdb) {
        MemoryStream again;
        ImportJob j{again};
        Context c;
        c.run.importQuestion = 1;
        writeNewHeader(again, 0);
        EXPECT_NE(readGdbForImport(c, j, reinterpret_cast<const uint8_t*>(gdb.data()), gdb.size()), kReadInvalid);
        writeEndRecord(again);
        return {reinterpret_cast<const char*>(again.data()), static_cast<size_t>(again.size())};
    }
    static std::vector<GpxPoint> gpxWaypoints(const std::string& gdb) {
        MemoryStream gpx;
        EXPECT_EQ(writeGpx(reinterpret_cast<const uint8_t*>(gdb.data()), gdb.size(), gpx), kGpxWritten);
        const std::string text(reinterpret_cast<const char*>(gpx.data()), static_cast<size_t>(gpx.size()));
        return detail::points(text, "wpt", 0, text.size());
    }
    // Imports a file and saves the GDB result as gpsbabel accepts it: with MapSource as creator.
    std::string importAndSave(InputType type, const std::string& path) {
        Context c;
        c.notifier = &notifier;
        c.run.inputType = type;
        c.run.importQuestion = 1;
        MemoryStream o;
        ImportJob j{o};
        FileStream in;
        EXPECT_TRUE(in.open(path, "rb"));
        EXPECT_EQ(importFile(c, j, in), 0);
        std::vector<uint8_t> bytes(o.data(), o.data() + o.size());
        const std::string file = dir.file("out.gdb");
        const std::vector<uint8_t> babel = withCreator(bytes, "MapSource");
        writeFile(file, std::string(babel.begin(), babel.end()));
        return file;
    }
    TempDir dir;
};

struct DetailsRow {
    ImportedWaypointDetails in;
    const char *cmt, *desc;  // GPX of the GDB output
};

TEST_F(WaypointTextsTest, DetailsTravelThroughGdbIntoGpxAndGpsbabel) {
    const DetailsRow rows[] = {
        {{"Gate code 1234", "Bed & Breakfast <Zur Post>", 1588327200}, "Gate code 1234", "Bed & Breakfast <Zur Post>"},
        {{"", "Only a description", 0}, "Only a description", "Only a description"},
        {{"Only a comment", "", -86400}, "Only a comment", ""},
        {{"", "", 1700000000}, "", ""},
        {{std::string("Caf\xc3\xa9\0hidden", 12), "", 0}, "Caf\xc3\xa9", ""},
        {{"", "", 0}, "", ""},
    };
    writeNewHeader(out, 0);
    for (const DetailsRow& row : rows) writeImportedWaypoint(ctx, job, "W", 18, row.in);
    // A text beyond what a GDB string holds is cut before the character that would not fit.
    writeImportedWaypoint(ctx, job, "Long", 18, {std::string(kMaxGdbString - 2, 'a') + "\xc3\xa9", "", 0});
    writeEndRecord(out);
    const std::string gdb = outBytes();

    // Without details the record is the one the program has always written.
    MemoryStream plain;
    writeWaypoint(ctx, plain, "W-6", 0, 0, 18, 1);
    EXPECT_NE(gdb.find(std::string(reinterpret_cast<const char*>(plain.data()), static_cast<size_t>(plain.size()))),
              std::string::npos);

    const std::vector<GpxPoint> direct = gpxWaypoints(gdb);
    // Through the GDB import again (option 0 of a GDB file): the same texts and times.
    const std::vector<GpxPoint> again = gpxWaypoints(importGdb(gdb));
    for (const std::vector<GpxPoint>* gpx : {&direct, &again}) {
        ASSERT_EQ(gpx->size(), std::size(rows) + 1);
        for (size_t i = 0; i < std::size(rows); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ((*gpx)[i].cmt, rows[i].cmt);
            EXPECT_EQ((*gpx)[i].desc, rows[i].desc);
            EXPECT_EQ((*gpx)[i].time.value_or(0), rows[i].in.time);
        }
        EXPECT_EQ(gpx->back().cmt, std::string(kMaxGdbString - 2, 'a'));
    }

    if (!haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel is not installed";
    const std::string file = dir.file("details.gdb");
    const std::vector<uint8_t> babel = withCreator(std::vector<uint8_t>(gdb.begin(), gdb.end()), "MapSource");
    writeFile(file, std::string(babel.begin(), babel.end()));
    GpxData data;
    std::string error;
    ASSERT_TRUE(gpsbabelRead(file, data, &error, "gdb", "-w")) << error;
    ASSERT_EQ(data.waypoints.size(), std::size(rows) + 1);
    // gpsbabel shows the comment field as <desc>, and the description beside it as <cmt>.
    EXPECT_EQ(data.waypoints[0].desc, "Gate code 1234");
    EXPECT_EQ(data.waypoints[0].cmt, "Bed & Breakfast <Zur Post>");
    EXPECT_EQ(data.waypoints[2].desc, "Only a comment");
    for (size_t i = 0; i < std::size(rows); ++i) EXPECT_EQ(data.waypoints[i].time.value_or(0), rows[i].in.time) << i;
}

// What gpsbabel shows of a waypoint's texts: its comment and description, without the names it
// puts there when a waypoint has neither (ours are numbered).
std::set<std::string> texts(const GpxPoint& p, const std::string& name, const std::string& numbered) {
    std::set<std::string> t;
    for (const std::string* s : {&p.cmt, &p.desc})
        if (!s->empty() && *s != name && *s != numbered) t.insert(*s);
    return t;
}

TEST_F(WaypointTextsTest, CorpusWaypointsKeepTheirTimesAndTexts) {
    if (!haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel is not installed";
    // Each file against gpsbabel's reading of a reference: itself, or for the version 2 sample
    // (Windows-1252, which gpsbabel reads as bytes) the same waypoints saved in version 3.
    const struct {
        const char *name, *reference;
        InputType type;
        const char* format;
    } files[] = {
        {"gdb-sample.gdb", "gdb-sample-v3.gdb", InputType::Gdb, "gdb"},
        {"gdb-sample-v3.gdb", "gdb-sample-v3.gdb", InputType::Gdb, "gdb"},
        {"fitlocations-sample.fit", "fitlocations-sample.fit", InputType::Fit, "garmin_fit"},
        {"basecamp.gpx", "basecamp.gpx", InputType::Gpx, "gpx"},
        {"gdb-sample.gpx", "gdb-sample.gpx", InputType::Gpx, "gpx"},
    };
    for (const auto& f : files) {
        TRAKOR_CORPUS_OR_SKIP(path, f.name);
        TRAKOR_CORPUS_OR_SKIP(reference, f.reference);
        SCOPED_TRACE(f.name);
        GpxData input, ours;
        std::string error;
        ASSERT_TRUE(gpsbabelRead(reference, input, &error, f.format, "-w")) << error;
        ASSERT_TRUE(gpsbabelRead(importAndSave(f.type, path), ours, &error, "gdb", "-w")) << error;
        ASSERT_FALSE(ours.waypoints.empty());
        // Each of ours, named "<name>-<n>", is a waypoint of the input at the same place.
        std::vector<bool> used(input.waypoints.size());
        for (const GpxPoint& w : ours.waypoints) {
            SCOPED_TRACE(w.name);
            const std::string name = w.name.substr(0, w.name.rfind('-'));
            size_t i = 0;
            while (i < input.waypoints.size() &&
                   (used[i] || input.waypoints[i].name != name || input.waypoints[i].lat != w.lat ||
                    input.waypoints[i].lon != w.lon))
                ++i;
            ASSERT_LT(i, input.waypoints.size()) << "not a waypoint of the input";
            used[i] = true;
            // gpsbabel reads no times of FIT locations.
            if (input.waypoints[i].time || f.type != InputType::Fit) {
                EXPECT_EQ(w.time, input.waypoints[i].time);
            }
            EXPECT_EQ(texts(w, name, w.name), texts(input.waypoints[i], name, w.name));
        }
    }
}

// Versions 1 and 2 hold Windows-1252 texts, the output's version 3 UTF-8: every text of a waypoint,
// track or route of an older file arrives converted; UTF-8 and the texts of version 3 stay.
TEST(OlderGdbTexts, ArriveInUtf8) {
    const struct {
        char version;
        const char *text, *expected;
    } rows[] = {
        {'k', "V\xf6lkerschlachtdenkmal", "V\xc3\xb6lkerschlachtdenkmal"},
        {'l', "Stra\xdf" "e \x80 5", "Stra\xc3\x9f" "e \xe2\x82\xac 5"},
        {'l', "Caf\xc3\xa9", "Caf\xc3\xa9"},
        {'m', "V\xf6lkerschlachtdenkmal", "V\xf6lkerschlachtdenkmal"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.expected);
        GdbImage image(static_cast<uint8_t>(row.version));
        GdbWaypoint w;
        w.wptName = w.wptComment = w.wptCity = w.wptState = w.wptFacility = row.text;
        WaypointDetails d;
        d.description = row.text;
        d.links = {row.text};
        d.hasTime = true;
        d.time = 1119574584;
        MemoryStream details;
        writeWaypointDetails(details, d, row.version);
        w.trailing = details.bytes();
        GdbTrack t;
        t.trkName = row.text;
        t.points = {{1, 1, {}, 0}, {2, 2, {}, 0}};
        GdbRoute r;
        r.rteName = row.text;
        r.points.resize(2);
        r.points[0].links = {{3, 3, {}}, {4, 4, {}}};
        image.waypoint(w).track(t).route(r).end();

        Context ctx;
        RecordingNotifier notifier;
        ctx.notifier = &notifier;
        ctx.settings.RemovalDistance = 0;
        ctx.settings.RemovalGlitches = 0;
        ctx.run.importQuestion = 1;
        MemoryStream out;
        ImportJob job{out};
        std::vector<std::string> names;
        job.onEmit = [&names](Context&, const std::string& name) { names.push_back(name); };
        const auto& bytes = image.bytes();
        EXPECT_EQ(readGdbForImport(ctx, job, bytes.data(), bytes.size()), kReadDone);
        const std::string expected = row.expected;
        EXPECT_EQ(names, (std::vector<std::string>{expected + "-1", expected + "-2"}));

        size_t pos = 0;
        RecordView rec;
        ASSERT_TRUE(nextRecord(out.data(), static_cast<size_t>(out.size()), pos, rec));
        GdbWaypoint copy;
        ASSERT_EQ(parseWaypoint(rec.data, static_cast<size_t>(rec.length), kGdbVersion3, copy), kRecordOk);
        EXPECT_EQ(copy.wptName, expected + "-1");
        for (const std::string* s : {&copy.wptComment, &copy.wptCity, &copy.wptState, &copy.wptFacility})
            EXPECT_EQ(*s, expected);
        WaypointDetails kept;
        size_t used = 0;
        ASSERT_TRUE(parseWaypointDetails(copy.trailing.data(), copy.trailing.size(), kGdbVersion3, kept, used));
        EXPECT_EQ(kept.description, expected);
        EXPECT_EQ(kept.links, std::vector<std::string>{expected});
        EXPECT_EQ(kept.time, d.time);
    }
}

}  // namespace
}  // namespace trakor::test
