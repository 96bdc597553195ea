// SPDX-License-Identifier: GPL-3.0-or-later
// A context for course tests: working files in a temporary folder, tracks built from degrees,
// work GDB files written with the shared record writers, and schema validation with xmllint.
#pragma once

#include <string>
#include <vector>

#include "core/context.h"
#include "core/settings.h"
#include "gdb/file_header.h"
#include "gdb/records.h"
#include "testsupport/testsupport.h"

namespace trakor::test {

struct Pt {
    double lat, lon;
    int32_t time = 0;
    double alt = 0;
    bool altValid = false;
};

// Degrees north and east of a point, per metre (law-of-cosines metres per degree).
constexpr double kDegPerMetre = 1.0 / 111189.57696;

class CourseTest : public ::testing::Test {
public:
    TempDir dir;
    RecordingNotifier notes;
    Context ctx;

    void SetUp() override {
        ctx.notifier = &notes;
        ctx.settings = defaultSettings(true);
        ctx.paths.workGdb = dir.file("Trakor3.gdb");
        ctx.paths.workTcx = dir.file("Trakor3.tcx");
        ctx.paths.tempFile = dir.file("Trakor3.tmp");
    }

    void setStore(const std::vector<Pt>& pts) {
        ctx.store.clear();
        for (const Pt& p : pts) {
            int32_t i = ctx.store.count++;
            ctx.store.lat[i] = degreesToSemicircles(p.lat);
            ctx.store.lon[i] = degreesToSemicircles(p.lon);
            ctx.store.time[i] = p.time;
            ctx.store.alt[i] = p.alt;
            ctx.store.altValid[i] = p.altValid ? 1 : 0;
            ctx.store.via[i] = 0;
            ctx.store.partMark[i] = i == 0 ? 0 : 1;
        }
    }

    static GdbTrack track(const std::string& name, const std::vector<Pt>& pts) {
        GdbTrack t;
        t.trkName = name;
        for (const Pt& p : pts) {
            GdbTrackPoint g;
            g.tptLat = degreesToSemicircles(p.lat);
            g.tptLon = degreesToSemicircles(p.lon);
            g.tptTime = p.time;
            g.alt.valid = p.altValid;
            g.alt.metres = p.alt;
            t.points.push_back(g);
        }
        return t;
    }

    // A straight line of n points `step` metres apart, going north, `dt` seconds apart.
    static std::vector<Pt> line(int n, double step = 100.5, int32_t t0 = 0, int32_t dt = 0) {
        std::vector<Pt> pts;
        for (int i = 0; i < n; ++i) pts.push_back({50 + i * step * kDegPerMetre, 6, t0 == 0 ? 0 : t0 + i * dt});
        return pts;
    }

    void writeWorkGdb(const std::vector<GdbTrack>& tracks, char version = 'm') {
        FileStream out;
        ASSERT_TRUE(out.open(ctx.paths.workGdb, "wb"));
        writeNewHeader(out, 1796651109);
        for (const GdbTrack& t : tracks) writeTrackRecord(out, t, version);
        writeEndRecord(out);
        ASSERT_TRUE(out.close());
    }

    // Empty when the file validates against the TCX v2 schema; xmllint's complaint otherwise.
    static std::string schemaErrors(const std::string& file) {
        std::string schema = sharedFile("schemas/TrainingCenterDatabasev2.xsd");
        std::string out;
        int rc = runCommand("xmllint --noout --schema '" + schema + "' '" + file + "' 2>&1", &out);
        return rc == 0 ? std::string() : out.empty() ? "xmllint failed" : out;
    }
    static bool canValidate() {
        return haveProgram("xmllint") && !sharedFile("schemas/TrainingCenterDatabasev2.xsd").empty();
    }

    static int countOf(const std::string& text, const std::string& what) {
        int n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }
};

#define TRAKOR_XMLLINT_OR_SKIP() \
    if (!canValidate()) GTEST_SKIP() << "xmllint or the TCX schema not available"

}  // namespace trakor::test
