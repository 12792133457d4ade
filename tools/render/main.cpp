// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the real game window, as each of the two players sees it in the
// middle of a set, into PNG files:
//   sorvada-render <host.png> <join.png>
// Run it with QT_QPA_PLATFORM=offscreen to need no display. The window
// speaks the environment's language, as the program does (LANG=C: English,
// LANG=ru_RU.UTF-8: Russian).
//   sorvada-render --startup
// starts the window as the program does and prints the time to its first
// paint and the resident memory of the idle window.
//   sorvada-render --invite <dialog.png>
// renders the server-address dialog after "Invite a friend" was pressed.
#include "app/CScoreDlg.h"
#include "app/CServerDlg.h"
#include "app/DialogBuilder.h"
#include "app/ResourceIds.h"
#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "gameapp/CGameApp.h"
#include "net/PeerSocket.h"
#include "rules/GameBoard.h"
#include "sim/ResidentMemory.h"
#include "sim/TemporarySettings.h"
#include "ui/BoardView.h"
#include "ui/CGameWnd.h"
#include "ui/PlayController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTextStream>

#include <QTimer>

#include <unistd.h>
#include <vector>

using namespace sorvada;

namespace {

struct Placed
{
    int square;   // as the hosting side sees it
    uint8_t kind; // 0 light man, 1 blue man, 2 light king, 3 blue king
};

// A position some moves into a Russian set, seen from the hosting side:
// each colour has lost pieces and crowned one king.
const std::vector<Placed> position = {
    {1, 1}, {5, 1}, {10, 1}, {12, 1}, {19, 1}, {26, 1}, {44, 3},
    {33, 0}, {35, 0}, {40, 0}, {49, 0}, {53, 0}, {56, 0}, {62, 0}, {14, 2},
};

// Puts the position on a set-up board from the given side. Local pieces
// take the indices 12..23, the opponent's 0..11.
void placePosition(GameBoard &board, bool hosting)
{
    board.clearPieces();
    for (const Placed &p : position)
        board.placePiece(uint8_t(hosting ? p.square : 63 - p.square), p.kind);
}

bool render(bool hosting, const QString &file, SettingsStore &settings)
{
    GameBoard board;
    PeerSocket link;
    CScoreDlg score;
    CGameWnd window(board, link, settings, score);
    window.killWindowTimer(TIMER_START);

    board.setRole(hosting ? ROLE_SERVER : ROLE_CLIENT);
    board.setVariant(VARIANT_RUSSIAN);
    // The window's own square positions: the pictures are drawn and named by them.
    board.setUpPosition(BOARD_ORIGIN_X, BOARD_ORIGIN_Y);
    placePosition(board, hosting);
    board.setMyTurn(1);
    board.generateMoves();
    board.setPlayerNames(hosting ? "Marta" : "Olek", hosting ? "Olek" : "Marta");
    // Each player has picked a man to move, and still sees the opponent's
    // last move: the blue king's capture from 58 over 51, and the light man's
    // step from 42.
    board.setSelection(uint8_t(hosting ? 35 : 63 - 19));
    window.controller().lastMoveSquares = hosting ? std::vector<uint8_t>{58, 44} : std::vector<uint8_t>{63 - 42, 63 - 35};
    window.controller().playerName = QString::fromStdString(board.localName);
    window.setWindowTitle(window.controller().playerName);
    window.redraw();

    window.showStatus(res::IDS_CAN_GO);
    window.setStatusText(1, QString::fromStdString(board.squareName(board.squareXY[26].x + 20, board.squareXY[26].y + 20)));
    window.setStatusText(2, loadString(res::IDS_RUS));

    window.show();
    QCoreApplication::processEvents();
    const bool saved = window.grab().save(file, "PNG");
    window.hide();
    return saved;
}

// Milliseconds since the process was started, from the kernel's records.
double msSinceProcessStart()
{
    QFile stat(QStringLiteral("/proc/self/stat")), uptime(QStringLiteral("/proc/uptime"));
    if (!stat.open(QIODevice::ReadOnly) || !uptime.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 20)
        return -1;
    const double startTicks = fields.at(19).toDouble();   // field 22 of the whole line
    const double now = uptime.readAll().split(' ').value(0).toDouble();
    return (now - startTicks / double(sysconf(_SC_CLK_TCK))) * 1000.0;
}

int measureStartUp(const QElapsedTimer &sinceMain)
{
    const TemporarySettings scratchSettings;
    GameBoard board;
    PeerSocket link;
    CScoreDlg score;
    CGameApp gameApp(board, link, score, QStringLiteral("sorvada-render"));
    if (!gameApp.InitInstance())
        return 1;
    CGameWnd *window = gameApp.mainWindow();
    // The window alone, without the start dialogs in front of it.
    window->killWindowTimer(TIMER_START);
    QTextStream out(stdout);
    const auto report = [&] {
        out << "first paint: " << sinceMain.elapsed() << " ms after main, "
            << qRound(msSinceProcessStart()) << " ms after process start (10 ms resolution)\n";
    };
    if (window->boardView()->paintCount() > 0)
        report();
    else
        QObject::connect(window->boardView(), &BoardView::painted, window, report,
                         Qt::SingleShotConnection);
    // Idle: the start sequence has run and the window waits for a player.
    QTimer::singleShot(2000, window, [&] {
        out << "resident memory of the idle window: " << residentKiB(QCoreApplication::applicationPid()) << " KiB\n";
        window->close();
    });
    return QCoreApplication::exec();
}

} // namespace

// The dialog as a player sees it right after pressing "Invite a friend" for the lobby in the box.
bool renderInvite(const QString &file)
{
    CServerDlg dialog;
    dialog.address = QStringLiteral("lobby.example.net");
    QTimer::singleShot(0, &dialog, [&] {
        dlg::control<QPushButton>(&dialog, 1002)->click();
        dialog.grab().save(file);
        dialog.reject();
    });
    dialog.exec();
    return QFile::exists(file);
}

int main(int argc, char *argv[])
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    QApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() == 2 && args.at(1) == QLatin1String("--startup"))
        return measureStartUp(sinceMain);
    if (args.size() == 3 && args.at(1) == QLatin1String("--invite")) {
        const bool ok = renderInvite(args.at(2));
        err << (ok ? "wrote " : "could not write ") << args.at(2) << "\n";
        return ok ? 0 : 1;
    }
    if (args.size() != 3) {
        err << "usage: sorvada-render <host.png> <join.png> | --invite <dialog.png> | --startup\n";
        return 2;
    }
    CGameApp::InstallTranslations();
    // The player's own settings are neither read nor touched.
    const TemporarySettings scratchSettings;
    SettingsStore settings(QStringLiteral("sorvada-render"));

    // The window says goodbye to no one: its link is never opened.
    for (const auto &[hosting, file] : {std::pair{true, args.at(1)}, std::pair{false, args.at(2)}}) {
        if (!render(hosting, file, settings)) {
            err << "could not write " << file << "\n";
            return 1;
        }
        err << "wrote " << file << "\n";
    }
    return 0;
}
