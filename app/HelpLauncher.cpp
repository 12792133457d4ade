#include "HelpLauncher.h"

#include "DataFiles.h"
#include "DialogBuilder.h"

#include <QApplication>
#include <QDesktopServices>
#include <QUrl>
#include <QWidget>

namespace {

bool launch()
{
    // The wait cursor covers the time the desktop takes to start its viewer.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // A pressed button or a drag in progress must not keep the pointer
    // captured while another program takes over.
    if (QWidget *grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    const QString page = findDataFile(QStringLiteral("help/index.html"));
    const bool opened = !page.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(page));
    QApplication::restoreOverrideCursor();
    return opened;
}

} // namespace

bool openHelpContents(QWidget *owner)
{
    if (launch())
        return true;
    dlg::messageBox(owner, QStringLiteral("Failed to launch help."), QMessageBox::Critical);
    return false;
}

QUrl homePageUrl()
{
    const QString configured = QStringLiteral(SORVADA_HOME_PAGE);
    if (!configured.isEmpty())
        return QUrl(configured);
    const QString page = findDataFile(QStringLiteral("help/index.html"));
    if (page.isEmpty())
        return QUrl();
    QUrl about = QUrl::fromLocalFile(page);
    about.setFragment(QStringLiteral("about"));
    return about;
}

void openHomePage()
{
    const QUrl home = homePageUrl();
    if (home.isValid())
        QDesktopServices::openUrl(home);
}
