#include "cli/region.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "analysis/calculation.h"
#include "analysis/datafile.h"
#include "analysis/errors.h"
#include "analysis/importer.h"
#include "analysis/record.h"
#include "cli/batch.h"
#include "cli/json.h"
#include "cli/outputs.h"
#include "rules/regionaladvice.h"

namespace fs = std::filesystem;

namespace zarn {

const char* const kRegionUsage =
    "       zarn-cli --region INPUT [--nsim N] [--nrep N] [--seed S]\n"
    "                [--accuracy auto|none|glo|gev|gno|pe3|gpa|wak] [--correlation R] [--ungauged AREA]\n"
    "                [--json OUT] [--report OUT] [--csv OUT] [--threads N]\n";

namespace {

constexpr int kMaxThreads = 256;

// A number typed with "." or "," as decimal mark; false when it is not one.
bool ParseNumber(std::string text, double& v) {
    for (char& c : text)
        if (c == ',') c = '.';
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    v = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && errno == 0 && std::isfinite(v);
}

bool ParseInteger(const std::string& text, long long low, long long high, long long& v) {
    double d;
    if (!ParseNumber(text, d) || d != std::floor(d) || d < low || d > high) return false;
    v = static_cast<long long>(d);
    return true;
}

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

// The values of a data file or a download imported with the importer's
// defaults, refused as the at-site analysis refuses them.
std::vector<double> SiteValues(const std::string& path, bool import) {
    std::vector<double> values(kSampleCapacity);
    DataFileSource source;
    int n = 0;
    if (!import) {
        n = ReadDataFile(path, values.data(), &source);
    } else {
        const ImportResult imported = ImportSeries(path, ImportOptions{});
        for (const ImportedYear& year : imported.Kept) {
            if (n >= kSampleCapacity) throw ZarnError(kTooManyValuesText);
            double v;
            if (!ParseNumber(year.Value, v)) throw ZarnError(std::string(kInvalidNumericText) + " (" + year.Value + ")");
            values[n++] = v;
            source.Lines.push_back(year.Line);
            source.Tokens.push_back(year.Value);
        }
    }
    RefuseUnanalysable(values.data(), n, source);
    values.resize(n);
    return values;
}

struct SiteEntry {
    std::string Path, Name;
    double Area = 0;
    bool Import = false;
};

std::vector<SiteEntry> ListEntries(const std::string& input) {
    std::vector<SiteEntry> entries;
    struct stat st {};
    if (::stat(input.c_str(), &st) != 0) RaiseFileError(errno, input);
    if (S_ISDIR(st.st_mode)) {
        for (const BatchStation& s : BatchStations(input)) entries.push_back({s.Path, s.Name, 0, s.Import});
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
        SiteEntry e;
        e.Path = fs::path(fields[0]).is_absolute() || folder.empty() ? fields[0] : (folder / fields[0]).string();
        e.Name = fields.size() > 1 && !fields[1].empty() ? fields[1] : fs::path(fields[0]).stem().string();
        if (fields.size() > 2 && !fields[2].empty()) {
            if (!ParseNumber(fields[2], e.Area) || !(e.Area > 0))
                throw ZarnError("Linha " + std::to_string(number) + " de " + input + ": a área de drenagem \"" +
                                fields[2] + "\" não é um número positivo");
        }
        e.Import = !IsDatFile(e.Path);
        entries.push_back(e);
    }
    return entries;
}

// Numbers of the report and the CSV: fixed decimals, decimal comma.
std::string Fixed(double v, int decimals) {
    if (!std::isfinite(v)) return "-";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    std::string s(text);
    for (char& c : s)
        if (c == '.') c = ',';
    return s;
}

std::string Pad(std::string s, std::size_t width) {
    // Width in characters, counting a UTF-8 sequence as one.
    std::size_t chars = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++chars;
    if (chars < width) s.insert(0, width - chars, ' ');
    return s;
}

std::string PadRight(std::string s, std::size_t width) {
    std::size_t chars = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++chars;
    if (chars < width) s.append(width - chars, ' ');
    return s;
}

void Numbers(JsonWriter& w, const double* v, int count) {
    w.BeginArray();
    for (int i = 0; i < count; ++i) w.Number(v[i]);
    w.EndArray();
}

template <std::size_t N>
void Numbers(JsonWriter& w, const std::array<double, N>& v, int count = N) {
    Numbers(w, v.data(), count);
}

std::string FamilyText(RegionalFamily f) { return std::string(FamilyName(f)); }

// The site quantiles of the report and the CSV: the accuracy's when simulated,
// else the site's mean times the chosen growth curve.
std::array<double, kRegionalPeriodCount> SiteQuantiles(const RegionalResult& r, std::size_t i) {
    if (r.Accuracy) return r.Accuracy->Sites[i].Quantiles;
    std::array<double, kRegionalPeriodCount> q = r.GrowthCurveOf(r.Chosen);
    for (double& v : q) v *= r.Sites[i].LMoments[0];
    return q;
}

const char* WakebyFitText(int fallback) {
    switch (fallback) {
    case 0: return "com xi livre";
    case 1: return "com xi = 0 (sem solução com xi livre)";
    default: return "sem solução de Wakeby: GPA ajustada às três primeiras razões (delta = 0)";
    }
}

}  // namespace

RegionCommand ParseRegionCommand(int argc, char** argv) {
    RegionCommand c;
    auto fault = [](const std::string& text) { throw RegionUsageError{text}; };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc) fault(arg + " needs a value");
        const std::string value = argv[++i];
        long long n;
        double x;
        if (arg == "--region") c.Input = value;
        else if (arg == "--json") c.Json = value;
        else if (arg == "--report") c.Report = value;
        else if (arg == "--csv") c.Csv = value;
        else if (arg == "--nsim") {
            if (!ParseInteger(value, 2, 10000000, n)) fault("--nsim takes 2 to 10000000");
            c.Options.NSim = static_cast<int>(n);
        } else if (arg == "--nrep") {
            if (!ParseInteger(value, 2, 10000000, n)) fault("--nrep takes 2 to 10000000");
            c.Options.NRep = static_cast<int>(n);
        } else if (arg == "--seed") {
            if (!ParseInteger(value, 1, 2147483646, n)) fault("--seed takes 1 to 2147483646");
            c.Options.Seed = n;
        } else if (arg == "--threads") {
            if (!ParseInteger(value, 1, kMaxThreads, n)) fault("--threads takes 1 to " + std::to_string(kMaxThreads));
            c.Options.Threads = static_cast<int>(n);
        } else if (arg == "--correlation") {
            if (!ParseNumber(value, x) || !(x >= 0 && x < 1)) fault("--correlation takes a number from 0 to below 1");
            c.Options.Correlation = x;
        } else if (arg == "--ungauged") {
            if (!ParseNumber(value, x) || !(x > 0)) fault("--ungauged takes a positive drainage area in km2");
            c.Options.UngaugedArea = x;
        } else if (arg == "--accuracy") {
            if (value == "none") c.Options.Accuracy = false;
            else if (value == "auto") c.Options.AccuracyAuto = true;
            else if (value != "kap" && value != "KAP" && FamilyFromName(value, c.Options.AccuracyFamily))
                c.Options.AccuracyAuto = false;
            else fault("--accuracy takes auto, none, glo, gev, gno, pe3, gpa or wak");
        } else fault("unknown argument " + arg);
    }
    if (c.Input.empty()) fault("--region needs INPUT");
    return c;
}

