// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/PeerSocket.h"

#include "net/LinkExtension.h"
#include "net/ReliableLink.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QUdpSocket>

namespace sorvada {

namespace {

// Datagrams read but not yet acted on; more than a burst of a fair peer ever needs.
constexpr size_t MAX_INBOX = 1024;

Matchmaker::Settings matchmakerSettings(const PeerSocketConfig &config)
{
    Matchmaker::Settings settings;
    settings.gamePort = config.gamePort;
    settings.directoryPort = config.directoryPort;
    settings.answerTimeoutMs = config.answerTimeoutMs;
    settings.httpTimeoutMs = config.httpTimeoutMs;
    settings.userAgent = config.userAgent;
    settings.fetchLine = config.fetchLine;
    return settings;
}

} // namespace

PeerSocket::PeerSocket(const Config &config, QObject *parent)
    : QObject(parent),
      match(std::make_unique<Matchmaker>(matchmakerSettings(config), matchmakerOwner(), sendRecord)),
      answered(match->answered()),
      partnerAddress(match->partnerAddress()),
      partnerPort(match->partnerPort()),
      matchId(match->matchId()),
      ownPortText(match->ownPortText()),
      viaWeb(match->viaWeb()),
      cfg(config)
{
    ReliableLink::Timing timing;
    timing.retransmitMs = cfg.retransmitMs;
    timing.probeIntervalMs = cfg.probeIntervalMs;
    timing.peerSilenceMs = cfg.peerSilenceMs;
    timing.graceMs = cfg.graceMs;
    timing.graceResendMaxMs = cfg.graceResendMaxMs;
    timing.knockIntervalMs = cfg.knockIntervalMs;
    for (int slot = 0; slot < int(peers.size()); ++slot) {
        ReliableLink::Owner owner;
        owner.send = [this](const PeerRecord &record, const QString &address, quint16 port) {
            return sendTo(record, address, port);
        };
        owner.raise = [this](unsigned event, int param) { emit linkEvent(event, param); };
        owner.mayResume = [this, slot] { return canResume(slot); };
        owner.knock = [this, slot] { knock(slot); };
        peers[slot] = std::make_unique<ReliableLink>(timing, std::move(owner));
    }
}

PeerSocket::~PeerSocket() = default;

Matchmaker::Owner PeerSocket::matchmakerOwner()
{
    Matchmaker::Owner owner;
    owner.role = [this] { return role; };
    owner.open = [this](quint16 port) { return openSocket(port); };
    owner.place = [this](const QString &address, quint16 port) { at(0).setPlace(address, port); };
    owner.placeAddress = [this] { return at(0).address(); };
    owner.sendToPlace = [this](const PeerRecord &record) { return sendToSlot(record, 0); };
    owner.send = [this](const PeerRecord &record, const QString &address, quint16 port) {
        return sendTo(record, address, port);
    };
    owner.becomeServer = [this] { becomeServer(); };
    owner.startFailed = [this] { emit startFailed(); };
    return owner;
}

bool PeerSocket::Start(int cap, const QString &address, int mode, uint8_t kind)
{
    // A match has two players: a server takes one client.
    if (cap != 1)
        return false;
    resetLink();
    match->reset(address, mode, kind, cap);

    role = ROLE_NONE;
    gameKind = kind;
    capacity = cap;
    nextSlot = 1;
    for (const auto &peer : peers)
        peer->reset();
    slotCount = int(peers.size());
    strangerQuitTaken = false;
    resumes = peerGreeted = ownAnnounced = false;
    token.reset();

    switch (mode) {
    case START_HOST:
        if (!openSocket(cfg.gamePort))
            return false;
        role = ROLE_SERVER;
        drawToken();
        emit linkEvent(LINK_SERVING, 0);
        return true;
    case START_JOIN:
    case START_VIA_SERVER:
        return match->start();
    default:
        return false;
    }
}

bool PeerSocket::SendReliable(int slot)
{
    if (!validSlot(slot) || at(slot).ended())
        return false;
    const uint8_t type = sendRecord.type();
    // The extension messages reach only a peer that announced it knows them, and only after
    // this copy has announced itself.
    if ((type == MATCH_DIGEST || type == REATTACH) && !(resumes && ownAnnounced))
        return false;
    PeerRecord entry = sendRecord;
    // The greeting to the peer announces that this copy resumes: the client's always, the
    // server's (with the match token) only to a client that announced it too. The block goes
    // into the queued copy only; sendRecord stays as the caller wrote it.
    if (type == GREETING && cfg.resumeMatches && role != ROLE_NONE && slot == peerSlot()
        && (role == ROLE_CLIENT || resumes)) {
        // The server's greeting carries the match token; the client has none to give.
        const bool hosting = role == ROLE_SERVER;
        ownAnnounced = writeLinkExtension(entry, resumeBlock(hosting ? token : std::nullopt, hosting)) || ownAnnounced;
    }
    return at(slot).queue(entry);
}

void PeerSocket::SendChat(const QByteArray &text)
{
    sendRecord.writeChat(text);
    if (role == ROLE_SERVER) {
        for (int slot = 1; slot < nextSlot; ++slot)
            SendReliable(slot);
    } else if (role == ROLE_CLIENT) {
        SendReliable(0);
    }
}

void PeerSocket::SendQuit()
{
    // Leaving ends the match: the peer is neither probed nor given up any more. A lost line is
    // not waited for any longer; what is queued, QUIT last, gets its ten sends.
    stopWatching();
    for (const auto &peer : peers)
        peer->leaveGrace(true);
    // The records queued before QUIT still go out ahead of it; nothing is queued after it.
    const auto quitTo = [this](int slot) {
        sendRecord.writeBare(QUIT);
        if (SendReliable(slot))
            at(slot).end();
    };
    if (role == ROLE_SERVER) {
        for (int slot = 1; slot < nextSlot; ++slot)
            quitTo(slot);
    } else if (role == ROLE_CLIENT) {
        quitTo(0);
    }
    if (viaWeb && role != ROLE_NONE)
        match->queryEndOnce();
}

bool PeerSocket::QueryStart(const QString &mode)
{
    return match->queryStart(mode);
}

void PeerSocket::QueryEnd()
{
    match->queryEnd();
}

StartFailure PeerSocket::silenceReason() const
{
    return match->silenceReason();
}

QString PeerSocket::awaitedAddress() const
{
    return match->awaitedAddress();
}

quint16 PeerSocket::localPort() const
{
    return socket ? socket->localPort() : 0;
}

int PeerSocket::queuedCount(int slot) const
{
    return validSlot(slot) ? at(slot).queued() : 0;
}

QString PeerSocket::peerAddress(int slot) const
{
    return validSlot(slot) ? at(slot).address() : QString();
}

quint16 PeerSocket::peerPort(int slot) const
{
    return validSlot(slot) ? at(slot).port() : 0;
}

bool PeerSocket::openSocket(quint16 port)
{
    auto *udp = new QUdpSocket(this);
    // The link's datagrams go straight to the peer: only the web queries honour the system's
    // proxy settings, and asking for them at every bind costs a lookup of its own.
    udp->setProxy(QNetworkProxy::NoProxy);
    // Exclusive: a host must fail to start while another program holds the game port.
    if (!udp->bind(QHostAddress::AnyIPv4, port, QAbstractSocket::DontShareAddress)) {
        delete udp;
        return false;
    }
    socket = udp;
    connect(socket, &QUdpSocket::readyRead, this, &PeerSocket::readPending);
    match->opened(socket->localAddress(), socket->localPort());
    return true;
}

// The socket does not announce new datagrams while its own readyRead is being handled, and a
// link event handler may sit in a modal dialog for a long time. So the notification only moves
// waiting datagrams into the inbox, and each is acted on from a queued call of its own: further
// datagrams keep flowing inside the nested event loops of such handlers.
void PeerSocket::readPending()
{
    while (socket && socket->hasPendingDatagrams()) {
        // One byte more than a record, so that a longer datagram shows by its length.
        Arrival arrival;
        arrival.datagram = QByteArray(RECORD_SIZE + 1, '\0');
        const qint64 length = socket->readDatagram(arrival.datagram.data(), arrival.datagram.size(),
                                                   &arrival.from, &arrival.fromPort);
        // A failed read leaves the link as it was.
        if (length < 0)
            continue;
        arrival.datagram.truncate(length);
        admit(std::move(arrival));
    }
    if (!inbox.empty())
        scheduleReceive();
}

bool PeerSocket::admit(Arrival arrival)
{
    // Anything but a whole record from an IPv4 sender leaves the link as it was.
    if (arrival.datagram.size() != RECORD_SIZE
        || arrival.from.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    if (inbox.size() >= MAX_INBOX)
        return false; // a flood is shed here; reliable records are sent again
    inbox.push_back(std::move(arrival));
    return true;
}

void PeerSocket::injectDatagram(const QByteArray &datagram, const QHostAddress &sender, quint16 port)
{
    if (admit(Arrival{datagram, sender, port}))
        scheduleReceive();
}

void PeerSocket::receiveDatagram(const QByteArray &datagram, const QHostAddress &sender, quint16 port)
{
    if (!admit(Arrival{datagram, sender, port}))
        return;
    // Everything admitted before it goes first, as the queued calls would take them.
    while (!inbox.empty())
        OnReceive();
}

void PeerSocket::scheduleReceive()
{
    if (receiveScheduled)
        return;
    receiveScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            receiveScheduled = false;
            OnReceive();
        },
        Qt::QueuedConnection);
}

