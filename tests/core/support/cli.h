// The batch tool as a user runs it, for the tests: its exit status and what
// it wrote on standard output and standard error.
#pragma once

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

}  // namespace zarn::testing
