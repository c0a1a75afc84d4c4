#include "rules/launch.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "analysis/errors.h"
#include "analysis/record.h"
#include "platform/platform.h"
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

// True when a new file can be created in `folder` (what the fact file needs;
// the permission bits alone do not tell, e.g. for root or a read-only mount).
bool CanCreateFileIn(const QString& folder) {
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".zarn-XXXXXX")));
    return probe.open();
}

}  // namespace

QString FolderNotWritableText(const QString& folder) {
    return QStringLiteral("Não é possível gravar na pasta em que o ZARN foi iniciado (%1): o arquivo de fatos "
                          "%2 não foi gravado e o motor de regras externo não foi iniciado. Para usá-lo, "
                          "inicie o ZARN numa pasta em que se possa gravar")
        .arg(QDir::toNativeSeparators(folder), QString::fromLatin1(kFactFileName));
}

bool LaunchProgram(Platform& platform, const QString& program, const QStringList& parameters,
                   const QString& directory, int showCommand) {
    const QString workingDirectory = directory.isEmpty() ? QDir::currentPath() : directory;
    return platform.LaunchProgram(ResolveProgram(program, workingDirectory), parameters, workingDirectory,
                                  showCommand == kShowMaximized);
}

void StartRuleEngine(Platform& platform, const Document& document) {
    WorkingDirectoryGuard restore;
    // A start-up folder that no longer exists leaves the working directory as it
    // is; the fact file and the engine then go there.
    QDir::setCurrent(QFile::decodeName(QByteArray::fromStdString(document.session().StartupDir)));
    // Written and closed before the engine starts; a failure ends the step
    // here, with the working directory restored and no engine started. A
    // folder where nothing can be created is named in words of our own.
    try {
        WriteFactFile(document.Record(), kFactFileName);
    } catch (const ZarnError&) {
        const QString folder = QDir::currentPath();
        if (!CanCreateFileIn(folder)) throw ZarnError(FolderNotWritableText(folder).toStdString());
        throw;
    }
    // Neither waited for nor watched: the result is not examined.
    LaunchProgram(platform, kEngineProgram, kEngineParameters, QString(), kShowMaximized);
}

}  // namespace zarn
