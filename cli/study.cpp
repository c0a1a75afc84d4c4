// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/study.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "analysis/b17cproject.h"
#include "analysis/calculation.h"
#include "files/errors.h"
#include "files/filewrite.h"
#include "files/textcodec.h"
#include "analysis/projectfile.h"
#include "files/projectsettings.h"
#include "analysis/returnperiods.h"
#include "cli/outputs.h"
#include "platform/session.h"

extern char** environ;

namespace zarn {

namespace {

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// A folder of its own under TMPDIR (or /tmp), readable by its owner alone,
// removed with everything in it when this goes out of scope.
class PrivateFolder {
public:
    PrivateFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zarn-estudo-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        if (::mkdtemp(buffer.data()) == nullptr)
            throw ZarnError("Não foi possível criar uma pasta temporária: " + std::string(std::strerror(errno)));
        path_ = buffer.data();
    }
    ~PrivateFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Runs `argv` (standard output to /dev/null when `quiet`) and waits for it;
// its exit status, or -1 when it could not be started.
int RunAndWait(const std::vector<std::string>& argv, bool quiet) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int started = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

std::string FindChartsProgram() {
    if (const std::string dir = ProgramDir(); !dir.empty()) {
        const std::string beside = dir + "/" + kChartsProgram;
        if (IsExecutableFile(beside)) return beside;
    }
    const char* path = std::getenv("PATH");
    if (!path) return "";
    const std::string folders = path;
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = folders.substr(start, end - start);
        // An empty or relative entry would name the working folder.
        if (!folder.empty() && folder[0] == '/') {
            const std::string candidate = folder + "/" + kChartsProgram;
            if (IsExecutableFile(candidate)) return candidate;
        }
        start = end + 1;
    }
    return "";
}

namespace {

// Says in Portuguese that the charts tool is missing; its exit status.
int ChartsProgramMissing() {
    std::fprintf(stderr,
                 "O relatório do estudo em PDF é feito pelo programa %s, do pacote zarn, que não foi "
                 "encontrado ao lado do zarn-cli nem no PATH. Instale o pacote zarn.\n",
                 kChartsProgram);
    return 3;
}

// Runs the charts tool for `pdf` (`out`, or a file in `folder` copied to
// standard output when `out` is "-"); its exit status.
int RunForStudy(std::vector<std::string> arguments, const std::string& pdf, const std::string& out) {
    const int status = RunAndWait(arguments, true);
    if (status != 0) {
        std::fprintf(stderr, "O programa %s não conseguiu gerar o relatório do estudo (código %d).\n",
                     arguments[0].c_str(), status);
        return status < 0 ? 3 : status;
    }
    if (out == "-") {
        std::ifstream in(pdf, std::ios::binary);
        WriteOut("-", std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    }
    return 0;
}

}  // namespace

int WriteRegionStudy(const std::vector<std::string>& regionArguments, const std::string& out) {
    const std::string charts = FindChartsProgram();
    if (charts.empty()) return ChartsProgramMissing();
    const PrivateFolder folder;
    const std::string pdf = out == "-" ? folder.Path() + "/estudo-regional.pdf" : out;
    std::vector<std::string> arguments = {charts, "--region-study", pdf};
    arguments.insert(arguments.end(), regionArguments.begin(), regionArguments.end());
    return RunForStudy(arguments, pdf, out);
}

int WriteStudy(const AnalysisRecord& r, const std::string& out, const std::string& openedProject,
               const std::string& ruleBase, const ZeroYears& zeros, const std::vector<double>& periods) {
    const std::string charts = FindChartsProgram();
    if (charts.empty()) {
        std::fprintf(stderr,
                     "O relatório do estudo em PDF é feito pelo programa %s, do pacote zarn, que não foi "
                     "encontrado ao lado do zarn-cli nem no PATH. Instale o pacote zarn.\n",
                     kChartsProgram);
        return 3;
    }
    const PrivateFolder folder;
    const std::string project = folder.Path() + "/estudo.prj";
    WriteProjectFile(r, project);
    // What the opened project keeps beside it (variable, unit, return periods) goes along.
    if (!openedProject.empty()) WriteProjectSettings(project, ReadProjectSettings(openedProject));
    // The years without flow and the periods of this run go along too.
    KeepStudySettings(project, zeros, &periods);
    const bool toStandardOutput = out == "-";
    const std::string pdf = toStandardOutput ? folder.Path() + "/estudo.pdf" : out;
    std::vector<std::string> arguments = {charts, "--study", pdf};
    if (!ruleBase.empty()) arguments.insert(arguments.end(), {"--rules", ruleBase});  // the same advice as ours
    arguments.push_back(project);
    const int status = RunAndWait(arguments, true);
    if (status != 0) {
        std::fprintf(stderr, "O programa %s não conseguiu gerar o relatório do estudo (código %d).\n",
                     charts.c_str(), status);
        return status < 0 ? 3 : status;
    }
    if (toStandardOutput) {
        std::ifstream in(pdf, std::ios::binary);
        WriteOut("-", std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    }
    return 0;
}

int WriteB17cStudy(const HistoricalRecord& record, const B17cOptions& options, const std::string& title,
                   const std::string& out, const std::vector<double>& periods) {
    std::string series;
    for (const FloodObservation& o : record.Observations) {
        if (o.Historical || o.Low != o.High || !std::isfinite(o.Low)) continue;
        char value[40];
        std::snprintf(value, sizeof value, "%.17g\n", o.Low);
        series += value;
    }
    if (series.empty()) throw ZarnError("O registro não tem anos sistemáticos com vazão conhecida: não há série para o estudo.");
    const PrivateFolder folder;
    const std::string data = folder.Path() + "/serie.dat";
    const std::string project = folder.Path() + "/estudo.prj";
    WriteOut(data, series);
    auto analysis = std::make_unique<AnalysisRecord>();
    ZeroYears zeros;
    analysis->TestFlags = 0;
    CalculateAll(*analysis, Utf8ToWindows1252(title), "", "", data, {}, nullptr, &zeros);
    WriteOut(project, std::string(reinterpret_cast<const char*>(analysis.get()), sizeof *analysis));
    ProjectSettings settings;
    SetB17cProject(settings, B17cProject{record, options, true});
    WriteProjectSettings(project, settings);
    return WriteStudy(*analysis, out, project, "", zeros, periods);
}

}  // namespace zarn
