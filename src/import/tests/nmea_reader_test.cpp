// SPDX-License-Identifier: GPL-3.0-or-later
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sstream>

#include "import/reader.h"
#include "import/text_scan.h"
#include "core/civil_time.h"
#include "import/tests/reader_capture.h"
#include "testsupport/testsupport.h"

namespace trakor {
namespace {

using test::ReaderRun;

using test::ScopedTimeZone;

// The log with each "*00" after a sentence replaced by the sentence's check sum.
std::string summed(std::string log) {
    for (size_t at = log.find("*00"); at != std::string::npos; at = log.find("*00", at + 1)) {
        const size_t start = log.rfind('$', at);
        if (start == std::string::npos) continue;
        unsigned sum = 0;
        for (size_t i = start + 1; i < at; ++i) sum ^= static_cast<uint8_t>(log[i]);
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", sum);
        log.replace(at + 1, 2, hex);
    }
    return log;
}

int64_t utc(int y, int mo, int d, int h, int mi, int s) {
    std::tm tm{};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    return timegm(&tm);
}

TEST(NmeaReader, RmcGivesPositionAndUtcTimeInEveryZone) {
    const std::string log = "$GPRMC,100000.000,A,5212.3456,N,00507.8910,E,0.1,12.0,010609,,*00\r\n"
                            "$GPRMC,235959,A,3351.000,S,15112.500,W,0.1,12.0,311209,,*00\r\n";
    for (const char* zone : {"UTC0", "CET-1CEST,M3.5.0,M10.5.0/3", "EST5EDT,M3.2.0,M11.1.0", "NZST-12NZDT,M9.5.0,M4.1.0/3"}) {
        SCOPED_TRACE(zone);
        ScopedTimeZone tz(zone);
        ReaderRun r("drive");
        EXPECT_EQ(r.read(readNmea, summed(log)), kReadDone);
        ASSERT_EQ(r.tracks.size(), 1u);
        const auto& t = r.tracks[0];
        EXPECT_EQ(t.name, "drive-1");
        EXPECT_EQ(t.lat, (std::vector<int32_t>{degreesToSemicircles(52 + 12.3456 / 60),
                                               degreesToSemicircles(-(33 + 51.0 / 60))}));
        EXPECT_EQ(t.lon, (std::vector<int32_t>{degreesToSemicircles(5 + 7.8910 / 60),
                                               degreesToSemicircles(-(151 + 12.5 / 60))}));
        EXPECT_EQ(t.time[0], utc(2009, 6, 1, 10, 0, 0));
        EXPECT_EQ(t.time[1], utc(2009, 12, 31, 23, 59, 59));
        EXPECT_EQ(t.altValid, (std::vector<int>{0, 0}));
    }
}

TEST(NmeaReader, AltitudeComesFromTheGgaOfTheSameFix) {
    // GGA before its RMC, RMC before its GGA, a GGA of another fix, and an empty altitude.
    const std::string log =
        "$GPGGA,100000,5200.000,N,00500.000,E,1,05,1.6,12.5,M,0,M,,*00\r\n"
        "$GPRMC,100000,A,5200.000,N,00500.000,E,0,0,010609,,*00\r\n"
        "$GPRMC,100001,A,5200.100,N,00500.000,E,0,0,010609,,*00\r\n"
        "$GPGGA,100001,5200.100,N,00500.000,E,1,05,1.6,13.5,M,0,M,,*00\r\n"
        "$GPGGA,100009,5200.200,N,00500.000,E,1,05,1.6,99.0,M,0,M,,*00\r\n"
        "$GPRMC,100002,A,5200.200,N,00500.000,E,0,0,010609,,*00\r\n"
        "$GPGGA,100003,5200.300,N,00500.000,E,0,00,,,M,,M,,*00\r\n"
        "$GPRMC,100003,A,5200.300,N,00500.000,E,0,0,010609,,*00\r\n"
        "$GNGGA,100004,5200.400,N,00500.000,E,1,05,1.6,50.0,M,0,M,,*00\r\n"
        "$GNRMC,100004,A,5200.400,N,00500.000,E,0,0,010609,,*00\r\n";
    ReaderRun r;
    r.read(readNmea, summed(log));
    ASSERT_EQ(r.tracks.size(), 1u);
    const auto& t = r.tracks[0];
    // The GGA of another fix is a point of its own (the RMC at its position then merges into it);
    // $GN sentences are read as $GP ones.
    ASSERT_EQ(t.lat.size(), 5u);
    EXPECT_EQ(t.altValid, (std::vector<int>{1, 1, 1, 0, 1}));
    EXPECT_EQ(t.alt[0], 12.5);
    EXPECT_EQ(t.alt[1], 13.5);
    EXPECT_EQ(t.alt[2], 99.0);
    EXPECT_EQ(t.alt[4], 50.0);
    EXPECT_EQ(t.time[2], utc(2009, 6, 1, 10, 0, 9));
}

TEST(NmeaReader, ShortAndMissingFieldsStayInsideTheData) {
    ReaderRun r;
    r.read(readNmea, summed(
                         "$GPRMC,1000,A,5200.000,N,00500.000,E,0,0,010609,,*00\r\n"     // short time: no time
                         "$GPRMC,100000,A,5200.100,N,00500.000,E,0,0,0106,,*00\r\n"     // short date: no time
                         "$GPRMC,100000,V,,,,,0,0,010609,,*00\r\n"                      // no position: no point
                         "$GPRMC,100000,A,5200.200,N\r\n"                               // cut sentence: no point
                         "$GPRMC,100000,A,5200.400,N,00500.000,E,0,0,010640,,*00\r\n"   // 2040: beyond 32 bits
                         "$GPRMC,100000,A,5200.500,N,00500.0"));                        // data end in a field
    ASSERT_EQ(r.tracks.size(), 1u);
    const auto& t = r.tracks[0];
    ASSERT_EQ(t.lat.size(), 4u);
    EXPECT_EQ(t.time, (std::vector<int32_t>{0, 0, 0, 0}));
    EXPECT_EQ(t.lat[3], degreesToSemicircles(52 + 0.5 / 60));
    EXPECT_EQ(t.lon[3], degreesToSemicircles(5.0));

    for (const char* tail : {"$GPRMC,", "$GPRMC", "$GPGGA,1,2,3,4,5,6,7,8,", "$GPGGA,1,2,3,4,5,6,7,8,9"}) {
        ReaderRun cut;
        cut.read(readNmea, std::string(tail));
        EXPECT_EQ(cut.ctx.run.trackCounter, 1) << tail;
    }
}

struct OraclePoint {
    double lat, lon;
    int64_t time;
};

// gpsbabel's track points of an NMEA log, with repeated positions merged as the point store does.
std::vector<OraclePoint> gpsbabelPoints(const std::string& path) {
    std::string csv;
    EXPECT_EQ(test::runCommand("TZ=UTC0 gpsbabel -t -i nmea -f '" + path + "' -o unicsv -F - 2>/dev/null", &csv), 0);
    std::vector<OraclePoint> pts;
    std::istringstream in(csv);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        // No,Latitude,Longitude,...,Date,Time
        OraclePoint p{};
        int no, y, mo, d, h, mi, s;
        if (std::sscanf(line.c_str(), "%d,%lf,%lf", &no, &p.lat, &p.lon) != 3) continue;
        const size_t date = line.rfind(',', line.rfind(',') - 1) + 1;
        EXPECT_EQ(std::sscanf(line.c_str() + date, "%d/%d/%d,%d:%d:%d", &y, &mo, &d, &h, &mi, &s), 6) << line;
        // gpsbabel puts every two-digit year in 2000-2099; the reader puts 80-99 in 1980-1999.
        if (y >= 2080) y -= 100;
        p.time = utc(y, mo, d, h, mi, s);
        if (!pts.empty() && pts.back().lat == p.lat && pts.back().lon == p.lon) continue;
        pts.push_back(p);
    }
    return pts;
}

TEST(NmeaReader, CorpusLogMatchesGpsbabel) {
    TRAKOR_CORPUS_OR_SKIP(path, "nmeadate.nmea");
    if (!test::haveProgram("gpsbabel")) GTEST_SKIP() << "gpsbabel not installed";
    ScopedTimeZone tz("CET-1CEST,M3.5.0,M10.5.0/3");
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readWholeFile(path, bytes));
    ReaderRun r("nmeadate");
    r.read(readNmea, bytes);
    ASSERT_EQ(r.tracks.size(), 1u);
    const auto& t = r.tracks[0];

