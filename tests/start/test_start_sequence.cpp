// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SettingKeys.h"
#include "sim/ModalAnswerer.h"
#include "tests/support/RawPeer.h"
#include "tests/support/WindowFixture.h"

#include "app/CServerDlg.h"
#include "app/CStartDlg.h"
#include "app/CVariantDlg.h"
#include "net/LinkEvents.h"
#include "net/RoomMarker.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QUdpSocket>
#include <QtTest>

#include <optional>

using namespace sorvada;

namespace {

const QString storeName = QStringLiteral("sorvada-window-test");

template <typename T> T *control(QWidget *dialog, int id)
{
    return dialog->findChild<T *>(QString::number(id));
}

// Fills the start dialog and confirms it: the name (null leaves the field as
// it is), then the way to connect by its button number (0 touches none).
ModalAnswerer::Step startAnswer(const QString &name, int button)
{
    return [name, button](QWidget *d) {
        QVERIFY(qobject_cast<CStartDlg *>(d));
        if (!name.isNull()) {
            auto *field = control<QLineEdit>(d, 201);
            field->selectAll();
            field->del();
            QTest::keyClicks(field, name);
        }
        if (button)
            control<QRadioButton>(d, button)->click();
        control<QPushButton>(d, 1)->click();
    };
}

ModalAnswerer::Step pressButton(int id)
{
    return [id](QWidget *d) { control<QPushButton>(d, id)->click(); };
}

ModalAnswerer::Step serverAnswer(const QString &address)
{
    return [address](QWidget *d) {
        QVERIFY(qobject_cast<CServerDlg *>(d));
        QTest::keyClicks(control<QLineEdit>(d, 1001), address);
        control<QPushButton>(d, 1)->click();
    };
}

struct RadioState {
    bool join = false, host = false, via = false;
};

// Records a message box and answers it with OK.
struct SeenBox {
    QString text;
    QString detail; // the second line, under the text
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int width = 0;
    Qt::TextFormat format = Qt::AutoText;
    ModalAnswerer::Step step()
    {
        return [this](QWidget *d) {
            auto *box = qobject_cast<QMessageBox *>(d);
            QVERIFY(box);
            text = box->text();
            detail = box->informativeText();
            icon = box->icon();
            width = box->width();
            format = box->textFormat();
            box->button(QMessageBox::Ok)->click();
        };
    }
};

quint16 freeUdpPort()
{
    QUdpSocket probe;
    probe.bind(QHostAddress::AnyIPv4, 0);
    return probe.localPort();
}

} // namespace

class TestStartSequence : public QObject
{
    Q_OBJECT
    std::optional<TemporarySettings> settings;

    SettingsStore store() { return SettingsStore(storeName); }

private slots:
    // Every test starts from an empty store.
    void init()
    {
        settings.reset();
        settings.emplace();
    }

    void cancellingTheFirstDialogEndsWithoutWritingAnything()
    {
        WindowUnderTest w;
        ModalAnswerer script;
        bool joinPreselected = false;
        QString shownName = QStringLiteral("?");
        script.then([&](QWidget *d) {
            joinPreselected = control<QRadioButton>(d, 202)->isChecked();
            shownName = control<QLineEdit>(d, 201)->text();
            pressButton(2)(d);
        });
        QCOMPARE(w.window->RunStartSequence(), 0);
        QVERIFY(joinPreselected);
        QCOMPARE(shownName, QString());
        QCOMPARE(store().readInt(SettingKey::Mode, -1), -1);
        QCOMPARE(store().readString(SettingKey::Player, QStringLiteral("none")),
                 QStringLiteral("none"));
    }

    void anEmptyNameIsRefusedUntilTheDialogIsCancelled()
    {
        SettingsStore(storeName).writeInt(SettingKey::Mode, 2);
        WindowUnderTest w;
        ModalAnswerer script;
        SeenBox warning;
        bool reopenedWithStoredChoice = false;
        script.then(startAnswer(QString(), 203))
            .then(warning.step())
            .then([&](QWidget *d) {
                reopenedWithStoredChoice = control<QRadioButton>(d, 204)->isChecked()
                    && control<QLineEdit>(d, 201)->text().isEmpty();
                pressButton(2)(d);
            });
        QCOMPARE(w.window->RunStartSequence(), 0);
        QCOMPARE(script.pending(), 0);
        QCOMPARE(warning.text, QStringLiteral("You should enter your name!"));
        QCOMPARE(warning.icon, QMessageBox::Warning);
        QVERIFY(reopenedWithStoredChoice);
        QCOMPARE(store().readString(SettingKey::Player, QStringLiteral("none")),
                 QStringLiteral("none"));
        QCOMPARE(store().readInt(SettingKey::Mode, -1), 2);
    }

