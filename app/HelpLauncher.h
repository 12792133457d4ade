#pragma once

class QWidget;

// Opens the program's help contents, the HTML page help/index.html installed
// beside the program, in the desktop's viewer. When the page is missing or
// the desktop cannot open it, tells the user "Failed to launch help." over
// the owner and returns false.
bool openHelpContents(QWidget *owner);

// Opens the program's home page in the default browser. Whether that worked
// is not checked and nothing is shown when it did not.
void openHomePage();
