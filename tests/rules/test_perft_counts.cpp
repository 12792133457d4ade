// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the benchmark program and checks its move counts from the opening
// position against the published figures; --verify makes it also compare the
// two boards after every move.
#include <QtTest>

#include <QProcess>
#include <QRegularExpression>

class TestPerftCounts : public QObject {
    Q_OBJECT
private slots:
    void publishedCounts_data();
    void publishedCounts();
    void divideSumsToTheCount();
    void badArgumentsAreRefused();
    void pdnFilesAreReplayedMoveByMove();
};

void TestPerftCounts::publishedCounts_data()
{
    QTest::addColumn<QString>("variant");
    QTest::addColumn<QList<qulonglong>>("counts");
    QTest::newRow("american") << "american" << QList<qulonglong>{7, 49, 302, 1469, 7361, 36768};
    QTest::newRow("russian") << "russian" << QList<qulonglong>{7, 49, 302, 1469, 7482, 37986};
}

void TestPerftCounts::publishedCounts()
{
    QFETCH(QString, variant);
    QFETCH(QList<qulonglong>, counts);
    QProcess perft;
    perft.start(SORVADA_PERFT_PATH,
                {"--variant", variant, "--depth", QString::number(counts.size()), "--verify"});
    QVERIFY(perft.waitForFinished(100000));
    QCOMPARE(perft.exitStatus(), QProcess::NormalExit);
    QCOMPARE(perft.exitCode(), 0);
    const QStringList lines = QString::fromLatin1(perft.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), counts.size());
    const QRegularExpression format(R"(^depth (\d+): (\d+) nodes, \d+\.\d{3} s, \d+ nodes/s$)");
    for (int i = 0; i < counts.size(); ++i) {
        const auto m = format.match(lines[i]);
        QVERIFY2(m.hasMatch(), qPrintable(lines[i]));
        QCOMPARE(m.captured(1).toInt(), i + 1);
        QCOMPARE(m.captured(2).toULongLong(), counts[i]);
    }
}

void TestPerftCounts::divideSumsToTheCount()
{
    QProcess perft;
    perft.start(SORVADA_PERFT_PATH, {"--variant", "russian", "--depth", "3", "--divide"});
    QVERIFY(perft.waitForFinished(100000));
    QCOMPARE(perft.exitCode(), 0);
    const QString out = QString::fromLatin1(perft.readAllStandardOutput());
    const QRegularExpression moveLine(R"(^([a-h][1-8](?:[-x][a-h][1-8])+): (\d+)$)",
                                      QRegularExpression::MultilineOption);
    qulonglong sum = 0;
    int moves = 0;
    for (auto it = moveLine.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        sum += m.captured(2).toULongLong();
        ++moves;
    }
    QCOMPARE(moves, 7);
    QCOMPARE(sum, qulonglong(302));
    QVERIFY(out.contains("moves: 7, total: 302"));
}

void TestPerftCounts::badArgumentsAreRefused()
{
    const QList<QStringList> cases = {
        {"--variant", "polish", "--depth", "3"},
        {"--variant", "american"},
        {"--variant", "american", "--depth", "zero"},
        {"--depth", "3"},
    };
    for (const QStringList& args : cases) {
        QProcess perft;
        perft.start(SORVADA_PERFT_PATH, args);
        QVERIFY(perft.waitForFinished(10000));
        QVERIFY2(perft.exitCode() != 0, qPrintable(args.join(' ')));
        QVERIFY(perft.readAllStandardOutput().isEmpty());
    }
}

// --pdn replays each game of a file and names the first move that is not legal.
void TestPerftCounts::pdnFilesAreReplayedMoveByMove()
{
    const struct {
        const char* name;
        const char* text;
        int exitCode;
        const char* says;
    } cases[] = {
        {"both variants legal",
         "[GameType \"21\"]\n1. 9-14 22-17 2. 11-15 25-22 3. 15-19 23x16 4. 12x19 24x15 *\n\n"
         "[GameType \"25\"]\n1. c3-d4 d6-e5 2. b2-c3 e7-d6 *\n",
         0, "game 2 (line 4): 4 moves, every one legal"},
        // After 3. 15-19 the capture 23x16 is compulsory.
        {"a capture left out", "[GameType \"21\"]\n1. 9-14 22-17 2. 11-15 25-22 3. 15-19 24-20 *\n", 1,
         "game 1 (line 1): "},
        {"not PDN", "1. 9-14 {never closed\n", 2, ":"},
    };
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const auto& c : cases) {
        const QString path = dir.filePath("game.pdn");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.text);
        file.close();
        QProcess perft;
        perft.start(SORVADA_PERFT_PATH, {"--pdn", path});
        QVERIFY(perft.waitForFinished(30000));
        const QString out = QString::fromLatin1(perft.readAllStandardOutput());
        QVERIFY2(perft.exitCode() == c.exitCode, qPrintable(QString("%1: %2").arg(c.name, out)));
        QVERIFY2(out.contains(QLatin1String(c.says)), qPrintable(out));
        if (c.exitCode == 1)
            QVERIFY2(!out.contains("every one legal"), qPrintable(out));
    }
}

QTEST_GUILESS_MAIN(TestPerftCounts)
#include "test_perft_counts.moc"
