// SPDX-License-Identifier: GPL-3.0-or-later
// The real platform's boxes and dialogs, inspected and answered from a timer
// while their modal loop runs: captions, icons, buttons, the answer each
// button gives, the error box's full stop, the file dialog built from its
// options, the help viewer and program start.
#include <QAbstractButton>
#include <QClipboard>
#include <QPrinter>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "app/qtplatform.h"
#include "support/modal.h"

using namespace zarn;

namespace {

QStringList ButtonTexts(QMessageBox* box) {
    QStringList out;
    for (QAbstractButton* b : box->buttons()) out << b->text();
    out.sort();
    return out;
}

QAbstractButton* ButtonNamed(QMessageBox* box, const QString& text) {
    for (QAbstractButton* b : box->buttons())
        if (b->text() == text) return b;
    return nullptr;
}

}  // namespace

class TestQtPlatform : public QObject {
    Q_OBJECT

    QtPlatform platform_;

private slots:
    void ConfirmAnswers_data() {
        QTest::addColumn<QString>("button");  // empty: Escape
        QTest::addColumn<int>("answer");
        QTest::newRow("yes") << "&Yes" << int(Answer::Yes);
        QTest::newRow("no") << "&No" << int(Answer::No);
        QTest::newRow("cancel") << "Cancel" << int(Answer::Cancel);
        QTest::newRow("escape closes as cancel") << "" << int(Answer::Cancel);
    }

    void ConfirmAnswers() {
        QFETCH(QString, button);
        QFETCH(int, answer);
        QString caption, text;
        QStringList buttons;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        WhenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            caption = box->windowTitle();
            text = box->text();
            icon = box->icon();
            buttons = ButtonTexts(box);
            if (button.isEmpty())
                QTest::keyClick(box, Qt::Key_Escape);
            else
                ButtonNamed(box, button)->click();
        });
        QCOMPARE(int(platform_.Confirm(nullptr, QStringLiteral("Salvar?"))), answer);
        QCOMPARE(caption, QStringLiteral("Confirm"));
        QCOMPARE(text, QStringLiteral("Salvar?"));
        QCOMPARE(icon, QMessageBox::Question);
        QCOMPARE(buttons, (QStringList{"&No", "&Yes", "Cancel"}));
    }

    void NoticeAndErrorBoxes_data() {
        QTest::addColumn<bool>("error");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("icon");
        QTest::newRow("notice as given") << false << "Nome de arquivo de Dados inválido"
                                         << "Nome de arquivo de Dados inválido" << int(QMessageBox::NoIcon);
        QTest::newRow("error gains a full stop") << true << "File not found" << "File not found."
                                                 << int(QMessageBox::Critical);
        QTest::newRow("error keeps its own") << true << "Disk full." << "Disk full." << int(QMessageBox::Critical);
    }

    void NoticeAndErrorBoxes() {
        QFETCH(bool, error);
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QFETCH(int, icon);
        QString caption, seen;
        QStringList buttons;
        int seenIcon = -1;
        WhenModal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            caption = box->windowTitle();
            seen = box->text();
            seenIcon = box->icon();
            buttons = ButtonTexts(box);
            box->buttons().first()->click();
        });
        if (error)
            platform_.ShowError(nullptr, text);
        else
            platform_.Notice(nullptr, text);
        QCOMPARE(caption, kApplicationTitle);
        QCOMPARE(seen, shown);
        QCOMPARE(seenIcon, icon);
        QCOMPARE(buttons, QStringList{"OK"});
    }

    void FileDialogFollowsSpec() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        FileDialogOptions options;
        options.Filters = {QStringLiteral("Arquivo de projeto (*.Prj)"), QStringLiteral("Todos os arquivos (*.*)")};
        options.DefaultSuffix = QStringLiteral("prj");
        options.InitialFolder = dir.path();
        options.FileName = QStringLiteral("rio");
        QStringList filters;
        QString suffix, folder;
        bool confirms = false;
        WhenModal([&](QWidget* w) {
            auto* d = qobject_cast<QFileDialog*>(w);
            QVERIFY(d);
            filters = d->nameFilters();
            suffix = d->defaultSuffix();
            folder = d->directory().absolutePath();
            confirms = !d->testOption(QFileDialog::DontConfirmOverwrite);
            static_cast<QDialog*>(d)->accept();  // QFileDialog::accept, as the Save button
        });
        const QString chosen = platform_.SaveFileName(nullptr, options);
        QCOMPARE(filters, options.Filters);
        QCOMPARE(suffix, QStringLiteral("prj"));
        QCOMPARE(folder, QDir(dir.path()).absolutePath());
        QVERIFY(confirms);
        // The preset name without an extension receives the default one.
        QCOMPARE(chosen, QDir(dir.path()).absoluteFilePath(QStringLiteral("rio.prj")));

        WhenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
        QVERIFY(platform_.OpenFileName(nullptr, options).isEmpty());
    }

    void HelpViewerOpensTopics() {
        QTemporaryDir dir;
        const QString help = dir.filePath(QStringLiteral("ajuda.hlp"));
        QVERIFY(!platform_.ShowHelp(nullptr, help, 0));  // no file
        QFile f(help);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("@topic 0 Conte\xC3\xBA" "do\n<p>contents</p>\n@topic 101 Janela principal\n<p>main window</p>\n");
        f.close();
        QVERIFY(!platform_.ShowHelp(nullptr, help, 106));  // no such topic
        QVERIFY(platform_.ShowHelp(nullptr, help, 101));
        QWidget* viewer = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle().startsWith(QStringLiteral("ZARN - Ajuda"))) viewer = w;
        QVERIFY(viewer);
        QCOMPARE(viewer->windowTitle(), QStringLiteral("ZARN - Ajuda - Janela principal"));
        QVERIFY(viewer->findChild<QTextBrowser*>()->toPlainText().contains(QStringLiteral("main window")));
        QVERIFY(platform_.ShowHelp(nullptr, help, 0));
        QVERIFY(viewer->findChild<QTextBrowser*>()->toPlainText().contains(QStringLiteral("contents")));
    }

    void CopyImageFillsTheClipboard() {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::red);
        platform_.CopyImage(image);
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(copied.size(), QSize(40, 30));
        QCOMPARE(copied.pixelColor(5, 5), QColor(Qt::red));
    }

    void PrintDialogGivesThePrinterOrNothing() {
        WhenModal([](QWidget* w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("Imprimir"));
            static_cast<QDialog*>(w)->reject();
        });
        QVERIFY(!platform_.ChoosePrinter(nullptr, QStringLiteral("Rio - Memória de cálculo")));
        WhenModal([](QWidget* w) { static_cast<QDialog*>(w)->accept(); });
        const std::unique_ptr<QPrinter> printer = platform_.ChoosePrinter(nullptr, QStringLiteral("Rio - Memória de cálculo"));
        QVERIFY(printer);
        QCOMPARE(printer->docName(), QStringLiteral("Rio - Memória de cálculo"));
    }

    void LaunchFailsForMissingProgram() {
        QTemporaryDir dir;
        QVERIFY(!platform_.LaunchProgram(QStringLiteral("no-such-program-zarn"), {}, dir.path(), true));
        QVERIFY(platform_.LaunchProgram(QStringLiteral("true"), {}, dir.path(), false));
    }
};

QTEST_MAIN(TestQtPlatform)
#include "test_qtplatform.moc"
