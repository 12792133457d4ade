// SPDX-License-Identifier: GPL-3.0-or-later
// The byte layout of the 350-byte record: what each writer puts where, what it leaves alone,
// and that every reader stays inside its field.

#include "net/PeerRecord.h"

#include <QTest>

using namespace sorvada;

namespace {

QByteArray head(const PeerRecord &r, int n)
{
    return r.toByteArray().left(n);
}

PeerRecord filled(uint8_t value)
{
    PeerRecord r;
    r.bytes.fill(value);
    return r;
}

} // namespace

class TestPeerRecord : public QObject {
    Q_OBJECT

private slots:
    void typeValues()
    {
        QCOMPARE(RECORD_SIZE, 350);
        QCOMPARE(int(sizeof(PeerRecord)), RECORD_SIZE);
        const int values[] = {GREETING, MOVE, CAPTURE_STEP, DRAW_OFFER, DRAW_ACCEPTED, DRAW_DECLINED,
                              GAME_LOST, YOU_START, PROBE, CHAT, ACK, JOIN, QUIT, DIRECTORY_REQUEST,
                              CONNECT_BUSY, CONNECT_OK, BECOME_SERVER, JOIN_PEER, CONNECT_REQUEST};
        const int expected[] = {0, 1, 2, 3, 4, 5, 6, 7, 245, 246, 247, 248, 249, 250, 251, 252, 253, 254, 255};
        for (size_t i = 0; i < std::size(values); ++i)
            QCOMPARE(values[i], expected[i]);
        QCOMPARE(int(GAME_KIND), 4);
        QCOMPARE(int(GAME_PORT), 8000);
        QCOMPARE(int(DIRECTORY_PORT), 8100);
    }

    // Game messages are everything the link does not handle itself, 250 included.
    void linkRecordClasses()
    {
        for (int t = 0; t < 256; ++t) {
            const bool link = t == 245 || (t >= 247 && t <= 249) || t >= 251;
            QVERIFY2(isLinkRecordType(uint8_t(t)) == link, qPrintable(QString::number(t)));
        }
    }

    void examplesFromTheWire()
    {
        PeerRecord r;
        r.writeLeg(MOVE, 42, 35, 0);
        QCOMPARE(head(r, 4), QByteArray::fromHex("01151C3F"));
        QCOMPARE(int(r.legFrom()), 21);
        QCOMPARE(int(r.legVia()), 63);

        r.writeGreeting(2, "abc");
        QCOMPARE(head(r, 6), QByteArray::fromHex("000261626300"));

        r.writeAck(5);
        QCOMPARE(head(r, 5), QByteArray::fromHex("F705000000"));
        QCOMPARE(r.ackNumber(), 5u);

        r.writeJoinPeer(8000, "127.0.0.1");
        QCOMPARE(head(r, 15), QByteArray::fromHex("FE401F0000") + "127.0.0.1" + QByteArray(1, '\0'));
        QCOMPARE(r.joinPeerPort(), 8000u);
        QCOMPARE(r.joinPeerAddress(), QByteArray("127.0.0.1"));
    }

    void sequenceIsLittleEndianAtTheEnd()
    {
        PeerRecord r = filled(0x55);
        r.setSequence(0x01020304);
        QCOMPARE(r.toByteArray().mid(346), QByteArray::fromHex("04030201"));
        QCOMPARE(r.sequence(), 0x01020304u);
        QCOMPARE(int(r.bytes[345]), 0x55);
        r.setSequence(0xFFFFFFFFu);
        QCOMPARE(r.sequence(), 0xFFFFFFFFu);
    }