std::vector<RegionSite> ReadRegionSites(const std::string& input, std::vector<std::string>& warnings) {
    std::vector<RegionSite> sites;
    for (const SiteEntry& e : ListEntries(input)) {
        try {
            const std::vector<double> values = SiteValues(e.Path, e.Import);
            RegionSite s;
            s.Name = e.Name;
            s.File = e.Path;
            s.N = static_cast<int>(values.size());
            s.LMoments = SiteLMomentsOf(values.data(), s.N);
            s.Area = e.Area;
            sites.push_back(s);
        } catch (const ZarnError& error) {
            warnings.push_back("Posto " + e.Name + " (" + e.Path + ") deixado de fora: " + error.what());
        }
    }
    return sites;
}

std::string RegionJson(const RegionalResult& r, const std::string& input, const std::vector<std::string>& advice) {
    JsonWriter w;
    w.BeginObject();
    w.Key("Region"); w.String(input);
    w.Key("NSim"); w.Integer(r.NSim);
    w.Key("NRep"); w.Integer(r.NRep);
    w.Key("Seed"); w.Integer(r.Seed);
    w.Key("Warnings");
    w.BeginArray();
    for (const std::string& warning : r.Warnings) w.String(warning);
    w.EndArray();
    w.Key("Sites");
    w.BeginArray();
    for (std::size_t i = 0; i < r.Sites.size(); ++i) {
        const RegionSite& s = r.Sites[i];
        w.BeginObject();
        w.Key("Name"); w.String(s.Name);
        w.Key("File"); w.String(s.File);
        w.Key("n"); w.Integer(s.N);
        w.Key("LMoments"); Numbers(w, s.LMoments);
        w.Key("D");
        if (r.D[i]) w.Number(*r.D[i]);
        else w.Null();
        w.Key("Discordant"); w.Bool(r.Discordant[i]);
        w.Key("Area");
        if (s.Area > 0) w.Number(s.Area);
        else w.Null();
        w.EndObject();
    }
    w.EndArray();
    w.Key("DCritical"); w.Number(r.DCritical);
    if (!r.DNotGivenReason.empty()) {
        w.Key("DNote"); w.String(r.DNotGivenReason);
    }
    w.Key("RegionalLMoments"); Numbers(w, r.Regional);
    w.Key("Kappa"); Numbers(w, r.Kappa.P, 4);
    w.Key("KappaFallback"); w.Bool(r.KappaFallback);
    if (r.KappaFallback) {
        w.Key("KappaFallbackReason"); w.String(r.KappaFallbackReason);
    }
    w.Key("V"); Numbers(w, r.V);
    w.Key("SimulatedMeanV"); Numbers(w, r.SimulatedMeanV);
    w.Key("SimulatedSdV"); Numbers(w, r.SimulatedSdV);
    w.Key("H"); Numbers(w, r.H);
    w.Key("Heterogeneity"); w.String(r.Heterogeneity);
    w.Key("B4"); w.Number(r.B4);
    w.Key("Sigma4"); w.Number(r.Sigma4);
    w.Key("ReturnPeriods"); Numbers(w, kRegionalReturnPeriods);
    w.Key("Distributions");
    w.BeginArray();
    for (const CandidateResult& c : r.Candidates) {
        w.BeginObject();
        w.Key("Name"); w.String(FamilyText(c.Fit.Family));
        w.Key("Parameters"); Numbers(w, c.Fit.P, 3);
        w.Key("Tau4"); w.Number(c.Tau4);
        w.Key("Z"); w.Number(c.Z);
        w.Key("Acceptable"); w.Bool(c.Acceptable);
        w.Key("GrowthCurve"); Numbers(w, c.GrowthCurve);
        w.EndObject();
    }
    w.EndArray();
    w.Key("Wakeby"); Numbers(w, r.Wakeby.P, 5);
    w.Key("WakebyFallback"); w.Integer(r.Wakeby.Fallback);
    w.Key("WakebyGrowthCurve"); Numbers(w, r.WakebyGrowthCurve);
    w.Key("Chosen"); w.String(FamilyText(r.Chosen));
    w.Key("ChosenReason"); w.String(r.ChosenReason);
    if (r.Accuracy) {
        const AccuracyResult& a = *r.Accuracy;
        w.Key("Accuracy");
        w.BeginObject();
        w.Key("Distribution"); w.String(FamilyText(a.Family));
        w.Key("Parameters"); Numbers(w, a.Fit.P, a.Fit.ParameterCount());
        w.Key("Correlation"); w.Number(a.Correlation);
        w.Key("Replicates"); w.Integer(a.Replicates);
        w.Key("ReturnPeriods"); Numbers(w, kRegionalReturnPeriods);
        w.Key("Quantiles"); Numbers(w, a.Quantiles);
        w.Key("RelativeRMSE"); Numbers(w, a.RelativeRMSE);
        w.Key("Lower"); Numbers(w, a.Lower);
        w.Key("Upper"); Numbers(w, a.Upper);
        w.Key("Sites");
        w.BeginArray();
        for (std::size_t i = 0; i < a.Sites.size(); ++i) {
            w.BeginObject();
            w.Key("Name"); w.String(r.Sites[i].Name);
            w.Key("Quantiles"); Numbers(w, a.Sites[i].Quantiles);
            w.Key("RMSE"); Numbers(w, a.Sites[i].RMSE);
            w.Key("Lower"); Numbers(w, a.Sites[i].Lower);
            w.Key("Upper"); Numbers(w, a.Sites[i].Upper);
            w.EndObject();
        }
        w.EndArray();
        w.EndObject();
    }
    w.Key("IndexFloodRegression");
    if (r.Regression) {
        w.BeginObject();
        w.Key("a"); w.Number(r.Regression->A);
        w.Key("b"); w.Number(r.Regression->B);
        w.Key("R2"); w.Number(r.Regression->R2);
        w.Key("StandardError"); w.Number(r.Regression->StandardError);
        w.Key("Sites");
        w.BeginArray();
        for (const std::string& name : r.Regression->Sites) w.String(name);
        w.EndArray();
        w.EndObject();
    } else {
        w.Null();
    }
    w.Key("Ungauged");
    if (r.Ungauged) {
        const UngaugedResult& u = *r.Ungauged;
        w.BeginObject();
        w.Key("Area"); w.Number(u.Area);
        w.Key("IndexFlood"); w.Number(u.IndexFlood);
        w.Key("Quantiles"); Numbers(w, u.Quantiles);
        if (u.HasBounds) {
            w.Key("Lower"); Numbers(w, u.Lower);
            w.Key("Upper"); Numbers(w, u.Upper);
        }
        w.Key("RegressionStandardError"); w.Number(r.Regression->StandardError);
        w.Key("Note");
        w.String(u.HasBounds ? "Os limites são os da curva regional e não incluem o erro da regressão do índice de cheia "
                               "(erro-padrão dos resíduos em ln, ao lado)."
                             : "Sem simulação de precisão: sem limites; o erro da regressão do índice de cheia "
                               "(erro-padrão dos resíduos em ln) está ao lado.");
        w.EndObject();
    } else {
        w.Null();
    }
    w.Key("Advice");
    w.BeginArray();
    for (const std::string& line : advice) w.String(line);
    w.EndArray();
    w.EndObject();
    return w.Text() + "\n";
}

