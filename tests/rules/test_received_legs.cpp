// Legs from the peer: legal ones are replayed exactly, taking pieces at each
// leg; anything a legal game cannot produce is refused with the board left
// exactly as it was.
#include <QtTest>

#include <algorithm>

#include "BoardDiagram.h"
#include "GameBoard.h"

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
// 35 and 37, and 10 is free behind 17.
const Diagram kMiddleGame = {"-B-.-.-.", ".-.-.-.-", "-b-b-.-.", ".-w-.-.-",
                             "-.-w-w-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"};

} // namespace

class TestReceivedLegs : public QObject {
    Q_OBJECT
private slots:
    void impossibleLegsAreRefused();
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
    };
    for (const Case& c : cases) {
        GameBoard b;
        QVERIFY(setUpDiagram(b, ROLE_SERVER, VARIANT_RUSSIAN, kMiddleGame).empty());
        b.generateMoves();
        b.landingCandidates[3] = 24; // stale candidates from an earlier move
        const GameBoard before = b;
        QVERIFY2(!b.applyReceivedLeg(static_cast<uint8_t>(c.from), static_cast<uint8_t>(c.to),
                                     static_cast<uint8_t>(c.via)),
                 c.name);
        QVERIFY2(sameRulesState(before, b), c.name);
    }

    // A board that never saw a set-up holds no piece that could move.
    GameBoard fresh;
    const GameBoard untouched = fresh;
    QVERIFY(!fresh.applyReceivedLeg(17, 26, 63));
    QVERIFY(sameRulesState(untouched, fresh));
}

void TestReceivedLegs::legalLegsAreApplied()
{
    GameBoard b;
    QVERIFY(setUpDiagram(b, ROLE_SERVER, VARIANT_RUSSIAN, kMiddleGame).empty());
    const int mover = b.board[19];
    // A simple step of an opponent man towards our side.
    QVERIFY(b.applyReceivedLeg(19, 28, 63));
    QCOMPARE(b.board[19], EMPTY_SQUARE);
    QCOMPARE(int(b.board[28]), mover);
    QCOMPARE(int(b.pieces[mover].square), 28);

    // A capture by the peer takes our man at once, even in the Russian game:
    // the peer keeps taken pieces standing on its own board only.
    const int victim = b.board[35];
    QVERIFY(b.applyReceivedLeg(28, 42, 63));
    QCOMPARE(b.pieces[victim].captured, 1);
    QCOMPARE(b.board[35], EMPTY_SQUARE);
    QCOMPARE(b.lastCapturedCol, 3);
    QCOMPARE(b.lastCapturedRow, 4);

    // On our bottom row the opponent's man is crowned; that is not a local
    // crowning.
    QVERIFY(b.applyReceivedLeg(42, 49, 63));
    QVERIFY(b.applyReceivedLeg(49, 56, 63));
    QCOMPARE(int(b.pieces[mover].kind), 3);
    QCOMPARE(b.promotedThisMove, 0);
    const Diagram after = {"-B-.-.-.", ".-.-.-.-", "-b-.-.-.", ".-w-.-.-",
                           "-.-.-w-.", ".-.-.-.-", "-.-.-.-.", "B-.-.-.-"};
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

    QVERIFY(j.applyReceivedLeg(7, 42, 63));
    QCOMPARE(j.pieces[first].captured, 1);
    QCOMPARE(j.board[21], EMPTY_SQUARE);
    QCOMPARE(j.viaSquare, uint8_t(0));

    QVERIFY(j.applyReceivedLeg(42, 10, 28));
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
                                        static_cast<uint8_t>(63 - host.viaSquare)));
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
    // One opponent piece on 19 (c3 r2), one of ours on 10 (c2 r1) behind it.
    const Diagram man = {"-.-.-.-.", ".-w-.-.-", "-.-b-.-.", ".-.-.-.-",
                         "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"};
    const Diagram king = {"-.-.-.-.", ".-w-.-.-", "-.-B-.-.", ".-.-.-.-",
                          "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"};
    struct Case {
        const char* name;
        const Diagram* rows;
        uint8_t variant;
        int from, to;
        bool legal;
    };
    const Case cases[] = {
        {"a man steps forward", &man, VARIANT_RUSSIAN, 19, 28, true},
        {"a man slides two squares", &man, VARIANT_RUSSIAN, 19, 37, false},
        {"a man steps backwards", &man, VARIANT_RUSSIAN, 19, 12, false},
        {"a Russian man captures backwards", &man, VARIANT_RUSSIAN, 19, 1, true},
        {"an American man captures backwards", &man, VARIANT_AMERICAN, 19, 1, false},
        {"an American king slides two squares", &king, VARIANT_AMERICAN, 19, 37, false},
        {"an American king captures backwards", &king, VARIANT_AMERICAN, 19, 1, true},
        {"a Russian king slides far", &king, VARIANT_RUSSIAN, 19, 55, true},
    };
    for (const Case& c : cases) {
        GameBoard b;
        QVERIFY(setUpDiagram(b, ROLE_SERVER, c.variant, *c.rows).empty());
        const GameBoard before = b;
        const bool applied = b.applyReceivedLeg(static_cast<uint8_t>(c.from), static_cast<uint8_t>(c.to), 63);
        QVERIFY2(applied == c.legal, c.name);
        if (!c.legal)
            QVERIFY2(sameRulesState(before, b), c.name);
        else
            QVERIFY2(b.board[c.to] == before.board[c.from], c.name);
    }
}
