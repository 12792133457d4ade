// SPDX-License-Identifier: GPL-3.0-or-later
#include "gameapp/CGameApp.h"

#include "app/Resources.h"
#include "app/SettingsStore.h"
#include "app/Translation.h"
#include "net/PeerSocket.h"
#include "ui/BoardView.h"
#include "ui/CGameWnd.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPalette>

namespace sorvada {

CGameApp::CGameApp(GameBoard &board, PeerSocket &link, CScoreDlg &score,
                   const QString &applicationName)
    : board(board), link(link), score(score),
      appName(applicationName.isEmpty() ? programBaseName() : applicationName)
{
}

// The window goes first: on its way out it may still tell the peer that this
// player has left, through the link that main keeps alive longer.
CGameApp::~CGameApp()
{
    window.reset();
}

QString CGameApp::programBaseName()
{
    const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return name.isEmpty() ? QStringLiteral("sorvada") : name;
}

QString CGameApp::InstallTranslations(const QLocale &locale)
{
    return translation::install(locale);
}

void CGameApp::setArguments(const QStringList &arguments)
{
    startLink = arguments.size() == 1 ? arguments.first() : QString();
}

bool CGameApp::InitInstance()
{
    // The settings are named before the window exists, so that everything
    // the window reads comes from the right place.
    store = std::make_unique<SettingsStore>(appName);

    window = std::make_unique<CGameWnd>(board, link, *store, score);
    window->controller().setStartLink(startLink);
    window->setWindowIcon(loadAppIcon());
    // The client area's ground, wherever the board does not cover it.
    QPalette ground = window->boardView()->palette();
    ground.setColor(QPalette::Window, QColor(128, 128, 128));
    window->boardView()->setPalette(ground);

    // The link reports each event synchronously, as a sent message would be.
    QObject::connect(&link, &PeerSocket::linkEvent, window.get(), &CGameWnd::OnLinkEvent,
                     Qt::DirectConnection);
    // Closing the main window ends the program, whatever else is open.
    QObject::connect(window.get(), &CGameWnd::windowClosed, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    window->show();
    window->repaint();
    return true;
}

} // namespace sorvada
