// SPDX-License-Identifier: GPL-3.0-or-later
// FIT reader: course points and locations become waypoints, record messages become track
// points, cut into tracks at lap messages.
#include <cstdint>
#include <limits>

#include "convert/glitches.h"
#include "import/fit_messages.h"
#include "import/import_messages.h"
#include "import/reader.h"

namespace trakor {

namespace {

// Global message numbers of the FIT profile that the reader interprets.
constexpr uint16_t kFileId = 0;
constexpr uint16_t kLap = 19;
constexpr uint16_t kRecord = 20;
constexpr uint16_t kLocation = 29;
constexpr uint16_t kCourse = 31;
constexpr uint16_t kCoursePoint = 32;
constexpr uint16_t kTimestampCorrelation = 162;

// Field numbers.
constexpr uint8_t kFileType = 0;
constexpr uint8_t kRecordLat = 0, kRecordLon = 1, kRecordAltitude = 2, kRecordEnhancedAltitude = 78;
constexpr uint8_t kLocationName = 0, kLocationLat = 1, kLocationLon = 2, kLocationAltitude = 4,
                  kLocationDescription = 6;
constexpr uint8_t kFileTimeCreated = 4;
constexpr uint8_t kCorrelationSystemTime = 1;
constexpr uint8_t kCourseName = 5;

// Time stamps below this count seconds since the device was switched on, not since 1989.
constexpr uint32_t kFirstAbsoluteTime = 0x10000000;

// FIT altitude: metres x 5 + 500.
double fitAltitude(uint32_t raw) { return (2.0 * raw - 5000.0) / 10.0; }
constexpr uint8_t kCoursePointTime = 1, kCoursePointLat = 2, kCoursePointLon = 3, kCoursePointName = 6;

// Seconds since 1970 of a FIT time stamp; 0 when unknown or past what 32 bits hold.
int32_t unixTime(uint32_t fitTime) {
    if (fitTime == 0) return 0;
    const int64_t t = static_cast<int64_t>(fitTime) + kFitEpochOffset;
    return t > std::numeric_limits<int32_t>::max() ? 0 : static_cast<int32_t>(t);
}

// How the file's times since power-on become times since 1989: the seconds to add.
struct TimeBase {
    bool correlated = false;      // from a timestamp_correlation message
    int64_t offset = 0;
    uint32_t firstAbsolute = 0;   // else the first absolute time of the file ...
    uint32_t firstRelative = 0;   // ... stands for its first time since power-on
    bool anyRelative = false;

