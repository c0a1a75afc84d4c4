// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/region.h"

#include <cmath>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

#include "analysis/returnperiods.h"
#include "files/errors.h"
#include "files/filerules.h"
#include "regional/regionsites.h"
#include "cli/advice.h"
#include "cli/json.h"
#include "cli/outputs.h"
#include "cli/study.h"
#include "views/regionallines.h"
#include "rules/regionaladvice.h"

namespace zarn {

const char* const kRegionUsage =
    "       zarn-cli --region INPUT [--nsim N] [--nrep N] [--seed S]\n"
    "                [--accuracy auto|none|glo|gev|gno|pe3|gpa|wak|kap] [--correlation R] [--ungauged AREA]\n"
    "                [--return-periods T1,T2,...] [--json OUT] [--report OUT] [--csv OUT] [--threads N]\n"
    "                [--rules FILE] [--study OUT.pdf]\n";

namespace {

constexpr int kMaxThreads = 256;

bool ParseInteger(const std::string& text, long long low, long long high, long long& v) {
    double d;
    if (!ParseDecimal(text, d) || d != std::floor(d) || d < low || d > high) return false;
    v = static_cast<long long>(d);
    return true;
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

void Numbers(JsonWriter& w, const std::vector<double>& v) { Numbers(w, v.data(), static_cast<int>(v.size())); }

std::string FamilyText(RegionalFamily f) { return std::string(FamilyName(f)); }

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
        else if (arg == "--study") c.Study = value;
        else if (arg == "--rules") c.Rules = value;
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
            if (!ParseDecimal(value, x) || !(x >= 0 && x < 1)) fault("--correlation takes a number from 0 to below 1");
            c.Options.Correlation = x;
        } else if (arg == "--ungauged") {
            if (!ParseDecimal(value, x) || !(x > 0)) fault("--ungauged takes a positive drainage area in km2");
            c.Options.UngaugedArea = x;
        } else if (arg == "--return-periods") {
            if (const std::string e = ParseReturnPeriods(value, c.Options.ReturnPeriods); !e.empty())
                fault("--return-periods: " + e);
        } else if (arg == "--accuracy") {
            if (value == "none") c.Options.Accuracy = false;
            else if (value == "auto") c.Options.AccuracyAuto = true;
            else if (FamilyFromName(value, c.Options.AccuracyFamily)) c.Options.AccuracyAuto = false;
            else fault("--accuracy takes auto, none, glo, gev, gno, pe3, gpa, wak or kap");
        } else fault("unknown argument " + arg);
        if (arg != "--json" && arg != "--report" && arg != "--csv" && arg != "--study")
            c.Arguments.insert(c.Arguments.end(), {arg, value});
    }
    if (c.Input.empty()) fault("--region needs INPUT");
    return c;
}

namespace {

void SitesJson(JsonWriter& w, const RegionalResult& r) {
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
}

void AccuracyJson(JsonWriter& w, const RegionalResult& r) {
    const AccuracyResult& a = *r.Accuracy;
    w.BeginObject();
    w.Key("Distribution"); w.String(FamilyText(a.Family));
    w.Key("Parameters"); Numbers(w, a.Fit.P, a.Fit.ParameterCount());
    w.Key("Correlation"); w.Number(a.Correlation);
    w.Key("Replicates"); w.Integer(a.Replicates);
    w.Key("ReturnPeriods"); Numbers(w, r.ReturnPeriods);
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

void UngaugedJson(JsonWriter& w, const RegionalResult& r) {
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
    w.Key("OutsideGaugedAreas"); w.Bool(u.OutsideGaugedAreas);
    w.Key("RegressionDegreesOfFreedom"); w.Integer(r.Regression->DegreesOfFreedom());
    if (const std::string caution = UngaugedCaution(r); !caution.empty()) {
        w.Key("Caution"); w.String(caution);
    }
    w.Key("Note");
    w.String(u.HasBounds ? "Os limites são os da curva regional e não incluem o erro da regressão do índice de cheia "
                           "(erro-padrão dos resíduos em ln, ao lado)."
                         : "Sem simulação de precisão: sem limites; o erro da regressão do índice de cheia "
                           "(erro-padrão dos resíduos em ln) está ao lado.");
    w.EndObject();
}

}  // namespace

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
    SitesJson(w, r);
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
    w.Key("ReturnPeriods"); Numbers(w, r.ReturnPeriods);
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
        w.Key("Accuracy");
        AccuracyJson(w, r);
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
    if (r.Ungauged) UngaugedJson(w, r);
    else w.Null();
    w.Key("Advice");
    w.BeginArray();
    for (const std::string& line : advice) w.String(line);
    w.EndArray();
    w.EndObject();
    return w.Text() + "\n";
}

int RunRegion(const RegionCommand& command) {
    std::vector<std::string> warnings;
    // The list is a regular file of a list's size (files/filerules.h): a
    // pipe or a device would never end. A folder is read as the stations' folder.
    struct stat st {};
    if (::stat(command.Input.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) ::close(OpenInputFile(command.Input, kListInput));
    std::vector<RegionSite> sites = ReadRegionSites(RegionEntriesOf(command.Input), warnings);
    for (const std::string& w : warnings) std::fprintf(stderr, "%s\n", w.c_str());
    // No output may replace an input (the list file, any station's file, the
    // rule base) nor another output (files/filerules.h).
    OutputRule rule;
    rule.Input(command.Input);
    rule.Input(command.Rules);
    for (const RegionSite& site : sites) rule.Input(site.File);
    for (const std::string* out : {&command.Json, &command.Report, &command.Csv, &command.Study}) rule.Output(*out);
    rule.Check();
    const bool any = !command.Json.empty() || !command.Report.empty() || !command.Csv.empty();
    // The study alone: the charts tool makes the analysis (the same seed, the
    // same numbers) and the PDF.
    if (!command.Study.empty() && !any) return WriteRegionStudy(command.Arguments, command.Study);
    RegionalResult r = AnalyseRegion(std::move(sites), command.Options);
    r.Warnings = warnings;
    const std::vector<std::string> advice = RegionalAdviceLines(r, ToolSession(command.Rules));
    if (!command.Json.empty()) WriteOut(command.Json, RegionJson(r, command.Input, advice));
    if (!command.Report.empty() || !any) WriteOut(any ? command.Report : "-", JoinCrLf(RegionReportLines(r, command.Input, advice)));
    if (!command.Csv.empty()) WriteOut(command.Csv, RegionCsvText(r));
    if (!command.Study.empty()) return WriteRegionStudy(command.Arguments, command.Study);
    return 0;
}

}  // namespace zarn
