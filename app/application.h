// The application object and the default error handler of the windows.
//
//   RunCommand        runs one command to its end or its first error; the
//                     error's text goes to the error box, the program goes on
//   RunQuery          the same for a command that answers yes or no (no on error)
//   ZarnApplication   QApplication whose notify() is the last guard: nothing
//                     thrown reaches Qt's event loop
//   ToWindows1252     a text typed in a window, as the record stores it
#pragma once

#include <QApplication>
#include <QString>
#include <functional>
#include <string>

#include "platform/help.h"  // ShowHelpTopic

namespace zarn {

class Platform;

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

}  // namespace zarn
