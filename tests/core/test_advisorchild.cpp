// SPDX-License-Identifier: GPL-3.0-or-later
// The consultation in a child process (rules/consultation.h, advisor/):
// rule bases that break the engine itself (buffer overflows, recursion the
// text check cannot see, quadratic work) end in the compiled-in advice with
// the rule base named; a batch survives them; the helper's own limits hold
// when the text check is bypassed; the program refuses an answer that is
// not a well-formed frame.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "analysis/calculation.h"
#include "analysis/record.h"
#include "rules/advisor.h"
#include "rules/consultation.h"
#include "rules/facts.h"
#include "rules/protocol.h"
#include "tests/core/support/cli.h"

namespace fs = std::filesystem;
using namespace zarn;

namespace {

const std::string kExample = std::string(ZARN_EXAMPLES) + "/ocmulgee-river-macon.dat";

const AnalysisRecord& Example() {
    static const std::unique_ptr<AnalysisRecord> r = [] {
        auto record = std::make_unique<AnalysisRecord>();
        CalculateAll(*record, "Exemplo", "Macon", "", kExample, {1, nullptr});
        return record;
    }();
    return *r;
}

std::vector<int> Order(const Advice& a) {
    std::vector<int> order;
    for (const auto& row : a.Ranking) order.push_back(row.Index);
    return order;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string Repeated(const std::string& s, int n) {
    std::string out;
    for (int k = 0; k < n; ++k) out += s;
    return out;
}

// A string of 2^20 characters built at run time, then `n` references to it
// joined by `join`: the engine's length counter wraps and it writes past a
// one-byte buffer.
std::string WrappedJoin(const char* join, int n) {
    return std::string("(defrule G::a => (bind ?s \"x\") (loop-for-count 20 (bind ?s (str-cat ?s ?s))) (bind ?t (") +
           join + Repeated(" ?s", n) + ")))";
}

// A list of 2^`bits` integers built at run time.
std::string List(int bits) {
    return "(bind ?a (create$)) (loop-for-count (?i " + std::to_string(1 << bits) + ") (bind ?a (create$ ?a ?i)))";
}

struct Attack {
    const char* Name;
    std::string Text;   // appended to the shipped rule base
    std::vector<std::string> Said;   // the problem's start after the rule base's name: one of these
};

std::vector<Attack> Attacks() {
    const std::vector<std::string> crashed = {"derrubou o motor de regras"};
    const std::vector<std::string> stopped = {"foi interrompida"};
    // Deep recursion until the stack is spent: on a busy machine the time
    // limits may come first.
    const std::vector<std::string> crashedOrStopped = {crashed[0], stopped[0]};
    return {
        {"FormatOfAHugeFloat", "(defrule G::a => (format nil \"%f\" 1e308))", crashed},
        {"FormatInADefglobal", "(defglobal ?*x* = (format nil \"%f\" 1e308))", crashed},
        {"FormatOfAWideField", "(defrule G::a => (format nil \"%300s\" x))", crashed},
        {"FormatOfManyDecimals", "(defglobal ?*x* = (format nil \"%.300f\" 1.0))", crashed},
        {"StrCatLengthWraps", WrappedJoin("str-cat", 4096), crashed},
        {"SymCatLengthWraps", WrappedJoin("sym-cat", 4096), crashed},
        {"DefaultDynamicWithBind",
         "(deftemplate MAIN::tt (slot s (default-dynamic (bind ?x 1))))\n(defrule G::a => (assert (tt)))", crashed},
        {"SortInsideItsComparison",
         "(deffunction MAIN::cmp (?a ?b) (sort cmp 3 2 1) (> ?a ?b))\n(defrule G::a => (sort cmp 3 2 1))",
         crashedOrStopped},
        {"SubsetpOfLongLists", "(defrule G::a => " + List(15) + " (subsetp ?a ?a))", stopped},
        {"SequentialStrCat",
         "(defrule G::a => (bind ?s \"\") (loop-for-count (?i 200000) (bind ?s (str-cat ?s \"abcdefghij\"))))", stopped},
        {"LongStringLiteral", "(defglobal ?*s* = \"" + std::string(900000, 'a') + "\")", stopped},
        {"ManyOrPatterns", "(defrule G::a (or " + Repeated("(x) ", 5000) + ") =>)", stopped},
        {"OverOneMegabyte", "(defglobal ?*s* = \"" + std::string(2 << 20, 'a') + "\")", {"tem mais de 1 MB"}},
    };
}

void PrintTo(const Attack& attack, std::ostream* out) { *out << attack.Name; }

class HostileRuleBase : public ::testing::TestWithParam<Attack> {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("zarn-child-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

}  // namespace

// Each ends in the compiled-in advice, names the file and what went wrong,
// and leaves nothing behind.
TEST_P(HostileRuleBase, EndsInTheDefaultAdvice) {
    const Attack& attack = GetParam();
    const fs::path path = dir_ / "hostil.clp";
    std::ofstream(path, std::ios::binary) << DefaultRuleBaseText() << "\n" << attack.Text << "\n";
    const Advice reference = AdviseWithRuleBase(Example(), "");
    const Advice a = AdviseWithRuleBase(Example(), path.string());
    EXPECT_EQ(a.RuleBase, kDefaultRuleBaseName);
    EXPECT_EQ(Order(a), Order(reference));
    EXPECT_EQ(a.Recommended, reference.Recommended);
    const std::string named = "A base de regras \"" + path.string() + "\" ";
    EXPECT_TRUE(std::any_of(attack.Said.begin(), attack.Said.end(),
                            [&](const std::string& said) { return Contains(a.RuleBaseProblem, named + said); }))
        << a.RuleBaseProblem;
    EXPECT_TRUE(Contains(a.RuleBaseProblem, "Foi usada a base de regras padrão (embutida).")) << a.RuleBaseProblem;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

INSTANTIATE_TEST_SUITE_P(Attacks, HostileRuleBase, ::testing::ValuesIn(Attacks()),
                         [](const ::testing::TestParamInfo<Attack>& info) { return std::string(info.param.Name); });

// A crashing rule base given to a batch: every station still gets its
// advice (the compiled-in one), the summaries are written, and the problem
// is said once for the run.
TEST(ChildBatch, ACrashingRuleBaseStillGivesEveryStationItsAdvice) {
    const fs::path dir = fs::temp_directory_path() / ("zarn-child-batch-" + std::to_string(::getpid()));
    fs::create_directories(dir / "in");
    for (const char* name : {"ocmulgee-river-macon", "arkansas-river-pueblo", "tees-dent-bank"})
        fs::copy_file(std::string(ZARN_EXAMPLES) + "/" + name + ".dat", dir / "in" / (std::string(name) + ".dat"));
    const fs::path rules = dir / "quebra.clp";
    std::ofstream(rules, std::ios::binary) << DefaultRuleBaseText() << "\n(defrule G::a => (format nil \"%f\" 1e308))\n";
    const zarn::testing::CliResult run = zarn::testing::RunCli(
        "--batch '" + (dir / "in").string() + "' --out '" + (dir / "out").string() + "' --rules '" + rules.string() + "'",
        dir);
    EXPECT_EQ(run.Exit, 0) << run.Err;
    for (const char* name : {"ocmulgee-river-macon", "arkansas-river-pueblo", "tees-dent-bank"}) {
        const std::string advice = zarn::testing::Slurp(dir / "out" / (std::string(name) + ".advice.json"));
        EXPECT_TRUE(Contains(advice, "\"RuleBase\": \"padrão (embutida)\"")) << name;
    }
    EXPECT_TRUE(fs::exists(dir / "out" / "summary.csv"));
    EXPECT_TRUE(fs::exists(dir / "out" / "resumo.csv"));
    const std::string said = "A base de regras \"" + rules.string() + "\" derrubou o motor de regras";
    const std::size_t first = run.Err.find(said);
    EXPECT_NE(first, std::string::npos) << run.Err;
    EXPECT_EQ(run.Err.find(said, first + 1), std::string::npos) << run.Err;
    fs::remove_all(dir);
}

// The regional consultation runs in the same child: a rule base that crashes
// the engine gives the compiled-in regional advice after one sentence naming it.
TEST(ChildRegional, ACrashingRuleBaseGivesTheDefaultRegionalAdvice) {
    const fs::path dir = fs::temp_directory_path() / ("zarn-child-region-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "dois.txt") << ZARN_EXAMPLES << "/tees-dent-bank.dat\n"
                                    << ZARN_EXAMPLES << "/potomac-river-point-of-rocks.dat\n";
    const fs::path rules = dir / "quebra.clp";
    std::ofstream(rules, std::ios::binary) << DefaultRuleBaseText() << "\n(defglobal ?*x* = (format nil \"%f\" 1e308))\n";
    const std::string region = "--region '" + (dir / "dois.txt").string() + "' --nsim 20 --accuracy none --json '";
    const auto crashed = zarn::testing::RunCli(region + (dir / "a.json").string() + "' --rules '" + rules.string() + "'", dir);
    const auto plain = zarn::testing::RunCli(region + (dir / "b.json").string() + "'", dir);
    ASSERT_EQ(crashed.Exit, 0) << crashed.Err;
    ASSERT_EQ(plain.Exit, 0) << plain.Err;
    const std::string a = zarn::testing::Slurp(dir / "a.json"), b = zarn::testing::Slurp(dir / "b.json");
    // A signal, or under AddressSanitizer its exit code: the sanitizer catches the crash.
    const std::string said = "\"A base de regras \\\"" + rules.string() +
                             "\\\" derrubou o motor de regras: a consulta terminou com o ";
    const std::size_t at = a.find(said);
    ASSERT_NE(at, std::string::npos) << a;
    // Apart from that sentence, the advice is the one of the shipped rule base.
    const std::size_t end = a.find("Foi usada a base de regras padrão (embutida).\",\n", at);
    ASSERT_NE(end, std::string::npos) << a;
    const std::size_t lineStart = a.rfind('\n', at) + 1;
    const std::size_t lineEnd = a.find('\n', end) + 1;
    EXPECT_EQ(a.substr(0, lineStart) + a.substr(lineEnd), b);
    fs::remove_all(dir);
}

// The helper run directly with the text check and the removal of the
// forbidden functions both bypassed: its own limits are what is left, and
// the rule base says from inside what it got.
TEST(ChildLimits, WithoutTheTextCheckARuleBaseStillOpensWritesAndRunsNothing) {
    const fs::path dir = fs::temp_directory_path() / ("zarn-child-limits-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string victim = (dir / "victim.txt").string();
    std::ofstream(victim) << "keep";
    const std::string opened = (dir / "opened.txt").string(), ran = (dir / "ran.txt").string();
    ConsultationRequest request;
    request.RuleBase = DefaultRuleBaseText() +
                       "\n(defrule G::probe =>"
                       "  (bind ?o (open \"" + opened + "\" f \"w\"))"
                       "  (if ?o then (printout f \"x\" crlf) (close f))"
                       "  (bind ?r (open \"" + victim + "\" g \"r\"))"
                       "  (system \"touch " + ran + "\")"
                       "  (bind ?m (remove \"" + victim + "\"))"
                       "  (assert (cautela (ordem 99) (texto \"open-w\" ?o \"open-r\" ?r \"remove\" ?m))))\n";
    request.Facts = RecordFacts(Example(), {});
    std::ofstream(dir / "request", std::ios::binary) << EncodeRequest(request);

    const std::string helper = FindAdvisorProgram();
    ASSERT_FALSE(helper.empty());
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, (dir / "request").c_str(), O_RDONLY, 0);
    // The answer through a pipe: the helper may not write a file (RLIMIT_FSIZE 0).
    int answerPipe[2];
    ASSERT_EQ(::pipe2(answerPipe, O_CLOEXEC), 0);
    posix_spawn_file_actions_adddup2(&actions, answerPipe[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>(helper.c_str()), const_cast<char*>("--keep-forbidden-functions"), nullptr};
    char* envp[] = {nullptr};
    pid_t pid = 0;
    ASSERT_EQ(::posix_spawn(&pid, helper.c_str(), &actions, nullptr, argv, envp), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(answerPipe[1]);
    std::string bytes;
    char buffer[4096];
    for (ssize_t n; (n = ::read(answerPipe[0], buffer, sizeof buffer)) > 0;) bytes.append(buffer, static_cast<std::size_t>(n));
    ::close(answerPipe[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    const auto answer = DecodeAnswer(ConsultationKind::AtSite, bytes);
    ASSERT_TRUE(answer.has_value());
    ASSERT_EQ(answer->Problem, "");
    std::string said;
    for (const Phrase& caution : answer->AtSite.Cautions)
        if (Contains(PhraseText(caution), "open-w")) said = PhraseText(caution);
    EXPECT_EQ(said, "open-wFALSEopen-rFALSEremoveFALSE");
    EXPECT_FALSE(fs::exists(opened));
    EXPECT_FALSE(fs::exists(ran));
    EXPECT_EQ(zarn::testing::Slurp(victim), "keep");
    fs::remove_all(dir);
}

// The program's reader of the helper's answer: a real answer reads back;
// every corruption of it is refused.
TEST(ChildAnswer, OnlyAWellFormedCompleteAdviceIsRead) {
    ConsultationAnswer good;
    good.AtSite = AdviseWithRuleBase(Example(), "");
    good.AtSite.RuleBase.clear();
    const std::string frame = EncodeAnswer(ConsultationKind::AtSite, good);
    const auto read = DecodeAnswer(ConsultationKind::AtSite, frame);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(Order(read->AtSite), Order(good.AtSite));
    EXPECT_EQ(read->AtSite.Recommended, good.AtSite.Recommended);

    auto with = [&](auto change) {
        ConsultationAnswer a = good;
        change(a.AtSite);
        return EncodeAnswer(ConsultationKind::AtSite, a);
    };
    std::string badVersion = frame, badMagic = frame, longer = frame;
    badVersion[4] = 9;
    badMagic[0] = 'X';
    longer[8] = static_cast<char>(longer[8] + 1);
    const struct {
        const char* Name;
        std::string Bytes;
    } refused[] = {
        {"empty", ""},
        {"cut short", frame.substr(0, frame.size() - 1)},
        {"a byte too many", frame + "x"},
        {"another version", badVersion},
        {"another magic", badMagic},
        {"a body length that is not the body's", longer},
        {"seven distributions", with([](Advice& a) { a.Ranking.pop_back(); })},
        {"a distribution twice", with([](Advice& a) { a.Ranking[1].Index = a.Ranking[0].Index; })},
        {"an index past 8", with([](Advice& a) { a.Ranking[0].Index = 9; })},
        {"ranks out of order", with([](Advice& a) { std::swap(a.Ranking[0].Rank, a.Ranking[1].Rank); })},
        {"an unknown status", with([](Advice& a) { a.Ranking[0].Status = static_cast<AdviceStatus>(7); })},
        {"a recommendation past 8", with([](Advice& a) { a.Recommended = 9; })},
        {"a regional answer", EncodeAnswer(ConsultationKind::Regional, ConsultationAnswer{})},
    };
    for (const auto& bad : refused) EXPECT_FALSE(DecodeAnswer(ConsultationKind::AtSite, bad.Bytes)) << bad.Name;

    // A count that claims more sentences than the frame holds is refused
    // before anything is reserved for them.
    ConsultationAnswer regional;
    std::string claim = EncodeAnswer(ConsultationKind::Regional, regional);
    claim[14] = claim[15] = claim[16] = '\xFF';
    EXPECT_FALSE(DecodeAnswer(ConsultationKind::Regional, claim));
}
