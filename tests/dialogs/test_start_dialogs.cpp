// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CServerDlg.h"
#include "app/CStartDlg.h"
#include "app/CVariantDlg.h"
#include "app/DataFiles.h"
#include "app/DialogBuilder.h"
#include "app/SettingKeys.h"
#include "app/SettingsStore.h"
#include "sim/ModalAnswerer.h"
#include "sim/TemporarySettings.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace sorvada;

using dlg::control;

namespace {

struct RadioState {
    bool join = false, host = false, via = false;
};

RadioState radios(QWidget *d)
{
    return {control<QRadioButton>(d, 202)->isChecked(), control<QRadioButton>(d, 203)->isChecked(),
            control<QRadioButton>(d, 204)->isChecked()};
}

} // namespace

class TestStartDialogs : public QObject
{
    Q_OBJECT
    TemporarySettings settings;
    ModalAnswerer modals;
    int storeNumber = 0;

    // A store of its own for every test: an empty one unless filled.
    QString freshName() { return QStringLiteral("sorvada-start-%1").arg(++storeNumber); }

private slots:
    void initTestCase() { modals.closeStraysAfter(15000); }
    void cleanup() { QCOMPARE(modals.leftOver(), QString()); }

    void firstRunOpensWithTheDefaults()
    {
        SettingsStore store(freshName());
        CStartDlg start(store);
        QString title, field;
        RadioState seen;
        QWidget *focus = nullptr;
        modals.then([&](QWidget *d) {
            title = d->windowTitle();
            field = control<QLineEdit>(d, 201)->text();
            seen = radios(d);
            // The focus lands once the dialog is the active window, which a busy machine
            // may take a moment to report; the focus is checked below.
            (void)QTest::qWaitForWindowActive(d, 10000);
            focus = QApplication::focusWidget();
            QTest::keyClick(d, Qt::Key_Return);
        });
        QCOMPARE(start.exec(), int(QDialog::Accepted));
        QCOMPARE(title, QStringLiteral("Sorvada"));
        QCOMPARE(field, QString());
        QVERIFY(seen.join && !seen.host && !seen.via);
        QCOMPARE(focus, control<QLineEdit>(&start, 201));
        QCOMPARE(start.name, QString());
        QCOMPARE(start.joinFlag, 1);
        QCOMPARE(start.hostFlag, 0);
        QCOMPARE(start.viaServerFlag, 0);

        CServerDlg server;
        modals.then([&](QWidget *d) {
            title = d->windowTitle();
            field = control<QLineEdit>(d, 1001)->text();
            QTest::keyClicks(control<QLineEdit>(d, 1001), QStringLiteral("host"));
            QTest::keyClick(d, Qt::Key_Return);
        });
        QCOMPARE(server.exec(), int(QDialog::Accepted));
        QCOMPARE(title, QStringLiteral("Sorvada "));
        QCOMPARE(field, QString());
        QCOMPARE(server.address, QStringLiteral("host"));

        CVariantDlg variant(store);
        modals.then([&](QWidget *d) {
            title = d->windowTitle();
            QTest::keyClick(d, Qt::Key_Return);
        });
        variant.exec();
        QCOMPARE(title, QStringLiteral("Sorvada "));
        QCOMPARE(variant.americanFlag, 1);
        QCOMPARE(variant.russianFlag, 0);
    }

