#include "rules/advisor.h"

#include <algorithm>
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
#include <unistd.h>

#include "analysis/errors.h"
#include "analysis/filewrite.h"
#include "analysis/format.h"
#include "platform/session.h"

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
    (std::strcmp(name, WERROR) == 0 ? out->Errors : out->Other) += text;
    return 1;
}
int RouterGetc(void*, const char*) { return EOF; }
int RouterUngetc(void*, int, const char*) { return 0; }
int RouterExit(void*, int) { return 0; }

// One CLIPS environment, destroyed with the object, with its output captured.
class Environment {
public:
    Environment() : env_(CreateEnvironment()) {
        if (env_ == nullptr) throw ZarnError("O motor de regras (CLIPS) não pôde ser iniciado");
        EnvAddRouterWithContext(env_, "zarn-saida", 50, RouterQuery, RouterPrint, RouterGetc, RouterUngetc,
                                RouterExit, &output_);
    }
    ~Environment() { DestroyEnvironment(env_); }
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
};

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
// stations, whose consultations take turns. Used under the consultation mutex.
class RuleBaseImages {
public:
    ~RuleBaseImages() {
        for (const auto& [text, path] : images_) std::remove(path.c_str());
    }
    // The image of `text`, or "" when there is none yet.
    std::string Find(const std::string& text) const {
        const auto found = images_.find(text);
        return found == images_.end() ? std::string() : found->second;
    }
    // Saves the constructs loaded into `env` from `text`; a folder for
    // temporary files that refuses only costs the speed.
    void Save(void* env, const std::string& text) {
        const char* folder = std::getenv("TMPDIR");
        std::string path = std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/zarn-regras-XXXXXX";
        const int fd = ::mkstemp(path.data());
        if (fd < 0) return;
        ::close(fd);
        if (EnvBsave(env, path.data()) == 0) {
            std::remove(path.c_str());
            return;
        }
        images_.emplace(text, path);
    }

private:
    std::map<std::string, std::string> images_;
};

RuleBaseImages& Images() {
    static RuleBaseImages images;
    return images;
}

// Loads the rule base `text` into the fresh `environment`: its image when
// this process has one, else the text (then saving an image for the next
// time). "" on success, else what went wrong.
std::string LoadRuleBase(Environment& environment, const std::string& text) {
    void* env = environment.get();
    const std::string image = Images().Find(text);
    if (!image.empty() && EnvBload(env, const_cast<char*>(image.c_str())) && environment.Output().Errors.empty())
        return "";
    if (!image.empty()) return "não pôde ser lida pelo motor de regras.";
    if (OpenStringSource(env, kRuleSource, text.c_str(), 0) == 0)
        return "não pôde ser lida pelo motor de regras.";
    const int loaded = LoadConstructsFromLogicalName(env, kRuleSource);
    CloseStringSource(env, kRuleSource);
    if (!loaded || !environment.Output().Errors.empty())
        return "tem erros e não foi carregada: " + environment.ErrorDetail();
    Images().Save(env, text);
    return "";
}

// Loads `text`, asserts the record's facts, runs, reads the advice. "" on
// success; otherwise what went wrong, as the end of a sentence that starts
// with the rule base's name.
std::string Consult(const AnalysisRecord& r, const ZeroYears& zeros, const std::string& text, Advice& advice) {
    Environment environment;
    void* env = environment.get();

    if (const std::string problem = LoadRuleBase(environment, text); !problem.empty()) return problem;

    EnvReset(env);
    for (const std::string& fact : RecordFacts(r, zeros))
        if (EnvAssertString(env, fact.c_str()) == nullptr || !environment.Output().Errors.empty())
            return "não aceitou os fatos da análise: " + environment.ErrorDetail();

    const long long fired = EnvRun(env, kMaxRuleFirings);
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
Advice ConsultDefault(const AnalysisRecord& r, const ZeroYears& zeros) {
    Advice advice;
    const std::string problem = Consult(r, zeros, DefaultRuleBaseText(), advice);
    if (!problem.empty()) throw ZarnError(std::string("A base de regras padrão do ZARN ") + problem);
    advice.RuleBase = kDefaultRuleBaseName;
    return advice;
}

// The user's rule base, or the default one with the reason why not.
Advice ConsultOrFallBack(const AnalysisRecord& r, const ZeroYears& zeros, const std::string& name,
                         const std::string* text, std::string problem) {
    const std::lock_guard<std::mutex> turn(ConsultationMutex());
    const FloatingPointFlagsKept flags;
    const CLocaleScope numbers;
    if (text != nullptr && problem.empty()) {
        Advice advice;
        problem = Consult(r, zeros, EngineText(*text), advice);
        if (problem.empty()) {
            advice.RuleBase = name;
            return advice;
        }
    }
    Advice advice = ConsultDefault(r, zeros);
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
                      const ZeroYears& zeros) {
    return ConsultOrFallBack(r, zeros, name, &text, "");
}

Advice AdviseWithRuleBase(const AnalysisRecord& r, const std::string& path, const ZeroYears& zeros) {
    if (path.empty()) {
        const std::lock_guard<std::mutex> turn(ConsultationMutex());
        const FloatingPointFlagsKept flags;
        const CLocaleScope numbers;
        return ConsultDefault(r, zeros);
    }
    std::string text;
    try {
        text = ReadFileContents(path);
    } catch (const ZarnError& e) {
        return ConsultOrFallBack(r, zeros, path, nullptr, "não pôde ser lida (" + std::string(e.what()) + ").");
    }
    return ConsultOrFallBack(r, zeros, path, &text, "");
}

Advice Advise(const AnalysisRecord& r, const Session& session, const ZeroYears& zeros) {
    return AdviseWithRuleBase(r, FindSupportFile(session, kRuleBaseFileName), zeros);
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

}  // namespace zarn