    void cancellingTheAddressDialogKeepsWhatWasAlreadyStored()
    {
        SettingsStore(storeName).writeString(SettingKey::Server, QStringLiteral("old.host"));
        WindowUnderTest w;
        ModalAnswerer script;
        QString offeredAddress;
        script.then(startAnswer(QStringLiteral(" "), 202)).then([&](QWidget *d) {
            offeredAddress = control<QLineEdit>(d, 1001)->text();
            pressButton(2)(d);
        });
        QCOMPARE(w.window->RunStartSequence(), 0);
        QCOMPARE(offeredAddress, QStringLiteral("old.host"));
        // A name of one blank is a name.
        QCOMPARE(store().readString(SettingKey::Player), QStringLiteral(" "));
        QCOMPARE(store().readInt(SettingKey::Mode, -1), 0);
        QCOMPARE(store().readString(SettingKey::Server), QStringLiteral("old.host"));
        QCOMPARE(w.link.role, ROLE_NONE);
    }

    void joiningStoresTheAnswersKnocksAtTheServerAndArmsTheConnectionTimer()
    {
        RawPeer server;
        PeerSocket::Config config;
        config.gamePort = server.port();
        WindowUnderTest w(config);
        ModalAnswerer script;
        script.then(startAnswer(QStringLiteral("Alice"), 202)).then(serverAnswer(QStringLiteral("127.0.0.1")));
        QCOMPARE(w.window->RunStartSequence(), 1);
        QCOMPARE(w.window->controller().playerName, QStringLiteral("Alice"));
        QCOMPARE(store().readString(SettingKey::Player), QStringLiteral("Alice"));
        QCOMPARE(store().readInt(SettingKey::Mode, -1), 0);
        QCOMPARE(store().readString(SettingKey::Server), QStringLiteral("127.0.0.1"));
        QVERIFY(w.window->isWindowTimerActive(TIMER_CONNECT));
        QVERIFY(server.waitFor(JOIN));
        QCOMPARE(server.last(JOIN)->record().bytes[1], GAME_KIND);
    }

    void noServerWithinTheConnectionTimeGivesNetworkErrorAndCloses()
    {
        RawPeer silent;
        PeerSocket::Config config;
        config.gamePort = silent.port();
        WindowUnderTest w(config);
        w.window->controller().connectTimeoutMs = 3000;
        w.window->show();
        ModalAnswerer script;
        SeenBox error;
        script.then(startAnswer(QStringLiteral("Bob"), 202))
            .then(serverAnswer(QStringLiteral("127.0.0.1")))
            .then(error.step());
        QCOMPARE(w.window->RunStartSequence(), 1);
        // The seconds left count down in the square name's part.
        QCOMPARE(w.window->statusText(1), QStringLiteral("3 s"));
        QTRY_VERIFY_WITH_TIMEOUT(w.window->statusText(1) == QStringLiteral("2 s")
                                     || w.window->statusText(1) == QStringLiteral("1 s"), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!w.window->isVisible(), 10000);
        QCOMPARE(error.text, QStringLiteral("Network error."));
        QCOMPARE(error.detail, QStringLiteral("No answer from 127.0.0.1 within 3 seconds."));
        QCOMPARE(error.icon, QMessageBox::Critical);
        QCOMPARE(w.link.role, ROLE_NONE);
        QCOMPARE(w.window->statusText(1), QString());
    }

    // What went wrong stands under "Network error.", and is said as soon as
    // it is known: a host that already has its opponent answers at once.
    void aBusyHostIsReportedAtOnce()
    {
        PeerSocket::Config hostConfig;
        hostConfig.gamePort = 0;
        PeerSocket host(hostConfig);
        QVERIFY(host.Start(1, QString(), START_HOST, GAME_KIND));
        PeerSocket::Config joinConfig;
        joinConfig.gamePort = host.localPort();
        PeerSocket first(joinConfig);
        QVERIFY(first.Start(1, QStringLiteral("127.0.0.1"), START_JOIN, GAME_KIND));
        QTRY_COMPARE_WITH_TIMEOUT(first.role, ROLE_CLIENT, 10000);

        WindowUnderTest w(joinConfig);
        w.window->controller().connectTimeoutMs = 120000;
        w.window->show();
        ModalAnswerer script;
        SeenBox error;
        script.then(startAnswer(QStringLiteral("Gus"), 202))
            .then(serverAnswer(QStringLiteral("127.0.0.1")))
            .then(error.step());
        QCOMPARE(w.window->RunStartSequence(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!w.window->isVisible(), 20000);
        QCOMPARE(error.text, QStringLiteral("Network error."));
        QCOMPARE(error.detail, QStringLiteral("The host already has an opponent."));
        QCOMPARE(w.link.role, ROLE_NONE);
        // The first client keeps its game.
        QCOMPARE(host.peerPort(1), first.localPort());
    }

    void badAddressesAndASilentLobbyAreNamed_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("detail");
        QTest::newRow("join a name of no computer")
            << 202 << "no-such-host.invalid" << 0
            << "no-such-host.invalid is not a computer name or IP address.";
        QTest::newRow("web lobby typed in capitals")
            << 204 << "HTTP://127.0.0.1:9" << 0 << "HTTP://127.0.0.1:9 is not a computer name or IP address.";
        QTest::newRow("directory server that never answers")
            << 204 << "127.0.0.1" << 1 << "The lobby at 127.0.0.1 did not answer.";
    }

