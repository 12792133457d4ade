// SPDX-License-Identifier: GPL-3.0-or-later
// The frames a real window manager gives the program's windows, under Xvfb and
// openbox (the offscreen platform draws no frames): a fixed main window with a
// minimize box and no maximize box, dialogs with a close box only, and the
// start alarm asking for attention without ever minimizing the window.
//
// Openbox keeps a minimize button on every dialog whatever the program asks
// ("don't let hints kill buttons"), so for dialogs the test reads what the
// program asks for (the Motif hints) besides what openbox allows.
#include "tests/support/WindowFixture.h"

#include "app/CAboutDlg.h"
#include "app/CChatDlg.h"
#include "app/CVariantDlg.h"
#include "app/DialogBuilder.h"
#include "net/LinkEvents.h"
#include "tests/support/RawPeer.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QWindow>
#include <QtTest>

#include <cstdio>

using namespace sorvada;

namespace {

// An X display of its own (Xvfb on the first free display) with openbox
// managing it. Both are waited for by what they announce, not by time.
class ManagedDisplay
{
public:
    ~ManagedDisplay()
    {
        for (QProcess *p : {&wm, &server}) {
            p->terminate();
            if (!p->waitForFinished(10000))
                p->kill();
            p->waitForFinished(10000);
        }
    }

    // Empty on success, else why the display could not be had. Each step is told on the
    // error channel, so that a run that stalls shows where.
    QString start()
    {
        for (const char *tool : {"Xvfb", "openbox", "xprop"})
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                return QStringLiteral("%1 is not installed").arg(QLatin1String(tool));
        // With -displayfd the server picks a free display and writes its
        // number once it accepts clients.
        server.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                               QStringLiteral("-screen"), QStringLiteral("0"),
                                               QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                                               QStringLiteral("tcp")});
        QDeadlineTimer serverDeadline(30000);
        QByteArray number;
        while (!number.contains('\n') && !serverDeadline.hasExpired()
               && server.waitForReadyRead(int(serverDeadline.remainingTime())))
            number += server.readAllStandardOutput();
        if (!number.contains('\n'))
            return QStringLiteral("Xvfb did not start: ") + QString::fromLocal8Bit(server.readAllStandardError());
        name = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
        qputenv("DISPLAY", name.toLatin1());
        std::fprintf(stderr, "Xvfb serves %s\n", qPrintable(name));

        // openbox names itself on the root window once it manages the screen. One that ends
        // before that is started again, up to three times.
        QString why;
        for (int attempt = 1; attempt <= 3; ++attempt) {
            wm.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
            QDeadlineTimer deadline(20000);
            // Waiting on the process itself keeps its state true: one that ended is seen.
            while (!managesScreen() && !deadline.hasExpired() && !wm.waitForFinished(50)) {
            }
            if (managesScreen()) {
                std::fprintf(stderr, "openbox manages %s\n", qPrintable(name));
                return QString();
            }
            why = wm.state() == QProcess::NotRunning
                      ? QStringLiteral("openbox ended: ") + QString::fromLocal8Bit(wm.readAllStandardError())
                      : QStringLiteral("openbox did not take the display in 20 s");
            std::fprintf(stderr, "attempt %d: %s\n", attempt, qPrintable(why));
            if (wm.state() != QProcess::NotRunning) {
                wm.kill();
                wm.waitForFinished(10000);
            }
        }
        return why;
    }

    static bool managesScreen() { return xprop(QStringLiteral("-root"), "_NET_SUPPORTING_WM_CHECK").contains("window id"); }

    // One property of a window ("-root" or a window id) as xprop prints it.
    static QByteArray xprop(const QString &window, const char *property)
    {
        QProcess p;
        QStringList args;
        if (window == QLatin1String("-root"))
            args << window;
        else
            args << QStringLiteral("-id") << window;
        args << QString::fromLatin1(property);
        p.start(QStringLiteral("xprop"), args);
        p.waitForFinished(30000);
        return p.readAllStandardOutput();
    }

private:
    QProcess server;
    QProcess wm;
    QString name;
};

QString idOf(const QWidget *w)
{
    return QString::number(w->windowHandle()->winId());
}

QByteArray allowed(const QWidget *w)
{
    return ManagedDisplay::xprop(idOf(w), "_NET_WM_ALLOWED_ACTIONS");
}

// The Motif hints the program set: flags, functions, decorations.
QList<uint> motifHints(const QWidget *w)
{
    const QByteArray text = ManagedDisplay::xprop(idOf(w), "_MOTIF_WM_HINTS");
    QList<uint> values;
    const int eq = text.indexOf('=');
    for (const QByteArray &part : text.mid(eq + 1).split(','))
        values << part.trimmed().toUInt(nullptr, 16);
    return values;
}

// Motif bits: functions MINIMIZE 8, MAXIMIZE 16; decorations MINIMIZE 32,
// MAXIMIZE 64.
constexpr uint kFuncMinimize = 8, kFuncMaximize = 16, kDecorMinimize = 32, kDecorMaximize = 64;

} // namespace

