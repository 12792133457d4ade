// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Two play controllers joined by an in-memory link, each with a view that
// records what it is told and answers what it is asked. Messages wait in the
// receiver's inbox until the test delivers them, as datagrams wait on a
// socket; a view's dialogs may deliver them from inside, as a nested event
// loop does.
#include "app/SettingsStore.h"
#include "net/LinkEvents.h"
#include "rules/GameBoard.h"
#include "ui/PlayController.h"
#include "ui/PlayLink.h"
#include "ui/PlayView.h"

#include <QString>

#include <deque>
#include <functional>
#include <set>
#include <tuple>
#include <vector>

namespace sorvada {

class FakeLink : public PlayLink {
public:
    uint8_t linkRole = ROLE_NONE;
    PeerRecord in;
    // Like the link's own send record, one record written over and over.
    PeerRecord out;
    std::deque<PeerRecord> *peerInbox = nullptr;
    int quits = 0;

    uint8_t role() const override { return linkRole; }
    const PeerRecord &received() const override { return in; }
    void sendLeg(uint8_t type, uint8_t from, uint8_t to, uint8_t via) override
    {
        out.writeLeg(type, from, to, via);
        post();
    }
    void sendGreeting(uint8_t variant, const QByteArray &name) override
    {
        out.writeGreeting(variant, name);
        post();
    }
    void sendBare(uint8_t type) override
    {
        out.writeBare(type);
        post();
    }
    void sendChat(const QByteArray &text) override
    {
        out.writeChat(text);
        post(false);
    }
    void sendQuit() override { ++quits; }
    // A peer of ours that resumes: the test says when the line is lost and what is left of it.
    bool resumes = false;
    int graceLeftMs = -1;
    uint32_t receivedTotal = 0;
    uint32_t stateSent = 0;
    bool peerResumes() const override { return resumes; }
    int graceRemainingMs() const override { return graceLeftMs; }
    uint32_t receivedCount() const override { return receivedTotal; }
    uint32_t stateSentCount() const override { return stateSent; }
    void sendDigest(const DigestMessage &digest) override
    {
        writeDigestMessage(out, digest);
        post(false);
    }
    bool start(const QString &, int) override { return true; }
    StartFailure failure(bool) const override { return StartFailure::None; }
    QString startAddress() const override { return QString(); }
    QString awaitedAddress() const override { return QString(); }

private:
    // As the real link counts: every message queued, and the last one that changes the match.
    void post(bool changesMatch = true)
    {
        if (quits != 0)
            return;
        ++sent;
        if (changesMatch)
            stateSent = sent;
        if (peerInbox)
            peerInbox->push_back(out);
    }
    uint32_t sent = 0;
};

class FakeView : public PlayView {
public:
    using Score = std::tuple<int, int, QString>;
    QString status[3];
    QString title;
    int cursor = CURSOR_ARROW;
    std::set<int> timers;
    std::vector<Score> scores;
    QStringList boxes;
    QStringList chat;
    bool closed = false;
    // The answers to the player's questions.
    int boxAnswer = QMessageBox::Ok;
    bool confirmAnswer = true;
    uint8_t variant = VARIANT_RUSSIAN;
    // Runs once inside the next dialog that opens, then is cleared.
    std::function<void()> duringDialog;

    void setStatusText(int part, const QString &text) override { status[part] = text; }
    void setBoardCursor(int cursorId) override { cursor = cursorId; }
    void redraw() override {}
    void showTitle(const QString &text) override { title = text; }
    void startWindowTimer(int id, int) override { timers.insert(id); }
    void killWindowTimer(int id) override { timers.erase(id); }
    bool isWindowTimerActive(int id) const override { return timers.count(id) != 0; }
    void startCountdown() override {}
    void stopCountdown() override {}
    int messageBox(const QString &text, QMessageBox::Icon, QMessageBox::StandardButtons) override
    {
        boxes.append(text);
        dialogOpen();
        return boxAnswer;
    }
    void networkError(const QString &detail) override { boxes.append(detail); }
    bool confirm(const QString &) override { return confirmAnswer; }
    bool askStart(QString &, int &) override { return false; }
    bool askAddress(QString &) override { return false; }
    uint8_t chooseVariant() override
    {
        dialogOpen();
        return variant;
    }
    void showScore(int own, int opponent, const QString &heading) override
    {
        scores.emplace_back(own, opponent, heading);
        dialogOpen();
    }
    void appendChat(const QString &received) override { chat.append(received); }
    void showChat() override {}
    void playSound(const QString &name) override { sounds.append(name); }
    void alert() override { ++alerts; }
    void closeWindow() override { closed = true; }
    QStringList sounds;
    int alerts = 0;

private:
    void dialogOpen()
    {
        if (auto during = std::move(duringDialog)) {
            duringDialog = nullptr;
            during();
        }
    }
};

// One copy of the game: its board, link, view and controller.
struct PlaySide {
    GameBoard board;
    FakeLink link;
    FakeView view;
    std::deque<PeerRecord> inbox;
    PlayController play;

    PlaySide(SettingsStore &settings, uint8_t role, const QString &name)
        : play(board, link, view, settings, 30000)
    {
        link.linkRole = role;
        play.playerName = name;
    }

    // Hands over the oldest waiting message; false when none waits.
    bool deliverOne()
    {
        if (inbox.empty())
            return false;
        link.in = inbox.front();
        inbox.pop_front();
        ++link.receivedTotal;
        play.OnLinkEvent(LINK_RECEIVED, 0);
        return true;
    }
    // Runs the new-set timer if it is due.
    bool fireNewSet()
    {
        if (!view.isWindowTimerActive(TIMER_NEW_SET))
            return false;
        play.OnNewSet();
        return true;
    }
    // Clicks the squares in order, as the player does on the board.
    void click(std::initializer_list<int> squares)
    {
        for (int s : squares)
            board.handleClick(board.squareXY[s].x + 20, board.squareXY[s].y + 20);
    }
};

struct PlayPair {
    PlaySide host, client;

    explicit PlayPair(SettingsStore &settings)
        : host(settings, ROLE_SERVER, QStringLiteral("Ann")), client(settings, ROLE_CLIENT, QStringLiteral("Bob"))
    {
        host.link.peerInbox = &client.inbox;
        client.link.peerInbox = &host.inbox;
    }

    // Delivers every waiting message and runs due timers until nothing moves.
    void settle()
    {
        while (host.deliverOne() || client.deliverOne() || host.fireNewSet() || client.fireNewSet()) {
        }
    }

    // The host chooses the variant, the client greets, both set up set 1.
    void introduce()
    {
        host.play.OnLinkEvent(LINK_SERVING, 0);
        client.play.OnLinkEvent(LINK_JOINED, 0);
        settle();
    }
};

} // namespace sorvada
