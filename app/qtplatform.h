// SPDX-License-Identifier: GPL-3.0-or-later
// The real Platform: Qt's message boxes and file dialogs, the override
// cursor, a small help viewer and QProcess.
#pragma once

#include <QPointer>

#include "platform/platform.h"

namespace zarn {

class HelpViewer;

// Terminal emulators tried, in this order, to run a console program in a
// maximized window.
inline const QStringList kTerminalEmulators = {
    QStringLiteral("x-terminal-emulator"), QStringLiteral("gnome-terminal"), QStringLiteral("konsole"),
    QStringLiteral("xfce4-terminal"), QStringLiteral("xterm")};

// The command line that runs `program` with `arguments` inside `terminal`,
// maximized where the terminal has an option for it.
QStringList TerminalArguments(const QString& terminal, const QString& program, const QStringList& arguments);

class QtPlatform : public Platform {
public:
    QtPlatform();
    ~QtPlatform() override;

    Answer Confirm(QWidget* parent, const QString& text) override;
    void Notice(QWidget* parent, const QString& text) override;
    void ShowError(QWidget* parent, const QString& text) override;
    QString OpenFileName(QWidget* parent, const FileDialogOptions& options) override;
    QString SaveFileName(QWidget* parent, const FileDialogOptions& options) override;
    QStringList OpenFileNames(QWidget* parent, const FileDialogOptions& options) override;
    QString FolderName(QWidget* parent, const FileDialogOptions& options) override;
    void SetBusyCursor() override;
    void RestoreCursor() override;
    bool ShowHelp(QWidget* parent, const QString& helpFile, int context) override;
    bool LaunchProgram(const QString& program, const QStringList& arguments, const QString& directory,
                       bool maximized) override;
    void RunWithProgress(QWidget* parent, const QString& title, CalculationProgress& progress,
                         const std::function<void()>& work) override;
    bool ChooseImageSize(QWidget* parent, const QString& format, ImageSize& size) override;
    std::unique_ptr<QPrinter> ChoosePrinter(QWidget* parent, const QString& documentName) override;
    void CopyImage(const QImage& image) override;

private:
    QPointer<HelpViewer> viewer_;
};

}  // namespace zarn
