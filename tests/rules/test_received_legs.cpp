// SPDX-License-Identifier: GPL-3.0-or-later
// Legs from the peer: the legs of the opponent's legal moves are replayed
// exactly, taking pieces at each leg; anything else (out of turn, not a legal
// move now, a move ended too early or too late, a wrong turning square) is
// refused with the board left exactly as it was.
#include <QtTest>

#include <algorithm>

#include "rules/GameBoard.h"
#include "tests/support/BoardDiagram.h"

using namespace sorvada;

namespace {

// The same position seen from the other side of the board.
std::vector<std::string> mirrored(const std::vector<std::string>& rows)
{
    std::vector<std::string> out(rows.rbegin(), rows.rend());
    for (std::string& row : out) {
        std::reverse(row.begin(), row.end());
        for (char& ch : row) {
            if (ch == 'w' || ch == 'W')
                ch = static_cast<char>(ch == 'w' ? 'b' : 'B');
            else if (ch == 'b' || ch == 'B')
                ch = static_cast<char>(ch == 'b' ? 'w' : 'W');
        }
    }
    return out;
}

struct Rows {
    std::vector<std::string> text;
    Diagram diagram() const
    {
        Diagram d;
        for (int i = 0; i < 8; ++i)
            d[i] = text[i].c_str();
        return d;
    }
};

// Opponent (top) pieces: men on 17 and 19 and a king on 1; local men on 26,
// 35 and 37, and 10 is free behind 17. The opponent's only move is 19x33.
const Diagram kMiddleGame = {"-B-.-.-.", ".-.-.-.-", "-b-b-.-.", ".-w-.-.-",
                             "-.-w-w-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"};

} // namespace

class TestReceivedLegs : public QObject {
    Q_OBJECT
private slots:
    void impossibleLegsAreRefused();
    void notTheOpponentsMoveIsRefused();
    void legalLegsAreApplied();
    void turningLegFollowsTheSentSquare();
    void bothBoardsAgreeAfterAMultipleCapture();
    void onlyARussianKingFlies();
};

void TestReceivedLegs::impossibleLegsAreRefused()
{
    struct Case {
        const char* name;
        int from, to, via;
    };
    const Case cases[] = {
        {"from square off the board", 64, 28, 63},
        {"to square off the board", 17, 200, 63},
        {"turning square off the board", 17, 24, 64},
        {"from an empty dark square", 21, 28, 63},
        {"from a light square", 0, 9, 63},
        {"moving one of our own pieces", 26, 33, 63},
        {"onto an occupied square", 19, 26, 63},
        {"onto a light square", 17, 25, 63},
        {"neither diagonal nor explained by a turn", 17, 40, 63},
        {"turning square not on a diagonal with the from square", 17, 42, 51},
        {"slide to the turning square blocked", 1, 33, 19},
        {"jumping two pieces in one leg", 17, 44, 63},
        {"jumping a piece of its own side", 1, 28, 63},
        {"a step while a capture is compulsory", 17, 24, 63},
        {"the king slides while a capture is compulsory", 1, 8, 63},
    };
    for (const Case& c : cases) {
        GameBoard b;
        QVERIFY(setUpDiagram(b, ROLE_SERVER, VARIANT_RUSSIAN, kMiddleGame).empty());
        b.generateMoves();
        b.landingCandidates[3] = 24; // stale candidates from an earlier move
        const GameBoard before = b;
        QVERIFY2(!b.applyReceivedLeg(static_cast<uint8_t>(c.from), static_cast<uint8_t>(c.to),
                                     static_cast<uint8_t>(c.via), true),
                 c.name);
        QVERIFY2(sameRulesState(before, b), c.name);
    }

    // A board that never saw a set-up holds no piece that could move.
    GameBoard fresh;
    const GameBoard untouched = fresh;
    QVERIFY(!fresh.applyReceivedLeg(17, 26, 63, true));
    QVERIFY(sameRulesState(untouched, fresh));
}

