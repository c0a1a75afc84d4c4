// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/engine.h"

#include <algorithm>
#include <chrono>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "rules/engineresults.h"
#include "rules/rulecheck.h"

extern "C" {
#include <clips/clips.h>
}

namespace zarn {

namespace {

// The name under which the rule base's text is read by the engine.
constexpr const char* kRuleSource = "zarn-regras";
// Characters of the engine's error text quoted in a problem.
constexpr std::size_t kMaxDetail = 400;
// Characters of the engine's printing kept; the rest is dropped (a rule base
// printing in a loop must not fill the memory).
constexpr std::size_t kMaxEngineOutput = 1 << 16;
constexpr auto kMaxConsultationTime = std::chrono::seconds(kMaxConsultationSeconds);
constexpr long kMaxEngineMemory = kMaxEngineMemoryMB << 20;

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
// prints reaches a standard output, and a rule base that reads gets end of
// file instead of waiting for a keyboard.
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
enum class Stop { None, Time, Memory, AddressSpace, Exit };

// The bounds of the running consultation, checked by the engine's periodic
// function (called between rule firings and on every turn of a while,
// loop-for-count or foreach, also in defglobal initialisers).
struct Limits {
    std::chrono::steady_clock::time_point Deadline;
    Stop Stopped = Stop::None;
};
Limits* gLimits = nullptr;  // the one consultation of this process

void CheckLimits(void* env) {
    Limits* limits = gLimits;
    if (limits == nullptr || limits->Stopped != Stop::None) return;
    if (EnvMemUsed(env) > kMaxEngineMemory) limits->Stopped = Stop::Memory;
    else if (std::chrono::steady_clock::now() > limits->Deadline) limits->Stopped = Stop::Time;
    else return;
    SetHaltExecution(env, TRUE);
    EnvSetHaltRules(env, TRUE);
}

// The allocator found no memory within the process's address space: the
// engine's exit path (below) leaves the step.
int OutOfMemory(void* env, std::size_t) {
    if (gLimits != nullptr && gLimits->Stopped == Stop::None) gLimits->Stopped = Stop::AddressSpace;
    EnvExitRouter(env, 1);
    return TRUE;
}

// A step of a consultation: a plain function over the environment, so that
// the engine's exit path can leave it by longjmp without skipping a
// destructor.
using EngineStep = long long (*)(void* env, void* argument);

// Runs `step` with the engine's exit (its out-of-memory and internal-error
// paths) returning here instead: false when it did. No object with a
// destructor lives between here and the engine.
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

// One CLIPS environment with its output captured, the forbidden functions
// removed (rulecheck.h) and the limits checked; each step runs guarded.
class Environment {
public:
    Environment(Limits& limits, bool removeForbidden) : env_(CreateEnvironment()), limits_(limits) {
        if (env_ == nullptr) return;
        EnvAddRouterWithContext(env_, "zarn-saida", 50, RouterQuery, RouterPrint, RouterGetc, RouterUngetc,
                                RouterExit, &output_);
        if (removeForbidden)
            for (const ForbiddenFunction* f = ForbiddenFunctions(); f->Name != nullptr; ++f) UndefineFunction(env_, f->Name);
        EnvAddPeriodicFunction(env_, "zarn-limites", CheckLimits, 0);
        EnvSetOutOfMemoryFunction(env_, OutOfMemory);
    }
    // The process ends after one consultation: the environment is left to it.
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

    void* get() const { return env_; }
    const EngineOutput& Output() const { return output_; }
    // Runs `step`; false when the limits or the exit path stopped it.
    bool Step(EngineStep step, void* argument, long long& result) {
        if (limits_.Stopped != Stop::None) return false;
        if (!RunGuarded(env_, step, argument, result) && limits_.Stopped == Stop::None) limits_.Stopped = Stop::Exit;
        return limits_.Stopped == Stop::None;
    }
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
    Limits& limits_;
    EngineOutput output_;
};

long long ReadText(void* env, void*) {
    const int loaded = LoadConstructsFromLogicalName(env, kRuleSource);
    CloseStringSource(env, kRuleSource);
    return loaded;
}
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
        case Stop::AddressSpace:
            return "foi interrompida: a consulta esgotou a memória permitida ao motor de regras.";
        case Stop::Exit:
            return "foi interrompida: o motor de regras tentou encerrar a consulta (falta de memória ou erro interno).";
        case Stop::None: break;
    }
    return {};
}

