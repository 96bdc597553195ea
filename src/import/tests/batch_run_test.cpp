#include <cstdio>

#include "import/batch_log.h"
#include "testsupport/testsupport.h"

namespace trakor {
namespace {

// Everything written to a log through a temporary file.
template <typename F>
std::string logged(F write) {
    FILE* f = std::tmpfile();
    write(f);
    std::rewind(f);
    std::string text;
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    return text;
}

TEST(BatchLog, LinesInTheLogFormat) {
    const std::string text = logged([](FILE* f) {
        writeLogHeader(f);
        writeLogFileEntry(f, "/home/ann/rides/monday.fit", kLogNoTracks);
        writeLogFileEntry(f, "short.itn", kLogInvalidFile);
        writeLogFileEntry(f, "/tmp/notes.txt", kLogInvalidFile);
        writeLogFileEntry(f, "/tmp/empty.gpx", kLogNoTracks);
    });
    EXPECT_EQ(text,
              "\"Path\",\"File\",\"T/R\",\"T/R name\",\"Message\"\n"
              "\"/home/ann/rides/\",\"monday.fit\",,,\"No tracks found\"\n"
              "\"\",\"short.itn\",,,\"Invalid file name\"\n"
              "\"/tmp/\",\"notes.txt\",,,\"Invalid file name\"\n"
              "\"/tmp/\",\"empty.gpx\",,,\"No tracks found\"\n");
    // Without a log (single-file mode) nothing is written and nothing fails.
    writeLogFileEntry(nullptr, "/tmp/a.fit", kLogNoTracks);
}

}  // namespace
}  // namespace trakor
