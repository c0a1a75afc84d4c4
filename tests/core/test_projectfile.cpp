// SPDX-License-Identifier: GPL-3.0-or-later
// The project file: the record's byte image written and read back.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "analysis/calculation.h"
#include "files/errors.h"
#include "analysis/record.h"
#include "analysis/projectfile.h"
#include "files/projectsettings.h"
#include "views/report.h"
#include "rules/factfile.h"

namespace zarn {
namespace {

namespace fs = std::filesystem;

// A record whose every byte is set (a pattern, so a shifted or partial copy
// shows), with counts and plotted distribution that a reader accepts.
std::unique_ptr<AnalysisRecord> PatternRecord(unsigned seed) {
    auto r = std::make_unique<AnalysisRecord>();
    auto* bytes = reinterpret_cast<unsigned char*>(r.get());
    for (std::size_t i = 0; i < kRecordSize; ++i) bytes[i] = static_cast<unsigned char>((i * 131 + seed) % 251);
    r->SampleSize = 35;
    r->ClassCount = 7;
    r->PlotDistribution = 6;
    return r;
}

std::string Contents(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

std::string Image(const AnalysisRecord& r) {
    return std::string(reinterpret_cast<const char*>(&r), kRecordSize);
}

class ProjectFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("zarn-project-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(folder_);
    }
    // The error text of reading `path` into `r`, or "no error".
    static std::string ReadError(AnalysisRecord& r, const fs::path& path) {
        try {
            ReadProjectFile(r, path.string());
        } catch (const ZarnError& e) {
            return e.what();
        }
        return "no error";
    }
    static std::string WriteError(const AnalysisRecord& r, const fs::path& path) {
        try {
            WriteProjectFile(r, path.string());
        } catch (const ZarnError& e) {
            return e.what();
        }
        return "no error";
    }
    std::size_t EntryCount() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder_), {}));
    }
    fs::path folder_;
};

TEST_F(ProjectFileTest, SaveAndOpenGiveTheSameBytes) {
    const auto saved = PatternRecord(1);
    const fs::path path = folder_ / "rio.prj";
    WriteProjectFile(*saved, path.string());
    EXPECT_EQ(Contents(path), Image(*saved));  // no header, nothing after the record
    EXPECT_EQ(EntryCount(), 1u);                // no temporary file left

    auto opened = PatternRecord(2);
    ReadProjectFile(*opened, path.string());
    EXPECT_EQ(std::memcmp(saved.get(), opened.get(), kRecordSize), 0);

    // Saving again replaces the file whole.
    const auto other = PatternRecord(3);
    WriteProjectFile(*other, path.string());
    EXPECT_EQ(Contents(path), Image(*other));
}

TEST_F(ProjectFileTest, OpenedProjectGivesTheSameReportAndFacts) {
    auto calculated = std::make_unique<AnalysisRecord>();
    CalculateAll(*calculated, "Ocmulgee", "Macon", "", ZARN_EXAMPLES "/ocmulgee-river-macon.dat");
    const fs::path path = folder_ / "ocmulgee.prj";
    WriteProjectFile(*calculated, path.string());
    auto opened = std::make_unique<AnalysisRecord>();
    ReadProjectFile(*opened, path.string());
    EXPECT_EQ(std::memcmp(calculated.get(), opened.get(), kRecordSize), 0);
    EXPECT_EQ(ReportLines(*opened), ReportLines(*calculated));
    EXPECT_EQ(FactFileLines(*opened), FactFileLines(*calculated));
}

TEST_F(ProjectFileTest, OpenAcceptsAnyLongEnoughFileAndOnlyThat) {
    const auto saved = PatternRecord(4);
    const std::string image = Image(*saved);
    const auto before = PatternRecord(5);
    auto r = PatternRecord(5);

    WriteBytes(folder_ / "short.prj", image.substr(0, kRecordSize - 1));
    EXPECT_EQ(ReadError(*r, folder_ / "short.prj"), "Read beyond end of file");
    WriteBytes(folder_ / "empty.prj", "");
    EXPECT_EQ(ReadError(*r, folder_ / "empty.prj"), "Read beyond end of file");
    EXPECT_EQ(ReadError(*r, folder_ / "nao-existe.prj"), "File not found");
    EXPECT_EQ(ReadError(*r, folder_ / "nao-existe" / "a.prj"), "Invalid filename");
    EXPECT_EQ(ReadError(*r, folder_), "File access denied");
    // Nothing of a failed open reached the record.
    EXPECT_EQ(std::memcmp(r.get(), before.get(), kRecordSize), 0);

    // A longer file opens; only its first 321,736 bytes count.
    WriteBytes(folder_ / "long.prj", image + std::string(1000, '\x7F'));
    EXPECT_EQ(ReadError(*r, folder_ / "long.prj"), "no error");
    EXPECT_EQ(std::memcmp(r.get(), saved.get(), kRecordSize), 0);

    // A project file marked read-only opens.
    const fs::path readOnly = folder_ / "somente-leitura.prj";
    WriteBytes(readOnly, image);
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    r = PatternRecord(5);
    EXPECT_EQ(ReadError(*r, readOnly), "no error");
    EXPECT_EQ(std::memcmp(r.get(), saved.get(), kRecordSize), 0);
}

