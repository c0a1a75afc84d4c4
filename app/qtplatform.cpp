// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qtplatform.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QPrintDialog>
#include <QPrinter>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <exception>
#include <memory>
#include <thread>

#include "app/helpfile.h"
#include "dialogs/chartexport.h"

namespace zarn {

// The help viewer: one window with the topics of the help file, links
// between them and a button back to the contents page. Not modal, like a
// separate help program; kept and reused while its parent lives.
class HelpViewer : public QDialog {
public:
    explicit HelpViewer(QWidget* parent) : QDialog(parent, Qt::Window) {
        setWindowTitle(QStringLiteral("ZARN - Ajuda"));
        resize(620, 520);
        browser_ = new QTextBrowser(this);
        browser_->setOpenLinks(false);
        auto* contents = new QPushButton(QStringLiteral("Conteúdo"), this);
        auto* close = new QPushButton(QStringLiteral("Fechar"), this);
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(contents);
        buttons->addStretch();
        buttons->addWidget(close);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(browser_);
        layout->addLayout(buttons);
        connect(contents, &QPushButton::clicked, this, [this] { ShowTopic(0); });
        connect(close, &QPushButton::clicked, this, &QDialog::hide);
        connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
            if (url.scheme() == kTopicLinkScheme) ShowTopic(url.path().toInt());
        });
    }

    void SetTopics(QList<HelpTopic> topics) { topics_ = std::move(topics); }

    bool ShowTopic(int context) {
        const HelpTopic* topic = FindHelpTopic(topics_, context);
        if (!topic) return false;
        browser_->setHtml(topic->Html);
        setWindowTitle(topic->Title.isEmpty() ? QStringLiteral("ZARN - Ajuda")
                                              : QStringLiteral("ZARN - Ajuda - ") + topic->Title);
        return true;
    }

private:
    QTextBrowser* browser_;
    QList<HelpTopic> topics_;
};

QtPlatform::QtPlatform() = default;

// A viewer without an owner window is deleted here, while the application
// object still exists.
QtPlatform::~QtPlatform() {
    if (viewer_ && QApplication::instance()) delete viewer_.data();
}

Answer QtPlatform::Confirm(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text, QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    QPushButton* cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == yes) return Answer::Yes;
    if (box.clickedButton() == no) return Answer::No;
    return Answer::Cancel;
}

void QtPlatform::Notice(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, kApplicationTitle, text, QMessageBox::NoButton, parent);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

void QtPlatform::ShowError(QWidget* parent, const QString& text) {
    const QString shown = text.endsWith(QLatin1Char('.')) ? text : text + QLatin1Char('.');
    QMessageBox box(QMessageBox::Critical, kApplicationTitle, shown, QMessageBox::NoButton, parent);
    box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.exec();
}

namespace {

// Qt's own file dialog (not the desktop's) so that filters, the default
// suffix and the overwrite question behave alike everywhere.
QStringList RunFileDialog(QWidget* parent, const FileDialogOptions& options, QFileDialog::AcceptMode mode,
                          QFileDialog::FileMode fileMode) {
    QFileDialog dialog(parent, options.Title);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(fileMode);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.ConfirmOverwrite);
    dialog.setNameFilters(options.Filters);
    if (!options.DefaultSuffix.isEmpty()) dialog.setDefaultSuffix(options.DefaultSuffix);
    if (!options.InitialFolder.isEmpty()) dialog.setDirectory(options.InitialFolder);
    if (!options.FileName.isEmpty()) dialog.selectFile(options.FileName);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles();
}

QString First(const QStringList& files) { return files.isEmpty() ? QString() : files.first(); }

}  // namespace

QString QtPlatform::OpenFileName(QWidget* parent, const FileDialogOptions& options) {
    return First(RunFileDialog(parent, options, QFileDialog::AcceptOpen, QFileDialog::ExistingFile));
}

QString QtPlatform::SaveFileName(QWidget* parent, const FileDialogOptions& options) {
    return First(RunFileDialog(parent, options, QFileDialog::AcceptSave, QFileDialog::AnyFile));
}

QStringList QtPlatform::OpenFileNames(QWidget* parent, const FileDialogOptions& options) {
    return RunFileDialog(parent, options, QFileDialog::AcceptOpen, QFileDialog::ExistingFiles);
}

QString QtPlatform::FolderName(QWidget* parent, const FileDialogOptions& options) {
    return First(RunFileDialog(parent, options, QFileDialog::AcceptOpen, QFileDialog::Directory));
}

namespace {

// Time before the progress dialog appears, and between two looks at the work.
constexpr int kProgressDelayMs = 500;
constexpr int kPollMs = 40;
constexpr int kProgressSteps = 1000;
// The work runs a little below the windows' priority, so that on a machine
// whose every core computes the windows still answer at once.
constexpr int kWorkNiceness = 5;

}  // namespace

