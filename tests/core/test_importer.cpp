// SPDX-License-Identifier: GPL-3.0-or-later
// The importer on the real downloads (HidroWeb, USGS) and on crafted files
// that isolate one rule each: levels, gaps, leap years, the P % limit, the
// start month S, decimal marks, thousands separators, table layouts and
// encodings; the data file it writes; the warnings about misread data files.
//
// Expected values of the real files were worked out with a separate script
// of the same rules (Python, written apart from this code); crafted cases
// are worked by hand beside each number.
#include <gtest/gtest.h>

#include <algorithm>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include "files/datafile.h"
#include "files/errors.h"
#include "import/importer.h"
#include "platform/datawarnings.h"
#include "analysis/record.h"
#include "files/textcodec.h"

namespace fs = std::filesystem;
using namespace zarn;

namespace {

const std::string kImportData = std::string(ZARN_TEST_DATA) + "/import/";

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The error text of an import that must fail ("" when it succeeds).
// Next year, the last a series may name.
int LastPlausibleYearForTest() {
    const std::time_t now = std::time(nullptr);
    std::tm parts {};
    ::gmtime_r(&now, &parts);
    return parts.tm_year + 1900 + 1;
}

std::string ImportError(const std::string& text, const ImportOptions& o = {}) {
    try {
        ImportText(text, o);
    } catch (const ZarnError& e) {
        return e.what();
    }
    return "";
}

std::vector<std::string> Labels(const ImportResult& r) {
    std::vector<std::string> out;
    for (const auto& k : r.Kept) out.push_back(k.Label);
    return out;
}

std::vector<std::string> Values(const ImportResult& r) {
    std::vector<std::string> out;
    for (const auto& k : r.Kept) out.push_back(k.Value);
    return out;
}

bool HasNote(const ImportResult& r, const std::string& part) {
    for (const auto& n : r.Notes)
        if (n.find(part) != std::string::npos) return true;
    return false;
}

// ---------------------------------------------------------------------------
// A crafted HidroWeb export.

struct MonthRow {
    int Level;
    int Month;
    int Year;
    std::vector<std::string> Days;  // cells Vazao01.., "" = empty; missing cells are empty
    std::string Station = "58000000";
};

const char* const kHidroWebPreamble =
    "Sistema de Informações Hidrológicas\r\n"
    "Versão Web 3.0\r\n"
    "© 2018 Agência Nacional de Águas (ANA)\r\n"
    "\r\n"
    "NivelConsistencia: 1 = Bruto, 2 = Consistido\r\n"
    "\r\n";

std::string HidroWebText(const std::vector<MonthRow>& rows) {
    std::string t = kHidroWebPreamble;
    t += "EstacaoCodigo;NivelConsistencia;Data;Hora;MediaDiaria;MetodoObtencaoVazoes;Maxima;Minima;Media;DiaMaxima;"
         "DiaMinima;MaximaStatus;MinimaStatus;MediaStatus;MediaAnual;MediaAnualStatus";
    for (int d = 1; d <= 31; ++d) t += ";Vazao" + std::string(d < 10 ? "0" : "") + std::to_string(d);
    for (int d = 1; d <= 31; ++d) t += ";Vazao" + std::string(d < 10 ? "0" : "") + std::to_string(d) + "Status";
    t += ";\r\n";
    for (const auto& r : rows) {
        char date[16];
        std::snprintf(date, sizeof date, "01/%02d/%04d", r.Month, r.Year);
        t += r.Station + ";" + std::to_string(r.Level) + ";" + date + ";;1;1;;;;;;1;1;1;;";
        for (int d = 0; d < 31; ++d) t += ";" + (d < static_cast<int>(r.Days.size()) ? r.Days[d] : std::string());
        for (int d = 0; d < 31; ++d) t += ";1";
        t += ";\r\n";
    }
    return t;
}

int DaysIn(int y, int m) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : days[m - 1];
}

MonthRow Full(int year, int month, const std::string& value, int level = 1) {
    return {level, month, year, std::vector<std::string>(DaysIn(year, month), value)};
}

// Twelve full months of one calendar year, every day `value`.
std::vector<MonthRow> FullYear(int year, const std::string& value, int level = 1) {
    std::vector<MonthRow> rows;
    for (int m = 1; m <= 12; ++m) rows.push_back(Full(year, m, value, level));
    return rows;
}

ImportOptions CalendarYears(double percent = kDefaultMaxMissingPercent) {
    ImportOptions o;
    o.YearStart = 1;
    o.MaxMissingPercent = percent;
    return o;
}

}  // namespace

// ---------------------------------------------------------------------------
// Real files

TEST(ImporterRealFiles, UsgsPeakFileGivesThePublishedSeries) {
    const ImportResult r = ImportSeries(kImportData + "USGS02482550.txt", {});
    EXPECT_EQ(r.Format, ImportFormat::Usgs);
    EXPECT_EQ(r.Station, "02482550");
    // The values, character for character, are those of the published .dat.
    std::string expected;
    for (const auto& v : Values(r)) expected += v + "\n";
    EXPECT_EQ(expected, Slurp(kImportData + "pearl-river-carthage.dat"));
    // Water years: 1961-12-20 belongs to 1962, 2004-12-13 to 2005.
    ASSERT_EQ(r.Kept.size(), 58u);
    EXPECT_EQ(r.Kept[0].Label, "1938");
    EXPECT_EQ(r.Kept[2].Label, "1962");
    EXPECT_EQ(r.Kept[2].Date, "1961-12-20");
    const auto labels = Labels(r);
    EXPECT_EQ(std::count(labels.begin(), labels.end(), "2005"), 1);
    EXPECT_EQ(labels.back(), "2017");
    // The historical rows have only a gage height: left out and listed, their
    // month "00" keeping the calendar year.
    ASSERT_EQ(r.LeftOut.size(), 4u);
    EXPECT_EQ(r.LeftOut[0].Label, "1874");
    EXPECT_EQ(r.LeftOut[0].Line, 75);
    EXPECT_NE(r.LeftOut[0].Reason.find("24.20"), std::string::npos);
    EXPECT_EQ(r.LeftOut[3].Label, "1932");
    EXPECT_TRUE(HasNote(r, "Código de qualificação 2 (vazão estimada): 1986."));
    EXPECT_TRUE(HasNote(r, "Anos sem valor no arquivo: 1940 a 1961."));
}

