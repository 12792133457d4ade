// SPDX-License-Identifier: GPL-3.0-or-later
// One complete copy of the game (window, controller and link, offscreen) that
// connects through a directory lobby and plays a script by itself, for the
// test that runs two of them behind two address-translating routers.
//
//   nat_copy LOBBY NAME FIRST_MOVES IDLE_MS LATER_MOVES QUIT(0|1) JOIN_LIMIT_MS
//
// It plays the first legal leg whenever it is its turn: FIRST_MOVES moves,
// then (the server) waits IDLE_MS, or with IDLE_MS "stdin" until a line comes
// on its standard input, then LATER_MOVES more. The client sends a chat line
// after its first moves. A copy with QUIT 1 closes its window when its moves
// are done. What happens is printed one line at a time: "role server|client",
// "token <the match token, hexadecimal>" (the server), "idle", "moved <n>",
// "board <64 cells in the server's terms>", "chat received", "line lost",
// "opponent quitted", "no partner".
#include "sim/MatchHarness.h"
#include "sim/TemporarySettings.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>

#include <cstdio>

#include <unistd.h>

using namespace sorvada;

namespace {
const QString CHAT_LINE = QStringLiteral("hello through two routers");

void say(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// The board as the server sees it: one character per square, '.' for none,
// else the piece's kind (light, the server's, is 0 and 2).
QString boardText(const GameBoard &board, bool server)
{
    QString text;
    for (int s = 0; s < 64; ++s) {
        const uint8_t cell = board.board[server ? s : 63 - s];
        text += cell < 24 ? QChar(u'0' + board.pieces[cell].kind) : QChar(u'.');
    }
    return text;
}
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 8) {
        say(QStringLiteral("usage: nat_copy LOBBY NAME FIRST_MOVES IDLE_MS LATER_MOVES QUIT JOIN_LIMIT_MS"));
        return 2;
    }
    const QString lobby = args[1], name = args[2];
    const int firstMoves = args[3].toInt(), laterMoves = args[5].toInt();
    const bool idleForLine = args[4] == QLatin1String("stdin");
    const int idleMs = idleForLine ? 0 : args[4].toInt();
    const bool quitter = args[6] == QLatin1String("1");
    const int joinLimitMs = args[7].toInt();

    const TemporarySettings settings;
    ModalAnswerer answers;
    answers.when(ModalAnswerer::ofClass(QStringLiteral("CVariantDlg")), [](QWidget *w) {
        for (QRadioButton *r : w->findChildren<QRadioButton *>())
            if (r->text().remove(QLatin1Char('&')) == QLatin1String("Russian"))
                r->click();
        return ModalAnswerer::clickButton(w, QStringLiteral("OK"));
    });
    answers.watch(ModalAnswerer::ofClass(QStringLiteral("QMessageBox"), QStringLiteral("quitted")),
                  [](QWidget *) { say(QStringLiteral("opponent quitted")); });
    answers.answerBox(QStringLiteral("quitted"), QMessageBox::Ok);
    answers.answerBox(QStringLiteral("Leave the match?"), QMessageBox::Yes);

    GameCopy copy(QStringLiteral("sorvada-nat-") + name, PeerSocket::Config(), name);
    QObject::connect(copy.window.get(), &CGameWnd::windowClosed, &app, &QApplication::quit,
                     Qt::QueuedConnection);
    if (!copy.link.Start(1, lobby, START_VIA_SERVER, GAME_KIND)) {
        say(QStringLiteral("start failed"));
        return 1;
    }

    QElapsedTimer clock;
    clock.start();
    bool roleSaid = false, chatSent = false, chatSeen = false, quitting = false, lostSaid = false;
    bool lineCame = false;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char bytes[64];
        if (::read(STDIN_FILENO, bytes, sizeof bytes) <= 0)
            input.setEnabled(false);
        lineCame = true;
    });
    int ownMoves = 0;
    qint64 idleUntil = -1;
    QString lastBoard;
    QTimer script;
    QObject::connect(&script, &QTimer::timeout, [&] {
        const bool server = copy.link.role == ROLE_SERVER;
        if (copy.link.role == ROLE_NONE) {
            if (clock.elapsed() > joinLimitMs) {
                say(QStringLiteral("no partner"));
                app.exit(3);
            }
            return;
        }
        if (!roleSaid) {
            roleSaid = true;
            say(server ? QStringLiteral("role server") : QStringLiteral("role client"));
            if (server && copy.link.matchToken())
                say(QStringLiteral("token ") + QString::number(*copy.link.matchToken(), 16));
        }
        if (copy.link.inGrace() && !lostSaid) {
            lostSaid = true;
            say(QStringLiteral("line lost"));
        }
        if (copy.board.variant() == 0 || !copy.setReady())
            return;
        const QString now = boardText(copy.board, server);
        if (now != lastBoard && !copy.board.hasSelection()) {
            lastBoard = now;
            say(QStringLiteral("board ") + now);
        }
        if (server && !chatSeen && copy.window->chatDialog.history().contains(CHAT_LINE)) {
            chatSeen = true;
            say(QStringLiteral("chat received"));
        }
        if (!server && !chatSent && ownMoves >= firstMoves) {
            chatSent = true;
            QLineEdit *input = copy.window->chatDialog.findChild<QLineEdit *>();
            input->setText(CHAT_LINE);
            QTest::keyClick(input, Qt::Key_Return);
        }
        if (ownMoves >= firstMoves + laterMoves) {
            // Once the opponent has seen the last move.
            if (quitter && !quitting && copy.link.queuedCount(server ? 1 : 0) == 0) {
                quitting = true;
                say(QStringLiteral("quitting"));
                copy.window->close();
            }
            return;
        }
        if (copy.board.isMyTurn() != 1)
            return;
        if (server && ownMoves == firstMoves && idleUntil < 0) {
            idleUntil = clock.elapsed() + idleMs;
            say(QStringLiteral("idle"));
        }
        if (clock.elapsed() < idleUntil || (idleForLine && ownMoves == firstMoves && !lineCame))
            return;
        const auto legs = MatchHarness::legalLegs(copy.board);
        if (legs.empty())
            return;
        if (!copy.board.hasSelection())
            copy.clickSquare(legs.front().first);
        copy.clickSquare(legs.front().second);
        if (copy.board.isMyTurn() != 1)
            say(QStringLiteral("moved %1").arg(++ownMoves));
    });
    script.start(50);
    return app.exec();
}
