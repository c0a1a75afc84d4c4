// Starting the external rule engine.
//
//   LaunchProgram     starts a program with parameters in a directory through
//                     the Platform; show command 3 asks for a maximized window
//   StartRuleEngine   writes "indata.clp" in the start-up folder and starts
//                     "Clipscmd.exe -f choose.bat" there, then returns
//   FolderNotWritableText  the error when nothing can be written there
#pragma once

#include <QString>
#include <QStringList>

namespace zarn {

class Document;
class Platform;

// The show command that asks for a maximized window.
constexpr int kShowMaximized = 3;

// Starts `program` (looked up first in `directory`, or in the working
// directory when it is empty, then on the program search path) with
// `parameters`, detached, in `directory`. True when it was started.
bool LaunchProgram(Platform& platform, const QString& program, const QStringList& parameters,
                   const QString& directory, int showCommand);

// The report's next step: switches to the start-up folder, writes the document's fact file, starts
// the rule engine there without waiting or looking at the result, and restores
// the working directory, also when writing the fact file throws (the error is
// then passed on and the engine is not started; FolderNotWritableText when no
// file can be created in the folder at all).
void StartRuleEngine(Platform& platform, const Document& document);

// The error text for a start-up folder where no file can be created.
QString FolderNotWritableText(const QString& folder);

}  // namespace zarn