    void storedModePreselects_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("checked"); // 0 none, else the button's number
        QTest::newRow("0 join") << 0 << 202;
        QTest::newRow("1 host") << 1 << 203;
        QTest::newRow("2 through the server") << 2 << 204;
        QTest::newRow("3 none") << 3 << 0;
        QTest::newRow("7 none") << 7 << 0;
        QTest::newRow("-1 none") << -1 << 0;
    }

    void storedModePreselects()
    {
        QFETCH(int, mode);
        QFETCH(int, checked);
        SettingsStore store(freshName());
        store.writeInt(SettingKey::Mode, mode);
        CStartDlg start(store);
        start.name = QStringLiteral("Ann");
        RadioState seen;
        modals.then([&](QWidget *d) {
            seen = radios(d);
            QTest::mouseClick(control<QPushButton>(d, 1), Qt::LeftButton);
        });
        QCOMPARE(start.exec(), int(QDialog::Accepted));
        QCOMPARE(seen.join, checked == 202);
        QCOMPARE(seen.host, checked == 203);
        QCOMPARE(seen.via, checked == 204);
        QCOMPARE(start.joinFlag, int(checked == 202));
        QCOMPARE(start.hostFlag, int(checked == 203));
        QCOMPARE(start.viaServerFlag, int(checked == 204));
        QCOMPARE(start.name, QStringLiteral("Ann"));
    }

    // After an empty name the caller runs the same dialog again: it reopens
    // with the stored choice, not the one clicked before.
    void rerunShowsTheStoredChoiceAgain()
    {
        SettingsStore store(freshName());
        CStartDlg start(store);
        modals.then([&](QWidget *d) {
            QTest::mouseClick(control<QRadioButton>(d, 203), Qt::LeftButton);
            QTest::keyClick(control<QLineEdit>(d, 201), Qt::Key_Return);
        });
        QCOMPARE(start.exec(), int(QDialog::Accepted));
        QCOMPARE(start.hostFlag, 1);
        QCOMPARE(start.joinFlag, 0);
        QCOMPARE(start.name, QString());

        RadioState seen;
        modals.then([&](QWidget *d) {
            seen = radios(d);
            QTest::keyClicks(control<QLineEdit>(d, 201), QStringLiteral(" "));
            QTest::keyClick(control<QLineEdit>(d, 201), Qt::Key_Return);
        });
        QCOMPARE(start.exec(), int(QDialog::Accepted));
        QVERIFY(seen.join && !seen.host && !seen.via);
        QCOMPARE(start.name, QStringLiteral(" ")); // a blank is a name
        QCOMPARE(start.joinFlag, 1);
        QCOMPARE(start.hostFlag, 0);
    }

    void exitEscapeAndCloseBoxCancel()
    {
        SettingsStore store(freshName());
        CStartDlg start(store);
        start.name = QStringLiteral("Kept");
        modals.then([&](QWidget *d) {
            QTest::keyClicks(control<QLineEdit>(d, 201), QStringLiteral("xyz"));
            QTest::mouseClick(control<QPushButton>(d, 2), Qt::LeftButton);
        });
        QCOMPARE(start.exec(), int(QDialog::Rejected));
        QCOMPARE(start.name, QStringLiteral("Kept"));

        modals.then([&](QWidget *d) { QTest::keyClick(d, Qt::Key_Escape); });
        QCOMPARE(start.exec(), int(QDialog::Rejected));
        modals.then([&](QWidget *d) { d->close(); });
        QCOMPARE(start.exec(), int(QDialog::Rejected));

        CServerDlg server;
        server.address = QStringLiteral("old.example");
        modals.then([&](QWidget *d) {
            QTest::keyClicks(control<QLineEdit>(d, 1001), QStringLiteral("new"));
            QTest::mouseClick(control<QPushButton>(d, 2), Qt::LeftButton);
        });
        QCOMPARE(server.exec(), int(QDialog::Rejected));
        QCOMPARE(server.address, QStringLiteral("old.example"));
    }

    void nameTypingStopsAtFifteen()
    {
        SettingsStore store(freshName());
        CStartDlg start(store);
        QString shown;
        modals.then([&](QWidget *d) {
            auto *field = control<QLineEdit>(d, 201);
            QTest::keyClicks(field, QStringLiteral("abcdefghijklmnopqrst"));
            shown = field->text();
            QTest::keyClick(field, Qt::Key_Return);
        });
        QCOMPARE(start.exec(), int(QDialog::Accepted));
        QCOMPARE(shown, QStringLiteral("abcdefghijklmno"));
        QCOMPARE(start.name, QStringLiteral("abcdefghijklmno"));
    }

    // A longer name can only come from the store: it is shown whole, OK
    // refuses it with a warning until it is cut to fifteen characters.
    void longStoredNameRefusedUntilShortened()
    {
        SettingsStore store(freshName());
        CStartDlg start(store);
        const QString twenty = QStringLiteral("ABCDEFGHIJKLMNOPQRST");
        start.name = twenty;

        QString shown, afterTyping, selected, warning, caption;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool stayedOpen = false, focusBack = false;
        modals.then([&](QWidget *d) {
            auto *field = control<QLineEdit>(d, 201);
            shown = field->text();
            QTest::keyClick(field, Qt::Key_End);
            QTest::keyClicks(field, QStringLiteral("U")); // no room to type more
            afterTyping = field->text();

            modals.then([&](QWidget *box) {
                if (auto *mb = qobject_cast<QMessageBox *>(box)) {
                    warning = mb->text();
                    caption = mb->windowTitle();
                    icon = mb->icon();
                }
                QTest::keyClick(box, Qt::Key_Return);
            });
            QTest::keyClick(field, Qt::Key_Return); // returns once the warning is closed
            stayedOpen = d->isVisible();
            focusBack = d->focusWidget() == field;
            selected = field->selectedText();

            QTest::keyClick(field, Qt::Key_End);
            for (int i = 0; i < 5; ++i)
                QTest::keyClick(field, Qt::Key_Backspace);
            QTest::keyClick(field, Qt::Key_Return);
        });
        QCOMPARE(start.exec(), int(QDialog::Accepted));
        QCOMPARE(shown, twenty);
        QCOMPARE(afterTyping, twenty);
        QCOMPARE(warning, QStringLiteral("Please enter no more than 15 characters."));
        QCOMPARE(caption, QStringLiteral("Sorvada"));
        QCOMPARE(icon, QMessageBox::Warning);
        QVERIFY(stayedOpen);
        QVERIFY(focusBack);
        QCOMPARE(selected, twenty);
        QCOMPARE(start.name, twenty.left(15));
    }

    // The page that opens is checked with the help launcher itself.
    void helpFailureIsReportedAndTheDialogStays()
    {
        if (!findDataFile(QStringLiteral("help/index.html")).isEmpty())
            QSKIP("a help page is installed beside the test program");
        SettingsStore store(freshName());
        CStartDlg start(store);
        QString message;
        bool openAfterHelp = false;
        modals.then([&](QWidget *d) {
            modals.then([&](QWidget *box) {
                if (auto *mb = qobject_cast<QMessageBox *>(box))
                    message = mb->text();
                QTest::keyClick(box, Qt::Key_Return);
            });
            QTest::mouseClick(control<QPushButton>(d, 1011), Qt::LeftButton);
            openAfterHelp = d->isVisible();
            QTest::mouseClick(control<QPushButton>(d, 1), Qt::LeftButton);
        });
        QCOMPARE(start.exec(), int(QDialog::Accepted));
        QCOMPARE(message, QStringLiteral("Failed to launch help."));
        QVERIFY(openAfterHelp);
    }

    void addressTypingStopsAt255()
    {
        CServerDlg server;
        QString shown;
        modals.then([&](QWidget *d) {
            auto *field = control<QLineEdit>(d, 1001);
            QTest::keyClicks(field, QString(300, QLatin1Char('h')));
            shown = field->text();
            QTest::keyClick(field, Qt::Key_Return);
        });
        QCOMPARE(server.exec(), int(QDialog::Accepted));
        QCOMPARE(shown.size(), 255);
        QCOMPARE(server.address, QString(255, QLatin1Char('h')));

        // What was stored comes back unchanged, and can be replaced.
        server.address = QStringLiteral("game.example.org");
        modals.then([&](QWidget *d) {
            shown = control<QLineEdit>(d, 1001)->text();
            QTest::keyClick(d, Qt::Key_Return);
        });
        QCOMPARE(server.exec(), int(QDialog::Accepted));
        QCOMPARE(shown, QStringLiteral("game.example.org"));
        QCOMPARE(server.address, QStringLiteral("game.example.org"));

        // An empty address is refused with a warning; the dialog stays open,
        // its field showing the forms it takes, until one is typed.
        QString warning, hint;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        bool openAfterWarning = false;
        modals.then([&](QWidget *d) {
            auto *field = control<QLineEdit>(d, 1001);
            field->selectAll();
            QTest::keyClick(field, Qt::Key_Delete);
            hint = field->placeholderText();
            modals.then([&, d](QWidget *box) {
                warning = qobject_cast<QMessageBox *>(box)->text();
                icon = qobject_cast<QMessageBox *>(box)->icon();
                QTest::keyClick(box, Qt::Key_Return);
                QTimer::singleShot(0, d, [&, d] {
                    openAfterWarning = d->isVisible();
                    QTest::keyClicks(control<QLineEdit>(d, 1001), QStringLiteral("192.0.2.7"));
                    QTest::keyClick(d, Qt::Key_Return);
                });
            });
            QTest::keyClick(field, Qt::Key_Return);
        });
        QCOMPARE(server.exec(), int(QDialog::Accepted));
        QCOMPARE(warning, QStringLiteral("You should enter the server's name or address!"));
        QCOMPARE(icon, QMessageBox::Warning);
        QVERIFY(openAfterWarning);
        QVERIFY(hint.contains(QStringLiteral("IP address")) && hint.contains(QStringLiteral("http://host:port")));
        QCOMPARE(server.address, QStringLiteral("192.0.2.7"));
    }

    void pastedTextIsCutToTheLimit()
    {
        CServerDlg server;
        server.address = QString(250, QLatin1Char('a'));
        modals.then([&](QWidget *d) {
            auto *field = control<QLineEdit>(d, 1001);
            field->setCursorPosition(10);
            QApplication::clipboard()->setText(QStringLiteral("0123456789"));
            QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
            QTest::keyClick(field, Qt::Key_Return);
        });
        server.exec();
        QCOMPARE(server.address, QString(10, QLatin1Char('a')) + QStringLiteral("01234")
                                     + QString(240, QLatin1Char('a')));
    }

    void storedVariantPreselects_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<bool>("russian");
        QTest::newRow("0") << 0 << false;
        QTest::newRow("1") << 1 << false;
        QTest::newRow("2") << 2 << true;
        QTest::newRow("9") << 9 << false;
    }

    void storedVariantPreselects()
    {
        QFETCH(int, stored);
        QFETCH(bool, russian);
        SettingsStore store(freshName());
        store.writeInt(SettingKey::VarGame, stored);
        CVariantDlg variant(store);
        bool russianChecked = !russian, americanChecked = russian;
        QWidget *focus = nullptr;
        modals.then([&](QWidget *d) {
            russianChecked = control<QRadioButton>(d, 1030)->isChecked();
            americanChecked = control<QRadioButton>(d, 1031)->isChecked();
            // The focus lands once the dialog is the active window, which a busy machine
            // may take a moment to report; the focus is checked below.
            (void)QTest::qWaitForWindowActive(d, 10000);
            focus = QApplication::focusWidget();
            QTest::keyClick(d, Qt::Key_Return);
        });
        QCOMPARE(variant.exec(), int(QDialog::Accepted));
        QCOMPARE(russianChecked, russian);
        QCOMPARE(americanChecked, !russian);
        QCOMPARE(focus, control<QPushButton>(&variant, 1));
        QCOMPARE(variant.russianFlag, int(russian));
        QCOMPARE(variant.americanFlag, int(!russian));
    }

    // The host cannot back out of the choice: Escape answers with the button
    // that is checked, and there is no close box.
    void variantEscapeAnswersWithTheCheckedButton()
    {
        SettingsStore store(freshName());
        store.writeInt(SettingKey::VarGame, 2);
        CVariantDlg variant(store);
        QVERIFY(!(variant.windowFlags() & Qt::WindowCloseButtonHint));
        modals.then([&](QWidget *d) { QTest::keyClick(d, Qt::Key_Escape); });
        variant.exec();
        QCOMPARE(variant.russianFlag, 1);
        QCOMPARE(variant.americanFlag, 0);

        modals.then([&](QWidget *d) {
            QTest::mouseClick(control<QRadioButton>(d, 1031), Qt::LeftButton);
            QTest::keyClick(d, Qt::Key_Escape);
        });
        variant.exec();
        QCOMPARE(variant.russianFlag, 0);
        QCOMPARE(variant.americanFlag, 1);
        QVERIFY(!variant.isVisible());
    }

    void dialogsOpenCentredOverTheirWindow()
    {
        QWidget window;
        window.setGeometry(100, 80, 640, 480);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        SettingsStore store(freshName());
        CStartDlg start(store, &window);
        CServerDlg server(&window);
        server.address = QStringLiteral("host");
        CVariantDlg variant(store, &window);
        for (QDialog *dialog : {static_cast<QDialog *>(&start), static_cast<QDialog *>(&server),
                                static_cast<QDialog *>(&variant)}) {
            QPoint centre;
            modals.then([&](QWidget *d) {
                centre = d->geometry().center();
                QTest::keyClick(d, Qt::Key_Return);
            });
            dialog->exec();
            QVERIFY2((centre - window.geometry().center()).manhattanLength() <= 4,
                     qPrintable(dialog->objectName()));
        }
    }

    // "Invite a friend", whose letter is Alt+I: clicked as the player would.
    static void pressInvite(QWidget *d)
    {
        auto *button = control<QPushButton>(d, 1002);
        QCOMPARE(button->shortcut(), QKeySequence(Qt::AltModifier | Qt::Key_I));
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // Alt+I draws a code for the lobby in the box, puts HOST/CODE there, copies the link and
    // shows it; Enter then confirms the address with the code.
    void inviteAFriendMakesALinkForTheLobbyInTheBox_data()
    {
        QTest::addColumn<QString>("inBox");
        QTest::addColumn<QString>("lobby");
        QTest::newRow("directory") << "lobby.example.net" << "lobby.example.net";
        QTest::newRow("directory on another port, old code") << "192.0.2.10:9100/old" << "192.0.2.10:9100";
        QTest::newRow("web lobby: its host's directory") << "http://127.0.0.1:8080" << "127.0.0.1";
    }

    void inviteAFriendMakesALinkForTheLobbyInTheBox()
    {
        QFETCH(QString, inBox);
        QFETCH(QString, lobby);
        CServerDlg server;
        server.address = inBox;
        QString typed, shownLink, note;
        bool hiddenBefore = false;
        modals.then([&](QWidget *d) {
            hiddenBefore = !control<QLineEdit>(d, 1004)->isVisible();
            // A mnemonic reaches only the active window.
            d->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(d));
            pressInvite(d);
            typed = control<QLineEdit>(d, 1001)->text();
            shownLink = control<QLineEdit>(d, 1004)->isVisible() ? control<QLineEdit>(d, 1004)->text() : QString();
            note = ModalAnswerer::textOf(d);
            QTest::keyClick(control<QLineEdit>(d, 1001), Qt::Key_Return);
        });
        QCOMPARE(server.exec(), int(QDialog::Accepted));
        QVERIFY(hiddenBefore);
        QVERIFY2(QRegularExpression(QStringLiteral("^%1/[2-9a-hjkmnp-z]{5}-[2-9a-hjkmnp-z]{5}$")
                                        .arg(QRegularExpression::escape(lobby)))
                     .match(server.address)
                     .hasMatch(),
                 qPrintable(server.address));
        QCOMPARE(typed, server.address);
        QCOMPARE(shownLink, QStringLiteral("sorvada://") + server.address);
        QCOMPARE(server.invitation, shownLink);
        QCOMPARE(QGuiApplication::clipboard()->text(), shownLink);
        QVERIFY(note.contains(QStringLiteral("Send this link to your friend")));
    }

    void inviteWithoutALobbyAsksForOne()
    {
        CServerDlg server;
        QString asked, typed;
        modals.then([&](QWidget *d) {
            modals.then([&, d](QWidget *box) {
                asked = qobject_cast<QMessageBox *>(box)->text();
                QTest::keyClick(box, Qt::Key_Return);
                QTimer::singleShot(0, d, [&, d] {
                    QTest::keyClicks(control<QLineEdit>(d, 1001), QStringLiteral("192.0.2.7"));
                    d->activateWindow();
                    QVERIFY(QTest::qWaitForWindowActive(d));
                    pressInvite(d);
                    typed = control<QLineEdit>(d, 1001)->text();
                    QTest::keyClick(d, Qt::Key_Escape);
                });
            });
            d->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(d));
            pressInvite(d);
        });
        QCOMPARE(server.exec(), int(QDialog::Rejected));
        QVERIFY2(asked.contains(QStringLiteral("lobby")), qPrintable(asked));
        QVERIFY2(typed.startsWith(QStringLiteral("192.0.2.7/")) && typed.size() == 10 + 11, qPrintable(typed));
    }

    // What no lobby can take is refused with a message that says why; the dialog stays open.
    void addressesNoLobbyTakesAreRefused_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("why");
        QTest::newRow("nothing after /") << "lobby.example.net/" << "Nothing follows";
        QTest::newRow("code of 17") << "lobby.example.net/abcdefgh-12345678" << "longer than 16";
        QTest::newRow("space") << "h/ab cd" << "no spaces";
        QTest::newRow("second /") << "h/ab/cd" << "second";
        QTest::newRow("web address too long") << "http://lobby.example.net:8080/abcdefg" << "99 characters";
    }

    void addressesNoLobbyTakesAreRefused()
    {
        QFETCH(QString, typed);
        QFETCH(QString, why);
        CServerDlg server;
        server.address = typed;
        QString message;
        bool stayed = false;
        modals.then([&](QWidget *d) {
            modals.then([&, d](QWidget *box) {
                message = qobject_cast<QMessageBox *>(box)->text();
                QTest::keyClick(box, Qt::Key_Return);
                QTimer::singleShot(0, d, [&, d] {
                    stayed = d->isVisible();
                    QTest::keyClick(d, Qt::Key_Escape);
                });
            });
            QTest::keyClick(d, Qt::Key_Return);
        });
        QCOMPARE(server.exec(), int(QDialog::Rejected));
        QVERIFY2(message.contains(why), qPrintable(message));
        QVERIFY(stayed);
    }
};

QTEST_MAIN(TestStartDialogs)
#include "test_start_dialogs.moc"
