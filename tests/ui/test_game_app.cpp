// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CScoreDlg.h"
#include "app/Resources.h"
#include "app/SettingKeys.h"
#include "gameapp/CGameApp.h"
#include "sim/TemporarySettings.h"
#include "tests/support/WindowFixture.h"
#include "ui/BoardView.h"

#include <QSignalSpy>
#include <QtTest>

using namespace sorvada;

// Start-up as the program does it: settings under the program's name, the
// window shown with its icon, the link's events going to the window.
class TestGameApp : public QObject
{
    Q_OBJECT
    TemporarySettings settings;

private slots:
    void nameComesFromTheProgramFile()
    {
        QCOMPARE(CGameApp::programBaseName(), QStringLiteral("test_game_app"));
        GameBoard board;
        PeerSocket link;
        CScoreDlg score;
        CGameApp app(board, link, score);
        QCOMPARE(app.applicationName(), QStringLiteral("test_game_app"));
    }

    void startUpShowsTheWindowWithItsSettings()
    {
        GameBoard board;
        PeerSocket link;
        CScoreDlg score;
        CGameApp app(board, link, score, QStringLiteral("sorvada-first"));
        QVERIFY(app.InitInstance());
        CGameWnd *w = app.mainWindow();
        QVERIFY(w);
        w->killWindowTimer(TIMER_START);
        QVERIFY(w->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QCOMPARE(w->windowTitle(), QStringLiteral("Sorvada"));
        QVERIFY(!w->windowIcon().isNull());
        QCOMPARE(w->windowIcon().pixmap(32).toImage(), loadAppIcon().pixmap(32).toImage());
        QCOMPARE(w->boardView()->palette().color(QPalette::Window), QColor(128, 128, 128));
        // The window has been painted by the time start-up returns.
        QVERIFY(w->boardView()->paintCount() > 0);

        const QString location = app.settings()->location();
        QVERIFY(location.startsWith(settings.path()));
        QVERIFY(location.contains(QStringLiteral("Tavimore")));
        QVERIFY(location.contains(QStringLiteral("sorvada-first")));
        app.settings()->writeString(SettingKey::Player, QStringLiteral("Ann"));
        app.settings()->writeInt(SettingKey::Start, 5);

        // A copy under another name starts with the defaults.
        GameBoard board2;
        PeerSocket link2;
        CScoreDlg score2;
        CGameApp other(board2, link2, score2, QStringLiteral("sorvada-second"));
        QVERIFY(other.InitInstance());
        other.mainWindow()->killWindowTimer(TIMER_START);
        QCOMPARE(other.settings()->readString(SettingKey::Player), QString());
        QCOMPARE(other.settings()->readInt(SettingKey::Start, 0), 0);
        QCOMPARE(app.settings()->readString(SettingKey::Player), QStringLiteral("Ann"));
        QCOMPARE(app.settings()->readInt(SettingKey::Start, 0), 5);
    }

    void closingTheWindowEndsTheEventLoop()
    {
        GameBoard board;
        PeerSocket link;
        CScoreDlg score;
        CGameApp app(board, link, score, QStringLiteral("sorvada-first"));
        QVERIFY(app.InitInstance());
        app.mainWindow()->killWindowTimer(TIMER_START);
        QTimer::singleShot(0, app.mainWindow(), [&] { app.mainWindow()->close(); });
        // Returns only because closing the window quits the loop.
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!app.mainWindow()->isVisible());
    }
};

QTEST_MAIN(TestGameApp)
#include "test_game_app.moc"
