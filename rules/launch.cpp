#include "rules/launch.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "analysis/record.h"
#include "platform/platform.h"
#include "platform/session.h"
#include "rules/factfile.h"

namespace zarn {

namespace {

// The rule engine's command-line program, its batch file and the fact file,
// all named without a path: they resolve in StartupDir.
const QString kEngineProgram = QStringLiteral("Clipscmd.exe");
const QStringList kEngineParameters = {QStringLiteral("-f"), QStringLiteral("choose.bat")};
constexpr const char* kFactFileName = "indata.clp";

// Puts the remembered working directory back when the step ends, however it ends.
class WorkingDirectoryGuard {
public:
    WorkingDirectoryGuard() : previous_(QDir::currentPath()) {}
    ~WorkingDirectoryGuard() { QDir::setCurrent(previous_); }
    WorkingDirectoryGuard(const WorkingDirectoryGuard&) = delete;
    WorkingDirectoryGuard& operator=(const WorkingDirectoryGuard&) = delete;

private:
    QString previous_;
};

// The program as the shell would find it: a name without a path is looked up
// in the directory it is started in, then on the program search path. A
// program found nowhere is handed on by name, and starting it fails.
QString ResolveProgram(const QString& program, const QString& directory) {
    if (program.contains(QLatin1Char('/'))) return program;
    const QString local = QStandardPaths::findExecutable(program, {directory});
    if (!local.isEmpty()) return local;
    const QString onPath = QStandardPaths::findExecutable(program);
    return onPath.isEmpty() ? program : onPath;
}

}  // namespace

bool LaunchProgram(Platform& platform, const QString& program, const QStringList& parameters,
                   const QString& directory, int showCommand) {
    const QString workingDirectory = directory.isEmpty() ? QDir::currentPath() : directory;
    return platform.LaunchProgram(ResolveProgram(program, workingDirectory), parameters, workingDirectory,
                                  showCommand == kShowMaximized);
}

void StartRuleEngine(Platform& platform) {
    WorkingDirectoryGuard restore;
    // A StartupDir that no longer exists leaves the working directory as it
    // is; the fact file and the engine then go there.
    QDir::setCurrent(QFile::decodeName(QByteArray::fromStdString(StartupDir)));
    // Written and closed before the engine starts; a failure ends the step
    // here, with the working directory restored and no engine started.
    WriteFactFile(Record, kFactFileName);
    // Neither waited for nor watched: the result is not examined.
    LaunchProgram(platform, kEngineProgram, kEngineParameters, QString(), kShowMaximized);
}

}  // namespace zarn
