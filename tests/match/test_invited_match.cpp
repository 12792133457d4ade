// SPDX-License-Identifier: GPL-3.0-or-later
// Two complete copies of the game started with the same invitation link meet on the real lobby,
// past a stranger who already waits there without a code, and play.
#include "app/CVariantDlg.h"
#include "app/SettingKeys.h"
#include "net/PeerSocket.h"
#include "sim/MatchHarness.h"
#include "sim/ModalAnswerer.h"
#include "sim/TemporarySettings.h"
#include "tests/support/LobbyProcess.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace sorvada;

class TestInvitedMatch : public QObject
{
    Q_OBJECT
    TemporarySettings temporary;

private slots:
    void twoCopiesWithTheSameLinkPlayEachOther()
    {
        LobbyProcess lobby;
        QVERIFY(lobby.start(QStringLiteral(LOBBY_PROGRAM)));
        PeerSocket::Config config;
        config.directoryPort = lobby.directoryPort;
        config.retransmitMs = 100;

        PeerSocket stranger(config);
        QSignalSpy strangerEvents(&stranger, &PeerSocket::linkEvent);
        QVERIFY(stranger.Start(1, QStringLiteral("127.0.0.1"), START_VIA_SERVER, GAME_KIND));
        QTRY_VERIFY_WITH_TIMEOUT(stranger.role == ROLE_SERVER, 10000);

        ModalAnswerer answers;
        answers.closeStraysAfter(20000);
        // Whoever is told to host picks the rules.
        answers.click(QStringLiteral("CVariantDlg"), QString(), QStringLiteral("OK"), -1);
        // Each copy: Enter in the start dialog, Enter in the address dialog.
        QStringList addresses;
        const auto enterTwice = [&] {
            answers.then([](QWidget *d) { QTest::keyClick(d, Qt::Key_Return); })
                .then([&](QWidget *d) {
                    addresses << d->findChild<QLineEdit *>(QStringLiteral("1001"))->text();
                    QTest::keyClick(d->findChild<QLineEdit *>(QStringLiteral("1001")), Qt::Key_Return);
                });
        };
        const QString link = QStringLiteral("sorvada://127.0.0.1/Friends-42");
        std::unique_ptr<GameCopy> copies[2];
        const char *names[2] = {"Ann", "Bob"};
        for (int i = 0; i < 2; ++i) {
            const QString store = QStringLiteral("sorvada-invited-%1").arg(i);
            SettingsStore settings(store);
            settings.writeString(SettingKey::Player, QLatin1String(names[i]));
            settings.writeInt(SettingKey::Start, 1); // no sound in tests
            settings.writeInt(SettingKey::Message, 1);
            copies[i] = std::make_unique<GameCopy>(store, config, QString());
            copies[i]->window->controller().setStartLink(link);
            enterTwice();
            QCOMPARE(copies[i]->window->RunStartSequence(), 1);
        }
        QCOMPARE(addresses, QStringList({QStringLiteral("127.0.0.1/friends-42"), QStringLiteral("127.0.0.1/friends-42")}));

        QTRY_VERIFY_WITH_TIMEOUT(copies[0]->setReady() && copies[1]->setReady(), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(copies[0]->window->controller().matchUnderWay()
                                     && copies[1]->window->controller().matchUnderWay(),
                                 15000);
        QCOMPARE(copies[0]->link.role, ROLE_SERVER);
        QCOMPARE(copies[1]->link.role, ROLE_CLIENT);
        // The stranger still waits alone.
        for (const QList<QVariant> &e : std::as_const(strangerEvents))
            QVERIFY(e.at(0).toUInt() != LINK_PEER_JOINED);
        QCOMPARE(answers.leftOver(), QString());
    }
};

QTEST_MAIN(TestInvitedMatch)
#include "test_invited_match.moc"
