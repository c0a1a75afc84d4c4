// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for the rule engine's command-line program: it records the
// directory it was started in and its arguments, one a line, in
// "standin-record.txt" there, and ends. The file appears whole (written
// beside it, then renamed) so a waiting test never reads half of it.
#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char* argv[]) {
    std::error_code error;
    const std::filesystem::path cwd = std::filesystem::current_path(error);
    {
        std::ofstream out("standin-record.tmp", std::ios::binary | std::ios::trunc);
        out << cwd.string() << '\n';
        for (int i = 1; i < argc; ++i) out << argv[i] << '\n';
        if (!out) return 1;
    }
    return std::rename("standin-record.tmp", "standin-record.txt") == 0 ? 0 : 1;
}
