// SPDX-License-Identifier: GPL-3.0-or-later
// The import window driven as a user would through the scripted platform:
// browsing, the preview and its options, faults shown in the summary,
// "Salvar" with its default name; the new-project dialog's import button
// and its untouched layout; the Projeto menu item; and the notice about a
// misread data file after a project is created.
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QScatterSeries>
#include <QtTest>
#include <algorithm>
#include <memory>

#include "import/importer.h"
#include "analysis/record.h"
#include "app/desktop.h"
#include "app/helpfile.h"
#include "app/importdialog.h"
#include "app/novoproj.h"
#include "dialogs/resultdialogs.h"
#include "platform/session.h"
#include "support/scriptedplatform.h"
#include "support/testdocument.h"

using namespace zarn;

namespace {

const QString kHidroWeb = QStringLiteral(ZARN_TEST_DATA "/import/vazoes_C_58138000.csv");
const QString kUsgs = QStringLiteral(ZARN_TEST_DATA "/import/USGS02482550.txt");
const QString kHelpSource = QStringLiteral(ZARN_TEST_DATA "/../../app/help/ajuda.hlp");

bool WriteText(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QString Cell(const QTableWidget* t, int row, int column) { return t->item(row, column)->text(); }

// Notices with whether the statistics window was open when each was shown.
class NoticingPlatform : public ScriptedPlatform {
public:
    QWidget* Watched = nullptr;
    QList<bool> WatchedVisible;
    void Notice(QWidget* parent, const QString& text) override {
        WatchedVisible << (Watched != nullptr && Watched->isVisible());
        ScriptedPlatform::Notice(parent, text);
    }
};

}  // namespace

class TestImportar : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<NoticingPlatform> platform_;
    std::unique_ptr<TImportar> janela_;

    QString Path(const QString& name) const { return dir_->filePath(name); }