class TestWindowFrames : public QObject
{
    Q_OBJECT
    TemporarySettings settings;

    // Waits until the window manager has taken the window in.
    static bool managed(QWidget *w)
    {
        w->show();
        return QTest::qWaitFor([w] { return w->windowHandle() && allowed(w).contains("_NET_WM_ACTION_CLOSE"); },
                               30000);
    }

private slots:
    void mainWindowIsFixedWithAMinimizeBox()
    {
        WindowUnderTest w;
        QVERIFY(managed(w.window.get()));
        const QByteArray actions = allowed(w.window.get());
        QVERIFY2(actions.contains("_NET_WM_ACTION_MINIMIZE"), actions.constData());
        QVERIFY2(!actions.contains("_NET_WM_ACTION_MAXIMIZE"), actions.constData());
        QVERIFY2(!actions.contains("_NET_WM_ACTION_RESIZE"), actions.constData());
        const QList<uint> motif = motifHints(w.window.get());
        QCOMPARE(motif.size(), 5);
        QVERIFY(motif[2] & kDecorMinimize);
        QVERIFY(!(motif[2] & kDecorMaximize));
    }

    void dialogsHaveACloseBoxOnly()
    {
        WindowUnderTest w;
        QVERIFY(managed(w.window.get()));
        CAboutDlg about(w.window.get());
        CVariantDlg variant(w.settings, w.window.get());
        CChatDlg chat;
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Sorvada"), QStringLiteral("Network error."),
                        QMessageBox::Ok, w.window.get());
        const QList<QWidget *> dialogs = QList<QWidget *>() << &about << &variant << &chat << &box;
        for (QWidget *d : dialogs) {
            const QByteArray name = d->metaObject()->className();
            QVERIFY2(managed(d), name.constData());
            const QByteArray actions = allowed(d);
            QVERIFY2(!actions.contains("_NET_WM_ACTION_MAXIMIZE"), (name + actions).constData());
            QVERIFY2(!actions.contains("_NET_WM_ACTION_RESIZE"), (name + actions).constData());
            const QList<uint> motif = motifHints(d);
            QCOMPARE(motif.size(), 5);
            // Functions are given (flag 1) and hold neither minimize nor
            // maximize; the decorations show neither box.
            QVERIFY2((motif[0] & 1) && !(motif[1] & (kFuncMinimize | kFuncMaximize)), name.constData());
            QVERIFY2(!(motif[2] & (kDecorMinimize | kDecorMaximize)), name.constData());
            d->hide();
        }
    }

    void startAlarmAsksForAttentionWithoutMinimizing()
    {
        PeerSocket::Config quick;
        quick.gamePort = 0;
        quick.directoryPort = 0;
        WindowUnderTest w(quick);
        CGameWnd &host = *w.window;
        host.controller().startAlarmOff = 0;
        QVERIFY(managed(&host));
        QVERIFY(w.link.Start(1, QString(), START_HOST, GAME_KIND));
        QObject::connect(&w.link, &PeerSocket::linkEvent, &host, &CGameWnd::OnLinkEvent, Qt::DirectConnection);

        // Another window has the focus, as when the host player waits in a
        // different program.
        QWidget elsewhere;
        QVERIFY(managed(&elsewhere));
        elsewhere.activateWindow();
        QTRY_VERIFY_WITH_TIMEOUT(ManagedDisplay::xprop(QStringLiteral("-root"), "_NET_ACTIVE_WINDOW")
                                     .contains(QByteArray::number(elsewhere.winId(), 16)),
                                 30000);

        QSignalSpy states(host.windowHandle(), &QWindow::windowStateChanged);
        QSignalSpy events(&w.link, &PeerSocket::linkEvent);
        RawPeer client;
        PeerRecord join;
        join.writeJoin(GAME_KIND);
        client.send(join, w.link.localPort());
        QTRY_VERIFY_WITH_TIMEOUT(!events.isEmpty() && events.last().at(0).toUInt() == LINK_PEER_JOINED, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(ManagedDisplay::xprop(idOf(&host), "_NET_WM_STATE")
                                     .contains("_NET_WM_STATE_DEMANDS_ATTENTION"),
                                 30000);
        const QByteArray wmState = ManagedDisplay::xprop(idOf(&host), "WM_STATE");
        QVERIFY2(wmState.contains("Normal"), wmState.constData());
        QVERIFY(!host.isMinimized());
        QVERIFY(host.isVisible());
        for (const QList<QVariant> &change : states)
            QVERIFY(!(change.at(0).value<Qt::WindowState>() & Qt::WindowMinimized));
    }
};

int main(int argc, char **argv)
{
    ManagedDisplay display;
    const QString why = display.start();
    if (!why.isEmpty()) {
        std::printf("SKIP: no window manager to test under: %s\n", qPrintable(why));
        return 77;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    // The private display has no session bus. Without an address the bus library would try to
    // start one on that display, and it leaks on that path; a bus that is simply not there is
    // what a desktop without one looks like.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/sorvada-test-bus");
    QApplication app(argc, argv);
    TestWindowFrames test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_window_frames.moc"