void PeerSocket::OnReceive()
{
    if (inbox.empty())
        return;
    const Arrival arrival = std::move(inbox.front());
    inbox.pop_front();
    if (!inbox.empty())
        scheduleReceive();
    const auto take = [this, &arrival] {
        recvRecord.assign(arrival.datagram);
        senderHost = arrival.from;
        senderAddress = arrival.from.toString();
        senderPort = arrival.fromPort;
    };
    take();
    // Whatever comes from the peer's slot while its line is waited for brings the line back
    // (a QUIT ends the match instead). The handler of LINK_BACK may have read further
    // datagrams, so the record is taken again before it is acted on.
    if (recvRecord.type() != QUIT) {
        const int from = lookUpSender();
        if (validSlot(from) && from < nextSlot && at(from).inGrace()) {
            at(from).lineBack();
            take();
        }
    }
    // Whatever a watched peer sends shows that it is still there.
    const int watched = watchedSender();
    if (watched >= 0) {
        at(watched).heard();
    }

    switch (recvRecord.type()) {
    case PROBE:
        // A watched peer is not answered every time (ReliableLink::answerProbe).
        if (watched >= 0 && !at(watched).answerProbe())
            break;
        sendRecord.writeBare(PROBE);
        sendTo(sendRecord, senderAddress, senderPort);
        break;
    case BECOME_SERVER:
        match->becomeServerAsked(recvRecord, senderHost, senderPort);
        break;
    case CONNECT_REQUEST:
        match->connectRequested(senderAddress, senderPort);
        break;
    case JOIN_PEER:
        match->joinPeer(recvRecord, senderHost, senderPort);
        break;
    case JOIN:
        handleJoin();
        break;
    case QUIT:
        handleQuit();
        break;
    case CONNECT_OK:
        match->connectOk(senderHost, senderPort);
        break;
    case CONNECT_BUSY:
        match->connectBusy(senderHost, senderPort, fromSlot(0));
        break;
    case ACK:
        handleAck();
        break;
    default:
        handleGameMessage();
        break;
    }
}