// The parts of a consultation after the load that differ by kind.
struct Run {
    const char* Module;         // the facts' module and the focus; nullptr: MAIN and the rule base's own start
    const char* FactsRefused;   // the problem's start when a fact is not accepted
    const char* RunFailed;      // the problem's start when running prints an error
    const char* Endless;        // the problem when the firings run out
};

// Loads, asserts, runs. "" on success (the results are then in the
// environment), else the problem; `lasting` tells a problem of the text alone.
std::string LoadAndRun(Environment& environment, const ConsultationRequest& request, const Run& run, bool& lasting) {
    void* env = environment.get();
    long long loaded = 0;
    lasting = true;
    if (OpenStringSource(env, kRuleSource, request.RuleBase.c_str(), 0) == 0)
        return "não pôde ser lida pelo motor de regras.";
    if (!environment.Step(ReadText, nullptr, loaded)) return "";
    if (!loaded || !environment.Output().Errors.empty())
        return "tem erros e não foi carregada: " + environment.ErrorDetail();
    void* module = nullptr;
    if (run.Module != nullptr) {
        module = EnvFindDefmodule(env, run.Module);
        if (module == nullptr) return std::string("não tem o módulo ") + run.Module + " das recomendações regionais.";
    }
    lasting = false;
    long long ignored = 0;
    if (!environment.Step(ResetFacts, nullptr, ignored)) return "";
    if (module != nullptr) EnvSetCurrentModule(env, module);  // the facts name the module's templates
    for (const std::string& fact : request.Facts) {
        long long asserted = 0;
        if (!environment.Step(AssertFact, const_cast<char*>(fact.c_str()), asserted)) return "";
        if (!asserted || !environment.Output().Errors.empty())
            return std::string(run.FactsRefused) + environment.ErrorDetail();
    }
    if (module != nullptr) EnvFocus(env, module);
    long long fired = 0;
    if (!environment.Step(RunRules, nullptr, fired)) return "";
    if (!environment.Output().Errors.empty() || GetEvaluationError(env))
        return std::string(run.RunFailed) + environment.ErrorDetail();
    if (fired >= kMaxRuleFirings) return run.Endless;
    return "";
}

const Run kAtSite{nullptr, "não aceitou os fatos da análise: ", "falhou durante a consulta: ",
                  "não terminou: disparou 100000 regras sem chegar a um parecer."};
const Run kRegional{"REGIONAL", "não aceitou os fatos da análise regional: ", "falhou durante a consulta regional: ",
                    "não terminou a consulta regional."};
static_assert(kMaxRuleFirings == 100000, "the at-site Endless text names the firings");

}  // namespace

ConsultationAnswer RunConsultation(const ConsultationRequest& request, bool removeForbidden) {
    ConsultationAnswer answer;
    answer.Lasting = true;
    if (removeForbidden) {
        answer.Problem = RuleBaseRefusal(request.RuleBase);
        if (!answer.Problem.empty()) return answer;
    }
    Limits limits;
    limits.Deadline = std::chrono::steady_clock::now() + kMaxConsultationTime;
    gLimits = &limits;
    Environment environment(limits, removeForbidden);
    if (environment.get() == nullptr) {
        answer.Problem = "não pôde ser consultada: o motor de regras não pôde ser iniciado.";
        return answer;
    }
    const bool regional = request.Kind == ConsultationKind::Regional;
    answer.Problem = LoadAndRun(environment, request, regional ? kRegional : kAtSite, answer.Lasting);
    if (limits.Stopped != Stop::None) {
        answer.Problem = StopProblem(limits.Stopped);
        answer.Lasting = true;  // a rule base that ran out once will again
    } else if (answer.Problem.empty()) {
        answer.Lasting = false;
        if (regional) {
            answer.Problem = ReadRegionalAdvice(environment.get(), answer.Regional);
        } else if (std::string incomplete = ReadAdvice(environment.get(), answer.AtSite); !incomplete.empty()) {
            answer.Problem = "não produziu um parecer completo: " + incomplete + ".";
        }
    }
    gLimits = nullptr;
    return answer;
}

}  // namespace zarn