void TestReceivedLegs::notTheOpponentsMoveIsRefused()
{
    // Out of turn: the host's king on 56 is half-way through 56x21 (42 still
    // stands, taken); the opponent may not move in between.
    {
        GameBoard b;
        const Diagram rows = {"-.-.-.-.", ".-b-.-.-", "-.-.-.-.", "B-.-.-.-",
                              "-.-.-.-.", ".-b-b-.-", "-.-.-.-.", "W-.-.-.-"};
        QVERIFY(setUpDiagram(b, ROLE_SERVER, VARIANT_RUSSIAN, rows).empty());
        b.generateMoves();
        b.setMyTurn(1);
        QCOMPARE(b.handleClick(pixelX(b, 56), pixelY(b, 56)), 1);
        QCOMPARE(b.handleClick(pixelX(b, 21), pixelY(b, 21)), 1);
        QCOMPARE(b.isMyTurn(), 1);
        const GameBoard before = b;
        QVERIFY(!b.applyReceivedLeg(10, 17, 63, false));
        QVERIFY(!b.applyReceivedLeg(10, 17, 63, true));
        QVERIFY(sameRulesState(before, b));
        QCOMPARE(b.pieces[b.board[42]].captured, 1);
    }

    // Legs that are no move of the opponent's at all.
    struct Leg {
        int from, to, via;
        bool last;
    };
    struct Case {
        const char* name;
        Diagram rows;
        std::vector<Leg> legs; // all but the last must be taken
    };
    const Diagram lonelyKing = {"-.-.-.-B", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-",
                                "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-w-"};
    const Diagram twoCaptures = {"-.-.-.-.", ".-b-.-b-", "-.-w-.-w", ".-.-.-.-",
                                 "-.-.-w-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"};
    const Case cases[] = {
        {"a turning leg that takes nothing", lonelyKing, {{7, 3, 21, true}}},
        {"a capture step that takes nothing", lonelyKing, {{7, 21, 63, false}}},
        {"a capture step after which nothing is left to take", kMiddleGame, {{19, 33, 63, false}}},
        {"a move that ends while a capture is left", twoCaptures, {{10, 28, 63, true}}},
        {"the second leg by another piece", twoCaptures, {{10, 28, 63, false}, {14, 21, 63, true}}},
        {"the second leg a step", twoCaptures, {{10, 28, 63, false}, {28, 35, 63, true}}},
    };
    for (const Case& c : cases) {
        GameBoard b;
        QVERIFY(setUpDiagram(b, ROLE_SERVER, VARIANT_RUSSIAN, c.rows).empty());
        b.generateMoves();
        for (size_t i = 0; i + 1 < c.legs.size(); ++i) {
            const Leg& l = c.legs[i];
            QVERIFY2(b.applyReceivedLeg(uint8_t(l.from), uint8_t(l.to), uint8_t(l.via), l.last), c.name);
        }
        const GameBoard before = b;
        const Leg& l = c.legs.back();
        QVERIFY2(!b.applyReceivedLeg(uint8_t(l.from), uint8_t(l.to), uint8_t(l.via), l.last), c.name);
        QVERIFY2(sameRulesState(before, b), c.name);
    }
}

