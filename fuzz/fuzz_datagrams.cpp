// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary datagrams into a PeerSocket with the play controller behind it, connected as the
// game connects them, through the same admission and OnReceive path as datagrams from the wire
// (receiveDatagram: acted on before the call returns, so no event loop turn per datagram).
//
// Each input opens the link one of four ways: through a directory server, or through a
// matchmaking web server whose answers ("Server", "Client/..." naming a party, anything else,
// no answer) the input writes. While a query "waits", the input may deliver further datagrams,
// as the socket would inside the real query's wait. Datagrams come from three parties: the
// directory server (or, on the web, a second proposed host), the game peer, and a stranger who
// is never proposed and never asked. The local player acts in between: clicks, a draw offer, a
// capitulation, the next set; a message box or question is answered with a button the input
// chooses. "Time passes" lets due timers run (answer timers are immediate here).
//
// What must hold: no crash, no sanitizer report; a matchmaking query never starts inside
// another; while the link still has no role, nothing from the stranger but a JOIN changes its
// role or its slot 0; once a peer is joined the roles and the peer stay, and nobody else raises
// a link event; and the board stays whole whatever arrives.

#include "app/SettingsStore.h"
#include "net/PeerRecord.h"
#include "net/PeerSocket.h"
#include "rules/GameBoard.h"
#include "ui/PeerLink.h"
#include "ui/PlayController.h"
#include "ui/PlayView.h"

#include <QCoreApplication>
#include <QDir>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QSettings>
#include <QTemporaryDir>
#include <QUdpSocket>

#include "FuzzInput.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <set>

using namespace sorvada;

namespace {

const QHostAddress LOOPBACK(QStringLiteral("127.0.0.1"));
constexpr int STRANGER = 2;

// Link records and game messages, so that a chosen type meets the link's rules often.
constexpr uint8_t TYPES[] = {GREETING, MOVE,       CAPTURE_STEP,  DRAW_OFFER, DRAW_ACCEPTED, DRAW_DECLINED,
                             GAME_LOST, YOU_START, CHAT,          PROBE,      ACK,           JOIN,
                             QUIT,      CONNECT_BUSY, CONNECT_OK, BECOME_SERVER, JOIN_PEER, CONNECT_REQUEST};

// Everything that lives for the whole run: the application, a settings folder, and the three
// parties' sockets (so that whatever the link sends goes somewhere real on 127.0.0.1).
struct World {
    // The controller writes a setting now and then, and every write is flushed to disk: in
    // memory (tmpfs) where there is one, a flush costs nothing and the fuzzer does not wait.
    QTemporaryDir settingsDir{QDir(QStringLiteral("/dev/shm")).exists()
                                  ? QStringLiteral("/dev/shm/sorvada-fuzz-XXXXXX")
                                  : QDir::tempPath() + QStringLiteral("/sorvada-fuzz-XXXXXX")};
    std::unique_ptr<QCoreApplication> app;
    std::unique_ptr<SettingsStore> settings;
    QUdpSocket parties[3]; // 0 directory server or second host, 1 game peer, 2 stranger

    quint16 port(int party) const { return parties[party].localPort(); }
    void drain()
    {
        for (QUdpSocket &s : parties)
            while (s.hasPendingDatagrams())
                s.receiveDatagram(0);
    }
};

World *world = nullptr;

// The window stand-in: every question answered at once from the input, timers only noted.
class FuzzView : public PlayView {
public:
    explicit FuzzView(Input &in) : in(in) {}
    std::set<int> timers;
    bool closed = false;

