// SPDX-License-Identifier: GPL-3.0-or-later
// PDN games read, replayed under the rules and written again.
#include <QtTest>

#include "rules/Notation.h"
#include "rules/PdnReader.h"
#include "rules/PdnReplay.h"
#include "rules/PdnWriter.h"
#include "tests/support/BoardDiagram.h"

using namespace sorvada;

namespace {

QString replayError(uint8_t variant, const char* movetext)
{
    const PdnFile file = readPdn(movetext);
    if (!file.error.empty() || file.games.size() != 1)
        return QStringLiteral("unread: ") + QString::fromStdString(file.error);
    const ReplayOutcome outcome = replayMoves(variant, file.games[0].moves);
    return QString::fromStdString(outcome.error);
}

} // namespace

class TestPdn : public QObject {
    Q_OBJECT
private slots:
    void publishedOpeningsReplayAndAreWrittenAlike();
    void illegalMovesAreRefusedWithTheirNumber();
    void readerTakesEveryWrittenForm();
    void malformedTextStopsTheReading();
    void writtenGameCarriesTheStandardTags();
};

void TestPdn::publishedOpeningsReplayAndAreWrittenAlike()
{
    struct Case {
        uint8_t variant;
        const char* movetext;
    };
    const Case cases[] = {
        {VARIANT_AMERICAN, "1. 9-14 22-17 2. 11-15 25-22 3. 15-19 23x16 4. 12x19 24x15 *"},
        {VARIANT_RUSSIAN, "1. c3-d4 d6-e5 2. b2-c3 e7-d6 *"},
    };
    for (const Case& c : cases) {
        const PdnFile file = readPdn(c.movetext);
        QVERIFY(file.error.empty());
        QCOMPARE(file.games.size(), size_t(1));
        const ReplayOutcome outcome = replayMoves(c.variant, file.games[0].moves);
        QVERIFY2(outcome.legal, outcome.error.c_str());
        QCOMPARE(outcome.movesPlayed, file.games[0].moves.size());
        SetRecord set;
        set.variant = c.variant;
        set.moves = outcome.moves;
        QCOMPARE(QString::fromStdString(pdnMoveText(set)), QString::fromLatin1(c.movetext));
    }
    // After 23x16 12x19 24x15 Black has lost two men, White one.
    const ReplayOutcome american = replayMoves(VARIANT_AMERICAN, readPdn(cases[0].movetext).games[0].moves);
    int first = 0, second = 0;
    for (const PieceRecord& p : american.firstMover.pieces)
        if (!p.captured)
            ++(p.owner == american.firstMover.localMover() ? first : second);
    QCOMPARE(first, 10);
    QCOMPARE(second, 11);
    // White's man on 15 beside Black's on 14, the 19 it took gone.
    QCOMPARE(diagramOf(american.firstMover)[4], std::string("-.-b-w-."));
    QCOMPARE(diagramOf(american.firstMover)[3][2], '.');
}

void TestPdn::illegalMovesAreRefusedWithTheirNumber()
{
    struct Case {
        uint8_t variant;
        const char* movetext;
        const char* error;
    };
    const Case cases[] = {
        // 15x22 is there to take: the simple step is not allowed.
        {VARIANT_AMERICAN, "1. 11-15 22-18 2. 15-19", "2. 15-19 is not a legal move here"},
        {VARIANT_AMERICAN, "1. 11-15 22-18 2. 15x22", ""},
        {VARIANT_AMERICAN, "1. 11-15 22-18 2. 15-22", "2. 15-22 is not a legal move here"},
        {VARIANT_AMERICAN, "1. 22-18", "1. 22-18 is not a legal move here"}, // the second mover's man
        {VARIANT_AMERICAN, "1. 11-15 22-18 2. 15x22 26x17", ""},
        {VARIANT_AMERICAN, "1. 11-15 22-18 2. 15x22 26x19", "2... 26x19 is not a legal move here"},
        {VARIANT_AMERICAN, "1. 11-40", "1. 11-40: '40' is not a square of this game"},
        {VARIANT_RUSSIAN, "1. c3-d4 f6-e5 2. d4:f6", ""},
        {VARIANT_RUSSIAN, "1. c3-d4 f6-e5 2. d4xf6 g7xe5", ""},
        {VARIANT_RUSSIAN, "1. c3-b4 h6-g5 2. b4-a5 g5-h4 3. a5-b6", "3. a5-b6 is not a legal move here"},
    };
    for (const Case& c : cases)
        QCOMPARE(replayError(c.variant, c.movetext), QString::fromLatin1(c.error));
}

