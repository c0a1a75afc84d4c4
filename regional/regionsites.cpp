// SPDX-License-Identifier: GPL-3.0-or-later
#include "regional/regionsites.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "analysis/calculation.h"
#include "files/datafile.h"
#include "files/errors.h"
#include "import/importer.h"
#include "analysis/record.h"

namespace fs = std::filesystem;

namespace zarn {

namespace {

std::string Trim(const std::string& s) {
    const std::size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return {};
    const std::size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

bool IsDatFile(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".dat";
}

// The values of a data file or of a download, refused as the at-site analysis refuses them.
std::vector<double> SiteValues(const RegionEntry& e) {
    std::vector<double> values(kSampleCapacity);
    DataFileSource source;
    int n = 0;
    if (!e.Import) {
        n = ReadDataFile(e.Path, values.data(), &source);
    } else {
        const ImportResult imported = ImportSeries(e.Path, ImportOptions{});
        for (const ImportedYear& year : imported.Kept) {
            if (n >= kSampleCapacity) throw ZarnError(kTooManyValuesText);
            double v;
            if (!ParseDecimal(year.Value, v)) throw ZarnError(std::string(kInvalidNumericText) + " (" + year.Value + ")");
            values[n++] = v;
            source.Lines.push_back(year.Line);
            source.Tokens.push_back(year.Value);
        }
    }
    RefuseUnanalysable(values.data(), n, source);
    // The index-flood method here takes every value as a flood: a year
    // without flow (0), which the at-site analysis sets aside with its
    // probability, leaves the site out of the region.
    for (int i = 0; i < n; ++i) {
        if (values[i] != 0) continue;
        const std::string line = i < static_cast<int>(source.Lines.size()) ? std::to_string(source.Lines[i]) : "?";
        throw ZarnError("O valor da linha " + line + " do arquivo de dados é 0, um ano sem vazão: a análise "
                        "regional não trata anos sem vazão (analise este posto sozinho, com o ajuste para anos secos)");
    }
    values.resize(n);
    return values;
}

}  // namespace

bool ParseDecimal(std::string text, double& v) {
    for (char& c : text)
        if (c == ',') c = '.';
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    v = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && errno == 0 && std::isfinite(v);
}

RegionEntry RegionEntryOf(const std::string& path) {
    return RegionEntry{path, fs::path(path).stem().string(), 0, !IsDatFile(path)};
}

std::vector<RegionEntry> RegionEntriesOf(const std::string& input) {
    std::vector<RegionEntry> entries;
    struct stat st {};
    if (::stat(input.c_str(), &st) != 0) RaiseFileError(errno, input);
    if (S_ISDIR(st.st_mode)) {
        std::vector<std::string> names;
        std::error_code error;
        for (const fs::directory_entry& entry : fs::directory_iterator(input, error))
            if (entry.is_regular_file(error)) names.push_back(entry.path().filename().string());
        if (error) RaiseFileError(error.value(), input);
        std::sort(names.begin(), names.end());
        std::map<std::string, int> seen;  // a repeated name gets "-2", "-3", ...
        for (const std::string& name : names) {
            const std::string path = (fs::path(input) / name).string();
            if (!IsDatFile(path) && !IsImportableFile(path)) continue;
            RegionEntry e = RegionEntryOf(path);
            const int count = ++seen[e.Name];
            if (count > 1) e.Name += "-" + std::to_string(count);
            entries.push_back(e);
        }
        return entries;
    }
    std::ifstream list(input);
    if (!list) RaiseFileError(errno != 0 ? errno : EACCES, input);
    const fs::path folder = fs::path(input).parent_path();
    std::string line;
    int number = 0;
    while (std::getline(list, line)) {
        ++number;
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        line = Trim(line);
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t semi; (semi = line.find(';', start)) != std::string::npos; start = semi + 1)
            fields.push_back(Trim(line.substr(start, semi - start)));
        fields.push_back(Trim(line.substr(start)));
        RegionEntry e = RegionEntryOf(fs::path(fields[0]).is_absolute() || folder.empty() ? fields[0]
                                                                                         : (folder / fields[0]).string());
        if (fields.size() > 1 && !fields[1].empty()) e.Name = fields[1];
        if (fields.size() > 2 && !fields[2].empty() && (!ParseDecimal(fields[2], e.Area) || !(e.Area > 0)))
            throw ZarnError("Linha " + std::to_string(number) + " de " + input + ": a área de drenagem \"" +
                            fields[2] + "\" não é um número positivo");
        entries.push_back(e);
    }
    return entries;
}

RegionSite ReadRegionSite(const RegionEntry& entry) {
    const std::vector<double> values = SiteValues(entry);
    RegionSite s;
    s.Name = entry.Name;
    s.File = entry.Path;
    s.N = static_cast<int>(values.size());
    s.LMoments = SiteLMomentsOf(values.data(), s.N);
    s.Area = entry.Area;
    return s;
}

std::vector<RegionSite> ReadRegionSites(const std::vector<RegionEntry>& entries, std::vector<std::string>& warnings) {
    std::vector<RegionSite> sites;
    for (const RegionEntry& e : entries) {
        try {
            sites.push_back(ReadRegionSite(e));
        } catch (const ZarnError& error) {
            warnings.push_back("Posto " + e.Name + " (" + e.Path + ") deixado de fora: " + error.what());
        }
    }
    return sites;
}

}  // namespace zarn
