// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QColor>
#include <QImage>

namespace sorvada {

// A procedural wood surface: growth rings bent by low-frequency noise, with
// fine fibres along the grain. Deterministic for a given style, so that
// regenerating the artwork gives the same files.
struct WoodStyle
{
    QColor early;       // the pale wood between the rings
    QColor late;        // the dark wood of the rings
    bool vertical;      // grain runs top to bottom (else left to right)
    quint32 seed;
    double ringsAcross; // how many rings cross the picture
};

QImage drawWood(int size, const WoodStyle &style);

} // namespace sorvada
