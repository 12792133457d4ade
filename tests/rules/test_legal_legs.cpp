// SPDX-License-Identifier: GPL-3.0-or-later
// The legs the local side may play: the same answer from the list and from the single-leg
// check, the compulsory capture and the piece under way, agreement with what the other copy
// accepts over the first plies of both variants, and arranging a position without a window.
#include <QtTest>

#include <utility>
#include <vector>

#include "rules/GameBoard.h"
#include "tests/support/BoardDiagram.h"

using namespace sorvada;

namespace {

using LegPairs = std::vector<std::pair<int, int>>;

LegPairs pairsOf(const LegList& legs)
{
    LegPairs out;
    for (int i = 0; i < legs.size(); ++i)
        out.emplace_back(legs[i].from, legs[i].to);
    return out;
}

// Local men on 51 and 53 may capture (51 over 44 or 42, 53 over 44), the man on 62 could only
// step to 55; after 51x33 the man must go on over 26 to 19.
const Diagram kTwoCaptures = {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-b-.-.-",
                              "-.-.-.-.", ".-b-b-.-", "-.-w-w-.", ".-.-.-w-"};

// Everything checked at one position of legal play, for the side whose targets are fresh.
// Answers an empty string, or what disagreed.
// askReceiver: also offer the receiver every leg of every piece, which is slow.
QString disagreement(const GameBoard& mover, const GameBoard& receiver, bool askReceiver)
{
    const LegList legs = mover.legalLegs();
    if ((legs.empty() ? 1 : 0) != mover.hasNoMoves())
        return QStringLiteral("hasNoMoves disagrees with the list");
    if (legs.size() != mover.legalLegCount() || legs.captures() != mover.captureIsCompulsory())
        return QStringLiteral("the count or the capture flag disagrees with the list");
    for (int from = 0; from < 64; ++from) {
        for (int to = 0; to < 64; ++to) {
            const bool listed = legs.contains(uint8_t(from), uint8_t(to));
            if (listed != mover.isLegalLeg(uint8_t(from), uint8_t(to)))
                return QStringLiteral("list and single-leg check differ on %1-%2").arg(from).arg(to);
            // The other copy takes the first leg of a move exactly when it is listed.
            if (!askReceiver || mover.board[from] >= 24)
                continue;
            GameBoard peer = receiver;
            const bool taken = peer.applyReceivedLeg(uint8_t(63 - from), uint8_t(63 - to), 63, false)
                               || peer.applyReceivedLeg(uint8_t(63 - from), uint8_t(63 - to), 63, true);
            if (taken != listed)
                return QStringLiteral("the other copy %1 the leg %2-%3")
                    .arg(taken ? "took" : "refused")
                    .arg(from)
                    .arg(to);
        }
    }
    for (int i = 0; i < legs.size(); ++i) {
        const PieceRecord& p = mover.pieces[mover.board[legs[i].from]];
        if (p.owner != mover.localMover() || p.captured)
            return QStringLiteral("a leg of a piece that is not the mover's");
        if ((p.mustCapture != 0) != legs.captures())
            return QStringLiteral("a simple move beside a capture");
    }
    return QString();
}

// Plays every whole move from the position to the given number of plies; each leg goes through
// the receiver's checked entry, as between two copies. Counts the positions checked.
void walk(GameBoard& mover, GameBoard& receiver, int plies, int& positions, QString& failure)
{
    mover.generateMoves();
    if (failure.isEmpty())
        failure = disagreement(mover, receiver, plies >= 2);
    ++positions;
    if (plies == 0 || !failure.isEmpty())
        return;
    const LegList legs = mover.legalLegs();
    for (int i = 0; i < legs.size() && failure.isEmpty(); ++i) {
        // One whole move down each branch of a multiple capture.
        std::vector<std::pair<GameBoard, GameBoard>> stack{{mover, receiver}};
        std::vector<Leg> pending{legs[i]};
        while (!pending.empty() && failure.isEmpty()) {
            auto [m, r] = std::move(stack.back());
            stack.pop_back();
            const Leg leg = pending.back();
            pending.pop_back();
            const bool capture = m.pieces[m.board[leg.from]].mustCapture != 0;
            m.applyMove(leg.from, leg.to, 0);
            const bool more = capture && m.checkContinuation(m.board[leg.to]) == 1;
            if (!more)
                m.finishLocalMove();
            if (!r.applyReceivedLeg(uint8_t(63 - leg.from), uint8_t(63 - leg.to), uint8_t(63 - m.viaSquare), !more)) {
                failure = QStringLiteral("the other copy refused the played leg %1-%2").arg(leg.from).arg(leg.to);
                return;
            }
            if (more) {
                const LegList next = m.legalLegs();
                for (int j = 0; j < next.size(); ++j) {
                    if (next[j].from != leg.to || !next.captures())
                        failure = QStringLiteral("a piece under way shares the board with another");
                    stack.emplace_back(m, r);
                    pending.push_back(next[j]);
                }
                continue;
            }
            m.setMyTurn(0);
            r.setMyTurn(1);
            walk(r, m, plies - 1, positions, failure);
        }
    }
}

} // namespace

class TestLegalLegs : public QObject {
    Q_OBJECT
private slots:
    void onlyCapturesWhenACaptureIsOpen();
    void thePieceUnderWayOffersOnlyItsOwnLegs();
    void legsAgreeWithTheOtherCopyOverTheFirstPlies_data();
    void legsAgreeWithTheOtherCopyOverTheFirstPlies();
    void positionsAreArrangedWithoutAWindow();
};

