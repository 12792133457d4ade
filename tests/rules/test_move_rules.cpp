// SPDX-License-Identifier: GPL-3.0-or-later
// Move generation, leg application, continuation of captures, crowning and
// the end of a set, for both variants, on positions written as diagrams.
#include <QtTest>

#include "rules/GameBoard.h"
#include "tests/support/BoardDiagram.h"

using namespace sorvada;

namespace {

using Targets = std::vector<int>;

const Diagram kEmpty = {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-",
                        "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"};

QByteArray describe(const GameBoard& b)
{
    QByteArray text;
    for (const std::string& row : diagramOf(b))
        text += "\n" + QByteArray::fromStdString(row);
    return text;
}

} // namespace

class TestMoveRules : public QObject {
    Q_OBJECT
private slots:
    void openingTargets_data();
    void openingTargets();
    void generatedTargets();
    void turnOfTheWorkedExample();
    void landingRunEndsAtPieces();
    void captureLegTakesThePiece();
    void crowningDuringCapture();
    void takenPieceBlocksCrownedMan();
    void takenPiecesBlockFlyingKing();
    void noMovesLeft();
};

void TestMoveRules::openingTargets_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<int>("variant");
    QTest::newRow("host american") << int(ROLE_SERVER) << int(VARIANT_AMERICAN);
    QTest::newRow("joiner american") << int(ROLE_CLIENT) << int(VARIANT_AMERICAN);
    QTest::newRow("host russian") << int(ROLE_SERVER) << int(VARIANT_RUSSIAN);
    QTest::newRow("joiner russian") << int(ROLE_CLIENT) << int(VARIANT_RUSSIAN);
}

void TestMoveRules::openingTargets()
{
    QFETCH(int, role);
    QFETCH(int, variant);
    GameBoard b;
    b.setRole(static_cast<uint8_t>(role));
    b.setVariant(static_cast<uint8_t>(variant));
    b.setUpPosition(125, 25);
    b.generateMoves();
    QCOMPARE(b.captureRequired, 0);
    QCOMPARE(targetsOf(b, 12), Targets({33}));
    QCOMPARE(targetsOf(b, 13), Targets({35, 33}));
    QCOMPARE(targetsOf(b, 14), Targets({37, 35}));
    QCOMPARE(targetsOf(b, 15), Targets({39, 37}));
    for (int k = 16; k < 24; ++k)
        QCOMPARE(b.pieces[k].canMove, 0);
    for (int k = 0; k < 12; ++k)
        QCOMPARE(b.pieces[k].canMove, 0);
    QCOMPARE(b.hasNoMoves(), 0);

    // An unknown variant gives nobody a move.
    b.setVariant(7);
    b.generateMoves();
    QCOMPARE(b.hasNoMoves(), 1);
}