    // The user browses for `source`.
    void Browse(const QString& source) {
        platform_->FileNames.push_back(source);
        QTest::mouseClick(janela_->ButtonArquivo(), Qt::LeftButton);
    }

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        platform_ = std::make_unique<NoticingPlatform>();
        janela_ = std::make_unique<TImportar>(*platform_, TestSession());
        janela_->HelpFile = QStringLiteral("/start/ajuda.hlp");
        janela_->abrirserie.InitialFolder = QStringLiteral("/start");
        janela_->show();
        QVERIFY(QTest::qWaitForWindowExposed(janela_.get()));
    }

    void cleanup() {
        janela_.reset();
        platform_.reset();
        dir_.reset();
    }

    void OpensEmptyAndCannotSaveYet() {
        janela_->ModalRun = [](TImportar& w) {
            QVERIFY(w.Arquivo()->text().isEmpty());
            QVERIFY(!w.Salvar()->isEnabled());
            QCOMPARE(w.Tabela()->rowCount(), 0);
            QVERIFY(w.Resumo()->toPlainText().contains(QStringLiteral("HidroWeb")));
            w.FecharClick();
        };
        QVERIFY(janela_->Executar().isEmpty());
        QCOMPARE(janela_->result(), int(QDialog::Rejected));
    }

    void BrowsingPreviewsTheDetectedFormat() {
        Browse(kHidroWeb);
        const auto& open = platform_->Log.last();
        QCOMPARE(open.Kind, QStringLiteral("open"));
        QCOMPARE(open.Options.InitialFolder, QStringLiteral("/start"));
        QCOMPARE(open.Options.Filters.last(), QStringLiteral("Todos os arquivos (*.*)"));
        QCOMPARE(janela_->Arquivo()->text(), kHidroWeb);
        QCOMPARE(janela_->Detectado()->text(), QStringLiteral("Detectado: HidroWeb (vazões diárias)"));
        QCOMPARE(janela_->InicioAno()->itemText(0), QStringLiteral("Automático (agosto)"));
        // Kept and left-out years together, in the order of the series.
        QTableWidget* t = janela_->Tabela();
        QCOMPARE(t->rowCount(), 12);
        QCOMPARE(Cell(t, 0, 0), QStringLiteral("1961/62"));
        QCOMPARE(Cell(t, 0, 3), QStringLiteral("41 de 365"));
        QCOMPARE(Cell(t, 0, 4), QStringLiteral("deixado de fora"));
        QCOMPARE(Cell(t, 4, 0), QStringLiteral("1965/66"));
        QCOMPARE(Cell(t, 4, 1), QStringLiteral("18.62"));
        QCOMPARE(Cell(t, 4, 2), QStringLiteral("10/03/1966"));
        QCOMPARE(Cell(t, 4, 4), QStringLiteral("mantido"));
        QVERIFY(janela_->Resumo()->toPlainText().contains(QStringLiteral("Anos mantidos: 6")));
        QVERIFY(janela_->Salvar()->isEnabled());
        // The daily options apply, the table ones do not.
        QVERIFY(janela_->InicioAno()->isEnabled());
        QVERIFY(janela_->Falhas()->isEnabled());
        QVERIFY(!janela_->ColunaValores()->isEnabled());
        QVERIFY(!janela_->Estacao()->isEnabled());
    }

    // A year left out shows the largest of its days, greyed, so the user sees
    // whether it held the largest flood; under the table, the daily series
    // with the kept maxima marked and the years left out shaded.
    void ThePreviewShowsTheLeftOutYearsAndTheDailySeries() {
        Browse(kHidroWeb);
        const ImportResult& r = *janela_->Resultado();
        QTableWidget* t = janela_->Tabela();
        QCOMPARE(Cell(t, 0, 4), QStringLiteral("deixado de fora"));
        QCOMPARE(Cell(t, 0, 1), QString::fromStdString(r.LeftOut[0].Value));
        QVERIFY(!Cell(t, 0, 1).isEmpty());
        QVERIFY(Cell(t, 0, 2).endsWith(QStringLiteral("1961")) || Cell(t, 0, 2).endsWith(QStringLiteral("1962")));
        QCOMPARE(t->item(0, 1)->foreground().color(), janela_->palette().color(QPalette::Disabled, QPalette::Text));

        QVERIFY(janela_->Vazoes()->isVisible());
        QChart* chart = janela_->Vazoes()->chart();
        int shaded = 0;
        QList<QPointF> days;  // the daily line's pieces together
        QScatterSeries* maxima = nullptr;
        for (QAbstractSeries* series : chart->series()) {
            if (qobject_cast<QAreaSeries*>(series)) ++shaded;
            else if (auto* s = qobject_cast<QScatterSeries*>(series)) maxima = s;
            else if (auto* l = qobject_cast<QLineSeries*>(series)) days += l->points();
        }
        QVERIFY(maxima);
        QCOMPARE(days.size(), static_cast<qsizetype>(r.Daily.size()));
        QCOMPARE(maxima->count(), static_cast<int>(r.Kept.size()));
        QCOMPARE(shaded, static_cast<int>(r.LeftOut.size()));
        // Each marked maximum lies on the daily series at its date.
        for (const QPointF& m : maxima->points())
            QVERIFY(std::any_of(days.begin(), days.end(), [&m](const QPointF& d) { return d == m; }));

        // A table of annual values has no daily series.
        const QString table = Path(QStringLiteral("anual.csv"));
        QVERIFY(WriteText(table, "Ano;Vazão\n1970;1,5\n1971;5\n"));
        Browse(table);
        QVERIFY(!janela_->Vazoes()->isVisible());
    }

    void OptionChangesRefreshThePreview() {
        Browse(kHidroWeb);
        janela_->InicioAno()->setCurrentIndex(1);  // January: calendar years
        QCOMPARE(Cell(janela_->Tabela(), 0, 0), QStringLiteral("1961"));
        QCOMPARE(janela_->Resultado()->Kept.size(), std::size_t(6));
        QCOMPARE(janela_->Resultado()->Kept[1].Value, std::string("22.101"));  // 1968, 15 days missing
        janela_->Falhas()->setValue(4);
        QCOMPARE(janela_->Resultado()->Kept.size(), std::size_t(5));
        QVERIFY(janela_->Resumo()->toPlainText().contains(QStringLiteral("Limite de falhas: 4 %")));
        // Forcing the table format reads the export as a table, which fails
        // and says so in the summary, not in a box.
        janela_->Formato()->setCurrentIndex(3);
        QVERIFY(janela_->Resultado() == nullptr || janela_->Resultado()->Format == ImportFormat::Table);
        QVERIFY(platform_->Texts("error").isEmpty());
    }

    void SalvarWritesTheSeriesBesideTheSource() {
        const QString source = Path(QStringLiteral("vazoes_C_58138000.csv"));
        QVERIFY(QFile::copy(kHidroWeb, source));
        Browse(source);
        const QString target = Path(QStringLiteral("remedinho.dat"));
        platform_->FileNames.push_back(target);
        QTest::mouseClick(janela_->Salvar(), Qt::LeftButton);
        const auto& save = platform_->Log.last();
        QCOMPARE(save.Kind, QStringLiteral("save"));
        QCOMPARE(save.Options.FileName, Path(QStringLiteral("vazoes_C_58138000.dat")));
        QCOMPARE(save.Options.InitialFolder, dir_->path());
        QCOMPARE(save.Options.DefaultSuffix, QStringLiteral("dat"));
        QVERIFY(save.Options.ConfirmOverwrite);
        QCOMPARE(ReadAll(target), QByteArray("18.62\t1965/66\n21.459\t1966/67\n12.115\t1968/69\n23.812\t1969/70\n"
                                           "12.026\t1970/71\n17.535\t1971/72\n"));
        QCOMPARE(janela_->result(), int(QDialog::Accepted));
        QCOMPARE(janela_->SavedPath(), target);
    }

    void CancelledSaveOrTheSourceAsTargetWritesNothing() {
        const QString source = Path(QStringLiteral("serie.dat"));
        QVERIFY(WriteText(source, "Ano;Vazão\n1970;12,5\n1971;8\n"));
        Browse(source);
        QCOMPARE(janela_->Resultado()->Kept.size(), std::size_t(2));
        janela_->SalvarClick();  // cancelled: no name queued
        QVERIFY(janela_->SavedPath().isEmpty());
        QCOMPARE(platform_->Log.last().Options.FileName, Path(QStringLiteral("serie-serie.dat")));
        platform_->FileNames.push_back(source);
        QTest::mouseClick(janela_->Salvar(), Qt::LeftButton);
        QCOMPARE(platform_->Texts("error"),
                 QStringList{QStringLiteral("O arquivo de dados não pode substituir o arquivo de origem.")});
        QCOMPARE(ReadAll(source), QByteArray("Ano;Vazão\n1970;12,5\n1971;8\n"));
        QVERIFY(janela_->SavedPath().isEmpty());
    }

    void FaultsShowInTheSummaryAndClearWithTheRightOption() {
        const QString source = Path(QStringLiteral("tabela.csv"));
        QVERIFY(WriteText(source, "Ano;Vazão\n1970;1.234,5\n1971;5\n"));
        Browse(source);
        QCOMPARE(janela_->Resultado()->Kept[0].Value, std::string("1234.5"));
        janela_->Decimal()->setCurrentIndex(1);  // point: the comma cannot follow a point grouping thousands
        QVERIFY(janela_->Resumo()->toPlainText().contains(
            QStringLiteral("Separador de milhar não aceito (linha 2: \"1.234,5\")")));
        QVERIFY(!janela_->Salvar()->isEnabled());
        QCOMPARE(janela_->Tabela()->rowCount(), 0);
        QVERIFY(platform_->Texts("error").isEmpty());
        janela_->Decimal()->setCurrentIndex(0);
        QVERIFY(janela_->Salvar()->isEnabled());
    }

    void TableColumnsChosenByHand() {
        const QString source = Path(QStringLiteral("ranked.csv"));
        QVERIFY(WriteText(source, "Ordem;Ano;Vazão\n1;1979;102000\n2;1983;69500\n3;1961;31900\n"));
        Browse(source);
        QVERIFY(janela_->ColunaValores()->isEnabled());
        QVERIFY(!janela_->InicioAno()->isEnabled());
        QCOMPARE(Cell(janela_->Tabela(), 0, 0), QStringLiteral("1961"));
        janela_->ColunaValores()->setValue(3);  // no date column: file order, no labels
        QCOMPARE(janela_->ColunaDatas()->specialValueText(), QStringLiteral("nenhuma"));
        QCOMPARE(Cell(janela_->Tabela(), 0, 1), QStringLiteral("102000"));
        QCOMPARE(Cell(janela_->Tabela(), 0, 0), QString());
        janela_->ColunaDatas()->setValue(3);
        QVERIFY(janela_->Resumo()->toPlainText().contains(QStringLiteral("são a mesma")));
        janela_->ColunaDatas()->setValue(2);
        QCOMPARE(Cell(janela_->Tabela(), 0, 1), QStringLiteral("31900"));
        QCOMPARE(ImportedDataText(*janela_->Resultado()), std::string("31900\t1961\n102000\t1979\n69500\t1983\n"));
    }

    void SeveralStationsOfferTheChoice() {
        const QString source = Path(QStringLiteral("picos.txt"));
        QVERIFY(WriteText(source, "agency_cd\tsite_no\tpeak_dt\tpeak_tm\tpeak_va\n5s\t15s\t10d\t6s\t8s\n"
                                  "USGS\t01\t1950-03-01\t\t100\nUSGS\t02\t1950-03-01\t\t222\n"));
        Browse(source);
        QCOMPARE(janela_->Estacao()->count(), 2);
        QVERIFY(janela_->Estacao()->isEnabled());
        QCOMPARE(Cell(janela_->Tabela(), 0, 1), QStringLiteral("100"));
        janela_->Estacao()->setCurrentIndex(1);
        QCOMPARE(Cell(janela_->Tabela(), 0, 1), QStringLiteral("222"));
        QVERIFY(janela_->Resumo()->toPlainText().contains(QStringLiteral("estação 02")));
    }

    void F1OpensItsHelpTopic() {
        QTest::keyClick(janela_.get(), Qt::Key_F1);
        QCOMPARE(platform_->Log.last().Kind, QStringLiteral("help"));
        QCOMPARE(platform_->Log.last().Text, QStringLiteral("/start/ajuda.hlp"));
        QCOMPARE(platform_->Log.last().Context, kImportarHelpContext);
        // The topic exists and the contents page and the data-file topic link to it.
        QList<HelpTopic> topics;
        QVERIFY(ReadHelpFile(kHelpSource, topics));
        QVERIFY(FindHelpTopic(topics, kImportarHelpContext) != nullptr);
        QVERIFY(TopicLinks(*FindHelpTopic(topics, 0)).contains(kImportarHelpContext));
        QVERIFY(TopicLinks(*FindHelpTopic(topics, 110)).contains(kImportarHelpContext));
    }

    void NewProjectDialogTakesTheSavedFile() {
        TNovoProj novo(*platform_, TestSession());
        novo.HelpFile = QStringLiteral("/novo/ajuda.hlp");
        novo.abrirdados.InitialFolder = QStringLiteral("/novo");
        novo.show();
        QVERIFY(QTest::qWaitForWindowExposed(&novo));
        // The specified controls keep their places; the import button sits
        // inside the client area without covering any of them.
        // The return periods' row lies under them, the dialog grown to hold it.
        QCOMPARE(novo.size(), QSize(417, 241));
        QVERIFY(novo.Periodos()->geometry().top() >= 168 + 25);
        QCOMPARE(novo.Dados()->geometry(), QRect(104, 120, 265, 21));
        QCOMPARE(novo.buttondados()->geometry(), QRect(376, 118, 25, 25));
        QCOMPARE(novo.Criar()->geometry(), QRect(139, 168, 75, 25));
        QCOMPARE(novo.Cancelar()->geometry(), QRect(251, 168, 75, 25));
        const QRect import = novo.buttonimportar()->geometry();
        QVERIFY(novo.rect().contains(import));
        for (QWidget* w : {static_cast<QWidget*>(novo.Dados()), static_cast<QWidget*>(novo.buttondados()),
                           static_cast<QWidget*>(novo.Criar()), static_cast<QWidget*>(novo.Cancelar())})
            QVERIFY(!import.intersects(w->geometry()));
        QCOMPARE(novo.Cancelar()->nextInFocusChain(), static_cast<QWidget*>(novo.buttonimportar()));

        const QString target = Path(QStringLiteral("usgs.dat"));
        novo.ImportarJanela()->ModalRun = [&](TImportar& w) {
            QCOMPARE(w.HelpFile, QStringLiteral("/novo/ajuda.hlp"));
            platform_->FileNames = {kUsgs, target};
            w.ArquivoClick();
            QCOMPARE(platform_->Log.last().Options.InitialFolder, QStringLiteral("/novo"));
            w.SalvarClick();
        };
        QTest::mouseClick(novo.buttonimportar(), Qt::LeftButton);
        QCOMPARE(novo.Dados()->text(), target);
        QCOMPARE(ReadAll(target).left(11), QByteArray("19000\t1938\n"));

        // Closing the import window without saving keeps the field.
        novo.ImportarJanela()->ModalRun = [](TImportar& w) { w.FecharClick(); };
        novo.ImportarClick();
        QCOMPARE(novo.Dados()->text(), target);
    }

    void ProjetoMenuImportsAndCreationWarnsAboutYearValueFiles() {
        TestDocument().Record() = AnalysisRecord{};
        const QString saved = QDir::currentPath();
        QDir::setCurrent(dir_->path());
        TDesktop desktop(*platform_, TestDocument());
        auto* novo = new TNovoProj(*platform_, TestSession(), &desktop);
        auto* est = new TEstatisticas(*platform_, TestDocument(), &desktop);
        auto* testes = new TTesteDLG(*platform_, TestDocument(), &desktop);
        auto* para = new TParaDLG(*platform_, TestDocument(), &desktop);
        auto* result = new Tresult(*platform_, TestDocument(), &desktop);
        desktop.SetWindows(novo, est, testes, para, result);
        LinkResultDialogs(est, testes, para, result);
        StartSession(desktop, *novo);
        platform_->Watched = est;

        // The menu item: after "Abrir", before the separator, always enabled.
        const QList<QAction*> items = desktop.Arquivo1()->actions();
        QCOMPARE(items.indexOf(desktop.Importar1()), items.indexOf(desktop.Abrir1()) + 1);
        QCOMPARE(desktop.Importar1()->text(), QStringLiteral("Importar série..."));
        QVERIFY(desktop.Importar1()->isEnabled());
        QVERIFY(items.indexOf(desktop.Importar1()) < items.indexOf(desktop.Sair1()));

        const QString target = Path(QStringLiteral("remedinho.dat"));
        desktop.ImportarJanela()->ModalRun = [&](TImportar& w) {
            w.Carregar(kHidroWeb);
            platform_->FileNames = {target};
            w.SalvarClick();
        };
        desktop.Importar1()->trigger();
        QVERIFY(QFile::exists(target));
        QCOMPARE(platform_->Texts("notice").size(), 1);
        QVERIFY(platform_->Texts("notice").first().contains(QStringLiteral("(6 valores)")));

        // A "year value" table read as data: the analysis runs as always,
        // then a notice over the open statistics window names the importer.
        const QString years = Path(QStringLiteral("anos.dat"));
        QVERIFY(WriteText(years, "1910 28.8\n1911 8.5\n1912 44.8\n1913 51\n1914 4.8\n1915 20\n"));
        novo->ModalRun = [&](TNovoProj& d) {
            platform_->FileNames = {years};
            d.buttondadosClick();
            d.CriarClick();
        };
        platform_->Log.clear();
        platform_->WatchedVisible.clear();
        desktop.Novo1()->trigger();
        QVERIFY2(platform_->Texts("error").isEmpty(), qPrintable(platform_->Texts("error").join('|')));
        QVERIFY(TestDocument().Modified());
        QCOMPARE(TestDocument().Record().SampleSize, 6);
        const QStringList notices = platform_->Texts("notice");
        QCOMPARE(notices.size(), 1);
        QVERIFY(notices.first().contains(QStringLiteral("tabela \"ano valor\"")));
        QVERIFY(notices.first().contains(QStringLiteral("Projeto > Importar série...")));
        QCOMPARE(platform_->WatchedVisible, QList<bool>{true});

        // A clean data file: no notice.
        QVERIFY(WriteText(years, "28.8\n8.5\n44.8\n51\n4.8\n20\n"));
        platform_->Log.clear();
        platform_->Answers = {Answer::No};
        desktop.Novo1()->trigger();
        QVERIFY(platform_->Texts("notice").isEmpty());
        TestDocument().SetModified(false);
        QDir::setCurrent(saved);
    }
};

QTEST_MAIN(TestImportar)
#include "test_importar.moc"
