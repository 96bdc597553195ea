// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/stat.h>
#include <zip.h>

#include <ctime>
#include <filesystem>

#include "import/kmz_archive.h"
#include "import/tests/import_fixture.h"

namespace trakor::test {
namespace {

namespace fs = std::filesystem;

struct Entry {
    std::string name;
    std::string data;
    bool link = false;
    uint64_t statedSize = 0;  // when set, the entry is stored raw with this uncompressed size
};

void makeZip(const std::string& path, const std::vector<Entry>& entries) {
    zipFile z = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(z, nullptr);
    for (const Entry& e : entries) {
        zip_fileinfo fi{};
        fi.tmz_date = {0, 30, 12, 15, 5, 2011};  // 2011-06-15 12:30:00 local
        if (e.link) fi.external_fa = static_cast<uLong>(S_IFLNK | 0777) << 16;
        int raw = e.statedSize ? 1 : 0;
        ASSERT_EQ(zipOpenNewFileInZip4_64(z, e.name.c_str(), &fi, nullptr, 0, nullptr, 0, nullptr, raw ? 0 : Z_DEFLATED,
                                          Z_DEFAULT_COMPRESSION, raw, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY,
                                          nullptr, 0, (3 << 8) | 20, 0, 0),
                  ZIP_OK);
        zipWriteInFileInZip(z, e.data.data(), static_cast<unsigned>(e.data.size()));
        if (raw)
            zipCloseFileInZipRaw64(z, e.statedSize, 0);
        else
            zipCloseFileInZip(z);
    }
    zipClose(z, nullptr);
}

class KmzArchiveTest : public ImportFixture {
protected:
    KmzArchiveTest() {
        ctx.paths.workingFolder = dir.file("work");
        fs::create_directories(ctx.paths.workingFolder);
    }
    TempDir dir;
};

TEST(KmzEntryName, IsMadeRelativeAndKeptInsideTheFolder) {
    EXPECT_EQ(relativeEntryName("doc.kml"), "doc.kml");
    EXPECT_EQ(relativeEntryName("files/doc.kml"), "files/doc.kml");
    EXPECT_EQ(relativeEntryName("files\\..\\doc.kml"), "doc.kml");
    EXPECT_EQ(relativeEntryName("C:\\Users\\x\\doc.kml"), "Users/x/doc.kml");
    EXPECT_EQ(relativeEntryName("//server/doc.kml"), "server/doc.kml");
    EXPECT_EQ(relativeEntryName("/etc/x.kml"), "etc/x.kml");
    EXPECT_EQ(relativeEntryName("../../up.kml"), "up.kml");
    EXPECT_EQ(relativeEntryName("a/b/..\\c/./d.kml"), "c/d.kml");
    EXPECT_EQ(relativeEntryName("a..b/c..kml"), "a..b/c..kml");
    for (const char* folderLike : {"", "/", "files/", "files\\", "a/..", ".", "..", "C:"})
        EXPECT_EQ(relativeEntryName(folderLike), "") << folderLike;
}

TEST_F(KmzArchiveTest, FirstEntryIsExtractedWithItsFoldersAndTime) {
    const std::string kml = " <Placemark><LineString><coordinates>1,1 2,2</coordinates></LineString></Placemark>";
    makeZip(dir.file("a.kmz"), {{"files/doc.kml", kml}, {"other.kml", "x"}});
    std::string path = extractKmz(ctx, dir.file("a.kmz"));
    EXPECT_EQ(path, (fs::path(ctx.paths.workingFolder) / "kmz" / "files" / "doc.kml").string());
    EXPECT_EQ(readFile(path), kml);
    EXPECT_FALSE(fs::exists(fs::path(ctx.paths.workingFolder) / "kmz" / "other.kml"));
    std::tm want{};
    want.tm_year = 111, want.tm_mon = 5, want.tm_mday = 15, want.tm_hour = 12, want.tm_min = 30, want.tm_isdst = -1;
    struct stat st{};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, mktime(&want));
    // Extracting again replaces the file.
    EXPECT_EQ(extractKmz(ctx, dir.file("a.kmz")), path);
    EXPECT_TRUE(notifier.entries.empty());
}

TEST_F(KmzArchiveTest, TracksWithTimesOfAnArchiveAreRead) {
    const std::string kml =
        "<?xml version=\"1.0\"?><kml xmlns:gx=\"http://www.google.com/kml/ext/2.2\"><Placemark><name>Run</name>"
        "<gx:MultiTrack><gx:Track><when>2009-06-01T10:00:00Z</when><when>2009-06-01T10:00:04Z</when>"
        "<gx:coord>5.1 52.3 1</gx:coord><gx:coord>5.2 52.4 2</gx:coord></gx:Track></gx:MultiTrack></Placemark></kml>";
    makeZip(dir.file("phone.kmz"), {{"doc.kml", kml}});
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(readWholeFile(extractKmz(ctx, dir.file("phone.kmz")), bytes));
    EXPECT_EQ(read(readKml, std::string(bytes.begin(), bytes.end())), kReadDone);
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].name, "Run-1");
    ASSERT_EQ(tracks[0].points.size(), 2u);
    EXPECT_EQ(tracks[0].points[1].time - tracks[0].points[0].time, 4);
    EXPECT_NE(tracks[0].points[0].time, 0);
}