    // Senders share one record: a writer changes its own fields and nothing else.
    void writersTouchOnlyTheirFields()
    {
        PeerRecord r = filled(0xAA);
        r.writeLeg(CAPTURE_STEP, 0, 63, 9);
        QCOMPARE(head(r, 4), QByteArray::fromHex("023F0036"));
        QCOMPARE(r.toByteArray().mid(4), QByteArray(RECORD_SIZE - 4, char(0xAA)));

        r = filled(0xAA);
        r.writeBare(DRAW_OFFER);
        QCOMPARE(r.toByteArray().mid(1), QByteArray(RECORD_SIZE - 1, char(0xAA)));

        r = filled(0xAA);
        r.writeAck(0x11223344);
        QCOMPARE(r.toByteArray().mid(5), QByteArray(RECORD_SIZE - 5, char(0xAA)));

        r = filled(0xAA);
        r.writeJoin(GAME_KIND);
        QCOMPARE(head(r, 2), QByteArray::fromHex("F804"));
        QCOMPARE(r.toByteArray().mid(2), QByteArray(RECORD_SIZE - 2, char(0xAA)));

        r = filled(0xAA);
        r.writeDirectoryRequest(GAME_KIND);
        QCOMPARE(head(r, 2), QByteArray::fromHex("FA04"));
        QCOMPARE(r.toByteArray().mid(2), QByteArray(RECORD_SIZE - 2, char(0xAA)));
    }

    void greetingNames()
    {
        PeerRecord r = filled(0xAA);
        r.writeGreeting(1, "ABCDEFGHIJKLMNO");
        QCOMPARE(int(r.bytes[16]), int('O'));
        QCOMPARE(int(r.bytes[17]), 0);
        QCOMPARE(int(r.bytes[18]), 0xAA);
        QCOMPARE(r.greetingName(), QByteArray("ABCDEFGHIJKLMNO"));
        QCOMPARE(int(r.greetingVariant()), 1);

        // A shorter name written over a longer one still reads back as itself.
        r.writeGreeting(2, "Al");
        QCOMPARE(r.greetingName(), QByteArray("Al"));
        QCOMPARE(int(r.greetingVariant()), 2);

        // 8-bit text passes unchanged.
        const QByteArray name = QStringLiteral("Ёжик").toUtf8();
        r.writeGreeting(2, name);
        QCOMPARE(r.greetingName(), name);
    }

    void chatClearsAndIsBounded()
    {
        PeerRecord r = filled(0xAA);
        const QByteArray longest = "ABCDEFGHIJKLMNO: \r\n" + QByteArray(320, 'x') + "\r\n";
        QCOMPARE(longest.size(), 341);
        r.writeChat(longest);
        QCOMPARE(int(r.type()), int(CHAT));
        QCOMPARE(r.chatText(), longest);
        for (int i = 342; i < RECORD_SIZE; ++i)
            QCOMPARE(int(r.bytes[i]), 0);

        // Too long a text is cut so that its zero byte stays clear of the sequence number.
        r.writeChat(QByteArray(400, 'y'));
        QCOMPARE(r.chatText(), QByteArray(MAX_CHAT_BYTES, 'y'));
        QCOMPARE(int(r.bytes[345]), 0);
        QCOMPARE(r.sequence(), 0u);
    }

    // A record from the network may carry no zero byte at all: readers stop before byte 345.
    void readersStopBeforeTheSequence()
    {
        PeerRecord r = filled('z');
        QCOMPARE(r.chatText(), QByteArray(344, 'z'));
        QCOMPARE(r.greetingName(), QByteArray(343, 'z'));
        QCOMPARE(r.joinPeerAddress(), QByteArray(340, 'z'));
        r.bytes[10] = 0;
        QCOMPARE(r.chatText(), QByteArray(9, 'z'));
        r.bytes[5] = 0;
        QCOMPARE(r.joinPeerAddress(), QByteArray());
    }

    void assignTakesWholeRecordsOnly()
    {
        PeerRecord r = filled(0x11);
        for (int size : {0, 1, 349, 351, 1000})
            QVERIFY(!r.assign(QByteArray(size, char(0x22))));
        QCOMPARE(r.toByteArray(), QByteArray(RECORD_SIZE, char(0x11)));
        QVERIFY(r.assign(QByteArray(RECORD_SIZE, char(0x22))));
        QCOMPARE(r.toByteArray(), QByteArray(RECORD_SIZE, char(0x22)));
    }

    void legRange()
    {
        PeerRecord r;
        r.writeLeg(MOVE, 0, 63, 0);
        QVERIFY(r.legSquaresValid());
        r.bytes[2] = 64;
        QVERIFY(!r.legSquaresValid());
    }
};

QTEST_GUILESS_MAIN(TestPeerRecord)
#include "test_peer_record.moc"