// Each case: a position, the side and variant, and the expected targets of
// the local piece on one square; capture tells whether they are captures.
void TestMoveRules::generatedTargets()
{
    struct Case {
        const char* name;
        uint8_t role, variant;
        Diagram rows;
        int square;
        Targets targets;
        bool capture;
    };
    const Case cases[] = {
        {"capture is compulsory: the only target is the landing", ROLE_SERVER, VARIANT_AMERICAN,
         {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-", "-.-b-.-.", ".-w-.-w-", "-.-.-.-.", ".-.-.-.-"},
         42, {28}, true},
        {"a piece without capture keeps its steps but is not selectable", ROLE_SERVER, VARIANT_AMERICAN,
         {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-", "-.-b-.-.", ".-w-.-w-", "-.-.-.-.", ".-.-.-.-"},
         46, {39, 37}, false},
        {"american man does not capture backwards", ROLE_SERVER, VARIANT_AMERICAN,
         {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-w-.-.-", "-.-b-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"},
         26, {19, 17}, false},
        {"russian man captures backwards", ROLE_SERVER, VARIANT_RUSSIAN,
         {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-w-.-.-", "-.-b-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"},
         26, {44}, true},
        {"joining side: russian man captures backwards too", ROLE_CLIENT, VARIANT_RUSSIAN,
         {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-w-.-.-", "-.-b-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"},
         26, {44}, true},
        {"american king jumps short in all four directions", ROLE_SERVER, VARIANT_AMERICAN,
         {"-.-.-.-.", ".-.-.-.-", "-.-.-b-.", ".-.-W-.-", "-.-b-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"},
         28, {14, 42}, true},
        {"american king steps one square", ROLE_SERVER, VARIANT_AMERICAN,
         {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-W-.-", "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"},
         28, {21, 19, 35, 37}, false},
        {"flying king: every free square behind the piece", ROLE_SERVER, VARIANT_RUSSIAN,
         {"-.-.-.-.", ".-.-.-w-", "-.-.-.-.", ".-.-.-.-", "-.-b-.-.", ".-.-.-.-", "-.-.-.-.", "W-.-.-.-"},
         56, {28, 21}, true},
        {"flying king: two pieces in a row cannot be taken", ROLE_SERVER, VARIANT_RUSSIAN,
         {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-b-.-", "-.-b-.-.", ".-.-.-.-", "-.-.-.-.", "W-.-.-.-"},
         56, {49, 42}, false},
        {"flying king: an own piece in front blocks the capture", ROLE_SERVER, VARIANT_RUSSIAN,
         {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-", "-.-b-.-.", ".-w-.-.-", "-.-.-.-.", "W-.-.-.-"},
         56, {49}, false},
        {"flying king slides along free diagonals", ROLE_CLIENT, VARIANT_RUSSIAN,
         {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-W-.-", "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"},
         28, {21, 14, 7, 19, 10, 1, 37, 46, 55, 35, 42, 49, 56}, false},
    };
    for (const Case& c : cases) {
        GameBoard b;
        const std::string problem = setUpDiagram(b, c.role, c.variant, c.rows);
        QVERIFY2(problem.empty(), problem.c_str());
        b.generateMoves();
        const int k = b.board[c.square];
        QVERIFY2(k < 24, c.name);
        QVERIFY2(targetsOf(b, k) == c.targets, c.name + describe(b));
        QVERIFY2(b.pieces[k].mustCapture == (c.capture ? 1 : 0), c.name);
        QVERIFY2(b.pieces[k].canMove == (c.targets.empty() ? 0 : 1), c.name);
        // captureRequired reflects the whole board, so it is checked where the
        // case is the only piece or the capturing one.
        if (c.capture)
            QVERIFY2(b.captureRequired == 1, c.name);
    }
}

void TestMoveRules::turnOfTheWorkedExample()
{
    GameBoard b;
    const Diagram rows = {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-",
                          "-.-.-.-.", ".-b-b-.-", "-.-.-.-.", "W-.-.-.-"};
    QVERIFY(setUpDiagram(b, ROLE_SERVER, VARIANT_RUSSIAN, rows).empty());
    b.generateMoves();
    const int king = b.board[56];
    QCOMPARE(targetsOf(b, king), Targets({35, 28, 21, 14, 7}));
    QCOMPARE(b.captureRequired, 1);

    QCOMPARE(b.applyMove(56, 21, 0), 1);
    QCOMPARE(b.viaSquare, uint8_t(0));
    QCOMPARE(b.lastCapturedCol, 2);
    QCOMPARE(b.lastCapturedRow, 5);
    QCOMPARE(b.checkContinuation(king), 1);
    QCOMPARE(landingRun(b), Targets({35, 28, 21, 14, 7}));
    QCOMPARE(targetsOf(b, king), Targets({53, 62}));
    QCOMPARE(b.captureRequired, 1);

    // From 21 the capture of 44 starts at 35: a turning leg.
    QCOMPARE(b.applyMove(21, 53, 0), 1);
    QCOMPARE(b.viaSquare, uint8_t(35));
    QCOMPARE(b.lastDirection, uint8_t(2));
    QCOMPARE(b.lastCapturedCol, 4);
    QCOMPARE(b.lastCapturedRow, 5);
    QCOMPARE(b.checkContinuation(king), 0);
    QCOMPARE(b.captureRequired, 0);
    b.finishLocalMove();
    const Diagram after = {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-",
                           "-.-.-.-.", ".-.-.-.-", "-.-.-W-.", ".-.-.-.-"};
    QCOMPARE(diagramOf(b), rowsOf(after));
    QCOMPARE(int(b.pieces[king].square), 53);
}

void TestMoveRules::landingRunEndsAtPieces()
{
    struct Case {
        const char* name;
        Diagram rows;
        int result;
        Targets targets;
        Targets run;
    };
    // The king on 56 takes the man on 42 and stops on 35; the rest of the line
    // (28, 21, 14, 7) decides what may follow.
    const Case cases[] = {
        {"an own piece beyond the king ends the run",
         {"-.-.-.-.", ".-.-.-b-", "-.-.-w-.", ".-.-.-.-", "-.-.-.-.", ".-b-.-.-", "-.-.-.-.", "W-.-.-.-"},
         0, {}, {35, 28}},
        {"two pieces in a row beyond the king give nothing",
         {"-.-.-.-.", ".-.-.-b-", "-.-.-b-.", ".-.-.-.-", "-.-.-.-.", ".-b-.-.-", "-.-.-.-.", "W-.-.-.-"},
         0, {}, {35, 28}},
        {"a free square between two pieces is the only target",
         {"-.-.-.-b", ".-.-.-.-", "-.-.-b-.", ".-.-.-.-", "-.-.-.-.", ".-b-.-.-", "-.-.-.-.", "W-.-.-.-"},
         1, {14}, {35, 28}},
    };
    for (const Case& c : cases) {
        GameBoard b;
        QVERIFY(setUpDiagram(b, ROLE_SERVER, VARIANT_RUSSIAN, c.rows).empty());
        b.generateMoves();
        const int king = b.board[56];
        QCOMPARE(b.applyMove(56, 35, 0), 1);
        QVERIFY2(b.checkContinuation(king) == c.result, c.name);
        QVERIFY2(targetsOf(b, king) == c.targets, c.name);
        QVERIFY2(landingRun(b) == c.run, c.name);
    }
}

void TestMoveRules::captureLegTakesThePiece()
{
    // American: the taken piece leaves the board at once.
    GameBoard b;
    const Diagram rows = {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-",
                          "-.-b-.-.", ".-w-.-.-", "-.-.-.-.", ".-.-.-.-"};
    QVERIFY(setUpDiagram(b, ROLE_SERVER, VARIANT_AMERICAN, rows).empty());
    b.generateMoves();
    const int taken = b.board[35];
    QCOMPARE(b.applyMove(42, 28, 0), 1);
    QCOMPARE(b.pieces[taken].captured, 1);
    QCOMPARE(b.board[35], EMPTY_SQUARE);
    QCOMPARE(b.board[42], EMPTY_SQUARE);
    QCOMPARE(b.lastCapturedCol, 3);
    QCOMPARE(b.lastCapturedRow, 4);
    QCOMPARE(b.lastDirection, uint8_t(0));
    QCOMPARE(b.checkContinuation(b.board[28]), 0);

    // Russian, local leg: taken but still standing until the move is over.
    GameBoard r;
    QVERIFY(setUpDiagram(r, ROLE_SERVER, VARIANT_RUSSIAN, rows).empty());
    r.generateMoves();
    QCOMPARE(r.applyMove(42, 28, 0), 1);
    QCOMPARE(r.pieces[taken].captured, 1);
    QCOMPARE(int(r.board[35]), taken);
    QCOMPARE(r.probeSquare(3, 4, r.localMover()), 0);
    QCOMPARE(r.checkContinuation(r.board[28]), 0);
    r.finishLocalMove();
    QCOMPARE(r.board[35], EMPTY_SQUARE);
    r.generateMoves();
    QCOMPARE(r.hasNoMoves(), 0);
}

void TestMoveRules::crowningDuringCapture()
{
    const Diagram rows = {"-.-.-.-.", ".-.-b-.-", "-b-.-w-.", ".-.-.-.-",
                          "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"};
    for (uint8_t variant : {VARIANT_RUSSIAN, VARIANT_AMERICAN}) {
        GameBoard b;
        QVERIFY(setUpDiagram(b, ROLE_SERVER, variant, rows).empty());
        b.generateMoves();
        const int man = b.board[21];
        QCOMPARE(targetsOf(b, man), Targets({3}));
        QCOMPARE(b.applyMove(21, 3, 0), 1);
        QCOMPARE(b.promotedThisMove, 1);
        QCOMPARE(int(b.pieces[man].kind), 2);
        if (variant == VARIANT_RUSSIAN) {
            // The new king must go on, flying over the man on 17.
            QCOMPARE(b.checkContinuation(man), 1);
            QCOMPARE(targetsOf(b, man), Targets({24}));
            QCOMPARE(b.applyMove(3, 24, 0), 1);
            QCOMPARE(b.promotedThisMove, 0);
            QCOMPARE(b.checkContinuation(man), 0);
        } else {
            QCOMPARE(b.checkContinuation(man), 0);
        }
    }

    // The joining side crowns its men on row 0 as well, as kind 3.
    GameBoard j;
    QVERIFY(setUpDiagram(j, ROLE_CLIENT, VARIANT_AMERICAN, rows).empty());
    j.generateMoves();
    QCOMPARE(j.applyMove(21, 3, 0), 1);
    QCOMPARE(int(j.pieces[j.board[3]].kind), 3);
    QCOMPARE(j.promotedThisMove, 1);
}

void TestMoveRules::takenPieceBlocksCrownedMan()
{
    // The man on 19 takes 10 and is crowned on 1. Back along that line stand
    // the man just taken and, behind the square the man came from, another
    // one with free squares behind it: that one cannot be reached.
    const Diagram rows = {"-.-.-.-.", ".-b-.-.-", "-.-w-.-.", ".-.-b-.-",
                          "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"};
    GameBoard b;
    QVERIFY(setUpDiagram(b, ROLE_SERVER, VARIANT_RUSSIAN, rows).empty());
    b.generateMoves();
    const int man = b.board[19];
    const int taken = b.board[10];
    // Backwards over 28 would be allowed too; forwards it is crowned.
    QCOMPARE(targetsOf(b, man), Targets({1, 37}));
    QCOMPARE(b.applyMove(19, 1, 0), 1);
    QCOMPARE(b.promotedThisMove, 1);
    QCOMPARE(b.checkContinuation(man), 0);
    QCOMPARE(int(b.pieces[man].targetCount), 0);

    // Were the taken man gone already, the new king would be forced to fly
    // back over its square: that is exactly what must not happen.
    GameBoard removed = b;
    removed.removePiece(10);
    QCOMPARE(removed.checkContinuation(man), 1);
    QCOMPARE(targetsOf(removed, man), Targets({37, 46, 55}));

    b.finishLocalMove();
    QCOMPARE(b.board[10], EMPTY_SQUARE);
    QCOMPARE(b.pieces[taken].captured, 1);
    const Diagram after = {"-W-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-b-.-",
                           "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"};
    QCOMPARE(diagramOf(b), rowsOf(after));
}

void TestMoveRules::takenPiecesBlockFlyingKing()
{
    // The king on 8 goes round: over 35, over 46, over 30. From its landing
    // on 21 the line back towards 42 crosses 35, taken in the first leg, so
    // the move ends there and 42 stays on the board.
    const Diagram rows = {"-.-.-.-.", "W-.-.-.-", "-.-.-.-.", ".-.-.-b-",
                          "-.-b-.-.", ".-b-.-b-", "-.-.-.-.", ".-.-.-.-"};
    GameBoard b;
    QVERIFY(setUpDiagram(b, ROLE_CLIENT, VARIANT_RUSSIAN, rows).empty());
    b.generateMoves();
    const int king = b.board[8];
    QCOMPARE(targetsOf(b, king), Targets({44, 53, 62}));
    QCOMPARE(b.applyMove(8, 53, 0), 1);
    QCOMPARE(b.checkContinuation(king), 1);
    QCOMPARE(targetsOf(b, king), Targets({23, 39}));
    QCOMPARE(b.applyMove(53, 39, 0), 1);
    QCOMPARE(b.checkContinuation(king), 1);
    QCOMPARE(targetsOf(b, king), Targets({21, 12, 3}));
    QCOMPARE(b.applyMove(39, 21, 0), 1);
    QCOMPARE(b.checkContinuation(king), 0);
    const Diagram standing = {"-.-.-.-.", ".-.-.-.-", "-.-.-W-.", ".-.-.-x-",
                              "-.-x-.-.", ".-b-.-x-", "-.-.-.-.", ".-.-.-.-"};
    QCOMPARE(diagramOf(b), rowsOf(standing));

    GameBoard removed = b;
    removed.removePiece(35);
    QCOMPARE(removed.checkContinuation(king), 1);
    QCOMPARE(targetsOf(removed, king), Targets({49, 56}));

    b.finishLocalMove();
    const Diagram after = {"-.-.-.-.", ".-.-.-.-", "-.-.-W-.", ".-.-.-.-",
                           "-.-.-.-.", ".-b-.-.-", "-.-.-.-.", ".-.-.-.-"};
    QCOMPARE(diagramOf(b), rowsOf(after));
    int taken = 0;
    for (const PieceRecord& p : b.pieces)
        taken += p.captured;
    QCOMPARE(taken, 24 - 2);
}

void TestMoveRules::noMovesLeft()
{
    GameBoard none;
    const Diagram onlyTheirs = {"-.-.-.-.", ".-.-.-.-", "-.-b-.-.", ".-.-.-.-",
                                "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"};
    QVERIFY(setUpDiagram(none, ROLE_SERVER, VARIANT_RUSSIAN, onlyTheirs).empty());
    none.generateMoves();
    QCOMPARE(none.hasNoMoves(), 1);

    // Both local men stand with opponent pieces in front and no room behind.
    GameBoard blocked;
    const Diagram rows = {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-",
                          "-.-.-.-.", "b-b-b-.-", "-b-b-.-.", "w-w-.-.-"};
    for (uint8_t variant : {VARIANT_AMERICAN, VARIANT_RUSSIAN}) {
        QVERIFY(setUpDiagram(blocked, ROLE_CLIENT, variant, rows).empty());
        blocked.generateMoves();
        QCOMPARE(blocked.hasNoMoves(), 1);
        // Free one landing square and the man on 58 must capture.
        blocked.removePiece(40);
        blocked.generateMoves();
        QCOMPARE(blocked.hasNoMoves(), 0);
        QCOMPARE(targetsOf(blocked, blocked.board[58]), Targets({40}));
    }

    GameBoard empty;
    QVERIFY(setUpDiagram(empty, ROLE_SERVER, VARIANT_AMERICAN, kEmpty).empty());
    empty.generateMoves();
    QCOMPARE(empty.hasNoMoves(), 1);
}

QTEST_APPLESS_MAIN(TestMoveRules)
#include "test_move_rules.moc"