TEST(ImporterRealFiles, UsgsDataFileReadsAsThePublishedOne) {
    const fs::path out = fs::temp_directory_path() / ("zarn-import-" + std::to_string(::getpid()) + ".dat");
    WriteImportedDataFile(ImportSeries(kImportData + "USGS02482550.txt", {}), out.string());
    const std::string bytes = Slurp(out);
    EXPECT_EQ(bytes.substr(0, 21), "19000\t1938\n9400\t1939\n");
    EXPECT_EQ(bytes.find('\r'), std::string::npos);
    std::vector<double> a(kSampleCapacity), b(kSampleCapacity);
    const int n = ReadDataFile(out.string(), a.data());
    ASSERT_EQ(n, ReadDataFile(kImportData + "pearl-river-carthage.dat", b.data()));
    for (int i = 0; i < n; ++i) EXPECT_EQ(a[i], b[i]) << i;
    fs::remove(out);
}

TEST(ImporterRealFiles, HidroWebStationWithBothLevelsAndAutomaticStart) {
    const ImportResult r = ImportSeries(kImportData + "vazoes_C_58110002.csv", {});
    EXPECT_EQ(r.Format, ImportFormat::HidroWeb);
    EXPECT_EQ(r.Encoding, "ISO-8859-1");
    EXPECT_EQ(r.Station, "58110002");
    // A regulated reach: April has the smallest mean of the monthly means.
    EXPECT_TRUE(r.YearStartAuto);
    EXPECT_EQ(r.YearStart, 4);
    ASSERT_EQ(r.Kept.size(), 17u);
    EXPECT_EQ(r.Kept.front().Value, "158.527");
    EXPECT_EQ(r.Kept.front().Label, "2000/01");
    EXPECT_EQ(r.Kept.front().Date, "02/09/2000");
    EXPECT_EQ(r.Kept[3].Days, 366);  // 2003/04 holds 29/02/2004
    EXPECT_EQ(r.Kept[9].Value, "375.198");
    EXPECT_EQ(r.Kept[9].Date, "29/01/2010");
    EXPECT_EQ(r.Kept[13].Value, "141");  // written without decimals, kept so
    EXPECT_EQ(r.Kept.back().Label, "2016/17");
    struct Out {
        const char* Label;
        int Missing, Days;
    } out[] = {{"1999/00", 275, 366}, {"2017/18", 31, 365}, {"2018/19", 151, 365}, {"2019/20", 215, 366},
               {"2020/21", 365, 365}, {"2021/22", 200, 365}, {"2022/23", 92, 365}};
    ASSERT_EQ(r.LeftOut.size(), std::size(out));
    for (std::size_t i = 0; i < std::size(out); ++i) {
        EXPECT_EQ(r.LeftOut[i].Label, out[i].Label);
        EXPECT_EQ(r.LeftOut[i].MissingDays, out[i].Missing) << out[i].Label;
        EXPECT_EQ(r.LeftOut[i].Days, out[i].Days) << out[i].Label;
    }
    // At P = 20 % the year with 31 missing days joins the series.
    ImportOptions o;
    o.MaxMissingPercent = 20;
    const ImportResult wider = ImportSeries(kImportData + "vazoes_C_58110002.csv", o);
    ASSERT_EQ(wider.Kept.size(), 18u);
    EXPECT_EQ(wider.Kept.back().Value, "115.9");
    EXPECT_EQ(wider.Kept.back().MissingDays, 31);
}

TEST(ImporterRealFiles, HidroWebStationInCalendarYears) {
    const ImportResult automatic = ImportSeries(kImportData + "vazoes_C_58138000.csv", {});
    EXPECT_EQ(automatic.YearStart, 8);
    EXPECT_EQ(Labels(automatic),
              (std::vector<std::string>{"1965/66", "1966/67", "1968/69", "1969/70", "1970/71", "1971/72"}));
    EXPECT_EQ(Values(automatic), (std::vector<std::string>{"18.62", "21.459", "12.115", "23.812", "12.026", "17.535"}));

    const ImportResult r = ImportSeries(kImportData + "vazoes_C_58138000.csv", CalendarYears());
    EXPECT_FALSE(r.YearStartAuto);
    EXPECT_EQ(Labels(r), (std::vector<std::string>{"1966", "1968", "1969", "1970", "1971", "1972"}));
    EXPECT_EQ(Values(r), (std::vector<std::string>{"21.459", "22.101", "16.644", "23.812", "14.609", "17.535"}));
    // 1968 is kept with 15 of its 366 days missing (4.1 %), and said so.
    EXPECT_EQ(r.Kept[1].MissingDays, 15);
    EXPECT_EQ(r.Kept[1].Days, 366);
    EXPECT_TRUE(HasNote(r, "1968 (15)"));
    ASSERT_EQ(r.LeftOut.size(), 7u);
    EXPECT_EQ(r.LeftOut[1].Label, "1962");
    EXPECT_EQ(r.LeftOut[1].MissingDays, 21);
    // The preview shows the largest day of a year left out, with its date,
    // so the user sees whether the dropped year held a large flood; a year
    // without any day shows none.
    const auto rows = ImportPreviewRows(r);
    const auto row1962 = std::find_if(rows.begin(), rows.end(), [](const auto& row) { return row.Label == "1962"; });
    ASSERT_NE(row1962, rows.end());
    EXPECT_FALSE(row1962->Kept);
    EXPECT_EQ(row1962->Value, r.LeftOut[1].Value);
    EXPECT_FALSE(row1962->Value.empty());
    EXPECT_NE(row1962->Date.find("1962"), std::string::npos) << row1962->Date;
    for (const LeftOutYear& year : r.LeftOut)
        EXPECT_EQ(year.Value.empty(), year.MissingDays == year.Days) << year.Label;
}

