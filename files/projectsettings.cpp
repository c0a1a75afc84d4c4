// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/projectsettings.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <sys/stat.h>

#include "files/errors.h"
#include "files/filewrite.h"

namespace zarn {

namespace {

constexpr const char* kVariableKey = "variavel";
constexpr const char* kUnitKey = "unidade";
constexpr const char* kReturnPeriodsKey = "periodos_de_retorno";
constexpr const char* kZeroCountKey = "zeros";
constexpr const char* kSideFileSuffix = ".zarn";

// Shortest text that reads back to the same double.
std::string RoundTripText(double v) {
    char buffer[32];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
    return ec == std::errc() ? std::string(buffer, end) : std::string("nan");
}

bool ReadDouble(std::string_view text, double& v) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    return ec == std::errc() && end == text.data() + text.size();
}

std::optional<std::vector<double>> ReadPeriods(std::string_view text) {
    std::vector<double> periods;
    while (!text.empty()) {
        const auto semicolon = text.find(';');
        double v;
        if (!ReadDouble(text.substr(0, semicolon), v)) return std::nullopt;
        periods.push_back(v);
        text = semicolon == std::string_view::npos ? std::string_view() : text.substr(semicolon + 1);
    }
    if (periods.empty()) return std::nullopt;
    return periods;
}

}  // namespace

std::string ProjectSettingsPath(const std::string& projectPath) {
    const auto slash = projectPath.find_last_of('/');
    const auto dot = projectPath.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) {
        std::string extension = projectPath.substr(dot);
        for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        if (extension == ".prj") return projectPath.substr(0, dot) + kSideFileSuffix;
    }
    return projectPath + kSideFileSuffix;
}

std::string FormatProjectSettings(const ProjectSettings& s) {
    std::string text = "# ZARN: configurações do estudo, ao lado do arquivo de projeto\n";
    if (s.Variable) text += std::string(kVariableKey) + "=" + *s.Variable + "\n";
    if (s.Unit) text += std::string(kUnitKey) + "=" + *s.Unit + "\n";
    if (s.ReturnPeriods) {
        text += std::string(kReturnPeriodsKey) + "=";
        for (std::size_t i = 0; i < s.ReturnPeriods->size(); ++i)
            text += (i > 0 ? ";" : "") + RoundTripText((*s.ReturnPeriods)[i]);
        text += "\n";
    }
    if (s.ZeroCount) text += std::string(kZeroCountKey) + "=" + std::to_string(*s.ZeroCount) + "\n";
    for (const auto& [key, value] : s.Other) text += key + "=" + value + "\n";
    return text;
}

ProjectSettings ParseProjectSettings(const std::string& text) {
    ProjectSettings s;
    std::size_t start = 0;
    while (start < text.size()) {
        auto end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string::npos || equals == 0) continue;
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (key == kVariableKey) {
            s.Variable = value;
        } else if (key == kUnitKey) {
            s.Unit = value;
        } else if (key == kReturnPeriodsKey) {
            s.ReturnPeriods = ReadPeriods(value);
        } else if (key == kZeroCountKey) {
            int z = 0;
            const auto [p, ec] = std::from_chars(value.data(), value.data() + value.size(), z);
            if (ec == std::errc() && p == value.data() + value.size() && z >= 0) s.ZeroCount = z;
        } else {
            s.Other.emplace_back(key, value);
        }
    }
    return s;
}

ProjectSettings ReadProjectSettings(const std::string& projectPath) {
    const std::string path = ProjectSettingsPath(projectPath);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && errno == ENOENT) return {};
    return ParseProjectSettings(ReadFileContents(path));
}

void WriteProjectSettings(const std::string& projectPath, const ProjectSettings& settings) {
    const std::string path = ProjectSettingsPath(projectPath);
    ReplaceFileContents(path, FormatProjectSettings(settings),
                        [&](WriteStage, int code) { return FileErrorText(code, path); });
}

}  // namespace zarn
