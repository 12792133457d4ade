// SPDX-License-Identifier: GPL-3.0-or-later
// Clicks turned into selections and legs, and the legs reported for sending.
#include <QtTest>

#include <tuple>

#include "rules/GameBoard.h"
#include "tests/support/BoardDiagram.h"

using namespace sorvada;

namespace {

using Sent = std::tuple<int, int, int, int>; // kind, from, to, via as the opponent reads them

// Records each leg as it reaches the opponent: the squares mirrored (63 - square).
class RecordingSink : public LegSink {
public:
    void legEntered(uint8_t kind, uint8_t from, uint8_t to, uint8_t via) override
    {
        legs.emplace_back(kind, 63 - from, 63 - to, 63 - via);
    }
    std::vector<Sent> legs;
};

int click(GameBoard& b, int square)
{
    return b.handleClick(pixelX(b, square), pixelY(b, square));
}

} // namespace

class TestMoveEntry : public QObject {
    Q_OBJECT
private slots:
    void ignoredClicks();
    void simpleMoveIsSentMirrored();
    void compulsoryCaptureLimitsSelection();
    void doubleCaptureIsSentLegByLeg();
    void turningLegSendsItsTurningSquare();
    void americanManCrownedByCaptureEndsTheMove();
    void legsApplyWithoutSink();
};

void TestMoveEntry::ignoredClicks()
{
    GameBoard b;
    RecordingSink sink;
    b.setLegSink(&sink);
    b.setRole(ROLE_SERVER);
    b.setVariant(VARIANT_AMERICAN);
    b.setUpPosition(125, 25);
    b.generateMoves();

    QCOMPARE(click(b, 42), 0); // not our turn yet
    b.setMyTurn(1);
    const GameBoard start = b;
    QCOMPARE(b.handleClick(10, 10), 0);
    QCOMPARE(click(b, 17), 0); // opponent piece
    QCOMPARE(click(b, 33), 0); // empty square
    QCOMPARE(click(b, 32), 0); // light square
    QCOMPARE(click(b, 58), 0); // own piece without a move
    QVERIFY(sameRulesState(start, b));

    QCOMPARE(click(b, 42), 1);
    QCOMPARE(int(b.selectedSquare), 42);
    QVERIFY(b.hasSelection());
    QCOMPARE(b.isTargetOfSelected(35), 1);
    QCOMPARE(b.isTargetOfSelected(33), 1);
    QCOMPARE(b.isTargetOfSelected(37), 0);
    QCOMPARE(click(b, 37), 0); // not a target of the picked piece
    QCOMPARE(click(b, 44), 0); // another own piece does not change the pick
    QCOMPARE(int(b.selectedSquare), 42);
    QCOMPARE(click(b, 42), 1); // clicking it again drops it
    QVERIFY(!b.hasSelection());
    QVERIFY(sameRulesState(start, b));
    QVERIFY(sink.legs.empty());
}

void TestMoveEntry::simpleMoveIsSentMirrored()
{
    GameBoard host, joiner;
    RecordingSink sink;
    host.setLegSink(&sink);
    host.setRole(ROLE_SERVER);
    joiner.setRole(ROLE_CLIENT);
    for (GameBoard* b : {&host, &joiner}) {
        b->setVariant(VARIANT_RUSSIAN);
        b->setUpPosition(125, 25);
        b->generateMoves();
    }
    host.setMyTurn(1);
    QCOMPARE(click(host, 42), 1);
    QCOMPARE(click(host, 35), 1);
    QCOMPARE(sink.legs, std::vector<Sent>({Sent{LEG_FINAL, 21, 28, 63}}));
    QCOMPARE(host.isMyTurn(), 0);
    QVERIFY(!host.hasSelection());
    QCOMPARE(host.board[42], EMPTY_SQUARE);
    QCOMPARE(int(host.board[35]), 13);
    QCOMPARE(click(host, 44), 0); // the turn has passed

    const auto& [kind, from, to, via] = sink.legs[0];
    QVERIFY(joiner.applyReceivedLeg(uint8_t(from), uint8_t(to), uint8_t(via), kind == LEG_FINAL));
    QCOMPARE(joiner.board[21], EMPTY_SQUARE);
    QCOMPARE(int(joiner.board[28]), 10);
}

void TestMoveEntry::compulsoryCaptureLimitsSelection()
{
    GameBoard b;
    const Diagram rows = {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-",
                          "-.-b-.-.", ".-w-.-w-", "-.-.-.-.", ".-.-.-.-"};
    QVERIFY(setUpDiagram(b, ROLE_SERVER, VARIANT_AMERICAN, rows).empty());
    b.generateMoves();
    b.setMyTurn(1);
    QCOMPARE(b.captureRequired, 1);
    QCOMPARE(click(b, 46), 0);
    QVERIFY(!b.hasSelection());
    QCOMPARE(click(b, 42), 1);
    QCOMPARE(click(b, 33), 0); // a simple step is no target now
    QCOMPARE(click(b, 28), 1);
    QCOMPARE(b.board[35], EMPTY_SQUARE);
    QCOMPARE(b.isMyTurn(), 0);
}