void PeerSocket::becomeServer()
{
    // A server's slot 0 stays empty. After a directory start it still names the directory;
    // a client relayed through that same address and port would otherwise be taken for
    // slot 0 by the sender lookup, and its acknowledgements would never reach slot 1.
    at(0).setPlace(QString(), 0);
    role = ROLE_SERVER;
    drawToken();
    emit linkEvent(LINK_SERVING, 0);
}

void PeerSocket::handleJoin()
{
    if (role == ROLE_SERVER) {
        if (recvRecord.gameKind() != gameKind)
            return;
        if (nextSlot > capacity) {
            // A knock of a copy of ours that lost its line: taken, or left without an answer.
            if (const auto block = readLinkExtension(recvRecord); block && block->resumes()) {
                takeKnock(*block);
                return;
            }
            // A further player knocking at a full game: told so at once, rather than left to
            // wait. The client already joined is not turned away by a late copy of its JOIN.
            if (lookUpSender() == nextSlot) {
                sendRecord.writeBare(CONNECT_BUSY);
                sendTo(sendRecord, senderAddress, senderPort);
            }
            return;
        }
        const int slot = nextSlot;
        at(slot).setPlace(senderAddress, senderPort);
        sendRecord.setType(JOIN);
        sendToSlot(sendRecord, slot);
        // The slot counts as joined before the window hears of it, so that whatever the
        // handler sends reaches the new client.
        nextSlot = slot + 1;
        match->seated(nextSlot);
        at(slot).watch();
        if (slot == capacity)
            emit linkEvent(LINK_PEER_JOINED, 0);
        else
            emit linkEvent(LINK_SERVING, slot);
        return;
    }
    // A client in its match has its server already: a further JOIN, from whoever, would
    // point the match at another address and start it again.
    if (role == ROLE_CLIENT)
        return;
    // Our server's acceptance, from the address it really sends from (a host name typed by
    // the user becomes the dotted address here); the port stays the one we knocked at. So it
    // comes from that port: a JOIN from any other, or before this copy has knocked anywhere
    // (a web start waiting for its proposed host's word), is nobody's acceptance.
    if (at(0).port() == 0 || senderPort != at(0).port())
        return;
    at(0).setPlace(senderAddress, at(0).port());
    match->joinedAt(senderHost);
    role = ROLE_CLIENT;
    at(0).watch();
    emit linkEvent(LINK_JOINED, 0);
}

