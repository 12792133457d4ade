// SPDX-License-Identifier: GPL-3.0-or-later
// Room codes in what the player types, in the directory request and in invitation links.
#include "net/InviteLink.h"
#include "net/PeerRecord.h"
#include "net/RoomCode.h"
#include "net/RoomMarker.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

using namespace sorvada;

Q_DECLARE_METATYPE(sorvada::LobbyAddressProblem)
Q_DECLARE_METATYPE(sorvada::InviteProblem)

class TestRoomCodes : public QObject
{
    Q_OBJECT

private slots:
    void typedAddressNamesLobbyAndRoom_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("web");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("code");
        QTest::addColumn<LobbyAddressProblem>("problem");
        using P = LobbyAddressProblem;
        const QString sixteen = QStringLiteral("abcdefgh-1234567");
        QTest::newRow("plain host: public room") << "lobby.example.net" << false << "lobby.example.net" << 0 << "" << P::None;
        QTest::newRow("host and code") << "lobby.example.net/k7p2" << false << "lobby.example.net" << 0 << "k7p2" << P::None;
        QTest::newRow("code of 16") << "10.0.0.1/" + sixteen << false << "10.0.0.1" << 0 << sixteen << P::None;
        QTest::newRow("code of 17") << "10.0.0.1/" + sixteen + "x" << false << "10.0.0.1" << 0 << "" << P::CodeTooLong;
        QTest::newRow("capitals are small letters") << "h/K7P2-Ab" << false << "h" << 0 << "k7p2-ab" << P::None;
        QTest::newRow("nothing after /") << "lobby.example.net/" << false << "lobby.example.net" << 0 << "" << P::EmptyCode;
        QTest::newRow("second /") << "h/ab/cd" << false << "h" << 0 << "" << P::CodeCharacter;
        QTest::newRow("space in code") << "h/ab cd" << false << "h" << 0 << "" << P::CodeCharacter;
        QTest::newRow("directory port") << "h:9100/k7" << false << "h" << 9100 << "k7" << P::None;
        QTest::newRow("not a port: the whole is the host") << "h:x/k7" << false << "h:x" << 0 << "k7" << P::None;
        QTest::newRow("web, public") << "http://127.0.0.1:8080" << true << "http://127.0.0.1:8080" << 0 << "" << P::None;
        QTest::newRow("web, room") << "http://127.0.0.1:8080/K7p2" << true << "http://127.0.0.1:8080/K7p2" << 0 << "k7p2" << P::None;
        QTest::newRow("web, nothing after /") << "http://127.0.0.1:8080/" << true << "http://127.0.0.1:8080/" << 0 << "" << P::EmptyCode;
        QTest::newRow("web, deeper path") << "http://h:8080/a/b" << true << "http://h:8080/a/b" << 0 << "" << P::CodeCharacter;
        // 36 characters leave room for the 55 of the query and an 8-character ID in 99.
        const QString at36 = QStringLiteral("http://lobby.example.net:8080/abcdef");
        QTest::newRow("web, 36 characters") << at36 << true << at36 << 0 << "abcdef" << P::None;
        QTest::newRow("web, 37 characters") << at36 + "g" << true << at36 + "g" << 0 << "" << P::WebTooLong;
        QTest::newRow("capital scheme is a directory name") << "HTTP://h:8080" << false << "HTTP://h:8080" << 0 << "" << P::None;
    }

    void typedAddressNamesLobbyAndRoom()
    {
        QFETCH(QString, typed);
        const LobbyAddress a = parseLobbyAddress(typed);
        QTEST(a.problem, "problem");
        QTEST(a.web, "web");
        QTEST(a.host, "host");
        QTEST(int(a.port), "port");
        QTEST(a.code, "code");
    }

    void requestCarriesItsRoomBehindTheMarker()
    {
        PeerRecord record;
        // A long chat line leaves its text in the send record, as it does in every copy.
        record.writeChat(QByteArray(300, 'k'));
        record.writeDirectoryRequest(GAME_KIND);
        QCOMPARE(readRoomMarker(record), QString());

        writeRoomMarker(record, QStringLiteral("abcdefgh-1234567"));
        QCOMPARE(record.gameKind(), GAME_KIND);
        QCOMPARE(readRoomMarker(record), QStringLiteral("abcdefgh-1234567"));

        // The next request for the public room carries no stale code.
        record.writeDirectoryRequest(GAME_KIND);
        writeRoomMarker(record, QString());
        QCOMPARE(readRoomMarker(record), QString());

        // Any byte of the marker changed: the public room.
        writeRoomMarker(record, QStringLiteral("k7p2"));
        for (int at = ROOM_MARKER_OFFSET; at < ROOM_MARKER_OFFSET + ROOM_MARKER_SIZE; ++at) {
            PeerRecord spoiled = record;
            spoiled.bytes[at] ^= 0x20;
            QVERIFY2(readRoomMarker(spoiled).isEmpty(), qPrintable(QString::number(at)));
        }
    }

    void garbageAfterTheKindIsThePublicRoom()
    {
        QRandomGenerator random(25);
        for (int i = 0; i < 20000; ++i) {
            PeerRecord record;
            random.fillRange(reinterpret_cast<quint32 *>(record.bytes.data()), RECORD_SIZE / 4);
            record.writeDirectoryRequest(GAME_KIND);
            QVERIFY(readRoomMarker(record).isEmpty());
        }
    }

    void inviteLinks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<InviteProblem>("problem");
        QTest::addColumn<QString>("address");
        using P = InviteProblem;
        QTest::newRow("host and code") << "sorvada://lobby.example.net/k7p2x-9md3f" << P::None << "lobby.example.net/k7p2x-9md3f";
        QTest::newRow("with a port") << "sorvada://192.0.2.10:9100/K7P2" << P::None << "192.0.2.10:9100/k7p2";
        QTest::newRow("a / after the code") << "sorvada://h/k7p2/" << P::None << "h/k7p2";
        QTest::newRow("scheme in capitals") << "SORVADA://h/k7p2" << P::None << "h/k7p2";
        QTest::newRow("no code") << "sorvada://lobby.example.net" << P::NoCode << "";
        QTest::newRow("empty code") << "sorvada://lobby.example.net//" << P::NoCode << "";
        QTest::newRow("code too long") << "sorvada://h/abcdefgh-12345678" << P::BadCode << "";
        QTest::newRow("code with a space") << "sorvada://h/ab%20cd" << P::BadCode << "";
        QTest::newRow("no host") << "sorvada:///k7p2" << P::NoHost << "";
        QTest::newRow("host with odd characters") << "sorvada://h<b>/k7p2" << P::BadHost << "";
        QTest::newRow("port 0") << "sorvada://h:0/k7p2" << P::BadPort << "";
        QTest::newRow("port too big") << "sorvada://h:65536/k7p2" << P::BadPort << "";
        QTest::newRow("port not a number") << "sorvada://h:x/k7p2" << P::BadPort << "";
        QTest::newRow("web address") << "http://h:8080/k7p2" << P::NotInvite << "";
        QTest::newRow("other scheme") << "mailto:a@b.c" << P::NotInvite << "";
        QTest::newRow("a plain file name") << "notes.txt" << P::NotInvite << "";
        QTest::newRow("over-long") << "sorvada://" + QString(400, u'a') + "/k7p2" << P::TooLong << "";
    }

    void inviteLinks()
    {
        QFETCH(QString, text);
        const InviteLink link = parseInviteLink(text);
        QTEST(link.problem, "problem");
        if (link.problem == InviteProblem::None)
            QTEST(link.lobbyAddress(), "address");
    }

    void madeInvitationsReadBackAndDiffer()
    {
        QRandomGenerator random(7);
        QSet<QString> seen;
        for (int i = 0; i < 200; ++i) {
            const QString code = drawRoomCode(random);
            QVERIFY2(isRoomCode(code), qPrintable(code));
            // Easy to read out: no 0/o, 1/i/l to confuse.
            QVERIFY(!code.contains(QRegularExpression(QStringLiteral("[01ilo]"))));
            seen.insert(code);
            const InviteLink link = parseInviteLink(formatInviteLink(QStringLiteral("h"), 9100, code));
            QCOMPARE(link.problem, InviteProblem::None);
            QCOMPARE(link.code, code);
            QCOMPARE(link.port, quint16(9100));
        }
        QCOMPARE(seen.size(), 200);
    }
};

QTEST_GUILESS_MAIN(TestRoomCodes)
#include "test_room_codes.moc"
