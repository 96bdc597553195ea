// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/environment.h"
#include "platform/file_attributes.h"
#include "platform/locale.h"
#include "testsupport/testsupport.h"

namespace trakor {
namespace {

TEST(Locale, CategoryNameFollowsTheCLibraryPrecedence) {
    Environment env;
    EXPECT_EQ(localeNameFor(env, "LC_MESSAGES"), "C");
    env.vars["LANG"] = "de_DE.UTF-8";
    EXPECT_EQ(localeNameFor(env, "LC_MESSAGES"), "de_DE.UTF-8");
    env.vars["LC_MESSAGES"] = "fr_FR";
    env.vars["LC_ALL"] = "";  // empty counts as unset
    EXPECT_EQ(localeNameFor(env, "LC_MESSAGES"), "fr_FR");
    EXPECT_EQ(localeNameFor(env, "LC_MEASUREMENT"), "de_DE.UTF-8");
    env.vars["LC_ALL"] = "pl_PL";
    EXPECT_EQ(localeNameFor(env, "LC_MESSAGES"), "pl_PL");
}

TEST(Locale, MeasurementSystemAndLanguageOfANames) {
    EXPECT_TRUE(usesUsMeasurement("en_US.UTF-8"));
    EXPECT_TRUE(usesUsMeasurement("es_US"));
    EXPECT_FALSE(usesUsMeasurement("en_GB.UTF-8"));
    EXPECT_FALSE(usesUsMeasurement("de_DE@euro"));
    EXPECT_FALSE(usesUsMeasurement("C"));
    EXPECT_FALSE(usesUsMeasurement("POSIX"));
    EXPECT_FALSE(usesUsMeasurement(""));
    EXPECT_EQ(localeLanguage("de_AT.UTF-8@euro"), "de");
    EXPECT_EQ(localeLanguage("PT_br"), "pt");
    EXPECT_EQ(localeLanguage("tr"), "tr");
    EXPECT_EQ(localeLanguage("C.UTF-8"), "");
    EXPECT_EQ(localeLanguage("POSIX"), "");
}

TEST(FileAttributes, ReadOnlyIsTheOwnerWritePermission) {
    test::TempDir dir;
    const std::string f = dir.file("Trakor3.gdb");
    test::writeFile(f, "x");
    EXPECT_FALSE(isReadOnly(f));
    ASSERT_TRUE(setReadOnly(f));
    EXPECT_TRUE(isReadOnly(f));
    struct stat st {};
    ASSERT_EQ(::stat(f.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0222, 0u);
    ASSERT_TRUE(clearReadOnly(f));
    EXPECT_FALSE(isReadOnly(f));
    EXPECT_TRUE(clearReadOnly(dir.file("missing")));  // nothing to clear
    EXPECT_FALSE(setReadOnly(dir.file("missing")));
    EXPECT_FALSE(isReadOnly(dir.file("missing")));
}

}  // namespace
}  // namespace trakor
