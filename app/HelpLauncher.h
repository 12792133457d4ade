// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>

class QUrl;
class QWidget;

namespace sorvada {

// How a page is handed to the desktop; true when the desktop took it.
using UrlOpener = std::function<bool(const QUrl &)>;
// The desktop's own way: QDesktopServices::openUrl.
UrlOpener desktopOpener();

// The program's home page: the address the build was given, or, while there
// is none, the About section of the installed help page (empty when that page
// is missing).
QUrl homePageUrl();

// Opens the program's help contents, the HTML page help/index.html installed
// beside the program, in the desktop's viewer; where the desktop has none,
// in the program's own help window over the owner. Only when the page is
// missing does it tell the user "Failed to launch help." and return false.
bool openHelpContents(QWidget *owner, const UrlOpener &open = desktopOpener());

// Opens the program's home page in the default browser. Where there is none,
// the help page's About section opens in the program's own help window, and a
// web address is told to the user instead.
void openHomePage(QWidget *owner, const UrlOpener &open = desktopOpener());

} // namespace sorvada
