// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/consultation.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/session.h"
#include "rules/rulecheck.h"

namespace zarn {

namespace {

#ifndef ZARN_HELPERDIR_FROM_BINDIR
#define ZARN_HELPERDIR_FROM_BINDIR "../libexec/zarn"
#endif
// The installed helper's folder relative to the installed executable's folder.
constexpr const char* kHelperDirFromProgramDir = ZARN_HELPERDIR_FROM_BINDIR;
// Problems a process keeps (a session meets one or two rule bases; a run over
// many texts, such as a fuzzer's, must not pile them up).
constexpr std::size_t kMaxRemembered = 64;
// How often the program looks whether a child that closed its answer has ended.
constexpr auto kReapInterval = std::chrono::milliseconds(1);

using Clock = std::chrono::steady_clock;

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The lasting problems met by this process, by kind and rule base text.
class KnownProblems {
public:
    std::string Find(ConsultationKind kind, const std::string& text) {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto found = problems_.find({kind, text});
        return found == problems_.end() ? std::string() : found->second;
    }
    void Remember(ConsultationKind kind, const std::string& text, const std::string& problem) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (problems_.size() >= kMaxRemembered) problems_.clear();
        problems_[{kind, text}] = problem;
    }

private:
    std::mutex mutex_;
    std::map<std::pair<ConsultationKind, std::string>, std::string> problems_;
};

KnownProblems& Known() {
    static KnownProblems known;
    return known;
}

// A descriptor closed with the object.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

// SIGPIPE blocked on this thread while it writes to a child that may have
// died; a SIGPIPE raised meanwhile is taken back before the mask is restored.
class NoBrokenPipeSignal {
public:
    NoBrokenPipeSignal() {
        sigemptyset(&pipe_);
        sigaddset(&pipe_, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        wasPending_ = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipe_, &previous_);
    }
    ~NoBrokenPipeSignal() {
        sigset_t pending;
        sigpending(&pending);
        if (!wasPending_ && sigismember(&pending, SIGPIPE) == 1) {
            const timespec now{0, 0};
            sigtimedwait(&pipe_, nullptr, &now);
        }
        pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
    }
    NoBrokenPipeSignal(const NoBrokenPipeSignal&) = delete;
    NoBrokenPipeSignal& operator=(const NoBrokenPipeSignal&) = delete;

private:
    sigset_t pipe_{};
    sigset_t previous_{};
    bool wasPending_ = false;
};

// How a child ended.
struct ChildEnd {
    std::string Answer;       // what it wrote, at most a frame's bound and one byte
    bool Killed = false;      // by the program, at the deadline
    int Status = 0;           // of waitpid
};

// Starts the helper with its standard input and output on the two pipes,
// standard error on /dev/null, nothing else open, default signals, an
// empty environment. -1 with errno when it could not be started.
pid_t StartHelper(const std::string& program, int requestRead, int answerWrite) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, requestRead, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, answerWrite, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    char* envp[] = {nullptr};
    pid_t pid = -1;
    const int started = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, envp);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) {
        errno = started;
        return -1;
    }
    return pid;
}

// Writes `request` to the child and reads its answer until it closes it,
// the answer passes its bound, or the deadline comes.
void Exchange(Descriptor& requestWrite, int answerRead, const std::string& request, Clock::time_point deadline,
              ChildEnd& end) {
    const NoBrokenPipeSignal noSignal;
    std::size_t written = 0;
    char buffer[1 << 16];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return;
        const bool writing = requestWrite.get() >= 0;
        pollfd fds[2] = {{answerRead, POLLIN, 0}, {requestWrite.get(), POLLOUT, 0}};
        const int ready = ::poll(fds, writing ? 2 : 1, static_cast<int>(left));
        if (ready < 0 && errno != EINTR) return;
        if (ready <= 0) continue;
        if (writing && fds[1].revents != 0) {
            const ssize_t n = ::write(requestWrite.get(), request.data() + written, request.size() - written);
            if (n > 0) written += static_cast<std::size_t>(n);
            if (n < 0 && errno != EAGAIN && errno != EINTR) requestWrite.Close();  // the child is gone
            if (written == request.size()) requestWrite.Close();                  // end of the request
        }
        if (fds[0].revents != 0) {
            const ssize_t n = ::read(answerRead, buffer, sizeof buffer);
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            if (n <= 0) return;  // the child closed its answer
            end.Answer.append(buffer, static_cast<std::size_t>(n));
            if (end.Answer.size() > kMaxAnswerBytes + 12) return;  // no answer is this long
        }
    }
}

// Waits for the child until the deadline, then kills it by its PID (not yet
// reaped, so it cannot have been reused) and reaps it.
void Reap(pid_t pid, Clock::time_point deadline, ChildEnd& end) {
    for (;;) {
        const pid_t done = ::waitpid(pid, &end.Status, WNOHANG);
        if (done == pid) return;
        if (done < 0 && errno != EINTR) return;
        if (Clock::now() >= deadline) break;
        std::this_thread::sleep_for(kReapInterval);
    }
    ::kill(pid, SIGKILL);
    end.Killed = true;
    while (::waitpid(pid, &end.Status, 0) < 0 && errno == EINTR) {
    }
}

