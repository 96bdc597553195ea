// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/guarded_map.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace trakor {
namespace {

// A file shortened by another program while it is mapped: the lost pages read as zeros, the
// program goes on, and the mapping says its bytes were cut short. An untouched file is whole.
TEST(GuardedMapping, AFileCutShortWhileMappedReadsAsZerosAndIsReported) {
    char path[] = "/tmp/trakor3-guarded-XXXXXX";
    const int fd = ::mkstemp(path);
    ASSERT_GE(fd, 0);
    const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const std::string bytes(3 * page, 'x');
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));

    GuardedMapping whole;
    ASSERT_TRUE(whole.map(fd, bytes.size()));
    size_t xs = 0;
    for (size_t i = 0; i < whole.size(); ++i) xs += whole.data()[i] == 'x';
    EXPECT_EQ(xs, bytes.size());
    EXPECT_FALSE(whole.shrank());

    GuardedMapping cut;
    ASSERT_TRUE(cut.map(fd, bytes.size()));
    ASSERT_EQ(::ftruncate(fd, static_cast<off_t>(page)), 0);
    size_t zeros = 0;
    xs = 0;
    for (size_t i = 0; i < cut.size(); ++i) {
        zeros += cut.data()[i] == 0;
        xs += cut.data()[i] == 'x';
    }
    EXPECT_EQ(xs, page);
    EXPECT_EQ(zeros, 2 * page);
    EXPECT_TRUE(cut.shrank());
    EXPECT_FALSE(whole.shrank());  // each mapping answers for itself
    ::close(fd);
    ::unlink(path);
}

}  // namespace
}  // namespace trakor
