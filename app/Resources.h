// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QCursor>
#include <QIcon>
#include <QPixmap>

namespace sorvada {

// The compiled-in pictures, cursors and icon, looked up by resource number
// (see ResourceIds.h).

// A 40 x 40 board picture (131, 133, 135..138, 147..152); a null pixmap for
// any other number.
QPixmap loadPicture(int id);

// Cursors 140 (No), 144 (W) and 145 (Ok): 32 x 32, the arrow with its
// letters at the lower right, hot spot at the top-left. Any other number gives
// the standard arrow.
QCursor loadCursor(int id);

// Icon 128, with its 16 and 32 pixel images.
QIcon loadAppIcon();

} // namespace sorvada
