// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QImage>

namespace sorvada {

// The program's icon: a small grey checkerboard with blue pieces along the
// top row and yellow pieces along the bottom row.
QImage drawIcon(int size);

// The same drawing as scalable vector text, on a 128-unit canvas.
QByteArray iconSvg();

} // namespace sorvada
