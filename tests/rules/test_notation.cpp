// SPDX-License-Identifier: GPL-3.0-or-later
// The standard names of squares and moves, and the record both copies keep of a set.
#include <QtTest>

#include "rules/GameBoard.h"
#include "rules/MatchRecord.h"
#include "rules/Notation.h"
#include "tests/support/BoardDiagram.h"

using namespace sorvada;

namespace {

// Hands every leg move entry applies to the record, as the play controller does.
class RecordingSink : public LegSink {
public:
    RecordingSink(GameBoard& board, MatchRecord& record) : board(board), record(record) {}
    void legEntered(uint8_t kind, uint8_t from, uint8_t to, uint8_t via) override
    {
        record.legPlayed(board, from, to, true, kind == LEG_FINAL);
        legs.push_back({kind, from, to, via});
    }
    struct Sent {
        uint8_t kind, from, to, via;
    };
    GameBoard& board;
    MatchRecord& record;
    std::vector<Sent> legs;
};

int click(GameBoard& b, int square)
{
    return b.handleClick(pixelX(b, square), pixelY(b, square));
}

// The opponent's copy: the position turned round, each leg received through the checked
// entry and recorded there.
void receiveAll(GameBoard& receiver, MatchRecord& record, const std::vector<RecordingSink::Sent>& legs)
{
    for (const auto& leg : legs) {
        const uint8_t from = uint8_t(63 - leg.from), to = uint8_t(63 - leg.to), via = uint8_t(63 - leg.via);
        QVERIFY(receiver.applyReceivedLeg(from, to, via, leg.kind == LEG_FINAL));
        record.legPlayed(receiver, from, to, false, leg.kind == LEG_FINAL);
    }
}

Diagram turnedRound(const Diagram& rows, std::vector<std::string>& keep)
{
    keep.assign(8, std::string());
    Diagram out{};
    for (int r = 0; r < 8; ++r) {
        std::string row(rows[7 - r]);
        std::reverse(row.begin(), row.end());
        for (char& ch : row)
            ch = ch == 'w' ? 'b' : ch == 'b' ? 'w' : ch == 'W' ? 'B' : ch == 'B' ? 'W' : ch;
        keep[r] = row;
        out[r] = keep[r].c_str();
    }
    return out;
}

} // namespace

class TestNotation : public QObject {
    Q_OBJECT
private slots:
    void squaresAreNamedFromTheFirstMoversSeat();
    void everyDarkSquareHasOneNameAndBack();
    void movesOfBothCopiesAreRecordedAlikeInStandardNotation();
    void setsEndWithTheResultByColour();
};

void TestNotation::squaresAreNamedFromTheFirstMoversSeat()
{
    struct Case {
        uint8_t variant;
        int column, row;
        const char* name;
    };
    const Case cases[] = {
        {VARIANT_AMERICAN, 6, 7, "1"},  // rightmost dark square of the first mover's back row
        {VARIANT_AMERICAN, 0, 7, "4"},  // its single corner
        {VARIANT_AMERICAN, 7, 6, "5"},
        {VARIANT_AMERICAN, 2, 5, "11"}, // the man of the opening 11-15 ...
        {VARIANT_AMERICAN, 3, 4, "15"}, // ... and where it goes
        {VARIANT_AMERICAN, 1, 0, "32"},
        {VARIANT_RUSSIAN, 0, 7, "a1"},
        {VARIANT_RUSSIAN, 2, 5, "c3"},
        {VARIANT_RUSSIAN, 3, 4, "d4"},
        {VARIANT_RUSSIAN, 7, 0, "h8"},
    };
    for (const Case& c : cases) {
        const uint8_t square = uint8_t(c.column + 8 * c.row);
        QCOMPARE(QString::fromStdString(notationSquareName(c.variant, square)), QString::fromLatin1(c.name));
        QCOMPARE(int(notationSquareFromName(c.variant, c.name)), int(square));
    }
    QVERIFY(notationSquareName(VARIANT_AMERICAN, 0).empty()); // a light square
    for (const char* bad : {"0", "33", "a1", "", "123"})
        QCOMPARE(notationSquareFromName(VARIANT_AMERICAN, bad), NO_SQUARE);
    for (const char* bad : {"a2", "i1", "a9", "11", "a"})
        QCOMPARE(notationSquareFromName(VARIANT_RUSSIAN, bad), NO_SQUARE);
    QCOMPARE(int(notationSquareFromName(VARIANT_RUSSIAN, "C3")), 42);
}

void TestNotation::everyDarkSquareHasOneNameAndBack()
{
    for (uint8_t variant : {VARIANT_AMERICAN, VARIANT_RUSSIAN}) {
        QSet<QString> names;
        for (uint8_t s = 0; s < 64; ++s) {
            const std::string name = notationSquareName(variant, s);
            if (((s & 7) + (s >> 3)) % 2 == 0) {
                QVERIFY(name.empty());
                continue;
            }
            names.insert(QString::fromStdString(name));
            QCOMPARE(int(notationSquareFromName(variant, name)), int(s));
        }
        QCOMPARE(names.size(), 32);
    }
}

