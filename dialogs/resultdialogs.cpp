#include "dialogs/resultdialogs.h"

#include <QKeyEvent>

#include "app/platform.h"

namespace zarn {

ResultDialogBase::ResultDialogBase(Platform& platform, QWidget* parent, const QString& caption, int width, int height)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), platform_(platform) {
    setWindowTitle(caption);
    setFixedSize(width, height);
}

void ResultDialogBase::keyPressEvent(QKeyEvent* event) { QDialog::keyPressEvent(event); }

TEstatisticas::TEstatisticas(Platform& platform, QWidget* parent)
    : ResultDialogBase(platform, parent, QStringLiteral("ZARN - Estatísticas descritivas"), 656, 365) {}
void TEstatisticas::Exibir() { show(); }
void TEstatisticas::EntrarXY(const ChartPoints&) {}
void TEstatisticas::FecharClick() { hide(); }
void TEstatisticas::AvancarClick() { hide(); }

TTesteDLG::TTesteDLG(Platform& platform, QWidget* parent)
    : ResultDialogBase(platform, parent, QStringLiteral("ZARN - Testes não paramétricos"), 657, 367) {}
void TTesteDLG::Exibir() { show(); }
void TTesteDLG::EntrarXY(const ChartPoints&) {}
void TTesteDLG::FecharClick() { hide(); }
void TTesteDLG::VoltarClick() { hide(); }
void TTesteDLG::AvancarClick() { hide(); }

TParaDLG::TParaDLG(Platform& platform, QWidget* parent)
    : ResultDialogBase(platform, parent, QStringLiteral("ZARN - Estimação dos parâmetros"), 656, 363) {}
void TParaDLG::Exibir() { show(); }
void TParaDLG::EntrarXY(int) {}
void TParaDLG::FecharClick() { hide(); }
void TParaDLG::VoltarClick() { hide(); }
void TParaDLG::AvancarClick() { hide(); }

Tresult::Tresult(Platform& platform, QWidget* parent)
    : ResultDialogBase(platform, parent, QStringLiteral("ZARN - Memória de Cálculo"), 656, 368) {}
void Tresult::Exibir() { show(); }
void Tresult::FecharClick() { hide(); }
void Tresult::SalvarClick() {}
void Tresult::VoltarClick() { hide(); }
void Tresult::AvancarClick() {}

void LinkResultDialogs(TEstatisticas* estatisticas, TTesteDLG* testes, TParaDLG* parametros, Tresult* resultado) {
    estatisticas->SetNext(testes);
    testes->SetNeighbours(estatisticas, parametros);
    parametros->SetNeighbours(testes, resultado);
    resultado->SetBack(parametros);
}

}  // namespace zarn
