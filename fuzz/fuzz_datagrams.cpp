// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary datagrams into a PeerSocket with the play controller behind it, connected as the
// game connects them, through the same admission and OnReceive path as datagrams from the wire
// (receiveDatagram: acted on before the call returns, so no event loop turn per datagram).
//
// Each input opens the link one of four ways: through a directory server (whose BECOME_SERVER
// or JOIN_PEER may carry the extension block announcing REATTACH), or through a matchmaking web
// server whose answers ("Server", "Client/..." naming a party, anything else, no answer) the
// input writes. While a query "waits", the input may deliver further datagrams, a flood of one,
// and let time pass, as the socket and the timers would inside the real query's wait. Datagrams
// come from three parties: the directory server (or, on the web, a second proposed host), the
// game peer, and a stranger who is never proposed and never asked. A record may carry a valid
// extension block, with or without a match token; each party has tokens of its own, so that
// nobody ever shows another party's token. Any datagram may come as a flood of up to 257
// copies. The local player acts in between: clicks, a draw offer, a capitulation, the next set;
// a message box or question is answered with a button the input chooses. "Time passes" lets due
// timers run (answer timers are immediate here).
//
// What must hold: no crash, no sanitizer report; a matchmaking query never starts inside
// another; while the link still has no role, nothing from the stranger changes its role or its
// slot 0 (but a JOIN once the directory has named the stranger as the host to join); once a
// peer is joined the roles and the peer stay, and nobody else raises a link event (a JOIN with a
// block and a token that is not the match's included); and the board stays whole whatever
// arrives.
//
// Speed: everything that does not depend on the input lives for the whole run (the application,
// the parties' sockets, settings kept in memory), and an input leaves behind no memory of its
// own: events it posted are delivered before it returns, so that the leak check runs only
// where an input really kept something.

#include "app/SettingsStore.h"
#include "net/LinkExtension.h"
#include "net/PeerRecord.h"
#include "net/PeerSocket.h"
#include "rules/GameBoard.h"
#include "ui/PeerLink.h"
#include "ui/PlayController.h"
#include "ui/PlayView.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QNetworkDatagram>
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
                             QUIT,      CONNECT_BUSY, CONNECT_OK, BECOME_SERVER, JOIN_PEER, CONNECT_REQUEST,
                             MATCH_DIGEST, REATTACH};

// Everything that lives for the whole run: the application, the settings (in memory: the
// controller saves the variant of every match it hosts), and the three parties' sockets (so that
// whatever the link sends goes somewhere real on 127.0.0.1).
struct World {
    std::unique_ptr<QCoreApplication> app;
    SettingsStore settings{SettingsStore::InMemory{}};
    QUdpSocket parties[3]; // 0 directory server or second host, 1 game peer, 2 stranger

