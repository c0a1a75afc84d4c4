// SPDX-License-Identifier: GPL-3.0-or-later
// The one input rule and the one output rule, over every program that
// writes: an output that is an input or another output (by name, "..", a
// symbolic or a hard link) is refused before anything is written and no file
// changes; a folder is never an output; a device or pipe is written in place;
// an input that is not a regular file, or is too large, is refused naming it
// without hanging.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cli/batch.h"
#include "files/errors.h"
#include "files/filerules.h"
#include "files/filewrite.h"
#include "tests/core/support/cli.h"

namespace fs = std::filesystem;
using namespace zarn;
using zarn::testing::Slurp;

namespace {

// What a folder holds, to tell that a refused run changed nothing: each
// entry's kind, inode, bytes or link target.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        if (name == "stdout" || name == "stderr") continue;
        struct stat st {};
        ::lstat(e.path().c_str(), &st);
        std::string what = std::to_string(st.st_mode) + ":" + std::to_string(st.st_ino) + ":";
        if (e.is_symlink()) what += fs::read_symlink(e.path()).string();
        else if (e.is_regular_file()) what += Slurp(e.path());
        out[e.path().string()] = what;
    }
    return out;
}

class FileRulesTest : public zarn::testing::CliTestBase {
protected:
    void SetUp() override {
        CliTestBase::SetUp();
        fs::copy_file(std::string(ZARN_EXAMPLES) + "/tees-dent-bank.dat", dir_ / "in.dat");
        ASSERT_EQ(Run("--data " + Path("in.dat") + " --project " + Path("q.prj")).Exit, 0);
        std::ofstream(dir_ / "other.txt") << "não é para mudar\n";
        fs::create_symlink(dir_ / "in.dat", dir_ / "o.pdf");
        fs::create_hard_link(dir_ / "in.dat", dir_ / "hard.json");
        fs::create_directories(dir_ / "sub");
        fs::create_directories(dir_ / "pasta");
        std::ofstream list(dir_ / "postos.txt");
        for (const char* name : {"arkansas-river-pueblo", "ocmulgee-river-macon", "santa-cruz-river-lochiel",
                                 "tees-dent-bank", "potomac-river-point-of-rocks"})
            list << ZARN_EXAMPLES << "/" << name << ".dat\n";
        list.close();
        std::ofstream(dir_ / "v.csv") << "ano;vazao\n1970;350\n1971;420\n";
    }
};

// Every program and every kind of output, one table: refused with the
// message, and nothing in the folder changed.
TEST_F(FileRulesTest, AnOutputThatIsAnInputOrAnotherOutputIsRefusedBeforeAnythingRuns) {
    const std::string in = Path("in.dat"), prj = Path("q.prj");
    const char* const input = "é o próprio arquivo de entrada";
    struct Case {
        std::string Args;
        const char* Message;
    } cases[] = {
        {"--data " + in + " --study " + in, input},
        {"--open " + prj + " --study " + prj, input},
        {"--data " + in + " --study " + Path("o.pdf"), input},  // a link to the input
        {"--data " + in + " --json " + Path("sub/../in.dat"), input},
        {"--data " + in + " --json " + Path("hard.json"), input},  // a hard link
        {"--data " + in + " --rules " + Path("other.txt") + " --facts " + Path("other.txt"), input},
        {"--data " + in + " --json " + Path("t.pdf") + " --study " + Path("t.pdf"), "Duas saídas com o mesmo nome"},
        {"--data " + in + " --json " + Path("x.json") + " --report " + Path("sub/../x.json"), "são o mesmo arquivo"},
        {"--data " + in + " --json " + Path("pasta"), "é uma pasta"},
        {"--import " + Path("v.csv") + " --out " + Path("v.csv"), input},
        {"--region " + Path("postos.txt") + " --csv " + Path("r") + " --report " + Path("r"),
         "Duas saídas com o mesmo nome"},
        {"--region " + Path("postos.txt") + " --json " + Path("postos.txt"), input},
        {"--batch " + Path("postos.txt") + " --out " + Path("sub") + " --rules " + Path("sub/tees-dent-bank.clp"),
         input},
    };
    const auto before = Snapshot(dir_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Args);
        const zarn::testing::CliResult r = Run(c.Args);
        EXPECT_EQ(r.Exit, 1);
        EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
        EXPECT_EQ(Snapshot(dir_), before);
    }
