// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary datagrams into a linked PeerSocket with the main window's play controller behind it,
// connected as the application connects them. Each input first opens the link the way a copy
// does through a directory server (as host or as joiner), then feeds datagrams of any size, each
// from one of three senders: the directory server and the game peer, which the link knows, and a
// stranger, which it does not. Datagrams enter through the link's injection point and take the
// same admission and OnReceive path as datagrams from the wire.
//
// The local player acts in between (clicks on the board, a draw offer, a capitulation), so that
// the opponent's messages meet every phase of a set.
//
// Every dialog or message box that the controller opens is answered at once, with a button the
// input chooses, from inside its own event loop, as a hurried player would.
//
// What must hold: no crash, no sanitizer report, and the board stays whole whatever arrives.

#include "app/CScoreDlg.h"
#include "app/CScoreDlg.h"
#include "app/SettingsStore.h"
#include "net/PeerRecord.h"
#include "net/PeerSocket.h"
#include "rules/GameBoard.h"
#include "ui/CGameWnd.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QNetworkDatagram>
#include <QTemporaryDir>
#include <QTimer>
#include <QUdpSocket>

#include "FuzzInput.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

using namespace sorvada;

namespace {

const QHostAddress LOOPBACK(QStringLiteral("127.0.0.1"));

// Everything that lives for the whole run: the application, a settings folder, and the three
// parties' sockets (so that whatever the link sends goes somewhere real on 127.0.0.1).
struct World {
    QTemporaryDir settingsDir;
    std::unique_ptr<QApplication> app;
    QUdpSocket parties[3]; // 0 directory server, 1 game peer, 2 stranger
    QTimer answerer;
    Input *input = nullptr;

    void drain()
    {
        for (QUdpSocket &s : parties)
            while (s.hasPendingDatagrams())
                s.receiveDatagram(0);
    }
};

World *world = nullptr;

void answerModal()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    const uint8_t choice = world->input ? world->input->next() : 0;
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        const QList<QAbstractButton *> buttons = box->buttons();
        if (!buttons.isEmpty()) {
            buttons.at(choice % buttons.size())->click();
            return;
        }
    }
    if (auto *dialog = qobject_cast<QDialog *>(modal))
        (choice & 1) ? dialog->accept() : dialog->reject();
    else
        modal->close();
}

void settle()
{
    // Posted receives, answers of dialogs, zero-time timers: let everything due run.
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void wholeBoard(const GameBoard &b)
{
    if (b.board[0] != LIGHT_SQUARE)
        return; // no set has been set up yet
    for (int s = 0; s < 64; ++s) {
        const uint8_t cell = b.board[s];
        if (cell < 24)
            require(b.pieces[cell].square == s);
        else
            require(cell == LIGHT_SQUARE || cell == EMPTY_SQUARE);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    (void)argc;
    (void)argv;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform's notes on every window would drown the fuzzer's own output.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    static int qtArgc = 1;
    static char name[] = "fuzz_datagrams";
    static char *qtArgv[] = {name, nullptr};
    world = new World;
    qputenv("XDG_CONFIG_HOME", world->settingsDir.path().toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, world->settingsDir.path());
    world->app = std::make_unique<QApplication>(qtArgc, qtArgv);
    for (QUdpSocket &s : world->parties)
        require(s.bind(LOOPBACK, 0));
    world->answerer.setInterval(0);
    QObject::connect(&world->answerer, &QTimer::timeout, &answerModal);
    world->answerer.start();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input in(data, size);
    world->input = &in;
    const uint8_t setup = in.next();
    const bool asHost = setup & 1;

    PeerSocket::Config config;
    config.gamePort = 0;
    config.directoryPort = world->parties[0].localPort();
    GameBoard board;
    PeerSocket link(config);
    SettingsStore settings(QStringLiteral("sorvada-fuzz"));
    CScoreDlg score;
    auto window = std::make_unique<CGameWnd>(board, link, settings, score);
    window->killWindowTimer(TIMER_START);
    bool closed = false;
    QObject::connect(window.get(), &CGameWnd::windowClosed, [&closed] { closed = true; });
    QObject::connect(&link, &PeerSocket::linkEvent, window.get(), &CGameWnd::OnLinkEvent,
                     Qt::DirectConnection);
    int delivered = 0;
    QObject::connect(&link, &PeerSocket::linkEvent, [&delivered](unsigned event, int) {
        delivered += event == LINK_RECEIVED;
    });

    auto inject = [&](const PeerRecord &record, int party) {
        link.injectDatagram(record.toByteArray(), LOOPBACK, world->parties[party].localPort());
        settle();
    };

    // Open the link through the directory server, to the point where a game peer is joined.
    require(link.Start(1, QStringLiteral("127.0.0.1"), START_VIA_SERVER, GAME_KIND));
    const quint16 peerPort = world->parties[1].localPort();
    PeerRecord r;
    if (asHost) {
        r.writeBare(BECOME_SERVER);
        inject(r, 0);
        require(link.role == ROLE_SERVER);
        r.writeJoin(GAME_KIND);
        inject(r, 1);
        require(link.peerPort(1) == peerPort);
    } else {
        r.writeJoinPeer(peerPort, "127.0.0.1");
        inject(r, 0);
        r.clear();
        r.writeBare(JOIN);
        inject(r, 1);
        require(link.role == ROLE_CLIENT && link.peerPort(0) == peerPort);
    }
    const int baseDelivered = delivered;

    for (int n = 0; !in.empty() && !closed && n < 64; ++n) {
        const uint8_t sel = in.next();
        // The new-set timer has run out: the time it waits is of no interest here.
        if (window->isWindowTimerActive(TIMER_NEW_SET))
            window->OnTimer(TIMER_NEW_SET);
        if (sel >= 0xF0) {
            // The local player meanwhile: a click on a square, a draw offer or a capitulation.
            if (sel == 0xFE) {
                window->controller().OnDrawOffer();
            } else if (sel == 0xFF) {
                window->controller().OnCapitulate();
            } else {
                const SquareXY at = board.squareXY[in.next() & 63];
                window->OnLButtonDown(at.x + 20, at.y + 20);
            }
            settle();
            wholeBoard(board);
            continue;
        }
        const int party = sel % 3;
        const int form = (sel >> 2) & 3;
        QByteArray datagram;
        if (form == 0) {
            // Any size at all, any content.
            const int length = in.next() * 2;
            datagram.resize(length);
            for (int i = 0; i < length; ++i)
                datagram[i] = char(in.next());
        } else {
            PeerRecord rec;
            rec.setType(in.next());
            const int payload = in.next();
            for (int i = 0; i < payload && i < SEQUENCE_OFFSET - 1; ++i)
                rec.bytes[1 + i] = in.next();
            const uint32_t expected = party == 1 ? uint32_t(delivered - baseDelivered) : 0;
            if (form == 1)
                rec.setSequence(in.next32());
            else if (form == 2)
                rec.setSequence(expected);
            else
                rec.setSequence(expected - 1 - in.next() % 3);
            datagram = rec.toByteArray();
        }
        link.injectDatagram(datagram, LOOPBACK, world->parties[party].localPort());
        settle();
        // A server stays a server and a client a client, and nobody takes the peer's place.
        require(link.role == (asHost ? ROLE_SERVER : ROLE_CLIENT));
        require(link.peerPort(asHost ? 1 : 0) == peerPort);
        wholeBoard(board);
    }

    world->input = nullptr;
    window.reset();
    settle();
    world->drain();
    return 0;
}