void QtPlatform::RunWithProgress(QWidget* parent, const QString& title, CalculationProgress& progress,
                                 const std::function<void()>& work) {
    std::exception_ptr failure;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        // Threads started by the work inherit this niceness (Linux).
        ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), kWorkNiceness);
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        finished = true;
    });

    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    poll.setInterval(kPollMs);
    // First the windows repaint but take no input (a click waits its turn);
    // after the delay, a modal dialog with the progress and "Cancelar".
    {
        QEventLoop loop;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (finished || clock.elapsed() >= kProgressDelayMs) loop.quit();
        });
        poll.start();
        if (!finished) loop.exec(QEventLoop::ExcludeUserInputEvents);
        poll.stop();
        poll.disconnect();
    }
    if (!finished) {
        QProgressDialog dialog(QString::fromStdString(DescribeProgress(progress)), QStringLiteral("Cancelar"), 0,
                               kProgressSteps, parent);
        dialog.setWindowTitle(title);
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.setMinimumDuration(0);
        dialog.setAutoClose(false);
        dialog.setAutoReset(false);
        dialog.setMinimumWidth(420);
        QObject::connect(&dialog, &QProgressDialog::canceled, &dialog, [&] {
            progress.RequestCancel();
            dialog.setLabelText(QStringLiteral("Cancelando..."));
        });
        QEventLoop loop;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (finished) {
                loop.quit();
                return;
            }
            if (!progress.CancelRequested()) {
                dialog.setLabelText(QString::fromStdString(DescribeProgress(progress)));
                dialog.setValue(static_cast<int>(progress.Fraction() * kProgressSteps));
            }
        });
        poll.start();
        dialog.show();
        if (!finished) loop.exec();
        poll.stop();
    }
    worker.join();
    if (failure) std::rethrow_exception(failure);
}

void QtPlatform::SetBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

void QtPlatform::RestoreCursor() { QApplication::restoreOverrideCursor(); }

bool QtPlatform::ShowHelp(QWidget* parent, const QString& helpFile, int context) {
    QList<HelpTopic> topics;
    if (!ReadHelpFile(helpFile, topics) || !FindHelpTopic(topics, context)) return false;
    // A modal dialog blocks every window that is not its own: the viewer
    // opened from one must belong to it to be usable.
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner && parent) owner = parent->window();
    if (viewer_ && viewer_->parentWidget() != owner) delete viewer_.data();
    if (!viewer_) viewer_ = new HelpViewer(owner);
    viewer_->SetTopics(std::move(topics));
    viewer_->ShowTopic(context);
    viewer_->show();
    viewer_->raise();
    viewer_->activateWindow();
    return true;
}

QStringList TerminalArguments(const QString& terminal, const QString& program, const QStringList& arguments) {
    const QStringList command = QStringList{program} + arguments;
    if (terminal == QLatin1String("gnome-terminal")) return QStringList{"--maximize", "--"} + command;
    if (terminal == QLatin1String("xfce4-terminal")) return QStringList{"--maximize", "-x"} + command;
    if (terminal == QLatin1String("xterm")) return QStringList{"-maximized", "-e"} + command;
    if (terminal == QLatin1String("konsole")) return QStringList{"--fullscreen", "-e"} + command;
    return QStringList{"-e"} + command;  // x-terminal-emulator: whichever terminal the system chose
}

bool QtPlatform::LaunchProgram(const QString& program, const QStringList& arguments, const QString& directory,
                               bool maximized) {
    const QString folder = directory.isEmpty() ? QDir::currentPath() : directory;
    // The program is looked for in the working directory, then on PATH.
    QString path;
    const QFileInfo local(QDir(folder), program);
    if (local.isFile() && local.isExecutable())
        path = local.absoluteFilePath();
    else
        path = QStandardPaths::findExecutable(program);
    if (path.isEmpty()) return false;
    if (maximized) {
        for (const QString& terminal : kTerminalEmulators) {
            const QString terminalPath = QStandardPaths::findExecutable(terminal);
            if (!terminalPath.isEmpty())
                return QProcess::startDetached(terminalPath, TerminalArguments(terminal, path, arguments), folder);
        }
    }
    return QProcess::startDetached(path, arguments, folder);
}

bool QtPlatform::ChooseImageSize(QWidget* parent, const QString& format, ImageSize& size) {
    return RunImageSizeDialog(parent, format, size);
}

std::unique_ptr<QPrinter> QtPlatform::ChoosePrinter(QWidget* parent, const QString& documentName) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setDocName(documentName);
    printer->setCreator(kApplicationTitle);
    QPrintDialog dialog(printer.get(), parent);
    dialog.setWindowTitle(QStringLiteral("Imprimir"));
    if (dialog.exec() != QDialog::Accepted) return nullptr;
    return printer;
}

void QtPlatform::CopyImage(const QImage& image) { QGuiApplication::clipboard()->setImage(image); }

}  // namespace zarn
