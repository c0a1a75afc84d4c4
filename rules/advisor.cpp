// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/advisor.h"

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <locale.h>
#include <map>
#include <mutex>
#include <sstream>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/errors.h"
#include "files/filewrite.h"
#include "files/format.h"
#include "files/numbertext.h"
#include "platform/session.h"
#include "rules/rulecheck.h"
#include "rules/regionaladvice.h"
#include "files/textcodec.h"

extern "C" {
#include <clips/clips.h>
}

namespace zarn {

// The rule base's text, compiled in from rules/zarn.clp (defaultrules.cpp is
// generated at build time).
extern const char* const kEmbeddedRuleBase;

namespace {

// The name under which the rule base's text is read by the engine.
constexpr const char* kRuleSource = "zarn-regras";
// Symbol that stands for a value that is not a finite number, both ways.
constexpr const char* kNotFinite = "nao-finito";
// Characters of the engine's error text quoted in a problem.
constexpr std::size_t kMaxDetail = 400;
// Characters of the engine's printing kept; the rest is dropped (a rule base
// printing in a loop must not fill the program's memory).
constexpr std::size_t kMaxEngineOutput = 1 << 16;
// Wall time of one consultation, loading included, after which it is stopped.
constexpr auto kMaxConsultationTime = std::chrono::seconds(3);
constexpr long long kMaxConsultationSeconds = 3;  // the same, for the message
// Memory the engine may hold during a consultation (its own count, EnvMemUsed).
constexpr long kMaxEngineMemory = 128L << 20;
constexpr long kMaxEngineMemoryMB = kMaxEngineMemory >> 20;  // the same, for the message
// Rule bases whose image or failure one process keeps (a session uses one or
// two; a run over many texts, such as a fuzzer's, must not pile them up).
constexpr std::size_t kMaxImages = 8;
constexpr std::size_t kMaxFailures = 64;
// A rule base file larger than this is refused unread (the compiled-in one has 30 KB).
constexpr long long kMaxRuleBaseBytes = 16LL << 20;

// CLIPS 6.30 environments share process-wide state: the eval and build
// functions keep a static nesting counter, and creating and destroying an
// environment is not documented as thread-safe. A consultation takes a few
// milliseconds, so consultations from several threads simply take turns.
std::mutex& ConsultationMutex() {
    static std::mutex mutex;
    return mutex;
}

// The "C" locale, made once for the process.
locale_t CLocale() {
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// Runs this thread in the "C" locale for the engine's reading and printing of
// numbers (atof, sprintf: "." as the decimal point), whatever locale the
// windows set for the process.
class CLocaleScope {
public:
    CLocaleScope() {
        if (CLocale() != static_cast<locale_t>(nullptr)) previous_ = ::uselocale(CLocale());
    }
    ~CLocaleScope() {
        if (previous_ != static_cast<locale_t>(nullptr)) ::uselocale(previous_);
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t previous_ = static_cast<locale_t>(nullptr);
};

// What the engine printed, by kind: errors (werror) apart from the rest.
struct EngineOutput {
    std::string Errors;
    std::string Other;
};

bool IsOutputName(const char* name) {
    static const char* const kNames[] = {"t", STDOUT, WDISPLAY, WERROR, WWARNING, WDIALOG, WTRACE, WPROMPT};
    return std::any_of(std::begin(kNames), std::end(kNames), [name](const char* n) { return std::strcmp(n, name) == 0; });
}

// The router takes every standard output and input name: nothing a rule base
// prints reaches the program's standard output, and a rule base that reads
// gets end of file instead of waiting for a keyboard.
int RouterQuery(void*, const char* name) { return IsOutputName(name) || std::strcmp(name, STDIN) == 0; }
int RouterPrint(void* env, const char* name, const char* text) {
    auto* out = static_cast<EngineOutput*>(GetEnvironmentRouterContext(env));
    std::string& to = std::strcmp(name, WERROR) == 0 ? out->Errors : out->Other;
    if (to.size() < kMaxEngineOutput) to.append(text, std::min(std::strlen(text), kMaxEngineOutput - to.size()));
    return 1;
}
int RouterGetc(void*, const char*) { return EOF; }
int RouterUngetc(void*, int, const char*) { return 0; }
int RouterExit(void*, int) { return 0; }

// What stopped a consultation from outside the rule base's own logic.
enum class Stop { None, Time, Memory, Exit };

// The bounds of the consultation running on this thread, checked by the
// engine's periodic function (called between rule firings and on every turn
// of a while, loop-for-count or foreach, also in defglobal initialisers).
struct Limits {
    std::chrono::steady_clock::time_point Deadline;
    Stop Stopped = Stop::None;
};
thread_local Limits* tLimits = nullptr;

void CheckLimits(void* env) {
    Limits* limits = tLimits;
    if (limits == nullptr || limits->Stopped != Stop::None) return;
    if (EnvMemUsed(env) > kMaxEngineMemory) limits->Stopped = Stop::Memory;
    else if (std::chrono::steady_clock::now() > limits->Deadline) limits->Stopped = Stop::Time;
    else return;
    SetHaltExecution(env, TRUE);
    EnvSetHaltRules(env, TRUE);
}

// One CLIPS environment, destroyed with the object, with its output captured,
// the forbidden functions removed (see rulecheck.h) and the limits checked.
class Environment {
public:
    Environment() : env_(CreateEnvironment()) {
        if (env_ == nullptr) throw ZarnError("O motor de regras (CLIPS) não pôde ser iniciado");
        EnvAddRouterWithContext(env_, "zarn-saida", 50, RouterQuery, RouterPrint, RouterGetc, RouterUngetc,
                                RouterExit, &output_);
        for (const ForbiddenFunction* f = ForbiddenFunctions(); f->Name != nullptr; ++f) UndefineFunction(env_, f->Name);
        EnvAddPeriodicFunction(env_, "zarn-limites", CheckLimits, 0);
    }
    // An environment left by the engine's exit path is in an unknown state:
    // it is abandoned rather than destroyed.
    ~Environment() {
        if (!abandoned_) DestroyEnvironment(env_);
    }
    void Abandon() { abandoned_ = true; }
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    void* get() const { return env_; }
    const EngineOutput& Output() const { return output_; }
    // The first error the engine printed, in one line.
    std::string ErrorDetail() const {
        std::string line;
        bool blank = true;
        for (char c : output_.Errors) {
            const bool space = c == ' ' || c == '\n' || c == '\r' || c == '\t';
            if (space) {
                if (!blank) line += ' ';
                blank = true;
            } else {
                line += c;
                blank = false;
            }
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        if (line.size() > kMaxDetail) line = line.substr(0, kMaxDetail) + " ...";
        return line;
    }

private:
    void* env_;
    EngineOutput output_;
    bool abandoned_ = false;
};

// A step of a consultation: a plain function over the environment, so that
// the engine's exit path can leave it by longjmp without skipping a
// destructor.
using EngineStep = long long (*)(void* env, void* argument);

// Runs `step` with the engine's exit (its out-of-memory and internal-error
// paths, which would end the process) returning here instead: false when
// it did. No object with a destructor lives between here and the engine.
bool RunGuarded(void* env, EngineStep step, void* argument, long long& result) {
    jmp_buf exitPoint;
    if (setjmp(exitPoint) != 0) {
        SetJmpBuffer(env, nullptr);
        return false;
    }
    SetJmpBuffer(env, &exitPoint);
    result = step(env, argument);
    SetJmpBuffer(env, nullptr);
    return true;
}

// A number as the rule base reads it: 17 significant digits, always a float
// (a decimal point or an exponent), the symbol nao-finito when not finite.
std::string Crisp(double v) {
    if (!std::isfinite(v)) return kNotFinite;
    char buffer[40];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::general, 17);
    std::string s(buffer, result.ptr);
    if (s.find_first_of(".e") == std::string::npos) s += ".0";
    return s;
}

// The verdict bits of the non-parametric tests, as the rule base names them.
struct Indication {
    std::uint8_t Bit;
    const char* Name;
};
constexpr Indication kIndications[] = {
    {FlagDependent, "dependencia"},
    {FlagNonHomogeneous, "nao-homogeneidade"},
    {FlagHighOutlierGB, "atipico-alto-gb"},
    {FlagLowOutlierGB, "atipico-baixo-gb"},
    {FlagHighOutlierSkew, "atipico-alto-assimetria"},
    {FlagLowOutlierSkew, "atipico-baixo-assimetria"},
};

// The facts of the record, one assert text each.
std::vector<std::string> RecordFacts(const AnalysisRecord& r, const ZeroYears& zeros) {
    std::vector<std::string> facts;
    if (zeros.Zeros > 0)
        facts.push_back("(anos-sem-vazao (zeros " + std::to_string(zeros.Zeros) + ") (anos " +
                        std::to_string(zeros.Years) + ") (p0 " + Crisp(zeros.Probability()) + "))");
    facts.push_back("(serie (tamanho " + std::to_string(r.SampleSize) + ") (assimetria " + Crisp(r.Skewness) +
                    ") (minimo " + Crisp(r.Minimum) + ") (minimo-log " + Crisp(r.LogMinimum) + ") (maximo " + Crisp(r.Maximum) + "))");
    for (const Indication& indication : kIndications)
        if (r.TestFlags & indication.Bit) facts.push_back(std::string("(indicacao (teste ") + indication.Name + "))");
    for (int i = 1; i <= kDistributionCount; ++i) {
        const ParameterSet& p = ParametersOf(r, i);
        const FitResult& fit = FitTestOf(r, i);
        facts.push_back("(ajuste (indice " + std::to_string(i) + ") (z " + Crisp(VarianceTestZOf(r, i)) + ") (r " +
                        Crisp(fit.R) + ") (r90 " + Crisp(fit.R90) + ") (posicao " + Crisp(p.Position) +
                        ") (escala " + Crisp(p.Scale) + ") (forma " + Crisp(p.Shape) + "))");
    }
    return facts;
}

// ---------------------------------------------------------------------------
// Reading the advice facts back

bool Slot(void* env, void* fact, const char* name, DATA_OBJECT& value) {
    return EnvGetFactSlot(env, fact, name, &value) != 0;
}

bool ReadInteger(void* env, void* fact, const char* name, long long& out) {
    DATA_OBJECT value;
    if (!Slot(env, fact, name, value) || GetType(value) != INTEGER) return false;
    out = DOToLong(value);
    return true;
}

bool ReadNumber(void* env, void* fact, const char* name, double& out) {
    DATA_OBJECT value;
    if (!Slot(env, fact, name, value)) return false;
    switch (GetType(value)) {
        case FLOAT: out = DOToDouble(value); return true;
        case INTEGER: out = static_cast<double>(DOToLong(value)); return true;
        case SYMBOL:
            if (std::strcmp(DOToString(value), kNotFinite) != 0) return false;
            out = std::numeric_limits<double>::quiet_NaN();
            return true;
        default: return false;
    }
}

bool ReadSymbol(void* env, void* fact, const char* name, std::string& out) {
    DATA_OBJECT value;
    if (!Slot(env, fact, name, value) || GetType(value) != SYMBOL) return false;
    out = DOToString(value);
    return true;
}

// A multislot of strings, symbols and numbers as a phrase.
bool ReadPhrase(void* env, void* fact, const char* name, Phrase& out) {
    DATA_OBJECT value;
    if (!Slot(env, fact, name, value) || GetType(value) != MULTIFIELD) return false;
    void* field = GetValue(value);
    for (long k = GetDOBegin(value); k <= GetDOEnd(value); ++k) {
        void* item = GetMFValue(field, k);
        PhrasePart part;
        switch (GetMFType(field, k)) {
            case FLOAT:
                part.Type = PhrasePart::Number;
                part.Value = ValueToDouble(item);
                break;
            case INTEGER:
                part.Type = PhrasePart::Integer;
                part.Count = ValueToLong(item);
                break;
            case SYMBOL:
                if (std::strcmp(ValueToString(item), kNotFinite) == 0) {
                    part.Type = PhrasePart::Number;
                    part.Value = std::numeric_limits<double>::quiet_NaN();
                } else {
                    part.Chars = ValueToString(item);
                }
                break;
            case STRING:
            case INSTANCE_NAME: part.Chars = ValueToString(item); break;
            default: return false;
        }
        // Neighbouring pieces of text are one piece.
        if (part.Type == PhrasePart::Text && !out.empty() && out.back().Type == PhrasePart::Text)
            out.back().Chars += part.Chars;
        else
            out.push_back(std::move(part));
    }
    return true;
}

bool StatusOf(const std::string& symbol, AdviceStatus& status) {
    if (symbol == "aceita") status = AdviceStatus::Accepted;
    else if (symbol == "parcimonia") status = AdviceStatus::Parsimony;
    else if (symbol == "limite-superior") status = AdviceStatus::UpperBound;
    else if (symbol == "rejeitada") status = AdviceStatus::Rejected;
    else return false;
    return true;
}

struct Ordered {
    long long Key;
    long long Order;
    long long FactIndex;
    Phrase Text;
};

void SortByOrder(std::vector<Ordered>& items) {
    std::sort(items.begin(), items.end(), [](const Ordered& a, const Ordered& b) {
        if (a.Key != b.Key) return a.Key < b.Key;
        if (a.Order != b.Order) return a.Order < b.Order;
        return a.FactIndex < b.FactIndex;
    });
}

// Reads parecer, razao, recomendacao, conclusao and cautela (module MAIN).
// "" when the advice is complete, otherwise what is wrong with it.
std::string ReadAdvice(void* env, Advice& advice) {
    std::map<int, DistributionAdvice> rows;
    std::vector<Ordered> reasons, cautions;
    std::vector<long long> recommendations;
    std::vector<Phrase> conclusions;
    for (void* fact = EnvGetNextFact(env, nullptr); fact != nullptr; fact = EnvGetNextFact(env, fact)) {
        void* deftemplate = EnvFactDeftemplate(env, fact);
        if (deftemplate == nullptr || std::strcmp(EnvDeftemplateModule(env, deftemplate), "MAIN") != 0) continue;
        const std::string name = EnvGetDeftemplateName(env, deftemplate);
        const long long factIndex = EnvFactIndex(env, fact);
        if (name == "parecer") {
            DistributionAdvice row;
            long long index = 0, rank = 0;
            std::string status;
            if (!ReadInteger(env, fact, "indice", index) || !ReadSymbol(env, fact, "situacao", status) ||
                !StatusOf(status, row.Status) || !ReadNumber(env, fact, "grau", row.Degree) ||
                !ReadNumber(env, fact, "pertinencia-z", row.ZMembership) ||
                !ReadNumber(env, fact, "pertinencia-r", row.RMembership) || !ReadInteger(env, fact, "lugar", rank))
                return "um fato parecer está incompleto";
            if (index < 1 || index > kDistributionCount) return "um fato parecer tem índice fora de 1 a 8";
            if (rows.count(static_cast<int>(index))) return "há dois fatos parecer para a mesma distribuição";
            row.Index = static_cast<int>(index);
            row.Rank = static_cast<int>(std::clamp<long long>(rank, 0, kDistributionCount + 1));
            rows[row.Index] = std::move(row);
        } else if (name == "razao") {
            Ordered reason{0, 0, factIndex, {}};
            if (!ReadInteger(env, fact, "indice", reason.Key) || !ReadInteger(env, fact, "ordem", reason.Order) ||
                !ReadPhrase(env, fact, "texto", reason.Text))
                return "um fato razao está incompleto";
            reasons.push_back(std::move(reason));
        } else if (name == "cautela") {
            Ordered caution{0, 0, factIndex, {}};
            if (!ReadInteger(env, fact, "ordem", caution.Order) || !ReadPhrase(env, fact, "texto", caution.Text))
                return "um fato cautela está incompleto";
            cautions.push_back(std::move(caution));
        } else if (name == "recomendacao") {
            long long index = 0;
            if (!ReadInteger(env, fact, "indice", index)) return "o fato recomendacao está incompleto";
            recommendations.push_back(index);
        } else if (name == "conclusao") {
            Phrase text;
            if (!ReadPhrase(env, fact, "texto", text)) return "o fato conclusao está incompleto";
            conclusions.push_back(std::move(text));
        }
    }

    if (rows.size() != static_cast<std::size_t>(kDistributionCount))
        return "há " + std::to_string(rows.size()) + " fatos parecer, e são precisos 8";
    std::vector<DistributionAdvice> ranking;
    for (auto& [index, row] : rows) ranking.push_back(std::move(row));
    std::sort(ranking.begin(), ranking.end(),
              [](const DistributionAdvice& a, const DistributionAdvice& b) { return a.Rank < b.Rank; });
    for (int k = 0; k < kDistributionCount; ++k)
        if (ranking[k].Rank != k + 1) return "os lugares dos pareceres não são 1 a 8, cada um uma vez";
    if (recommendations.size() != 1) return "há " + std::to_string(recommendations.size()) + " fatos recomendacao, e é preciso 1";
    if (recommendations[0] < 0 || recommendations[0] > kDistributionCount)
        return "a recomendação tem índice fora de 0 a 8";

    SortByOrder(reasons);
    for (Ordered& reason : reasons)
        for (DistributionAdvice& row : ranking)
            if (row.Index == reason.Key) row.Reasons.push_back(std::move(reason.Text));
    SortByOrder(cautions);
    for (Ordered& caution : cautions) advice.Cautions.push_back(std::move(caution.Text));
    for (Phrase& conclusion : conclusions)
        advice.Conclusion.insert(advice.Conclusion.end(), conclusion.begin(), conclusion.end());
    advice.Recommended = static_cast<int>(recommendations[0]);
    advice.Ranking = std::move(ranking);
    return "";
}

// ---------------------------------------------------------------------------
// One consultation

// The engine's binary images of the rule bases this process has read once
// (bsave). A fresh environment loads an image (bload) some fifteen times
// faster than it reads the text again, which matters to a batch of many
// stations, whose consultations take turns. Each image lives in an anonymous
// memory file (memfd), so a killed process leaves nothing behind. Also kept:
// why a rule base failed in a way that does not depend on the analysis
// (refused, broken, endless, too big), so that a batch does not wait for
// the same failure at every station. Used under the consultation mutex.
class RuleBaseImages {
public:
    ~RuleBaseImages() {
        for (const auto& [text, fd] : images_) ::close(fd);
    }
    // The path the engine opens for the image of `text`, or "" when there is none.
    std::string Find(const std::string& text) const {
        const auto found = images_.find(text);
        return found == images_.end() ? std::string() : FdPath(found->second);
    }
    // Saves the constructs loaded into `env` from `text`; a system without
    // memory files only costs the speed.
    void Save(void* env, const std::string& text) {
        if (images_.size() >= kMaxImages) return;
        const int fd = ::memfd_create("zarn-regras", MFD_CLOEXEC);
        if (fd < 0) return;
        if (EnvBsave(env, FdPath(fd).c_str()) == 0) {
            ::close(fd);
            return;
        }
        images_.emplace(text, fd);
    }
    // The failure of `text` remembered, or "".
    std::string Failure(const std::string& text) const {
        const auto found = failures_.find(text);
        return found == failures_.end() ? std::string() : found->second;
    }
    void RememberFailure(const std::string& text, const std::string& problem) {
        if (failures_.size() >= kMaxFailures) failures_.clear();
        failures_[text] = problem;
    }

private:
    static std::string FdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }
    std::map<std::string, int> images_;
    std::map<std::string, std::string> failures_;
};

RuleBaseImages& Images() {
    static RuleBaseImages images;
    return images;
}

long long ReadText(void* env, void*) {
    const int loaded = LoadConstructsFromLogicalName(env, kRuleSource);
    CloseStringSource(env, kRuleSource);
    return loaded;
}
long long ReadImage(void* env, void* path) { return EnvBload(env, static_cast<const char*>(path)); }
long long ResetFacts(void* env, void*) {
    EnvReset(env);
    return 0;
}
long long AssertFact(void* env, void* fact) { return EnvAssertString(env, static_cast<const char*>(fact)) != nullptr; }
long long RunRules(void* env, void*) { return EnvRun(env, kMaxRuleFirings); }

// Why the limits or the exit path stopped a consultation, or "".
std::string StopProblem(Stop stop) {
    switch (stop) {
        case Stop::Time:
            return "foi interrompida: a consulta passou de " + std::to_string(kMaxConsultationSeconds) +
                   " segundos (um laço sem fim numa regra, numa função ou num defglobal?).";
        case Stop::Memory:
            return "foi interrompida: a consulta passou de " + std::to_string(kMaxEngineMemoryMB) + " MB de memória.";
        case Stop::Exit:
            return "foi interrompida: o motor de regras tentou encerrar o programa (falta de memória ou erro interno).";
        case Stop::None: break;
    }
    return {};
}

// A consultation's steps under the limits; a failure of one ends it.
class GuardedEnvironment : public Environment {
public:
    explicit GuardedEnvironment(Limits& limits) : limits_(limits) {}
    // Runs `step`; false when the limits or the exit path stopped it.
    bool Step(EngineStep step, void* argument, long long& result) {
        if (limits_.Stopped != Stop::None) return false;
        if (!RunGuarded(get(), step, argument, result)) {
            limits_.Stopped = Stop::Exit;
            Abandon();
        }
        return limits_.Stopped == Stop::None;
    }

private:
    Limits& limits_;
};

// Loads the rule base `text` into the fresh `environment`: its image when
// this process has one, else the text (then saving an image for the next
// time). "" on success, else what went wrong.
std::string LoadRuleBase(GuardedEnvironment& environment, const std::string& text) {
    void* env = environment.get();
    long long loaded = 0;
    const std::string image = Images().Find(text);
    if (!image.empty()) {
        if (!environment.Step(ReadImage, const_cast<char*>(image.c_str()), loaded)) return "";
        if (loaded && environment.Output().Errors.empty()) return "";
        return "não pôde ser lida pelo motor de regras.";
    }
    if (OpenStringSource(env, kRuleSource, text.c_str(), 0) == 0)
        return "não pôde ser lida pelo motor de regras.";
    if (!environment.Step(ReadText, nullptr, loaded)) return "";
    if (!loaded || !environment.Output().Errors.empty())
        return "tem erros e não foi carregada: " + environment.ErrorDetail();
    Images().Save(env, text);
    return "";
}

// What is known against running `text` before anything of it runs: a
// failure remembered for it, or its refusal (then remembered); "" when
// nothing is.
std::string KnownProblem(const std::string& text) {
    if (std::string known = Images().Failure(text); !known.empty()) return known;
    if (std::string refused = RuleBaseRefusal(text); !refused.empty()) {
        Images().RememberFailure(text, refused);
        return refused;
    }
    return "";
}

// The time and memory bounds of one consultation on this thread, for the
// life of the object (the engine's periodic function reads them).
class ConsultationBounds {
public:
    ConsultationBounds() {
        limits_.Deadline = std::chrono::steady_clock::now() + kMaxConsultationTime;
        tLimits = &limits_;
    }
    ~ConsultationBounds() { tLimits = nullptr; }
    ConsultationBounds(const ConsultationBounds&) = delete;
    ConsultationBounds& operator=(const ConsultationBounds&) = delete;
    Limits& Get() { return limits_; }

private:
    Limits limits_;
};

// Refuses, loads `text`, asserts the record's facts, runs, reads the advice.
// "" on success; otherwise what went wrong, as the end of a sentence that
// starts with the rule base's name.
std::string Consult(const AnalysisRecord& r, const ZeroYears& zeros, const std::vector<std::string>& projectFacts,
                    const std::string& text, Advice& advice) {
    if (std::string known = KnownProblem(text); !known.empty()) return known;
    ConsultationBounds bounds;
    Limits& limits = bounds.Get();
    GuardedEnvironment environment(limits);
    void* env = environment.get();
    auto stopped = [&]() {
        const std::string problem = StopProblem(limits.Stopped);
        if (!problem.empty()) Images().RememberFailure(text, problem);
        return problem;
    };

    std::string problem = LoadRuleBase(environment, text);
    if (limits.Stopped != Stop::None) return stopped();
    if (!problem.empty()) {
        Images().RememberFailure(text, problem);
        return problem;
    }

    long long ignored = 0;
    if (!environment.Step(ResetFacts, nullptr, ignored)) return stopped();
    std::vector<std::string> facts = RecordFacts(r, zeros);
    facts.insert(facts.end(), projectFacts.begin(), projectFacts.end());
    for (const std::string& fact : facts) {
        long long asserted = 0;
        if (!environment.Step(AssertFact, const_cast<char*>(fact.c_str()), asserted)) return stopped();
        if (!asserted || !environment.Output().Errors.empty())
            return "não aceitou os fatos da análise: " + environment.ErrorDetail();
    }

    long long fired = 0;
    if (!environment.Step(RunRules, nullptr, fired)) return stopped();
    if (!environment.Output().Errors.empty() || GetEvaluationError(env))
        return "falhou durante a consulta: " + environment.ErrorDetail();
    if (fired >= kMaxRuleFirings)
        return "não terminou: disparou " + std::to_string(kMaxRuleFirings) + " regras sem chegar a um parecer.";

    const std::string incomplete = ReadAdvice(env, advice);
    if (!incomplete.empty()) return "não produziu um parecer completo: " + incomplete + ".";
    return "";
}

// The text as the engine reads it: UTF-8 without a byte-order mark; a copy
// saved by an editor in Windows-1252 is converted.
std::string EngineText(const std::string& text) {
    std::string s = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? text.substr(3) : text;
    return IsValidUtf8(s) ? s : Windows1252ToUtf8(s);
}

// The compiled-in rule base; it failing is a fault of the program.
Advice ConsultDefault(const AnalysisRecord& r, const ZeroYears& zeros, const std::vector<std::string>& projectFacts) {
    Advice advice;
    const std::string problem = Consult(r, zeros, projectFacts, DefaultRuleBaseText(), advice);
    if (!problem.empty()) throw ZarnError(std::string("A base de regras padrão do ZARN ") + problem);
    advice.RuleBase = kDefaultRuleBaseName;
    return advice;
}

// The user's rule base, or the default one with the reason why not.
Advice ConsultOrFallBack(const AnalysisRecord& r, const ZeroYears& zeros, const std::vector<std::string>& projectFacts,
                         const std::string& name, const std::string* text, std::string problem) {
    const std::lock_guard<std::mutex> turn(ConsultationMutex());
    const FloatingPointFlagsKept flags;
    const CLocaleScope numbers;
    if (text != nullptr && problem.empty()) {
        Advice advice;
        problem = Consult(r, zeros, projectFacts, EngineText(*text), advice);
        if (problem.empty()) {
            advice.RuleBase = name;
            return advice;
        }
    }
    Advice advice = ConsultDefault(r, zeros, projectFacts);
    if (problem.empty() || problem.back() != '.') problem += '.';
    advice.RuleBaseProblem =
        "A base de regras \"" + name + "\" " + problem + " Foi usada a base de regras " + kDefaultRuleBaseName + ".";
    return advice;
}

}  // namespace

const std::string& DefaultRuleBaseText() {
    static const std::string text(kEmbeddedRuleBase);
    return text;
}

Advice AdviseWithText(const AnalysisRecord& r, const std::string& text, const std::string& name,
                      const ZeroYears& zeros, const std::vector<std::string>& projectFacts) {
    return ConsultOrFallBack(r, zeros, projectFacts, name, &text, "");
}

Advice AdviseWithRuleBase(const AnalysisRecord& r, const std::string& path, const ZeroYears& zeros,
                          const std::vector<std::string>& projectFacts) {
    if (path.empty()) {
        const std::lock_guard<std::mutex> turn(ConsultationMutex());
        const FloatingPointFlagsKept flags;
        const CLocaleScope numbers;
        return ConsultDefault(r, zeros, projectFacts);
    }
    // Only a regular file of a rule base's size is read: a device or a pipe
    // given by mistake would never end.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return ConsultOrFallBack(r, zeros, projectFacts, path, nullptr, "não é um arquivo comum.");
    if (::stat(path.c_str(), &st) == 0 && st.st_size > kMaxRuleBaseBytes)
        return ConsultOrFallBack(r, zeros, projectFacts, path, nullptr,
                                 "tem mais de " + std::to_string(kMaxRuleBaseBytes >> 20) + " MB: não é uma base de regras.");
    std::string text;
    try {
        text = ReadFileContents(path);
    } catch (const ZarnError& e) {
        return ConsultOrFallBack(r, zeros, projectFacts, path, nullptr, "não pôde ser lida (" + std::string(e.what()) + ").");
    }
    return ConsultOrFallBack(r, zeros, projectFacts, path, &text, "");
}

std::string RuleBasePath(const Session& session) {
    return session.RuleBase.empty() ? FindRuleBaseFile(kRuleBaseFileName) : session.RuleBase;
}

Advice Advise(const AnalysisRecord& r, const Session& session, const ZeroYears& zeros,
              const std::vector<std::string>& projectFacts) {
    return AdviseWithRuleBase(r, RuleBasePath(session), zeros, projectFacts);
}

std::string PhraseText(const Phrase& phrase, const PhraseNumberText& number) {
    std::string out;
    for (const PhrasePart& part : phrase) {
        switch (part.Type) {
            case PhrasePart::Text: out += part.Chars; break;
            case PhrasePart::Number: out += number(part.Value); break;
            case PhrasePart::Integer: out += std::to_string(part.Count); break;
        }
    }
    return out;
}

std::string PhraseText(const Phrase& phrase) {
    return PhraseText(phrase, [](double v) { return FormatFixed(v, 0, 4); });
}

std::string ComparedPhraseText(const Phrase& phrase, const NumberStyle& style) {
    std::vector<double> values;
    for (const PhrasePart& part : phrase)
        if (part.Type == PhrasePart::Number) values.push_back(part.Value);
    const std::vector<std::string> texts = FormatCompared(values, style);
    std::size_t next = 0;
    return PhraseText(phrase, [&](double) { return texts[next++]; });
}

std::string StatusName(AdviceStatus status) {
    switch (status) {
        case AdviceStatus::Accepted: return "aceita";
        case AdviceStatus::Parsimony: return "parcimônia";
        case AdviceStatus::UpperBound: return "limite superior";
        case AdviceStatus::Rejected: break;
    }
    return "rejeitada";
}

std::string StatusKey(AdviceStatus status) {
    switch (status) {
        case AdviceStatus::Accepted: return "accepted";
        case AdviceStatus::Parsimony: return "parsimony";
        case AdviceStatus::UpperBound: return "upper-bound";
        case AdviceStatus::Rejected: break;
    }
    return "rejected";
}

// ---------------------------------------------------------------------------
// The regional consultation (module REGIONAL of the same rule base)

std::string RuleNumber(double v) { return Crisp(v); }

std::string ConsultRegional(const std::string& raw, const std::vector<std::string>& facts,
                            std::vector<Phrase>& advice) {
    const std::lock_guard<std::mutex> turn(ConsultationMutex());
    const FloatingPointFlagsKept flags;
    const CLocaleScope numbers;
    // The same guards as the at-site consultation: refused before any of its
    // text is evaluated, bounded in time, memory and firings, the engine's
    // exit path returning here.
    const std::string text = EngineText(raw);
    if (std::string known = KnownProblem(text); !known.empty()) return known;
    ConsultationBounds bounds;
    Limits& limits = bounds.Get();
    GuardedEnvironment environment(limits);
    void* env = environment.get();
    const std::string problem = LoadRuleBase(environment, text);
    if (limits.Stopped != Stop::None) return StopProblem(limits.Stopped);
    if (!problem.empty()) return problem;
    void* module = EnvFindDefmodule(env, "REGIONAL");
    if (module == nullptr) return "não tem o módulo REGIONAL das recomendações regionais.";
    long long ignored = 0;
    if (!environment.Step(ResetFacts, nullptr, ignored)) return StopProblem(limits.Stopped);
    EnvSetCurrentModule(env, module);  // the facts name REGIONAL's templates
    for (const std::string& fact : facts) {
        long long asserted = 0;
        if (!environment.Step(AssertFact, const_cast<char*>(fact.c_str()), asserted)) return StopProblem(limits.Stopped);
        if (!asserted || !environment.Output().Errors.empty())
            return "não aceitou os fatos da análise regional: " + environment.ErrorDetail();
    }
    EnvFocus(env, module);
    long long fired = 0;
    if (!environment.Step(RunRules, nullptr, fired)) return StopProblem(limits.Stopped);
    if (!environment.Output().Errors.empty() || GetEvaluationError(env))
        return "falhou durante a consulta regional: " + environment.ErrorDetail();
    if (fired >= kMaxRuleFirings) return "não terminou a consulta regional.";
    std::vector<Ordered> items;
    for (void* fact = EnvGetNextFact(env, nullptr); fact != nullptr; fact = EnvGetNextFact(env, fact)) {
        void* deftemplate = EnvFactDeftemplate(env, fact);
        if (deftemplate == nullptr || std::strcmp(EnvDeftemplateModule(env, deftemplate), "REGIONAL") != 0 ||
            std::strcmp(EnvGetDeftemplateName(env, deftemplate), "conselho") != 0)
            continue;
        Ordered item{0, 0, EnvFactIndex(env, fact), {}};
        if (!ReadInteger(env, fact, "ordem", item.Order) || !ReadPhrase(env, fact, "texto", item.Text))
            return "produziu um conselho regional incompleto.";
        items.push_back(std::move(item));
    }
    SortByOrder(items);
    for (Ordered& item : items) advice.push_back(std::move(item.Text));
    return "";
}

}  // namespace zarn

