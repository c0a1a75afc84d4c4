// SPDX-License-Identifier: GPL-3.0-or-later
#include "regional/regionsites.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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


// The lines of a list or table read whole (at most 16 MB), with CR, LF or
// CR LF ends, blanks trimmed and a byte-order mark dropped.
std::vector<std::string> InputLines(const std::string& input, const struct stat& st) {
    constexpr off_t kLargestInput = 16 * 1024 * 1024;
    if (st.st_size > kLargestInput) throw ZarnError(input + ": arquivo grande demais para uma lista de postos (mais de 16 MB)");
    std::ifstream in(input, std::ios::binary);
    if (!in) RaiseFileError(errno != 0 ? errno : EACCES, input);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(Trim(line));
            line.clear();
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(Trim(line));
    return lines;
}

std::vector<std::string> SplitFields(const std::string& line, char separator) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t at; (at = line.find(separator, start)) != std::string::npos; start = at + 1)
        fields.push_back(Trim(line.substr(start, at - start)));
    fields.push_back(Trim(line.substr(start)));
    for (std::string& f : fields)
        if (f.size() >= 2 && f.front() == '"' && f.back() == '"') f = Trim(f.substr(1, f.size() - 2));
    return fields;
}

// Where a table's header puts each column; -1 where it has none.
struct TableColumns {
    char Separator = ',';
    int Name = -1, N = -1, L1 = -1, T = -1, T3 = -1, T4 = -1, T5 = -1, Area = -1;
    bool IsTable() const { return N >= 0 && L1 >= 0 && T >= 0 && T3 >= 0 && T4 >= 0 && T5 >= 0; }
};

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

TableColumns TableHeader(const std::string& line) {
    TableColumns c;
    c.Separator = line.find(';') != std::string::npos ? ';' : line.find('\t') != std::string::npos ? '\t' : ',';
    const std::vector<std::string> fields = SplitFields(line, c.Separator);
    for (int i = 0; i < static_cast<int>(fields.size()); ++i) {
        const std::string f = Lower(fields[i]);
        if (f == "n") c.N = i;
        else if (f == "l1" || f == "mean" || f == "média" || f == "media") c.L1 = i;
        else if (f == "t" || f == "l-cv" || f == "lcv" || f == "l_cv" || f == "tau") c.T = i;
        else if (f == "t3") c.T3 = i;
        else if (f == "t4") c.T4 = i;
        else if (f == "t5") c.T5 = i;
        else if (f.rfind("area", 0) == 0 || f.rfind("área", 0) == 0) c.Area = i;
        else if (f == "site" || f == "name" || f == "id" || f == "posto" || f == "nome" || f == "station") c.Name = i;
    }
    return c;
}

// A row of L-moments; a row that is not one names its line and the reason.
RegionEntry TableRow(const std::string& input, const std::vector<std::string>& fields, const TableColumns& c, int line) {
    const std::string where = "Linha " + std::to_string(line) + " de " + input + ": ";
    auto cell = [&](int column, const char* what) -> const std::string& {
        if (column >= static_cast<int>(fields.size()) || fields[column].empty())
            throw ZarnError(where + "falta o valor de " + what);
        return fields[column];
    };
    auto number = [&](int column, const char* what) {
        double v;
        const std::string& text = cell(column, what);
        if (!ParseDecimal(text, v)) throw ZarnError(where + what + " \"" + text + "\" não é um número decimal");
        return v;
    };
    RegionEntry e;
    e.Path = input;
    e.Given = true;
    e.Line = line;
    e.Name = c.Name >= 0 && c.Name < static_cast<int>(fields.size()) && !fields[c.Name].empty()
                 ? fields[c.Name]
                 : "linha " + std::to_string(line);
    const double n = number(c.N, "n");
    if (n != std::floor(n) || n < 1 || n > kSampleCapacity)
        throw ZarnError(where + "n \"" + fields[c.N] + "\" não é um número inteiro de anos");
    e.N = static_cast<int>(n);
    const int columns[5] = {c.L1, c.T, c.T3, c.T4, c.T5};
    const char* names[5] = {"l1", "t", "t3", "t4", "t5"};
    for (int r = 0; r < 5; ++r) e.LMoments[r] = number(columns[r], names[r]);
    if (c.Area >= 0 && c.Area < static_cast<int>(fields.size()) && !fields[c.Area].empty()) {
        e.Area = number(c.Area, "a área de drenagem");
        if (!(e.Area > 0)) throw ZarnError(where + "a área de drenagem \"" + fields[c.Area] + "\" não é positiva");
    }
    return e;
}

