// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the seed corpora of the fuzz targets from real records, built with the same writers the
// game uses: fuzz_seeds <corpus-folder>. The output is committed under fuzz/corpus/; run it again
// only when the record format or an input layout of a target changes.

#include "net/LinkExtension.h"
#include "net/PeerRecord.h"
#include "rules/BoardTypes.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>

#include <cstdio>

using namespace sorvada;

namespace {

QDir root;

void write(const QString &target, const QString &name, const QByteArray &bytes)
{
    root.mkpath(target);
    QFile file(root.filePath(target + u'/' + name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        std::exit(1);
    }
}

// fuzz_datagrams: one setup byte (% 3: 0 joins, 1 hosts through the directory, 2 asks the web
// server; / 3 options: bit 0 the directory's record carries a block announcing REATTACH, bit 1
// with a token, bit 2 the peer's JOIN carries a block, bit 3 with a token), then datagrams, each
// as a selector (sender = sel % 3: 0 directory server, 1 game peer, 2 stranger; form = sel >> 2)
// and, for a record, its type, the number of payload bytes and those bytes, for form bit 3 the
// block's features and flags, then the sequence: form & 3 == 2 carries the one the link expects
// next, 3 an older one (1 byte), 1 any number (4 bytes), 0 makes a raw datagram of twice the
// given length instead. Form bit 4 repeats the datagram: a count byte follows. Selectors from
// 0xF0 are the local player's: 0xF0 to 0xFC a click on the square in the next byte, 0xFD time
// passes, 0xFE a draw offer, 0xFF a capitulation. Every web query reads a wait byte (bits 0-1
// datagrams arriving meanwhile, each as party, form and datagram; bit 2 time passes) and then
// an answer choice (% 6: 0 "Server", 1-2 "Client" naming party (byte & 1) with an ID byte).
struct Block {
    uint8_t features = 0;
    uint8_t flags = 0; // bit 0 hosting end, bit 1 token, bits 2-6 which token
};

struct Script {
    QByteArray bytes;
    explicit Script(bool host) { bytes.append(char(host ? 1 : 0)); }
    explicit Script(const QByteArray &opening) : bytes(char(2) + opening) {}
    Script(int setup, bool) { bytes.append(char(setup)); }
    // The record's bytes after its selector (or its party and form, in a query's wait).
    Script &body(int form, const PeerRecord &r, int payload, Block block = {}, int copies = 0)
    {
        bytes.append(char(r.type()));
        bytes.append(char(payload));
        bytes.append(reinterpret_cast<const char *>(r.bytes.data()) + 1, payload);
        if (form & 8) {
            bytes.append(char(block.features));
            bytes.append(char(block.flags));
        }
        if ((form & 3) == 1)
            bytes.append(reinterpret_cast<const char *>(r.bytes.data()) + SEQUENCE_OFFSET, 4);
        if ((form & 3) == 3)
            bytes.append(char(0));
        if (form & 16)
            bytes.append(char(copies - 2));
        return *this;
    }
    Script &record(int party, int form, const PeerRecord &r, int payload, Block block = {}, int copies = 0)
    {
        // The sender is the selector % 3 and the form its bits 2 and up: of the four selectors
        // of a form, the one that names the party.
        int sel = form << 2;
        while (sel % 3 != party)
            ++sel;
        bytes.append(char(sel));
        return body(form, r, payload, block, copies);
    }
    // A datagram that arrives while a query waits: there the type byte is an index into the
    // fuzzer's list of types.
    Script &meanwhile(int party, int form, int typeIndex, int copies = 0)
    {
        bytes.append(char(party));
        bytes.append(char(form));
        PeerRecord r;
        r.setType(uint8_t(typeIndex));
        return body(form | 4, r, 0, {}, copies);
    }
    // The local player clicks a square of the board (then a dialog may want an answer).
    Script &click(int square)
    {
        bytes.append(char(0xF0));
        bytes.append(char(square));
        return *this;
    }
    Script &answer(int button)
    {
        bytes.append(char(button));
        return *this;
    }
};

PeerRecord leg(uint8_t type, uint8_t from, uint8_t to, uint8_t via)
{
    PeerRecord r;
    r.writeLeg(type, from, to, via);
    return r;
}

PeerRecord bare(uint8_t type)
{
    PeerRecord r;
    r.writeBare(type);
    return r;
}

void datagramSeeds()
{
    const QString t = QStringLiteral("fuzz_datagrams");
    PeerRecord hello;
    hello.writeGreeting(0, "Ilse");
    PeerRecord serverHello;
    serverHello.writeGreeting(VARIANT_RUSSIAN, "Oskar");
    PeerRecord chat;
    chat.writeChat("Ilse: \r\nhello there\r\n");
    PeerRecord ack;
    ack.writeAck(0);
    PeerRecord knock; // a joiner's JOIN, with the game kind
    knock.writeJoin(GAME_KIND);

    // The host: the client greets, moves after the host's first move, chats and leaves.
    write(t, QStringLiteral("host-greeting-move-chat-quit"),
          Script(true)
              .answer(1)
              .record(1, 2, hello, 7)
              .record(1, 2, leg(MOVE, 42, 35, 0), 3)
              .record(1, 2, chat, 40)
              .record(1, 3, leg(MOVE, 42, 35, 0), 3)
              .record(1, 1, bare(QUIT), 0)
              .bytes);
    // The client: the host greets with the Russian variant, moves, offers a draw.
    write(t, QStringLiteral("client-greeting-move-draw"),
          Script(false)
              .record(1, 2, serverHello, 8)
              .record(1, 2, leg(MOVE, 40, 33, 0), 3)
              .record(1, 2, bare(DRAW_OFFER), 0)
              .answer(0)
              .record(1, 2, bare(GAME_LOST), 0)
              .record(1, 2, bare(YOU_START), 0)
              .bytes);
    // A few moves each way: the host opens, the client answers on its own board.
    write(t, QStringLiteral("client-plays-a-few-moves"),
          Script(false)
              .record(1, 2, serverHello, 8)
              .record(1, 2, leg(MOVE, 42, 35, 0), 3)
              .click(42)
              .click(35)
              .record(1, 2, leg(MOVE, 44, 37, 0), 3)
              .click(40)
              .click(33)
              .bytes);
    write(t, QStringLiteral("host-plays-and-capitulates"),
          Script(true)
              .answer(1)
              .record(1, 2, hello, 7)
              .click(42)
              .click(35)
              .record(1, 2, leg(MOVE, 42, 35, 0), 3)
              .click(35)
              .click(28)
              .bytes
              + QByteArray(1, char(0xFF)) + QByteArray(4, char(0)));
    // Link records from all three senders, acknowledgements and a probe.
    write(t, QStringLiteral("link-records"),
          Script(false)
              .record(0, 1, bare(PROBE), 0)
              .record(2, 1, ack, 4)
              .record(1, 1, ack, 4)
              .record(2, 2, bare(CONNECT_REQUEST), 0)
              .record(0, 1, bare(BECOME_SERVER), 0)
              .record(1, 1, bare(JOIN), 0)
              .bytes);
    // A capture step followed by the last leg, and a datagram of the wrong size.
    QByteArray odd = Script(true).record(1, 2, hello, 7).record(1, 2, leg(CAPTURE_STEP, 44, 26, 0), 3).bytes;
    odd.append(char(1)); // raw, from the peer
    odd.append(char(174));
    odd.append(QByteArray(348, '\x01'));
    write(t, QStringLiteral("capture-step-and-short-datagram"), odd);

    // Through the web server: proposed the game peer (no datagram during the wait; answer 1,
    // party 1, ID 7), which answers CONNECT_BUSY; two more arrive while the busy report waits
    // (party 1, a TYPES record, type 13, no payload, four sequence bytes), and its answer
    // proposes the other host (party 0, ID 8), which says CONNECT_OK, joins, greets and moves.
    const QByteArray busyDuringWait =
        QByteArray::fromHex("02" "01050d0000000000" "01050d0000000000" "01" "00" "08");
    write(t, QStringLiteral("web-busy-during-the-wait"),
          Script(QByteArray::fromHex("00" "01" "01" "07")).record(1, 1, bare(CONNECT_BUSY), 0).bytes
              + busyDuringWait
              + Script(false)
                    .record(0, 1, bare(CONNECT_OK), 0)
                    .record(0, 1, bare(JOIN), 0)
                    .record(0, 2, serverHello, 8)
                    .record(0, 2, leg(MOVE, 42, 35, 0), 3)
                    .bytes.mid(1));
    // Through the directory with the extension blocks: it announces REATTACH with a token, the
    // joiner knocks with RESUME and its token, greets with a block; a stranger's JOIN with a
    // block and a token of its own (not the match's) and its REATTACH change nothing.
    PeerRecord reattach;
    writeReattach(reattach, 0x3C5A020000000001ull, false);
    const Block strangerToken{FEATURE_RESUME, 0x02 | (3 << 2)};
    write(t, QStringLiteral("host-blocks-and-a-stranger-token"),
          Script(1 + 3 * 15, true)
              .answer(1)
              .record(1, 2 | 8, hello, 7, {FEATURE_RESUME, 0x00})
              .record(2, 1 | 8, knock, 1, strangerToken)
              .record(2, 1 | 8, reattach, 0, {FEATURE_RESUME, 0x02 | (4 << 2)})
              .record(1, 2, leg(MOVE, 42, 35, 0), 3)
              .bytes);
    // The joiner's side: JOIN_PEER announcing REATTACH, the host's acceptance and greeting with
    // its token, its digest of the match and a stranger's JOIN and REATTACH with blocks.
    DigestMessage digest;
    digest.state.setNumber = 1;
    digest.state.plies = 1;
    digest.state.positionHash = 0x0123456789ABCDEFull;
    digest.state.toMove = 2;
    digest.seen = 1;
    PeerRecord digestRecord;
    writeDigestMessage(digestRecord, digest);
    PeerRecord bareJoin = bare(JOIN);
    write(t, QStringLiteral("client-blocks-digest-and-a-stranger-token"),
          Script(0 + 3 * 13, true)
              .record(1, 2 | 8, serverHello, 8, {FEATURE_RESUME, 0x03})
              .record(1, 2, leg(MOVE, 42, 35, 0), 3)
              .record(1, 2, digestRecord, 24)
              .record(2, 1 | 8, bareJoin, 0, strangerToken)
              .record(2, 1 | 8, reattach, 0, {FEATURE_RESUME, 0x02 | (5 << 2)})
              .record(0, 1 | 8, bare(BECOME_SERVER), 0, {FEATURE_REATTACH, 0x00})
              .record(1, 2, bare(DRAW_OFFER), 0)
              .bytes);
    // A proposed host floods CONNECT_BUSY: the first report waits while more arrive (and time
    // passes), the answer proposes the other host, and the rest of the flood is nobody's.
    write(t, QStringLiteral("web-busy-flood"),
          Script(QByteArray::fromHex("00" "01" "01" "07"))
              .record(1, 1 | 16, bare(CONNECT_BUSY), 0, {}, 200)
              .answer(0x05) // the busy report's wait: one datagram, then time passes
              .meanwhile(1, 1 | 16, 13, 64) // 13: CONNECT_BUSY
              .answer(1)
              .answer(0)
              .answer(8)
              .record(0, 1, bare(CONNECT_OK), 0)
              .record(0, 1, bare(JOIN), 0)
              .record(0, 2, serverHello, 8)
              .bytes);
    // Two proposals nobody answers: the first one's time runs out, and the second one's while
    // the report of the first waits; that report's answer is no answer word.
    write(t, QStringLiteral("web-silent-proposals"),
          Script(QByteArray::fromHex("00" "01" "01" "07"))
              .record(1, 1, bare(CONNECT_BUSY), 0)
              .answer(0x00)
              .answer(1)
              .answer(1)
              .answer(9)
              .answer(0xFD) // time passes: the first proposal's timer
              .answer(0x04) // its report waits while time passes: the second one's
              .answer(4)
              .answer(3)
              .answer('x')
              .answer('y')
              .answer('z')
              .answer(0x00) // the deferred report
              .answer(0)
              .record(2, 1, bare(CONNECT_REQUEST), 0)
              .record(2, 1, knock, 1)
              .bytes);
    // Two proposals: the first is busy, the second silent. The first one's time runs out and its
    // report's answer makes this copy the server; then the second one's, and while that late
    // report waits a QUIT arrives: the end query is made once the report is over.
    write(t, QStringLiteral("web-quit-while-a-report-waits"),
          Script(QByteArray::fromHex("00" "01" "01" "07"))
              .record(1, 1, bare(CONNECT_BUSY), 0)
              .answer(0x00)
              .answer(1)
              .answer(1)
              .answer(9) // the busy report's answer: the second proposal
              .answer(0xFD) // time passes: both proposals' timers
              .answer(0x00)
              .answer(0) // the first one's report: "Server"
              .answer(1) // the variant
              .answer(0x01) // the second one's report waits while a QUIT arrives
              .meanwhile(2, 1, 12) // 12: QUIT
              .answer(0)
              .answer(0)
              .answer(0)
              .answer(0)
              .answer(0)
              .bytes);
    // Told to wait as server at once; a stranger's CONNECT_REQUEST gets room, its JOIN a place.
    write(t, QStringLiteral("web-server-then-joined"),
          Script(QByteArray::fromHex("00" "00"))
              .answer(1)
              .record(2, 1, bare(CONNECT_REQUEST), 0)
              .record(2, 1, knock, 1)
              .record(2, 2, hello, 7)
              .bytes);
}

void answerSeeds()
{
    const QString t = QStringLiteral("fuzz_answer");
    const QList<QByteArray> answers = {
        "Server\n",
        "Server/waiting\r\n",
        "Client/127.0.0.1/8000/Q9\n",
        "Client/ host.example/ 2345/ 17\r\n",
        "Client/10.0.0.7/40112/K3M9P2\n\nmore text",
        "Client/a/b\n",
        "Client/127.0.0.1/99999/Z\n",
        "OK\n",
        "<html><body>Not Found</body></html>",
        "",
    };
    for (int i = 0; i < answers.size(); ++i)
        write(t, QStringLiteral("answer-%1").arg(i), answers.at(i));
}

void legSeeds()
{
    const QString t = QStringLiteral("fuzz_legs");
    // Setup byte (bit 0: Russian), then move choices below 0xC0 (each a whole legal move of
    // the side to move, the following bytes picking among its moves and capture legs), and
    // arbitrary legs as 0xC0 | board | 2 for a last leg, from, to, via (between the legs of a
    // move, too).
    for (int variant = 0; variant < 2; ++variant) {
        QByteArray quiet(1, char(variant));
        for (int i = 0; i < 120; ++i)
            quiet.append(char((i * 37 + 11) % 0xC0));
        write(t, QStringLiteral("legal-play-%1").arg(variant ? "russian" : "american"), quiet);
        QByteArray mixed(1, char(variant));
        for (int i = 0; i < 40; ++i) {
            mixed.append(char((i * 53 + 5) % 0xC0));
            mixed.append(char(i % 7));
            if (i % 5 == 4) {
                mixed.append(char(0xC0 | (i & 1)));
                mixed.append(char(21 + i % 3));
                mixed.append(char(28 + i % 5));
                mixed.append(char(63));
            }
        }
        write(t, QStringLiteral("mixed-%1").arg(variant ? "russian" : "american"), mixed);
    }
    // The example step of the record format and a turning leg through a via square.
    write(t, QStringLiteral("arbitrary-legs"), QByteArray::fromHex("01c0151c3fc1151c3fc22a23231c3f"));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <corpus-folder>\n");
        return 2;
    }
    root = QDir(QString::fromLocal8Bit(argv[1]));
    root.mkpath(QStringLiteral("."));
    datagramSeeds();
    answerSeeds();
    legSeeds();
    return 0;
}