void TestMoveEntry::doubleCaptureIsSentLegByLeg()
{
    GameBoard b;
    RecordingSink sink;
    b.setLegSink(&sink);
    // The joining side's man on 56 takes 49 and then 35.
    const Diagram rows = {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-",
                          "-.-b-.-.", ".-.-.-.-", "-b-.-.-.", "w-.-.-w-"};
    for (uint8_t variant : {VARIANT_AMERICAN, VARIANT_RUSSIAN}) {
        sink.legs.clear();
        QVERIFY(setUpDiagram(b, ROLE_CLIENT, variant, rows).empty());
        b.generateMoves();
        b.setMyTurn(1);
        QCOMPARE(click(b, 56), 1);
        QCOMPARE(click(b, 42), 1);
        QCOMPARE(sink.legs, std::vector<Sent>({Sent{LEG_PARTIAL, 7, 21, 63}}));
        QCOMPARE(b.isMyTurn(), 1);
        QCOMPARE(int(b.selectedSquare), 42);
        QCOMPARE(b.captureRequired, 1);
        QCOMPARE(click(b, 62), 0); // the other man may not move now
        QCOMPARE(click(b, 28), 1);
        QCOMPARE(sink.legs.size(), size_t(2));
        QCOMPARE(sink.legs[1], Sent(LEG_FINAL, 21, 35, 63));
        QCOMPARE(b.isMyTurn(), 0);
        QVERIFY(!b.hasSelection());
        const Diagram after = {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-w-.-",
                               "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-w-"};
        QCOMPARE(diagramOf(b), rowsOf(after));
    }
}

void TestMoveEntry::turningLegSendsItsTurningSquare()
{
    GameBoard b;
    RecordingSink sink;
    b.setLegSink(&sink);
    const Diagram rows = {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-",
                          "-.-.-.-.", ".-b-b-.-", "-.-.-.-.", "W-.-.-.-"};
    QVERIFY(setUpDiagram(b, ROLE_SERVER, VARIANT_RUSSIAN, rows).empty());
    b.generateMoves();
    b.setMyTurn(1);
    QCOMPARE(click(b, 56), 1);
    QCOMPARE(click(b, 21), 1);
    // Taken but standing until the move is over.
    QVERIFY(b.board[42] < 24);
    QCOMPARE(b.pieces[b.board[42]].captured, 1);
    QCOMPARE(click(b, 53), 1);
    QCOMPARE(sink.legs, std::vector<Sent>({Sent{LEG_PARTIAL, 7, 42, 63}, Sent{LEG_FINAL, 42, 10, 28}}));
    QCOMPARE(b.board[42], EMPTY_SQUARE);
    QCOMPARE(b.board[44], EMPTY_SQUARE);
}

void TestMoveEntry::americanManCrownedByCaptureEndsTheMove()
{
    // Crowned on 3, a king could take 17 next; the American move ends.
    const Diagram rows = {"-.-.-.-.", ".-.-b-.-", "-b-.-w-.", ".-.-.-.-",
                          "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"};
    struct Case {
        uint8_t variant;
        std::vector<Sent> sent;
    };
    const Case cases[] = {
        {VARIANT_AMERICAN, {Sent{LEG_FINAL, 42, 60, 63}}},
        {VARIANT_RUSSIAN, {Sent{LEG_PARTIAL, 42, 60, 63}, Sent{LEG_FINAL, 60, 39, 63}}},
    };
    for (const Case& c : cases) {
        GameBoard b;
        RecordingSink sink;
        b.setLegSink(&sink);
        QVERIFY(setUpDiagram(b, ROLE_SERVER, c.variant, rows).empty());
        b.generateMoves();
        b.setMyTurn(1);
        QCOMPARE(click(b, 21), 1);
        QCOMPARE(click(b, 3), 1);
        if (c.variant == VARIANT_RUSSIAN)
            QCOMPARE(click(b, 24), 1);
        QCOMPARE(sink.legs, c.sent);
        QCOMPARE(b.isMyTurn(), 0);
        QCOMPARE(int(b.pieces[b.board[c.variant == VARIANT_RUSSIAN ? 24 : 3]].kind), 2);
    }
}

void TestMoveEntry::legsApplyWithoutSink()
{
    GameBoard b;
    b.setRole(ROLE_CLIENT);
    b.setVariant(VARIANT_AMERICAN);
    b.setUpPosition(125, 25);
    b.generateMoves();
    b.setMyTurn(1);
    QCOMPARE(click(b, 46), 1);
    QCOMPARE(click(b, 39), 1);
    QCOMPARE(b.board[46], EMPTY_SQUARE);
    QCOMPARE(int(b.board[39]), 15);
    QCOMPARE(b.isMyTurn(), 0);
}

QTEST_APPLESS_MAIN(TestMoveEntry)
#include "test_move_entry.moc"
