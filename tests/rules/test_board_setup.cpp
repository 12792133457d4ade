// SPDX-License-Identifier: GPL-3.0-or-later
// The opening position of both sides and the board's geometry: pixels to
// squares and square names as each player sees the board.
#include <QtTest>

#include "rules/GameBoard.h"
#include "tests/support/BoardDiagram.h"

using namespace sorvada;

class TestBoardSetup : public QObject {
    Q_OBJECT
private slots:
    void openingPosition_data();
    void openingPosition();
    void setUpKeepsGameFlow();
    void squarePositions();
    void squareAtEdges_data();
    void squareAtEdges();
    void squareNames_data();
    void squareNames();
    void mirroredSquaresShareTheirName();
};

void TestBoardSetup::openingPosition_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<int>("localOwner");
    QTest::addColumn<int>("localKind");
    QTest::newRow("hosting side plays light") << int(ROLE_SERVER) << 1 << 0;
    QTest::newRow("joining side plays blue") << int(ROLE_CLIENT) << 0 << 1;
    QTest::newRow("no link yet counts as joining") << int(ROLE_NONE) << 0 << 1;
}

void TestBoardSetup::openingPosition()
{
    QFETCH(int, role);
    QFETCH(int, localOwner);
    QFETCH(int, localKind);
    GameBoard b;
    b.setRole(static_cast<uint8_t>(role));
    b.setSelection(17);
    b.setUpPosition(125, 25);

    QCOMPARE(b.selectedSquare, NO_SQUARE);
    QVERIFY(!b.hasSelection());
    const Diagram expected = {"-b-b-b-b", "b-b-b-b-", "-b-b-b-b", ".-.-.-.-",
                              "-.-.-.-.", "w-w-w-w-", "-w-w-w-w", "w-w-w-w-"};
    QCOMPARE(diagramOf(b), rowsOf(expected));
    for (int i = 0; i < 4; ++i)
        QCOMPARE(int(b.board[1 + 2 * i]), i);
    QCOMPARE(int(b.board[40]), 12);
    QCOMPARE(b.pieces[12].owner, localOwner);
    QCOMPARE(int(b.pieces[12].kind), localKind);
    QCOMPARE(b.pieces[0].owner, 1 - localOwner);
    QCOMPARE(int(b.pieces[0].kind), 1 - localKind);
    for (const PieceRecord& p : b.pieces) {
        QCOMPARE(p.captured, 0);
        QCOMPARE(int(p.targetCount), 0);
        QCOMPARE(p.canMove, 0);
        QCOMPARE(p.mustCapture, 0);
    }
}

void TestBoardSetup::setUpKeepsGameFlow()
{
    GameBoard b;
    b.setRole(ROLE_SERVER);
    b.setMyTurn(1);
    b.setVariant(VARIANT_RUSSIAN);
    b.setFirstMover(1);
    b.setPlayerNames("Ann", "Bob");
    b.setUpPosition(125, 25);
    // A second set after pieces were taken and crowned starts afresh.
    QCOMPARE(b.removePiece(7), 1);
    QCOMPARE(b.crownPiece(44), 1);
    b.setUpPosition(125, 25);
    QCOMPARE(b.isMyTurn(), 1);
    QCOMPARE(b.variant(), VARIANT_RUSSIAN);
    QCOMPARE(b.isFirstMover(), 1);
    QCOMPARE(b.localName, std::string("Ann"));
    QCOMPARE(b.peerName, std::string("Bob"));
    QCOMPARE(b.pieces[3].captured, 0);
    QCOMPARE(int(b.pieces[14].kind), 0);
}

void TestBoardSetup::squarePositions()
{
    GameBoard b;
    b.setUpPosition(125, 25);
    QCOMPARE(b.squareXY[0].x, 125);
    QCOMPARE(b.squareXY[0].y, 25);
    QCOMPARE(b.squareXY[63].x, 398);
    QCOMPARE(b.squareXY[63].y, 298);
    QCOMPARE(b.squareXY[10].x, 125 + 2 * 39);
    QCOMPARE(b.squareXY[10].y, 25 + 39);
}

void TestBoardSetup::squareAtEdges_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("square");
    QTest::newRow("corner line is outside") << 125 << 25 << int(NO_SQUARE);
    QTest::newRow("first pixel of square 0") << 126 << 26 << 0;
    QTest::newRow("last pixel of square 0") << 164 << 64 << 0;
    QTest::newRow("overlap belongs to square 9") << 165 << 65 << 9;
    QTest::newRow("last pixel of square 63") << 437 << 337 << 63;
    QTest::newRow("right of the board") << 438 << 337 << int(NO_SQUARE);
    QTest::newRow("below the board") << 437 << 338 << int(NO_SQUARE);
    QTest::newRow("far away") << -5000 << 100000 << int(NO_SQUARE);
}

void TestBoardSetup::squareAtEdges()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(int, square);
    GameBoard b;
    b.setUpPosition(125, 25);
    QCOMPARE(int(b.squareAt(x, y)), square);
}

void TestBoardSetup::squareNames_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<int>("square");
    QTest::addColumn<QString>("name");
    QTest::newRow("host D 4") << int(ROLE_SERVER) << 35 << "D 4";
    QTest::newRow("joiner's mirror of D 4") << int(ROLE_CLIENT) << 28 << "D 4";
    QTest::newRow("host bottom left") << int(ROLE_SERVER) << 56 << "A 1";
    QTest::newRow("joiner bottom left") << int(ROLE_CLIENT) << 56 << "H 8";
    QTest::newRow("host top right") << int(ROLE_SERVER) << 7 << "H 8";
    QTest::newRow("joiner top right") << int(ROLE_CLIENT) << 7 << "A 1";
    QTest::newRow("light square has a name too") << int(ROLE_SERVER) << 0 << "A 8";
}

void TestBoardSetup::squareNames()
{
    QFETCH(int, role);
    QFETCH(int, square);
    QFETCH(QString, name);
    GameBoard b;
    b.setRole(static_cast<uint8_t>(role));
    b.setUpPosition(125, 25);
    QCOMPARE(QString::fromStdString(b.squareName(pixelX(b, square), pixelY(b, square))), name);
    QCOMPARE(b.squareName(125, 25), std::string());
    QCOMPARE(b.squareName(500, 200), std::string());
}

void TestBoardSetup::mirroredSquaresShareTheirName()
{
    GameBoard host, joiner;
    host.setRole(ROLE_SERVER);
    joiner.setRole(ROLE_CLIENT);
    host.setUpPosition(125, 25);
    joiner.setUpPosition(125, 25);
    for (int s = 0; s < 64; ++s) {
        const std::string a = host.squareName(pixelX(host, s), pixelY(host, s));
        const std::string b = joiner.squareName(pixelX(joiner, 63 - s), pixelY(joiner, 63 - s));
        QCOMPARE(a.size(), size_t(3));
        QCOMPARE(a, b);
        // Mirroring keeps a square's colour.
        QCOMPARE(host.board[s] == LIGHT_SQUARE, host.board[63 - s] == LIGHT_SQUARE);
    }
}

QTEST_APPLESS_MAIN(TestBoardSetup)
#include "test_board_setup.moc"
