// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/Matchmaker.h"

#include "net/LineFetch.h"
#include "net/LinkExtension.h"
#include "net/MatchAnswer.h"
#include "net/RoomCode.h"
#include "net/RoomMarker.h"

#include <QHostInfo>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QTimerEvent>

#include <algorithm>

namespace sorvada {

namespace {

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

Matchmaker::Matchmaker(Settings settings_, Owner owner_, PeerRecord &out_, QObject *parent)
    : QObject(parent), settings(std::move(settings_)), owner(std::move(owner_)), out(out_)
{
}

Matchmaker::~Matchmaker() = default;

void Matchmaker::killAnswerTimers()
{
    for (int id : state.answerTimers)
        killTimer(id);
    state.answerTimers.clear();
}

void Matchmaker::reset(const QString &address, int mode, uint8_t gameKind, int capacity)
{
    killAnswerTimers();
    // A lookup on its way is left to end: its answer is then voided by the generation, and
    // Qt frees what it holds for the answer only when the answer is delivered.
    ++state.startGeneration;
    state.slotZeroLookup = -1;

    state.baseAddress = address;
    state.viaWeb = false;
    state.acceptCount = 1;
    state.gameKind = gameKind;
    state.capacity = capacity;
    state.endQueried = false;
    state.answered = false;
    state.partnerProposed = false;
    state.directoryAnswered = false;
    state.mode = mode;
    state.failure = StartFailure::None;
    state.matchId.clear();
    state.busyDeferred = state.timeoutDeferred = state.endDeferred = false;
    state.directoryReattaches = false;
    state.directoryHost.clear();
    state.partnerHost.clear();
    state.slotZeroHost.clear();
}

void Matchmaker::opened(const QHostAddress &local, quint16 port)
{
    state.gameKindText = QString::number(state.gameKind);
    state.ownPortText = QString::number(port);
    state.ownAddress = local.toString();
    state.ownPort = port;
}

bool Matchmaker::start()
{
    if (state.mode == START_JOIN)
        return startJoin();
    if (state.mode != START_VIA_SERVER)
        return false;
    // Only this exact, lower-case scheme means the web server; anything else is the name of a
    // directory server.
    if (state.baseAddress.section(u'/', 0, 0) == QLatin1String("http:")) {
        state.viaWeb = true;
        if (!owner.open(0))
            return false;
        state.partnerAddress = state.ownAddress;
        state.partnerPort = state.ownPort;
        return queryStart(QStringLiteral("WANT_CONNECT"));
    }
    return startDirectory();
}

bool Matchmaker::startJoin()
{
    owner.place(state.baseAddress, settings.gamePort);
    if (!owner.open(0))
        return false;
    // A text that names no computer fails at once, rather than after the connection time.
    state.slotZeroHost = resolve(state.baseAddress);
    if (state.slotZeroHost.isNull()) {
        state.failure = StartFailure::BadAddress;
        return false;
    }
    sendJoin();
    return true;
}

bool Matchmaker::startDirectory()
{
    // HOST, HOST/CODE or HOST:PORT/CODE: the code chooses the room on the directory.
    const LobbyAddress lobby = parseLobbyAddress(state.baseAddress);
    state.directoryPort = lobby.port != 0 ? lobby.port : settings.directoryPort;
    owner.place(lobby.host, state.directoryPort);
    if (!owner.open(0))
        return false;
    if (lobby.problem == LobbyAddressProblem::None)
        state.directoryHost = resolve(lobby.host);
    if (lobby.problem != LobbyAddressProblem::None || state.directoryHost.isNull()) {
        state.failure = StartFailure::BadAddress;
        return false;
    }
    state.slotZeroHost = state.directoryHost;
    out.writeDirectoryRequest(state.gameKind);
    writeRoomMarker(out, lobby.code);
    owner.sendToPlace(out);
    return true;
}

void Matchmaker::sendJoin()
{
    out.writeJoin(state.gameKind);
    owner.sendToPlace(out);
}

bool Matchmaker::queryStart(const QString &mode)
{
    // Never inside another query's wait: the callers inside the link defer instead.
    if (state.queryRunning)
        return false;
    const bool result = startQuery(mode);
    runDeferredQueries();
    return result;
}

bool Matchmaker::startQuery(const QString &mode)
{
    const QString url = state.baseAddress + QLatin1String("/start.asp?type=") + state.gameKindText
        + QLatin1String("&port=") + state.ownPortText + QLatin1String("&mode=") + mode
        + QLatin1String("&ID=") + state.matchId;
    QString line;
    if (!runQuery(url, &line)) {
        state.failure = StartFailure::LobbySilent;
        return false;
    }

    const MatchAnswer answer = parseMatchAnswer(line);
    // The report of an answer timer that ran out after this copy found its role: the web server
    // hears it, but its answer neither turns a client into a server nor sends a knock a host
    // would keep room for.
    if (owner.role() != ROLE_NONE)
        return answer.kind != MatchAnswer::Invalid;
    switch (answer.kind) {
    case MatchAnswer::Server:
        owner.becomeServer();
        return true;
    case MatchAnswer::Client:
        state.partnerAddress = answer.address;
        state.matchId = answer.id;
        state.partnerProposed = true;
        ++state.proposalNumber;
        state.answered = false;
        // Each proposal gets its own timer; an answer does not stop one already running.
        state.answerTimers.push_back(startTimer(settings.answerTimeoutMs, Qt::PreciseTimer));
        out.writeBare(CONNECT_REQUEST);
        state.partnerPort = answer.port;
        // Looked up here once; its answers are recognised by this address and the port.
        state.partnerHost = resolve(state.partnerAddress);
        return owner.send(out, state.partnerAddress, state.partnerPort);
    case MatchAnswer::Invalid:
        break;
    }
    return false;
}

void Matchmaker::queryEndOnce()
{
    if (state.endQueried)
        return;
    state.endQueried = true;
    queryEnd();
}

void Matchmaker::queryEnd()
{
    if (state.queryRunning) {
        state.endDeferred = true;
        return;
    }
    endQuery();
    runDeferredQueries();
}

void Matchmaker::endQuery()
{
    const QString url = state.baseAddress + QLatin1String("/end.asp?port=") + state.ownPortText
        + QLatin1String("&mode=")
        + (owner.role() == ROLE_SERVER ? QLatin1String("Server") : QLatin1String("Client"));
    QString ignored;
    runQuery(url, &ignored);
}

bool Matchmaker::runQuery(const QString &url, QString *line)
{
    state.queryRunning = true;
    const bool ok = settings.fetchLine ? settings.fetchLine(url, line) : fetch(url, line);
    state.queryRunning = false;
    return ok;
}

// What came while a query waited, one query after another: a loop rather than a nesting, so
// that a flood of busy reports costs one query per answer of the web server and no stack.
void Matchmaker::runDeferredQueries()
{
    while (!state.queryRunning) {
        if (state.busyDeferred) {
            state.busyDeferred = false;
            // A newer proposal has replaced the one reported busy or silent: nothing to say.
            if (owner.role() == ROLE_NONE && state.busyProposal == state.proposalNumber)
                startQuery(QStringLiteral("SERVER_BUSY"));
        } else if (state.timeoutDeferred) {
            state.timeoutDeferred = false;
            if (!state.answered && state.timeoutProposal == state.proposalNumber)
                startQuery(QStringLiteral("SERVER_NORESPONSE"));
        } else if (state.endDeferred) {
            state.endDeferred = false;
            endQuery();
        } else {
            break;
        }
    }
}

bool Matchmaker::fetch(const QString &url, QString *line)
{
    if (!web) {
        QNetworkProxyFactory::setUseSystemConfiguration(true);
        web = std::make_unique<QNetworkAccessManager>();
    }
    return fetchFirstLine(*web, url, settings.userAgent, settings.httpTimeoutMs, line);
}

void Matchmaker::timerEvent(QTimerEvent *event)
{
    const int id = event->timerId();
    if (std::find(state.answerTimers.begin(), state.answerTimers.end(), id) != state.answerTimers.end())
        OnAnswerTimeout(id);
    else
        killTimer(id);
}

void Matchmaker::OnAnswerTimeout(int timerId)
{
    killTimer(timerId);
    state.answerTimers.erase(std::find(state.answerTimers.begin(), state.answerTimers.end(), timerId));
    if (state.queryRunning) {
        if (!state.answered) {
            state.timeoutDeferred = true;
            state.timeoutProposal = state.proposalNumber;
        }
        return;
    }
    if (!state.answered)
        queryStart(QStringLiteral("SERVER_NORESPONSE"));
}

StartFailure Matchmaker::silenceReason() const
{
    if (state.mode == START_VIA_SERVER && !state.partnerProposed && !state.directoryAnswered)
        return StartFailure::LobbySilent;
    return StartFailure::NoAnswer;
}

QString Matchmaker::awaitedAddress() const
{
    if (state.partnerProposed)
        return state.partnerAddress;
    if (state.mode == START_JOIN || state.directoryAnswered)
        return owner.placeAddress();
    return state.baseAddress;
}

bool Matchmaker::isDirectory(const QHostAddress &host, quint16 port) const
{
    return state.mode == START_VIA_SERVER && !state.viaWeb && !state.directoryHost.isNull()
        && port == state.directoryPort && host == state.directoryHost;
}

bool Matchmaker::fromPartner(const QHostAddress &host, quint16 port) const
{
    return state.partnerProposed && !state.partnerHost.isNull() && port == state.partnerPort
        && host == state.partnerHost;
}

QHostAddress Matchmaker::hostOf(const QString &address) const
{
    if (address == state.partnerAddress)
        return state.partnerHost;
    if (address == state.baseAddress)
        return state.directoryHost;
    return QHostAddress();
}

void Matchmaker::becomeServerAsked(const PeerRecord &record, const QHostAddress &host, quint16 port)
{
    // Only the directory this copy asked may make it a game server.
    if (owner.role() != ROLE_NONE || !isDirectory(host, port))
        return;
    state.directoryAnswered = true;
    const auto block = readLinkExtension(record);
    state.directoryReattaches = block && block->reattaches();
    owner.becomeServer();
}

void Matchmaker::connectRequested(const QString &address, quint16 port)
{
    if (owner.role() != ROLE_SERVER)
        return;
    if (state.acceptCount > state.capacity) {
        out.writeBare(CONNECT_BUSY);
    } else {
        ++state.acceptCount;
        out.writeBare(CONNECT_OK);
    }
    owner.send(out, address, port);
}

void Matchmaker::connectOk(const QHostAddress &host, quint16 port)
{
    // Only an answer to a CONNECT_REQUEST we sent means anything, and only from the copy it
    // went to; before the first proposal the partner is this copy itself.
    if (owner.role() != ROLE_NONE || !state.partnerProposed || !fromPartner(host, port))
        return;
    state.answered = true;
    owner.place(state.partnerAddress, state.partnerPort);
    state.slotZeroHost = state.partnerHost;
    sendJoin();
}

void Matchmaker::connectBusy(const QHostAddress &host, quint16 port, bool fromPlace)
{
    if (owner.role() != ROLE_NONE)
        return;
    if (state.partnerProposed) {
        // The proposed game server's proposal was taken: the web server is asked for another,
        // once this copy's query in flight, if any, is over.
        if (!fromPartner(host, port))
            return;
        state.answered = true;
        if (state.queryRunning) {
            state.busyDeferred = true;
            state.busyProposal = state.proposalNumber;
            return;
        }
        queryStart(QStringLiteral("SERVER_BUSY"));
        return;
    }
    // The game server this copy knocked at, directly or as a directory server named it, has
    // its opponent already.
    if (!fromPlace || (state.mode != START_JOIN && !state.directoryAnswered))
        return;
    state.failure = StartFailure::HostBusy;
    owner.startFailed();
}

void Matchmaker::joinPeer(const PeerRecord &record, const QHostAddress &host, quint16 port)
{
    if (owner.role() != ROLE_NONE || !isDirectory(host, port))
        return;
    const uint32_t peerPort = record.joinPeerPort();
    const QString address = QString::fromUtf8(record.joinPeerAddress());
    if (peerPort == 0 || peerPort > 65535 || address.isEmpty())
        return;
    state.directoryAnswered = true;
    const auto block = readLinkExtension(record);
    state.directoryReattaches = block && block->reattaches();
    owner.place(address, quint16(peerPort));
    QHostAddress literal;
    if (literal.setAddress(address)) {
        state.slotZeroHost = literal.protocol() == QAbstractSocket::IPv4Protocol ? literal : QHostAddress();
        sendJoin();
        return;
    }
    // A host name: looked up in the background, and JOIN goes out when it is known. A lookup
    // already on its way takes up the newest name when it ends.
    state.slotZeroHost.clear();
    if (state.slotZeroLookup < 0)
        lookUpSlotZero();
}

void Matchmaker::lookUpSlotZero()
{
    const QString name = owner.placeAddress();
    const unsigned generation = state.startGeneration;
    ++state.lookupsUnderWay;
    state.slotZeroLookup = QHostInfo::lookupHost(name, this, [this, name, generation](const QHostInfo &info) {
        --state.lookupsUnderWay;
        slotZeroLookedUp(name, info, generation);
    });
}

void Matchmaker::slotZeroLookedUp(const QString &name, const QHostInfo &info, unsigned generation)
{
    if (generation != state.startGeneration)
        return;
    state.slotZeroLookup = -1;
    if (owner.role() != ROLE_NONE)
        return;
    const QString current = owner.placeAddress();
    if (current != name) {
        // A newer JOIN_PEER named another host meanwhile.
        if (state.slotZeroHost.isNull() && !current.isEmpty())
            lookUpSlotZero();
        return;
    }
    for (const QHostAddress &candidate : info.addresses()) {
        if (candidate.protocol() == QAbstractSocket::IPv4Protocol) {
            state.slotZeroHost = candidate;
            break;
        }
    }
    // A name that names no computer: nothing is sent, and the start's time limit ends the wait.
    if (state.slotZeroHost.isNull())
        return;
    sendJoin();
}

} // namespace sorvada