void TestPdn::readerTakesEveryWrittenForm()
{
    const char* text = "; a file of two games\n"
                       "[Event \"Club \\\"night\\\"\"]\n[GameType \"25\"]\n\n"
                       "1. c3-d4 {the centre} f6-e5 2.d4:f6 (2. d4xf6 g7xe5) g7xe5! $1 *\n"
                       "\n[Event \"b\"]\n[GameType \"21,W,8,8,A0,0\"]\n1. 11-15 23-19 2. 8-11 1-0\n";
    const PdnFile file = readPdn(text);
    QVERIFY2(file.error.empty(), file.error.c_str());
    QCOMPARE(file.games.size(), size_t(2));
    const PdnGame& russian = file.games[0];
    QCOMPARE(QString::fromStdString(russian.tag("Event")), QStringLiteral("Club \"night\""));
    QCOMPARE(russian.variant(), VARIANT_RUSSIAN);
    QCOMPARE(russian.moves.size(), size_t(4));
    QVERIFY(russian.moves[2].capture);
    QCOMPARE(russian.moves[3].squares, std::vector<std::string>({"g7", "e5"}));
    QCOMPARE(QString::fromStdString(russian.result), QStringLiteral("*"));
    QVERIFY(replayMoves(russian.variant(), russian.moves).legal);
    QCOMPARE(file.games[1].variant(), VARIANT_AMERICAN);
    QCOMPARE(file.games[1].moves.size(), size_t(3));
    QCOMPARE(QString::fromStdString(file.games[1].result), QStringLiteral("1-0"));
    QCOMPARE(file.games[1].line, 7);
}

void TestPdn::malformedTextStopsTheReading()
{
    struct Case {
        const char* text;
        int line;
    };
    const Case cases[] = {
        {"[Event \"x]\n1. 11-15 *", 1},
        {"[Event x]\n", 1},
        {"1. 11-15\n{ never closed", 2},
        {"1. 11-15 23-19\n2. 8 *", 2},
        {"1. 11-15-19x *", 1},
        {"1. 11- *", 1},
    };
    for (const Case& c : cases) {
        const PdnFile file = readPdn(c.text);
        QVERIFY2(!file.error.empty(), c.text);
        QCOMPARE(file.errorLine, c.line);
    }
}

void TestPdn::writtenGameCarriesTheStandardTags()
{
    SetRecord set;
    set.variant = VARIANT_AMERICAN;
    set.firstMoverName = "Ann \"A\"";
    set.secondMoverName = "Bob";
    set.result = SetResult::SecondMoverWon;
    const PdnGame opening = readPdn("1. 9-14 22-17 2. 11-15 25-22 3. 15-19 23x16 4. 12x19 24x15").games[0];
    set.moves = replayMoves(VARIANT_AMERICAN, opening.moves).moves;
    const std::vector<Move> once = set.moves;
    for (int i = 0; i < 6; ++i) // long enough to be wrapped
        set.moves.insert(set.moves.end(), once.begin(), once.end());
    const std::string text = pdnGameText(set, PdnHeader{"Friendly match", "Home", "2026.12.09", 3});
    const PdnFile file = readPdn(text);
    QVERIFY2(file.error.empty(), file.error.c_str());
    QCOMPARE(file.games.size(), size_t(1));
    const PdnGame& game = file.games[0];
    const std::vector<std::pair<std::string, std::string>> tags = {
        {"Event", "Friendly match"}, {"Site", "Home"}, {"Date", "2026.12.09"}, {"Round", "3"},
        {"White", "Bob"}, {"Black", "Ann \"A\""}, {"Result", "1-0"}, {"GameType", "21"}};
    QVERIFY(game.tags == tags);
    QCOMPARE(QString::fromStdString(game.result), QStringLiteral("1-0"));
    QCOMPARE(game.moves.size(), set.moves.size());
    for (const QString& line : QString::fromStdString(text).split('\n'))
        QVERIFY(line.size() <= 79);
}

QTEST_APPLESS_MAIN(TestPdn)
#include "test_pdn.moc"
