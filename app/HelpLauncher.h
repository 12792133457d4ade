#pragma once

class QUrl;
class QWidget;

// Opens the program's help contents, the HTML page help/index.html installed
// beside the program, in the desktop's viewer. When the page is missing or
// the desktop cannot open it, tells the user "Failed to launch help." over
// the owner and returns false.
bool openHelpContents(QWidget *owner);

// The program's home page: the address the build was given, or, while there
// is none, the About section of the installed help page (empty when that page
// is missing).
QUrl homePageUrl();

// Opens the program's home page in the default browser. Whether that worked
// is not checked and nothing is shown when it did not.
void openHomePage();
