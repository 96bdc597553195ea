// SPDX-License-Identifier: GPL-3.0-or-later
#include "testsupport/testsupport.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace trakor::test {

Answer RecordingNotifier::notify(const std::string& key, const std::string& text, MsgStyle style) {
    entries.push_back({key, text, style});
    if (style == MsgStyle::Question || style == MsgStyle::QuestionCancel) {
        if (!answers.empty()) {
            Answer a = answers.front();
            answers.erase(answers.begin());
            return a;
        }
        return style == MsgStyle::Question ? Answer::No : Answer::Cancel;
    }
    return Answer::Ok;
}

std::vector<std::string> RecordingNotifier::keys() const {
    std::vector<std::string> k;
    for (const auto& e : entries) k.push_back(e.key);
    return k;
}

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string sharedFile(const std::string& relative) {
    std::filesystem::path p = std::filesystem::path(TRAKOR_SHARED_DIR) / relative;
    return std::filesystem::exists(p) ? p.string() : std::string();
}

std::string corpusFile(const std::string& name) { return sharedFile("corpus/" + name); }

TempDir::TempDir() {
    std::random_device rd;
    for (;;) {
        path_ = std::filesystem::temp_directory_path() / ("trakor-test-" + std::to_string(rd()));
        if (std::filesystem::create_directory(path_)) break;
    }
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool haveProgram(const std::string& name) {
    return runCommand("command -v " + name + " >/dev/null 2>&1") == 0;
}

int runCommand(const std::string& command, std::string* output) {
    FILE* p = popen(command.c_str(), "r");
    if (!p) return -1;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        if (output) output->append(buf.data(), n);
    int status = pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string fitSdkDecode(const std::string& path) {
    const std::string script = std::string(TRAKOR_SOURCE_DIR) + "/scripts/fit-sdk-decode.mjs";
    if (!haveProgram("node")) return {};
    std::string out;
    if (runCommand("node " + quote(script) + " " + quote(path) + " 2>/dev/null", &out) != 0) return {};
    return out;
}

}  // namespace trakor::test
