// SPDX-License-Identifier: GPL-3.0-or-later
// Where the windows find the help file, and what they say when it cannot be
// shown.
//
//   HelpFilePath        the first "ajuda.hlp" of SupportFolders(), or the one
//                       in StartupDir when there is none
//   HelpFileNotFoundText  the notice for a missing help file: the folders it
//                       was looked for in, in order
//   ShowHelpTopic       opens a topic of the help file; a missing file or topic
//                       is said in a notice, never silently ignored
#pragma once

#include <QString>

class QWidget;

namespace zarn {

class Platform;
struct Session;

inline const QString kHelpFileName = QStringLiteral("ajuda.hlp");

QString HelpFilePath(const Session& session);
QString HelpFileNotFoundText(const Session& session, const QString& helpFile);
// helpFile is the full path of "ajuda.hlp"; context 0 is the contents page.
void ShowHelpTopic(Platform& platform, QWidget* parent, const Session& session, const QString& helpFile, int context);

}  // namespace zarn