void PeerSocket::handleQuit()
{
    // Only the first QUIT for a slot counts, and none once this copy has quit itself: repeats
    // of it arrive while the peer's end query runs. A client's only peer is slot 0. Once a
    // peer is joined only that peer can end the match; a copy still looking for one takes it
    // only from the party it knocked at, and a server nobody has joined yet from anyone.
    const int from = lookUpSender();
    if (role == ROLE_CLIENT ? from != 0 : role == ROLE_SERVER ? nextSlot > 1 && from >= nextSlot : !fromSlot(0))
        return;
    const int slot = role == ROLE_SERVER ? from : 0;
    const bool known = slot < nextSlot && validSlot(slot);
    if (known ? at(slot).ended() : strangerQuitTaken)
        return;
    if (known)
        at(slot).end();
    else
        strangerQuitTaken = true;
    if (role == ROLE_SERVER) {
        for (int slot = 1; slot < nextSlot; ++slot) {
            if (slot == from)
                continue;
            sendRecord.writeBare(QUIT);
            SendReliable(slot);
        }
    }
    if (viaWeb)
        match->queryEndOnce();
    stopWatching();
    for (const auto &peer : peers)
        peer->leaveGrace(false);
    emit linkEvent(LINK_PEER_GONE, PEER_GONE_LEFT);
}

bool PeerSocket::fromSlot(int slot) const
{
    if (!validSlot(slot) || slot >= nextSlot || at(slot).port() == 0 || senderPort != at(slot).port())
        return false;
    const QHostAddress host = knownHost(at(slot).address());
    return !host.isNull() && senderHost == host;
}

// The address a text stands for, as far as the link knows it without asking a name server:
// a dotted address as it is; a host name only as it was resolved for slot 0, the proposed game
// server or the directory.
QHostAddress PeerSocket::knownHost(const QString &address) const
{
    QHostAddress literal;
    if (literal.setAddress(address))
        return literal.protocol() == QAbstractSocket::IPv4Protocol ? literal : QHostAddress();
    if (slotCount > 0 && address == at(0).address())
        return match->placeHost();
    return match->hostOf(address);
}

void PeerSocket::handleAck()
{
    const int slot = lookUpSender();
    if (slot >= nextSlot)
        return;
    at(slot).acknowledged(recvRecord.ackNumber());
}

void PeerSocket::handleGameMessage()
{
    const int slot = lookUpSender();
    if (slot >= nextSlot)
        return;
    if (at(slot).ended())
        return;
    const uint32_t n = recvRecord.sequence();
    const ReliableLink::Arrival arrival = at(slot).take(n);
    if (arrival == ReliableLink::Arrival::Repeat) {
        // A repeat whose acknowledgement was lost: acknowledge again, deliver nothing.
        sendRecord.writeAck(n);
        sendToSlot(sendRecord, slot);
        return;
    }
    if (arrival == ReliableLink::Arrival::Ahead)
        return; // ahead of a missing one: the sender repeats it in order
    sendRecord.writeAck(n);
    sendToSlot(sendRecord, slot);
    if (recvRecord.type() == GREETING && slot == peerSlot())
        readGreeting();
    if (role == ROLE_SERVER && recvRecord.type() == CHAT) {
        for (int other = 1; other < nextSlot; ++other) {
            if (other == slot)
                continue;
            sendRecord = recvRecord;
            SendReliable(other);
        }
    }
    emit linkEvent(LINK_RECEIVED, 0);
}

void PeerSocket::stopWatching()
{
    for (const auto &peer : peers)
        peer->stopWatching();
}

int PeerSocket::watchedSender()
{
    const int slot = lookUpSender();
    return slot < nextSlot && validSlot(slot) && at(slot).watched() ? slot : -1;
}

int PeerSocket::lookUpSender()
{
    senderSlot = nextSlot;
    for (int slot = 0; slot < nextSlot && slot < slotCount; ++slot) {
        if (at(slot).port() == senderPort && at(slot).address() == senderAddress) {
            senderSlot = slot;
            break;
        }
    }
    return senderSlot;
}

bool PeerSocket::sendTo(const PeerRecord &record, const QString &address, quint16 port)
{
    if (!socket || port == 0 || address.isEmpty())
        return false;
    // Host names were looked up when they came; a send never waits for a name server.
    const QHostAddress target = knownHost(address);
    if (target.isNull())
        return false;
    return socket->writeDatagram(record.toByteArray(), target, port) == RECORD_SIZE;
}

bool PeerSocket::sendToSlot(const PeerRecord &record, int slot)
{
    return validSlot(slot) && at(slot).send(record);
}

void PeerSocket::resetLink()
{
    for (const auto &peer : peers)
        peer->reset();
    delete socket;
    socket = nullptr;
    inbox.clear();
}

} // namespace sorvada
