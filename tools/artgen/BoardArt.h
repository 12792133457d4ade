// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>
#include <QList>

namespace sorvada {

// One 40 x 40 board picture and the resource number it is stored under.
struct BoardPicture
{
    int id;
    QImage image;
};

// The set for displays with many colours: wood squares and shaded discs.
QList<BoardPicture> drawRichSet();

// The set for palette displays: flat colours, at most 256 per picture,
// returned as 8-bit indexed images.
QList<BoardPicture> drawPaletteSet();

} // namespace sorvada
