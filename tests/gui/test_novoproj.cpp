// SPDX-License-Identifier: GPL-3.0-or-later
// The new-project dialog on its own, shown modeless and clicked as a user
// would: the empty data field check, browsing, cancelling, tab order, help.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "files/errors.h"
#include "analysis/returnperiods.h"
#include "app/novoproj.h"
#include "support/scriptedplatform.h"
#include "support/testdocument.h"

using namespace zarn;

class TestNovoProj : public QObject {
    Q_OBJECT

    std::unique_ptr<ScriptedPlatform> platform_;
    std::unique_ptr<TNovoProj> dialog_;

private slots:
    void init() {
        platform_ = std::make_unique<ScriptedPlatform>();
        dialog_ = std::make_unique<TNovoProj>(*platform_, TestSession());
        dialog_->HelpFile = QStringLiteral("/start/ajuda.hlp");
        dialog_->abrirdados.InitialFolder = QStringLiteral("/start");
        dialog_->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
    }

    void cleanup() {
        dialog_.reset();
        platform_.reset();
    }

    void EmptyDataFieldKeepsDialogOpen() {
        QTest::keyClicks(dialog_->Projeto(), QStringLiteral("Rio Grande"));
        QTest::keyClicks(dialog_->Local(), QStringLiteral("Posto 1"));
        QTest::keyClicks(dialog_->Comentario(), QStringLiteral("serie curta"));
        QTest::mouseClick(dialog_->Criar(), Qt::LeftButton);
        QCOMPARE(platform_->Texts("notice"), QStringList{kInvalidDataFileText});
        QVERIFY(dialog_->isVisible());
        QCOMPARE(dialog_->result(), int(QDialog::Rejected));
        QCOMPARE(dialog_->Projeto()->text(), QStringLiteral("Rio Grande"));
        QCOMPARE(dialog_->Local()->text(), QStringLiteral("Posto 1"));
        QCOMPARE(dialog_->Comentario()->text(), QStringLiteral("serie curta"));

        // After browsing for a file, "Criar" closes the dialog as confirmed.
        platform_->FileNames = {QStringLiteral("/data/rio.dat")};
        QTest::mouseClick(dialog_->buttondados(), Qt::LeftButton);
        QTest::mouseClick(dialog_->Criar(), Qt::LeftButton);
        QVERIFY(!dialog_->isVisible());
        QCOMPARE(dialog_->result(), int(QDialog::Accepted));
        QCOMPARE(platform_->Texts("notice").size(), 1);
    }

    void BrowsePresetsCurrentFileAndKeepsItOnCancel() {
        platform_->FileNames = {QStringLiteral("/data/first.dat")};
        dialog_->buttondadosClick();
        QCOMPARE(dialog_->Dados()->text(), QStringLiteral("/data/first.dat"));
        const FileDialogOptions first = platform_->Log.last().Options;
        QCOMPARE(first.Filters, (QStringList{QStringLiteral("Arquivo de dados (*.dat)"),
                                             QStringLiteral("Todos os arquivos (*.*)")}));
        QCOMPARE(first.DefaultSuffix, QStringLiteral("dat"));
        QCOMPARE(first.InitialFolder, QStringLiteral("/start"));
        QVERIFY(first.FileName.isEmpty());

        dialog_->buttondadosClick();  // cancelled: no name queued
        QCOMPARE(dialog_->Dados()->text(), QStringLiteral("/data/first.dat"));
        QCOMPARE(platform_->Log.last().Options.FileName, QStringLiteral("/data/first.dat"));
    }

    void DataFieldTakesTypingAndPasting() {
        dialog_->Dados()->setFocus();
        QTest::keyClicks(dialog_->Dados(), QStringLiteral("typed.dat"));
        QCOMPARE(dialog_->Dados()->text(), QStringLiteral("typed.dat"));
        dialog_->Dados()->clear();
        QApplication::clipboard()->setText(QStringLiteral("  /dados/colado.dat\n"));
        dialog_->Dados()->paste();
        QVERIFY(dialog_->Dados()->text().contains(QStringLiteral("/dados/colado.dat")));
        // Blanks around a pasted name are not part of it.
        dialog_->CriarClick();
        QCOMPARE(dialog_->Dados()->text(), QStringLiteral("/dados/colado.dat"));
        QCOMPARE(dialog_->result(), int(QDialog::Accepted));
    }