    quint16 port(int party) const { return parties[party].localPort(); }
    void drain()
    {
        for (QUdpSocket &s : parties)
            while (s.hasPendingDatagrams())
                s.readDatagram(nullptr, 0);
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

// The match token a party puts into its extension blocks: each party has tokens of its own, so
// that no party ever shows one of another's, the token of the match a peer holds included.
uint64_t tokenOf(int party, uint8_t k)
{
    return 0x3C5A000000000000ull | (uint64_t(party) << 40) | (uint64_t(k) + 1);
}

// A valid extension block, written from the input: features, then flags (bit 0 the hosting
// end, bit 1 a token, bits 2-6 which of the party's tokens, bit 7 a later version).
void extensionFrom(Input &in, int party, PeerRecord &rec)
{
    LinkExtension extension;
    extension.features = in.next();
    const uint8_t flags = in.next();
    extension.hostEnd = (flags & 1) != 0;
    if (flags & 2)
        extension.token = tokenOf(party, (flags >> 2) & 0x1F);
    if (flags & 0x80)
        extension.version = uint8_t(2 + in.next() % 254);
    writeLinkExtension(rec, extension);
}

// A datagram as the input writes it. Form bits 0-1: 0 any size and content, else a record with
// a payload and any sequence number (1), the one the receiver expects (2) or an older one (3);
// bit 2: the type byte picks from TYPES rather than standing for itself; bit 3: the record
// carries a valid extension block (extensionFrom) of the sending party. Bit 4 (a flood) is the
// caller's. A JOIN_PEER names one of a few addresses: the link never asks a name server for
// what an input makes up.
QByteArray datagramFrom(Input &in, uint8_t form, int party, uint32_t expected)
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
    if (form & 8)
        extensionFrom(in, party, rec);
    switch (form & 3) {
    case 1: rec.setSequence(in.next32()); break;
    case 2: rec.setSequence(expected); break;
    default: rec.setSequence(expected - 1 - in.next() % 3); break;
    }
    return rec.toByteArray();
}

// How many times a datagram of this form arrives: once, or (form bit 4) a flood of 2 to 257
// copies, as a hostile sender fires them. A query started inside another's wait shows at the
// second copy already; a longer flood would only cost time.
int copiesOf(Input &in, uint8_t form)
{
    return (form & 16) ? 2 + in.next() : 1;
}

void runOne(Input &in);

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
    world->app = std::make_unique<QCoreApplication>(qtArgc, qtArgv);
    for (QUdpSocket &s : world->parties)
        require(s.bind(LOOPBACK, 0));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Input in(data, size);
    runOne(in);
    world->drain();
    // What the input posted and nobody took (a host lookup's answer for a link that is gone, a
    // deferred delete) goes now: the input keeps nothing, and the fuzzer sees a balanced run.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}

namespace {

// The setup byte: % 3 the opening (0 directory joiner, 1 directory host, 2 web matchmaking);
// / 3 its options: bit 0 the directory's BECOME_SERVER or JOIN_PEER carries a block announcing
// REATTACH, bit 1 that block has a token too, bit 2 the peer's JOIN carries a block (RESUME,
// and with bit 3 the peer's token).
void runOne(Input &in)
{
    const uint8_t setup = in.next();
    const int opening = setup % 3;
    const unsigned options = setup / 3;

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
    config.fetchLine = [&](const QString &, QString *line) {
        require(!inQuery); // one query at a time, never one inside another's wait
        inQuery = true;
        // The wait: a count of datagrams that arrive meanwhile (bits 0-1), each of them perhaps
        // a flood; bit 2, time passes (answer timers run out while the query waits).
        const uint8_t wait = in.next();
        for (int n = wait % 4; n > 0 && !in.empty(); --n) {
            const int party = in.next() % 3;
            const uint8_t form = in.next() | 4;
            const QByteArray datagram = datagramFrom(in, form, party, 0);
            const int outer = handling;
            handling = party;
            for (int copies = copiesOf(in, form); copies > 0; --copies)
                deliver(party, datagram);
            handling = outer;
        }
        if (wait & 4)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
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
    PlayController play(board, peerLink, view, world->settings, 30000);
    QObject::connect(&link, &PeerSocket::linkEvent, &link,
                     [&](unsigned event, int param) { play.OnLinkEvent(event, param); }, Qt::DirectConnection);
    std::vector<int> eventsFrom(4, 0); // link events raised while a datagram of each party was handled
    QObject::connect(&link, &PeerSocket::linkEvent, &link, [&](unsigned event, int) {
        ++eventsFrom[handling];
        delivered += event == LINK_RECEIVED;
    }, Qt::DirectConnection);

    // The directory's record, and the peer's JOIN, with their blocks as the options say.
    auto withBlocks = [&](PeerRecord &r, int party) {
        if (party == 0 && (options & 1)) {
            LinkExtension extension;
            extension.features = FEATURE_REATTACH;
            if (options & 2)
                extension.token = tokenOf(0, 0);
            require(writeLinkExtension(r, extension));
        } else if (party == 1 && (options & 4)) {
            LinkExtension extension;
            extension.features = FEATURE_RESUME;
            if (options & 8)
                extension.token = tokenOf(1, 0);
            require(writeLinkExtension(r, extension));
        }
        return r.toByteArray();
    };
    if (opening < 2) {
        require(link.Start(1, QStringLiteral("127.0.0.1"), START_VIA_SERVER, GAME_KIND));
        PeerRecord r;
        if (opening == 1) {
            r.writeBare(BECOME_SERVER);
            deliver(0, withBlocks(r, 0));
            require(link.role == ROLE_SERVER);
            r.clear();
            r.writeJoin(GAME_KIND);
            deliver(1, withBlocks(r, 1));
            require(link.peerPort(1) == world->port(1));
        } else {
            r.writeJoinPeer(world->port(1), "127.0.0.1");
            deliver(0, withBlocks(r, 0));
            r.clear();
            r.writeBare(JOIN);
            deliver(1, withBlocks(r, 1));
            require(link.role == ROLE_CLIENT && link.peerPort(0) == world->port(1));
        }
    } else if (!link.Start(1, QStringLiteral("http://127.0.0.1:1"), START_VIA_SERVER, GAME_KIND)) {
        return;
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
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            } else if (board.isMyTurn() == 1) {
                const SquareXY at = board.squareXY[in.next() & 63];
                board.handleClick(at.x + 20, at.y + 20);
            }
            wholeBoard(board);
            continue;
        }
        const int party = sel % 3;
        const uint8_t form = sel >> 2;
        const bool fromPeer = peerPort != 0 && world->port(party) == peerPort;
        const uint32_t expected = fromPeer ? uint32_t(delivered - baseDelivered) : 0;
        const QByteArray datagram = datagramFrom(in, form, party, expected);
        const uint8_t roleBefore = link.role;
        const QString slotZeroBefore = link.peerAddress(0);
        const quint16 slotZeroPortBefore = link.peerPort(0);
        const int peerSlot = joinedRole == ROLE_SERVER ? 1 : 0;
        const QString peerAddressBefore = link.peerAddress(peerSlot);
        const int outsiderEvents = eventsFrom[party];
        handling = party;
        for (int copies = copiesOf(in, form); copies > 0; --copies)
            deliver(party, datagram);
        handling = 3;
        if (peerPort != 0) {
            // A server stays a server and a client a client, nobody takes the peer's place,
            // and nobody but the peer raises anything.
            require(link.role == joinedRole);
            require(link.peerPort(peerSlot) == peerPort && link.peerAddress(peerSlot) == peerAddressBefore);
            if (!fromPeer)
                require(eventsFrom[party] == outsiderEvents);
        } else if (party == STRANGER && roleBefore == ROLE_NONE
                   && !(datagram.size() == RECORD_SIZE && uint8_t(datagram[0]) == JOIN
                        && slotZeroPortBefore == world->port(STRANGER))) {
            require(link.role == ROLE_NONE);
            require(link.peerAddress(0) == slotZeroBefore && link.peerPort(0) == slotZeroPortBefore);
        }
        wholeBoard(board);
    }
}

} // namespace
