// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/factfile.h"

#include <cerrno>
#include <cmath>
#include <fcntl.h>
#include <unistd.h>

#include "files/errors.h"
#include "files/format.h"

namespace zarn {

namespace {

// Code of each distribution in the names of its two fuzzy variables.
constexpr const char* kCodes[kDistributionCount] = {"NOR", "LNR", "GUM", "EXP", "PE3", "LP3", "GEV", "GPA"};

// The sample minimum counts as below a distribution's lower bound when it lies
// under this fraction of the bound.
constexpr double kBoundFactor = 0.9;

// Parsimony facts, one per pair of a two-parameter distribution and its
// three-parameter relative, k = 1..4.
constexpr const char* kParsimonyFacts[4] = {
    "(NORparsimoniaPE3)", "(LNRparsimoniaLP3)", "(GUMparsimoniaGEV)", "(EXPparsimoniaGPA)"};

std::string F3(double v) { return FormatFixed(v, 0, 3); }

// The comparisons below are the quiet ones (std::isgreater ...): a value that
// is not a number in an opened project file makes a condition false instead
// of raising the invalid-operation flag.
void AddFlagFacts(const AnalysisRecord& r, std::vector<std::string>& lines) {
    const ParameterSet& ex = ParametersOf(r, kExponential);
    const ParameterSet& pe3 = ParametersOf(r, kPearson3);
    const ParameterSet& lp3 = ParametersOf(r, kLogPearson3);
    const ParameterSet& gev = ParametersOf(r, kGEV);
    const ParameterSet& gpa = ParametersOf(r, kGPA);
    const auto fact = [&lines](bool holds, const char* text) {
        if (holds) lines.emplace_back(text);
    };

    fact(std::isless(r.Skewness, 0.0), "(assimetrianegativaX)");
    fact(std::isless(r.LogSkewness, 0.0), "(assimetrianegativaLNX)");
    fact(std::isgreater(gev.Shape, 0.0), "(KdaGEVpositivo)");
    fact(std::isgreater(gpa.Shape, 0.0), "(KdaGPApositivo)");
    // Lower bounds of the fitted distributions. The sign test on Shape comes
    // first and the bound is computed only when it holds, so a Shape of
    // exactly 0 never divides.
    fact(std::isgreater(kBoundFactor * ex.Position, r.Minimum), "(MinXMenorMinEXP)");
    fact(std::isgreater(pe3.Shape, 0.0) &&
             std::isgreater(kBoundFactor * (pe3.Position - 2.0 * pe3.Scale / pe3.Shape), r.Minimum),
         "(MinXMenorMinPE3)");
    // LogPearson III: bound and minimum both in natural-log units.
    fact(std::isgreater(lp3.Shape, 0.0) &&
             std::isgreater(kBoundFactor * (lp3.Position - 2.0 * lp3.Scale / lp3.Shape), r.LogMinimum),
         "(MinXMenorMinLP3)");
    fact(std::isless(gev.Shape, 0.0) &&
             std::isgreater(kBoundFactor * (gev.Position + gev.Scale / gev.Shape), r.Minimum),
         "(MinXMenorMinGEV)");
    // GPA: bounded below at Position whatever the Shape; a Shape of 0 qualifies.
    fact(std::islessequal(gpa.Shape, 0.0) && std::isgreater(kBoundFactor * gpa.Position, r.Minimum),
         "(MinXMenorMinGPA)");

    for (int k = 0; k < 4; ++k) fact(std::isgreater(r.ParsimonyValue[k], r.ParsimonyLimit[k]), kParsimonyFacts[k]);
}

}  // namespace

std::vector<std::string> FactFileLines(const AnalysisRecord& r) {
    std::vector<std::string> lines;
    lines.reserve(55);
    for (const char* code : kCodes)
        lines.push_back(std::string("(deftemplate A::VAR") + code + " -10 10 unid ((Z (Z 0 3.3))))");
    // The S term rises from 2 R90 - 1 to 1, so it is 0.5 at R90.
    for (int i = 1; i <= kDistributionCount; ++i)
        lines.push_back(std::string("(deftemplate A::PPCC") + kCodes[i - 1] + " -10 10 unid ((S (S " +
                        F3(2 * FitTestOf(r, i).R90 - 1) + " 1))))");

    lines.emplace_back("(deffacts A::Fatos");
    lines.push_back("(tamanho " + std::to_string(r.SampleSize) + ")");
    for (int i = 1; i <= kDistributionCount; ++i)
        lines.push_back(std::string("(VAR") + kCodes[i - 1] + " (pi 0 " + F3(VarianceTestZOf(r, i)) + "))");
    for (int i = 1; i <= kDistributionCount; ++i)
        lines.push_back(std::string("(PPCC") + kCodes[i - 1] + " (pi 0 " + F3(FitTestOf(r, i).R) + "))");
    AddFlagFacts(r, lines);
    lines.emplace_back(")");

    lines.emplace_back("(defrule MAIN::inicio");
    lines.emplace_back("   (declare (salience 10))");
    lines.emplace_back("   (initial-fact)");
    lines.emplace_back("=>");
    lines.emplace_back("(printout t \"\" crlf)");
    lines.emplace_back("(printout t \"KELMORIDA\" crlf)");
    lines.emplace_back("(focus MAIN A B C D E F G))");
    return lines;
}

// Written in place: the file is created or truncated, and on a failure the
// lines already written stay in it.
void WriteFactFile(const AnalysisRecord& r, const std::string& path) {
    std::string bytes;
    for (const std::string& line : FactFileLines(r)) bytes += line + "\r\n";

    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) RaiseFileError(errno, path);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int code = errno;
            ::close(fd);
            RaiseFileError(code, path);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) RaiseFileError(errno, path);
}

}  // namespace zarn
