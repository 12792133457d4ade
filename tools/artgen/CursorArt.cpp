// SPDX-License-Identifier: GPL-3.0-or-later
#include "CursorArt.h"

#include <QString>

#include <array>
#include <string_view>
#include <vector>

namespace sorvada {

// Drawn pixel by pixel so that the cursors stay crisp in two colours:
// 'B' black, 'W' white, anything else transparent.

namespace {

constexpr int kSize = 32;

constexpr std::array<std::string_view, 19> kArrow = {
    "B",
    "BB",
    "BWB",
    "BWWB",
    "BWWWB",
    "BWWWWB",
    "BWWWWWB",
    "BWWWWWWB",
    "BWWWWWWWB",
    "BWWWWWWWWB",
    "BWWWWWWWWWB",
    "BWWWWWWBBBBB",
    "BWWWBWWB",
    "BWWBBWWB",
    "BWB  BWWB",
    "BB   BWWB",
    "B     BWWB",
    "      BWWB",
    "       BB",
};

// Glyphs nine pixels high with two-pixel strokes; lower-case letters use the
// lower six rows.
using Glyph = std::array<std::string_view, 9>;

constexpr Glyph kW = {
    "##.....##",
    "##.....##",
    "##..#..##",
    "##..#..##",
    "##.###.##",
    "##.###.##",
    "#########",
    ".##...##.",
    ".##...##.",
};
constexpr Glyph kO = {
    ".#####.",
    "##...##",
    "##...##",
    "##...##",
    "##...##",
    "##...##",
    "##...##",
    "##...##",
    ".#####.",
};
constexpr Glyph kN = {
    "##...##",
    "###..##",
    "###..##",
    "####.##",
    "##.####",
    "##..###",
    "##..###",
    "##...##",
    "##...##",
};
constexpr Glyph kLowerK = {
    "##....",
    "##....",
    "##....",
    "##..##",
    "##.##.",
    "####..",
    "####..",
    "##.##.",
    "##..##",
};
constexpr Glyph kLowerO = {
    "......",
    "......",
    "......",
    ".####.",
    "##..##",
    "##..##",
    "##..##",
    "##..##",
    ".####.",
};

int glyphWidth(const Glyph &g)
{
    return int(g[0].size());
}

QImage drawCursor(const std::vector<const Glyph *> &word)
{
    QImage img(kSize, kSize, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    const QRgb black = qRgba(0, 0, 0, 255);
    const QRgb white = qRgba(255, 255, 255, 255);

    for (int y = 0; y < int(kArrow.size()); ++y) {
        for (int x = 0; x < int(kArrow[y].size()); ++x) {
            if (kArrow[y][x] == 'B')
                img.setPixel(x, y, black);
            else if (kArrow[y][x] == 'W')
                img.setPixel(x, y, white);
        }
    }

    // The word sits in the lower right corner, one pixel in from the edges so
    // that its white outline fits; letters are one pixel apart.
    int width = -1;
    for (const Glyph *g : word)
        width += glyphWidth(*g) + 1;
    const int bottom = kSize - 2;
    int left = kSize - 2 - width + 1;
    std::vector<std::vector<bool>> ink(kSize, std::vector<bool>(kSize, false));
    for (const Glyph *g : word) {
        for (int row = 0; row < 9; ++row) {
            for (int col = 0; col < glyphWidth(*g); ++col) {
                if ((*g)[row][col] == '#')
                    ink[bottom - 8 + row][left + col] = true;
            }
        }
        left += glyphWidth(*g) + 1;
    }
    // Black letters in a white outline, readable on the dark and the light
    // squares alike.
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            if (ink[y][x]) {
                img.setPixel(x, y, black);
                continue;
            }
            bool near = false;
            for (int dy = -1; dy <= 1 && !near; ++dy)
                for (int dx = -1; dx <= 1 && !near; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    near = nx >= 0 && ny >= 0 && nx < kSize && ny < kSize && ink[ny][nx];
                }
            if (near)
                img.setPixel(x, y, white);
        }
    }
    return img;
}

} // namespace

QList<CursorPicture> drawCursors()
{
    return {
        {144, drawCursor({&kW})},
        {145, drawCursor({&kO, &kLowerK})},
        {140, drawCursor({&kN, &kLowerO})},
    };
}

} // namespace sorvada
