// SPDX-License-Identifier: GPL-3.0-or-later
// What the package installs beside the program: the manual pages must describe every option the
// program's --help lists, and the bash completion must offer the program's options, values,
// setting names and input files.
#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>

#include "app/driver_messages.h"
#include "app/startup.h"
#include "core/output_types.h"
#include "core/settings.h"
#include "testsupport/testsupport.h"

namespace trakor::test {
namespace {

namespace fs = std::filesystem;

const std::string kProgram = std::string(TRAKOR_PROGRAM_DIR) + "/trakor3-cli";
const std::string kManPage = std::string(TRAKOR_SOURCE_DIR) + "/docs/man/trakor3-cli.1";
const std::string kManPages[] = {kManPage, std::string(TRAKOR_SOURCE_DIR) + "/docs/man/Trakor3.1"};
const std::string kCompletion = std::string(TRAKOR_SOURCE_DIR) + "/data/completion/trakor3-cli";

std::string helpText() {
    std::string out;
    EXPECT_EQ(runCommand(quote(kProgram) + " --help", &out), 0);
    return out;
}

// The option names and the values of fixed choices ("{file,gps}") that a help text mentions.
std::set<std::string> optionsAndChoices(const std::string& help) {
    std::set<std::string> words;
    std::regex option(R"((^|[\s,\[(])(--?[A-Za-z][A-Za-z0-9-]*))");
    for (std::sregex_iterator it(help.begin(), help.end(), option), end; it != end; ++it) words.insert((*it)[2]);
    std::regex choices(R"(:\{([^}]*)\})");
    for (std::sregex_iterator it(help.begin(), help.end(), choices), end; it != end; ++it) {
        std::string list = (*it)[1].str() + ",";
        for (size_t start = 0, comma; (comma = list.find(',', start)) != std::string::npos; start = comma + 1)
            words.insert(list.substr(start, comma - start));
    }
    return words;
}

// The manual page's text as a reader sees it: hyphens, fonts and quotes without their escapes.
std::string manText(const std::string& source) {
    std::string text = std::regex_replace(source, std::regex(R"(\\f[BIRP])"), "");
    text = std::regex_replace(text, std::regex(R"(\\\(lq|\\\(rq)"), "\"");
    text = std::regex_replace(text, std::regex(R"(\\&|\\%)"), "");
    return std::regex_replace(text, std::regex(R"(\\-)"), "-");
}

// The tag lines of the page's items (the line after each .TP or .TQ), where options are described.
std::string itemTags(const std::string& man) {
    std::string tags;
    std::regex tag(R"(\n\.T[PQ][^\n]*\n([^\n]*))");
    for (std::sregex_iterator it(man.begin(), man.end(), tag), end; it != end; ++it) tags += (*it)[1].str() + "\n";
    return tags;
}

// Whether `word` stands in `text` on its own (not as the start of a longer option name).
bool mentions(const std::string& text, const std::string& word) {
    auto isNameChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_'; };
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        bool before = at == 0 || !isNameChar(text[at - 1]);
        bool after = at + word.size() >= text.size() || !isNameChar(text[at + word.size()]);
        if (before && after) return true;
    }
    return false;
}

TEST(ManualPage, DescribesEveryOptionChoiceAndSettingOfTheProgram) {
    const std::string help = helpText();
    const std::set<std::string> words = optionsAndChoices(help);
    // The extraction sees what it must: a drift test that finds no options would pass on anything.
    for (const char* known : {"--help", "-o", "--output", "--set", "--no", "gps", "24"})
        ASSERT_TRUE(words.count(known)) << known << " not found in --help:\n" << help;

    const std::string man = manText(readFile(kManPage));
    const std::string tags = itemTags(man);
    for (const std::string& w : words) {
        if (w[0] == '-')
            EXPECT_TRUE(mentions(tags, w)) << "the manual page has no item for " << w;
        else
            EXPECT_TRUE(mentions(man, w)) << "the manual page lacks the value " << w;
    }
    for (const SettingDef& d : settingTable()) EXPECT_TRUE(mentions(man, d.valueName)) << d.valueName;
    for (const char* section : {".SH EXIT STATUS", ".SH FILES", ".SH ENVIRONMENT"})
        EXPECT_NE(man.find(section), std::string::npos) << section;
}

// The part of `text` from `from` to the next `to` (empty when `from` is not there).
std::string between(const std::string& text, const std::string& from, const std::string& to) {
    const size_t start = text.find(from);
    if (start == std::string::npos) return {};
    return text.substr(start, text.find(to, start + from.size()) - start);
}

// Where the output types are listed, every type of the program's table is named: the description
// and the -o and --output-type entries of --help and the manual page, the desktop program's page
// and the message about an output of no known type, in every language.
TEST(ManualPage, HelpPagesAndMessagesNameEveryOutputType) {
    const std::string help = helpText();
    const std::string man = manText(readFile(kManPage));
    const std::string desktop = manText(readFile(kManPages[1]));
    const std::string language = readFile(std::string(TRAKOR_SOURCE_DIR) + "/data/Trakor3.lng");
    std::regex messageLine(R"(\n[A-Z]{2}\$MSG13 = "[^\n]*)");
    std::vector<std::string> messages = {dmsg::kOutputNotGdbTcx.english};
    for (std::sregex_iterator it(language.begin(), language.end(), messageLine), end; it != end; ++it)
        messages.push_back(it->str());
    ASSERT_EQ(messages.size(), 10u);
    enum Naming { Carries, Ending, Extension };
    const struct {
        const char* where;
        std::string text;
        Naming naming;
    } lists[] = {{"--help description", help.substr(0, help.find("\n\n")), Carries},
                 {"--help -o", between(help, "-o,--output", "\n  -"), Ending},
                 {"--help --output-type", between(help, "--output-type", "\n"), Extension},
                 {"--help footer", between(help, "(--output-type", ")"), Extension},
                 {"page description", between(man, ".SH DESCRIPTION", ".PP"), Carries},
                 {"page -o", between(man, "-o \" FILE\"", ".TP"), Ending},
                 {"page --output-type", between(man, "--output-type \" TYPE\"", ".TP"), Extension},
                 {"desktop page description", between(desktop, ".SH DESCRIPTION", ".PP"), Carries}};
    for (const OutputType& t : kOutputTypes) {
        for (const auto& l : lists) {
            const std::string name = l.naming == Carries  ? t.carries
                                     : l.naming == Ending ? std::string(".") + t.extension
                                                          : t.extension;
            const std::string text = std::regex_replace(l.text, std::regex("\\s+"), " ");  // lines run on
            EXPECT_TRUE(mentions(text, name)) << l.where << " does not name " << name << ":\n" << l.text;
        }
        for (const std::string& m : messages) EXPECT_NE(m.find(t.name), std::string::npos) << m;
    }
}

// Trakor3 is free software under the GPL, version 3 or later, and says so wherever it names its
// licence.
TEST(ManualPage, TheLicenceIsNamedAlike) {
    std::string version;
    EXPECT_EQ(runCommand(quote(kProgram) + " --version", &version), 0);
    const std::string source = TRAKOR_SOURCE_DIR;
    for (const std::string& text : {version, manText(readFile(kManPages[0])), manText(readFile(kManPages[1]))})
        EXPECT_NE(text.find("GPL-3.0-or-later"), std::string::npos) << text;
    EXPECT_NE(readFile(source + "/data/nl.quenby.Trakor3.metainfo.xml").find("<project_license>GPL-3.0-or-later<"),
              std::string::npos);
    EXPECT_NE(readFile(source + "/data/debian/copyright").find("\nFiles: *\nCopyright: 2026 Quenby Software\nLicense: GPL-3+\n"),
              std::string::npos);
    const std::string gpl = readFile(source + "/LICENSE");
    EXPECT_NE(gpl.find("GNU GENERAL PUBLIC LICENSE\n                       Version 3, 29 June 2007"), std::string::npos);
    if (fs::exists("/usr/share/common-licenses/GPL-3")) {
        EXPECT_EQ(gpl, readFile("/usr/share/common-licenses/GPL-3"));
    }
}

#ifdef TRAKOR_DESKTOP_PROGRAM
// Run from the build tree, both programs are portable copies with one settings file and one work
// folder: what the desktop program stores, the command line uses.
TEST(BuildTree, BothProgramsShareTheirSettings) {
    const Paths cli = decidePaths(TRAKOR_CLI_PROGRAM, {}, Environment{}, "/nonexistent-prefix");
    const Paths desktop = decidePaths(TRAKOR_DESKTOP_PROGRAM, {}, Environment{}, "/nonexistent-prefix");
    EXPECT_TRUE(cli.portable());
    EXPECT_EQ(cli.iniFile, desktop.iniFile);
    EXPECT_EQ(cli.workingFolder, desktop.workingFolder);
}
#endif

TEST(ManualPage, FormatsWithoutWarnings) {
    if (!haveProgram("groff")) GTEST_SKIP() << "groff not installed";
    for (const std::string& page : kManPages) {
        std::string out;
        EXPECT_EQ(runCommand("groff -man -ww -z " + quote(page) + " 2>&1", &out), 0) << page;
        EXPECT_EQ(out, "") << page;
    }
}

// Calls the completion function as bash does for the command line `words` (the last one being
// completed) in `folder`, and returns what it offers, sorted unless `asOffered`.
std::vector<std::string> complete(const std::string& folder, const std::vector<std::string>& words,
                                  bool asOffered = false) {
    std::string script = "source " + quote(kCompletion) + "\nCOMP_WORDS=(" + quote(kProgram);
    for (const std::string& w : words) script.append(1, ' ').append(quote(w));
    script += ")\nCOMP_CWORD=" + std::to_string(words.size()) +
              "\n_trakor3_cli\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n"
              // The user's shell options stay as they were.
              "if shopt -q nocasematch; then echo 'nocasematch left on'; fi\n";
    writeFile(folder + "/complete.sh", script);
    std::string out;
    EXPECT_EQ(runCommand("cd " + quote(folder) + " && bash complete.sh", &out), 0) << script;
    std::vector<std::string> offered;
    for (size_t start = 0, nl; (nl = out.find('\n', start)) != std::string::npos; start = nl + 1)
        if (nl > start) offered.push_back(out.substr(start, nl - start));
    if (!asOffered) std::sort(offered.begin(), offered.end());
    return offered;
}

using Words = std::vector<std::string>;

TEST(BashCompletion, OffersOptionsValuesSettingsAndInputFiles) {
    if (!haveProgram("bash")) GTEST_SKIP() << "bash not installed";
    TempDir dir;
    const std::string d = dir.path().string();
    for (const char* f : {"ride.GPX", "route.gdb.bak", "notes.txt", "run.fit", "course.tcx", "my.ini"})
        writeFile(d + "/" + f, "x");
    fs::create_directory(d + "/edge");

    struct Case {
        Words words;
        Words offered;
    };
    const Case cases[] = {
        {{"--ov"}, {"--overwrite-input"}},
        {{"--no-"}, {"--no-filter", "--no-split"}},
        {{"--target", ""}, {"file", "gps", "mapsource", "trainingcenter"}},
        {{"--set", "'Rem"}, {"'Removal Distance=", "'Removal Glitches="}},
        {{"--set", "Turn"}, {"Turn\\ Warnings="}},
        {{"--split", ""}, {}},
        {{""}, {"course.tcx", "edge", "ride.GPX", "route.gdb.bak", "run.fit"}},
        {{"run.fit", "r"}, {"ride.GPX", "route.gdb.bak", "run.fit"}},
        {{"-o", ""}, {"course.tcx", "edge", "ride.GPX", "run.fit"}},  // GPX and FIT are outputs too
        {{"--ini", ""}, {"edge", "my.ini"}},
        {{"--gps-drive", ""}, {"edge"}},
        {{"--clipboard-block", "in.blk", "n"}, {"notes.txt"}},
        {{"--log", "n"}, {"notes.txt"}},
    };
    for (const Case& c : cases) EXPECT_EQ(complete(d, c.words), c.offered) << "after: " << c.words.front() << " ...";

    // Values in the order offered: numbers as numbers. Bash breaks "--option=1" into "--option",
    // "=" and "1" and replaces the "1"; where "=" breaks no words, the whole word is replaced.
    const Case values[] = {
        {{"--option", "2"}, {"2", "21", "22", "23", "24"}},
        {{"--option", ""}, {"0", "1", "2", "3", "4", "11", "12", "13", "14", "15", "21", "22", "23", "24"}},
        {{"--option", "="}, {"0", "1", "2", "3", "4", "11", "12", "13", "14", "15", "21", "22", "23", "24"}},
        {{"--option", "=", "1"}, {"1", "11", "12", "13", "14", "15"}},
        {{"--option=1"}, {"--option=1", "--option=11", "--option=12", "--option=13", "--option=14", "--option=15"}},
        {{"--units", "="}, {"km", "mi"}},
        {{"--units=m"}, {"--units=mi"}},
        {{"--target", ""}, {"file", "gps", "mapsource", "trainingcenter"}},
        {{"--output-type", "="}, {"fit", "gdb", "gpx", "tcx"}},
    };
    for (const Case& c : values) {
        std::string line;
        for (const std::string& w : c.words) line += w + " ";
        EXPECT_EQ(complete(d, c.words, true), c.offered) << "completing: " << line;
    }

    // Every option of --help, and every setting name, can be completed.
    Words options;
    for (const std::string& w : optionsAndChoices(helpText()))
        if (w[0] == '-') options.push_back(w);
    EXPECT_EQ(complete(d, {"-"}), options);
    Words settings;
    for (const SettingDef& d : settingTable())
        settings.push_back(std::regex_replace(std::string(d.valueName), std::regex(" "), "\\ ") + "=");
    std::sort(settings.begin(), settings.end());
    EXPECT_EQ(complete(d, {"--set", ""}), settings);
}

}  // namespace
}  // namespace trakor::test
