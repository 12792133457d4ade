// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HelpWindow.h"

#include "app/ResourceIds.h"
#include "app/StringTable.h"

#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

#include <vector>

namespace sorvada {

namespace {

bool leadsOutOfHelp(const QUrl &link)
{
    return !link.isRelative() && !link.isLocalFile();
}

} // namespace

HelpWindow::HelpWindow(const QString &pagePath, QWidget *parent)
    : QDialog(parent, Qt::Window), view(new QTextBrowser(this))
{
    setObjectName(QStringLiteral("help"));
    setWindowTitle(loadString(res::IDS_APP_TITLE));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    resize(640, 520);

    view->setOpenLinks(false);
    view->setOpenExternalLinks(false);
    connect(view, &QTextBrowser::anchorClicked, this, &HelpWindow::follow);
    connect(view, &QTextBrowser::sourceChanged, this, &HelpWindow::showExternalLinksAsText);
    view->setSource(QUrl::fromLocalFile(pagePath));
}

void HelpWindow::follow(const QUrl &link)
{
    if (leadsOutOfHelp(link))
        return;
    const QUrl target = view->source().resolved(link);
    if (target.adjusted(QUrl::RemoveFragment) == view->source().adjusted(QUrl::RemoveFragment))
        view->scrollToAnchor(target.fragment());
    else
        view->setSource(target);
}

void HelpWindow::showExternalLinksAsText()
{
    // Collected first, then changed from the end, so that the text added
    // after each link does not move the ones still to come.
    struct Span {
        int start;
        int end;
        QString address;
    };
    std::vector<Span> spans;
    QTextDocument *doc = view->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (!format.isAnchor())
                continue;
            const QUrl link(format.anchorHref());
            if (!leadsOutOfHelp(link))
                continue;
            const int start = fragment.position();
            const int end = start + fragment.length();
            // One link may span several fragments (bold inside a link).
            if (!spans.empty() && spans.back().end == start && spans.back().address == link.toString())
                spans.back().end = end;
            else
                spans.push_back({start, end, link.toString()});
        }
    }
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    for (auto it = spans.rbegin(); it != spans.rend(); ++it) {
        cursor.setPosition(it->start);
        cursor.setPosition(it->end, QTextCursor::KeepAnchor);
        QTextCharFormat plain;
        plain.setAnchor(false);
        plain.setAnchorHref(QString());
        plain.setFontUnderline(false);
        plain.setForeground(view->palette().text());
        cursor.mergeCharFormat(plain);
        cursor.setPosition(it->end);
        cursor.insertText(QStringLiteral(" (%1)").arg(it->address), plain);
    }
    cursor.endEditBlock();
}

} // namespace sorvada