    void badAddressesAndASilentLobbyAreNamed()
    {
        QFETCH(int, button);
        QFETCH(QString, address);
        QFETCH(int, result);
        QFETCH(QString, detail);
        RawPeer silent;
        PeerSocket::Config config;
        config.gamePort = silent.port();
        config.directoryPort = silent.port();
        WindowUnderTest w(config);
        w.window->controller().connectTimeoutMs = 300;
        w.window->show();
        ModalAnswerer script;
        SeenBox error;
        script.then(startAnswer(QStringLiteral("Hal"), button)).then(serverAnswer(address)).then(error.step());
        QCOMPARE(w.window->RunStartSequence(), result);
        QTRY_COMPARE_WITH_TIMEOUT(script.pending(), 0, 10000);
        QCOMPARE(error.text, QStringLiteral("Network error."));
        QCOMPARE(error.detail, detail);
        // The box is wide enough for its caption, however short its text.
        QVERIFY(error.width >= QFontMetrics(QApplication::font()).horizontalAdvance(QStringLiteral("Sorvada")) + 100);
    }

    void hostingNeverAsksForAnAddressNorArmsTheTimer()
    {
        PeerSocket::Config config;
        config.gamePort = freeUdpPort();
        WindowUnderTest w(config);
        QObject::connect(&w.link, &PeerSocket::linkEvent, w.window.get(), &CGameWnd::OnLinkEvent,
                         Qt::DirectConnection);
        ModalAnswerer script;
        bool variantAsked = false;
        QString titleWhileAsked;
        script.then(startAnswer(QStringLiteral("Carol"), 203)).then([&](QWidget *d) {
            // The variant is chosen from inside the link's start, before the
            // sequence has finished.
            variantAsked = qobject_cast<CVariantDlg *>(d) != nullptr;
            titleWhileAsked = w.window->windowTitle();
            QTest::keyClick(d, Qt::Key_Return);
        });
        QCOMPARE(w.window->RunStartSequence(), 1);
        QCOMPARE(script.pending(), 0);
        QVERIFY(variantAsked);
        QCOMPARE(titleWhileAsked, QStringLiteral("Sorvada"));
        QCOMPARE(w.window->windowTitle(), QStringLiteral("Carol"));
        QCOMPARE(w.link.role, ROLE_SERVER);
        QCOMPARE(store().readInt(SettingKey::Mode, -1), 1);
        QVERIFY(!w.window->isWindowTimerActive(TIMER_CONNECT));
    }

    void aGamePortHeldByAnotherProgramGivesNetworkError()
    {
        QUdpSocket holder;
        QVERIFY(holder.bind(QHostAddress::AnyIPv4, 0, QUdpSocket::DontShareAddress));
        PeerSocket::Config config;
        config.gamePort = holder.localPort();
        WindowUnderTest w(config);
        ModalAnswerer script;
        SeenBox error;
        script.then(startAnswer(QStringLiteral("Dave"), 203)).then(error.step());
        QCOMPARE(w.window->RunStartSequence(), 0);
        QCOMPARE(error.text, QStringLiteral("Network error."));
        QCOMPARE(error.icon, QMessageBox::Critical);
        QCOMPARE(store().readInt(SettingKey::Mode, -1), 1);
    }

    void matchmakingThroughADirectoryServerStoresModeTwo()
    {
        RawPeer directory;
        PeerSocket::Config config;
        config.directoryPort = directory.port();
        WindowUnderTest w(config);
        ModalAnswerer script;
        script.then(startAnswer(QStringLiteral("Eve"), 204)).then(serverAnswer(QStringLiteral("127.0.0.1")));
        QCOMPARE(w.window->RunStartSequence(), 1);
        QCOMPARE(store().readInt(SettingKey::Mode, -1), 2);
        QVERIFY(w.window->isWindowTimerActive(TIMER_CONNECT));
        QVERIFY(directory.waitFor(DIRECTORY_REQUEST));
        QCOMPARE(directory.last(DIRECTORY_REQUEST)->record().bytes[1], GAME_KIND);
    }