std::vector<std::string> RegionReport(const RegionalResult& r, const std::string& input,
                                      const std::vector<std::string>& advice) {
    std::vector<std::string> out;
    auto line = [&](const std::string& s = "") { out.push_back(s); };
    line("ANÁLISE REGIONAL DE FREQUÊNCIA POR L-MOMENTOS (método do índice de cheia)");
    line("Região: " + input);
    line("Postos analisados: " + std::to_string(r.Sites.size()) + "; regiões simuladas: " + std::to_string(r.NSim) +
         "; repetições da precisão: " + std::to_string(r.NRep) + "; semente: " + std::to_string(r.Seed));
    for (const std::string& w : r.Warnings) line("Aviso: " + w);
    line();
    line("1. L-MOMENTOS DOS POSTOS E DISCORDÂNCIA (Hosking e Wallis 1997, 3.2)");
    line(PadRight("Posto", 20) + Pad("n", 5) + Pad("l1", 12) + Pad("t", 9) + Pad("t3", 9) + Pad("t4", 9) + Pad("t5", 9) +
         Pad("D", 8) + "  Discordante");
    for (std::size_t i = 0; i < r.Sites.size(); ++i) {
        const RegionSite& s = r.Sites[i];
        line(PadRight(s.Name, 20) + Pad(std::to_string(s.N), 5) + Pad(Fixed(s.LMoments[0], 3), 12) +
             Pad(Fixed(s.LMoments[1], 4), 9) + Pad(Fixed(s.LMoments[2], 4), 9) + Pad(Fixed(s.LMoments[3], 4), 9) +
             Pad(Fixed(s.LMoments[4], 4), 9) + Pad(r.D[i] ? Fixed(*r.D[i], 2) : "-", 8) +
             (r.Discordant[i] ? "  SIM" : "  não"));
    }
    line("Valor crítico de D (10 %): " + Fixed(r.DCritical, 4));
    if (!r.DNotGivenReason.empty()) line("D não calculado: " + r.DNotGivenReason + ".");
    line();
    line("2. MÉDIA REGIONAL (ponderada pelo tamanho das séries)");
    line("l1 = 1   t = " + Fixed(r.Regional[1], 4) + "   t3 = " + Fixed(r.Regional[2], 4) + "   t4 = " +
         Fixed(r.Regional[3], 4) + "   t5 = " + Fixed(r.Regional[4], 4));
    line();
    line("3. HETEROGENEIDADE (Hosking e Wallis 1997, 4.3)");
    line("Kappa ajustada à média regional: xi = " + Fixed(r.Kappa.P[0], 4) + ", alfa = " + Fixed(r.Kappa.P[1], 4) +
         ", k = " + Fixed(r.Kappa.P[2], 4) + ", h = " + Fixed(r.Kappa.P[3], 4));
    if (r.KappaFallback) line("Usada a logística generalizada (h = -1) no lugar da kappa: " + r.KappaFallbackReason + ".");
    const char* measures[] = {"V1 (L-CV)", "V2 (L-CV e L-assimetria)", "V3 (L-assimetria e L-curtose)"};
    line(PadRight("Medida", 32) + Pad("observado", 11) + Pad("média sim.", 12) + Pad("d.p. sim.", 11) + Pad("H", 8));
    for (int j = 0; j < 3; ++j)
        line(PadRight(measures[j], 32) + Pad(Fixed(r.V[j], 4), 11) + Pad(Fixed(r.SimulatedMeanV[j], 4), 12) +
             Pad(Fixed(r.SimulatedSdV[j], 4), 11) + Pad(Fixed(r.H[j], 2), 8));
    line("Região " + r.Heterogeneity + " (H1 < 1: aceitavelmente homogênea; 1 a 2: possivelmente heterogênea; "
         "2 ou mais: definitivamente heterogênea).");
    line();
    line("4. ADERÊNCIA DAS CANDIDATAS (Hosking e Wallis 1997, 5.2; aceitável se |Z| <= 1,64)");
    line(PadRight("Distribuição", 14) + Pad("parâmetro 1", 13) + Pad("parâmetro 2", 13) + Pad("parâmetro 3", 13) +
         Pad("tau4", 9) + Pad("Z", 9) + "  Aceitável");
    for (const CandidateResult& c : r.Candidates)
        line(PadRight(FamilyText(c.Fit.Family), 14) + Pad(Fixed(c.Fit.P[0], 4), 13) + Pad(Fixed(c.Fit.P[1], 4), 13) +
             Pad(Fixed(c.Fit.P[2], 4), 13) + Pad(Fixed(c.Tau4, 4), 9) + Pad(Fixed(c.Z, 2), 9) +
             (c.Acceptable ? "  sim" : "  não"));
    line("Wakeby (" + std::string(WakebyFitText(r.Wakeby.Fallback)) + "): xi = " + Fixed(r.Wakeby.P[0], 4) +
         ", alfa = " + Fixed(r.Wakeby.P[1], 4) + ", beta = " + Fixed(r.Wakeby.P[2], 4) + ", gama = " +
         Fixed(r.Wakeby.P[3], 4) + ", delta = " + Fixed(r.Wakeby.P[4], 4));
    line("Distribuição escolhida: " + FamilyText(r.Chosen) + " (" + r.ChosenReason + ").");
    line();
    line("5. CURVA REGIONAL DE CRESCIMENTO (quantil / índice de cheia)");
    std::string header = PadRight("T (anos)", 14);
    for (double T : kRegionalReturnPeriods) header += Pad(Fixed(T, 0), 10);
    line(header);
    // Growth curves with 4 decimals in columns of 10; site quantiles with 2 in columns of 14.
    auto curveLine = [&](const std::string& name, const std::array<double, kRegionalPeriodCount>& q,
                         int decimals = 4) {
        std::string s = PadRight(name, 14);
        for (double v : q) s += Pad(Fixed(v, decimals), decimals == 4 ? 10 : 14);
        line(s);
    };
    std::string siteHeader = PadRight("T (anos)", 14);
    for (double T : kRegionalReturnPeriods) siteHeader += Pad(Fixed(T, 0), 14);
    for (const CandidateResult& c : r.Candidates) curveLine(FamilyText(c.Fit.Family), c.GrowthCurve);
    curveLine("WAK", r.WakebyGrowthCurve);
    line();
    if (r.Accuracy) {
        const AccuracyResult& a = *r.Accuracy;
        line("6. PRECISÃO POR SIMULAÇÃO (Hosking e Wallis 1997, 6.4): " + FamilyText(a.Family) + ", " +
             std::to_string(a.Replicates) + " regiões simuladas" +
             (a.Correlation > 0 ? ", correlação entre postos " + Fixed(a.Correlation, 2) : ", postos independentes"));
        line(header);
        curveLine("Curva", a.Quantiles);
        curveLine("EQM relativo", a.RelativeRMSE);
        curveLine("Limite 5 %", a.Lower);
        curveLine("Limite 95 %", a.Upper);
        line("Limites de 90 % do erro da estimativa: Q / U e Q / L, U e L os quantis de 95 % e 5 % da razão "
             "estimado / verdadeiro.");
        line();
        line("Quantis dos postos (índice de cheia = média do posto):");
        line(siteHeader);
        for (std::size_t i = 0; i < a.Sites.size(); ++i) {
            line(r.Sites[i].Name);
            curveLine("  Quantil", a.Sites[i].Quantiles, 2);
            curveLine("  EQM", a.Sites[i].RMSE, 2);
            curveLine("  Limite 5 %", a.Sites[i].Lower, 2);
            curveLine("  Limite 95 %", a.Sites[i].Upper, 2);
        }
    } else {
        line("6. PRECISÃO: não simulada (--accuracy none). Quantis dos postos com a curva " + FamilyText(r.Chosen) + ":");
        line(siteHeader);
        for (std::size_t i = 0; i < r.Sites.size(); ++i) curveLine(r.Sites[i].Name, SiteQuantiles(r, i), 2);
    }
    line();
    line("7. ÍNDICE DE CHEIA E ÁREA DE DRENAGEM");
    if (r.Regression) {
        const RegressionResult& g = *r.Regression;
        line("ln l1 = " + Fixed(g.A, 4) + " + " + Fixed(g.B, 4) + " ln(área);  R² = " + Fixed(g.R2, 4) +
             ";  erro-padrão dos resíduos = " + Fixed(g.StandardError, 4) + " (" + std::to_string(g.Sites.size()) +
             " postos)");
    } else {
        line("Sem regressão: a lista não dá áreas de drenagem distintas para pelo menos 3 postos.");
    }
    if (r.Ungauged) {
        const UngaugedResult& u = *r.Ungauged;
        line("Posto sem dados, área " + Fixed(u.Area, 1) + " km²: índice de cheia " + Fixed(u.IndexFlood, 3));
        line(siteHeader);
        curveLine("  Quantil", u.Quantiles, 2);
        if (u.HasBounds) {
            curveLine("  Limite 5 %", u.Lower, 2);
            curveLine("  Limite 95 %", u.Upper, 2);
            line("  Estes limites são os da curva regional e NÃO incluem o erro da regressão (erro-padrão " +
                 Fixed(r.Regression->StandardError, 4) + " em ln).");
        }
    }
    line();
    line("8. RECOMENDAÇÕES");
    for (const std::string& a : advice) line("- " + a);
    return out;
}

