// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CAboutDlg.h"
#include "app/CChatDlg.h"
#include "app/DialogBuilder.h"
#include "sim/ModalAnswerer.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QtTest>

using namespace sorvada;

using dlg::control;

class TestChatDialog : public QObject
{
    Q_OBJECT
    ModalAnswerer modals;

    static QLineEdit *input(CChatDlg &chat) { return control<QLineEdit>(&chat, 4003); }
    static QPlainTextEdit *shown(CChatDlg &chat) { return control<QPlainTextEdit>(&chat, 4002); }

private slots:
    void initTestCase() { modals.closeStraysAfter(15000); }
    void cleanup() { QCOMPARE(modals.leftOver(), QString()); }

    void createdHiddenOwnerlessAndCentred()
    {
        CChatDlg chat;
        QVERIFY(!chat.isVisible());
        QCOMPARE(chat.windowTitle(), QStringLiteral("Chat"));
        QVERIFY(chat.parentWidget() == nullptr);
        QCOMPARE(chat.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY((chat.geometry().center() - area.center()).manhattanLength() <= 2);
        QVERIFY(shown(chat)->isReadOnly());
        QCOMPARE(shown(chat)->focusPolicy(), Qt::ClickFocus); // not reached with Tab
    }

    // What the peer receives is, character for character, what was added to
    // the sender's own history; a received text is added exactly as it came.
    void enterSendsTheChatLineByteForByte()
    {
        CChatDlg chat;
        QStringList sent;
        chat.setSender([&](const QString &line) { sent.append(line); });
        chat.setName(QStringLiteral("Alice"));
        chat.showAndActivate();
        QVERIFY(QTest::qWaitForWindowExposed(&chat));

        QTest::keyClicks(input(chat), QStringLiteral("good move"));
        QTest::keyClick(input(chat), Qt::Key_Return);
        const QString line = QStringLiteral("Alice: \r\ngood move\r\n");
        QCOMPARE(sent, QStringList{line});
        QCOMPARE(sent.first().toLatin1(), QByteArray("Alice: \r\ngood move\r\n"));
        QCOMPARE(chat.history(), line);
        QCOMPARE(input(chat)->text(), QString());
        QVERIFY(chat.isVisible());
        QCOMPARE(chat.focusWidget(), input(chat));

        const QString peer = QStringLiteral("Bob: \r\nthanks\r\n");
        chat.appendReceived(peer);
        QCOMPARE(chat.history(), line + peer);
        chat.appendReceived(QStringLiteral("raw"));
        QCOMPARE(chat.history(), line + peer + QStringLiteral("raw"));
        QCOMPARE(shown(chat)->toPlainText(), QStringLiteral("Alice: \ngood move\nBob: \nthanks\nraw"));

        // The keypad Enter sends too; a blank is not an empty line.
        QTest::keyClicks(input(chat), QStringLiteral(" "));
        QTest::keyClick(input(chat), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent.last(), QStringLiteral("Alice: \r\n \r\n"));
    }

    void emptyInputIsIgnored()
    {
        CChatDlg chat;
        int sends = 0;
        chat.setSender([&](const QString &) { ++sends; });
        chat.setName(QStringLiteral("Al"));
        chat.appendReceived(QStringLiteral("Bo: \r\nhi\r\n"));
        chat.showAndActivate();
        QTest::keyClick(input(chat), Qt::Key_Return);
        QTest::keyClick(&chat, Qt::Key_Return);
        QCOMPARE(sends, 0);
        QCOMPARE(chat.history(), QStringLiteral("Bo: \r\nhi\r\n"));
        QVERIFY(chat.isVisible());
    }

    void inputTypingStopsAt320()
    {
        CChatDlg chat;
        QString line;
        chat.setSender([&](const QString &l) { line = l; });
        chat.setName(QStringLiteral("ABCDEFGHIJKLMNO"));
        chat.showAndActivate();
        QTest::keyClicks(input(chat), QString(400, QLatin1Char('x')));
        QCOMPARE(input(chat)->text().size(), 320);
        QTest::keyClick(input(chat), Qt::Key_Return);
        QCOMPARE(line.size(), 341); // the longest line a copy ever sends
    }

    // Names and lines travel as UTF-8 in a record of 344 text bytes: the
    // input takes only what fits whole, and the history shows exactly that.
    void inputStopsWhereTheRecordIsFull()
    {
        struct Case {
            QString name, typed;
            int fitting; // characters of typed that fit
        };
        const QString cyrillic(320, QChar(0x0436));                      // 2 bytes each
        const QString faces = QString::fromUtf8("x") + QString::fromUtf8("\xF0\x9F\x98\x80").repeated(100); // 4 bytes each
        const Case cases[] = {
            {QString::fromUtf8("\xD0\x90\xD0\xBD\xD0\xBD\xD0\xB0"), cyrillic, 165}, // 8 + 4 + 2 * 165 + 2 = 344
            {QStringLiteral("Bo"), faces, 1 + 2 * 83},                          // 2 + 4 + 1 + 4 * 83 + 2 = 341
        };
        for (const Case &c : cases) {
            CChatDlg chat;
            QString line;
            chat.setSender([&](const QString &l) { line = l; });
            chat.setName(c.name);
            chat.showAndActivate();
            // Typed one character at a time, as a keyboard delivers them: a
            // character outside the basic plane comes as one pair.
            for (qsizetype i = 0; i < c.typed.size(); ++i) {
                const qsizetype n = c.typed[i].isHighSurrogate() ? 2 : 1;
                QTest::sendKeyEvent(QTest::Click, input(chat), Qt::Key_unknown, c.typed.mid(i, n), Qt::NoModifier);
                i += n - 1;
            }
            QCOMPARE(input(chat)->text(), c.typed.left(c.fitting));
            QTest::keyClick(input(chat), Qt::Key_Return);
            QCOMPARE(line, c.name + QStringLiteral(": \r\n") + c.typed.left(c.fitting) + QStringLiteral("\r\n"));
            QVERIFY(line.toUtf8().size() <= CChatDlg::MaxLineBytes);
            QCOMPARE(chat.history(), line);
        }
    }

    void escapeAndCloseBoxOnlyHide()
    {
        CChatDlg chat;
        chat.setName(QStringLiteral("Al"));
        chat.setSender([](const QString &) {});
        chat.showAndActivate();
        QTest::keyClicks(input(chat), QStringLiteral("first"));
        QTest::keyClick(input(chat), Qt::Key_Return);
        QTest::keyClicks(input(chat), QStringLiteral("half typed"));
        QTest::keyClick(input(chat), Qt::Key_Escape);
        QVERIFY(!chat.isVisible());
        chat.showAndActivate();
        QVERIFY(chat.isVisible());
        QCOMPARE(input(chat)->text(), QStringLiteral("half typed"));
        QCOMPARE(chat.history(), QStringLiteral("Al: \r\nfirst\r\n"));
        QVERIFY(chat.close());
        QVERIFY(!chat.isVisible());
        chat.showAndActivate();
        QCOMPARE(chat.history(), QStringLiteral("Al: \r\nfirst\r\n"));
        QCOMPARE(shown(chat)->toPlainText(), QStringLiteral("Al: \nfirst\n"));
    }

    void newestEntryInViewAfterEveryAppend()
    {
        CChatDlg chat;
        chat.showAndActivate();
        QVERIFY(QTest::qWaitForWindowExposed(&chat));
        QScrollBar *bar = shown(chat)->verticalScrollBar();
        for (int i = 0; i < 60; ++i) {
            chat.appendReceived(QStringLiteral("Bob: \r\nline %1\r\n").arg(i));
            QCOMPARE(bar->value(), bar->maximum());
        }
        QVERIFY(bar->maximum() > 0);
        // Scrolled up by the reader, it comes back down on the next entry.
        bar->setValue(0);
        chat.appendReceived(QStringLiteral("Bob: \r\nlast\r\n"));
        QCOMPARE(bar->value(), bar->maximum());
    }

    // A flooding peer cannot make the history grow without bound: the newest
    // entries are kept whole and the oldest are dropped.
    void historyKeepsTheNewestEntriesOnly()
    {
        CChatDlg chat;
        QStringList all;
        for (int i = 0; i < 400; ++i) {
            const QString entry = QStringLiteral("Bob: \r\n#%1 ").arg(i, 4, 10, QLatin1Char('0'))
                                  + QString(300, QLatin1Char('z')) + QStringLiteral("\r\n");
            all.append(entry);
            chat.appendReceived(entry);
        }
        const QString kept = chat.history();
        QVERIFY(kept.size() <= CChatDlg::MaxHistoryChars);
        QVERIFY(kept.size() > CChatDlg::MaxHistoryChars - all.last().size());
        QVERIFY(kept.startsWith(QStringLiteral("Bob: \r\n#"))); // a whole entry first
        QVERIFY(kept.endsWith(all.last()));
        const qsizetype entries = kept.count(QStringLiteral("Bob: "));
        QCOMPARE(kept, all.mid(all.size() - entries).join(QString()));
        QVERIFY(shown(chat)->document()->characterCount() <= CChatDlg::MaxHistoryChars + 1);

        // One entry alone larger than the whole history keeps its end.
        chat.appendReceived(QString(CChatDlg::MaxHistoryChars + 10, QLatin1Char('q'))
                            + QStringLiteral("END"));
        QCOMPARE(chat.history().size(), CChatDlg::MaxHistoryChars);
        QVERIFY(chat.history().endsWith(QStringLiteral("qEND")));
    }

    // The chat has no owner and the game's dialogs are modal over the game
    // window only: the players can chat while one of them is open.
    void chatStaysUsableWhileAGameDialogIsOpen()
    {
        QWidget window;
        auto *gameField = new QLineEdit(&window);
        window.resize(400, 300);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        CChatDlg chat;
        QStringList sent;
        chat.setSender([&](const QString &line) { sent.append(line); });
        chat.setName(QStringLiteral("Al"));
        chat.showAndActivate();
        QVERIFY(QTest::qWaitForWindowExposed(&chat));

        CAboutDlg about(&window);
        modals.then([&](QWidget *d) {
            // Keys go through the window system, which drops them for a
            // window that a modal dialog blocks.
            gameField->setFocus();
            QTest::keyClick(window.windowHandle(), 'g');
            input(chat)->setFocus();
            for (const char c : QByteArray("hey"))
                QTest::keyClick(chat.windowHandle(), c);
            QTest::keyClick(chat.windowHandle(), Qt::Key_Return);
            QTest::keyClick(d, Qt::Key_Return);
        });
        about.exec();
        QCOMPARE(gameField->text(), QString());
        QCOMPARE(sent, QStringList{QStringLiteral("Al: \r\nhey\r\n")});
    }
};

QTEST_MAIN(TestChatDialog)
#include "test_chat_dialog.moc"