// A site's name or file given on two lines refuses the input, naming both.
void RefuseRepeated(const std::string& input, const std::vector<RegionEntry>& entries) {
    std::map<std::string, int> names, files;
    for (const RegionEntry& e : entries) {
        std::string file;
        if (!e.Given) {
            std::error_code error;
            file = fs::weakly_canonical(e.Path, error).string();
            if (error) file = e.Path;
        }
        const auto name = names.emplace(e.Name, e.Line);
        const auto path = e.Given ? std::make_pair(files.end(), true) : files.emplace(file, e.Line);
        if (!name.second || !path.second) {
            const int first = !name.second ? name.first->second : path.first->second;
            throw ZarnError("Linhas " + std::to_string(first) + " e " + std::to_string(e.Line) + " de " + input +
                            (name.second ? ": o arquivo " + e.Path : ": o posto " + e.Name) + " aparece duas vezes");
        }
    }
}

std::vector<RegionEntry> TableEntries(const std::string& input, const std::vector<std::string>& lines,
                                      std::size_t header, const TableColumns& columns) {
    std::vector<RegionEntry> entries;
    for (std::size_t i = header + 1; i < lines.size(); ++i) {
        if (lines[i].empty() || lines[i][0] == '#') continue;
        entries.push_back(TableRow(input, SplitFields(lines[i], columns.Separator), columns, static_cast<int>(i + 1)));
    }
    RefuseRepeated(input, entries);
    return entries;
}

std::vector<RegionEntry> ListEntries(const std::string& input, const std::vector<std::string>& lines) {
    const fs::path folder = fs::path(input).parent_path();
    std::vector<RegionEntry> entries;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        const int number = static_cast<int>(i + 1);
        if (line.empty() || line[0] == '#') continue;
        const std::vector<std::string> fields = SplitFields(line, ';');
        RegionEntry e = RegionEntryOf(fs::path(fields[0]).is_absolute() || folder.empty() ? fields[0]
                                                                                         : (folder / fields[0]).string());
        e.Line = number;
        if (fields.size() > 1 && !fields[1].empty()) e.Name = fields[1];
        if (fields.size() > 2 && !fields[2].empty() && (!ParseDecimal(fields[2], e.Area) || !(e.Area > 0)))
            throw ZarnError("Linha " + std::to_string(number) + " de " + input + ": a área de drenagem \"" +
                            fields[2] + "\" não é um número positivo");
        entries.push_back(e);
    }
    RefuseRepeated(input, entries);
    return entries;
}
}  // namespace

// Digits with at most one decimal mark and an optional exponent, as people
// type numbers: strtod alone would also take "0x10", "inf" and "nan".
bool ParseDecimal(std::string text, double& v) {
    for (char& c : text)
        if (c == ',') c = '.';
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    int digits = 0, marks = 0;
    for (; i < text.size() && (std::isdigit(static_cast<unsigned char>(text[i])) || text[i] == '.'); ++i)
        text[i] == '.' ? ++marks : ++digits;
    if (digits == 0 || marks > 1) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        const std::size_t first = i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        if (i == first) return false;
    }
    if (i != text.size()) return false;
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
    if (!S_ISREG(st.st_mode)) throw ZarnError(input + ": não é um arquivo comum nem uma pasta");
    const std::vector<std::string> lines = InputLines(input, st);
    std::size_t header = 0;
    while (header < lines.size() && (lines[header].empty() || lines[header][0] == '#')) ++header;
    if (header < lines.size()) {
        const TableColumns columns = TableHeader(lines[header]);
        if (columns.IsTable()) return TableEntries(input, lines, header, columns);
    }
    return ListEntries(input, lines);
}

RegionSite ReadRegionSite(const RegionEntry& entry) {
    RegionSite s;
    s.Name = entry.Name;
    s.File = entry.Path;
    s.Area = entry.Area;
    if (entry.Given) {
        s.N = entry.N;
        s.LMoments = entry.LMoments;
    } else {
        const std::vector<double> values = SiteValues(entry);
        s.N = static_cast<int>(values.size());
        if (s.N >= kRegionalMinimumRecord) s.LMoments = SiteLMomentsOf(values.data(), s.N);
    }
    const std::string refusal = SiteRefusal(s);
    if (!refusal.empty()) throw ZarnError(refusal);
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