// Each position is played by move entry on one copy and received by the other; both
// records name the move the same way, from the seat of whoever opened the set.
void TestNotation::movesOfBothCopiesAreRecordedAlikeInStandardNotation()
{
    struct Case {
        const char* what;
        uint8_t variant;
        uint8_t moverRole;
        bool moverOpened;
        Diagram rows;
        std::vector<int> clicks;
        const char* notation;
    };
    const Diagram doubleCapture = {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-",
                                   "-.-b-.-.", ".-.-.-.-", "-b-.-.-.", "w-.-.-w-"};
    const Diagram turningKing = {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-",
                                 "-.-.-.-.", ".-b-b-.-", "-.-.-.-.", "W-.-.-.-"};
    const Diagram crowning = {"-.-.-.-.", ".-.-b-.-", "-b-.-w-.", ".-.-.-.-",
                              "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-"};
    const Case cases[] = {
        {"a double capture in a set the joiner opened", VARIANT_AMERICAN, ROLE_CLIENT, true, doubleCapture,
         {56, 42, 28}, "4x11x18"},
        {"the same capture by the host, second to move", VARIANT_AMERICAN, ROLE_SERVER, false, doubleCapture,
         {56, 42, 28}, "29x22x15"},
        {"a Russian double capture", VARIANT_RUSSIAN, ROLE_CLIENT, true, doubleCapture, {56, 42, 28}, "a1xc3xe5"},
        {"a Russian king lands where it turned", VARIANT_RUSSIAN, ROLE_SERVER, true, turningKing, {56, 21, 53},
         "a1xd4xf2"},
        {"an American man crowned by a capture stops", VARIANT_AMERICAN, ROLE_SERVER, true, crowning, {21, 3},
         "22x31"},
        {"a Russian man crowned goes on as a king", VARIANT_RUSSIAN, ROLE_SERVER, true, crowning, {21, 3, 24},
         "f6xd8xa5"},
    };
    for (const Case& c : cases) {
        GameBoard mover, other;
        MatchRecord moverRecord, otherRecord;
        RecordingSink sink(mover, moverRecord);
        mover.setLegSink(&sink);
        std::vector<std::string> keep;
        QVERIFY2(setUpDiagram(mover, c.moverRole, c.variant, c.rows).empty(), c.what);
        QVERIFY(setUpDiagram(other, c.moverRole == ROLE_SERVER ? ROLE_CLIENT : ROLE_SERVER, c.variant,
                             turnedRound(c.rows, keep)).empty());
        mover.setFirstMover(c.moverOpened ? 1 : 0);
        other.setFirstMover(c.moverOpened ? 0 : 1);
        moverRecord.beginSet(mover);
        otherRecord.beginSet(other);
        if (!c.moverOpened) {
            // The opener's move that came before, so that this one is the second.
            moverRecord.legPlayed(mover, 63 - 9, 63 - 16, false, true);
            otherRecord.legPlayed(other, 9, 16, true, true);
        }
        mover.generateMoves();
        mover.setMyTurn(1);
        for (int square : c.clicks)
            QVERIFY2(click(mover, square) == 1, c.what);
        QCOMPARE(mover.isMyTurn(), 0);
        receiveAll(other, otherRecord, sink.legs);

        const size_t index = c.moverOpened ? 0 : 1;
        const SetRecord seen = moverRecord.set(0), received = otherRecord.set(0);
        QCOMPARE(seen.moves.size(), index + 1);
        QCOMPARE(received.moves.size(), index + 1);
        QVERIFY2(seen.moves == received.moves, c.what);
        QCOMPARE(QString::fromStdString(moveNotation(c.variant, seen.moves[index])), QString::fromLatin1(c.notation));
        QCOMPARE(seen.moves[index].legs.size(), c.clicks.size() - 1);
    }
}

void TestNotation::setsEndWithTheResultByColour()
{
    struct Case {
        uint8_t variant;
        bool localFirst;
        MatchRecord::Outcome outcome;
        const char* result;
    };
    // The first mover is Black in the American game and White in the Russian one.
    const Case cases[] = {
        {VARIANT_AMERICAN, true, MatchRecord::Outcome::LocalWon, "0-1"},
        {VARIANT_AMERICAN, false, MatchRecord::Outcome::LocalWon, "1-0"},
        {VARIANT_RUSSIAN, true, MatchRecord::Outcome::LocalWon, "1-0"},
        {VARIANT_RUSSIAN, true, MatchRecord::Outcome::LocalLost, "0-1"},
        {VARIANT_RUSSIAN, false, MatchRecord::Outcome::Drawn, "1/2-1/2"},
    };
    for (const Case& c : cases) {
        GameBoard b;
        b.setRole(ROLE_SERVER);
        b.setVariant(c.variant);
        b.setUpPosition(125, 25);
        b.setPlayerNames("Ann", "Bob");
        b.setFirstMover(c.localFirst ? 1 : 0);
        MatchRecord record;
        record.beginSet(b);
        QCOMPARE(QString::fromStdString(resultText(record.set(0))), QStringLiteral("*"));
        record.endSet(c.outcome);
        record.endSet(MatchRecord::Outcome::Drawn); // a set ends once
        const SetRecord set = record.set(0);
        QCOMPARE(QString::fromStdString(resultText(set)), QString::fromLatin1(c.result));
        QCOMPARE(QString::fromStdString(set.firstMoverName), c.localFirst ? QStringLiteral("Ann") : QStringLiteral("Bob"));
    }
}

QTEST_APPLESS_MAIN(TestNotation)
#include "test_notation.moc"
