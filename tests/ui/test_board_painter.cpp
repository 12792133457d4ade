// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ResourceIds.h"
#include "app/Resources.h"
#include "rules/GameBoard.h"
#include "ui/BoardPainter.h"

#include <QImage>
#include <QtTest>

using namespace sorvada;

// The rendered back buffer, checked pixel by pixel against the pictures.
class TestBoardPainter : public QObject
{
    Q_OBJECT

    PictureTable pictures;

    static QImage render(const GameBoard &board, const PictureTable &table)
    {
        QPixmap buffer(BoardPainter::BUFFER_WIDTH, BoardPainter::BUFFER_HEIGHT);
        buffer.fill(Qt::red); // anything the painter leaves alone would show
        BoardPainter::drawBoard(board, table, buffer);
        return buffer.toImage().convertToFormat(QImage::Format_RGB32);
    }

    // A square keeps the 39 x 39 pixels that no later square overlaps.
    static bool squareShows(const QImage &image, const GameBoard &board, int square, int pictureId,
                            bool inverted = false)
    {
        const QImage picture = loadPicture(pictureId).toImage().convertToFormat(QImage::Format_RGB32);
        const int left = board.squareXY[square].x, top = board.squareXY[square].y;
        for (int y = 0; y < 39; ++y)
            for (int x = 0; x < 39; ++x) {
                QRgb want = picture.pixel(x, y);
                if (inverted)
                    want = qRgb(255 - qRed(want), 255 - qGreen(want), 255 - qBlue(want));
                if (image.pixel(left + x, top + y) != want) {
                    qWarning("square %d differs at (%d, %d)", square, x, y);
                    return false;
                }
            }
        return true;
    }

    // Pixels of a band that are clearly the yellow of the player to move.
    static int yellowPixels(const QImage &image, int top, int bottom)
    {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 180; x < 380; ++x) {
                const QColor c = image.pixelColor(x, y);
                count += c.red() > 200 && c.green() > 200 && c.blue() < 60;
            }
        return count;
    }

    static int darkPixels(const QImage &image, const QRect &area)
    {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                count += qGray(image.pixel(x, y)) < 64;
        return count;
    }

    static QImage cell(const QImage &image, int x, int y) { return image.copy(x, y, 12, 16); }

    static void setUp(GameBoard &board, uint8_t role)
    {
        board.setRole(role);
        board.setUpPosition(125, 25);
        board.setPlayerNames("HILLIL", "LILLIH");
    }