void TestLegalLegs::onlyCapturesWhenACaptureIsOpen()
{
    GameBoard b;
    QVERIFY(setUpDiagram(b, ROLE_SERVER, VARIANT_AMERICAN, kTwoCaptures).empty());
    b.generateMoves();
    const LegList legs = b.legalLegs();
    QVERIFY(legs.captures());
    QCOMPARE(pairsOf(legs), LegPairs({{51, 37}, {51, 33}, {53, 35}}));
    QVERIFY(!legs.startsAt(62));
    QVERIFY(!b.isLegalLeg(62, 55));

    // Without the opponent's men every local man steps, and none captures.
    GameBoard quiet;
    QVERIFY(setUpDiagram(quiet, ROLE_SERVER, VARIANT_AMERICAN,
                         {"-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-", "-.-.-.-.", ".-.-.-.-",
                          "-.-w-w-.", ".-.-.-w-"})
                .empty());
    quiet.generateMoves();
    QVERIFY(!quiet.legalLegs().captures());
    QCOMPARE(pairsOf(quiet.legalLegs()), LegPairs({{51, 44}, {51, 42}, {53, 46}, {53, 44}, {62, 55}}));
}

void TestLegalLegs::thePieceUnderWayOffersOnlyItsOwnLegs()
{
    GameBoard b;
    QVERIFY(setUpDiagram(b, ROLE_SERVER, VARIANT_AMERICAN, kTwoCaptures).empty());
    b.setMyTurn(1);
    b.generateMoves();
    // Entered by clicks: the man on 51 takes 42 and must go on; 53 has a capture of its own.
    QCOMPARE(b.handleClick(pixelX(b, 51), pixelY(b, 51)), 1);
    QCOMPARE(b.handleClick(pixelX(b, 33), pixelY(b, 33)), 1);
    QCOMPARE(b.isMyTurn(), 1);
    QCOMPARE(pairsOf(b.legalLegs()), LegPairs({{33, 19}}));
    QVERIFY(b.legalLegs().captures());
    QVERIFY(!b.isLegalLeg(53, 35));
    // The other capturing man cannot be picked instead, even with the selection dropped.
    QCOMPARE(b.handleClick(pixelX(b, 33), pixelY(b, 33)), 1);
    QCOMPARE(b.handleClick(pixelX(b, 53), pixelY(b, 53)), 0);
    QVERIFY(!b.hasSelection());
}

void TestLegalLegs::legsAgreeWithTheOtherCopyOverTheFirstPlies_data()
{
    QTest::addColumn<int>("variant");
    QTest::addColumn<int>("plies");
    QTest::addColumn<int>("positions");
    // Positions reached after 0..plies whole moves, as perft counts them: 1 + 7 + 49 + 302.
    QTest::newRow("american") << int(VARIANT_AMERICAN) << 3 << 359;
    QTest::newRow("russian") << int(VARIANT_RUSSIAN) << 3 << 359;
}

void TestLegalLegs::legsAgreeWithTheOtherCopyOverTheFirstPlies()
{
    QFETCH(int, variant);
    QFETCH(int, plies);
    QFETCH(int, positions);
    GameBoard host, joiner;
    host.setRole(ROLE_SERVER);
    joiner.setRole(ROLE_CLIENT);
    for (GameBoard* b : {&host, &joiner}) {
        b->setVariant(uint8_t(variant));
        b->setUpPosition();
    }
    host.setMyTurn(1);
    int seen = 0;
    QString failure;
    walk(host, joiner, plies, seen, failure);
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QCOMPARE(seen, positions);
}

void TestLegalLegs::positionsAreArrangedWithoutAWindow()
{
    GameBoard drawn, plain;
    for (GameBoard* b : {&drawn, &plain}) {
        b->setRole(ROLE_CLIENT);
        b->setVariant(VARIANT_RUSSIAN);
    }
    drawn.setUpPosition(125, 25);
    plain.setUpPosition();
    QCOMPARE(diagramOf(plain), diagramOf(drawn));
    QCOMPARE(plain.squareXY[63].x, 0);

    // Pieces take the lowest free index of their side, and only empty dark squares.
    plain.clearPieces();
    QCOMPARE(plain.legalLegs().size(), 0);
    QCOMPARE(plain.placePiece(40, 1), 12); // the joiner's own (blue) man
    QCOMPARE(plain.placePiece(21, 2), 0);  // the host's king
    QCOMPARE(plain.placePiece(40, 3), -1); // taken square
    QCOMPARE(plain.placePiece(0, 1), -1);  // light square
    QCOMPARE(plain.placePiece(42, 4), -1); // no such kind
    QCOMPARE(plain.placePiece(NO_SQUARE, 1), -1);
    QCOMPARE(plain.placePiece(42, 1), 13);
    QCOMPARE(plain.removePiece(40), 1);
    QCOMPARE(plain.removePiece(40), 0);
    QCOMPARE(plain.placePiece(33, 1), 12);
    QCOMPARE(plain.crownPiece(33), 1);
    QCOMPARE(plain.crownPiece(33), 0); // a king stays a king
    QCOMPARE(diagramOf(plain), rowsOf({"-.-.-.-.", ".-.-.-.-", "-.-.-B-.", ".-.-.-.-",
                                       "-W-.-.-.", ".-w-.-.-", "-.-.-.-.", ".-.-.-.-"}));
    // A full side has no index left.
    plain.clearPieces();
    int placed = 0;
    for (int s = 0; s < 64; ++s)
        placed += plain.placePiece(uint8_t(s), 0) >= 0;
    QCOMPARE(placed, 12);
}

QTEST_APPLESS_MAIN(TestLegalLegs)
#include "test_legal_legs.moc"
