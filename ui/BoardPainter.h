// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QPixmap>

#include <array>
#include <cstdint>
#include <vector>

namespace sorvada {

class GameBoard;

// The board pictures by picture code: 0 light man, 1 blue man, 2 light king,
// 3 blue king, 50 light square, 60 empty dark square. The other slots stay
// empty; a square whose code has no picture is left as it was.
class PictureTable
{
public:
    static constexpr int SLOTS = 100;

    // Loads the six pictures: the many-colour set when the display has more
    // than 8 bits per pixel, the palette set otherwise.
    void load(int screenDepth);
    void clear();

    const QPixmap &picture(int code) const;
    bool usesPaletteSet() const { return paletteSet; }

private:
    std::array<QPixmap, SLOTS> images;
    bool paletteSet = false;
};

// Renders the board into the window's back buffer: 64 block copies of the
// 40 x 40 pictures at the squares' screen positions, the selected square as
// an inverted copy, the two names centred on x = 280 and the coordinate
// labels of the local side, all on the grey ground.
namespace BoardPainter {

constexpr int BUFFER_WIDTH = 560;
constexpr int BUFFER_HEIGHT = 460;
constexpr int PICTURE_SIZE = 40;
constexpr int NAME_CENTRE_X = 280;
constexpr int PEER_NAME_Y = 2;
constexpr int LOCAL_NAME_Y = 360;

QColor groundColour();       // (128, 128, 128)
QColor textColour();         // black
QColor toMoveColour();       // yellow: the name of the player to move
QColor lastMoveColour();     // orange: the outline of the squares of the last move

// The font of the names and labels. The layout is in pixels (a label stands
// 10 pixels left of the board, the letters in the 19-pixel strip under it), so
// the font is fixed in pixels too rather than following the desktop's font
// and scaling.
QFont boardFont();

// marked: squares outlined over their pictures (the opponent's last move);
// squares outside 0..63 are left out.
void drawBoard(const GameBoard &board, const PictureTable &pictures, QPixmap &target,
               const std::vector<uint8_t> &marked = {});

} // namespace BoardPainter

} // namespace sorvada
