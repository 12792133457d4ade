// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SettingKeys.h"
#include "sim/ModalAnswerer.h"
#include "tests/support/WindowFixture.h"

#include "app/CScoreDlg.h"
#include "net/LinkEvents.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

#include <optional>
#include <vector>

using namespace sorvada;

namespace {

const QString storeName = QStringLiteral("sorvada-window-test");

// A bare link hosting on an ephemeral port that records the type of every
// game message it receives: the opponent, as the window's link sees it.
struct Opponent {
    PeerSocket link;
    std::vector<uint8_t> received;

    Opponent()
        : link([] {
              PeerSocket::Config c;
              c.gamePort = 0;
              c.retransmitMs = 100;
              return c;
          }())
    {
        QObject::connect(&link, &PeerSocket::linkEvent, &link, [this](unsigned event, int) {
            if (event == LINK_RECEIVED)
                received.push_back(link.recvRecord.type());
        }, Qt::DirectConnection);
    }

    int count(uint8_t type) const { return int(std::count(received.begin(), received.end(), type)); }
};

// A window whose link has joined the opponent and greeted it.
struct JoinedWindow {
    Opponent opponent;
    std::unique_ptr<WindowUnderTest> w;

    JoinedWindow()
    {
        QVERIFY(opponent.link.Start(1, QString(), START_HOST, GAME_KIND));
        PeerSocket::Config c;
        c.gamePort = opponent.link.localPort();
        c.retransmitMs = 100;
        w = std::make_unique<WindowUnderTest>(c);
        QObject::connect(&w->link, &PeerSocket::linkEvent, w->window.get(), &CGameWnd::OnLinkEvent,
                         Qt::DirectConnection);
        w->window->controller().playerName = QStringLiteral("Me");
        QVERIFY(w->link.Start(1, QStringLiteral("127.0.0.1"), START_JOIN, GAME_KIND));
        QTRY_COMPARE_WITH_TIMEOUT(opponent.count(GREETING), 1, 10000);
    }
};

} // namespace

class TestGameCommands : public QObject
{
    Q_OBJECT
    std::optional<TemporarySettings> settings;

private slots:
    void init()
    {
        settings.reset();
        settings.emplace();
    }

    void alarmTogglesTreatAnyValueButOneAsOff()
    {
        WindowUnderTest w;
        QAction *start = w.window->commandAction(32778);
        QAction *message = w.window->commandAction(32779);
        QVERIFY(start && message);

        w.window->controller().startAlarmOff = 5; // as a stored "Start" of 5 reads
        w.window->refreshCommands();
        QVERIFY(!start->isChecked());
        start->trigger();
        QCOMPARE(w.window->controller().startAlarmOff, 1);
        QCOMPARE(SettingsStore(storeName).readInt(SettingKey::Start, -1), 1);
        w.window->refreshCommands();
        QVERIFY(!start->isChecked());
        start->trigger();
        QCOMPARE(w.window->controller().startAlarmOff, 0);
        QCOMPARE(SettingsStore(storeName).readInt(SettingKey::Start, -1), 0);
        w.window->refreshCommands();
        QVERIFY(start->isChecked());

        w.window->controller().messageAlarmOff = 0;
        message->trigger();
        QCOMPARE(SettingsStore(storeName).readInt(SettingKey::Message, -1), 1);
        w.window->refreshCommands();
        QVERIFY(!message->isChecked());
    }

    void theSetCommandsAreEnabledOnlyDuringTheTurn()
    {
        WindowUnderTest w;
        QAction *draw = w.window->commandAction(32776);
        QAction *give = w.window->commandAction(32783);
        w.board.setMyTurn(0);
        w.window->refreshCommands();
        QVERIFY(!draw->isEnabled() && !give->isEnabled());
        w.board.setMyTurn(1);
        w.window->refreshCommands();
        QVERIFY(draw->isEnabled() && give->isEnabled());
    }

    void theChatCommandNamesTheChatBeforeAnyGreeting()
    {
        WindowUnderTest w;
        w.window->controller().playerName = QStringLiteral("Zoe");
        w.window->commandAction(32777)->trigger();
        QWidget *chat = nullptr;
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->windowTitle() == QStringLiteral("Chat") && top->isVisible())
                chat = top;
        QVERIFY(chat);
        QVERIFY(!chat->parentWidget()); // no owner: modal dialogs never block it
    }

    void theScoreCommandAddsNoRow()
    {
        WindowUnderTest w;
        ModalAnswerer script;
        QString heading;
        int rows = -1;
        for (int i = 0; i < 2; ++i) {
            script.then([&](QWidget *d) {
                heading = d->findChild<QLabel *>(QStringLiteral("1010"))->text();
                rows = d->findChild<QListWidget *>(QStringLiteral("1006"))->count();
                d->findChild<QPushButton *>(QStringLiteral("1"))->click();
            });
            w.window->commandAction(32785)->trigger();
            QCOMPARE(heading, QStringLiteral("Results of sets."));
            QCOMPARE(rows, 0);
        }
        QCOMPARE(w.score.rows().size(), 0);
    }

    void aDrawOfferTakesTheTurnAndReachesTheOpponent()
    {
        JoinedWindow j;
        auto &w = *j.w;
        w.board.setMyTurn(1);
        w.window->refreshCommands();
        w.window->commandAction(32776)->trigger();
        QCOMPARE(w.board.isMyTurn(), 0);
        QCOMPARE(w.window->statusText(0), QStringLiteral("I offer to the opponent to finish set in a draw."));
        w.window->refreshCommands();
        QVERIFY(!w.window->commandAction(32776)->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(j.opponent.count(DRAW_OFFER), 1, 10000);
    }

    void aCapitulationShowsTheLossBeforeTheOpponentLearnsOfIt()
    {
        JoinedWindow j;
        auto &w = *j.w;
        w.board.setMyTurn(1);
        QVERIFY(w.board.pieces[12].square != 40); // no set has been set up yet
        ModalAnswerer script;
        QString heading;
        int lostBeforeClose = -1;
        QString question;
        script.then([&](QWidget *d) {
            // Asked first, No being the default.
            auto *box = qobject_cast<QMessageBox *>(d);
            QVERIFY(box);
            question = box->text();
            QCOMPARE(box->defaultButton(), box->button(QMessageBox::No));
            box->button(QMessageBox::Yes)->click();
        }).then([&](QWidget *d) {
            heading = d->findChild<QLabel *>(QStringLiteral("1010"))->text();
            // Records reach the opponent in the order they were queued: once
            // a chat text sent now has arrived, anything queued before it has.
            w.link.SendChat(QByteArray("still here"));
            QTRY_COMPARE_WITH_TIMEOUT(j.opponent.count(CHAT), 1, 10000);
            lostBeforeClose = j.opponent.count(GAME_LOST);
            d->findChild<QPushButton *>(QStringLiteral("1"))->click();
        });
        w.window->refreshCommands(); // as the menu does when it opens
        w.window->commandAction(32783)->trigger();
        QCOMPARE(question, QStringLiteral("Give up this set?"));
        QCOMPARE(heading, QStringLiteral("Sorry, you lose this game."));
        QCOMPARE(lostBeforeClose, 0);
        QCOMPARE(w.score.rows().size(), 1);
        QCOMPARE(w.board.isMyTurn(), 0);
        // The next set is set up at once.
        QTRY_COMPARE_WITH_TIMEOUT(int(w.board.pieces[12].square), 40, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(j.opponent.count(GAME_LOST), 1, 10000);
    }
};

QTEST_MAIN(TestGameCommands)
#include "test_game_commands.moc"
