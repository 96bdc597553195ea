#include <sys/stat.h>

#include <filesystem>

#include "platform/atomic_file.h"
#include "testsupport/testsupport.h"

namespace trakor::test {
namespace {

// Content made piece by piece replaces the file whole, or not at all when its maker gives up.
TEST(AtomicFile, PiecesReplaceTheFileOnlyWhenAllAreWritten) {
    TempDir dir;
    const std::string path = dir.file("out.gpx");
    writeFile(path, "old");
    const auto pieces = [](bool giveUp) {
        return [giveUp](const ByteSink& put) { return put("<a>") && put("") && put("</a>") && !giveUp; };
    };
    EXPECT_FALSE(writeFileAtomicallyFrom(path, pieces(true)));
    EXPECT_EQ(readFile(path), "old");
    EXPECT_TRUE(writeFileAtomicallyFrom(path, pieces(false)));
    EXPECT_EQ(readFile(path), "<a></a>");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // no temporary left

    ::chmod(path.c_str(), 0444);
    std::string error;
    EXPECT_FALSE(writeFileAtomicallyFrom(path, pieces(false), &error));
    EXPECT_NE(error.find("read-only"), std::string::npos);
}

}  // namespace
}  // namespace trakor::test