// ---------------------------------------------------------------------------
// HidroWeb rules on crafted files

TEST(ImporterHidroWeb, LevelTwoReplacesLevelOneWhicheverComesFirst) {
    auto year = FullYear(2001, "10,0");
    MonthRow raw = Full(2001, 1, "10,0");
    raw.Days[4] = "99,0";  // the raw month has a higher value...
    MonthRow consisted = Full(2001, 1, "10,0", 2);
    consisted.Days[2] = "20,5";  // ...the consisted one wins all the same
    year[0] = raw;
    for (bool consistedFirst : {true, false}) {
        auto rows = year;
        rows.insert(consistedFirst ? rows.begin() : rows.end(), consisted);
        const ImportResult r = ImportText(HidroWebText(rows), CalendarYears());
        ASSERT_EQ(r.Kept.size(), 1u);
        EXPECT_EQ(r.Kept[0].Value, "20.5");
        EXPECT_EQ(r.Kept[0].Date, "03/01/2001");
        EXPECT_TRUE(HasNote(r, "Presentes nos dois níveis: 1 mês")) << consistedFirst;
    }
}

TEST(ImporterHidroWeb, MissingDaysAgainstTheLimitIncludingAbsentMonths) {
    struct Case {
        const char* Name;
        int Year;
        int Empty;       // empty cells, from 1 January on
        bool DropMarch;  // March absent from the file
        double Percent;
        bool Kept;
        int Missing, Days;
    } cases[] = {
        {"18 of 365 at 5 % (4.93 %)", 2001, 18, false, 5, true, 18, 365},
        {"19 of 365 at 5 % (5.21 %)", 2001, 19, false, 5, false, 19, 365},
        {"18 of 366 at 5 % (4.92 %)", 2004, 18, false, 5, true, 18, 366},
        {"exactly 20 %: 73 of 365", 2001, 73, false, 20, true, 73, 365},
        {"just over 20 %: 74 of 365", 2001, 74, false, 20, false, 74, 365},
        {"9 of 365 at 2.5 % (2.47 %)", 2001, 9, false, 2.5, true, 9, 365},
        {"10 of 365 at 2.5 % (2.74 %)", 2001, 10, false, 2.5, false, 10, 365},
        {"March absent: 31 of 365", 2001, 0, true, 5, false, 31, 365},
        {"March absent counts at 10 %: 31 of 365 (8.5 %)", 2001, 0, true, 10, true, 31, 365},
        {"nothing missing at 0 %", 2001, 0, false, 0, true, 0, 365},
        {"one day missing at 0 %", 2001, 1, false, 0, false, 1, 365},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        auto rows = FullYear(c.Year, "5,0");
        for (int k = 0; k < c.Empty; ++k) rows[k / 28].Days[k % 28] = "";
        if (c.DropMarch) rows.erase(rows.begin() + 2);
        const ImportResult r = ImportText(HidroWebText(rows), CalendarYears(c.Percent));
        ASSERT_EQ(r.Kept.size() + r.LeftOut.size(), 1u);
        if (c.Kept) {
            ASSERT_EQ(r.Kept.size(), 1u);
            EXPECT_EQ(r.Kept[0].MissingDays, c.Missing);
            EXPECT_EQ(r.Kept[0].Days, c.Days);
        } else {
            ASSERT_EQ(r.LeftOut.size(), 1u);
            EXPECT_EQ(r.LeftOut[0].MissingDays, c.Missing);
            EXPECT_EQ(r.LeftOut[0].Days, c.Days);
        }
    }
}

TEST(ImporterHidroWeb, LeapYearsAndDaysPastTheMonthsEnd) {
    auto rows = FullYear(2000, "5,0");  // leap: 29 February exists
    rows[1].Days[28] = "80,25";
    auto y1900 = FullYear(1900, "5,0");  // not leap (divisible by 100)
    y1900[1].Days.push_back("999");      // a Vazao29 cell in February 1900: no such day
    auto y2001 = FullYear(2001, "5,0");
    y2001[3].Days.push_back("999");      // Vazao31 in April
    rows.insert(rows.begin(), y1900.begin(), y1900.end());
    rows.insert(rows.end(), y2001.begin(), y2001.end());
    const ImportResult r = ImportText(HidroWebText(rows), CalendarYears());
    // 1900 to 2001: the absent years in between are listed, all days missing.
    ASSERT_EQ(r.Kept.size(), 3u);
    EXPECT_EQ(r.Kept[0].Label, "1900");
    EXPECT_EQ(r.Kept[0].Days, 365);
    EXPECT_EQ(r.Kept[0].Value, "5.0");
    EXPECT_EQ(r.Kept[1].Label, "2000");
    EXPECT_EQ(r.Kept[1].Days, 366);
    EXPECT_EQ(r.Kept[1].Value, "80.25");
    EXPECT_EQ(r.Kept[1].Date, "29/02/2000");
    EXPECT_EQ(r.Kept[2].Value, "5.0");
    EXPECT_EQ(r.LeftOut.size(), 99u);
    EXPECT_EQ(r.LeftOut[0].Label, "1901");
    EXPECT_EQ(r.LeftOut[0].MissingDays, 365);
    EXPECT_EQ(r.LeftOut[3].Days, 366);  // 1904
}

