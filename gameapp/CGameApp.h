// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QLocale>
#include <QString>
#include <QStringList>

#include <memory>

namespace sorvada {

class CGameWnd;
class CScoreDlg;
class GameBoard;
class PeerSocket;
class SettingsStore;

// The application object: opens the per-user settings under the program's
// name, builds and shows the main window and hands the link's events to it.
// Everything after the first showing is started by the window itself.
class CGameApp
{
public:
    // The board, the link and the score live for the whole program and
    // outlive this object. An empty name means the program file's base name.
    CGameApp(GameBoard &board, PeerSocket &link, CScoreDlg &score,
             const QString &applicationName = QString());
    ~CGameApp();

    // Speaks the player's language: installs the program's translation and
    // Qt's own texts for the locale's language (the system's, from LANG,
    // LC_MESSAGES or LANGUAGE), or leaves everything English where there is
    // no translation for it. Called before any window or text is made;
    // returns the language installed, empty for English.
    static QString InstallTranslations(const QLocale &locale = QLocale::system());

    // The program's arguments after its own name: one argument is an
    // invitation link for the start sequence; none, or more than one, change
    // nothing. Call before InitInstance.
    void setArguments(const QStringList &arguments);

    // Start-up; false when the main window could not be made.
    bool InitInstance();

    // The base name of the program file, or a fixed name where there is none.
    static QString programBaseName();

    const QString &applicationName() const { return appName; }
    SettingsStore *settings() const { return store.get(); }
    CGameWnd *mainWindow() const { return window.get(); }

private:
    GameBoard &board;
    PeerSocket &link;
    CScoreDlg &score;
    QString appName;
    QString startLink;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<CGameWnd> window;
};

} // namespace sorvada