// What the child's end means: its answer, or the problem.
ConsultationAnswer Judge(ConsultationKind kind, const ChildEnd& end) {
    ConsultationAnswer failed;
    failed.Lasting = true;
    const std::string helper = kAdvisorProgram;
    if (end.Killed) {
        failed.Problem = "foi interrompida: a consulta não terminou em " + std::to_string(kMaxHelperSeconds) + " segundos.";
    } else if (WIFSIGNALED(end.Status)) {
        const int signal = WTERMSIG(end.Status);
        const char* name = sigabbrev_np(signal);
        if (signal == SIGXCPU || signal == SIGKILL)  // the kernel's CPU limit: SIGXCPU, then SIGKILL
            failed.Problem = "foi interrompida: a consulta passou de " + std::to_string(kHelperCpuSeconds) +
                             " segundos de processamento.";
        else
            failed.Problem = "derrubou o motor de regras: a consulta terminou com o sinal " + std::to_string(signal) +
                             (name != nullptr ? std::string(" (SIG") + name + ")" : std::string()) + ".";
    } else if (!WIFEXITED(end.Status)) {
        failed.Problem = "derrubou o motor de regras: a consulta terminou de forma inesperada.";
    } else if (WEXITSTATUS(end.Status) == 0) {
        if (std::optional<ConsultationAnswer> answer = DecodeAnswer(kind, end.Answer)) return *std::move(answer);
        failed.Problem = "deu ao programa uma resposta que não é um parecer válido.";
    } else if (WEXITSTATUS(end.Status) == kHelperExitMemory) {
        failed.Problem = "foi interrompida: a consulta passou de " + std::to_string(kHelperMemoryMB) + " MB de memória.";
    } else if (WEXITSTATUS(end.Status) == kHelperExitLimits) {
        failed.Problem = "não pôde ser consultada: o programa " + helper + " não conseguiu impor a si mesmo os limites da consulta.";
    } else if (WEXITSTATUS(end.Status) == kHelperExitBadRequest) {
        failed.Problem = "não pôde ser consultada: o programa " + helper + " não entendeu o pedido.";
    } else {
        failed.Problem = "derrubou o motor de regras: a consulta terminou com o código " +
                         std::to_string(WEXITSTATUS(end.Status)) + ".";
    }
    return failed;
}

// Runs the helper on `request`; empty Problem and the answer, or why not.
ConsultationAnswer RunChild(const std::string& program, const std::string& request, ConsultationKind kind) {
    ConsultationAnswer failed;
    failed.Lasting = true;
    int requestPipe[2], answerPipe[2];
    if (::pipe2(requestPipe, O_CLOEXEC) != 0) {
        failed.Problem = "não pôde ser consultada: faltam recursos ao sistema (" + std::string(std::strerror(errno)) + ").";
        failed.Lasting = false;
        return failed;
    }
    Descriptor requestRead(requestPipe[0]), requestWrite(requestPipe[1]);
    if (::pipe2(answerPipe, O_CLOEXEC) != 0) {
        failed.Problem = "não pôde ser consultada: faltam recursos ao sistema (" + std::string(std::strerror(errno)) + ").";
        failed.Lasting = false;
        return failed;
    }
    Descriptor answerRead(answerPipe[0]), answerWrite(answerPipe[1]);
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(kMaxHelperSeconds);
    const pid_t pid = StartHelper(program, requestRead.get(), answerWrite.get());
    if (pid < 0) {
        failed.Problem = "não pôde ser consultada: o programa " + program + " não pôde ser iniciado (" +
                         std::strerror(errno) + ").";
        failed.Lasting = false;  // the system may have room again for the next one
        return failed;
    }
    requestRead.Close();
    answerWrite.Close();
    ::fcntl(requestWrite.get(), F_SETFL, O_NONBLOCK);
    ::fcntl(answerRead.get(), F_SETFL, O_NONBLOCK);
    ChildEnd end;
    Exchange(requestWrite, answerRead.get(), request, deadline, end);
    requestWrite.Close();
    answerRead.Close();
    Reap(pid, deadline, end);
    return Judge(kind, end);
}

}  // namespace

std::string FindAdvisorProgram() {
    const std::string dir = ProgramDir();
    if (dir.empty()) return "";
    for (const std::filesystem::path& candidate :
         {std::filesystem::path(dir) / kAdvisorProgram,
          (std::filesystem::path(dir) / kHelperDirFromProgramDir / kAdvisorProgram).lexically_normal()})
        if (IsExecutableFile(candidate.string())) return candidate.string();
    return "";
}

ConsultationAnswer Consult(const ConsultationRequest& request) {
    ConsultationAnswer answer;
    answer.Lasting = true;
    if (request.RuleBase.size() > kMaxRuleBaseBytes) {
        answer.Problem = "tem mais de " + std::to_string(kMaxRuleBaseBytes >> 20) + " MB: não é uma base de regras.";
        return answer;
    }
    if (answer.Problem = Known().Find(request.Kind, request.RuleBase); !answer.Problem.empty()) return answer;
    if (answer.Problem = RuleBaseRefusal(request.RuleBase); !answer.Problem.empty()) {
        Known().Remember(request.Kind, request.RuleBase, answer.Problem);
        return answer;
    }
    const std::string program = FindAdvisorProgram();
    if (program.empty()) {
        answer.Problem = std::string("não pôde ser consultada: o programa ") + kAdvisorProgram +
                         ", que consulta as bases de regras, não foi encontrado ao lado do programa nem na instalação.";
        return answer;
    }
    answer = RunChild(program, EncodeRequest(request), request.Kind);
    if (!answer.Problem.empty() && answer.Lasting) Known().Remember(request.Kind, request.RuleBase, answer.Problem);
    return answer;
}

}  // namespace zarn
