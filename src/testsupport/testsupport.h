// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the test executables.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/context.h"

namespace trakor::test {

// A notifier that records every message and answers questions from a queue (default: No / Cancel).
class RecordingNotifier : public Notifier {
public:
    struct Entry {
        std::string key;
        std::string text;
        MsgStyle style;
    };
    std::vector<Entry> entries;
    std::vector<Answer> answers;

    Answer notify(const std::string& key, const std::string& text, MsgStyle style) override;
    std::vector<std::string> keys() const;
};

// A word for /bin/sh: in single quotes, with each single quote written as '\''.
std::string quote(const std::string& s);

// Path of a file in the shared corpus, or empty when the corpus is absent.
std::string corpusFile(const std::string& name);
// Path of a file in the shared folder (schemas, ...), or empty when absent.
std::string sharedFile(const std::string& relative);

// A fresh folder below the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
// Whether a program is on PATH.
bool haveProgram(const std::string& name);
// Runs a shell command, returns its exit status and captures its standard output.
int runCommand(const std::string& command, std::string* output = nullptr);

// Garmin's official FIT SDK decoding a file (scripts/fit-sdk-decode.mjs): one line per message in
// file order ("record timestamp=... positionLat=..."), after "integrity true|false" and any
// "error ..." lines. Empty when node or the SDK is not installed.
std::string fitSdkDecode(const std::string& path);

}  // namespace trakor::test

// Skips the current test when a corpus file is missing.
#define TRAKOR_CORPUS_OR_SKIP(var, name)                                      \
    const std::string var = ::trakor::test::corpusFile(name);                  \
    if (var.empty()) GTEST_SKIP() << "shared corpus file " << name << " not present"

// Skips the current test when the FIT SDK cannot decode (not installed); else var holds its lines.
#define TRAKOR_FIT_SDK_OR_SKIP(var, path)                                     \
    const std::string var = ::trakor::test::fitSdkDecode(path);                \
    if (var.empty()) GTEST_SKIP() << "the FIT SDK is not installed (scripts/install-deps.sh)"