    // Positions and times as gpsbabel reads the log's RMC sentences (with GGA sentences present it
    // pairs each fix with the previous one's GGA, so only the positions are compared there).
    std::string rmcOnly;
    std::istringstream lines(test::readFile(path));
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("$GPRMC,", 0) == 0) rmcOnly += line + "\n";
    test::TempDir dir;
    test::writeFile(dir.file("rmc.nmea"), rmcOnly);
    const std::vector<OraclePoint> fixes = gpsbabelPoints(dir.file("rmc.nmea"));
    const std::vector<OraclePoint> whole = gpsbabelPoints(path);
    ASSERT_FALSE(fixes.empty());
    ASSERT_EQ(t.lat.size(), fixes.size());
    ASSERT_EQ(t.lat.size(), whole.size());
    for (size_t i = 0; i < fixes.size(); ++i) {
        EXPECT_NEAR(semicirclesToDegrees(t.lat[i]), fixes[i].lat, 1e-6) << i;
        EXPECT_NEAR(semicirclesToDegrees(t.lon[i]), fixes[i].lon, 1e-6) << i;
        EXPECT_NEAR(semicirclesToDegrees(t.lat[i]), whole[i].lat, 1e-6) << i;
        EXPECT_NEAR(semicirclesToDegrees(t.lon[i]), whole[i].lon, 1e-6) << i;
        // Times past 2038 do not fit the stored 32 bits and are left unknown.
        EXPECT_EQ(t.time[i], fixes[i].time > INT32_MAX ? 0 : fixes[i].time) << i;
    }
    // The first fix's GGA, which follows its RMC, gives the first point's altitude.
    EXPECT_EQ(t.altValid[0], 1);
    EXPECT_DOUBLE_EQ(t.alt[0], 209.8);
}