#ifdef ZARN_CHARTS
    for (const std::string& args : {"--study " + prj + " " + prj, "--study " + Path("o.pdf") + " " + in,
                                    "--study " + Path("q.zarn") + " " + prj}) {
        SCOPED_TRACE(args);
        const std::string cmd = std::string("'") + ZARN_CHARTS + "' " + args + " >/dev/null 2>" + Path("stderr");
        EXPECT_NE(std::system(cmd.c_str()), 0);
        EXPECT_NE(Slurp(dir_ / "stderr").find(input), std::string::npos) << Slurp(dir_ / "stderr");
        EXPECT_EQ(Snapshot(dir_), before);
    }
#endif
}

// A link at an output is replaced, never followed; a device is written in
// place (/dev/null stays the device; /dev/full says the disk is full).
TEST_F(FileRulesTest, LinksAreReplacedAndDevicesWrittenInPlace) {
    fs::create_symlink(dir_ / "other.txt", dir_ / "link.json");
    const std::string other = Slurp(dir_ / "other.txt");
    ASSERT_EQ(Run("--data " + Path("in.dat") + " --json " + Path("link.json")).Exit, 0);
    EXPECT_FALSE(fs::is_symlink(dir_ / "link.json"));
    EXPECT_EQ(Slurp(dir_ / "other.txt"), other);
#ifdef ZARN_CHARTS
    // The study PDF goes through the same writer.
    fs::create_symlink(dir_ / "other.txt", dir_ / "link.pdf");
    const std::string study = std::string("'") + ZARN_CHARTS + "' --study " + Path("link.pdf") + " " + Path("q.prj") +
                              " >/dev/null 2>/dev/null";
    ASSERT_EQ(std::system(study.c_str()), 0);
    EXPECT_FALSE(fs::is_symlink(dir_ / "link.pdf"));
    EXPECT_EQ(Slurp(dir_ / "link.pdf").substr(0, 4), "%PDF");
    EXPECT_EQ(Slurp(dir_ / "other.txt"), other);
#endif

    struct stat null {}, full {};
    ASSERT_EQ(::stat("/dev/null", &null), 0);
    ASSERT_EQ(::stat("/dev/full", &full), 0);
    EXPECT_EQ(Run("--data " + Path("in.dat") + " --json /dev/null --report /dev/null").Exit, 0);
    const zarn::testing::CliResult r = Run("--data " + Path("in.dat") + " --json /dev/full");
    EXPECT_EQ(r.Exit, 1);
    EXPECT_NE(r.Err.find("o disco está cheio"), std::string::npos) << r.Err;
    struct stat nullAfter {}, fullAfter {};
    ASSERT_EQ(::stat("/dev/null", &nullAfter), 0);
    ASSERT_EQ(::stat("/dev/full", &fullAfter), 0);
    EXPECT_TRUE(S_ISCHR(nullAfter.st_mode));
    EXPECT_EQ(nullAfter.st_ino, null.st_ino);
    EXPECT_TRUE(S_ISCHR(fullAfter.st_mode));
    EXPECT_EQ(fullAfter.st_ino, full.st_ino);

    // A system name of an open file (/dev/stdout redirected to a file is
    // /proc/self/fd/1): written through to the file, never renamed over.
    const fs::path held = dir_ / "aberto.txt";
    const int fd = ::open(held.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    const std::string alias = "/proc/self/fd/" + std::to_string(fd);
    ReplaceFileContents(alias, "pela saída padrão\n", [](WriteStage, int) { return std::string("falhou"); },
                        LinkAtTarget::Replace);
    ::close(fd);
    EXPECT_EQ(Slurp(held), "pela saída padrão\n");

    // A FIFO with a reader: the bytes go through it, and it stays a FIFO.
    const fs::path fifo = dir_ / "saida.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = Slurp(fifo); });
    ReplaceFileContents(fifo.string(), "bytes pelo pipe\n", [](WriteStage, int) { return std::string("falhou"); },
                        LinkAtTarget::Replace);
    reader.join();
    EXPECT_EQ(received, "bytes pelo pipe\n");
    EXPECT_TRUE(fs::is_fifo(fifo));
}

// Inputs that never end or are far too large are refused at once, naming them.
TEST_F(FileRulesTest, InputsAreRegularFilesOfABoundedSize) {
    const fs::path fifo = dir_ / "entrada.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    {
        std::ofstream sparse(dir_ / "grande.dat");
    }
    fs::resize_file(dir_ / "grande.dat", std::uintmax_t{1} << 30);  // 1 GB, sparse
    const std::string out = " --json " + Path("x.json");
    struct Case {
        std::string Args, Named, Message;
    } cases[] = {
        {"--data " + Path("entrada.fifo") + out, fifo.string(), "não é um arquivo comum"},
        {"--data /dev/zero" + out, "/dev/zero", "não é um arquivo comum"},
        {"--data " + Path("grande.dat") + out, (dir_ / "grande.dat").string(), "tem mais de 16 MB"},
        {"--open " + Path("entrada.fifo") + out, fifo.string(), "não é um arquivo comum"},
        {"--import " + Path("entrada.fifo") + " --out " + Path("y.dat"), fifo.string(), "não é um arquivo comum"},
        {"--import /dev/urandom --out " + Path("y.dat"), "/dev/urandom", "não é um arquivo comum"},
        {"--import " + Path("grande.dat") + " --out " + Path("y.dat"), (dir_ / "grande.dat").string(),
         "tem mais de 64 MB"},
        {"--batch " + Path("entrada.fifo") + " --out " + Path("lote"), fifo.string(), "não é um arquivo comum"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Args);
        const auto start = std::chrono::steady_clock::now();
        // timeout turns a hang into a failure (exit 124) instead of a stuck test.
        const std::string cmd = std::string("timeout 30 '") + ZARN_CLI + "' " + c.Args + " >/dev/null 2>" + Path("stderr");
        const int status = std::system(cmd.c_str());
        const zarn::testing::CliResult r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", Slurp(dir_ / "stderr")};
        EXPECT_EQ(r.Exit, 1);
        EXPECT_NE(r.Err.find("\"" + c.Named + "\""), std::string::npos) << r.Err;
        EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    }
    EXPECT_FALSE(fs::exists(dir_ / "x.json"));
    EXPECT_FALSE(fs::exists(dir_ / "y.dat"));
    // The library's reader: a folder keeps the runtime's file error.
    EXPECT_THROW(ReadInputFile(dir_.string(), kListInput), FileError);
    EXPECT_EQ(ReadInputFile((dir_ / "v.csv").string(), kListInput), "ano;vazao\n1970;350\n1971;420\n");
    EXPECT_THROW(ReadInputFile((dir_ / "v.csv").string(), InputLimit{10, "um teste"}), ZarnError);
}

