// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CScoreDlg.h"
#include "gameapp/CGameApp.h"
#include "net/PeerSocket.h"
#include "rules/GameBoard.h"

#include <QApplication>

using namespace sorvada;

// The program-lifetime objects are made here, before the application object
// runs, and go after its event loop has ended, in the reverse order.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(SORVADA_APP_VERSION));
    // Lets the desktop match the window to the installed menu entry and icon.
    QApplication::setDesktopFileName(QStringLiteral("org.sorvada.Sorvada"));
    // Before anything shows a text, so that every text is in the player's language.
    CGameApp::InstallTranslations();
    GameBoard board;
    PeerSocket link;
    CScoreDlg score;
    CGameApp gameApp(board, link, score);
    // A click on an invitation link starts the program with the link as its one argument.
    gameApp.setArguments(app.arguments().mid(1));
    if (!gameApp.InitInstance())
        return 1;
    return app.exec();
}