// Icons and images often come first in an archive: the document is "doc.kml" at the top, else
// the first entry ending in ".kml", else the first entry.
TEST_F(KmzArchiveTest, TheKmlDocumentIsExtractedWhereverItStands) {
    const std::string kmz = dir.file("b.kmz"), kml = "<kml/>";
    const fs::path folder = fs::path(ctx.paths.workingFolder) / "kmz";
    const struct {
        std::vector<Entry> entries;
        const char* extracted;
    } cases[] = {
        {{{"files/icon.png", "\x89PNG"}, {"files/route.kml", "x"}, {"DOC.KML", kml}}, "DOC.KML"},
        {{{"icon.png", "\x89PNG"}, {"sub/doc.kml", kml}, {"b.KML", "x"}}, "sub/doc.kml"},
        {{{"images/a.jpg", "JFIF"}, {"notes.kmlx", "x"}, {"track.kml", kml}}, "track.kml"},
        {{{"only.bin", kml}, {"more.png", "x"}}, "only.bin"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extracted);
        fs::remove_all(folder);
        fs::remove(kmz);
        makeZip(kmz, c.entries);
        EXPECT_EQ(extractKmz(ctx, kmz), (folder / c.extracted).string());
        EXPECT_EQ(readFile((folder / c.extracted).string()), kml);
        EXPECT_EQ(std::distance(fs::recursive_directory_iterator(folder), fs::recursive_directory_iterator()),
                  std::string_view(c.extracted).find('/') == std::string_view::npos ? 1 : 2);
    }
    EXPECT_TRUE(notifier.entries.empty());
}

TEST_F(KmzArchiveTest, EscapingNamesLandInsideTheExtractionFolder) {
    makeZip(dir.file("a.kmz"), {{"../../../escape.kml", "x"}});
    std::string path = extractKmz(ctx, dir.file("a.kmz"));
    EXPECT_EQ(path, (fs::path(ctx.paths.workingFolder) / "kmz" / "escape.kml").string());
    EXPECT_FALSE(fs::exists(dir.file("escape.kml")));
}

TEST_F(KmzArchiveTest, LinksAreNeverFollowedOrExtracted) {
    fs::create_directories(dir.file("outside"));
    writeFile(dir.file("outside/doc.kml"), "keep");
    fs::create_directories(fs::path(ctx.paths.workingFolder) / "kmz");
    // A planted link as a folder of the entry's path.
    fs::create_directory_symlink(dir.file("outside"), fs::path(ctx.paths.workingFolder) / "kmz" / "files");
    makeZip(dir.file("a.kmz"), {{"files/doc.kml", "new"}});
    EXPECT_EQ(extractKmz(ctx, dir.file("a.kmz")), "");
    EXPECT_EQ(readFile(dir.file("outside/doc.kml")), "keep");
    // A planted link in place of the file is replaced, its target stays.
    fs::create_symlink(dir.file("outside/doc.kml"), fs::path(ctx.paths.workingFolder) / "kmz" / "doc.kml");
    makeZip(dir.file("b.kmz"), {{"doc.kml", "new"}});
    std::string path = extractKmz(ctx, dir.file("b.kmz"));
    ASSERT_FALSE(path.empty());
    EXPECT_FALSE(fs::is_symlink(path));
    EXPECT_EQ(readFile(path), "new");
    EXPECT_EQ(readFile(dir.file("outside/doc.kml")), "keep");
    // An entry that is itself a link.
    makeZip(dir.file("c.kmz"), {{"link.kml", "/etc/passwd", true}});
    EXPECT_EQ(extractKmz(ctx, dir.file("c.kmz")), "");
    EXPECT_FALSE(fs::exists(fs::path(ctx.paths.workingFolder) / "kmz" / "link.kml"));
    EXPECT_EQ(notifier.entries.size(), 2u);
}

TEST_F(KmzArchiveTest, OversizedAndBrokenArchivesAreRefusedWithAMessage) {
    makeZip(dir.file("big.kmz"), {{"big.kml", "tiny", false, kMaxKmzEntryBytes + 1}});
    EXPECT_EQ(extractKmz(ctx, dir.file("big.kmz")), "");
    ASSERT_EQ(notifier.entries.size(), 1u);
    EXPECT_NE(notifier.entries[0].text.find("larger than 256 MiB"), std::string::npos);
    EXPECT_FALSE(fs::exists(fs::path(ctx.paths.workingFolder) / "kmz" / "big.kml"));

    writeFile(dir.file("bad.kmz"), "PK\x03\x04 not really");
    EXPECT_EQ(extractKmz(ctx, dir.file("bad.kmz")), "");
    EXPECT_EQ(extractKmz(ctx, dir.file("missing.kmz")), "");
    makeZip(dir.file("folder.kmz"), {{"files/", ""}});
    EXPECT_EQ(extractKmz(ctx, dir.file("folder.kmz")), "");
    EXPECT_EQ(notifier.entries.size(), 4u);

    // Batch mode: no message boxes, the log reports the file.
    ctx.run.batch = true;
    EXPECT_EQ(extractKmz(ctx, dir.file("bad.kmz")), "");
    EXPECT_EQ(notifier.entries.size(), 4u);
}

}  // namespace
}  // namespace trakor::test
