// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/PeerSocket.h"

#include "net/LineFetch.h"
#include "net/LinkExtension.h"
#include "net/MatchAnswer.h"
#include "net/ReliableLink.h"
#include "net/RoomCode.h"
#include "net/RoomMarker.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QRandomGenerator>
#include <QTimerEvent>
#include <QUdpSocket>

#include <algorithm>
#include <limits>

namespace sorvada {

namespace {

// Datagrams read but not yet acted on; more than a burst of a fair peer ever needs.
constexpr size_t MAX_INBOX = 1024;

// The IPv4 address a text names: a dotted address as it is, a host name by its first IPv4
// address (the socket speaks IPv4 only). Null when there is none.
QHostAddress resolve(const QString &address)
{
    QHostAddress target;
    if (address.isEmpty())
        return target;
    if (target.setAddress(address) && target.protocol() == QAbstractSocket::IPv4Protocol)
        return target;
    target.clear();
    const QHostInfo info = QHostInfo::fromName(address);
    for (const QHostAddress &candidate : info.addresses()) {
        if (candidate.protocol() == QAbstractSocket::IPv4Protocol)
            return candidate;
    }
    return QHostAddress();
}

} // namespace

PeerSocket::PeerSocket(const Config &config, QObject *parent) : QObject(parent), cfg(config)
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

bool PeerSocket::Start(int cap, const QString &address, int mode, uint8_t kind)
{
    // A match has two players: a server takes one client.
    if (cap != 1)
        return false;
    resetLink();

    baseAddress = address;
    viaWeb = false;
    role = ROLE_NONE;
    acceptCount = 1;
    gameKind = kind;
    capacity = cap;
    nextSlot = 1;
    for (const auto &peer : peers)
        peer->reset();
    slotCount = int(peers.size());
    endQueried = false;
    strangerQuitTaken = false;
    answered = false;
    partnerProposed = false;
    directoryAnswered = false;
    startMode = mode;
    startFailure = StartFailure::None;
    matchId.clear();
    busyDeferred = timeoutDeferred = endDeferred = false;
    resumes = peerGreeted = ownAnnounced = directoryReattaches = false;
    token.reset();
    directoryHost.clear();
    partnerHost.clear();
    slotZeroHost.clear();

    switch (mode) {
    case START_HOST:
        if (!openSocket(cfg.gamePort))
            return false;
        role = ROLE_SERVER;
        drawToken();
        emit linkEvent(LINK_SERVING, 0);
        return true;
    case START_JOIN:
        at(0).setPlace(address, cfg.gamePort);
        if (!openSocket(0))
            return false;
        // A text that names no computer fails at once, rather than after the connection time.
        slotZeroHost = resolve(address);
        if (slotZeroHost.isNull()) {
            startFailure = StartFailure::BadAddress;
            return false;
        }
        sendRecord.writeJoin(gameKind);
        sendToSlot(sendRecord, 0);
        return true;
    case START_VIA_SERVER:
        // Only this exact, lower-case scheme means the web server; anything else is the name
        // of a directory server.
        if (address.section(u'/', 0, 0) == QLatin1String("http:")) {
            viaWeb = true;
            if (!openSocket(0))
                return false;
            partnerAddress = socket->localAddress().toString();
            partnerPort = socket->localPort();
            return QueryStart(QStringLiteral("WANT_CONNECT"));
        }
    {
        // HOST, HOST/CODE or HOST:PORT/CODE: the code chooses the room on the directory.
        const LobbyAddress lobby = parseLobbyAddress(address);
        directoryPort = lobby.port != 0 ? lobby.port : cfg.directoryPort;
        at(0).setPlace(lobby.host, directoryPort);
        if (!openSocket(0))
            return false;
        if (lobby.problem == LobbyAddressProblem::None)
            directoryHost = resolve(lobby.host);
        if (lobby.problem != LobbyAddressProblem::None || directoryHost.isNull()) {
            startFailure = StartFailure::BadAddress;
            return false;
        }
        slotZeroHost = directoryHost;
        sendRecord.writeDirectoryRequest(gameKind);
        writeRoomMarker(sendRecord, lobby.code);
        sendToSlot(sendRecord, 0);
        return true;
    }
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
        LinkExtension block;
        block.features = FEATURE_RESUME;
        if (role == ROLE_SERVER) {
            block.hostEnd = true;
            block.token = token;
        }
        ownAnnounced = writeLinkExtension(entry, block) || ownAnnounced;
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
        queryEndOnce();
}

bool PeerSocket::QueryStart(const QString &mode)
{
    // Never inside another query's wait: the callers inside the link defer instead.
    if (queryRunning)
        return false;
    const bool result = startQuery(mode);
    runDeferredQueries();
    return result;
}

bool PeerSocket::startQuery(const QString &mode)
{
    const QString url = baseAddress + QLatin1String("/start.asp?type=") + gameKindText
        + QLatin1String("&port=") + ownPortText + QLatin1String("&mode=") + mode
        + QLatin1String("&ID=") + matchId;
    QString line;
    if (!runQuery(url, &line)) {
        startFailure = StartFailure::LobbySilent;
        return false;
    }

    const MatchAnswer answer = parseMatchAnswer(line);
    // The report of an answer timer that ran out after this copy found its role: the web server
    // hears it, but its answer neither turns a client into a server nor sends a knock a host
    // would keep room for.
    if (role != ROLE_NONE)
        return answer.kind != MatchAnswer::Invalid;
    switch (answer.kind) {
    case MatchAnswer::Server:
        becomeServer();
        return true;
    case MatchAnswer::Client:
        partnerAddress = answer.address;
        matchId = answer.id;
        partnerProposed = true;
        ++proposalNumber;
        answered = false;
        // Each proposal gets its own timer; an answer does not stop one already running.
        answerTimers.push_back(startTimer(cfg.answerTimeoutMs, Qt::PreciseTimer));
        sendRecord.writeBare(CONNECT_REQUEST);
        partnerPort = answer.port;
        // Looked up here once; its answers are recognised by this address and the port.
        partnerHost = resolve(partnerAddress);
        return sendTo(sendRecord, partnerAddress, partnerPort);
    case MatchAnswer::Invalid:
        break;
    }
    return false;
}

void PeerSocket::queryEndOnce()
{
    if (endQueried)
        return;
    endQueried = true;
    QueryEnd();
}

void PeerSocket::QueryEnd()
{
    if (queryRunning) {
        endDeferred = true;
        return;
    }
    endQuery();
    runDeferredQueries();
}

void PeerSocket::endQuery()
{
    const QString url = baseAddress + QLatin1String("/end.asp?port=") + ownPortText
        + QLatin1String("&mode=")
        + (role == ROLE_SERVER ? QLatin1String("Server") : QLatin1String("Client"));
    QString ignored;
    runQuery(url, &ignored);
}

bool PeerSocket::runQuery(const QString &url, QString *line)
{
    queryRunning = true;
    const bool ok = cfg.fetchLine ? cfg.fetchLine(url, line) : fetch(url, line);
    queryRunning = false;
    return ok;
}

// What came while a query waited, one query after another: a loop rather than a nesting, so
// that a flood of busy reports costs one query per answer of the web server and no stack.
void PeerSocket::runDeferredQueries()
{
    while (!queryRunning) {
        if (busyDeferred) {
            busyDeferred = false;
            // A newer proposal has replaced the one reported busy or silent: nothing to say.
            if (role == ROLE_NONE && busyProposal == proposalNumber)
                startQuery(QStringLiteral("SERVER_BUSY"));
        } else if (timeoutDeferred) {
            timeoutDeferred = false;
            if (!answered && timeoutProposal == proposalNumber)
                startQuery(QStringLiteral("SERVER_NORESPONSE"));
        } else if (endDeferred) {
            endDeferred = false;
            endQuery();
        } else {
            break;
        }
    }
}

StartFailure PeerSocket::silenceReason() const
{
    if (startMode == START_VIA_SERVER && !partnerProposed && !directoryAnswered)
        return StartFailure::LobbySilent;
    return StartFailure::NoAnswer;
}

QString PeerSocket::awaitedAddress() const
{
    if (partnerProposed)
        return partnerAddress;
    if (startMode == START_JOIN || directoryAnswered)
        return peerAddress(0);
    return baseAddress;
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

void PeerSocket::timerEvent(QTimerEvent *event)
{
    const int id = event->timerId();
    if (std::find(answerTimers.begin(), answerTimers.end(), id) != answerTimers.end())
        OnAnswerTimeout(id);
    else
        killTimer(id);
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
    gameKindText = QString::number(gameKind);
    ownPortText = QString::number(socket->localPort());
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
        // Only the directory this copy asked may make it a game server.
        if (role == ROLE_NONE && fromDirectory()) {
            directoryAnswered = true;
            const auto block = readLinkExtension(recvRecord);
            directoryReattaches = block && block->reattaches();
            becomeServer();
        }
        break;
    case CONNECT_REQUEST:
        if (role == ROLE_SERVER) {
            if (acceptCount > capacity) {
                sendRecord.writeBare(CONNECT_BUSY);
            } else {
                ++acceptCount;
                sendRecord.writeBare(CONNECT_OK);
            }
            sendTo(sendRecord, senderAddress, senderPort);
        }
        break;
    case JOIN_PEER:
        handleJoinPeer();
        break;
    case JOIN:
        handleJoin();
        break;
    case QUIT:
        handleQuit();
        break;
    case CONNECT_OK:
        // Only an answer to a CONNECT_REQUEST we sent means anything, and only from the copy
        // it went to; before the first proposal the partner is this copy itself.
        if (role == ROLE_NONE && partnerProposed && fromPartner()) {
            answered = true;
            at(0).setPlace(partnerAddress, partnerPort);
            slotZeroHost = partnerHost;
            sendRecord.writeJoin(gameKind);
            sendToSlot(sendRecord, 0);
        }
        break;
    case CONNECT_BUSY:
        handleBusy();
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
        acceptCount = nextSlot;
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
    slotZeroHost = senderHost;
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
        queryEndOnce();
    stopWatching();
    for (const auto &peer : peers)
        peer->leaveGrace(false);
    emit linkEvent(LINK_PEER_GONE, PEER_GONE_LEFT);
}

void PeerSocket::handleBusy()
{
    if (role != ROLE_NONE)
        return;
    if (partnerProposed) {
        // The proposed game server's proposal was taken: the web server is asked for another,
        // once this copy's query in flight, if any, is over.
        if (!fromPartner())
            return;
        answered = true;
        if (queryRunning) {
            busyDeferred = true;
            busyProposal = proposalNumber;
            return;
        }
        QueryStart(QStringLiteral("SERVER_BUSY"));
        return;
    }
    // The game server this copy knocked at, directly or as a directory server named it, has
    // its opponent already.
    if (!fromSlot(0) || (startMode != START_JOIN && !directoryAnswered))
        return;
    startFailure = StartFailure::HostBusy;
    emit startFailed();
}

void PeerSocket::handleJoinPeer()
{
    if (role != ROLE_NONE || !fromDirectory())
        return;
    const uint32_t port = recvRecord.joinPeerPort();
    const QString address = QString::fromUtf8(recvRecord.joinPeerAddress());
    if (port == 0 || port > 65535 || address.isEmpty())
        return;
    directoryAnswered = true;
    const auto block = readLinkExtension(recvRecord);
    directoryReattaches = block && block->reattaches();
    at(0).setPlace(address, quint16(port));
    QHostAddress literal;
    if (literal.setAddress(address)) {
        slotZeroHost = literal.protocol() == QAbstractSocket::IPv4Protocol ? literal : QHostAddress();
        sendRecord.writeJoin(gameKind);
        sendToSlot(sendRecord, 0);
        return;
    }
    // A host name: looked up in the background, and JOIN goes out when it is known. A lookup
    // already on its way takes up the newest name when it ends.
    slotZeroHost.clear();
    if (slotZeroLookup < 0)
        lookUpSlotZero();
}

void PeerSocket::lookUpSlotZero()
{
    const QString name = at(0).address();
    const unsigned generation = startGeneration;
    ++lookupsUnderWay;
    slotZeroLookup = QHostInfo::lookupHost(name, this, [this, name, generation](const QHostInfo &info) {
        --lookupsUnderWay;
        slotZeroLookedUp(name, info, generation);
    });
}

void PeerSocket::slotZeroLookedUp(const QString &name, const QHostInfo &info, unsigned generation)
{
    if (generation != startGeneration)
        return;
    slotZeroLookup = -1;
    if (role != ROLE_NONE)
        return;
    if (at(0).address() != name) {
        // A newer JOIN_PEER named another host meanwhile.
        if (slotZeroHost.isNull() && !at(0).address().isEmpty())
            lookUpSlotZero();
        return;
    }
    for (const QHostAddress &candidate : info.addresses()) {
        if (candidate.protocol() == QAbstractSocket::IPv4Protocol) {
            slotZeroHost = candidate;
            break;
        }
    }
    // A name that names no computer: nothing is sent, and the start's time limit ends the wait.
    if (slotZeroHost.isNull())
        return;
    sendRecord.writeJoin(gameKind);
    sendToSlot(sendRecord, 0);
}

bool PeerSocket::fromDirectory() const
{
    return startMode == START_VIA_SERVER && !viaWeb && !directoryHost.isNull()
        && senderPort == directoryPort && senderHost == directoryHost;
}

bool PeerSocket::fromPartner() const
{
    return partnerProposed && !partnerHost.isNull() && senderPort == partnerPort && senderHost == partnerHost;
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
        return slotZeroHost;
    if (address == partnerAddress)
        return partnerHost;
    if (address == baseAddress)
        return directoryHost;
    return QHostAddress();
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

void PeerSocket::OnAnswerTimeout(int timerId)
{
    killTimer(timerId);
    answerTimers.erase(std::find(answerTimers.begin(), answerTimers.end(), timerId));
    if (queryRunning) {
        if (!answered) {
            timeoutDeferred = true;
            timeoutProposal = proposalNumber;
        }
        return;
    }
    if (!answered)
        QueryStart(QStringLiteral("SERVER_NORESPONSE"));
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
    for (int id : answerTimers)
        killTimer(id);
    answerTimers.clear();
    // A lookup on its way is left to end: its answer is then voided by the generation, and
    // Qt frees what it holds for the answer only when the answer is delivered.
    ++startGeneration;
    slotZeroLookup = -1;
    delete socket;
    socket = nullptr;
    inbox.clear();
}

bool PeerSocket::fetch(const QString &url, QString *line)
{
    if (!web) {
        QNetworkProxyFactory::setUseSystemConfiguration(true);
        web = std::make_unique<QNetworkAccessManager>();
    }
    return fetchFirstLine(*web, url, cfg.userAgent, cfg.httpTimeoutMs, line);
}

} // namespace sorvada
