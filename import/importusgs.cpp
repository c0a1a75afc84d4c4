// SPDX-License-Identifier: GPL-3.0-or-later
// The USGS reader: annual peak files in RDB (tab-separated) format.
#include "import/importtext.h"

#include <algorithm>
#include <map>
#include <optional>
#include <tuple>

#include "files/datafile.h"
#include "files/errors.h"
#include "files/format.h"

namespace zarn::importing {


// Meaning of the USGS peak discharge qualification codes (peak_cd).
std::string PeakCodeText(const std::string& code) {
    static const std::map<std::string, std::string> texts = {
        {"1", "vazão máxima média diária"},
        {"2", "vazão estimada"},
        {"3", "afetada por ruptura de barragem"},
        {"4", "menor que o valor indicado (mínimo registrável)"},
        {"5", "afetada em grau desconhecido por regularização ou desvio"},
        {"6", "afetada por regularização ou desvio"},
        {"7", "pico histórico"},
        {"8", "maior que o valor indicado"},
        {"9", "devida a degelo, furacão ou ruptura de barragem de gelo ou de detritos"},
        {"A", "ano de ocorrência desconhecido ou incerto"},
        {"Bd", "dia de ocorrência desconhecido ou incerto"},
        {"Bm", "mês de ocorrência desconhecido ou incerto"},
        {"C", "registro afetado por urbanização, mineração, mudanças agrícolas, canalização ou outras"},
        {"D", "vazão de base alterada neste ano"},
        {"E", "só o pico máximo anual disponível neste ano"},
        {"F", "pico fornecido por outra agência"},
        {"O", "valor oportunista, fora da coleta sistemática"},
        {"R", "revisado"},
    };
    const auto it = texts.find(code);
    return it == texts.end() ? "código sem descrição conhecida" : it->second;
}

// The codes of a peak_cd cell ("2,C" gives "2" and "C").
std::vector<std::string> SplitCodes(const std::string& codes) {
    std::vector<std::string> out;
    std::string current;
    for (char c : codes + ",") {
        if (c == ',' || static_cast<unsigned char>(c) <= ' ') {
            if (!current.empty()) out.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    return out;
}

namespace {

// RDB format line: every field a width and a type letter ("5s", "10d").
bool IsFormatLine(const std::vector<std::string>& fields) {
    for (const auto& f : fields) {
        std::size_t i = 0;
        while (i < f.size() && IsDigit(f[i])) ++i;
        if (i == 0 || i + 1 != f.size() || !std::isalpha(static_cast<unsigned char>(f[i]))) return false;
    }
    return !fields.empty();
}

}  // namespace

// ImportUsgs: one value per row from peak_va, in file order; a row without
// peak_va is left out. Each value is labelled with its water year (October
// to September, named by the year it ends in); a month "00" keeps the
// calendar year.
void ImportUsgs(const std::vector<std::string>& lines, const ImportOptions& o, ImportResult& r) {
    std::size_t i = 0;
    auto nextLine = [&]() -> int {
        while (i < lines.size() && (IsBlank(lines[i]) || lines[i][0] == '#')) ++i;
        return i < lines.size() ? static_cast<int>(i++) : -1;
    };
    const int head = nextLine();
    if (head < 0 || Trim(lines[head]).substr(0, 9) != "agency_cd")
        throw ZarnError("Linha de colunas do USGS (agency_cd, site_no, peak_dt, peak_va, ...) não encontrada");
    const auto columns = SplitFields(lines[head], ColumnSeparator::Tab);
    auto column = [&](const char* name) {
        const auto it = std::find(columns.begin(), columns.end(), name);
        return it == columns.end() ? -1 : static_cast<int>(it - columns.begin());
    };
    const int site = column("site_no"), date = column("peak_dt"), value = column("peak_va"), codes = column("peak_cd"),
              gage = column("gage_ht");
    if (value < 0 || date < 0)
        FailAt("O arquivo do USGS não tem as colunas peak_dt e peak_va: não é um arquivo de picos anuais", head + 1,
               lines[head]);
    r.Format = ImportFormat::Usgs;
    r.FormatText = "USGS (picos anuais, RDB)";

    struct Row {
        int Line;
        std::vector<std::string> Fields;
    };
    std::vector<Row> rows;
    const std::size_t afterHead = i;
    const int formatLine = nextLine();
    if (formatLine >= 0 && !IsFormatLine(SplitFields(lines[formatLine], ColumnSeparator::Tab))) i = afterHead;
    for (int k = nextLine(); k >= 0; k = nextLine()) rows.push_back({k + 1, SplitFields(lines[k], ColumnSeparator::Tab)});

    std::vector<std::string> sites;
    auto cell = [](const Row& row, int c) { return c >= 0 && c < static_cast<int>(row.Fields.size()) ? row.Fields[c] : std::string(); };
    for (const auto& row : rows) {
        const std::string s = cell(row, site);
        if (std::find(sites.begin(), sites.end(), s) == sites.end()) sites.push_back(s);
    }
    r.Stations = sites;
    r.Station = ChooseStation(sites, o.Station, "estação");

    std::map<std::string, std::vector<std::string>> codeYears;
    int order = 0;
    for (const auto& row : rows) {
        if (cell(row, site) != r.Station) continue;
        const std::string dateText = cell(row, date);
        const std::string_view d = dateText;
        int y = 0, m = 0, day = 0;
        if (d.size() != 10 || d[4] != '-' || d[7] != '-' || !ReadInt(d.substr(0, 4), y) || !ReadInt(d.substr(5, 2), m) ||
            !ReadInt(d.substr(8, 2), day) || m > kMonths || day > kMaxDaysInMonth ||
            (m != 0 && day != 0 && !ValidDay({y, m, day, false})))  // "00": month or day unknown
            FailAt("Data de pico (peak_dt) inválida", row.Line, dateText);
        CheckYear(y, row.Line, dateText);
        const std::string label = YearText(m >= 10 ? y + 1 : y);
        const std::string text = cell(row, value);
        if (text.empty()) {
            const std::string height = cell(row, gage);
            r.LeftOut.push_back({label, "sem peak_va" + (height.empty() ? std::string() : "; só a cota " + height),
                                 row.Line, order++});
            continue;
        }
        ImportedYear k;
        k.Value = ValueText(text, '.', row.Line);
        k.Label = label;
        k.Date = dateText;
        k.Line = row.Line;
        k.Order = order++;
        k.Codes = cell(row, codes);
        for (const auto& c : SplitCodes(k.Codes)) codeYears[c].push_back(label);
        r.Kept.push_back(std::move(k));
    }

    r.Notes.push_back("Vazões de pico em pés cúbicos por segundo (cfs; 1 cfs = 0,0283168 m³/s); "
                      "anos hidrológicos de outubro a setembro, com o nome do ano em que terminam.");
    for (const auto& [code, years] : codeYears)
        r.Notes.push_back("Código de qualificação " + code + " (" + PeakCodeText(code) + "): " + Join(years, ", ") + ".");
}

}  // namespace zarn::importing
