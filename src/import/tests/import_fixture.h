// SPDX-License-Identifier: GPL-3.0-or-later
// Test bed for the readers: a context whose routes, tracks and waypoints are captured through
// the import job's hooks instead of being written.
#pragma once

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "gdb/stream.h"
#include "import/reader.h"
#include "testsupport/testsupport.h"

namespace trakor::test {

struct CapturedPoint {
    int32_t lat, lon;
    double alt;
    uint8_t altValid;
    int32_t time;
};

struct CapturedTrack {
    std::string name;
    uint8_t color;
    std::vector<CapturedPoint> points;
};

struct CapturedWaypoint {
    std::string name;
    int32_t symbol;
    CapturedPoint at;
    ImportedWaypointDetails details;
};

// Answers the OK/Cancel question from the answer queue too (default Cancel).
class ImportNotifier : public RecordingNotifier {
public:
    Answer notify(const std::string& key, const std::string& text, MsgStyle style) override {
        if (style != MsgStyle::QuestionOk) return RecordingNotifier::notify(key, text, style);
        entries.push_back({key, text, style});
        if (answers.empty()) return Answer::Cancel;
        Answer a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
};

class ImportFixture : public ::testing::Test {
protected:
    ImportFixture() : job{out} {
        ctx.notifier = &notifier;
        ctx.settings.RemovalDistance = 0;  // glitch removal keeps every point
        ctx.settings.RemovalGlitches = 0;
        job.onEmit = [this](Context& c, const std::string& name) {
            CapturedTrack t{name, c.run.displayColor, {}};
            for (int32_t i = 0; i < c.store.count; ++i)
                t.points.push_back({c.store.lat[i], c.store.lon[i], c.store.alt[i], c.store.altValid[i], c.store.time[i]});
            tracks.push_back(std::move(t));
        };
        job.onWaypoint = [this](Context& c, const std::string& name, int32_t symbol, const ImportedWaypointDetails& d) {
            waypoints.push_back({name, symbol, {c.store.lat[0], c.store.lon[0], c.store.alt[0], c.store.altValid[0], 0}, d});
        };
    }

    int read(ReaderFn reader, const std::string& text) {
        return reader(ctx, job, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    }

    Context ctx;
    ImportNotifier notifier;
    MemoryStream out;
    ImportJob job;
    std::vector<CapturedTrack> tracks;
    std::vector<CapturedWaypoint> waypoints;
};

// Sets TZ for the lifetime of the object and restores it after.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ")) saved_ = old, had_ = true;
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (had_)
            setenv("TZ", saved_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::string saved_;
    bool had_ = false;
};

// Reads every prefix of the data, each from a buffer of exactly its size (so a read past the
// cut shows under the sanitizers), with routes read as tracks; every result is a reader result.
inline void readEveryPrefix(ReaderFn reader, const std::string& data) {
    for (size_t n = 0; n <= data.size(); ++n) {
        Context c;
        c.settings.RemovalDistance = 0;
        c.run.importQuestion = 1;
        MemoryStream o;
        ImportJob j{o};
        j.onEmit = [](Context&, const std::string&) {};
        j.onWaypoint = [](Context&, const std::string&, int32_t, const ImportedWaypointDetails&) {};
        std::vector<uint8_t> cut(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n));
        int r = reader(c, j, cut.data(), cut.size());
        EXPECT_TRUE(r == kReadDone || r == kReadNothing || r == kReadInvalid) << "cut at " << n;
    }
}

inline int32_t semi(double degrees) { return degreesToSemicircles(degrees); }

}  // namespace trakor::test
