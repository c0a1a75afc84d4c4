// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"

#include <exception>
#include <new>

#include <QFileInfo>
#include <QStringList>

#include "analysis/record.h"
#include "app/desktop.h"
#include "platform/platform.h"
#include "files/textcodec.h"

namespace zarn {

namespace {

// The error box for whatever a command threw. ZarnError is a
// std::runtime_error: its text is what the user reads.
void ShowCurrentException(Platform& platform, QWidget* parent) {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        platform.ShowError(parent, kOutOfMemoryText);
    } catch (const std::exception& e) {
        const QString text = QString::fromStdString(e.what());
        platform.ShowError(parent, text.isEmpty() ? kUnexpectedErrorText : text);
    } catch (...) {
        platform.ShowError(parent, kUnexpectedErrorText);
    }
}

}  // namespace

void RunCommand(Platform& platform, QWidget* parent, const std::function<void()>& command) {
    try {
        command();
    } catch (...) {
        ShowCurrentException(platform, parent);
    }
}

bool RunQuery(Platform& platform, QWidget* parent, const std::function<bool()>& query) {
    try {
        return query();
    } catch (...) {
        ShowCurrentException(platform, parent);
        return false;
    }
}

ZarnApplication::ZarnApplication(int& argc, char** argv, Platform& platform)
    : QApplication(argc, argv), platform_(platform) {}

bool ZarnApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowCurrentException(platform_, activeWindow());
        return false;
    }
}

std::string ToWindows1252(const QString& text) { return Utf8ToWindows1252(text.toStdString()); }

StartArguments ParseStartArguments(const QStringList& arguments) {
    StartArguments start;
    bool options = true;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (options && arg == QStringLiteral("--")) {
            options = false;
        } else if (options && arg.startsWith(QLatin1Char('-'))) {
            start.Error = QStringLiteral("unknown argument %1").arg(arg);
        } else if (!start.Project.isEmpty()) {
            start.Error = QStringLiteral("give one project file");
        } else {
            start.Project = arg;
        }
        if (!start.Error.isEmpty()) return start;
    }
    return start;
}

void OpenProjectAtStart(Platform& platform, TDesktop& desktop, const QString& path) {
    RunCommand(platform, &desktop, [&] { desktop.Abrirprojeto(QFileInfo(path).absoluteFilePath()); });
}

}  // namespace zarn