TEST(ImporterHidroWeb, StartMonthFromTheMeanOfMonthlyMeans) {
    // Two calendar years, every month 60 but August (10) and July, whose
    // monthly means are 1 (2001, all days 1) and 100 (2002, one day of 100):
    // mean of monthly means 50.5 against 10 for August, so S = 8. The mean
    // of the days would give July (131 / 32 = 4.1) instead.
    std::vector<MonthRow> rows;
    for (int y : {2001, 2002})
        for (int m = 1; m <= 12; ++m) rows.push_back(Full(y, m, m == 8 ? "10" : "60"));
    rows[6] = Full(2001, 7, "1");
    rows[18] = {1, 7, 2002, {"100"}};
    ImportResult r = ImportText(HidroWebText(rows), {});
    EXPECT_EQ(r.YearStart, 8);
    EXPECT_TRUE(r.YearStartAuto);
    EXPECT_DOUBLE_EQ(r.MonthlyMeans[6], 50.5);
    EXPECT_DOUBLE_EQ(r.MonthlyMeans[7], 10.0);
    // 2000/01 ends in July 2001 (January to July present, August to December
    // 2000 absent); 2001/02 runs from August 2001 to July 2002, with 30 July
    // days empty: 30 of 365 is over 5 %.
    EXPECT_EQ(Labels(r), std::vector<std::string>{});
    ASSERT_EQ(r.LeftOut.size(), 3u);
    EXPECT_EQ(r.LeftOut[1].Label, "2001/02");
    EXPECT_EQ(r.LeftOut[1].MissingDays, 30);

    // The user's S instead: March, labels "yyyy/yy" from March to February.
    ImportOptions o;
    o.YearStart = 3;
    o.MaxMissingPercent = 10;
    r = ImportText(HidroWebText(rows), o);
    EXPECT_FALSE(r.YearStartAuto);
    EXPECT_EQ(Labels(r), std::vector<std::string>{"2001/02"});
    EXPECT_EQ(r.Kept[0].Value, "60");
    EXPECT_EQ(r.Kept[0].Date, "01/03/2001");
    EXPECT_EQ(r.Kept[0].MissingDays, 0);
}

TEST(ImporterHidroWeb, TiedMonthlyMeansGoToTheEarlierMonth) {
    std::vector<MonthRow> rows;
    for (int m = 1; m <= 12; ++m) rows.push_back(Full(2001, m, m == 3 || m == 9 ? "7,5" : "20"));
    EXPECT_EQ(ImportText(HidroWebText(rows), {}).YearStart, 3);
    // Nothing but ties: January.
    EXPECT_EQ(ImportText(HidroWebText(FullYear(2001, "3")), {}).YearStart, 1);
}

TEST(ImporterHidroWeb, ValuesAreCopiedAsTheirText) {
    auto rows = FullYear(2001, "0,50");
    rows[5].Days[10] = "1,500";
    rows[6].Days[3] = "1,5";  // the same number later: the first day keeps it
    const ImportResult r = ImportText(HidroWebText(rows), CalendarYears());
    ASSERT_EQ(r.Kept.size(), 1u);
    EXPECT_EQ(r.Kept[0].Value, "1.500");
    EXPECT_EQ(r.Kept[0].Date, "11/06/2001");
    EXPECT_EQ(ImportedDataText(r), "1.500\t2001\n");
}

TEST(ImporterHidroWeb, AYearWithoutFlowIsKeptAsData) {
    // A semi-arid river: 2002 has no flow at all; its days of 0 are data,
    // not missing days, and its maximum 0 is kept and said.
    auto rows = FullYear(2001, "3,2");
    for (const MonthRow& dry : FullYear(2002, "0")) rows.push_back(dry);
    for (const MonthRow& wet : FullYear(2003, "0,0")) rows.push_back(wet);
    rows.back().Days[4] = "12,5";
    const ImportResult r = ImportText(HidroWebText(rows), CalendarYears(0));
    EXPECT_EQ(Values(r), (std::vector<std::string>{"3.2", "0", "12.5"}));
    EXPECT_EQ(r.Kept[1].MissingDays, 0);
    EXPECT_TRUE(HasNote(r, "Anos sem vazão (máximo anual 0): 2002. A análise os põe de lado"));
    EXPECT_FALSE(HasNote(r, "Valores negativos"));
}

TEST(ImporterHidroWeb, FaultsNameTheLineAndTheText) {
    auto rows = FullYear(2001, "5,0");
    // A point grouping thousands beside the decimal comma has one reading.
    rows[2].Days[3] = "1.234,5";
    EXPECT_EQ(Values(ImportText(HidroWebText(rows), CalendarYears())), std::vector<std::string>{"1234.5"});
    // Preamble (6 lines), column line 7, March is line 10.
    rows[2].Days[3] = "1,234.5";
    EXPECT_NE(ImportError(HidroWebText(rows)).find("milhar não aceito (linha 10: \"1,234.5\")"), std::string::npos);
    rows[2].Days[3] = "x";
    EXPECT_EQ(ImportError(HidroWebText(rows)), "Valor não numérico (linha 10: \"x\")");
    rows[2].Days[3] = "5";
    rows[2].Level = 3;
    EXPECT_EQ(ImportError(HidroWebText(rows)), "Nível de consistência desconhecido (linha 10: \"3\")");
    std::string text = HidroWebText(FullYear(2001, "5"));
    text.replace(text.find("01/02/2001"), 10, "31/02/2001");
    EXPECT_EQ(ImportError(text), "Data inválida (linha 9: \"31/02/2001\")");
}