    void see(uint32_t t) {
        if (t == 0) return;
        if (t >= kFirstAbsoluteTime) {
            if (firstAbsolute == 0) firstAbsolute = t;
        } else if (!anyRelative) {
            firstRelative = t;
            anyRelative = true;
        }
    }
    // FIT seconds of a time stamp; relative ones without any absolute time in the file are none.
    uint32_t absolute(uint32_t t) const {
        if (t == 0 || t >= kFirstAbsoluteTime) return t;
        const int64_t shift = correlated ? offset : firstAbsolute != 0 ? int64_t{firstAbsolute} - firstRelative : -1;
        if (shift < 0) return 0;
        const int64_t a = int64_t{t} + shift;
        return a > 0 && a <= UINT32_MAX ? static_cast<uint32_t>(a) : 0;
    }
};

// Pass 1: every course point and location with a position becomes a waypoint; the file's
// time base is gathered on the way.
void readWaypoints(Context& ctx, ImportJob& job, FitWalker& walker, TimeBase& base) {
    ctx.store.count = 0;
    FitMessage m;
    while (walker.next(m)) {
        int32_t lat, lon;
        std::string name;
        double alt = 0;
        uint8_t altValid = 0;
        ImportedWaypointDetails details;
        base.see(m.timestamp);
        if (m.global == kFileId) {
            uint32_t created;
            if (m.u32(kFileTimeCreated, created)) base.see(created);
            continue;
        }
        if (m.global == kTimestampCorrelation) {
            uint32_t system;
            if (!base.correlated && m.timestamp >= kFirstAbsoluteTime && m.u32(kCorrelationSystemTime, system)) {
                base.correlated = true;
                base.offset = int64_t{m.timestamp} - system;
            }
            continue;
        }
        if (m.global == kCoursePoint) {
            if (!m.s32(kCoursePointLat, lat) || !m.s32(kCoursePointLon, lon)) continue;
            name = m.text(kCoursePointName);
            uint32_t time;
            if (m.u32(kCoursePointTime, time)) details.time = unixTime(base.absolute(time));
        } else if (m.global == kLocation) {
            if (!m.s32(kLocationLat, lat) || !m.s32(kLocationLon, lon)) continue;
            name = m.text(kLocationName);
            details.comment = m.text(kLocationDescription);
            details.time = unixTime(base.absolute(m.timestamp));
            uint16_t alt16;
            if (m.u16(kLocationAltitude, alt16)) {
                alt = fitAltitude(alt16);
                altValid = 1;
            }
        } else {
            continue;
        }
        PointStore& s = ctx.store;
        s.lat[0] = lat;
        s.lon[0] = lon;
        s.alt[0] = alt;
        s.altValid[0] = altValid;
        s.via[0] = 0;
        s.time[0] = 0;
        writeImportedWaypoint(ctx, job, name, ctx.settings.WaypointSymbol, details);
    }
}

// Hands the points collected so far on as one track, named after the course it belongs to, else
// after the file; false when too few remain.
bool emitTrack(Context& ctx, ImportJob& job, char letter, const std::string& course) {
    removeGlitches(ctx);
    if (ctx.store.count < 2) return false;
    ++ctx.run.trackCounter;
    ctx.run.displayColor = 0;
    const std::string name = numberedName(course.empty() ? std::string(1, letter) + "-" + job.baseName : course,
                                          static_cast<uint32_t>(ctx.run.trackCounter));
    emitImportedTrack(ctx, job, name, job.option);
    return true;
}

// Pass 2: record messages into tracks, one per lap.
bool readTracks(Context& ctx, ImportJob& job, FitWalker& walker, const TimeBase& base) {
    ctx.store.count = 0;
    // File type letter; files without a file_id message first count as unknown.
    char letter = 'X';
    std::string course;  // the name a course message gives
    bool emitted = false;
    FitMessage m;
    while (walker.next(m)) {
        if (m.global == kFileId) {
            uint8_t type = 0;
            const bool known = m.u8(kFileType, type);
            letter = known && type == 4 ? 'A' : known && type == 6 ? 'C' : 'X';
        } else if (m.global == kCourse) {
            course = m.text(kCourseName);
        } else if (m.global == kRecord) {
            int32_t lat, lon;
            if (!m.s32(kRecordLat, lat) || !m.s32(kRecordLon, lon)) continue;
            double alt = 0;
            uint8_t altValid = 0;
            uint16_t alt16;
            uint32_t alt32;
            if (m.u16(kRecordAltitude, alt16)) {
                alt = fitAltitude(alt16);
                altValid = 1;
            } else if (m.u32(kRecordEnhancedAltitude, alt32)) {
                alt = fitAltitude(alt32);
                altValid = 1;
            }
            ctx.store.addPoint(ctx.run, lat, lon, alt, altValid, 0, unixTime(base.absolute(m.timestamp)));
        } else if (m.global == kLap) {
            if (emitTrack(ctx, job, letter, course)) emitted = true;
            ctx.store.count = 0;
        }
    }
    if (emitTrack(ctx, job, letter, course)) emitted = true;
    return emitted;
}

// Says where a cut or damaged file stopped being read, or that its check sum does not match. A
// message stream that breaks off inside the data is told as a cut file is: what follows is lost.
void noteDamage(Context& ctx, const FitWalker& walker) {
    if (walker.missing() > 0) {
        ctx.run.cutNote = "the last " + std::to_string(walker.missing()) + " bytes of its data";
        if (walker.stoppedEarly())
            ctx.run.cutNote += " (it breaks off inside the message at byte " + std::to_string(walker.stopOffset()) + ")";
        return;
    }
    if (walker.stoppedEarly())
        ctx.run.cutNote = "the data after byte " + std::to_string(walker.stopOffset()) +
                          " (the message there runs past the end of the data or has no definition)";
    if (!walker.checkSumMatches()) {
        const auto& m = importmsg::kFitCrcMismatch;
        ctx.run.damageNote = formatMessage(ctx, m.key, m.english, 512, std::to_string(walker.checkSumOffset()).c_str());
    }
}

}  // namespace

int readFit(Context& ctx, ImportJob& job, const uint8_t* bytes, size_t length) {
    FitWalker walker;
    if (!walker.open(bytes, length)) return kReadNothing;
    TimeBase base;
    readWaypoints(ctx, job, walker, base);
    walker.rewind();
    const int result = readTracks(ctx, job, walker, base) ? kReadDone : kReadNothing;
    noteDamage(ctx, walker);
    return result;
}

}  // namespace trakor
