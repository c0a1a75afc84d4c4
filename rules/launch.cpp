// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/launch.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "files/errors.h"
#include "analysis/record.h"
#include "platform/document.h"
#include "platform/platform.h"
#include "platform/session.h"
#include "rules/factfile.h"

namespace zarn {

namespace {

// The rule engine's command-line program and its batch file, and the fact
// file it reads, written in the session's start-up folder.
const QString kEngineProgram = QStringLiteral("Clipscmd.exe");
const QStringList kEngineParameters = {QStringLiteral("-f"), QStringLiteral("choose.bat")};
constexpr const char* kFactFileName = "indata.clp";

// The program to start: a name without a path is looked up beside ZARN's own
// executable, then on the program search path; never in the working folder
// or the start-up folder, where anyone's download could stand in for it. A
// program found nowhere is handed on by name, and starting it fails.
QString ResolveProgram(const QString& program) {
    if (program.contains(QLatin1Char('/'))) return program;
    const QString programDir = FromFileSystem(ProgramDir());
    if (!programDir.isEmpty()) {
        const QString beside = QStandardPaths::findExecutable(program, {programDir});
        if (!beside.isEmpty()) return beside;
    }
    QStringList path;
    for (const QString& folder : qEnvironmentVariable("PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(folder)) path << folder;  // "" and "." would mean the working folder
    const QString onPath = QStandardPaths::findExecutable(program, path);
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
    return platform.LaunchProgram(ResolveProgram(program), parameters, directory, showCommand == kShowMaximized);
}

QString StartRuleEngine(Platform& platform, const Document& document) {
    const std::string startup = document.session().StartupDir;
    const QString folder = FromFileSystem(startup);
    // By its path: the working folder of the whole program stays as it is
    // (other windows and threads rely on it).
    if (folder.isEmpty() || !CanCreateFileIn(folder)) return FolderNotWritableText(folder);
    // Written and closed before the engine starts; a failure ends the step
    // here, with no engine started.
    WriteFactFile(document.Record(), startup + "/" + kFactFileName);
    // Neither waited for nor watched: the result is not examined.
    LaunchProgram(platform, kEngineProgram, kEngineParameters, folder, kShowMaximized);
    return {};
}

}  // namespace zarn