    void setStatusText(int, const QString &) override {}
    void setBoardCursor(int) override {}
    void redraw() override {}
    void showTitle(const QString &) override {}
    void startWindowTimer(int id, int) override { timers.insert(id); }
    void killWindowTimer(int id) override { timers.erase(id); }
    bool isWindowTimerActive(int id) const override { return timers.count(id) != 0; }
    void startCountdown() override {}
    void stopCountdown() override {}
    int messageBox(const QString &, QMessageBox::Icon, QMessageBox::StandardButtons buttons) override
    {
        // One of the buttons offered, by the input's choice.
        std::vector<int> offered;
        for (int b = QMessageBox::FirstButton; b <= QMessageBox::LastButton; b <<= 1)
            if (buttons & b)
                offered.push_back(b);
        return offered.empty() ? int(QMessageBox::Ok) : offered[in.next() % offered.size()];
    }
    void networkError(const QString &) override {}
    bool confirm(const QString &) override { return in.next() & 1; }
    bool askStart(QString &, int &) override { return false; }
    bool askAddress(QString &) override { return false; }
    uint8_t chooseVariant() override { return (in.next() & 1) ? VARIANT_RUSSIAN : VARIANT_AMERICAN; }
    void showScore(int, int, const QString &) override {}
    void appendChat(const QString &) override {}
    void showChat() override {}
    void playSound(const QString &) override {}
    void alert() override {}
    void closeWindow() override { closed = true; }

private:
    Input &in;
};

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

// A datagram as the input writes it. Form bits 0-1: 0 any size and content, else a record with
// a payload and any sequence number (1), the one the receiver expects (2) or an older one (3);
// bit 2: the type byte picks from TYPES rather than standing for itself. A JOIN_PEER names one
// of a few addresses: the link never asks a name server for what an input makes up.
QByteArray datagramFrom(Input &in, uint8_t form, uint32_t expected)
{
    if ((form & 3) == 0) {
        const int length = in.next() * 2;
        QByteArray datagram(length, '\0');
        for (int i = 0; i < length; ++i)
            datagram[i] = char(in.next());
        return datagram;
    }
    PeerRecord rec;
    const uint8_t type = in.next();
    rec.setType((form & 4) ? TYPES[type % std::size(TYPES)] : type);
    if (rec.type() == JOIN_PEER) {
        // A dotted address, a host name found in the hosts file, or none.
        static const char *const names[] = {"127.0.0.1", "localhost", "", "127.0.0.1 "};
        rec.writeJoinPeer(world->port(in.next() % 3), names[in.next() % 4]);
    } else {
        const int payload = in.next();
        for (int i = 0; i < payload && i < SEQUENCE_OFFSET - 1; ++i)
            rec.bytes[1 + i] = in.next();
    }
    switch (form & 3) {
    case 1: rec.setSequence(in.next32()); break;
    case 2: rec.setSequence(expected); break;
    default: rec.setSequence(expected - 1 - in.next() % 3); break;
    }
    return rec.toByteArray();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    (void)argc;
    (void)argv;
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    static int qtArgc = 1;
    static char name[] = "fuzz_datagrams";
    static char *qtArgv[] = {name, nullptr};
    world = new World;
    qputenv("XDG_CONFIG_HOME", world->settingsDir.path().toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, world->settingsDir.path());
    world->app = std::make_unique<QCoreApplication>(qtArgc, qtArgv);
    world->settings = std::make_unique<SettingsStore>(QStringLiteral("sorvada-fuzz"));
    for (QUdpSocket &s : world->parties)
        require(s.bind(LOOPBACK, 0));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input in(data, size);
    const uint8_t setup = in.next();
    const int opening = setup % 3; // 0 directory joiner, 1 directory host, 2 web matchmaking

    GameBoard board;
    FuzzView view(in);
    PeerSocket *linkPtr = nullptr;
    bool inQuery = false;
    int handling = 3; // the party whose datagram is being handled; 3 none
    int delivered = 0;
    auto deliver = [&](int party, const QByteArray &datagram) {
        linkPtr->receiveDatagram(datagram, LOOPBACK, world->port(party));
    };

    PeerSocket::Config config;
    config.gamePort = 0;
    config.directoryPort = world->port(0);
    config.answerTimeoutMs = 0;   // "time passes" runs them
    config.retransmitMs = 60000;  // never within an input
    config.probeIntervalMs = 0;   // no probing of the peer
    config.fetchLine = [&](const QString &url, QString *line) {
        require(!inQuery); // one query at a time, never one inside another's wait
        inQuery = true;
        if (url.contains(QLatin1String("/start.asp"))) {
            // Datagrams that arrive while the query waits.
            for (int n = in.next() % 4; n > 0 && !in.empty(); --n) {
                const int party = in.next() % 3;
                const int outer = handling;
                handling = party;
                deliver(party, datagramFrom(in, in.next() | 4, 0));
                handling = outer;
            }
        }
        inQuery = false;
        switch (in.next() % 6) {
        case 0: *line = QStringLiteral("Server"); return true;
        case 1: // the peer or the second host is proposed, never the stranger
        case 2: *line = QStringLiteral("Client/127.0.0.1/%1/P%2").arg(world->port(in.next() & 1)).arg(in.next()); return true;
        case 3: *line = QStringLiteral("Client/localhost/%1/L").arg(world->port(1)); return true;
        case 4: {
            // No answer word: the answer parser has a fuzzer of its own, and a made-up
            // "Client" address would be looked up.
            QByteArray bytes(1 + in.next() % 48, '?');
            for (int i = 1; i < bytes.size(); ++i)
                bytes[i] = char(in.next());
            *line = QString::fromLatin1(bytes);
            return true;
        }
        default: return false;
        }
    };
    PeerSocket link(config);
    linkPtr = &link;
    PeerLink peerLink(link);
    PlayController play(board, peerLink, view, *world->settings, 30000);
    QObject::connect(&link, &PeerSocket::linkEvent, &link,
                     [&](unsigned event, int param) { play.OnLinkEvent(event, param); }, Qt::DirectConnection);
    std::vector<int> eventsFrom(4, 0); // link events raised while a datagram of each party was handled
    QObject::connect(&link, &PeerSocket::linkEvent, &link, [&](unsigned event, int) {
        ++eventsFrom[handling];
        delivered += event == LINK_RECEIVED;
    }, Qt::DirectConnection);

    if (opening < 2) {
        require(link.Start(1, QStringLiteral("127.0.0.1"), START_VIA_SERVER, GAME_KIND));
        PeerRecord r;
        if (opening == 1) {
            r.writeBare(BECOME_SERVER);
            deliver(0, r.toByteArray());
            require(link.role == ROLE_SERVER);
            r.writeJoin(GAME_KIND);
            deliver(1, r.toByteArray());
            require(link.peerPort(1) == world->port(1));
        } else {
            r.writeJoinPeer(world->port(1), "127.0.0.1");
            deliver(0, r.toByteArray());
            r.clear();
            r.writeBare(JOIN);
            deliver(1, r.toByteArray());
            require(link.role == ROLE_CLIENT && link.peerPort(0) == world->port(1));
        }
    } else if (!link.Start(1, QStringLiteral("http://127.0.0.1:1"), START_VIA_SERVER, GAME_KIND)) {
        world->drain();
        return 0;
    }

    // The joined peer, once there is one: its port, and the role the link then has.
    quint16 peerPort = 0;
    uint8_t joinedRole = ROLE_NONE;
    int baseDelivered = delivered;
    for (int n = 0; !in.empty() && !view.closed && n < 64; ++n) {
        if (peerPort == 0) {
            const quint16 joined = link.role == ROLE_CLIENT ? link.peerPort(0)
                : link.role == ROLE_SERVER                  ? link.peerPort(1)
                                                            : 0;
            if (joined != 0) {
                peerPort = joined;
                joinedRole = link.role;
                baseDelivered = delivered;
            }
        }
        const uint8_t sel = in.next();
        // The new-set timer has run out: the time it waits is of no interest here.
        if (view.isWindowTimerActive(TIMER_NEW_SET)) {
            view.killWindowTimer(TIMER_NEW_SET);
            play.OnNewSet();
        }
        if (sel >= 0xF0) {
            // The local player meanwhile, or time passing.
            if (sel == 0xFE) {
                play.OnDrawOffer();
            } else if (sel == 0xFF) {
                play.OnCapitulate();
            } else if (sel == 0xFD) {
                QCoreApplication::processEvents(QEventLoop::AllEvents);
            } else if (board.isMyTurn() == 1) {
                const SquareXY at = board.squareXY[in.next() & 63];
                board.handleClick(at.x + 20, at.y + 20);
            }
            wholeBoard(board);
            continue;
        }
        const int party = sel % 3;
        const bool fromPeer = peerPort != 0 && world->port(party) == peerPort;
        const uint32_t expected = fromPeer ? uint32_t(delivered - baseDelivered) : 0;
        const QByteArray datagram = datagramFrom(in, sel >> 2, expected);
        const uint8_t roleBefore = link.role;
        const QString slotZeroBefore = link.peerAddress(0);
        const quint16 slotZeroPortBefore = link.peerPort(0);
        const int outsiderEvents = eventsFrom[party];
        handling = party;
        deliver(party, datagram);
        handling = 3;
        if (peerPort != 0) {
            // A server stays a server and a client a client, nobody takes the peer's place,
            // and nobody but the peer raises anything.
            require(link.role == joinedRole);
            require(link.peerPort(joinedRole == ROLE_SERVER ? 1 : 0) == peerPort);
            if (!fromPeer)
                require(eventsFrom[party] == outsiderEvents);
        } else if (party == STRANGER && roleBefore == ROLE_NONE
                   && !(datagram.size() == RECORD_SIZE && uint8_t(datagram[0]) == JOIN)) {
            require(link.role == ROLE_NONE);
            require(link.peerAddress(0) == slotZeroBefore && link.peerPort(0) == slotZeroPortBefore);
        }
        wholeBoard(board);
    }

    world->drain();
    return 0;
}
