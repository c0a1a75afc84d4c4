// SPDX-License-Identifier: GPL-3.0-or-later
// Starting the external rule engine.
//
//   LaunchProgram     starts a program with parameters in a directory through
//                     the Platform; show command 3 asks for a maximized window
//   StartRuleEngine   writes "indata.clp" in the start-up folder and starts
//                     "Clipscmd.exe -f choose.bat" there, then returns
//   FolderNotWritableText  the note when nothing can be written there
//   EngineNotInstalledText the note when the engine is found nowhere
#pragma once

#include <QString>
#include <QStringList>

namespace zarn {

class Document;
class Platform;

// The show command that asks for a maximized window.
constexpr int kShowMaximized = 3;

// Starts `program` (a bare name looked up beside ZARN's executable, then on
// the program search path, never in the working folder) with `parameters`,
// detached, in `directory`. True when it was started.
bool LaunchProgram(Platform& platform, const QString& program, const QStringList& parameters,
                   const QString& directory, int showCommand);

// The report's next step: writes the document's fact file into the start-up
// folder by its path and starts the rule engine in that folder, without
// waiting or looking at the result; the program's working folder is never
// changed. Returns "" when done, FolderNotWritableText when no file can be
// created in the start-up folder, or EngineNotInstalledText when the engine
// is found neither beside ZARN nor on the search path (in both cases nothing
// is written or started); a failure
// to write the fact file in a folder that takes files throws ZarnError, and
// the engine is not started.
QString StartRuleEngine(Platform& platform, const Document& document);

// The error text for a start-up folder where no file can be created.
QString FolderNotWritableText(const QString& folder);
// The status line's note when the external engine is not installed.
QString EngineNotInstalledText();

}  // namespace zarn
