// SPDX-License-Identifier: GPL-3.0-or-later
// Two complete copies of the game over loopback UDP play moves chosen by a
// seeded generator, entered by clicks on the real boards. For every move the
// program measures the time from the click that completes it on one copy to
// the other copy's board being painted with it, and prints the median and
// the 99th percentile.
#include "sim/MatchHarness.h"
#include "sim/TemporarySettings.h"
#include "ui/BoardView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

using namespace sorvada;

namespace {

double percentile(std::vector<double> sorted, double p)
{
    std::sort(sorted.begin(), sorted.end());
    const double rank = p * double(sorted.size() - 1);
    const auto low = std::size_t(rank);
    const auto high = std::min(low + 1, sorted.size() - 1);
    return sorted[low] + (sorted[high] - sorted[low]) * (rank - double(low));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int wanted = argc > 1 ? std::max(1, atoi(argv[1])) : 200;

    const TemporarySettings settings;
    MatchOptions options;
    options.variant = VARIANT_RUSSIAN;
    MatchHarness m(options);
    m.answerSetEnds();
    if (!m.open()) {
        std::fprintf(stderr, "the two copies did not connect\n");
        return 1;
    }

    std::mt19937 random(2024);
    auto pick = [&random](std::size_t count) { return std::size_t(random() % count); };
    std::vector<double> samples;
    int sets = 1;
    QElapsedTimer clock;

    while (int(samples.size()) < wanted) {
        if (!QTest::qWaitFor([&] { return m.mover() && m.host().setReady() && m.client().setReady(); }, 10000)) {
            std::fprintf(stderr, "no side to move\n");
            return 1;
        }
        GameCopy &mover = *m.mover();
        GameCopy &receiver = m.other(mover);
        auto legs = MatchHarness::legalLegs(mover.board);
        auto leg = legs.at(pick(legs.size()));
        mover.clickSquare(leg.first);
        bool partial = true;
        while (partial) {
            // Is this the last leg? Only the click can tell; time every leg
            // and keep the sample only when the turn has passed.
            const qsizetype rowsBefore = receiver.score.rows().size();
            bool shown = false;
            double ms = 0;
            QEventLoop wait;
            auto connection = QObject::connect(receiver.window->boardView(), &BoardView::painted, [&] {
                if (!shown && receiver.board.isMyTurn() == 1) {
                    ms = double(clock.nsecsElapsed()) / 1e6;
                    shown = true;
                    wait.quit();
                }
            });
            clock.start();
            mover.clickSquare(leg.second);
            partial = mover.board.isMyTurn() == 1;
            if (!partial) {
                QTimer::singleShot(10000, &wait, &QEventLoop::quit);
                if (!shown)
                    wait.exec();
            }
            QObject::disconnect(connection);
            if (partial) {
                if (!QTest::qWaitFor([&] { return mirrorMismatch(mover.board, receiver.board, true).isEmpty(); }, 10000)) {
                    std::fprintf(stderr, "a capture step did not arrive\n");
                    return 1;
                }
                legs = MatchHarness::legalLegs(mover.board);
                if (legs.empty()) {
                    std::fprintf(stderr, "a capture step with nothing more to take\n");
                    return 1;
                }
                leg = legs.at(pick(legs.size()));
                continue;
            }
            if (shown)
                samples.push_back(ms);
            else if (receiver.score.rows().size() > rowsBefore)
                ++sets; // the receiver lost; its board shows the next set
            else {
                std::fprintf(stderr, "a move did not arrive\n");
                return 1;
            }
        }
    }

    std::printf("moves timed: %zu (over %d set(s), loopback UDP, two copies in one process)\n",
                samples.size(), sets);
    std::printf("click to the other board shown: median %.3f ms, 99th percentile %.3f ms, max %.3f ms\n",
                percentile(samples, 0.5), percentile(samples, 0.99),
                *std::max_element(samples.begin(), samples.end()));
    return 0;
}