std::string RegionCsv(const RegionalResult& r) {
    const char sep = ';';
    std::vector<std::string> header = {"Posto", "Arquivo", "n", "l1", "t", "t3", "t4", "t5", "D", "Discordante",
                                       "Área (km2)"};
    for (double T : kRegionalReturnPeriods) {
        const std::string t = std::to_string(static_cast<int>(T));
        header.push_back("Q" + t);
        if (r.Accuracy) {
            header.push_back("Q" + t + " EQM");
            header.push_back("Q" + t + " inferior 5%");
            header.push_back("Q" + t + " superior 95%");
        }
    }
    std::string csv = "\xEF\xBB\xBF";
    for (std::size_t i = 0; i < header.size(); ++i) csv += (i ? std::string(1, sep) : "") + CsvText(header[i], sep);
    csv += "\r\n";
    auto number = [&](double v) { return std::string(1, sep) + CsvNumber(v, ','); };
    for (std::size_t i = 0; i < r.Sites.size(); ++i) {
        const RegionSite& s = r.Sites[i];
        csv += CsvText(s.Name, sep) + sep + CsvText(s.File, sep) + sep + std::to_string(s.N);
        for (double v : s.LMoments) csv += number(v);
        csv += r.D[i] ? number(*r.D[i]) : std::string(1, sep);
        csv += sep + std::string(r.Discordant[i] ? "sim" : "não");
        csv += s.Area > 0 ? number(s.Area) : std::string(1, sep);
        const auto q = SiteQuantiles(r, i);
        for (int t = 0; t < kRegionalPeriodCount; ++t) {
            csv += number(q[t]);
            if (r.Accuracy)
                csv += number(r.Accuracy->Sites[i].RMSE[t]) + number(r.Accuracy->Sites[i].Lower[t]) +
                       number(r.Accuracy->Sites[i].Upper[t]);
        }
        csv += "\r\n";
    }
    return csv;
}

int RunRegion(const RegionCommand& command) {
    std::vector<std::string> warnings;
    std::vector<RegionSite> sites = ReadRegionSites(command.Input, warnings);
    for (const std::string& w : warnings) std::fprintf(stderr, "%s\n", w.c_str());
    RegionalResult r = AnalyseRegion(std::move(sites), command.Options);
    r.Warnings = warnings;
    const std::vector<std::string> advice = RegionalAdviceLines(r);
    const bool any = !command.Json.empty() || !command.Report.empty() || !command.Csv.empty();
    if (!command.Json.empty()) WriteOut(command.Json, RegionJson(r, command.Input, advice));
    if (!command.Report.empty() || !any) WriteOut(any ? command.Report : "-", JoinCrLf(RegionReport(r, command.Input, advice)));
    if (!command.Csv.empty()) WriteOut(command.Csv, RegionCsv(r));
    return 0;
}

}  // namespace zarn