// Talkers other than GP, logs of GGA fixes only, GGA fixes dated from the next RMC, and the
// two-digit years 80 to 99.
// UTF-8 text as UTF-16 little-endian with its byte-order mark, surrogate pairs beyond U+FFFF.
std::string utf16(const std::string& utf8) {
    std::string out = "\xFF\xFE";
    const auto unit = [&out](uint32_t u) { out += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)}; };
    for (size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<uint8_t>(utf8[i]);
        const size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        uint32_t cp = n == 1 ? b : b & (0x7F >> n);
        for (size_t k = 1; k < n; ++k) cp = cp << 6 | (static_cast<uint8_t>(utf8[i + k]) & 0x3F);
        i += n;
        if (cp < 0x10000) {
            unit(cp);
        } else {
            unit(0xD800 + ((cp - 0x10000) >> 10));
            unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
        }
    }
    return out;
}

TEST(NmeaReader, WplSentencesAreWaypoints) {
    ReaderRun r;
    r.read(readNmea, summed("$GPRMC,100000,A,5201.000,N,00500.000,E,0,0,010609,,*00\r\n"
                            "$GPWPL,5230.000,N,00130.000,W,HOME*00\r\n"
                            "$GPRMC,100001,A,5202.000,N,00500.000,E,0,0,010609,,*00\r\n"
                            "$GPWPL,,N,00130.000,W,NOWHERE*00\r\n"));
    ASSERT_EQ(r.tracks.size(), 1u);
    EXPECT_EQ(r.tracks[0].lat.size(), 2u);
    ASSERT_EQ(r.waypoints.size(), 1u);
    EXPECT_EQ(r.waypoints[0].name, "HOME-1");
    EXPECT_EQ(r.waypoints[0].at.lat, degreesToSemicircles(52.5));
    EXPECT_EQ(r.waypoints[0].at.lon, degreesToSemicircles(-1.5));
    EXPECT_EQ(r.ctx.run.impossibleWaypoints, 1);  // the one without a latitude

    // In UTF-16, characters beyond U+FFFF (surrogate pairs) keep their UTF-8 form.
    ReaderRun wide;
    wide.read(readNmea, utf16(summed("$GPWPL,5230.000,N,00130.000,W,H\u00f6he \U0001F600*00\r\n")));
    ASSERT_EQ(wide.waypoints.size(), 1u);
    EXPECT_EQ(wide.waypoints[0].name, "H\u00f6he \U0001F600-1");
}

