// SPDX-License-Identifier: GPL-3.0-or-later
#include "views/regionallines.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "files/format.h"

namespace zarn {

namespace {

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


std::string FamilyText(RegionalFamily f) { return std::string(FamilyName(f)); }

}  // namespace

std::string RegionNumber(double v, int decimals) {
    if (!std::isfinite(v)) return "-";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, v);
    std::string s(text);
    for (char& c : s)
        if (c == '.') c = ',';
    return s;
}


// A return period as the tables head it: "100", "2,33".
std::string PeriodLabel(double T) {
    if (T == std::floor(T) && T < 1e15) return RegionNumber(T, 0);
    std::string text = RegionNumber(T, 2);
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == ',') text.pop_back();
    return text;
}

PeriodValues RegionSiteQuantiles(const RegionalResult& r, std::size_t i) {
    if (r.Accuracy) return r.Accuracy->Sites[i].Quantiles;
    PeriodValues q = r.GrowthCurveOf(r.Chosen);
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


namespace {

// The return periods' heading of a table, in columns of `width`.
std::string PeriodHeader(const RegionalResult& r, std::size_t width) {
    std::string header = PadRight("T (anos)", 14);
    for (double T : r.ReturnPeriods) header += Pad(PeriodLabel(T), width);
    return header;
}

// One row of values by return period: growth curves with 4 decimals in
// columns of 10; site quantiles with 2 in columns of 14.
void CurveLine(std::vector<std::string>& out, const std::string& name, const PeriodValues& q, int decimals = 4) {
    std::string s = PadRight(name, 14);
    for (double v : q) s += Pad(RegionNumber(v, decimals), decimals == 4 ? 10 : 14);
    out.push_back(s);
}

// The title, the list read and the run's counts and warnings.
void AppendRegionHeading(const RegionalResult& r, const std::string& input, std::vector<std::string>& out) {
    auto line = [&out](const std::string& s = "") { out.push_back(s); };
    line("ANÁLISE REGIONAL DE FREQUÊNCIA POR L-MOMENTOS (método do índice de cheia)");
    line("Região: " + input);
    line("Postos analisados: " + std::to_string(r.Sites.size()) + "; regiões simuladas: " + std::to_string(r.NSim) +
         "; repetições da precisão: " + std::to_string(r.NRep) + "; semente: " + std::to_string(r.Seed));
    for (const std::string& w : r.Warnings) line("Aviso: " + w);
}

// The sites' L-moments and discordancy.
void AppendDiscordancy(const RegionalResult& r, std::vector<std::string>& out) {
    auto line = [&out](const std::string& s = "") { out.push_back(s); };
    line("1. L-MOMENTOS DOS POSTOS E DISCORDÂNCIA (Hosking e Wallis 1997, 3.2)");
    line(PadRight("Posto", 20) + Pad("n", 5) + Pad("l1", 12) + Pad("t", 9) + Pad("t3", 9) + Pad("t4", 9) + Pad("t5", 9) +
         Pad("D", 8) + "  Discordante");
    for (std::size_t i = 0; i < r.Sites.size(); ++i) {
        const RegionSite& s = r.Sites[i];
        line(PadRight(s.Name, 20) + Pad(std::to_string(s.N), 5) + Pad(RegionNumber(s.LMoments[0], 3), 12) +
             Pad(RegionNumber(s.LMoments[1], 4), 9) + Pad(RegionNumber(s.LMoments[2], 4), 9) + Pad(RegionNumber(s.LMoments[3], 4), 9) +
             Pad(RegionNumber(s.LMoments[4], 4), 9) + Pad(r.D[i] ? RegionNumber(*r.D[i], 2) : "-", 8) +
             (r.Discordant[i] ? "  SIM" : "  não"));
    }
    line("Valor crítico de D (10 %): " + RegionNumber(r.DCritical, 4));
    if (!r.DNotGivenReason.empty()) line("D não calculado: " + r.DNotGivenReason + ".");
}

// The regional average L-moment ratios.
void AppendRegionalMean(const RegionalResult& r, std::vector<std::string>& out) {
    auto line = [&out](const std::string& s = "") { out.push_back(s); };
    line("2. MÉDIA REGIONAL (ponderada pelo tamanho das séries)");
    line("l1 = 1   t = " + RegionNumber(r.Regional[1], 4) + "   t3 = " + RegionNumber(r.Regional[2], 4) + "   t4 = " +
         RegionNumber(r.Regional[3], 4) + "   t5 = " + RegionNumber(r.Regional[4], 4));
}

// The kappa fitted to the regional average and the heterogeneity measures.
void AppendHeterogeneity(const RegionalResult& r, std::vector<std::string>& out) {
    auto line = [&out](const std::string& s = "") { out.push_back(s); };
    line("3. HETEROGENEIDADE (Hosking e Wallis 1997, 4.3)");
    line("Kappa ajustada à média regional: xi = " + RegionNumber(r.Kappa.P[0], 4) + ", alfa = " + RegionNumber(r.Kappa.P[1], 4) +
         ", k = " + RegionNumber(r.Kappa.P[2], 4) + ", h = " + RegionNumber(r.Kappa.P[3], 4));
    if (r.KappaFallback) line("Usada a logística generalizada (h = -1) no lugar da kappa: " + r.KappaFallbackReason + ".");
    const char* measures[] = {"V1 (L-CV)", "V2 (L-CV e L-assimetria)", "V3 (L-assimetria e L-curtose)"};
    line(PadRight("Medida", 32) + Pad("observado", 11) + Pad("média sim.", 12) + Pad("d.p. sim.", 11) + Pad("H", 8));
    for (int j = 0; j < 3; ++j)
        line(PadRight(measures[j], 32) + Pad(RegionNumber(r.V[j], 4), 11) + Pad(RegionNumber(r.SimulatedMeanV[j], 4), 12) +
             Pad(RegionNumber(r.SimulatedSdV[j], 4), 11) + Pad(RegionNumber(r.H[j], 2), 8));
    line("Região " + r.Heterogeneity + " (H1 < 1: aceitavelmente homogênea; 1 a 2: possivelmente heterogênea; "
         "2 ou mais: definitivamente heterogênea).");
}

// The candidate distributions' fits and goodness of fit, Wakeby's and the one chosen.
void AppendCandidates(const RegionalResult& r, std::vector<std::string>& out) {
    auto line = [&out](const std::string& s = "") { out.push_back(s); };
    line("4. ADERÊNCIA DAS CANDIDATAS (Hosking e Wallis 1997, 5.2; aceitável se |Z| <= 1,64)");
    line(PadRight("Distribuição", 14) + Pad("parâmetro 1", 13) + Pad("parâmetro 2", 13) + Pad("parâmetro 3", 13) +
         Pad("tau4", 9) + Pad("Z", 9) + "  Aceitável");
    for (const CandidateResult& c : r.Candidates)
        line(PadRight(FamilyText(c.Fit.Family), 14) + Pad(RegionNumber(c.Fit.P[0], 4), 13) + Pad(RegionNumber(c.Fit.P[1], 4), 13) +
             Pad(RegionNumber(c.Fit.P[2], 4), 13) + Pad(RegionNumber(c.Tau4, 4), 9) + Pad(RegionNumber(c.Z, 2), 9) +
             (c.Acceptable ? "  sim" : "  não"));
    line("Wakeby (" + std::string(WakebyFitText(r.Wakeby.Fallback)) + "): xi = " + RegionNumber(r.Wakeby.P[0], 4) +
         ", alfa = " + RegionNumber(r.Wakeby.P[1], 4) + ", beta = " + RegionNumber(r.Wakeby.P[2], 4) + ", gama = " +
         RegionNumber(r.Wakeby.P[3], 4) + ", delta = " + RegionNumber(r.Wakeby.P[4], 4));
    line("Distribuição escolhida: " + FamilyText(r.Chosen) + " (" + r.ChosenReason + ").");
}

// The regional growth curves of the candidates and of Wakeby.
void AppendGrowthCurves(const RegionalResult& r, std::vector<std::string>& out) {
    auto line = [&out](const std::string& s = "") { out.push_back(s); };
    line("5. CURVA REGIONAL DE CRESCIMENTO (quantil / índice de cheia)");
    line(PeriodHeader(r, 10));
    for (const CandidateResult& c : r.Candidates) CurveLine(out, FamilyText(c.Fit.Family), c.GrowthCurve);
    CurveLine(out, "WAK", r.WakebyGrowthCurve);
}

// The simulated accuracy of the chosen curve and of the sites' quantiles,
// or the sites' quantiles alone when it was not simulated.
void AppendAccuracy(const RegionalResult& r, std::vector<std::string>& out) {
    auto line = [&out](const std::string& s = "") { out.push_back(s); };
    if (r.Accuracy) {
        const AccuracyResult& a = *r.Accuracy;
        line("6. PRECISÃO POR SIMULAÇÃO (Hosking e Wallis 1997, 6.4): " + FamilyText(a.Family) + ", " +
             std::to_string(a.Replicates) + " regiões simuladas" +
             (a.Correlation > 0 ? ", correlação entre postos " + RegionNumber(a.Correlation, 2) : ", postos independentes"));
        line(PeriodHeader(r, 10));
        CurveLine(out, "Curva", a.Quantiles);
        CurveLine(out, "EQM relativo", a.RelativeRMSE);
        CurveLine(out, "Limite 5 %", a.Lower);
        CurveLine(out, "Limite 95 %", a.Upper);
        line("Limites de 90 % do erro da estimativa: Q / U e Q / L, U e L os quantis de 95 % e 5 % da razão "
             "estimado / verdadeiro.");
        line();
        line("Quantis dos postos (índice de cheia = média do posto):");
        line(PeriodHeader(r, 14));
        for (std::size_t i = 0; i < a.Sites.size(); ++i) {
            line(r.Sites[i].Name);
            CurveLine(out, "  Quantil", a.Sites[i].Quantiles, 2);
            CurveLine(out, "  EQM", a.Sites[i].RMSE, 2);
            CurveLine(out, "  Limite 5 %", a.Sites[i].Lower, 2);
            CurveLine(out, "  Limite 95 %", a.Sites[i].Upper, 2);
        }
    } else {
        line("6. PRECISÃO: não simulada (--accuracy none). Quantis dos postos com a curva " + FamilyText(r.Chosen) + ":");
        line(PeriodHeader(r, 14));
        for (std::size_t i = 0; i < r.Sites.size(); ++i) CurveLine(out, r.Sites[i].Name, RegionSiteQuantiles(r, i), 2);
    }
}

// The regression of the index flood on drainage area and the ungauged site.
void AppendIndexFlood(const RegionalResult& r, std::vector<std::string>& out) {
    auto line = [&out](const std::string& s = "") { out.push_back(s); };
    line("7. ÍNDICE DE CHEIA E ÁREA DE DRENAGEM");
    if (r.Regression) {
        const RegressionResult& g = *r.Regression;
        line("ln l1 = " + RegionNumber(g.A, 4) + " + " + RegionNumber(g.B, 4) + " ln(área);  R² = " + RegionNumber(g.R2, 4) +
             ";  erro-padrão dos resíduos = " + RegionNumber(g.StandardError, 4) + " (" + std::to_string(g.Sites.size()) +
             " postos)");
    } else {
        line("Sem regressão: a lista não dá áreas de drenagem distintas para pelo menos 3 postos.");
    }
    if (r.Ungauged) {
        const UngaugedResult& u = *r.Ungauged;
        line("Posto sem dados, área " + RegionNumber(u.Area, 1) + " km²: índice de cheia " + RegionNumber(u.IndexFlood, 3));
        line(PeriodHeader(r, 14));
        CurveLine(out, "  Quantil", u.Quantiles, 2);
        if (u.HasBounds) {
            CurveLine(out, "  Limite 5 %", u.Lower, 2);
            CurveLine(out, "  Limite 95 %", u.Upper, 2);
            line("  Estes limites são os da curva regional e NÃO incluem o erro da regressão (erro-padrão " +
                 RegionNumber(r.Regression->StandardError, 4) + " em ln).");
        }
        if (const std::string caution = UngaugedCaution(r); !caution.empty()) line("  " + caution);
    }
}

}  // namespace

std::vector<std::string> RegionReportLines(const RegionalResult& r, const std::string& input,
                                      const std::vector<std::string>& advice) {
    std::vector<std::string> out;
    AppendRegionHeading(r, input, out);
    out.emplace_back();
    AppendDiscordancy(r, out);
    out.emplace_back();
    AppendRegionalMean(r, out);
    out.emplace_back();
    AppendHeterogeneity(r, out);
    out.emplace_back();
    AppendCandidates(r, out);
    out.emplace_back();
    AppendGrowthCurves(r, out);
    out.emplace_back();
    AppendAccuracy(r, out);
    out.emplace_back();
    AppendIndexFlood(r, out);
    out.emplace_back();
    out.emplace_back("8. RECOMENDAÇÕES");
    for (const std::string& a : advice) out.push_back("- " + a);
    return out;
}

std::string UngaugedCaution(const RegionalResult& r) {
    if (!r.Ungauged || !r.Regression) return {};
    const UngaugedResult& u = *r.Ungauged;
    const RegressionResult& g = *r.Regression;
    std::string text;
    if (u.OutsideGaugedAreas)
        text = "a área " + RegionNumber(u.Area, 1) + " km² está fora das áreas dos postos da regressão (" +
               RegionNumber(g.SmallestArea, 1) + " a " + RegionNumber(g.LargestArea, 1) +
               " km²): o índice de cheia é uma extrapolação";
    if (u.FewDegreesOfFreedom) {
        const int freedom = g.DegreesOfFreedom();
        text += std::string(text.empty() ? "" : "; ") + "a regressão tem " + std::to_string(freedom) +
                (freedom == 1 ? " grau" : " graus") + " de liberdade (" + std::to_string(g.Sites.size()) +
                " postos com área): sua reta é muito incerta";
    }
    return text.empty() ? text : "Cuidado: " + text + ".";
}

std::string RegionCsvText(const RegionalResult& r) {
    const char sep = ';';
    std::vector<std::string> header = {"Posto", "Arquivo", "n", "l1", "t", "t3", "t4", "t5", "D", "Discordante",
                                       "Área (km2)"};
    for (double T : r.ReturnPeriods) {
        const std::string t = PeriodLabel(T);
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
        const auto q = RegionSiteQuantiles(r, i);
        for (std::size_t t = 0; t < q.size(); ++t) {
            csv += number(q[t]);
            if (r.Accuracy)
                csv += number(r.Accuracy->Sites[i].RMSE[t]) + number(r.Accuracy->Sites[i].Lower[t]) +
                       number(r.Accuracy->Sites[i].Upper[t]);
        }
        csv += "\r\n";
    }
    return csv;
}


namespace {

// The sites' numbers on the ratio diagram, placed one after the other: each
// takes, of eight places around its point, the one that overlaps least the
// labels already placed, the points and the plot's border. Sizes are
// fractions of the plot (a chart of about 15 x 10 cm with 8-point numbers).
std::vector<RatioPoint> PlaceSiteLabels(const RegionalDiagramData& d) {
    constexpr double kDigitWidth = 0.013, kLabelHeight = 0.045, kMarker = 0.012, kGap = 0.004, kLabelPad = 0.015;
    struct Box {
        double L, B, R, T;
    };
    auto overlap = [](const Box& a, const Box& b) {
        const double w = std::min(a.R, b.R) - std::max(a.L, b.L), h = std::min(a.T, b.T) - std::max(a.B, b.B);
        return w > 0 && h > 0 ? w * h : 0.0;
    };
    const double du = d.T3Max - d.T3Min, dv = d.T4Max - d.T4Min;
    std::vector<Box> taken;  // the points, then each label placed
    for (const RatioPoint& p : d.Sites) {
        const double u = (p.T3 - d.T3Min) / du, v = (p.T4 - d.T4Min) / dv;
        taken.push_back({u - kMarker, v - kMarker, u + kMarker, v + kMarker});
    }
    const double au = (d.Average.T3 - d.T3Min) / du, av = (d.Average.T4 - d.T4Min) / dv;
    taken.push_back({au - 1.5 * kMarker, av - 1.5 * kMarker, au + 1.5 * kMarker, av + 1.5 * kMarker});
    // Right, left, above, below, then the diagonals.
    constexpr int kPlaces[8][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {-1, 1}, {1, -1}, {-1, -1}};
    std::vector<RatioPoint> anchors;
    for (std::size_t i = 0; i < d.Sites.size(); ++i) {
        const double w = kDigitWidth * static_cast<double>(std::to_string(i + 1).size()), h = kLabelHeight;
        const double u = (d.Sites[i].T3 - d.T3Min) / du, v = (d.Sites[i].T4 - d.T4Min) / dv;
        Box best{};
        double least = INFINITY;
        // Beside the point first; a label's width farther out when every
        // place beside it is taken.
        for (int ring = 1; ring <= 2; ++ring)
        for (const auto& place : kPlaces) {
            const double reach = (ring - 1) * w;
            const double cu = u + place[0] * (kMarker + kGap + w / 2 + reach),
                         cv = v + place[1] * (kMarker + kGap + h / 2 + reach);
            const Box box{cu - w / 2, cv - h / 2, cu + w / 2, cv + h / 2};
            double cost = ring == 1 ? 0 : 1e-5;
            for (const Box& other : taken) cost += overlap(box, other);
            const Box inside{std::max(box.L, 0.0), std::max(box.B, 0.0), std::min(box.R, 1.0), std::min(box.T, 1.0)};
            cost += w * h - std::max(0.0, inside.R - inside.L) * std::max(0.0, inside.T - inside.B);
            if (cost < least - 1e-12) least = cost, best = box;
        }
        // A little space around a placed number, so that two numbers side by
        // side do not read as one.
        taken.push_back({best.L - kLabelPad, best.B - kLabelPad / 2, best.R + kLabelPad, best.T + kLabelPad / 2});
        anchors.push_back({d.T3Min + (best.L + best.R) / 2 * du, d.T4Min + best.B * dv});
    }
    return anchors;
}

}  // namespace

RegionalDiagramData RegionalDiagram(const RegionalResult& r) {
    constexpr double kCurveStep = 0.02;  // t3 between two points of a curve
    constexpr double kLargestT3 = 0.9;   // the GNO's fit holds below 0.95
    constexpr double kRoom = 0.02;
    RegionalDiagramData d;
    d.T3Min = -0.1;
    d.T3Max = 0.6;
    d.T4Min = 0.0;
    d.T4Max = 0.4;
    for (std::size_t i = 0; i < r.Sites.size(); ++i) {
        const RatioPoint p{r.Sites[i].LMoments[2], r.Sites[i].LMoments[3]};
        d.Sites.push_back(p);
        d.Discordant.push_back(r.Discordant[i]);
        // Room around every point: no marker on the border (0.02, about
        // twice a marker's radius on the chart), the axes at round tenths.
        d.T3Min = std::min(d.T3Min, std::floor((p.T3 - kRoom) * 10) / 10);
        d.T3Max = std::max(d.T3Max, std::ceil((p.T3 + kRoom) * 10) / 10);
        d.T4Min = std::min(d.T4Min, std::floor((p.T4 - kRoom) * 10) / 10);
        d.T4Max = std::max(d.T4Max, std::ceil((p.T4 + kRoom) * 10) / 10);
    }
    d.T3Min = std::max(d.T3Min, -kLargestT3);
    d.T3Max = std::min(d.T3Max, kLargestT3);
    d.Average = {r.Regional[2], r.Regional[3]};
    for (double t3 = d.T3Min; t3 <= d.T3Max + 1e-9; t3 += kCurveStep) {
        for (std::size_t f = 0; f < kCandidateFamilies.size(); ++f) {
            RegionalFit fit;
            if (!FitRegional(kCandidateFamilies[f], LMomentRatios{1.0, 0.2, t3, 0.0, 0.0}, fit)) continue;
            const double t4 = RegionalTau4(fit);
            if (std::isfinite(t4)) d.Curves[f].push_back({t3, t4});
        }
    }
    d.LabelAnchors = PlaceSiteLabels(d);
    return d;
}

GrowthChartData GrowthChart(const RegionalResult& r) {
    constexpr int kPoints = 120;
    constexpr double kShortestPeriod = 1.01;  // return periods drawn: 1.01 to 1000 years
    GrowthChartData g;
    g.Family = std::string(FamilyName(r.Chosen));
    RegionalFit fit = r.Wakeby;
    if (const CandidateResult* c = r.Candidate(r.Chosen)) fit = c->Fit;
    if (r.Accuracy) fit = r.Accuracy->Fit, g.Family = std::string(FamilyName(r.Accuracy->Family));
    auto variate = [](double T) { return -std::log(-std::log(1.0 - 1.0 / T)); };
    g.XMin = variate(kShortestPeriod);
    g.XMax = variate(std::max(kRegionalReturnPeriods.back(), *std::max_element(r.ReturnPeriods.begin(), r.ReturnPeriods.end())));
    for (int i = 0; i <= kPoints; ++i) {
        const double y = g.XMin + (g.XMax - g.XMin) * i / kPoints;
        const double q = RegionalQuantile(fit, std::exp(-std::exp(-y)));
        if (!std::isfinite(q)) continue;
        g.Curve.push_back({y, q});
        g.YMax = std::max(g.YMax, q);
    }
    if (r.Accuracy)
        for (std::size_t t = 0; t < r.ReturnPeriods.size(); ++t) {
            const double y = variate(r.ReturnPeriods[t]);
            g.Lower.push_back({y, r.Accuracy->Lower[t]});
            g.Upper.push_back({y, r.Accuracy->Upper[t]});
            g.YMax = std::max(g.YMax, r.Accuracy->Upper[t]);
        }
    return g;
}

}  // namespace zarn