    void noWayChosenLeavesTheWindowWaiting()
    {
        SettingsStore(storeName).writeInt(SettingKey::Mode, 7);
        WindowUnderTest w;
        ModalAnswerer script;
        script.then(startAnswer(QStringLiteral("Finn"), 0));
        QCOMPARE(w.window->RunStartSequence(), 1);
        QCOMPARE(w.link.role, ROLE_NONE);
        QVERIFY(!w.window->isWindowTimerActive(TIMER_CONNECT));
        QCOMPARE(w.window->statusText(0), QStringLiteral("Please wait for joining..."));
    }

    void theAlarmSwitchesAreReadFromTheStore()
    {
        SettingsStore(storeName).writeInt(SettingKey::Start, 5);
        WindowUnderTest w;
        QCOMPARE(w.window->controller().startAlarmOff, 1);
        QCOMPARE(w.window->controller().messageAlarmOff, 1);
        ModalAnswerer script;
        script.then(pressButton(2));
        QCOMPARE(w.window->RunStartSequence(), 0);
        QCOMPARE(w.window->controller().startAlarmOff, 5);
        QCOMPARE(w.window->controller().messageAlarmOff, 0);
    }

    // Started with an invitation, the game offers the way through the lobby with the name
    // from the settings, then the link's lobby and room: Enter twice asks the lobby.
    void anInvitationChoosesTheLobbyAndItsRoom()
    {
        SettingsStore(storeName).writeInt(SettingKey::Mode, 1);
        SettingsStore(storeName).writeString(SettingKey::Player, QStringLiteral("Ann"));
        SettingsStore(storeName).writeString(SettingKey::Server, QStringLiteral("old.example.net"));
        RawPeer directory;
        PeerSocket::Config config;
        config.directoryPort = directory.port();
        WindowUnderTest w(config);
        w.window->controller().setStartLink(QStringLiteral("sorvada://127.0.0.1/K7p2x-9md3f"));
        RadioState chosen;
        QString name, address;
        ModalAnswerer script;
        script
            .then([&](QWidget *d) {
                chosen = {control<QRadioButton>(d, 202)->isChecked(), control<QRadioButton>(d, 203)->isChecked(),
                          control<QRadioButton>(d, 204)->isChecked()};
                name = control<QLineEdit>(d, 201)->text();
                QTest::keyClick(d, Qt::Key_Return);
            })
            .then([&](QWidget *d) {
                address = control<QLineEdit>(d, 1001)->text();
                QTest::keyClick(control<QLineEdit>(d, 1001), Qt::Key_Return);
            });
        QCOMPARE(w.window->RunStartSequence(), 1);
        QVERIFY(!chosen.join && !chosen.host && chosen.via);
        QCOMPARE(name, QStringLiteral("Ann"));
        QCOMPARE(address, QStringLiteral("127.0.0.1/k7p2x-9md3f"));
        QCOMPARE(store().readInt(SettingKey::Mode, -1), 2);
        QCOMPARE(store().readString(SettingKey::Server), address);
        QVERIFY(directory.waitFor(DIRECTORY_REQUEST));
        QCOMPARE(readRoomMarker(directory.last(DIRECTORY_REQUEST)->record()), QStringLiteral("k7p2x-9md3f"));
    }

    void aMalformedInvitationIsRefusedAndTheGameStartsAsUsual_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("why");
        QTest::newRow("no code") << "sorvada://lobby.example.net" << "no room code";
        QTest::newRow("other scheme") << "https://lobby.example.net/k7p2" << "begins with";
        QTest::newRow("markup is shown as typed") << "sorvada://<b>x</b>/k7p2" << "<b>x</b>";
    }

    void aMalformedInvitationIsRefusedAndTheGameStartsAsUsual()
    {
        QFETCH(QString, link);
        QFETCH(QString, why);
        SettingsStore(storeName).writeInt(SettingKey::Mode, 1);
        WindowUnderTest w;
        w.window->controller().setStartLink(link);
        SeenBox box;
        RadioState chosen;
        ModalAnswerer script;
        script.then(box.step()).then([&](QWidget *d) {
            chosen = {control<QRadioButton>(d, 202)->isChecked(), control<QRadioButton>(d, 203)->isChecked(),
                      control<QRadioButton>(d, 204)->isChecked()};
            control<QPushButton>(d, 2)->click();
        });
        QCOMPARE(w.window->RunStartSequence(), 0);
        QVERIFY2(box.text.contains(why) && box.text.contains(QStringLiteral("starts as usual")), qPrintable(box.text));
        QCOMPARE(box.icon, QMessageBox::Warning);
        QCOMPARE(box.format, Qt::PlainText);
        // The stored choice, as without a link.
        QVERIFY(!chosen.join && chosen.host && !chosen.via);
    }
};

QTEST_MAIN(TestStartSequence)
#include "test_start_sequence.moc"