// Sentences that give no usable point: a check sum that does not match, a void fix, a GGA without
// a fix, a latitude beyond the pole, a value that is no number. Fixes without a point are left
// out silently; the others are counted in the track's note.
TEST(NmeaReader, UnusableSentencesAreLeftOutAndCounted) {
    const std::string good = summed("$GPRMC,100000,A,5201.000,N,00500.000,E,0,0,010609,,*00\r\n"
                                    "$GPRMC,100010,A,5202.000,N,00500.000,E,0,0,010609,,*00\r\n");
    struct Case {
        const char* what;
        std::string line;
        const char* note;  // "" for none
    };
    const Case cases[] = {
        {"check sum", "$GPRMC,100005,A,5205.000,N,00500.000,E,0,0,010609,,*7F\r\n",
         "1 point with impossible coordinates was left out of base-1"},
        {"void fix", summed("$GPRMC,100005,V,5205.000,N,00500.000,E,0,0,010609,,*00\r\n"), ""},
        {"no GGA fix", summed("$GPGGA,100005,5205.000,N,00500.000,E,0,00,,,M,,M,,*00\r\n"), ""},
        {"latitude 95", summed("$GPRMC,100005,A,9500.000,N,00500.000,E,0,0,010609,,*00\r\n"
                               "$GPGGA,100006,9500.000,N,00500.000,E,1,05,1.6,1.0,M,0,M,,*00\r\n"),
         "2 points with impossible coordinates were left out of base-1"},
        {"abc", summed("$GPRMC,100005,A,abc,N,00500.000,E,0,0,010609,,*00\r\n"
                       "$GPRMC,100006,A,5205.000,N,00500.0x0,E,0,0,010609,,*00\r\n"),
         "2 points with impossible coordinates were left out of base-1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::RecordingNotifier notes;
        ReaderRun r;
        r.ctx.notifier = &notes;
        r.read(readNmea, good.substr(0, good.find('\n') + 1) + c.line + good.substr(good.find('\n') + 1));
        ASSERT_EQ(r.tracks.size(), 1u);
        EXPECT_EQ(r.tracks[0].lat, (std::vector<int32_t>{degreesToSemicircles(52 + 1 / 60.0),
                                                         degreesToSemicircles(52 + 2 / 60.0)}));
        if (*c.note == '\0') {
            EXPECT_TRUE(notes.entries.empty());
        } else {
            EXPECT_EQ(notes.entries.size(), 1u);
            for (const auto& entry : notes.entries) EXPECT_EQ(entry.text, c.note);
        }
    }
}

TEST(NmeaReader, AnyTalkerGgaFixesAndCenturies) {
    struct Point {
        double lat;
        int64_t time;  // 0: none
        double alt;    // < -1000: none
    };
    const double none = -9999;
    struct Case {
        const char* what;
        std::string log;
        std::vector<Point> points;
    };
    const std::vector<Case> cases = {
        {"talkers",
         "$GNRMC,100000,A,5201.000,N,00500.000,E,0,0,010609,,*00\r\n"
         "$GNGGA,100000,5201.000,N,00500.000,E,1,05,1.6,7.5,M,0,M,,*00\r\n"
         "$GLRMC,100001,A,5202.000,N,00500.000,E,0,0,010609,,*00\r\n"
         "$GARMC,100002,A,5203.000,N,00500.000,E,0,0,010609,,*00\r\n"
         "$GBRMC,100003,A,5204.000,N,00500.000,E,0,0,010609,,*00\r\n"
         "$BDRMC,100004,A,5205.000,N,00500.000,E,0,0,010609,,*00\r\n"
         "$PGRMC,100005,A,5206.000,N,00500.000,E,0,0,010609,,*00\r\n"
         "$gpRMC,100006,A,5207.000,N,00500.000,E,0,0,010609,,*00\r\n",
         {{52 + 1 / 60.0, utc(2009, 6, 1, 10, 0, 0), 7.5},
          {52 + 2 / 60.0, utc(2009, 6, 1, 10, 0, 1), none},
          {52 + 3 / 60.0, utc(2009, 6, 1, 10, 0, 2), none},
          {52 + 4 / 60.0, utc(2009, 6, 1, 10, 0, 3), none},
          {52 + 5 / 60.0, utc(2009, 6, 1, 10, 0, 4), none}}},
        {"GGA only: no times, fixes without a position left out",
         "$GPGGA,100000,5201.000,N,00500.000,E,1,05,1.6,1.0,M,0,M,,*00\r\n"
         "$GPGSA,A,3,,,,,,,,,,,,,4.9,1.6,4.5*39\r\n"
         "$GNGGA,100001,,,,,0,00,,,M,,M,,*00\r\n"
         "$GNGGA,100002,5202.000,S,00500.000,W,1,05,1.6,,M,0,M,,*00\r\n"
         "$GPGGA,100003,5203.000,N,00500.000,E,1,05,1.6,3.0,M,0,M,,*00",
         {{52 + 1 / 60.0, 0, 1.0}, {-(52 + 2 / 60.0), 0, none}, {52 + 3 / 60.0, 0, 3.0}}},
        {"GGA fixes dated by the next RMC, across midnight",
         "$GPGGA,235958,5201.000,N,00500.000,E,1,05,1.6,1.0,M,0,M,,*00\r\n"
         "$GPGGA,235959,5202.000,N,00500.000,E,1,05,1.6,2.0,M,0,M,,*00\r\n"
         "$GPGGA,000001,5203.000,N,00500.000,E,1,05,1.6,3.0,M,0,M,,*00\r\n"
         "$GPRMC,000001,A,5203.000,N,00500.000,E,0,0,020609,,*00\r\n"
         "$GPGGA,000002,5204.000,N,00500.000,E,1,05,1.6,4.0,M,0,M,,*00\r\n",
         {{52 + 1 / 60.0, utc(2009, 6, 1, 23, 59, 58), 1.0},
          {52 + 2 / 60.0, utc(2009, 6, 1, 23, 59, 59), 2.0},
          {52 + 3 / 60.0, utc(2009, 6, 2, 0, 0, 1), 3.0},
          {52 + 4 / 60.0, 0, 4.0}}},
        {"two-digit years",
         "$GPRMC,100000,A,5201.000,N,00500.000,E,0,0,070898,,*00\r\n"
         "$GPRMC,100000,A,5202.000,N,00500.000,E,0,0,010180,,*00\r\n"
         "$GPRMC,100000,A,5203.000,N,00500.000,E,0,0,311279,,*00\r\n"
         "$GPRMC,100000,A,5204.000,N,00500.000,E,0,0,010137,,*00\r\n",
         {{52 + 1 / 60.0, utc(1998, 8, 7, 10, 0, 0), none},
          {52 + 2 / 60.0, utc(1980, 1, 1, 10, 0, 0), none},
          {52 + 3 / 60.0, 0, none},
          {52 + 4 / 60.0, utc(2037, 1, 1, 10, 0, 0), none}}},
        {"GGA fixes dated by a ZDA, before and after it and across midnight",
         "$GPGGA,235958,5201.000,N,00500.000,E,1,05,1.6,1.0,M,0,M,,*00\r\n"
         "$GPZDA,235959.00,01,06,2009,00,00*00\r\n"
         "$GPGGA,235959,5202.000,N,00500.000,E,1,05,1.6,2.0,M,0,M,,*00\r\n"
         "$GPGGA,000001,5203.000,N,00500.000,E,1,05,1.6,3.0,M,0,M,,*00\r\n",
         {{52 + 1 / 60.0, utc(2009, 6, 1, 23, 59, 58), 1.0},
          {52 + 2 / 60.0, utc(2009, 6, 1, 23, 59, 59), 2.0},
          {52 + 3 / 60.0, utc(2009, 6, 2, 0, 0, 1), 3.0}}},
        {"a fix at 23:59:59 stays on its day when the next day's ZDA dates it",
         "$GPGGA,235959,5201.000,N,00500.000,E,1,05,1.6,1.0,M,0,M,,*00\r\n"
         "$GPZDA,000000.00,02,06,2009,00,00*00\r\n"
         "$GPGGA,000001,5202.000,N,00500.000,E,1,05,1.6,2.0,M,0,M,,*00\r\n",
         {{52 + 1 / 60.0, utc(2009, 6, 1, 23, 59, 59), 1.0}, {52 + 2 / 60.0, utc(2009, 6, 2, 0, 0, 1), 2.0}}},
        {"UTF-16 with its byte-order mark",
         utf16(summed("$GPRMC,100000,A,5201.000,N,00500.000,E,0,0,010609,,*00\r\n"
                      "$GPRMC,100001,A,5202.000,N,00500.000,E,0,0,010609,,*00\r\n")),
         {{52 + 1 / 60.0, utc(2009, 6, 1, 10, 0, 0), none}, {52 + 2 / 60.0, utc(2009, 6, 1, 10, 0, 1), none}}},
    };
    ScopedTimeZone tz("CET-1CEST,M3.5.0,M10.5.0/3");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReaderRun r;
        EXPECT_EQ(r.read(readNmea, summed(c.log)), kReadDone);
        ASSERT_EQ(r.tracks.size(), 1u);
        const auto& t = r.tracks[0];
        ASSERT_EQ(t.lat.size(), c.points.size());
        for (size_t i = 0; i < c.points.size(); ++i) {
            EXPECT_EQ(t.lat[i], degreesToSemicircles(c.points[i].lat)) << i;
            EXPECT_EQ(t.time[i], c.points[i].time) << i;
            EXPECT_EQ(t.altValid[i], c.points[i].alt > -1000 ? 1 : 0) << i;
            if (c.points[i].alt > -1000) {
                EXPECT_EQ(t.alt[i], c.points[i].alt) << i;
            }
        }
    }
}

