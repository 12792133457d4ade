// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>
#include <QList>

namespace sorvada {

// One 32 x 32 two-colour cursor (black, white, transparent) with its
// resource number; the hot spot is the arrow's tip at (0, 0).
struct CursorPicture
{
    int id;
    QImage image;
};

QList<CursorPicture> drawCursors();

} // namespace sorvada
