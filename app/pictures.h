// SPDX-License-Identifier: GPL-3.0-or-later
// The program's own 16 x 16 pictures, drawn with QPainter so that no icon
// theme is needed at run time.
//
//   Imagens         the main window's image list of ten pictures
//   Picture         one picture by name (also those of the dialogs' buttons)
#pragma once

#include <QList>
#include <QPixmap>

namespace zarn {

// Order of the image list; the toolbar uses Novo, Abrir, Salvar and Sair.
enum class Glyph {
    Novo = 0,        // blank sheet with a folded corner
    Abrir = 1,       // open folder
    Salvar = 2,      // diskette
    Histograma = 3,  // bars
    Testes = 4,      // a series over time
    Parametros = 5,  // fitted curve through points
    Relatorio = 6,   // sheet with lines of text
    Ajuda = 7,       // question mark
    Sair = 8,        // door with an arrow
    Confirmar = 9,   // check mark
    Cancelar = 10,   // red cross (not in the main window's list)
};

constexpr int kImageListSize = 10;
constexpr int kPictureSize = 16;

QPixmap Picture(Glyph glyph);
QList<QPixmap> Imagens();

}  // namespace zarn
