// SPDX-License-Identifier: GPL-3.0-or-later
// Everything a window asks of the user or the system goes through Platform:
// message boxes, file dialogs, the busy cursor, the help viewer, starting a
// program, and long work with its progress. QtPlatform is the real one; the
// tests use a scripted one that answers the questions and records what was
// shown.
//
//   EnsureSimulations   the simulations of the analysis in memory, run again
//                       (with progress) for an opened project
//   ImageSize           the size and resolution of an exported chart
//   FileSystemPath      a file name of the windows as the core takes it (the
//   FromFileSystem      file system's bytes), and back
#pragma once

#include <QFile>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

#include "analysis/progress.h"
#include "platform/document.h"

class QImage;
class QPrinter;
class QWidget;

namespace zarn {

// The application's title: caption of notices and error boxes.
inline const QString kApplicationTitle = QStringLiteral("ZARN");

inline std::string FileSystemPath(const QString& path) { return QFile::encodeName(path).toStdString(); }
inline QString FromFileSystem(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

enum class Answer { Yes, No, Cancel };

struct FileDialogOptions {
    QString Title;              // empty: the toolkit's default title
    QStringList Filters;        // "Arquivo de dados (*.dat)", "Todos os arquivos (*.*)", ...
    QString DefaultSuffix;      // "dat", "prj", "txt": added to a name typed without one
    QString InitialFolder;      // the start-up folder
    QString FileName;           // preset name, may be empty
    bool ConfirmOverwrite = true;  // save dialogs: ask before replacing a file
};

// An exported chart: its size on paper and, for a raster image, its resolution.
struct ImageSize {
    double WidthCm = 16.0;
    double HeightCm = 12.0;
    int Dpi = 300;
};

class Platform {
public:
    virtual ~Platform() = default;

    // Confirmation box: question icon, caption "Confirm", "&Yes", "&No", "Cancel".
    virtual Answer Confirm(QWidget* parent, const QString& text) = 0;
    // Notice box: no icon, caption "ZARN", one button "OK".
    virtual void Notice(QWidget* parent, const QString& text) = 0;
    // Error box: stop icon, caption "ZARN"; a full stop is appended when missing.
    virtual void ShowError(QWidget* parent, const QString& text) = 0;

    // Empty when the user cancels.
    virtual QString OpenFileName(QWidget* parent, const FileDialogOptions& options) = 0;
    virtual QString SaveFileName(QWidget* parent, const FileDialogOptions& options) = 0;
    // Several existing files at once; empty when the user cancels. By default
    // the one file of OpenFileName.
    virtual QStringList OpenFileNames(QWidget* parent, const FileDialogOptions& options);
    // An existing folder; empty when the user cancels. By default the folder
    // of the file OpenFileName gives.
    virtual QString FolderName(QWidget* parent, const FileDialogOptions& options);

    // The busy cursor; RestoreCursor undoes one SetBusyCursor.
    virtual void SetBusyCursor() = 0;
    virtual void RestoreCursor() = 0;

    // Opens the help file at topic `context`, or at its contents page when
    // context is 0. False (and nothing shown) when the viewer cannot show it.
    virtual bool ShowHelp(QWidget* parent, const QString& helpFile, int context) = 0;

    // Starts `program` detached in `directory`; maximized: in a maximized
    // terminal window when the program is a console program. False when it
    // could not be started.
    virtual bool LaunchProgram(const QString& program, const QStringList& arguments,
                               const QString& directory, bool maximized) = 0;

    // Runs `work` off the window thread, the windows answering meanwhile;
    // from half a second on a modal progress dialog titled `title` shows
    // DescribeProgress(progress) and its fraction, with "Cancelar", which
    // asks `progress` to stop. Returns when `work` has ended and rethrows
    // what it threw (CalculationCancelled when it was stopped).
    virtual void RunWithProgress(QWidget* parent, const QString& title, CalculationProgress& progress,
                                 const std::function<void()>& work) = 0;

    // Asks the size of a chart exported as `format` ("PNG", "SVG", "PDF"),
    // starting from `size`; the resolution only for PNG. False when cancelled.
    virtual bool ChooseImageSize(QWidget* parent, const QString& format, ImageSize& size) = 0;
    // The print dialog (a PDF file is one of its printers); the printer the
    // user configured, or null when cancelled. `documentName` names the job
    // and the proposed PDF file.
    virtual std::unique_ptr<QPrinter> ChoosePrinter(QWidget* parent, const QString& documentName) = 0;
    // Puts `image` on the system clipboard.
    virtual void CopyImage(const QImage& image) = 0;
};

// Makes the document's simulations valid for its record: an opened project
// has none, and they are simulated again from its parameters and sample
// size, under a progress dialog. False when the user cancelled (the document
// then remembers it: SimulationsDeclined). `askAgain` false: a view
// refreshing by itself does not ask once the user has declined.
bool EnsureSimulations(Platform& platform, QWidget* parent, Document& document, bool askAgain = true);

}  // namespace zarn
