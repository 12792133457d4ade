// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/BoardPainter.h"

#include "app/ResourceIds.h"
#include "app/Resources.h"
#include "rules/BoardTypes.h"
#include "rules/GameBoard.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>

namespace sorvada {

namespace {

struct PictureSlot
{
    int code;
    int manyColours;
    int palette;
};

// Which resource fills which slot, in both sets.
constexpr PictureSlot pictureSlots[] = {
    {LIGHT_SQUARE, res::IDB_LIGHT_SQUARE, res::IDB_PAL_LIGHT_SQUARE},
    {EMPTY_SQUARE, res::IDB_DARK_SQUARE, res::IDB_PAL_DARK_SQUARE},
    {0, res::IDB_LIGHT_MAN, res::IDB_PAL_LIGHT_MAN},
    {1, res::IDB_BLUE_MAN, res::IDB_PAL_BLUE_MAN},
    {2, res::IDB_LIGHT_KING, res::IDB_PAL_LIGHT_KING},
    {3, res::IDB_BLUE_KING, res::IDB_PAL_BLUE_KING},
};

QString nameText(const std::string &name)
{
    return QString::fromStdString(name);
}

// Text is placed by the top-left corner of its cell, as the layout is given.
void drawTextAt(QPainter &painter, int x, int y, const QString &text)
{
    painter.drawText(x, y + painter.fontMetrics().ascent(), text);
}

void drawCentredName(QPainter &painter, int y, const QString &name, const QColor &colour)
{
    painter.setPen(colour);
    const int width = painter.fontMetrics().horizontalAdvance(name);
    drawTextAt(painter, BoardPainter::NAME_CENTRE_X - width / 2, y, name);
}

// The picture code of a square: light and empty dark squares are their own
// code, a piece is drawn by its kind. Anything else has no picture.
int pictureCode(const GameBoard &board, int square)
{
    const int cell = board.board[square];
    if (cell == LIGHT_SQUARE || cell == EMPTY_SQUARE)
        return cell;
    if (cell >= 0 && cell < 24)
        return board.pieces[cell].kind;
    return -1;
}

} // namespace

void PictureTable::load(int screenDepth)
{
    clear();
    paletteSet = screenDepth <= 8;
    for (const PictureSlot &slot : pictureSlots)
        images[slot.code] = loadPicture(paletteSet ? slot.palette : slot.manyColours);
}

void PictureTable::clear()
{
    for (QPixmap &p : images)
        p = QPixmap();
}

const QPixmap &PictureTable::picture(int code) const
{
    static const QPixmap none;
    if (code < 0 || code >= SLOTS)
        return none;
    return images[code];
}

namespace BoardPainter {

QColor groundColour() { return QColor(128, 128, 128); }
QColor textColour() { return QColor(0, 0, 0); }
QColor toMoveColour() { return QColor(255, 255, 0); }
QColor lastMoveColour() { return QColor(255, 112, 0); }

QFont boardFont()
{
    QFont font(QStringLiteral("Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    return font;
}

void drawBoard(const GameBoard &board, const PictureTable &pictures, QPixmap &target,
               const std::vector<uint8_t> &marked)
{
    QPainter painter(&target);
    // Starting from the bare ground each time keeps no trace of a longer name
    // drawn before; everything else is drawn over in full anyway.
    painter.fillRect(0, 0, BUFFER_WIDTH, BUFFER_HEIGHT, groundColour());

    // A board that has never been set up has no squares to show yet: every
    // position is still the origin. Square 0 is light on every set-up board.
    const bool setUp = board.board[0] == LIGHT_SQUARE;

    if (setUp) {
        for (int s = 0; s < 64; ++s) {
            const QPixmap &picture = pictures.picture(pictureCode(board, s));
            if (picture.isNull())
                continue;
            const QPoint at(board.squareXY[s].x, board.squareXY[s].y);
            if (s == board.selectedSquare) {
                // The selection is marked only by this inverted copy.
                painter.setCompositionMode(QPainter::RasterOp_NotSource);
                painter.drawPixmap(at, picture, QRect(0, 0, PICTURE_SIZE, PICTURE_SIZE));
                painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
            } else {
                painter.drawPixmap(at, picture, QRect(0, 0, PICTURE_SIZE, PICTURE_SIZE));
            }
        }
        // A frame three pixels wide just inside each marked square, clear of
        // the pictures' shared edge pixel.
        painter.setPen(QPen(lastMoveColour(), 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.setBrush(Qt::NoBrush);
        for (const uint8_t s : marked) {
            if (s > 63)
                continue;
            painter.drawRect(QRect(board.squareXY[s].x + 2, board.squareXY[s].y + 2,
                                   PICTURE_SIZE - 5, PICTURE_SIZE - 5));
        }
    }

    painter.setFont(boardFont());
    const QString local = nameText(board.localName);
    const QString peer = nameText(board.peerName);
    if (board.myTurn == 1) {
        drawCentredName(painter, LOCAL_NAME_Y, local, toMoveColour());
        drawCentredName(painter, PEER_NAME_Y, peer, textColour());
    } else {
        drawCentredName(painter, PEER_NAME_Y, peer, toMoveColour());
        drawCentredName(painter, LOCAL_NAME_Y, local, textColour());
    }
    painter.setPen(textColour());

    if (!setUp)
        return;

    // The hosting side sees A1 at the bottom left, the joining side H8.
    const bool hosting = board.role() == ROLE_SERVER;
    for (int row = 0; row < 8; ++row) {
        const int s = 8 * row;
        const int number = hosting ? 8 - row : row + 1;
        drawTextAt(painter, board.squareXY[s].x - 10, board.squareXY[s].y + 10,
                   QString(QChar('0' + number)));
    }
    for (int column = 0; column < 8; ++column) {
        const int s = 56 + column;
        const char letter = static_cast<char>(hosting ? 'A' + column : 'H' - column);
        drawTextAt(painter, board.squareXY[s].x + 17, board.squareXY[s].y + 43,
                   QString(QChar(letter)));
    }
}

} // namespace BoardPainter

} // namespace sorvada
