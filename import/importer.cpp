// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/importer.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>

#include "files/errors.h"
#include "files/filewrite.h"
#include "import/importtext.h"

namespace zarn {

using namespace importing;

namespace {

// The format of decoded lines: a HidroWeb column line anywhere; a first line
// (not a comment) starting with agency_cd; otherwise a table.
ImportFormat FormatOfLines(const std::vector<std::string>& lines) {
    if (FindHidroWebColumnLine(lines) >= 0) return ImportFormat::HidroWeb;
    for (const auto& l : lines) {
        if (IsBlank(l) || l[0] == '#') continue;
        return Trim(l).substr(0, 9) == "agency_cd" ? ImportFormat::Usgs : ImportFormat::Table;
    }
    return ImportFormat::Table;
}

}  // namespace

ImportFormat DetectImportFormat(std::string_view bytes) { return FormatOfLines(SplitLines(Decode(bytes).Text)); }

// ImportText: decodes the bytes, picks the format (or takes the one given)
// and reads it. ZarnError with the line and the text on the first fault.
ImportResult ImportText(std::string_view bytes, const ImportOptions& o) {
    if (o.YearStart < 0 || o.YearStart > kMonths) throw ZarnError("O mês de início do ano deve ser de 1 a 12");
    if (!(o.MaxMissingPercent >= 0 && o.MaxMissingPercent <= 100))
        throw ZarnError("O limite de falhas deve ficar entre 0 e 100 %");
    if (o.ValueColumn < 0 || o.DateColumn < 0) throw ZarnError("As colunas são contadas a partir de 1");
    ImportResult r;
    const DecodedText decoded = Decode(bytes);
    r.Encoding = decoded.Encoding;
    const auto lines = SplitLines(decoded.Text);
    if (lines.empty() || std::all_of(lines.begin(), lines.end(), [](const std::string& l) { return IsBlank(l); }))
        throw ZarnError("O arquivo está vazio");
    const ImportFormat format = o.Format == ImportFormat::Auto ? FormatOfLines(lines) : o.Format;
    switch (format) {
        case ImportFormat::HidroWeb: ImportHidroWeb(lines, o, r); break;
        case ImportFormat::Usgs: ImportUsgs(lines, o, r); break;
        default: ImportTable(lines, o, r); break;
    }
    if (r.Encoding.rfind("UTF-16", 0) == 0) r.Notes.push_back("Texto em " + r.Encoding + ".");
    AddSeriesNotes(r);
    return r;
}

// ImportSeries: the whole file, then ImportText. File errors carry the
// runtime's texts ("File not found", ...).
ImportResult ImportSeries(const std::string& path, const ImportOptions& options) {
    return ImportText(ReadFileContents(path), options);
}

// ImportedDataText: the kept years, "value<TAB>label" and LF each.
std::string ImportedDataText(const ImportResult& r) {
    std::string text;
    for (const auto& k : r.Kept) text += k.Label.empty() ? k.Value + "\n" : k.Value + "\t" + k.Label + "\n";
    return text;
}

// WriteImportedDataFile: whole or not at all (see ReplaceFileContents).
void WriteImportedDataFile(const ImportResult& r, const std::string& path) {
    if (r.Kept.empty())
        throw ZarnError("Nenhum ano foi mantido (" + std::to_string(r.LeftOut.size()) +
                        " deixados de fora): nada foi gravado");
    ReplaceFileContents(path, ImportedDataText(r), [&](WriteStage, int code) { return FileErrorText(code, path); });
}

// ImportSummary: the format and station, the options that shaped the
// series, the kept years as runs, each left-out year with its reason or
// missing days, then the notes.
std::vector<std::string> ImportSummary(const ImportResult& r) {
    std::vector<std::string> s;
    std::string head = "Formato: " + r.FormatText;
    if (!r.Station.empty()) head += ", estação " + r.Station;
    s.push_back(head + "; texto " + r.Encoding + ".");
    if (r.Format == ImportFormat::HidroWeb) {
        const int end = (r.YearStart + kMonths - 2) % kMonths;  // the month before S
        s.push_back("Ano hidrológico: de 1º de " + std::string(kMonthNames[r.YearStart - 1]) + " ao fim de " +
                    kMonthNames[end] +
                    (r.YearStartAuto ? " (começa no mês de menor média das médias mensais)." : " (escolhido)."));
        s.push_back("Limite de falhas: " + NumberText(r.MaxMissingPercent, 2) + " % dos dias do ano.");
    } else if (r.Format == ImportFormat::Table) {
        std::string t = "Tabela: separador " + std::string(SeparatorText(r.Separator)) + ", decimal " +
                        (r.Decimal == DecimalMark::Comma ? "vírgula" : "ponto") + ", " + std::to_string(r.HeaderLines) +
                        (r.HeaderLines == 1 ? " linha" : " linhas") + " de cabeçalho; valores na coluna " +
                        std::to_string(r.ValueColumn);
        if (r.DateColumn > 0) t += ", datas ou anos na coluna " + std::to_string(r.DateColumn);
        s.push_back(t + ".");
    }
    std::vector<std::string> labels;
    for (const auto& k : r.Kept) labels.push_back(k.Label);
    std::string kept = "Anos mantidos: " + std::to_string(r.Kept.size());
    if (!r.Kept.empty() && !r.Kept.front().Label.empty()) kept += " (" + YearRuns(labels) + ")";
    s.push_back(kept + ".");
    s.push_back("Anos deixados de fora: " + std::to_string(r.LeftOut.size()) + (r.LeftOut.empty() ? "." : ":"));
    for (const auto& l : r.LeftOut) {
        std::string line = "  " + (l.Label.empty() ? "linha " + std::to_string(l.Line) : l.Label) + ": ";
        if (l.MissingDays >= 0)
            line += std::to_string(l.MissingDays) + " dias sem dado de " + std::to_string(l.Days) + " (" +
                    Percent(100.0 * l.MissingDays / l.Days) + " %)";
        else
            line += l.Reason + (l.Line > 0 && !l.Label.empty() ? " (linha " + std::to_string(l.Line) + ")" : "");
        s.push_back(line);
    }
    for (const auto& n : r.Notes) s.push_back(n);
    return s;
}

// ImportPreviewRows: kept and left-out years merged by their place in the
// series; USGS codes spelt out.
std::vector<ImportPreviewRow> ImportPreviewRows(const ImportResult& r) {
    std::vector<std::pair<int, ImportPreviewRow>> rows;
    auto missing = [](int m, int d) { return m < 0 ? std::string() : std::to_string(m) + " de " + std::to_string(d); };
    for (const auto& k : r.Kept) {
        std::string remark;
        if (r.Format == ImportFormat::Usgs)
            for (const auto& c : SplitCodes(k.Codes)) remark += (remark.empty() ? "" : "; ") + c + ": " + PeakCodeText(c);
        else
            remark = k.Codes;
        rows.push_back({k.Order, {true, k.Label, k.Value, k.Date, missing(k.MissingDays, k.Days), remark}});
    }
    for (const auto& l : r.LeftOut)
        rows.push_back({l.Order, {false, l.Label, l.Value, l.Date, missing(l.MissingDays, l.Days), l.Reason}});
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<ImportPreviewRow> out;
    for (auto& [order, row] : rows) out.push_back(std::move(row));
    return out;
}

bool IsImportableFile(const std::string& path) {
    constexpr std::size_t kSniffBytes = 1 << 16;  // bytes of the start of a file that tell a download
    std::string extension = path.size() >= 4 ? path.substr(path.size() - 4) : std::string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".csv" || extension == ".tsv") return true;
    std::ifstream in(path, std::ios::binary);
    std::string head(kSniffBytes, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    const ImportFormat format = DetectImportFormat(head);
    return format == ImportFormat::HidroWeb || format == ImportFormat::Usgs;
}

}  // namespace zarn