TEST(ImporterHidroWeb, EncodingsAndLineEndsGiveTheSameSeries) {
    const std::string utf8 = HidroWebText(FullYear(2001, "12,5"));
    const std::string latin1 = Utf8ToWindows1252(utf8);
    ASSERT_NE(utf8, latin1);
    std::string lf = utf8;
    for (std::size_t p; (p = lf.find("\r\n")) != std::string::npos;) lf.erase(p, 1);
    const ImportResult a = ImportText(utf8, CalendarYears());
    const ImportResult b = ImportText(latin1, CalendarYears());
    const ImportResult c = ImportText(lf, CalendarYears());
    EXPECT_EQ(a.Encoding, "UTF-8");
    EXPECT_EQ(b.Encoding, "ISO-8859-1");
    EXPECT_EQ(ImportedDataText(a), "12.5\t2001\n");
    EXPECT_EQ(ImportedDataText(b), ImportedDataText(a));
    EXPECT_EQ(ImportedDataText(c), ImportedDataText(a));
    EXPECT_EQ(DetectImportFormat(latin1), ImportFormat::HidroWeb);
}

TEST(ImporterHidroWeb, SeveralStationsNeedAChoice) {
    auto rows = FullYear(2001, "5");
    for (auto row : FullYear(2001, "9")) {
        row.Station = "58999999";
        rows.push_back(row);
    }
    EXPECT_EQ(ImportError(HidroWebText(rows)),
              "O arquivo traz mais de uma estação (58000000, 58999999): escolha a estação a importar");
    ImportOptions o = CalendarYears();
    o.Station = "58999999";
    const ImportResult r = ImportText(HidroWebText(rows), o);
    EXPECT_EQ(Values(r), std::vector<std::string>{"9"});
    EXPECT_EQ(r.Stations, (std::vector<std::string>{"58000000", "58999999"}));
}

// ---------------------------------------------------------------------------
// USGS peak files

namespace {

std::string UsgsText(const std::vector<std::string>& rows) {
    std::string t =
        "# U.S. Geological Survey\n#\n"
        "agency_cd\tsite_no\tpeak_dt\tpeak_tm\tpeak_va\tpeak_cd\tgage_ht\tgage_ht_cd\n"
        "5s\t15s\t10d\t6s\t8s\t33s\t8s\t27s\n";
    for (const auto& r : rows) t += r + "\n";
    return t;
}

}  // namespace

TEST(ImporterUsgs, WaterYearsFileOrderAndCodes) {
    const ImportResult r = ImportText(UsgsText({
                                          "USGS\t01\t1950-00-00\t\t1500\t7\t\t",
                                          "USGS\t01\t1950-10-05\t\t2200\t2,C\t11.2\t",
                                          "USGS\t01\t1952-09-30\t\t900.5\t\t\t",
                                          "USGS\t01\t1953-07-01\t\t\t\t12.30\t",
                                          "USGS\t01\t1949-05-01\t\t1200\tC\t\t",
                                      }),
                                      {});
    EXPECT_EQ(DetectImportFormat(UsgsText({})), ImportFormat::Usgs);
    // Month 00 keeps the calendar year; October opens the next water year;
    // 30 September still closes its own. File order is kept.
    EXPECT_EQ(Labels(r), (std::vector<std::string>{"1950", "1951", "1952", "1949"}));
    EXPECT_EQ(Values(r), (std::vector<std::string>{"1500", "2200", "900.5", "1200"}));
    ASSERT_EQ(r.LeftOut.size(), 1u);
    EXPECT_EQ(r.LeftOut[0].Label, "1953");
    EXPECT_EQ(r.LeftOut[0].Line, 8);
    EXPECT_EQ(r.LeftOut[0].Reason, "sem peak_va; só a cota 12.30");
    EXPECT_TRUE(HasNote(r, "Código de qualificação 2 (vazão estimada): 1951."));
    EXPECT_TRUE(HasNote(r, "Código de qualificação 7 (pico histórico): 1950."));
    EXPECT_TRUE(HasNote(r, "Código de qualificação C (registro afetado por urbanização"));
    EXPECT_TRUE(HasNote(r, "): 1951, 1949."));
    // The preview merges kept and left-out rows in file order.
    const auto rows = ImportPreviewRows(r);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_FALSE(rows[3].Kept);
    EXPECT_EQ(rows[1].Remark, "2: vazão estimada; C: registro afetado por urbanização, mineração, mudanças agrícolas, "
                              "canalização ou outras");
}

TEST(ImporterUsgs, ALongListOfStationsIsCutWithACount) {
    // A long list is cut with a count.
    std::vector<std::string> peaks;
    for (int k = 0; k < 1030; ++k) peaks.push_back("USGS\t" + std::to_string(10000 + k) + "\t1950-03-01\t\t1\t\t\t");
    const std::string many = ImportError(UsgsText(peaks));
    EXPECT_NE(many.find("10019 e mais 1.010 estações)"), std::string::npos) << many.substr(0, 300);
}

TEST(ImporterUsgs, ThousandsSeparatorsReadAndBadDatesRefused) {
    EXPECT_EQ(Values(ImportText(UsgsText({"USGS\t01\t1950-03-01\t\t19,000\t\t\t"}), {})),
              std::vector<std::string>{"19000"});
    // A day beyond its month, a year before 1800 or after next year.
    EXPECT_EQ(ImportError(UsgsText({"USGS\t01\t1970-02-30\t\t1900\t\t\t"})),
              "Data de pico (peak_dt) inválida (linha 5: \"1970-02-30\")");
    EXPECT_EQ(ImportError(UsgsText({"USGS\t01\t0001-01-01\t\t1900\t\t\t"})),
              "Ano fora do intervalo de 1800 a " + std::to_string(LastPlausibleYearForTest()) +
                  " (linha 5: \"0001-01-01\")");
    EXPECT_EQ(ImportError(UsgsText({"USGS\t01\t1950/03/01\t\t1900\t\t\t"})),
              "Data de pico (peak_dt) inválida (linha 5: \"1950/03/01\")");
    EXPECT_NE(ImportError(UsgsText({"USGS\t01\t1950-03-01\t\t1900\t\t\t", "USGS\t02\t1950-03-01\t\t1900\t\t\t"}))
                  .find("mais de uma estação (01, 02)"),
              std::string::npos);
}