private slots:
    void initTestCase()
    {
        pictures.load(32);
        for (int code : {0, 1, 2, 3, 50, 60})
            QVERIFY(!pictures.picture(code).isNull());
        QVERIFY(pictures.picture(4).isNull());
        QVERIFY(pictures.picture(99).isNull());
        QVERIFY(pictures.picture(100).isNull());
        QVERIFY(pictures.picture(-1).isNull());
    }

    void palettesPickTheirSet()
    {
        PictureTable palette;
        palette.load(8);
        QVERIFY(palette.usesPaletteSet());
        QCOMPARE(palette.picture(50).toImage(), loadPicture(res::IDB_PAL_LIGHT_SQUARE).toImage());
        QCOMPARE(palette.picture(3).toImage(), loadPicture(res::IDB_PAL_BLUE_KING).toImage());
        PictureTable many;
        many.load(24);
        QVERIFY(!many.usesPaletteSet());
        QCOMPARE(many.picture(60).toImage(), loadPicture(res::IDB_DARK_SQUARE).toImage());
    }

    void hostingSideShowsPiecesSquaresAndSelection()
    {
        GameBoard board;
        setUp(board, ROLE_SERVER);
        // A blue king: the opponent's piece on square 1 crowned.
        QCOMPARE(board.crownPiece(1), 1);
        board.setSelection(42);  // a light man of the host
        board.setMyTurn(1);
        const QImage image = render(board, pictures);

        QVERIFY(squareShows(image, board, 40, res::IDB_LIGHT_MAN));
        QVERIFY(squareShows(image, board, 1, res::IDB_BLUE_KING));
        QVERIFY(squareShows(image, board, 3, res::IDB_BLUE_MAN));
        QVERIFY(squareShows(image, board, 0, res::IDB_LIGHT_SQUARE));
        QVERIFY(squareShows(image, board, 27, res::IDB_LIGHT_SQUARE));
        QVERIFY(squareShows(image, board, 26, res::IDB_DARK_SQUARE));
        QVERIFY(squareShows(image, board, 42, res::IDB_LIGHT_MAN, true));

        // Ground around the board, no trace of what the buffer held before.
        QCOMPARE(image.pixel(5, 200), qRgb(128, 128, 128));
        QCOMPARE(image.pixel(550, 450), qRgb(128, 128, 128));

        // The local player is to move: the lower name is yellow, the upper is not.
        QVERIFY(yellowPixels(image, 360, 376) > 10);
        QCOMPARE(yellowPixels(image, 0, 20), 0);
        QVERIFY(darkPixels(image, QRect(180, 2, 200, 16)) > 10);
    }

    void selectionGoesAfterDeselection()
    {
        GameBoard board;
        setUp(board, ROLE_SERVER);
        board.setSelection(42);
        QVERIFY(squareShows(render(board, pictures), board, 42, res::IDB_LIGHT_MAN, true));
        board.setSelection(NO_SQUARE);
        QVERIFY(squareShows(render(board, pictures), board, 42, res::IDB_LIGHT_MAN));
    }

    void joiningSideShowsItsOwnColours()
    {
        GameBoard board;
        setUp(board, ROLE_CLIENT);
        // A light king of the host, seen at the top of the joiner's board.
        QCOMPARE(board.crownPiece(23), 1);
        board.setSelection(62);
        board.setMyTurn(0);
        const QImage image = render(board, pictures);

        QVERIFY(squareShows(image, board, 1, res::IDB_LIGHT_MAN));
        QVERIFY(squareShows(image, board, 23, res::IDB_LIGHT_KING));
        QVERIFY(squareShows(image, board, 40, res::IDB_BLUE_MAN));
        QVERIFY(squareShows(image, board, 62, res::IDB_BLUE_MAN, true));
        QVERIFY(squareShows(image, board, 63, res::IDB_LIGHT_SQUARE));
        QVERIFY(squareShows(image, board, 33, res::IDB_DARK_SQUARE));

        // The opponent is to move: the upper name is yellow.
        QVERIFY(yellowPixels(image, 0, 20) > 10);
        QCOMPARE(yellowPixels(image, 360, 376), 0);
    }

    void labelsFollowTheSide()
    {
        GameBoard host, join;
        setUp(host, ROLE_SERVER);
        setUp(join, ROLE_CLIENT);
        const QImage h = render(host, pictures);
        const QImage j = render(join, pictures);
        // Column letters below row 7, row numbers left of column 0. The label
        // under column c on one side is the one under column 7 - c on the other.
        for (int c = 0; c < 8; ++c) {
            const int x = host.squareXY[56 + c].x + 17, y = host.squareXY[56 + c].y + 43;
            const int xm = host.squareXY[63 - c].x + 17;
            QVERIFY(darkPixels(h, QRect(x, y, 12, 16)) > 3);
            QCOMPARE(cell(h, x, y), cell(j, xm, y));
            QVERIFY(cell(h, x, y) != cell(j, x, y));
        }
        for (int r = 0; r < 8; ++r) {
            const int x = host.squareXY[8 * r].x - 10, y = host.squareXY[8 * r].y + 10;
            const int ym = host.squareXY[8 * (7 - r)].y + 10;
            QVERIFY(darkPixels(h, QRect(x, y, 10, 16)) > 3);
            QCOMPARE(h.copy(x, y, 10, 16), j.copy(x, ym, 10, 16));
        }
        // No label reaches into the board.
        QVERIFY(squareShows(h, host, 56, res::IDB_LIGHT_MAN));
        QVERIFY(squareShows(h, host, 63, res::IDB_LIGHT_SQUARE));
    }

    void boardNeverSetUpShowsOnlyGround()
    {
        GameBoard board;
        const QImage image = render(board, pictures);
        QCOMPARE(image.pixel(20, 20), qRgb(128, 128, 128));
        QCOMPARE(image.pixel(0, 0), qRgb(128, 128, 128));
    }

    void unknownCellsAreSkipped()
    {
        GameBoard board;
        setUp(board, ROLE_SERVER);
        board.board[26] = 77;      // no picture for this code
        board.pieces[12].kind = 9; // nor for this kind (square 40)
        const QImage image = render(board, pictures);
        QCOMPARE(image.pixel(board.squareXY[26].x + 20, board.squareXY[26].y + 20), qRgb(128, 128, 128));
        QCOMPARE(image.pixel(board.squareXY[40].x + 20, board.squareXY[40].y + 20), qRgb(128, 128, 128));
    }
};

QTEST_MAIN(TestBoardPainter)
#include "test_board_painter.moc"
