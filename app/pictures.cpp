// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/pictures.h"

#include <QPainter>
#include <QPainterPath>

namespace zarn {

namespace {

const QColor kOutline(40, 40, 40);
const QColor kPaper(255, 255, 255);
const QColor kFolder(230, 180, 60);
const QColor kFolderDark(180, 130, 30);
const QColor kBlue(0, 90, 200);
const QColor kSkyBlue(0, 128, 255);
const QColor kRed(200, 30, 30);
const QColor kGreen(20, 140, 40);

void Sheet(QPainter& p) {
    p.setPen(kOutline);
    p.setBrush(kPaper);
    QPolygon page;
    page << QPoint(3, 1) << QPoint(10, 1) << QPoint(13, 4) << QPoint(13, 14) << QPoint(3, 14);
    p.drawPolygon(page);
    p.drawPolyline(QPolygon() << QPoint(10, 1) << QPoint(10, 4) << QPoint(13, 4));
}

void DrawNovo(QPainter& p) {
    Sheet(p);
    p.setPen(QPen(QColor(230, 170, 0), 1));
    p.drawLine(6, 9, 10, 9);
    p.drawLine(8, 7, 8, 11);
}

void DrawAbrir(QPainter& p) {
    p.setPen(kFolderDark);
    p.setBrush(kFolder.darker(115));
    p.drawPolygon(QPolygon() << QPoint(1, 3) << QPoint(5, 3) << QPoint(6, 4) << QPoint(12, 4) << QPoint(12, 13)
                             << QPoint(1, 13));
    p.setBrush(kFolder);
    p.drawPolygon(QPolygon() << QPoint(3, 7) << QPoint(15, 7) << QPoint(12, 13) << QPoint(1, 13));
}

void DrawSalvar(QPainter& p) {
    p.setPen(kOutline);
    p.setBrush(kBlue);
    p.drawRect(1, 1, 13, 13);
    p.setBrush(kPaper);
    p.drawRect(4, 1, 7, 5);
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(4, 9, 7, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawRect(8, 2, 2, 3);
}

void DrawHistograma(QPainter& p) {
    p.setPen(kOutline);
    p.drawLine(1, 14, 14, 14);
    p.setBrush(kSkyBlue);
    p.drawRect(2, 9, 3, 5);
    p.drawRect(6, 3, 3, 11);
    p.drawRect(10, 6, 3, 8);
}

void DrawTestes(QPainter& p) {
    p.setPen(kOutline);
    p.drawLine(1, 1, 1, 14);
    p.drawLine(1, 14, 14, 14);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kRed, 1.5));
    p.drawPolyline(QPolygonF() << QPointF(2, 10) << QPointF(5, 5) << QPointF(8, 9) << QPointF(11, 3)
                               << QPointF(14, 8));
}

void DrawParametros(QPainter& p) {
    p.setPen(kOutline);
    p.drawLine(1, 1, 1, 14);
    p.drawLine(1, 14, 14, 14);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath curve(QPointF(2, 13));
    curve.cubicTo(QPointF(7, 12), QPointF(10, 8), QPointF(14, 2));
    p.setPen(QPen(kRed, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawPath(curve);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    for (const QPointF c : {QPointF(4, 11), QPointF(8, 10.5), QPointF(11, 5.5)}) p.drawEllipse(c, 1.5, 1.5);
}

void DrawRelatorio(QPainter& p) {
    Sheet(p);
    p.setPen(QColor(90, 90, 90));
    for (int y = 6; y <= 12; y += 2) p.drawLine(5, y, y == 12 ? 9 : 11, y);
}

void DrawAjuda(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kBlue.darker(120), 1));
    p.setBrush(kBlue);
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    QFont f = p.font();
    f.setPixelSize(12);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("?"));
}

void DrawSair(QPainter& p) {
    p.setPen(kOutline);
    p.setBrush(QColor(150, 100, 50));
    p.drawRect(2, 1, 8, 13);
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(8, 7, 1, 1);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kGreen, 2));
    p.drawLine(QPointF(10, 8), QPointF(15, 8));
    p.drawLine(QPointF(12.5, 5.5), QPointF(15, 8));
    p.drawLine(QPointF(12.5, 10.5), QPointF(15, 8));
}

void DrawConfirmar(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kGreen, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF() << QPointF(2.5, 8.5) << QPointF(6, 12.5) << QPointF(13.5, 3.5));
}

void DrawCancelar(QPainter& p) {
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kRed, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
    p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
}

}  // namespace

QPixmap Picture(Glyph glyph) {
    QPixmap pixmap(kPictureSize, kPictureSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    switch (glyph) {
        case Glyph::Novo: DrawNovo(p); break;
        case Glyph::Abrir: DrawAbrir(p); break;
        case Glyph::Salvar: DrawSalvar(p); break;
        case Glyph::Histograma: DrawHistograma(p); break;
        case Glyph::Testes: DrawTestes(p); break;
        case Glyph::Parametros: DrawParametros(p); break;
        case Glyph::Relatorio: DrawRelatorio(p); break;
        case Glyph::Ajuda: DrawAjuda(p); break;
        case Glyph::Sair: DrawSair(p); break;
        case Glyph::Confirmar: DrawConfirmar(p); break;
        case Glyph::Cancelar: DrawCancelar(p); break;
    }
    return pixmap;
}

QList<QPixmap> Imagens() {
    QList<QPixmap> list;
    for (int i = 0; i < kImageListSize; ++i) list << Picture(static_cast<Glyph>(i));
    return list;
}

}  // namespace zarn
