// SPDX-License-Identifier: GPL-3.0-or-later
// The batch tool as a user runs it, for the tests: its exit status and what
// it wrote on standard output and standard error, run in a scratch folder of
// the test's own.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>

namespace zarn::testing {

struct CliResult {
    int Exit;
    std::string Out;
    std::string Err;
};

inline std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs zarn-cli with `args` (already quoted for the shell); its output goes
// through files in `scratch`.
inline CliResult RunCli(const std::string& args, const std::filesystem::path& scratch) {
    const std::filesystem::path out = scratch / "stdout", err = scratch / "stderr";
    const std::string cmd =
        std::string("'") + ZARN_CLI + "' " + args + " >'" + out.string() + "' 2>'" + err.string() + "'";
    const int status = std::system(cmd.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(out), Slurp(err)};
}

// A test with a scratch folder of its own (dir_), removed afterwards.
class CliTestBase : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("zarn-cli-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    CliResult Run(const std::string& args) { return RunCli(args, dir_); }
    // `name` in the scratch folder, quoted for the shell.
    std::string Path(const std::string& name) const { return "'" + (dir_ / name).string() + "'"; }

    std::filesystem::path dir_;
};

}  // namespace zarn::testing
