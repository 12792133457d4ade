// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/MatchHarness.h"

#include "net/LinkEvents.h"
#include "net/PeerRecord.h"
#include "ui/BoardView.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QRadioButton>
#include <QTest>

#include <algorithm>

namespace sorvada {

GameCopy::GameCopy(const QString &settingsName, const PeerSocket::Config &config, const QString &player)
    : link(config), settings(settingsName)
{
    window = std::make_unique<CGameWnd>(board, link, settings, score);
    // The harness opens the link itself instead of the start dialogs.
    window->killWindowTimer(TIMER_START);
    window->controller().playerName = player;
    // No sound in tests: both alarms stay off.
    window->controller().startAlarmOff = 1;
    window->controller().messageAlarmOff = 1;
    QObject::connect(&link, &PeerSocket::linkEvent, window.get(), &CGameWnd::OnLinkEvent,
                     Qt::DirectConnection);
    window->show();
}

GameCopy::~GameCopy()
{
    // Leaving quietly: a copy torn down by the test says no goodbye that the
    // other copy would have to answer with a message box.
    window->controller().opponentGone = 1;
    window.reset();
}

QPoint GameCopy::squareCentre(uint8_t square) const
{
    const SquareXY at = board.squareXY[square & 63];
    return QPoint(at.x + 20, at.y + 20);
}

void GameCopy::clickSquare(uint8_t square)
{
    QTest::mouseClick(window->boardView(), Qt::LeftButton, Qt::NoModifier, squareCentre(square));
}

void GameCopy::playMove(uint8_t from, std::initializer_list<uint8_t> path)
{
    clickSquare(from);
    for (uint8_t to : path)
        clickSquare(to);
}

void GameCopy::keySquare(uint8_t square, Qt::Key press)
{
    BoardView *view = window->boardView();
    // At most seven steps each way: the cursor never wraps, so a few more
    // than needed would still stop on the square.
    for (int step = 0; step < 16 && view->cursorSquare() != square; ++step) {
        const int dc = square % 8 - view->cursorSquare() % 8;
        const int dr = square / 8 - view->cursorSquare() / 8;
        const Qt::Key key = dc < 0 ? Qt::Key_Left : dc > 0 ? Qt::Key_Right : dr < 0 ? Qt::Key_Up : Qt::Key_Down;
        QTest::keyClick(view, key);
    }
    QTest::keyClick(view, press);
}

void GameCopy::keyMove(uint8_t from, std::initializer_list<uint8_t> path)
{
    keySquare(from);
    for (uint8_t to : path)
        keySquare(to);
}

bool GameCopy::setReady() const
{
    return !window->isWindowTimerActive(TIMER_NEW_SET) && board.squareXY[0].x != 0;
}

MatchHarness::MatchHarness(const MatchOptions &options)
    : options(options)
{
}

MatchHarness::~MatchHarness()
{
    clientCopy.reset();
    hostCopy.reset();
}

bool MatchHarness::open(int timeoutMs)
{
    PeerSocket::Config hostConfig;
    hostConfig.gamePort = 0;
    hostConfig.directoryPort = 0;
    hostConfig.retransmitMs = options.retransmitMs;
    hostConfig.probeIntervalMs = options.probeIntervalMs;
    hostConfig.peerSilenceMs = options.peerSilenceMs;
    hostConfig.graceMs = options.graceMs;
    hostConfig.graceResendMaxMs = options.graceResendMaxMs;
    hostConfig.knockIntervalMs = options.knockIntervalMs;
    hostCopy = std::make_unique<GameCopy>(QStringLiteral("sorvada-match-host"), hostConfig,
                                          options.hostPlayer);

    const QString wanted = options.variant == VARIANT_AMERICAN ? QStringLiteral("American")
                                                              : QStringLiteral("Russian");
    answers.when(ModalAnswerer::ofClass(QStringLiteral("CVariantDlg")), [wanted](QWidget *w) {
        for (QRadioButton *r : w->findChildren<QRadioButton *>())
            if (r->text().remove(QLatin1Char('&')) == wanted)
                r->click();
        return ModalAnswerer::clickButton(w, QStringLiteral("OK"));
    });
    if (!hostCopy->link.Start(1, QString(), START_HOST, GAME_KIND))
        return false;
    if (!QTest::qWaitFor([this] { return hostCopy->board.variant() != 0; }, timeoutMs))
        return false;

    PeerSocket::Config clientConfig = hostConfig;
    const quint16 hostPort = hostCopy->link.localPort();
    if (options.relaySeed)
        relayed = std::make_unique<LossyRelay>(hostPort, *options.relaySeed);
    clientConfig.gamePort = relayed ? relayed->frontPort() : hostPort;
    clientCopy = std::make_unique<GameCopy>(QStringLiteral("sorvada-match-client"), clientConfig,
                                            options.clientPlayer);
    if (!clientCopy->link.Start(1, QStringLiteral("127.0.0.1"), START_JOIN, GAME_KIND))
        return false;
    return QTest::qWaitFor(
        [this] {
            return clientCopy->board.variant() == options.variant && hostCopy->board.isMyTurn() == 1
                   && hostCopy->setReady() && clientCopy->setReady();
        },
        timeoutMs);
}

namespace {
void arrangeOne(GameCopy &copy, std::initializer_list<MatchHarness::Placed> pieces, bool mirrored)
{
    GameBoard &b = copy.board;
    b.clearPieces();
    for (const MatchHarness::Placed &placed : pieces) {
        const uint8_t square = mirrored ? uint8_t(63 - placed.hostSquare) : placed.hostSquare;
        if (b.placePiece(square, placed.kind) < 0)
            qFatal("arrange: no piece of kind %d fits on square %d", int(placed.kind), int(placed.hostSquare));
    }
    b.generateMoves();
    copy.window->redraw();
}
} // namespace

void MatchHarness::arrange(std::initializer_list<Placed> pieces)
{
    arrangeOne(*hostCopy, pieces, false);
    arrangeOne(*clientCopy, pieces, true);
}

GameCopy *MatchHarness::ownerOf(QWidget *w) const
{
    for (QWidget *p = w; p; p = p->parentWidget()) {
        if (hostCopy && p == hostCopy->window.get())
            return hostCopy.get();
        if (clientCopy && p == clientCopy->window.get())
            return clientCopy.get();
    }
    return nullptr;
}

void MatchHarness::answerSetEnds()
{
    const QString scoreClass = QStringLiteral("QDialog");
    // Whatever rule answers the loser's dialog, its final position is kept.
    answers.watch(ModalAnswerer::ofClass(scoreClass, QStringLiteral("Sorry")), [this](QWidget *w) {
        if (GameCopy *loser = ownerOf(w)) {
            loserFinal = loser->board;
            loserIsHost = loser == hostCopy.get();
        }
    });
    answers.click(scoreClass, QStringLiteral("Sorry"), QStringLiteral("OK"), -1);
    answers.when(ModalAnswerer::ofClass(scoreClass, QStringLiteral("Congratulations")),
                 [this](QWidget *w) {
                     ++setEndsChecked;
                     GameCopy *winner = ownerOf(w);
                     if (winner && !loserFinal) {
                         // The loser's dialog has not been looked at yet: it
                         // is still open under this one, so the loser's board
                         // is still its final one.
                         GameCopy *loser = winner == hostCopy.get() ? clientCopy.get() : hostCopy.get();
                         loserFinal = loser->board;
                         loserIsHost = loser == hostCopy.get();
                     }
                     QString mismatch;
                     if (!winner)
                         mismatch = QStringLiteral("a win shown by neither copy");
                     else if (loserIsHost == (winner == hostCopy.get()))
                         mismatch = QStringLiteral("both sides lost");
                     else if (loserIsHost)
                         mismatch = mirrorMismatch(*loserFinal, winner->board);
                     else
                         mismatch = mirrorMismatch(winner->board, *loserFinal);
                     loserFinal.reset();
                     if (!mismatch.isEmpty())
                         setEndMismatches << mismatch;
                     return ModalAnswerer::clickButton(w, QStringLiteral("OK"));
                 },
                 -1);
    answers.click(scoreClass, QStringLiteral("draw"), QStringLiteral("OK"), -1);
}

GameCopy *MatchHarness::mover()
{
    if (hostCopy && hostCopy->board.isMyTurn() == 1)
        return hostCopy.get();
    if (clientCopy && clientCopy->board.isMyTurn() == 1)
        return clientCopy.get();
    return nullptr;
}

std::vector<std::pair<uint8_t, uint8_t>> MatchHarness::legalLegs(const GameBoard &board)
{
    std::vector<std::pair<uint8_t, uint8_t>> legs;
    if (board.isMyTurn() != 1)
        return legs;
    // In a capture under way the board offers only the selected piece's legs.
    const LegList list = board.legalLegs();
    for (int i = 0; i < list.size(); ++i)
        legs.emplace_back(list[i].from, list[i].to);
    // By starting square, as the fixture has always offered them, so that a
    // test's picks keep choosing the same legs.
    std::stable_sort(legs.begin(), legs.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    return legs;
}

MatchHarness::MoveResult MatchHarness::playMove(GameCopy &mover, const std::function<int(int)> &pick,
                                                QString *why, int timeoutMs)
{
    auto fail = [why](const QString &text) {
        if (why)
            *why = text;
        return MoveResult::Failed;
    };
    GameCopy &receiver = other(mover);
    const qsizetype rowsBefore = receiver.score.rows().size();
    auto legs = legalLegs(mover.board);
    if (legs.empty())
        return fail(QStringLiteral("no leg to play"));
    auto chosen = legs.at(std::size_t(pick(int(legs.size()))) % legs.size());
    mover.clickSquare(chosen.first);
    if (!mover.board.hasSelection())
        return fail(QStringLiteral("the piece on %1 was not picked").arg(chosen.first));
    for (;;) {
        mover.clickSquare(chosen.second);
        const bool partial = mover.board.isMyTurn() == 1;
        if (partial) {
            if (!mover.board.hasSelection())
                return fail(QStringLiteral("a capture step left nothing selected"));
            if (!QTest::qWaitFor([&] { return mirrorMismatch(mover.board, receiver.board, true).isEmpty(); },
                                 timeoutMs))
                return fail(QStringLiteral("after a capture step: ")
                            + mirrorMismatch(mover.board, receiver.board, true));
            legs = legalLegs(mover.board);
            if (legs.empty())
                return fail(QStringLiteral("a capture step with nothing more to take"));
            chosen = legs.at(std::size_t(pick(int(legs.size()))) % legs.size());
            continue;
        }
        break;
    }
    // The receiver either takes the turn or finds it has lost; in the second
    // case it shows its score at once, and the boards are compared before
    // the next set replaces them (the answer rules of the test close it).
    QString lastMismatch;
    bool ended = false;
    const bool arrived = QTest::qWaitFor(
        [&] {
            if (receiver.score.rows().size() > rowsBefore) {
                ended = true;
                return true;
            }
            lastMismatch = mirrorMismatch(mover.board, receiver.board);
            return receiver.board.isMyTurn() == 1 && lastMismatch.isEmpty();
        },
        timeoutMs);
    if (!arrived)
        return fail(QStringLiteral("the move did not arrive: ") + lastMismatch);
    return ended ? MoveResult::SetOver : MoveResult::Done;
}

QString mirrorMismatch(const GameBoard &a, const GameBoard &b, bool standingOnA)
{
    int takenA = 0, takenB = 0;
    for (const PieceRecord &p : a.pieces)
        takenA += p.captured;
    for (const PieceRecord &p : b.pieces)
        takenB += p.captured;
    for (int s = 0; s < 64; ++s) {
        const uint8_t ca = a.board[s];
        const uint8_t cb = b.board[63 - s];
        const bool pieceA = ca < 24, pieceB = cb < 24;
        if (pieceA && pieceB) {
            const PieceRecord &pa = a.pieces[ca];
            const PieceRecord &pb = b.pieces[cb];
            if (pa.kind != pb.kind || pa.owner != pb.owner || pa.captured != pb.captured)
                return QStringLiteral("square %1: kind %2/%3 owner %4/%5 taken %6/%7")
                    .arg(s).arg(pa.kind).arg(pb.kind).arg(pa.owner).arg(pb.owner)
                    .arg(pa.captured).arg(pb.captured);
            continue;
        }
        if (standingOnA && pieceA && a.pieces[ca].captured && cb == EMPTY_SQUARE) {
            continue;
        }
        if (ca != cb)
            return QStringLiteral("square %1: cell %2 against %3").arg(s).arg(ca).arg(cb);
    }
    if (takenA != takenB)
        return QStringLiteral("taken pieces %1 against %2").arg(takenA).arg(takenB);
    return QString();
}

int piecesInPlay(const GameBoard &board, int owner)
{
    int n = 0;
    for (int s = 0; s < 64; ++s)
        if (board.board[s] < 24 && board.pieces[board.board[s]].owner == owner
            && !board.pieces[board.board[s]].captured)
            ++n;
    return n;
}

} // namespace sorvada