// ---------------------------------------------------------------------------
// Tables

namespace {

ImportOptions Columns(int value, int date = 0) {
    ImportOptions o;
    o.ValueColumn = value;
    o.DateColumn = date;
    return o;
}

}  // namespace

TEST(ImporterTable, YearFirstTableWithHeaderAndDecimalComma) {
    const std::string text =
        "Posto: Rio Verde\n"
        "Ano;Vazão máxima (m³/s)\n"
        "1971;350,5\n"
        "1970;120\n"
        "\n"
        "1972;NA\n"
        "1973;98,25\n";
    const ImportResult r = ImportText(text, {});
    EXPECT_EQ(r.Format, ImportFormat::Table);
    EXPECT_EQ(r.Separator, ColumnSeparator::Semicolon);
    EXPECT_EQ(r.Decimal, DecimalMark::Comma);
    EXPECT_EQ(r.HeaderLines, 2);
    EXPECT_EQ(r.ValueColumn, 2);
    EXPECT_EQ(r.DateColumn, 1);
    EXPECT_EQ(ImportedDataText(r), "120\t1970\n350.5\t1971\n98.25\t1973\n");
    ASSERT_EQ(r.LeftOut.size(), 1u);
    EXPECT_EQ(r.LeftOut[0].Label, "1972");
    EXPECT_EQ(r.LeftOut[0].Reason, "sem valor (NA)");
    EXPECT_TRUE(HasNote(r, "ordem cronológica"));
    EXPECT_TRUE(HasNote(r, "Colunas escolhidas automaticamente"));
}

TEST(ImporterTable, RankedTableIsPutInTimeOrder) {
    const std::string text =
        "Ordem,Ano,Vazao,TR\n"
        "1,1979,102000,59.0\n"
        "2,1983,69500,29.5\n"
        "3,2003,35600,19.7\n"
        "4,1991,32900,14.8\n";
    const std::string expected = "102000\t1979\n69500\t1983\n32900\t1991\n35600\t2003\n";
    EXPECT_EQ(ImportedDataText(ImportText(text, {})), expected);  // the rank column is passed over
    EXPECT_EQ(ImportedDataText(ImportText(text, Columns(3, 2))), expected);
    // Without a date column the file order stays and there are no labels.
    const ImportResult plain = ImportText(text, Columns(3));
    EXPECT_EQ(ImportedDataText(plain), "102000\n69500\n35600\n32900\n");
    EXPECT_TRUE(HasNote(plain, "Sem coluna de datas"));
}

TEST(ImporterTable, DateColumnsInBothFormsAndStableTies) {
    const ImportResult r = ImportText("14/04/1979\t102000\n1961-12-20\t31900\n1979\t5\n05/01/1979\t7\n", Columns(2, 1));
    // Dates sort by day; the bare year 1979 sorts before every date of 1979.
    EXPECT_EQ(Values(r), (std::vector<std::string>{"31900", "5", "7", "102000"}));
    EXPECT_EQ(Labels(r), (std::vector<std::string>{"1961", "1979", "1979", "1979"}));
    EXPECT_EQ(r.Kept[0].Date, "1961-12-20");
    EXPECT_EQ(r.Kept[1].Date, "");
    EXPECT_TRUE(HasNote(r, "Mais de um valor no mesmo ano: 1979 (3)"));
    EXPECT_EQ(ImportError("1978;4\n31/02/1979;5\n", Columns(2, 1)), "Data ou ano inválido (linha 2: \"31/02/1979\")");
    // Hydrological-year labels sort by their start year and stay as labels.
    EXPECT_EQ(ImportedDataText(ImportText("Ano;Q\n1999/00;5\n1998/1999;7\n", {})), "7\t1998/99\n5\t1999/00\n");
    EXPECT_EQ(ImportError("1997/98;4\n1998/01;5\n", Columns(2, 1)), "Data ou ano inválido (linha 2: \"1998/01\")");
}