// Every second around each offset change of two years, and a second every hour and a bit over
// those years, in zones with whole-hour, half-hour and non-daylight offset changes: GPX/TCX text times
// and NMEA field times come back as the instant itself, with the zone's local fields.
TEST(StoredTimeFromUtc, EveryInstantComesBackAsItselfInEveryZone) {
    for (const char* zone : {"Europe/Amsterdam", "America/New_York", "Australia/Lord_Howe", "America/St_Johns",
                             "Pacific/Auckland", "Europe/Moscow", "CET-1CEST,M3.5.0,M10.5.0/3"}) {
        ScopedTimeZone tz(zone);
        size_t failures = 0;
        const auto check = [&](time_t t) {
            std::tm u{}, want{}, got{};
            gmtime_r(&t, &u);
            localtime_r(&t, &want);
            char text[80];
            std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", u.tm_year + 1900, u.tm_mon + 1,
                          u.tm_mday, u.tm_hour, u.tm_min, u.tm_sec);
            const int32_t fromText = scan::utcTextToTime(text, &got);
            const int32_t fromFields =
                storedTimeFromUtc(u.tm_year + 1900, u.tm_mon + 1, u.tm_mday, u.tm_hour, u.tm_min, u.tm_sec);
            if ((fromText != t || fromFields != t || got.tm_hour != want.tm_hour || got.tm_isdst != want.tm_isdst) &&
                ++failures <= 3)
                ADD_FAILURE() << zone << " " << text << ": text " << fromText << ", fields " << fromFields
                              << ", want " << t;
        };
        int changes = 0;
        for (int year : {2014, 2021}) {
            const time_t from = utc(year, 1, 1, 0, 0, 0), to = utc(year + 1, 1, 1, 0, 0, 0);
            for (time_t t = from; t < to; t += 3607) check(t);
            std::tm before{}, after{};
            for (time_t h = from; h < to; h += 1800) {
                const time_t next = h + 1800;
                localtime_r(&h, &before);
                localtime_r(&next, &after);
                if (before.tm_gmtoff == after.tm_gmtoff) continue;
                ++changes;
                for (time_t t = h - 3600; t < next + 3600; ++t) check(t);
            }
        }
        EXPECT_GT(changes, 0) << zone << " has no offset change: is the zone data installed?";
    }
}

