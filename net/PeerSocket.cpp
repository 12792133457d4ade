// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/PeerSocket.h"

#include "net/LineFetch.h"
#include "net/LinkExtension.h"
#include "net/MatchAnswer.h"
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

// A server with more room than this is no longer a two-player game.
constexpr int MAX_CAPACITY = 16;
// Datagrams read but not yet acted on; more than a burst of a fair peer ever needs.
constexpr size_t MAX_INBOX = 1024;
// A silent peer is given up only after it has left this many probes unanswered: a copy whose
// own event loop was held up (a suspended computer, a blocking query) asks before it judges.
constexpr int MIN_UNANSWERED_PROBES = 2;

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
}

PeerSocket::~PeerSocket() = default;

bool PeerSocket::Start(int cap, const QString &address, int mode, uint8_t kind)
{
    if (cap < 1 || cap > MAX_CAPACITY)
        return false;
    resetLink();

    baseAddress = address;
    viaWeb = false;
    role = ROLE_NONE;
    acceptCount = 1;
    gameKind = kind;
    capacity = cap;
    nextSlot = 1;
    const size_t slotCount = size_t(capacity) + 1;
    queues.assign(slotCount, {});
    nextSequenceOut.assign(slotCount, 0);
    nextSequenceIn.assign(slotCount, 0);
    sendCount.assign(slotCount, 0);
    retransmitTimer.assign(slotCount, 0);
    peerAddresses.assign(slotCount, QString());
    peerPorts.assign(slotCount, 0);
    slotEnded.assign(slotCount, false);
    endQueried = false;
    strangerQuitTaken = false;
    probeTimer.assign(slotCount, 0);
    silenceTimer.assign(slotCount, 0);
    lastHeard.assign(slotCount, 0);
    lastAnswered.assign(slotCount, std::numeric_limits<qint64>::min() / 2);
    probesSinceHeard.assign(slotCount, 0);
    probeOutstanding.assign(slotCount, false);
    clock.start();
    answered = false;
    partnerProposed = false;
    directoryAnswered = false;
    startMode = mode;
    startFailure = StartFailure::None;
    matchId.clear();
    busyDeferred = timeoutDeferred = endDeferred = false;
    resumes = peerGreeted = ownAnnounced = directoryReattaches = false;
    token.reset();
    grace = Grace();
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
        peerAddresses[0] = address;
        peerPorts[0] = cfg.gamePort;
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
        peerAddresses[0] = lobby.host;
        peerPorts[0] = lobby.port != 0 ? lobby.port : cfg.directoryPort;
        directoryPort = quint16(peerPorts[0]);
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
    if (!validSlot(slot) || slotEnded[slot])
        return false;
    const uint8_t type = sendRecord.type();
    // The extension messages reach only a peer that announced it knows them, and only after
    // this copy has announced itself.
    if ((type == MATCH_DIGEST || type == REATTACH) && !(resumes && ownAnnounced))
        return false;
    Entry entry{sendRecord, nextSequenceOut[slot]};
    // The greeting to the peer announces that this copy resumes: the client's always, the
    // server's (with the match token) only to a client that announced it too. The block goes
    // into the queued copy only; sendRecord stays as the caller wrote it.
    if (type == GREETING && role != ROLE_NONE && slot == peerSlot() && (role == ROLE_CLIENT || resumes)) {
        LinkExtension block;
        block.features = FEATURE_RESUME;
        if (role == ROLE_SERVER) {
            block.hostEnd = true;
            block.token = token;
        }
        ownAnnounced = writeLinkExtension(entry.record, block) || ownAnnounced;
    }
    entry.record.setSequence(entry.sequence);
    queues[slot].push_back(entry);
    ++nextSequenceOut[slot];
    if (queues[slot].size() == 1)
        sendHead(slot);
    return true;
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
    if (grace.on) {
        sendCount[grace.slot] = 0;
        endGrace();
    }
    // The records queued before QUIT still go out ahead of it; nothing is queued after it.
    const auto quitTo = [this](int slot) {
        sendRecord.writeBare(QUIT);
        if (SendReliable(slot))
            slotEnded[slot] = true;
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
    return validSlot(slot) ? int(queues[slot].size()) : 0;
}

QString PeerSocket::peerAddress(int slot) const
{
    return validSlot(slot) ? peerAddresses[slot] : QString();
}

quint16 PeerSocket::peerPort(int slot) const
{
    return validSlot(slot) ? peerPorts[slot] : 0;
}

void PeerSocket::timerEvent(QTimerEvent *event)
{
    const int id = event->timerId();
    if (id == grace.endTimer && grace.on)
        OnGraceOver();
    else if (id == grace.knockTimer && grace.on)
        OnKnockTimer();
    else if (std::find(retransmitTimer.begin(), retransmitTimer.end(), id) != retransmitTimer.end())
        OnRetransmitTimer(id);
    else if (std::find(answerTimers.begin(), answerTimers.end(), id) != answerTimers.end())
        OnAnswerTimeout(id);
    else if (const auto probe = std::find(probeTimer.begin(), probeTimer.end(), id); probe != probeTimer.end())
        OnProbeTimer(int(probe - probeTimer.begin()));
    else if (const auto silence = std::find(silenceTimer.begin(), silenceTimer.end(), id);
             silence != silenceTimer.end())
        OnSilenceTimer(int(silence - silenceTimer.begin()));
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
    if (grace.on && recvRecord.type() != QUIT && lookUpSender() == grace.slot) {
        lineBack(grace.slot);
        take();
    }
    // Whatever a watched peer sends shows that it is still there.
    const int watched = watchedSender();
    if (watched >= 0) {
        lastHeard[watched] = clock.elapsed();
        probesSinceHeard[watched] = 0;
    }

    switch (recvRecord.type()) {
    case PROBE:
        // While our own PROBE to this peer is out, its PROBE is the answer (or its own probe
        // crossing ours) and is not answered: two copies that both probe never bounce probes.
        // Nor is the peer answered twice within half a probe interval: a PROBE duplicated on
        // the way would otherwise keep one circling between the two copies.
        if (watched >= 0) {
            if (probeOutstanding[watched]) {
                probeOutstanding[watched] = false;
                break;
            }
            const qint64 now = clock.elapsed();
            if (now - lastAnswered[watched] < cfg.probeIntervalMs / 2)
                break;
            lastAnswered[watched] = now;
        }
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
            peerAddresses[0] = partnerAddress;
            peerPorts[0] = partnerPort;
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
    peerAddresses[0].clear();
    peerPorts[0] = 0;
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
        peerAddresses[slot] = senderAddress;
        peerPorts[slot] = senderPort;
        sendRecord.setType(JOIN);
        sendToSlot(sendRecord, slot);
        // The slot counts as joined before the window hears of it, so that whatever the
        // handler sends reaches the new client.
        nextSlot = slot + 1;
        acceptCount = nextSlot;
        watchPeer(slot);
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
    // the user becomes the dotted address here); the port stays the one we knocked at.
    peerAddresses[0] = senderAddress;
    slotZeroHost = senderHost;
    role = ROLE_CLIENT;
    watchPeer(0);
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
    if (known ? bool(slotEnded[slot]) : strangerQuitTaken)
        return;
    if (known)
        slotEnded[slot] = true;
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
    endGrace();
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
    peerAddresses[0] = address;
    peerPorts[0] = quint16(port);
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
    const QString name = peerAddresses[0];
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
    if (peerAddresses[0] != name) {
        // A newer JOIN_PEER named another host meanwhile.
        if (slotZeroHost.isNull() && !peerAddresses[0].isEmpty())
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
    if (!validSlot(slot) || slot >= nextSlot || peerPorts[slot] == 0 || senderPort != peerPorts[slot])
        return false;
    const QHostAddress host = knownHost(peerAddresses[slot]);
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
    if (!peerAddresses.empty() && address == peerAddresses[0])
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
    std::deque<Entry> &queue = queues[slot];
    if (queue.empty() || recvRecord.ackNumber() != queue.front().sequence)
        return;
    stopRetransmit(slot);
    sendCount[slot] = 0;
    queue.pop_front();
    if (!queue.empty())
        sendHead(slot);
}

void PeerSocket::handleGameMessage()
{
    const int slot = lookUpSender();
    if (slot >= nextSlot)
        return;
    if (slotEnded[slot])
        return;
    const uint32_t n = recvRecord.sequence();
    if (n < nextSequenceIn[slot]) {
        // A repeat whose acknowledgement was lost: acknowledge again, deliver nothing.
        sendRecord.writeAck(n);
        sendToSlot(sendRecord, slot);
        return;
    }
    if (n > nextSequenceIn[slot])
        return; // ahead of a missing one: the sender repeats it in order
    sendRecord.writeAck(n);
    sendToSlot(sendRecord, slot);
    ++nextSequenceIn[slot];
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

void PeerSocket::OnRetransmitTimer(int timerId)
{
    const auto found = std::find(retransmitTimer.begin(), retransmitTimer.end(), timerId);
    const int slot = int(found - retransmitTimer.begin());
    stopRetransmit(slot);
    // While the line is waited for, the head goes out again and again, with growing pauses.
    if (grace.on && slot == grace.slot) {
        if (!queues[slot].empty())
            sendHead(slot);
        return;
    }
    if (sendCount[slot] >= MAX_SENDS) {
        // The head and everything behind it stay queued: a late acknowledgement restarts them.
        // A slot already ended (QUIT sent or received) has nobody left to report.
        if (!slotEnded[slot]) {
            if (canResume(slot)) {
                enterGrace(slot);
                return;
            }
            stopWatching();
            emit linkEvent(LINK_PEER_GONE, PEER_GONE_LEFT);
        }
        return;
    }
    if (!queues[slot].empty())
        sendHead(slot);
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

void PeerSocket::OnProbeTimer(int slot)
{
    // A record in flight is answered by an acknowledgement or gives the peer up after ten
    // sends; a probe is needed only while the queue is empty.
    if (!queues[slot].empty())
        return;
    PeerRecord probe;
    probe.writeBare(PROBE);
    sendToSlot(probe, slot);
    probeOutstanding[slot] = true;
    ++probesSinceHeard[slot];
}

void PeerSocket::OnSilenceTimer(int slot)
{
    killTimer(silenceTimer[slot]);
    silenceTimer[slot] = 0;
    const qint64 quiet = clock.elapsed() - lastHeard[slot];
    if (quiet < cfg.peerSilenceMs) {
        silenceTimer[slot] = startTimer(int(cfg.peerSilenceMs - quiet), Qt::PreciseTimer);
        return;
    }
    if (!queues[slot].empty()) {
        // Our record in flight settles it: acknowledged, or given up after ten sends.
        silenceTimer[slot] = startTimer(cfg.retransmitMs, Qt::PreciseTimer);
        return;
    }
    if (probesSinceHeard[slot] < MIN_UNANSWERED_PROBES) {
        silenceTimer[slot] = startTimer(cfg.probeIntervalMs, Qt::PreciseTimer);
        return;
    }
    if (canResume(slot)) {
        enterGrace(slot);
        return;
    }
    stopWatching();
    emit linkEvent(LINK_PEER_GONE, PEER_GONE_SILENT);
}

void PeerSocket::watchPeer(int slot)
{
    // Without both intervals a peer is not watched: no probes, never given up for silence.
    if (cfg.probeIntervalMs <= 0 || cfg.peerSilenceMs <= 0)
        return;
    lastHeard[slot] = clock.elapsed();
    probesSinceHeard[slot] = 0;
    if (probeTimer[slot] == 0)
        probeTimer[slot] = startTimer(cfg.probeIntervalMs, Qt::PreciseTimer);
    if (silenceTimer[slot] == 0)
        silenceTimer[slot] = startTimer(cfg.peerSilenceMs, Qt::PreciseTimer);
}

void PeerSocket::stopWatching()
{
    for (size_t slot = 0; slot < probeTimer.size(); ++slot) {
        if (probeTimer[slot] != 0)
            killTimer(probeTimer[slot]);
        if (silenceTimer[slot] != 0)
            killTimer(silenceTimer[slot]);
        probeTimer[slot] = 0;
        silenceTimer[slot] = 0;
        probeOutstanding[slot] = false;
    }
}

int PeerSocket::watchedSender()
{
    const int slot = lookUpSender();
    return slot < nextSlot && validSlot(slot) && silenceTimer[slot] != 0 ? slot : -1;
}

int PeerSocket::lookUpSender()
{
    senderSlot = nextSlot;
    for (int slot = 0; slot < nextSlot && slot < int(peerAddresses.size()); ++slot) {
        if (peerPorts[slot] == senderPort && peerAddresses[slot] == senderAddress) {
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
    return validSlot(slot) && sendTo(record, peerAddresses[slot], peerPorts[slot]);
}

void PeerSocket::sendHead(int slot)
{
    // A copy: the send may not hold on to the queue across anything that could change it.
    const PeerRecord head = queues[slot].front().record;
    sendToSlot(head, slot);
    ++sendCount[slot];
    retransmitTimer[slot] = startTimer(retransmitDelay(slot), Qt::PreciseTimer);
}

void PeerSocket::stopRetransmit(int slot)
{
    if (retransmitTimer[slot] != 0) {
        killTimer(retransmitTimer[slot]);
        retransmitTimer[slot] = 0;
    }
}

void PeerSocket::resetLink()
{
    for (int &id : retransmitTimer) {
        if (id != 0)
            killTimer(id);
        id = 0;
    }
    for (int id : answerTimers)
        killTimer(id);
    answerTimers.clear();
    // A lookup on its way is left to end: its answer is then voided by the generation, and
    // Qt frees what it holds for the answer only when the answer is delivered.
    ++startGeneration;
    slotZeroLookup = -1;
    stopWatching();
    endGrace();
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
