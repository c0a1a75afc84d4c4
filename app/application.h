// SPDX-License-Identifier: GPL-3.0-or-later
// The application object and the default error handler of the windows.
//
//   RunCommand        runs one command to its end or its first error; the
//                     error's text goes to the error box, the program goes on
//   RunQuery          the same for a command that answers yes or no (no on error)
//   ZarnApplication   QApplication whose notify() is the last guard: nothing
//                     thrown reaches Qt's event loop
//   ToWindows1252     a text typed in a window, as the record stores it
//   ParseStartArguments  the project named on the command line
//   OpenProjectAtStart   opens it once the main window shows
#pragma once

#include <QApplication>
#include <QString>
#include <functional>
#include <string>

#include "platform/help.h"  // ShowHelpTopic

namespace zarn {

class Platform;
class TDesktop;

// `zarn --help`.
inline constexpr const char* kProgramUsage =
    "usage: zarn [--rules FILE] [PROJETO.prj]\n"
    "       zarn [--rules FILE] --check-install | --help | --version\n"
    "       PROJETO.prj is a project file saved by ZARN (Projeto > Salvar), opened at\n"
    "       start-up as Projeto > Abrir opens it; --rules FILE is the rule base of the\n"
    "       advice for the run; --check-install says where the program finds its help\n"
    "       file, rule base and example\n";

// Text of the error box when memory runs out inside a command.
inline const QString kOutOfMemoryText = QStringLiteral("Memória insuficiente para concluir a operação");
// Text of the error box for a failure that carries no text of its own.
inline const QString kUnexpectedErrorText = QStringLiteral("Erro inesperado");

void RunCommand(Platform& platform, QWidget* parent, const std::function<void()>& command);
bool RunQuery(Platform& platform, QWidget* parent, const std::function<bool()>& query);

class ZarnApplication : public QApplication {
public:
    ZarnApplication(int& argc, char** argv, Platform& platform);
    bool notify(QObject* receiver, QEvent* event) override;

private:
    Platform& platform_;
};

// The record keeps single-byte Windows-1252 texts; a character outside that
// code page becomes '?'. The one place where a window's text is converted.
std::string ToWindows1252(const QString& text);

// The command line once Qt has taken its own options (-platform, -style, ...)
// out of it, program name first: at most one project file ("--" ends the
// options). Error: why it is not a command line of the program; "" when it is.
struct StartArguments {
    QString Project;  // "" when none was given
    QString Error;
};
StartArguments ParseStartArguments(const QStringList& arguments);

// Opens `path` (relative to the working folder) under the default error
// handler: a file that cannot be read gives the usual error box and leaves
// the main window empty.
void OpenProjectAtStart(Platform& platform, TDesktop& desktop, const QString& path);

}  // namespace zarn
