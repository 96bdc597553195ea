// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a copy of the built trakor3-cli from its own temporary folder, so it runs portable with its
// INI file and work files there and tests do not share them.
#pragma once

#include <filesystem>
#include <string>

#include "testsupport/testsupport.h"

namespace trakor::test {

class CliTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string out, err;
    std::string program;
    std::string locale = "C";  // LC_ALL of the runs

    void SetUp() override {
        std::filesystem::create_directory(dir.file("bin"));
        std::filesystem::create_directory(dir.file("run"));
        program = dir.file("bin/trakor3-cli");
        std::filesystem::copy_file(std::string(TRAKOR_PROGRAM_DIR) + "/trakor3-cli", program);
    }
    std::string binFile(const std::string& name) const { return dir.file("bin/" + name); }

    // The command line that runs the program with `args` in the test folder, its environment kept there.
    std::string command(const std::string& args) const {
        return "cd " + quote(dir.path().string()) + " && env -u WINEPREFIX HOME=" + quote(dir.file("home")) +
               " XDG_DATA_HOME=" + quote(dir.file("data")) + " XDG_CONFIG_HOME=" + quote(dir.file("config")) +
               " XDG_RUNTIME_DIR=" + quote(dir.file("run")) + " LC_ALL=" + locale + " " + quote(program) + " " + args;
    }
    // Runs it; standard output in `out`, standard error in `err`.
    int cli(const std::string& args) {
        std::string errFile = dir.file("stderr.txt");
        out.clear();
        int rc = runCommand(command(args) + " 2>" + quote(errFile), &out);
        err = readFile(errFile);
        return rc;
    }
    std::string makeFile(const std::string& name, const std::string& content = "x") {
        writeFile(dir.file(name), content);
        return dir.file(name);
    }
};

}  // namespace trakor::test
