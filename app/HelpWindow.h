// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <QUrl>

class QTextBrowser;

namespace sorvada {

// The program's own help viewer, for a desktop that has no browser to show
// the help page in: the installed HTML page in a text browser. Links within
// the help are followed; a link that leads out of it cannot be opened here,
// so it is shown as its address in plain text instead.
class HelpWindow : public QDialog
{
    Q_OBJECT
public:
    explicit HelpWindow(const QString &pagePath, QWidget *parent = nullptr);

    QTextBrowser *browser() const { return view; }

private:
    void follow(const QUrl &link);
    void showExternalLinksAsText();

    QTextBrowser *view;
};

} // namespace sorvada
