// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "app/language.h"
#include "core/context.h"
#include "testsupport/testsupport.h"

namespace trakor {
namespace {

struct LanguageTest : ::testing::Test {
    int32_t language = 2;
    LanguageFile file{language};
    std::string find(std::string_view key, size_t limit = 256) { return file.lookup(key, limit); }
};

TEST_F(LanguageTest, CurrentLanguageThenEnglishThenTheKey) {
    file.setText("; Trakor3 language file\n"
                 "EN$MSG15 = \"Input file not found\"\n"
                 "NL$MSG15 = \"Invoerbestand niet gevonden\"\n"
                 "EN$MSG16 = \"Only English\"\n"
                 "DE$MSG15 \"Eingabedatei fehlt\"\n");
    EXPECT_EQ(find("$MSG15"), "Invoerbestand niet gevonden");
    EXPECT_EQ(find("$MSG16"), "Only English");
    EXPECT_EQ(find("$MSG17"), "$MSG17");
    language = 3;  // a change of the setting applies to the next lookup
    EXPECT_EQ(find("$MSG15"), "Eingabedatei fehlt");
    language = 4;
    EXPECT_EQ(find("$MSG15"), "Input file not found");
    language = 12;  // no such language: the English entries
    EXPECT_EQ(find("$MSG15"), "Input file not found");
    language = -1;
    EXPECT_EQ(find("$MSG16"), "Only English");
    LanguageFile empty{language};  // no file loaded: keys
    EXPECT_EQ(empty.lookup("$GDB02", 32), "$GDB02");
}

TEST_F(LanguageTest, TagsAnywhereAndTheFirstOccurrenceWithAQuoteCounts) {
    file.setText("NL$MSG20 has no text on this line\n"
                 "remark: see NL$MSG20 = \"found mid-line\" and more \"text\"\n"
                 "NL$MSG20 = \"too late\"\n"
                 "xxNL$MSG21\"glued\"\n");
    EXPECT_EQ(find("$MSG20"), "found mid-line");
    EXPECT_EQ(find("$MSG21"), "glued");
}

TEST_F(LanguageTest, EscapesLineEndsAndUnterminatedTexts) {
    file.setText("NL$MSG01 = \"two\\nlines\"\r\n"
                 "NL$MSG02 = \"say \\\"hi\\\" C:\\dir\\\"\r\n"
                 "NL$MSG03 = \"runs to the line end   \r\n"
                 "NL$MSG04 = \"    \r\n"
                 "EN$MSG04 = \"english four\"\r\n"
                 "NL$MSG05 = \"\"\r"
                 "EN$MSG05 = \"english five\"\n"
                 "NL$MSG06 = \"ends with the file");
    EXPECT_EQ(find("$MSG01"), "two\r\nlines");
    EXPECT_EQ(find("$MSG02"), "say \"hi\" C:\\dir\"");
    EXPECT_EQ(find("$MSG03"), "runs to the line end   ");
    EXPECT_EQ(find("$MSG04"), "$MSG04");  // blank rest of the line: the key, not the English entry
    EXPECT_EQ(find("$MSG05"), "");        // an empty quoted text is a valid text
    EXPECT_EQ(find("$MSG06"), "ends with the file");
}

TEST_F(LanguageTest, TextsAreCutAtTheCallersMaximumInCharacters) {
    const std::string long300(300, 'x');
    file.setText("NL$GDB02 = \"Bladeren door alle bestanden op de schijf\"\n"
                 "NL$GDB03 = \"Espa\xC3\xB1ol espa\xC3\xB1ol\"\n"
                 "NL$GDB04 = \"ab\\ncd\"\n"
                 "NL$GDB05 = \"" + long300 + "\"\n");
    EXPECT_EQ(find("$GDB02", 32), "Bladeren door alle bestanden op ");
    EXPECT_EQ(find("$GDB03", 7), "Espa\xC3\xB1ol");  // characters, not bytes
    EXPECT_EQ(find("$GDB04", 3), "ab");   // a line break that does not fit whole is left out
    EXPECT_EQ(find("$GDB04", 4), "ab\r\n");
    EXPECT_EQ(find("$GDB05", 256), std::string(255, 'x'));
    EXPECT_EQ(find("$GDB05", 64), std::string(64, 'x'));
}

TEST_F(LanguageTest, Windows1252FilesAreConvertedAndUtf8FilesKept) {
    language = 4;
    file.setText("FR$MSG10 = \"Fran\xE7" "ais \x80 \x93ok\x94\"\n");
    EXPECT_EQ(find("$MSG10"), "Fran\xC3\xA7" "ais \xE2\x82\xAC \xE2\x80\x9Cok\xE2\x80\x9D");
    file.setText("\xEF\xBB\xBF" "FR$MSG10 = \"Fran\xC3\xA7" "ais\"\n");
    EXPECT_EQ(find("$MSG10"), "Fran\xC3\xA7" "ais");
    // A cut never splits a character of a converted file either.
    language = 9;
    file.setText("TR$MSG11 = \"T\xFCrk\xE7" "e\"\n");
    EXPECT_EQ(find("$MSG11", 2), "T\xC3\xBC");
}

// Each line on its own: UTF-8 where it is UTF-8, else the code page of its language, so one stray
// byte garbles no other line.
TEST_F(LanguageTest, EachLineIsUtf8OrInTheCodePageOfItsLanguage) {
    file.setText("DE$MSG10 = \"Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC\"\r\n"           // UTF-8
                 "PL$MSG10 = \"\xB3\xF3" "d\x9F \x8C\xB9\"\r\n"                      // Windows-1250
                 "TR$MSG10 = \"\xDE" "ehir \xFD\xF0\xD0\xDD \x80\"\n"                // Windows-1254
                 "FR$MSG10 = \"caf\xE9 \xD0\xDE\xFE\"\n"                             // Windows-1252
                 "; remark with a stray \xFF byte\n"
                 "NL$MSG10 = \"Stra\xC3\x9F" "e\"\n");
    const std::pair<int32_t, const char*> want[] = {
        {3, "Gr\xC3\xB6\xC3\x9F" "e \xE2\x82\xAC"},
        {7, "\xC5\x82\xC3\xB3" "d\xC5\xBA \xC5\x9A\xC4\x85"},
        {9, "\xC5\x9E" "ehir \xC4\xB1\xC4\x9F\xC4\x9E\xC4\xB0 \xE2\x82\xAC"},
        {4, "caf\xC3\xA9 \xC3\x90\xC3\x9E\xC3\xBE"},
        {2, "Stra\xC3\x9F" "e"}};
    for (const auto& [lang, text] : want) {
        language = lang;
        EXPECT_EQ(find("$MSG10"), text) << lang;
    }
}

// An empty translation is what the message shows, not the built-in English text.
TEST_F(LanguageTest, AnEmptyTranslationIsShownEmpty) {
    file.setText("EN$MSG20 = \"File conversion completed!\"\nNL$MSG20 = \"\"\nNL$MSG21 = \"Klaar\"\n");
    Context ctx;
    ctx.settings.Language = 2;
    ctx.texts = &file;
    EXPECT_EQ(messageText(ctx, "$MSG20", "File conversion completed!"), "");
    EXPECT_EQ(messageText(ctx, "$MSG21", "Done"), "Klaar");
    EXPECT_EQ(messageText(ctx, "$MSG22", "Not in the file"), "$MSG22");
    ctx.settings.Language = 0;
    EXPECT_EQ(messageText(ctx, "$MSG20", "File conversion completed!"), "File conversion completed!");
}

TEST(InitialLanguage, FollowsTheMessagesLocale) {
    EXPECT_EQ(languageForLocale("nl_BE.UTF-8"), 2);
    EXPECT_EQ(languageForLocale("de_CH"), 3);
    EXPECT_EQ(languageForLocale("fr_CA.UTF-8"), 4);
    EXPECT_EQ(languageForLocale("pt_BR"), 5);
    EXPECT_EQ(languageForLocale("it_IT@euro"), 6);
    EXPECT_EQ(languageForLocale("pl_PL"), 7);
    EXPECT_EQ(languageForLocale("es_MX"), 8);
    EXPECT_EQ(languageForLocale("tr_TR.UTF-8"), 9);
    EXPECT_EQ(languageForLocale("en_GB"), 1);
    EXPECT_EQ(languageForLocale("ja_JP"), 1);
    EXPECT_EQ(languageForLocale("C.UTF-8"), 1);
    EXPECT_EQ(languageCode(1), "EN");
    EXPECT_EQ(languageCode(9), "TR");
    EXPECT_EQ(languageCode(0), "");
    EXPECT_EQ(languageCode(10), "");

    Context ctx;
    Environment env;
    env.vars["LANG"] = "de_DE.UTF-8";
    chooseInitialLanguage(ctx, env);
    EXPECT_EQ(ctx.settings.Language, 3);
    env.vars["LC_MESSAGES"] = "fr_FR";
    chooseInitialLanguage(ctx, env);
    EXPECT_EQ(ctx.settings.Language, 3);  // a chosen language stays
    ctx.settings.Language = 0;
    chooseInitialLanguage(ctx, env);
    EXPECT_EQ(ctx.settings.Language, 4);
}

TEST(LanguageFileLoad, MissingFileFallsBackToBuiltInEnglish) {
    test::TempDir dir;
    Context ctx;
    test::RecordingNotifier notifier;
    ctx.notifier = &notifier;
    ctx.paths.appName = "Other";
    ctx.paths.languageFile = dir.file("Other.lng");
    ctx.settings.Language = 2;
    LanguageFile file(ctx.settings.Language);
    EXPECT_FALSE(loadLanguageFile(ctx, file));
    EXPECT_EQ(ctx.settings.Language, 0);
    ASSERT_EQ(notifier.entries.size(), 1u);
    EXPECT_EQ(notifier.entries[0].key, "Other");
    EXPECT_EQ(notifier.entries[0].text, "Language file could not be found\nInternal language (English) will be used");
    EXPECT_EQ(notifier.entries[0].style, MsgStyle::Plain);
    EXPECT_EQ(messageText(ctx, "$MSG15", "Input file not found"), "Input file not found");
    ctx.settings.Language = 2;  // picked later without a file: the keys show
    EXPECT_EQ(messageText(ctx, "$MSG15", "Input file not found"), "$MSG15");

    test::writeFile(ctx.paths.languageFile, "NL$MSG15 = \"Niet gevonden %s\"\r\n");
    EXPECT_TRUE(loadLanguageFile(ctx, file));
    EXPECT_EQ(ctx.settings.Language, 2);
    EXPECT_EQ(messageText(ctx, "$MSG15", "Input file not found %s"), "Niet gevonden %s");
    ctx.notifier = &notifier;
    notifier.entries.clear();
    tell(ctx, "$MSG15", "Input file not found %s", MsgStyle::Warning, "a.gpx");
    ASSERT_EQ(notifier.entries.size(), 1u);
    EXPECT_EQ(notifier.entries[0].text, "Niet gevonden a.gpx");
}

}  // namespace
}  // namespace trakor