// No two stations of a batch write the same file: x.dat and x.advice.dat
// would both have written x.advice.json.
TEST_F(FileRulesTest, BatchOutputNamesAreUniqueAcrossEveryStationsFiles) {
    const fs::path folder = dir_ / "estacoes";
    fs::create_directories(folder);
    for (const char* name : {"x.dat", "x.advice.dat", "dup.dat", "dup.csv", "dup-2.dat", "resumo.dat"})
        fs::copy_file(std::string(ZARN_EXAMPLES) + "/tees-dent-bank.dat", folder / name);
    {
        std::ifstream values(std::string(ZARN_EXAMPLES) + "/tees-dent-bank.dat");
        std::ofstream table(folder / "dup.csv", std::ios::trunc);
        table << "ano;vazao\n";
        int year = 1970;
        for (std::string v; values >> v;) table << year++ << ";" << v << "\n";
    }
    const std::vector<BatchStation> stations = BatchStations(folder.string());
    std::set<std::string> files;
    std::map<std::string, std::string> names;
    for (const BatchStation& s : stations) {
        names[fs::path(s.Path).filename().string()] = s.Name;
        for (const char* suffix : {".json", ".txt", ".clp", ".prj", ".zarn", ".advice.json", ".dat"})
            EXPECT_TRUE(files.insert(s.Name + suffix).second) << s.Name << suffix;
    }
    EXPECT_EQ(names["x.dat"], "x");
    EXPECT_EQ(names["x.advice.dat"], "x.advice-2");
    EXPECT_EQ(names["dup.csv"], "dup");
    EXPECT_EQ(names["dup-2.dat"], "dup-2");
    EXPECT_EQ(names["dup.dat"], "dup-3");

    const zarn::testing::CliResult r = Run("--batch " + Path("estacoes") + " --out " + Path("lote") + " --threads 2");
    EXPECT_EQ(r.Exit, 0) << r.Err;
    EXPECT_NE(r.Err.find("0 com erro"), std::string::npos) << r.Err;
    EXPECT_TRUE(fs::exists(dir_ / "lote" / "x.advice.json"));
    EXPECT_TRUE(fs::exists(dir_ / "lote" / "x.advice-2.json"));
    EXPECT_TRUE(fs::exists(dir_ / "lote" / "x.advice-2.advice.json"));
}

}  // namespace