TEST(ImporterTable, SeparatorsAndDecimalMarksAreDetected) {
    struct Case {
        const char* Text;
        ColumnSeparator Separator;
        const char* Data;
    } cases[] = {
        {"1970,350.5\n1971,120.25\n", ColumnSeparator::Comma, "350.5\t1970\n120.25\t1971\n"},
        {"1970,350\n1971,120\n", ColumnSeparator::Comma, "350\t1970\n120\t1971\n"},
        {"1970 350,5\n1971   120\n", ColumnSeparator::Blanks, "350.5\t1970\n120\t1971\n"},
        {"350,5\n120,25\n", ColumnSeparator::Blanks, "350.5\n120.25\n"},
        {"28.8\n8.5\n", ColumnSeparator::Blanks, "28.8\n8.5\n"},
        {"1970\t3.5E2\n", ColumnSeparator::Tab, "3.5E2\t1970\n"},
        {"1979-04-14 00:00:00;102000\n1961-12-20 00:00:00;31900\n", ColumnSeparator::Semicolon,
         "31900\t1961\n102000\t1979\n"},
        {"\"Ano\",\"Vazão\"\n\"1970\",\"350,5\"\n", ColumnSeparator::Comma, "350.5\t1970\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        const ImportResult r = ImportText(c.Text, {});
        EXPECT_EQ(r.Separator, c.Separator);
        EXPECT_EQ(ImportedDataText(r), c.Data);
    }
}

TEST(ImporterTable, ThousandsSeparatorsReadOnlyWhenUnambiguous) {
    // Grouped by the other mark than the decimal one: one reading, noted.
    const ImportResult grouped = ImportText("1970;98,5\n1971;1.234,5\n", {});
    EXPECT_EQ(Values(grouped), (std::vector<std::string>{"98.5", "1234.5"}));
    EXPECT_TRUE(HasNote(grouped, "Valores com separador de milhar (ponto) lidos sem ele (linhas 2)."));
    ImportOptions point = Columns(2, 1);
    point.Decimal = DecimalMark::Point;
    EXPECT_EQ(Values(ImportText("1970;1,234\n", point)), std::vector<std::string>{"1234"});
    EXPECT_EQ(ImportError("1970;1,234.5\n", Columns(2, 1)),
              "Separador de milhar não aceito (linha 1: \"1,234.5\"): grave os valores sem separador de milhar");
    // A space between thousands: joined where a line has more fields than the
    // others; refused where every line has them alike.
    const ImportResult spaced = ImportText("1970 987,5\n1971  1 234,5\n1972 1 002 003\n", {});
    EXPECT_EQ(Values(spaced), (std::vector<std::string>{"987.5", "1234.5", "1002003"}));
    EXPECT_TRUE(HasNote(spaced, "espaço como separador de milhar lidos sem ele (linhas 2, 3)"));
    EXPECT_EQ(ImportError("1970 1 234,5\n1971 3 345,0\n1972 2 100,0\n"),
              "Números com espaço como separador de milhar não podem ser separados das colunas (linha 1: "
              "\"1970 1 234,5\"): grave os valores sem separador de milhar");
    EXPECT_NE(ImportError("1970 987,5\n1971 1 23,5\n").find("mais colunas que as outras"), std::string::npos);
    // Mixed decimal marks are refused too.
    EXPECT_EQ(ImportError("1970;98,5\n1971;12.5\n"),
              "Separador decimal diferente do usado no arquivo (vírgula) (linha 2: \"12.5\")");
    // "1.234" beside "987" with no comma anywhere is read with a decimal
    // point, and the summary says that the point may group thousands.
    const ImportResult r = ImportText("1970;1.234\n1971;987\n", {});
    EXPECT_EQ(Values(r), (std::vector<std::string>{"1.234", "987"}));
    EXPECT_TRUE(HasNote(r, "confira se não é separador de milhar"));
}

// A cell that is not a number is a missing year, never a reason to read
// another column; years are only ever the year column.
TEST(ImporterTable, NonNumericCellsAreMissingYearsAndYearsNeverValues) {
    const ImportResult r =
        ImportText("Ano;Vazão\n1970;350\n1971;s/d\n1972;420*\n1973;?\n1974;n.d.\n1975;500\n", {});
    EXPECT_EQ(ImportedDataText(r), "350\t1970\n500\t1975\n");
    ASSERT_EQ(r.LeftOut.size(), 4u);
    EXPECT_EQ(r.LeftOut[0].Label, "1971");
    EXPECT_EQ(r.LeftOut[0].Line, 3);
    EXPECT_EQ(r.LeftOut[1].Reason, "valor não numérico \"420*\"");
    EXPECT_TRUE(HasNote(r, "Valores não numéricos deixados de fora como falhas (linhas 3, 4, 5, 6)"));
    EXPECT_TRUE(HasNote(r, "Regra: a coluna de anos"));
    // Values within 1700..2100 beside rising years: the years stay years.
    EXPECT_EQ(ImportedDataText(ImportText("1850;1970\n1920;1971\n1760;1972\n", {})),
              "1850\t1970\n1920\t1971\n1760\t1972\n");
    // Years before 1800 are refused, never taken as values.
    EXPECT_EQ(ImportError("1650 3.2\n1651 4.1\n"),
              "Ano fora do intervalo de 1800 a " + std::to_string(LastPlausibleYearForTest()) + " (linha 1: \"1650\")");
    EXPECT_EQ(ImportError("30/02/1970;5\n01/03/1971;6\n"), "Data ou ano inválido (linha 1: \"30/02/1970\")");
}

TEST(ImporterTable, Utf32IsRecognised) {
    const std::string text = "Ano\tVazão\n1970\t12,5\n1971\t14\n";
    std::u32string wide;
    for (char32_t c : std::u32string(U"Ano\tVazão\n1970\t12,5\n1971\t14\n")) wide += c;
    auto bytes = [&](bool big) {
        std::string b;
        for (char32_t c : wide)
            for (int k = 0; k < 4; ++k) b += static_cast<char>(c >> (8 * (big ? 3 - k : k)) & 0xFF);
        return b;
    };
    const std::string expected = ImportedDataText(ImportText(text, {}));
    EXPECT_EQ(ImportedDataText(ImportText(std::string("\xFF\xFE\0\0", 4) + bytes(false), {})), expected);
    EXPECT_EQ(ImportedDataText(ImportText(bytes(true), {})), expected);
    EXPECT_EQ(ImportText(bytes(false), {}).Encoding, "UTF-32LE");
}

TEST(ImporterTable, HeaderLinesAndColumnsChosenByTheUser) {
    ImportOptions o = Columns(1);
    o.HeaderLines = 1;
    EXPECT_EQ(ImportedDataText(ImportText("999\n12\n13\n", o)), "12\n13\n");
    EXPECT_EQ(ImportError("1970;5\n", Columns(1, 1)), "A coluna dos valores e a coluna das datas são a mesma (1)");
    EXPECT_EQ(ImportError("a;b\nc;d\n", Columns(2)), "Nenhuma linha da tabela tem um número na coluna 2");
    // A row without the value is left out and listed by its line.
    const ImportResult r = ImportText("12\n\n-\n13\n", Columns(1));
    EXPECT_EQ(Values(r), (std::vector<std::string>{"12", "13"}));
    ASSERT_EQ(r.LeftOut.size(), 1u);
    EXPECT_EQ(r.LeftOut[0].Line, 3);
    // A non-number below the first data line is a missing value, not a header.
    const ImportResult text = ImportText("Vazão\n12\nabc\n", Columns(1));
    EXPECT_EQ(Values(text), std::vector<std::string>{"12"});
    ASSERT_EQ(text.LeftOut.size(), 1u);
    EXPECT_EQ(text.LeftOut[0].Line, 3);
}

TEST(ImporterTable, Utf16TextIsRead) {
    const std::string text = "Ano\tVazão\r\n1970\t12,5\r\n";
    std::string utf16 = "\xFF\xFE";
    for (unsigned char c : Utf8ToWindows1252(text)) {
        utf16 += static_cast<char>(c);
        utf16 += '\0';
    }
    const ImportResult r = ImportText(utf16, {});
    EXPECT_EQ(r.Encoding, "UTF-16LE");
    EXPECT_EQ(ImportedDataText(r), "12.5\t1970\n");
    // Without its byte-order mark too.
    EXPECT_EQ(ImportedDataText(ImportText(utf16.substr(2), {})), "12.5\t1970\n");
}

// ---------------------------------------------------------------------------
// Writing and the summary

TEST(ImporterWrite, NothingKeptWritesNothing) {
    const fs::path out = fs::temp_directory_path() / ("zarn-import-empty-" + std::to_string(::getpid()) + ".dat");
    auto rows = FullYear(2001, "5");
    rows.pop_back();
    const ImportResult r = ImportText(HidroWebText(rows), CalendarYears());
    try {
        WriteImportedDataFile(r, out.string());
        FAIL() << "written";
    } catch (const ZarnError& e) {
        EXPECT_STREQ(e.what(), "Nenhum ano foi mantido (1 deixados de fora): nada foi gravado");
    }
    EXPECT_FALSE(fs::exists(out));
    try {
        WriteImportedDataFile(ImportText("12\n", {}), "/nonexistent-folder/x.dat");
        FAIL() << "written";
    } catch (const ZarnError& e) {
        EXPECT_STREQ(e.what(), "Invalid filename");
    }
}

TEST(ImporterSummary, ListsOptionsKeptRunsAndLeftOutYears) {
    const auto s = ImportSummary(ImportSeries(kImportData + "vazoes_C_58138000.csv", CalendarYears()));
    const std::vector<std::string> head(s.begin(), s.begin() + 6);
    EXPECT_EQ(head, (std::vector<std::string>{
                        "Formato: HidroWeb (vazões diárias), estação 58138000; texto ISO-8859-1.",
                        "Ano hidrológico: de 1º de janeiro ao fim de dezembro (escolhido).",
                        "Limite de falhas: 5 % dos dias do ano.",
                        "Anos mantidos: 6 (1966, 1968 a 1972).",
                        "Anos deixados de fora: 7:",
                        "  1961: 253 dias sem dado de 365 (69,3 %)",
                    }));
}

// ---------------------------------------------------------------------------
// Warnings about data files the reader misreads

namespace {

// The warnings of a data file holding `bytes`, in the words the batch tool
// gives them (the hint "HINT" standing for the caller's own).
std::vector<std::string> Inspect(const std::string& bytes) {
    const fs::path p = fs::temp_directory_path() / ("zarn-inspect-" + std::to_string(::getpid()) + ".dat");
    std::ofstream(p, std::ios::binary) << bytes;
    std::vector<std::string> texts;
    for (const DataFileWarning& w : InspectDataFile(p.string())) texts.push_back(DataFileWarningText(w, "HINT"));
    fs::remove(p);
    return texts;
}

}  // namespace

TEST(InspectDataFile, YearValueTablesAreNamed) {
    const auto w = Inspect("1910 28.8\n1911 8.5\n1912\t44.8\n1914 51\n");
    ASSERT_EQ(w.size(), 1u);
    EXPECT_NE(w[0].find("tabela \"ano valor\""), std::string::npos);
    EXPECT_NE(w[0].find("anos 1910 a 1914"), std::string::npos);
    EXPECT_EQ(w[0].substr(w[0].size() - 5), " HINT") << w[0];
    // Not when the first numbers are not rising years, or a line has one number.
    EXPECT_TRUE(Inspect("1979 102000\n1983 69500\n1961 31900\n").empty());
    EXPECT_TRUE(Inspect("1910 28.8\n1911\n").empty());
    EXPECT_TRUE(Inspect("1910 28.8\n1960 8.5\n1990 3\n").empty());
}

TEST(InspectDataFile, MagnitudeSpanAndNulBytes) {
    const auto span = Inspect("0.5\n12000\n");
    ASSERT_EQ(span.size(), 1u);
    EXPECT_NE(span[0].find("vão de 0.5 a 12000"), std::string::npos);
    EXPECT_TRUE(Inspect("0.5\n5000\n").empty());
    const auto nul = Inspect(std::string("2\0\r\0\n\0", 6) + std::string("8\0", 2));
    ASSERT_FALSE(nul.empty());
    EXPECT_NE(nul[0].find("UTF-16"), std::string::npos);
    EXPECT_TRUE(InspectDataFile("/nonexistent/file.dat").empty());
}

TEST(InspectDataFile, RealSeriesRaiseNoWarning) {
    for (const auto& entry : fs::directory_iterator(ZARN_EXAMPLES)) {
        if (entry.path().extension() != ".dat") continue;
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_TRUE(InspectDataFile(entry.path().string()).empty());
    }
    // And the import of a real file does not either.
    EXPECT_TRUE(InspectDataFile(kImportData + "pearl-river-carthage.dat").empty());
}
