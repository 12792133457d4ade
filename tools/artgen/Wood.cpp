// SPDX-License-Identifier: GPL-3.0-or-later
#include "Wood.h"

#include <cmath>
#include <numbers>

namespace sorvada {

namespace {

double hash01(int x, int y, quint32 seed)
{
    quint32 h = quint32(x) * 374761393u + quint32(y) * 668265263u + seed * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return double(h & 0xffffffu) / double(0x1000000);
}

double smooth(double t) { return t * t * (3.0 - 2.0 * t); }

// Value noise in [0, 1): smooth interpolation between hashed lattice values.
double valueNoise(double x, double y, quint32 seed)
{
    const int ix = int(std::floor(x));
    const int iy = int(std::floor(y));
    const double fx = smooth(x - ix);
    const double fy = smooth(y - iy);
    const double a = hash01(ix, iy, seed), b = hash01(ix + 1, iy, seed);
    const double c = hash01(ix, iy + 1, seed), d = hash01(ix + 1, iy + 1, seed);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

QRgb mix(const QColor &p, const QColor &q, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    auto ch = [t](int u, int v) { return int(std::lround(u + (v - u) * t)); };
    return qRgb(ch(p.red(), q.red()), ch(p.green(), q.green()), ch(p.blue(), q.blue()));
}

} // namespace

QImage drawWood(int size, const WoodStyle &style)
{
    QImage img(size, size, QImage::Format_RGB32);
    const double twoPi = 2.0 * std::numbers::pi;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            // along: position along the grain; across: position across it.
            const double along = style.vertical ? y : x;
            const double across = style.vertical ? x : y;
            const double bend = 1.6 * valueNoise(across * 0.05, along * 0.035, style.seed)
                + 0.25 * valueNoise(across * 0.4, along * 0.06, style.seed + 1);
            const double phase = across / size * style.ringsAcross + bend;
            const double ring = std::pow(0.5 + 0.5 * std::sin(twoPi * phase), 3.0);
            const double fibre = valueNoise(across * 1.1, along * 0.09, style.seed + 2);
            const double t = 0.62 * ring + 0.38 * fibre * fibre;
            img.setPixel(x, y, mix(style.early, style.late, t));
        }
    }
    return img;
}

} // namespace sorvada
