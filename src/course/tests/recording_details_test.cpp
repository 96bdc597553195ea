// SPDX-License-Identifier: GPL-3.0-or-later
// When a unit's recording was made and what it is called, from the start of its bytes.
#include <gtest/gtest.h>

#include <string>

#include "core/civil_time.h"
#include "course/recording_details.h"
#include "testsupport/testsupport.h"

namespace trakor {
namespace {

TEST(RecordingDetails, XmlFilesTellTheirTimeAndName) {
    const int64_t may1 = utcSeconds(2024, 5, 1, 7, 30, 0);
    const struct {
        const char* xml;
        int64_t recorded;
        const char* name;
    } cases[] = {
        // The metadata wins over the points and tracks; namespaces and attribute order do not matter.
        {"<gpx xmlns='http://www.topografix.com/GPX/1/1'><metadata><name>Morning ride</name><time>2024-05-01T07:30:00Z"
         "</time></metadata><trk><name>ACTIVE LOG</name><trkseg><trkpt lat='1' lon='2'><time>2020-01-01T00:00:00Z</time>"
         "</trkpt></trkseg></trk></gpx>",
         may1, "Morning ride"},
        // Without metadata: the first point's time (an offset counted) and the track's name.
        {"<gpx><trk><name>Lunch\trun</name><trkseg><trkpt lat='1' lon='2'><ele>3</ele><time>2024-05-01T09:30:00.5+02:00"
         "</time></trkpt><trkpt lat='1' lon='2'><time>2024-06-01T00:00:00Z</time></trkpt></trkseg></trk></gpx>",
         may1, "Lunch run"},
        {"<TrainingCenterDatabase xmlns='http://www.garmin.com/xmlschemas/TrainingCenterDatabase/v2'><Activities>"
         "<Activity Sport='Biking'><Id>2024-05-01T07:30:00Z</Id><Lap StartTime='2024-05-01T07:31:00Z'/></Activity>"
         "</Activities></TrainingCenterDatabase>",
         may1, "Biking"},
        {"<TrainingCenterDatabase><Courses><Course><Name>Loop</Name><Lap/><Track><Trackpoint><Time>2024-05-01T07:30:00Z"
         "</Time></Trackpoint></Track></Course></Courses></TrainingCenterDatabase>",
         may1, "Loop"},
        // A file cut short gives what its start holds; one that is no XML gives nothing.
        {"<gpx><metadata><time>2024-05-01T07:30:00Z</time></metadata><trk><na", may1, ""},
        {"<gpx><metadata><time>yesterday</time></metadata></gpx>", 0, ""},
        {"not xml at all", 0, ""},
    };
    for (const auto& c : cases) {
        const RecordingDetails d = xmlRecordingDetails(c.xml);
        EXPECT_EQ(d.recorded, c.recorded) << c.xml;
        EXPECT_EQ(d.name, c.name) << c.xml;
    }
}

// A FIT file of a file_id message (time_created) and a sport message (name), big- or little-endian.
std::string fitFile(bool bigEndian, uint32_t created, const std::string& sport) {
    auto u16 = [bigEndian](uint16_t v) {
        return bigEndian ? std::string{char(v >> 8), char(v)} : std::string{char(v), char(v >> 8)};
    };
    auto u32 = [&](uint32_t v) { return bigEndian ? u16(uint16_t(v >> 16)) + u16(uint16_t(v)) : u16(uint16_t(v)) + u16(uint16_t(v >> 16)); };
    std::string records;
    // Definition of local message 0 as file_id: type (enum) and time_created (uint32).
    records += std::string{'\x40', '\0', char(bigEndian)} + u16(0) + std::string{2, 0, 1, 0, 4, 4, char(0x86)};
    records += std::string{'\0', 4} + u32(created);
    // Local message 1 as sport, with a developer field of 2 bytes: sport (enum) and name (string of 16).
    records += std::string{'\x61', '\0', char(bigEndian)} + u16(12) + std::string{2, 0, 1, 0, 3, 16, 7} + std::string{1, 0, 2, 0};
    std::string name = sport;
    name.resize(16, '\0');
    records += std::string{'\x01', 1} + name + "xy";
    std::string header{12, 0x10};
    header += std::string{0, 0};  // profile
    const uint32_t size = static_cast<uint32_t>(records.size());
    header += std::string{char(size), char(size >> 8), char(size >> 16), char(size >> 24)} + ".FIT";
    return header + records + std::string(2, '\0');
}

TEST(RecordingDetails, FitFilesTellTheirTimeAndSport) {
    const uint32_t created = 1083000000;  // seconds since 1989-12-31
    for (bool big : {false, true}) {
        const RecordingDetails d = fitRecordingDetails(fitFile(big, created, "Trail Run"));
        EXPECT_EQ(d.recorded, int64_t{created} + 631065600) << big;
        EXPECT_EQ(d.name, "Trail Run") << big;
    }
    // An invalid time tells nothing; a cut file gives what it holds and reads nothing past its end.
    EXPECT_EQ(fitRecordingDetails(fitFile(false, 0xFFFFFFFF, "Run")).recorded, 0);
    const std::string whole = fitFile(false, created, "Run");
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        const RecordingDetails d = fitRecordingDetails(std::string_view(whole).substr(0, cut));
        EXPECT_TRUE(d.recorded == 0 || d.recorded == int64_t{created} + 631065600) << cut;
    }
    EXPECT_EQ(fitRecordingDetails("<gpx/>").recorded, 0);
    // A real unit's file: the Edge 800's time_created.
    TRAKOR_CORPUS_OR_SKIP(edge, "garmin-edge-800.fit");
    EXPECT_EQ(recordingDetails(edge).recorded, 1334235238);
}

}  // namespace
}  // namespace trakor
