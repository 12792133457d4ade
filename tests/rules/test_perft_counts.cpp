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

QTEST_GUILESS_MAIN(TestPerftCounts)
#include "test_perft_counts.moc"