    void ReturnPeriodsStartAsTheSevenAndPadraoRestoresThem() {
        const QString seven = dialog_->Periodos()->text();
        QCOMPARE(dialog_->PeriodosDeRetorno(), StandardReturnPeriods());
        dialog_->Periodos()->setText(QStringLiteral("25; 10000"));
        dialog_->Dados()->setText(QStringLiteral("/data/rio.dat"));
        dialog_->CriarClick();
        QCOMPARE(dialog_->PeriodosDeRetorno(), (std::vector<double>{25, 10000}));
        // The next project starts with the seven again, not the last list.
        dialog_->LimparCampos();
        QCOMPARE(dialog_->Periodos()->text(), seven);
        dialog_->Periodos()->setText(QStringLiteral("2; 3"));
        QTest::mouseClick(dialog_->Padrao(), Qt::LeftButton);
        QCOMPARE(dialog_->Periodos()->text(), seven);
    }

    void RefusedFileKeepsTheDialogOpenWithItsFields() {
        // What the main window's calculation does with a file it refuses.
        int calculations = 0;
        dialog_->Confirmar = [&calculations]() -> bool {
            ++calculations;
            throw ZarnError("File not found");
        };
        QTest::keyClicks(dialog_->Projeto(), QStringLiteral("Rio Grande"));
        dialog_->Dados()->setText(QStringLiteral("/data/missing.dat"));
        QTest::mouseClick(dialog_->Criar(), Qt::LeftButton);
        QCOMPARE(calculations, 1);
        QCOMPARE(platform_->Texts("error").size(), 1);
        QVERIFY(dialog_->isVisible());
        QCOMPARE(dialog_->Projeto()->text(), QStringLiteral("Rio Grande"));
        QCOMPARE(dialog_->Dados()->text(), QStringLiteral("/data/missing.dat"));
        // A cancelled calculation keeps it open too, without a word.
        dialog_->Confirmar = [] { return false; };
        QTest::mouseClick(dialog_->Criar(), Qt::LeftButton);
        QVERIFY(dialog_->isVisible());
        QCOMPARE(platform_->Texts("error").size(), 1);
        dialog_->Confirmar = [] { return true; };
        QTest::mouseClick(dialog_->Criar(), Qt::LeftButton);
        QVERIFY(!dialog_->isVisible());
        QCOMPARE(dialog_->result(), int(QDialog::Accepted));
    }

    void CancelarClosesAsCancelled() {
        platform_->FileNames = {QStringLiteral("/data/rio.dat")};
        dialog_->buttondadosClick();
        QTest::mouseClick(dialog_->Cancelar(), Qt::LeftButton);
        QVERIFY(!dialog_->isVisible());
        QCOMPARE(dialog_->result(), int(QDialog::Rejected));
        QVERIFY(platform_->Texts("notice").isEmpty());
    }

    void TabOrderFollowsTheForm() {
        const QList<QWidget*> order = {dialog_->Projeto(), dialog_->Local(),       dialog_->Comentario(),
                                       dialog_->Dados(),   dialog_->buttondados(), dialog_->Criar(),
                                       dialog_->Cancelar()};
        for (qsizetype i = 0; i + 1 < order.size(); ++i) {
            QWidget* next = order[i]->nextInFocusChain();
            while (next && !(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
            QCOMPARE(next, order[i + 1]);
        }
    }

    void ModalRunStandsInForTheLoop() {
        dialog_->hide();
        dialog_->ModalRun = [](TNovoProj& d) { d.CriarClick(); };
        QVERIFY(!dialog_->Executar());  // empty data field: not confirmed
        dialog_->ModalRun = [](TNovoProj& d) {
            d.Dados()->setText(QStringLiteral("/data/rio.dat"));
            d.CriarClick();
        };
        QVERIFY(dialog_->Executar());
        dialog_->LimparCampos();
        QVERIFY(dialog_->Dados()->text().isEmpty());
    }

    void F1OpensTopic106() {
        QApplication::setActiveWindow(dialog_.get());
        QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
        QTest::keyClick(dialog_->Projeto(), Qt::Key_F1);
        QCOMPARE(platform_->Log.size(), 1);
        QCOMPARE(platform_->Log.last().Kind, QStringLiteral("help"));
        QCOMPARE(platform_->Log.last().Context, kNovoProjHelpContext);
        QCOMPARE(platform_->Log.last().Text, QStringLiteral("/start/ajuda.hlp"));
    }
};

QTEST_MAIN(TestNovoProj)
#include "test_novoproj.moc"
