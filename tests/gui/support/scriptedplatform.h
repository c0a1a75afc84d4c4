// SPDX-License-Identifier: GPL-3.0-or-later
// A Platform for the window tests: it answers every question from a script
// and records everything that was shown, so a test can assert on both.
#pragma once

#include <QFile>
#include <QImage>
#include <QList>
#include <QPrinter>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <deque>
#include <utility>

#include "platform/platform.h"

namespace zarn {

class ScriptedPlatform : public Platform {
public:
    struct Shown {
        Shown(QString kind = {}, QString text = {}) : Kind(std::move(kind)), Text(std::move(text)) {}
        QString Kind;  // "confirm", "notice", "error", "open", "save", "help", "launch", "progress",
                       // "size", "print", "copy"
        QString Text;  // the message, the dialog title, the help file, the program
        int Context = 0;
        FileDialogOptions Options;
        QStringList Arguments;
        QString Directory;
        bool Maximized = false;
    };

    // Answers handed out in order; when a queue is empty: Cancel, "" (cancelled dialog).
    std::deque<Answer> Answers;
    std::deque<QString> FileNames;
    bool HelpAvailable = true;
    bool LaunchSucceeds = true;
    bool CancelWork = false;
    // The image size dialog: answered with the front of ImageSizes (or the
    // size proposed when empty), or cancelled when ImageSizeCancelled.
    std::deque<ImageSize> ImageSizes;
    bool ImageSizeCancelled = false;
    // The print dialog: a PDF printer writing to PrintFile, or cancelled when empty.
    QString PrintFile;
    // What CopyImage put on the clipboard.
    QImage Clipboard;

    QList<Shown> Log;
    int BusyDepth = 0;      // SetBusyCursor minus RestoreCursor
    int BusyCalls = 0;

    Answer Confirm(QWidget*, const QString& text) override {
        Log.append({"confirm", text});
        if (Answers.empty()) return Answer::Cancel;
        Answer a = Answers.front();
        Answers.pop_front();
        return a;
    }
    void Notice(QWidget*, const QString& text) override { Log.append({"notice", text}); }
    void ShowError(QWidget*, const QString& text) override {
        Log.append({"error", text.endsWith('.') ? text : text + '.'});
    }
    QString OpenFileName(QWidget*, const FileDialogOptions& options) override { return NextFile("open", options); }
    QString SaveFileName(QWidget*, const FileDialogOptions& options) override { return NextFile("save", options); }
    void SetBusyCursor() override { ++BusyDepth; ++BusyCalls; }
    void RestoreCursor() override { --BusyDepth; }
    bool ShowHelp(QWidget*, const QString& helpFile, int context) override {
        Shown s{"help", helpFile};
        s.Context = context;
        Log.append(s);
        return HelpAvailable;
    }
    bool LaunchProgram(const QString& program, const QStringList& arguments, const QString& directory,
                       bool maximized) override {
        Shown s{"launch", program};
        s.Arguments = arguments;
        s.Directory = directory;
        s.Maximized = maximized;
        Log.append(s);
        return LaunchSucceeds;
    }
    // Runs the work on the calling thread; with CancelWork the user has
    // pressed "Cancelar" before it starts. Logged as "progress" with the title.
    void RunWithProgress(QWidget*, const QString& title, CalculationProgress& progress,
                         const std::function<void()>& work) override {
        Log.append({"progress", title});
        if (CancelWork) progress.RequestCancel();
        work();
    }

    // Logged as "size" with the format.
    bool ChooseImageSize(QWidget*, const QString& format, ImageSize& size) override {
        Log.append({"size", format});
        if (ImageSizeCancelled) return false;
        if (!ImageSizes.empty()) {
            size = ImageSizes.front();
            ImageSizes.pop_front();
        }
        return true;
    }
    // Logged as "print" with the document name.
    std::unique_ptr<QPrinter> ChoosePrinter(QWidget*, const QString& documentName) override {
        Log.append({"print", documentName});
        if (PrintFile.isEmpty()) return nullptr;
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setDocName(documentName);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(PrintFile);
        return printer;
    }
    void CopyImage(const QImage& image) override {
        Log.append({"copy", QString("%1x%2").arg(image.width()).arg(image.height())});
        Clipboard = image;
    }

    // The messages of one kind, in order.
    QStringList Texts(const QString& kind) const {
        QStringList out;
        for (const auto& s : Log)
            if (s.Kind == kind) out << s.Text;
        return out;
    }

private:
    QString NextFile(const QString& kind, const FileDialogOptions& options) {
        Shown s{kind, options.Title};
        s.Options = options;
        Log.append(s);
        if (FileNames.empty()) return {};
        QString f = FileNames.front();
        FileNames.pop_front();
        return f;
    }
};

// Records like the scripted platform and really starts the program, detached,
// the way the desktop program does.
class StartingPlatform : public ScriptedPlatform {
public:
    bool LaunchProgram(const QString& program, const QStringList& arguments, const QString& directory,
                       bool maximized) override {
        ScriptedPlatform::LaunchProgram(program, arguments, directory, maximized);
        return QProcess::startDetached(program, arguments, directory);
    }
};

// A file's bytes, or none when it cannot be read.
inline QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace zarn