void TestReceivedLegs::legalLegsAreApplied()
{
    GameBoard b;
    QVERIFY(setUpDiagram(b, ROLE_SERVER, VARIANT_RUSSIAN, kMiddleGame).empty());
    const int mover = b.board[19];
    // A capture by the peer takes our man at once, even in the Russian game:
    // the peer keeps taken pieces standing on its own board only.
    const int victim = b.board[26];
    QVERIFY(b.applyReceivedLeg(19, 33, 63, true));
    QCOMPARE(b.board[19], EMPTY_SQUARE);
    QCOMPARE(int(b.board[33]), mover);
    QCOMPARE(int(b.pieces[mover].square), 33);
    QCOMPARE(b.pieces[victim].captured, 1);
    QCOMPARE(b.board[26], EMPTY_SQUARE);
    QCOMPARE(b.lastCapturedCol, 2);
    QCOMPARE(b.lastCapturedRow, 3);

    // A simple step towards our side, and on our bottom row the opponent's
    // man is crowned; that is not a local crowning.
    const Diagram nearTheEdge = {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-",
                                 "-.-.-.-.", ".-.-.-.-", "-b-.-.-.", ".-.-.-w-"};
    QVERIFY(setUpDiagram(b, ROLE_SERVER, VARIANT_RUSSIAN, nearTheEdge).empty());
    const int man = b.board[49];
    QVERIFY(b.applyReceivedLeg(49, 56, 63, true));
    QCOMPARE(int(b.pieces[man].kind), 3);
    QCOMPARE(b.promotedThisMove, 0);
    const Diagram after = {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-",
                           "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", "B-.-.-w-"};
    QCOMPARE(diagramOf(b), rowsOf(after));
}

void TestReceivedLegs::turningLegFollowsTheSentSquare()
{
    // The joining side receives the host's king capture 56x21, 21x53 (turning
    // at 35) as 7x42 and 42x10 turning at 28.
    GameBoard j;
    const Diagram rows = {"-.-.-.-B", ".-.-.-.-", "-.-w-w-.", ".-.-.-.-",
                          "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"};
    QVERIFY(setUpDiagram(j, ROLE_CLIENT, VARIANT_RUSSIAN, rows).empty());
    const int king = j.board[7];
    const int first = j.board[21];
    const int second = j.board[19];
    // Whatever the joining side's own last capture left in the list must
    // not matter: the square sent with the leg comes first.
    for (int i = 0; i < 30; ++i)
        j.landingCandidates[i] = static_cast<uint8_t>(i < 5 ? 49 - 7 * i : 0);

    QVERIFY(j.applyReceivedLeg(7, 42, 63, false));
    QCOMPARE(j.pieces[first].captured, 1);
    QCOMPARE(j.board[21], EMPTY_SQUARE);
    QCOMPARE(j.viaSquare, uint8_t(0));

    // The turning square must be the one the rules find: neither a stale
    // candidate (49) nor the straight legs' marker stands in for it.
    const GameBoard before = j;
    for (uint8_t wrong : {uint8_t(49), uint8_t(63), uint8_t(35)}) {
        QVERIFY(!j.applyReceivedLeg(42, 10, wrong, true));
        QVERIFY(sameRulesState(before, j));
    }
    QVERIFY(j.applyReceivedLeg(42, 10, 28, true));
    QCOMPARE(j.viaSquare, uint8_t(28));
    QCOMPARE(j.pieces[second].captured, 1);
    QCOMPARE(j.board[19], EMPTY_SQUARE);
    QCOMPARE(int(j.board[10]), king);
    QCOMPARE(int(j.pieces[king].square), 10);
    QCOMPARE(j.lastDirection, uint8_t(1));
    const Diagram after = {"-.-.-.-.", ".-B-.-.-", "-.-.-.-.", ".-.-.-.-",
                           "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"};
    QCOMPARE(diagramOf(j), rowsOf(after));
}

