#include "HelpLauncher.h"

#include "DataFiles.h"
#include "DialogBuilder.h"
#include "HelpWindow.h"
#include "ResourceIds.h"
#include "StringTable.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>
#include <QWidget>

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

} // namespace

bool openHelpContents(QWidget *owner, const UrlOpener &open)
{
    const QString page = findDataFile(QStringLiteral("help/index.html"));
    if (page.isEmpty()) {
        dlg::messageBox(owner, QStringLiteral("Failed to launch help."), QMessageBox::Critical);
        return false;
    }
    if (!launch(page, open)) {
        auto *help = new HelpWindow(page, owner);
        help->show();
        help->raise();
        help->activateWindow();
    }
    return true;
}

void openHomePage(QWidget *owner, const UrlOpener &open)
{
    const QString address = QStringLiteral(SORVADA_HOME_PAGE);
    if (!open(QUrl(address)))
        dlg::messageBox(owner, loadString(res::IDS_HOME_PAGE_AT).arg(address), QMessageBox::Information);
}
