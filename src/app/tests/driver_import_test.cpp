// SPDX-License-Identifier: GPL-3.0-or-later
// The Convert action with the real import path: a GPX file and a KMZ archive become GDB files.
#include <zip.h>

#include "app/tests/driver_fixture.h"
#include "gdb/file_header.h"
#include "gdb/records.h"

namespace trakor::test {
namespace {

class ImportDriverTest : public DriverTest {
protected:
    void SetUp() override {
        DriverTest::SetUp();
        DriverCalls real = defaultDriverCalls();
        ASSERT_TRUE(real.importFile);
        ASSERT_TRUE(real.unpackKmz);
        calls.importFile = real.importFile;
        calls.unpackKmz = real.unpackKmz;
        ctx.settings.RemovalDistance = 0;
        ctx.settings.Mode = 0;  // the importers take the option from the setting
    }
    // Names of the track records of a GDB file.
    static std::vector<std::string> trackNames(const std::string& path) {
        std::string bytes = readFile(path);
        const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
        std::vector<std::string> names;
        size_t pos = kNewHeaderLength;
        RecordView rec;
        while (nextRecord(data, bytes.size(), pos, rec)) {
            GdbTrack t;
            if (rec.type == 'T' && parseTrack(rec.data, static_cast<size_t>(rec.length), 'm', t) == kRecordOk)
                names.push_back(t.trkName);
        }
        return names;
    }
};

const char* kGpx = "<?xml version=\"1.0\"?><gpx><trk><name>Ride</name><trkseg>"
                   "<trkpt lat=\"47.1\" lon=\"8.1\"/><trkpt lat=\"47.2\" lon=\"8.2\"/></trkseg></trk></gpx>";

TEST_F(ImportDriverTest, GpxInputBecomesAGdbFile) {
    fileRequest(makeFile("ride.gpx", kGpx), dir.file("ride.gdb"), 0);
    EXPECT_EQ(run(), kDelivered);
    EXPECT_EQ(trackNames(dir.file("ride.gdb")), std::vector<std::string>{"Ride-1"});
}

TEST_F(ImportDriverTest, KmzInputIsExtractedAndRead) {
    zipFile z = zipOpen64(dir.file("trip.kmz").c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(z, nullptr);
    const std::string kml = " <Placemark><name>Trip</name><LineString><coordinates>8.1,47.1 8.2,47.2"
                            "</coordinates></LineString></Placemark>";
    zip_fileinfo fi{};
    ASSERT_EQ(zipOpenNewFileInZip(z, "files/doc.kml", &fi, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 6), ZIP_OK);
    zipWriteInFileInZip(z, kml.data(), static_cast<unsigned>(kml.size()));
    zipCloseFileInZip(z);
    zipClose(z, nullptr);
    fileRequest(dir.file("trip.kmz"), dir.file("trip.gdb"), 0);
    EXPECT_EQ(run(), kDelivered);
    EXPECT_EQ(trackNames(dir.file("trip.gdb")), std::vector<std::string>{"Trip-1"});
    EXPECT_EQ(readFile(dir.file("kmz/files/doc.kml")), kml);
}

}  // namespace
}  // namespace trakor::test