TEST(StoredTimeFromUtc, RoundTripsOutsideTheDaylightSavingChange) {
    ScopedTimeZone tz("CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(storedTimeFromUtc(2012, 7, 1, 12, 0, 0), utc(2012, 7, 1, 12, 0, 0));
    EXPECT_EQ(storedTimeFromUtc(2012, 1, 1, 0, 0, 0), utc(2012, 1, 1, 0, 0, 0));
    EXPECT_EQ(storedTimeFromUtc(2012, 0, 1, 0, 0, 0), 0);
    EXPECT_EQ(storedTimeFromUtc(2040, 1, 1, 0, 0, 0), 0);
    EXPECT_EQ(storedTimeFromUtc(1960, 1, 1, 0, 0, 0), 0);
}

}  // namespace
}  // namespace trakor

namespace trakor {
namespace {

// The desktop program runs in the user's locale, where the decimal point may be a comma: the
// numbers of a log are read with a point all the same.
TEST(NmeaReader, NumbersReadTheSameInALocaleWithADecimalComma) {
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    const char* comma = nullptr;
    for (const char* name : {"de_DE.UTF-8", "nl_NL.UTF-8", "fr_FR.UTF-8", "de_DE.utf8", "nl_NL.utf8", "de_DE"})
        if (std::setlocale(LC_NUMERIC, name) != nullptr && std::localeconv()->decimal_point[0] == ',') {
            comma = name;
            break;
        }
    if (comma == nullptr) {
        std::setlocale(LC_NUMERIC, before.c_str());
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    ReaderRun r;
    r.read(readNmea, summed("$GPGGA,100000,5212.3456,N,00507.8910,E,1,05,1.6,1.25e2,M,0,M,,*00\r\n"
                            "$GPRMC,100000,A,5212.3456,N,00507.8910,E,0,0,010609,,*00\r\n"
                            "$GPRMC,100001,A,5212.5,N,00507.5,W,0,0,010609,,*00\r\n"));
    std::setlocale(LC_NUMERIC, before.c_str());
    ASSERT_EQ(r.tracks.size(), 1u) << comma;
    EXPECT_EQ(r.tracks[0].lat, (std::vector<int32_t>{degreesToSemicircles(52 + 12.3456 / 60),
                                                     degreesToSemicircles(52 + 12.5 / 60)}));
    EXPECT_EQ(r.tracks[0].lon, (std::vector<int32_t>{degreesToSemicircles(5 + 7.8910 / 60),
                                                     degreesToSemicircles(-(5 + 7.5 / 60))}));
    EXPECT_EQ(r.tracks[0].alt[0], 125.0);
}

TEST(NmeaReader, DamagedLogsReadWithoutFault) {
    TRAKOR_CORPUS_OR_SKIP(path, "nmeadate.nmea");
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readWholeFile(path, bytes));
    for (const auto& damaged : test::damagedCopies(bytes, 250)) {
        ReaderRun r;
        EXPECT_EQ(r.read(readNmea, damaged), kReadDone);
        for (const auto& t : r.tracks)
            for (int32_t lat : t.lat) EXPECT_LE(std::abs(semicirclesToDegrees(lat)), 180.0);
    }
}

}  // namespace
}  // namespace trakor