TEST_F(ProjectFileTest, OpenRefusesCountsOutsideTheArrays) {
    struct Damage {
        const char* name;
        void (*apply)(AnalysisRecord&);
        bool accepted;
    };
    const Damage cases[] = {
        {"sample size 10001", [](AnalysisRecord& r) { r.SampleSize = 10001; }, false},
        {"sample size -1", [](AnalysisRecord& r) { r.SampleSize = -1; }, false},
        {"class count 10001", [](AnalysisRecord& r) { r.ClassCount = 10001; }, false},
        {"class count -5", [](AnalysisRecord& r) { r.ClassCount = -5; }, false},
        {"plotted distribution 0", [](AnalysisRecord& r) { r.PlotDistribution = 0; }, false},
        {"plotted distribution 9", [](AnalysisRecord& r) { r.PlotDistribution = 9; }, false},
        {"limits themselves", [](AnalysisRecord& r) { r.SampleSize = 10000; r.ClassCount = 0; r.PlotDistribution = 8; }, true},
        {"empty sample, first distribution", [](AnalysisRecord& r) { r.SampleSize = 0; r.ClassCount = 10000; r.PlotDistribution = 1; }, true},
    };
    const auto before = PatternRecord(6);
    for (const Damage& c : cases) {
        auto file = PatternRecord(7);
        c.apply(*file);
        const fs::path path = folder_ / "danificado.prj";
        WriteProjectFile(*file, path.string());
        auto r = PatternRecord(6);
        const std::string error = ReadError(*r, path);
        if (c.accepted) {
            EXPECT_EQ(error, "no error") << c.name;
            EXPECT_EQ(std::memcmp(r.get(), file.get(), kRecordSize), 0) << c.name;
        } else {
            EXPECT_NE(error.find("\"" + path.string() + "\" não é um projeto válido"), std::string::npos)
                << c.name << ": " << error;
            EXPECT_EQ(std::memcmp(r.get(), before.get(), kRecordSize), 0) << c.name;
        }
    }
}

TEST_F(ProjectFileTest, SaveFailuresCarryTheFileErrorTexts) {
    const auto r = PatternRecord(8);
    EXPECT_EQ(WriteError(*r, folder_ / "nao-existe" / "a.prj"), "Invalid filename");
    fs::create_directory(folder_ / "pasta.prj");
    EXPECT_EQ(WriteError(*r, folder_ / "pasta.prj"), "File access denied");
    if (fs::exists("/dev/full")) {
        EXPECT_EQ(WriteError(*r, "/dev/full"), "Disk full");
    }
    if (::geteuid() != 0) {
        const fs::path path = folder_ / "a.prj";
        WriteProjectFile(*r, path.string());
        fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(WriteError(*PatternRecord(9), path), "File access denied");
        fs::permissions(folder_, fs::perms::owner_all);
        EXPECT_EQ(Contents(path), Image(*r));
    }
}

// A save that fails half way (here: the file size limit stops the write)
// keeps the previous project file whole and leaves no temporary file.
TEST_F(ProjectFileTest, FailedSaveKeepsThePreviousFile) {
    const fs::path path = folder_ / "rio.prj";
    const auto previous = PatternRecord(10);
    WriteProjectFile(*previous, path.string());

    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 100000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    const std::string error = WriteError(*PatternRecord(11), path);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(error, "I/O error " + std::to_string(EFBIG));
    EXPECT_EQ(Contents(path), Image(*previous));
    EXPECT_EQ(EntryCount(), 1u);
}

}  // namespace
}  // namespace zarn

// The side file beside the project file: the study's settings.
namespace zarn {
namespace {

TEST(ProjectSettingsTest, SideFileNameReplacesOnlyAProjectExtension) {
    EXPECT_EQ(ProjectSettingsPath("/a/rio.prj"), "/a/rio.zarn");
    EXPECT_EQ(ProjectSettingsPath("/a/rio.PRJ"), "/a/rio.zarn");
    EXPECT_EQ(ProjectSettingsPath("/a/rio"), "/a/rio.zarn");
    EXPECT_EQ(ProjectSettingsPath("/a/rio.dat"), "/a/rio.dat.zarn");
    EXPECT_EQ(ProjectSettingsPath("/a.b/rio"), "/a.b/rio.zarn");
    EXPECT_EQ(ProjectSettingsPath("/a/.prj"), "/a/.prj.zarn");
}

TEST(ProjectSettingsTest, ValuesAndUnknownKeysSurviveAWriteAndARead) {
    const fs::path folder = fs::temp_directory_path() / ("zarn-settings-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const std::string project = (folder / "estudo.prj").string();

    EXPECT_FALSE(ReadProjectSettings(project).ReturnPeriods.has_value()) << "no side file: nothing set";

    ProjectSettings s;
    s.Variable = "Vazão máxima anual";
    s.Unit = "m³/s";
    s.ReturnPeriods = std::vector<double>{1.5, 25, 0.1 + 0.2, 10000};  // 0.1 + 0.2 reads back to the bit
    s.ZeroCount = 3;
    s.Other = {{"futuro", "a=b"}};
    WriteProjectSettings(project, s);

    const ProjectSettings back = ReadProjectSettings(project);
    EXPECT_EQ(back.Variable, s.Variable);
    EXPECT_EQ(back.Unit, s.Unit);
    EXPECT_EQ(back.ReturnPeriods, s.ReturnPeriods);
    EXPECT_EQ(back.ZeroCount, 3);
    ASSERT_EQ(back.Other.size(), 1u);
    EXPECT_EQ(back.Other[0].second, "a=b");
    fs::remove_all(folder);
}

TEST(ProjectSettingsTest, MalformedLinesAreSkipped) {
    const ProjectSettings s =
        ParseProjectSettings("# comentário\r\nperiodos_de_retorno=2;x;5\nzeros=-1\nsem igual\n=vazio\nunidade=mm\r\n");
    EXPECT_FALSE(s.ReturnPeriods.has_value());
    EXPECT_FALSE(s.ZeroCount.has_value());
    EXPECT_EQ(s.Unit, "mm");
    EXPECT_TRUE(s.Other.empty());
}

}  // namespace
}  // namespace zarn
