// SPDX-License-Identifier: GPL-3.0-or-later
// The "Informação histórica" window: the flood record of a Bulletin 17C
// analysis, year by year (a value, "< Q", "> Q" or an interval "mínimo -
// máximo"), and the perception thresholds (the smallest flood that would have
// been known in a range of years), with a chart of the record against time
// and its thresholds as shaded bands. The record is built by hand, from the
// project's own series (consecutive years from a first year) or imported from
// a USGS peak file or a table of year and value. Modal: "OK" checks every row
// and hands the record back; a row that cannot be read is named in a notice
// and the window stays open.
#pragma once

#include <QColor>
#include <QDialog>
#include <functional>
#include <optional>

#include "analysis/historical.h"

class QChart;
class QChartView;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace zarn {

class Document;
class Platform;

// Help topic of the two Bulletin 17C windows.
constexpr int kB17cHelpContext = 126;

// How both Bulletin 17C charts draw a flood record: systematic points,
// historical floods and intervals (as bars) in the same colours and sizes.
inline constexpr double kRecordPointSize = 7.0;
inline constexpr double kRecordBarWidth = 2.0;
inline const QColor kRecordPointColour(40, 40, 40);
inline const QColor kRecordIntervalColour(213, 94, 0);
inline const QColor kRecordHistoricalColour(230, 159, 0);

class TInformacaoHistorica : public QDialog {
    Q_OBJECT
public:
    TInformacaoHistorica(Platform& platform, Document& document, QWidget* parent = nullptr);

    // Shows `current`; the accepted record, or nothing when cancelled.
    std::optional<HistoricalRecord> Executar(const HistoricalRecord& current);

    // The commands.
    void OkClick();
    void IncluirAnoClick();
    void ExcluirAnoClick();
    void IncluirLimiarClick();
    void ExcluirLimiarClick();
    // The project's series as point values from the first year of PrimeiroAno;
    // the years of the table it covers are replaced, the others kept.
    void SerieDoProjetoClick();
    // Asks for a USGS peak file or a year;value table and replaces the years
    // (and adds the thresholds) it holds; a file that cannot be read is named
    // in a notice with its reason and nothing changes.
    void ImportarClick();
    // Reads the two tables into `record`; false with a notice naming the row.
    bool Ler(HistoricalRecord& record);
    // Draws the record of the tables (the rows that read).
    void Desenhar();

    QTableWidget* Anos() const { return anos_; }
    QTableWidget* Limiares() const { return limiares_; }
    QSpinBox* PrimeiroAno() const { return primeiroAno_; }
    QPushButton* SerieDoProjeto() const { return serieDoProjeto_; }
    QPushButton* Importar() const { return importar_; }
    QPushButton* Ok() const { return ok_; }
    QPushButton* Cancelar() const { return cancelar_; }
    QChart* Grafico() const { return chart_; }

    // Stands in for the modal loop when set (the window tests act as the user through it).
    std::function<void(TInformacaoHistorica&)> ModalRun;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Mostrar(const HistoricalRecord& record);
    void SetYearRow(int row, const FloodObservation& o);
    void SetThresholdRow(int row, const PerceptionThreshold& t);
    void Guarded(const std::function<void()>& command);

    Platform& platform_;
    Document& document_;
    QTableWidget* anos_;
    QTableWidget* limiares_;
    QSpinBox* primeiroAno_;
    QPushButton* serieDoProjeto_;
    QPushButton* importar_;
    QPushButton* ok_;
    QPushButton* cancelar_;
    QChart* chart_;
    QChartView* view_;
    HistoricalRecord accepted_;
    bool filling_ = false;
};

}  // namespace zarn
