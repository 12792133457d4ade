// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HelpLauncher.h"

#include "app/DataFiles.h"
#include "app/DialogBuilder.h"
#include "app/HelpWindow.h"
#include "app/ResourceIds.h"
#include "app/StringTable.h"
#include "app/Translation.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QTextBrowser>
#include <QUrl>
#include <QWidget>

namespace sorvada {

UrlOpener desktopOpener()
{
    return [](const QUrl &url) { return QDesktopServices::openUrl(url); };
}

namespace {

bool launch(const QString &page, const UrlOpener &open)
{
    // The wait cursor covers the time the desktop takes to start its viewer.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // A pressed button or a drag in progress must not keep the pointer
    // captured while another program takes over.
    if (QWidget *grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    const bool opened = open(QUrl::fromLocalFile(page));
    QApplication::restoreOverrideCursor();
    return opened;
}

// The help page in the language the program speaks ("help/index.ru.html"),
// or the English one where that language has none.
QString findHelpPage()
{
    const QString language = translation::language();
    if (!language.isEmpty()) {
        const QString translated = findDataFile(QStringLiteral("help/index.%1.html").arg(language));
        if (!translated.isEmpty())
            return translated;
    }
    return findDataFile(QStringLiteral("help/index.html"));
}

void showHelpWindow(const QString &page, const QString &anchor, QWidget *owner)
{
    auto *help = new HelpWindow(page, owner);
    if (!anchor.isEmpty())
        help->browser()->scrollToAnchor(anchor);
    help->show();
    help->raise();
    help->activateWindow();
}

} // namespace

bool openHelpContents(QWidget *owner, const UrlOpener &open)
{
    const QString page = findHelpPage();
    if (page.isEmpty()) {
        dlg::messageBox(owner, QCoreApplication::translate("HelpLauncher", "Failed to launch help."), QMessageBox::Critical);
        return false;
    }
    if (!launch(page, open))
        showHelpWindow(page, QString(), owner);
    return true;
}

QUrl homePageUrl()
{
    const QString configured = QStringLiteral(SORVADA_HOME_PAGE);
    if (!configured.isEmpty())
        return QUrl(configured);
    const QString page = findHelpPage();
    if (page.isEmpty())
        return QUrl();
    QUrl about = QUrl::fromLocalFile(page);
    about.setFragment(QStringLiteral("about"));
    return about;
}

void openHomePage(QWidget *owner, const UrlOpener &open)
{
    const QUrl home = homePageUrl();
    if (home.isEmpty()) {
        dlg::messageBox(owner, QCoreApplication::translate("HelpLauncher", "Failed to launch help."), QMessageBox::Critical);
        return;
    }
    if (open(home))
        return;
    if (home.isLocalFile())
        showHelpWindow(home.toLocalFile(), home.fragment(), owner);
    else
        dlg::messageBox(owner, loadString(res::IDS_HOME_PAGE_AT).arg(home.toString()), QMessageBox::Information);
}

} // namespace sorvada
