// SPDX-License-Identifier: GPL-3.0-or-later
// Bad input at the edges of the program: a settings file that cannot be read or holds rubbish,
// stored texts far longer than any dialog expects, and a game port that another program holds.
// The program must fall back to its defaults, keep its dialogs usable, and give up cleanly.

#include "app/CScoreDlg.h"
#include "app/CScoreDlg.h"
#include "app/CServerDlg.h"
#include "app/CStartDlg.h"
#include "app/CVariantDlg.h"
#include "app/DialogBuilder.h"
#include "app/SettingKeys.h"
#include "app/SettingsStore.h"
#include "net/PeerRecord.h"
#include "net/PeerSocket.h"
#include "rules/GameBoard.h"
#include "sim/ModalAnswerer.h"
#include "sim/TemporarySettings.h"
#include "tests/support/RawPeer.h"
#include "ui/CGameWnd.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

using namespace sorvada;

namespace {

constexpr int WAIT_MS = 15000;
const QString APP = QStringLiteral("sorvada-edge-test");

QString messageOf(QWidget *w)
{
    auto *box = qobject_cast<QMessageBox *>(w);
    return box ? box->text() : QString();
}

void clickButton(QWidget *w, int id)
{
    QPushButton *button = dlg::control<QPushButton>(w, id);
    QVERIFY2(button, "button not found");
    button->click();
}

} // namespace

class TestEdgeInput : public QObject {
    Q_OBJECT

private:
    TemporarySettings settings;

    QString settingsFile()
    {
        return SettingsStore(APP).location();
    }

    void removeSettings()
    {
        const QString path = settingsFile();
        QFileInfo info(path);
        if (info.isDir())
            QDir(path).removeRecursively();
        else
            QFile::remove(path);
    }

    // Every entry reads as the default the caller gives, and the dialogs that read the store
    // come up with the first-run choices.
    void expectDefaults()
    {
        SettingsStore store(APP);
        for (QLatin1StringView entry : {SettingKey::Mode, SettingKey::VarGame, SettingKey::Start,
                                        SettingKey::Message})
            QCOMPARE(store.readInt(entry, 4711), 4711);
        // The texts' default is the empty text; a rubbish value that still decodes as a text
        // (a null text, say) reads as empty as well.
        for (QLatin1StringView entry : {SettingKey::Player, SettingKey::Server})
            QCOMPARE(store.readString(entry), QString());

        CStartDlg start(store);
        ModalAnswerer startScript;
        startScript.then([](QWidget *w) {
            QVERIFY(dlg::control<QRadioButton>(w, 202)->isChecked());
            QVERIFY(!dlg::control<QRadioButton>(w, 203)->isChecked());
            QVERIFY(!dlg::control<QRadioButton>(w, 204)->isChecked());
            QCOMPARE(dlg::control<QLineEdit>(w, 201)->text(), QString());
            clickButton(w, 2);
        });
        QCOMPARE(start.exec(), int(QDialog::Rejected));
        QCOMPARE(startScript.pending(), 0);

        CVariantDlg variant(store);
        ModalAnswerer variantScript;
        variantScript.then([](QWidget *w) { static_cast<QDialog *>(w)->reject(); });
        variant.exec();
        QCOMPARE(variantScript.pending(), 0);
        QCOMPARE(variant.americanFlag, 1);
        QCOMPARE(variant.russianFlag, 0);
    }

private slots:
    void cleanup() { removeSettings(); }

    void rubbishSettingsFileGivesDefaults_data()
    {
        QTest::addColumn<QByteArray>("content");
        QByteArray binary(4096, '\0');
        for (int i = 0; i < binary.size(); ++i)
            binary[i] = char((i * 7919 + 13) & 0xff);
        QTest::newRow("binary") << binary;
        QTest::newRow("zero bytes") << QByteArray(1000, '\0');
        QTest::newRow("broken lines") << QByteArray("[Names\nMode\n=1\n[[Names]]]\nPlayer\n\xff\xfe\n");
        QTest::newRow("other section") << QByteArray("[Other]\nMode=1\nPlayer=Ilse\nServer=x\n");
        QTest::newRow("broken values")
            << QByteArray("[Names]\nMode=@Variant(\\0\\0\\0\\x7f\\xff\\xff)\nVarGame=@ByteArray(\nStart=two\n"
                          "Message=\nPlayer=@Variant(\\x1\\x2\\x3)\nServer=@Variant(\\0\\0\\0\\n\\xff\\xff\\xff\\xff)\n");
        QTest::newRow("huge") << QByteArray(2 * 1024 * 1024, 'x');
    }

    void rubbishSettingsFileGivesDefaults()
    {
        QFETCH(QByteArray, content);
        const QString path = settingsFile();
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
        file.close();
        expectDefaults();
    }

    // A store that cannot be opened at all (its file is a folder here, which also works for
    // root, who reads files whatever their permissions) reads as defaults, and writes into it
    // are dropped without harm.
    void unreadableSettingsGiveDefaults()
    {
        QVERIFY(QDir().mkpath(settingsFile()));
        expectDefaults();
        SettingsStore store(APP);
        store.writeInt(SettingKey::Mode, 1);
        store.writeString(SettingKey::Player, QStringLiteral("Ilse"));
        QVERIFY(QFileInfo(settingsFile()).isDir());
    }