void TestReceivedLegs::bothBoardsAgreeAfterAMultipleCapture()
{
    // The host's king goes round three pieces (they stay standing on the
    // host's board until the move ends); the joining side removes each at
    // its leg. Both end with the same position.
    const Diagram hostRows = {"-.-.-.-.", "W-.-.-.-", "-.-.-.-.", ".-.-.-b-",
                              "-.-b-.-.", ".-b-.-b-", "-.-.-.-.", ".-.-.-.-"};
    const Rows joinerRows{mirrored(rowsOf(hostRows))};
    GameBoard host, joiner;
    QVERIFY(setUpDiagram(host, ROLE_SERVER, VARIANT_RUSSIAN, hostRows).empty());
    QVERIFY(setUpDiagram(joiner, ROLE_CLIENT, VARIANT_RUSSIAN, joinerRows.diagram()).empty());
    host.generateMoves();
    const int king = host.board[8];

    struct Leg {
        uint8_t from, to;
    };
    const Leg legs[] = {{8, 44}, {44, 39}, {39, 21}};
    for (size_t i = 0; i < std::size(legs); ++i) {
        QCOMPARE(host.applyMove(legs[i].from, legs[i].to, 0), 1);
        // The second leg turns: from 44 the king slides to 53, then takes 46.
        QCOMPARE(int(host.viaSquare), i == 1 ? 53 : 0);
        const int more = host.checkContinuation(king);
        QCOMPARE(more, i + 1 < std::size(legs) ? 1 : 0);
        QVERIFY(joiner.applyReceivedLeg(static_cast<uint8_t>(63 - legs[i].from),
                                        static_cast<uint8_t>(63 - legs[i].to),
                                        static_cast<uint8_t>(63 - host.viaSquare), more == 0));
    }
    host.finishLocalMove();
    QCOMPARE(diagramOf(joiner), mirrored(diagramOf(host)));
    const Diagram after = {"-.-.-.-.", ".-.-.-.-", "-.-.-W-.", ".-.-.-.-",
                           "-.-.-.-.", ".-b-.-.-", "-.-.-.-.", ".-.-.-.-"};
    QCOMPARE(diagramOf(host), rowsOf(after));
}

QTEST_APPLESS_MAIN(TestReceivedLegs)
#include "test_received_legs.moc"

void TestReceivedLegs::onlyARussianKingFlies()
{
    // One opponent piece on 19 (c3 r2); one of ours either on 10 (c2 r1)
    // behind it, where a backward capture can take it, or out of reach on 62.
    const Diagram manNear = {"-.-.-.-.", ".-w-.-.-", "-.-b-.-.", ".-.-.-.-",
                             "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"};
    const Diagram manFar = {"-.-.-.-.", ".-.-.-.-", "-.-b-.-.", ".-.-.-.-",
                            "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-w-"};
    const Diagram kingNear = {"-.-.-.-.", ".-w-.-.-", "-.-B-.-.", ".-.-.-.-",
                              "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"};
    const Diagram kingFar = {"-.-.-.-.", ".-.-.-.-", "-.-B-.-.", ".-.-.-.-",
                             "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-w-"};
    struct Case {
        const char* name;
        const Diagram* rows;
        uint8_t variant;
        int from, to;
        bool legal;
    };
    const Case cases[] = {
        {"a man steps forward", &manFar, VARIANT_RUSSIAN, 19, 28, true},
        {"a man slides two squares", &manFar, VARIANT_RUSSIAN, 19, 37, false},
        {"a man steps backwards", &manFar, VARIANT_RUSSIAN, 19, 12, false},
        {"a Russian man captures backwards", &manNear, VARIANT_RUSSIAN, 19, 1, true},
        {"a Russian man steps past a backward capture", &manNear, VARIANT_RUSSIAN, 19, 28, false},
        {"an American man captures backwards", &manNear, VARIANT_AMERICAN, 19, 1, false},
        {"an American man steps with ours behind it", &manNear, VARIANT_AMERICAN, 19, 28, true},
        {"an American king slides two squares", &kingFar, VARIANT_AMERICAN, 19, 37, false},
        {"an American king captures backwards", &kingNear, VARIANT_AMERICAN, 19, 1, true},
        {"a Russian king slides far", &kingFar, VARIANT_RUSSIAN, 19, 55, true},
    };
    for (const Case& c : cases) {
        GameBoard b;
        QVERIFY(setUpDiagram(b, ROLE_SERVER, c.variant, *c.rows).empty());
        const GameBoard before = b;
        const bool applied =
            b.applyReceivedLeg(static_cast<uint8_t>(c.from), static_cast<uint8_t>(c.to), 63, true);
        QVERIFY2(applied == c.legal, c.name);
        if (!c.legal)
            QVERIFY2(sameRulesState(before, b), c.name);
        else
            QVERIFY2(b.board[c.to] == before.board[c.from], c.name);
    }
}
