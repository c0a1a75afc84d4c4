// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/help.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include "platform/platform.h"
#include "platform/session.h"

namespace zarn {

QString HelpFilePath(const Session& session) {
    const std::string found = FindSupportFile(session, kHelpFileName.toStdString());
    if (!found.empty()) return FromFileSystem(found);
    return FromFileSystem(session.StartupDir) + QLatin1Char('/') + kHelpFileName;
}

QString HelpFileNotFoundText(const Session& session, const QString& helpFile) {
    // The folders in the order they are searched; a help file named by a
    // path outside them (set by hand) is named first.
    QStringList folders;
    for (const std::string& folder : SupportFolders(session)) folders << QDir::toNativeSeparators(FromFileSystem(folder));
    const QString own = QDir::toNativeSeparators(QFileInfo(helpFile).absolutePath());
    if (!folders.contains(own)) folders.prepend(own);
    return QStringLiteral("O arquivo de ajuda %1 não foi encontrado. Ele foi procurado, nesta ordem, em:\n%2")
        .arg(QFileInfo(helpFile).fileName(), folders.join(QLatin1Char('\n')));
}

void ShowHelpTopic(Platform& platform, QWidget* parent, const Session& session, const QString& helpFile, int context) {
    if (platform.ShowHelp(parent, helpFile, context)) return;
    if (!QFileInfo(helpFile).isFile()) {
        platform.Notice(parent, HelpFileNotFoundText(session, helpFile));
    } else {
        platform.Notice(parent, QStringLiteral("O tópico %1 não existe no arquivo de ajuda \"%2\".")
                                    .arg(context)
                                    .arg(QDir::toNativeSeparators(helpFile)));
    }
}

}  // namespace zarn