    // Stored texts of 10,000 characters: the dialogs open at their own size with the texts in
    // their fields, refuse the over-long name with their message, and go on normally once the
    // player has typed something sensible.
    void longStoredTextsKeepTheDialogsUsable()
    {
        RawPeer server;
        GameBoard board;
        PeerSocket::Config config;
        config.gamePort = server.port();
        PeerSocket link(config);
        SettingsStore store(APP);
        const QString longName(10000, u'N');
        const QString longAddress = QStringLiteral("127.0.0.1.") + QString(9990, u'a');
        store.writeString(SettingKey::Player, longName);
        store.writeString(SettingKey::Server, longAddress);
        QCOMPARE(store.readString(SettingKey::Player).size(), 10000);

        // The sizes the dialogs have with short texts.
        CStartDlg plainStart(store);
        CServerDlg plainServer;
        const QSize startSize = plainStart.sizeHint().expandedTo(plainStart.size());
        const QSize serverSize = plainServer.sizeHint().expandedTo(plainServer.size());

        CScoreDlg score;
        CGameWnd window(board, link, store, score);
        window.killWindowTimer(TIMER_START);
        QString warning;
        ModalAnswerer script;
        script.then([&](QWidget *w) {
            QCOMPARE(dlg::control<QLineEdit>(w, 201)->text(), longName);
            QCOMPARE(w->size(), startSize);
            dlg::control<QRadioButton>(w, 202)->setChecked(true);
            clickButton(w, 1);
        }).then([&](QWidget *w) {
            warning = messageOf(w);
            static_cast<QMessageBox *>(w)->button(QMessageBox::Ok)->click();
        }).then([&](QWidget *w) {
            QLineEdit *name = dlg::control<QLineEdit>(w, 201);
            QCOMPARE(name->text(), longName); // still there for the player to shorten
            name->setText(QStringLiteral("Ilse"));
            clickButton(w, 1);
        }).then([&](QWidget *w) {
            QLineEdit *address = dlg::control<QLineEdit>(w, 1001);
            QCOMPARE(address->text(), longAddress);
            QCOMPARE(w->size(), serverSize);
            address->setText(QStringLiteral("127.0.0.1"));
            clickButton(w, 1);
        });
        QCOMPARE(window.RunStartSequence(), 1);
        QCOMPARE(script.pending(), 0);
        QCOMPARE(warning, QStringLiteral("Please enter no more than 15 characters."));
        QCOMPARE(window.controller().playerName, QStringLiteral("Ilse"));
        QCOMPARE(store.readString(SettingKey::Player), QStringLiteral("Ilse"));
        QCOMPARE(store.readString(SettingKey::Server), QStringLiteral("127.0.0.1"));
        // The link went on to knock at the server the player typed.
        QVERIFY(server.waitFor(JOIN, 0, WAIT_MS));
        QCOMPARE(server.last(JOIN)->record().gameKind(), GAME_KIND);
    }

    // The host's port is held by another program: the player sees "Network error." and the
    // start sequence ends the program, having sent nothing and left the other program alone.
    void heldGamePortGivesNetworkErrorAndAcleanEnd()
    {
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress::AnyIPv4, 0, QAbstractSocket::DontShareAddress));
        GameBoard board;
        PeerSocket::Config config;
        config.gamePort = holder.localPort();
        PeerSocket link(config);
        QSignalSpy events(&link, &PeerSocket::linkEvent);
        SettingsStore store(APP);
        store.writeString(SettingKey::Player, QStringLiteral("Ilse"));

        QString error;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        ModalAnswerer script;
        script.then([&](QWidget *w) {
            dlg::control<QRadioButton>(w, 203)->setChecked(true);
            clickButton(w, 1);
        }).then([&](QWidget *w) {
            error = messageOf(w);
            if (auto *box = qobject_cast<QMessageBox *>(w)) {
                icon = box->icon();
                box->button(QMessageBox::Ok)->click();
            }
        });
        // The whole way the program takes: the window starts the sequence by its own timer.
        CScoreDlg score;
        CGameWnd window(board, link, store, score);
        QSignalSpy closed(&window, &CGameWnd::windowClosed);
        window.show();
        QVERIFY(closed.wait(WAIT_MS) || closed.count() == 1);
        QCOMPARE(closed.count(), 1);
        QCOMPARE(script.pending(), 0);
        QCOMPARE(error, QStringLiteral("Network error."));
        QCOMPARE(icon, QMessageBox::Critical);
        QVERIFY(!window.isVisible());
        QCOMPARE(link.role, ROLE_NONE);
        QCOMPARE(events.count(), 0);
        QCOMPARE(link.localPort(), quint16(0));
        QCOMPARE(store.readInt(SettingKey::Mode, -1), 1);
        // The other program still has its port and got nothing from us.
        QCOMPARE(holder.state(), QAbstractSocket::BoundState);
        QVERIFY(!holder.hasPendingDatagrams());
    }
};

QTEST_MAIN(TestEdgeInput)
#include "test_edge_input.moc"
