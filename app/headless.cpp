// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/headless.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <ostream>

#include "analysis/calculation.h"
#include "analysis/record.h"
#include "views/report.h"
#include "platform/session.h"
#include "files/textcodec.h"

namespace zarn {

namespace {

// The example shown without a display: beside the program in the build
// folder, in share/zarn once installed.
constexpr const char* kExampleName = "examples/ocmulgee-river-macon.dat";

bool Set(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value;
}

std::filesystem::path ExamplePath(const char* programPath) {
    namespace fs = std::filesystem;
    const std::string found = FindSupportFile(Session{}, kExampleName);
    if (!found.empty()) return found;
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec && programPath) self = fs::absolute(programPath, ec);
    return self.parent_path() / kExampleName;
}

}  // namespace

bool DisplayAvailable() {
#if defined(__APPLE__) || defined(_WIN32)
    return true;
#else
    // An explicit platform plugin (offscreen, vnc, ...) is the user's choice.
    return Set("QT_QPA_PLATFORM") || Set("DISPLAY") || Set("WAYLAND_DISPLAY");
#endif
}

int RunWithoutDisplay(const char* programPath, std::ostream& out, std::ostream& err) {
    err << "ZARN é um programa de janelas e precisa de uma tela: nem DISPLAY nem WAYLAND_DISPLAY\n"
           "estão definidos. Rode-o numa sessão gráfica (ou com xvfb-run). Sem tela, a\n"
           "ferramenta de lote zarn-cli faz a mesma análise.\n";
    const std::filesystem::path example = ExamplePath(programPath);
    err << "\nComo exemplo, o relatório de cálculo de " << example.string() << ":\n\n";
    try {
        auto record = std::make_unique<AnalysisRecord>();
        CalculateAll(*record, "Exemplo", "Ocmulgee River at Macon, Georgia",
                     Utf8ToWindows1252("Vazões máximas anuais, 1000 cfs"), example.string());
        for (const std::string& line : ReportLines(*record)) out << Windows1252ToUtf8(line) << '\n';
    } catch (const std::exception& e) {
        err << "O exemplo não pôde ser calculado: " << e.what() << '\n';
    }
    out.flush();
    return 1;
}

}  // namespace zarn
