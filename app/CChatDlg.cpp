// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CChatDlg.h"

#include "app/DialogBuilder.h"
#include "app/ResourceIds.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTextCursor>
#include <QValidator>

namespace sorvada {

namespace {

enum : int { IDC_HISTORY = 4002, IDC_INPUT = 4003 };

using namespace dlg;

const Control chatControls[] = {
    {IDC_HISTORY, Kind::MultiEdit, "", 5, 5, 175, 85, ReadOnly | VScroll},
    {NoId, Kind::Label, QT_TRANSLATE_NOOP("Dialogs", "Put down your message and press \"enter\" please:"), 5, 95, 175, 10},
    {IDC_INPUT, Kind::Edit, "", 5, 105, 175, 10, TabStop},
};

const Template chatTemplate{res::IDD_CHAT, QT_TRANSLATE_NOOP("Dialogs", "Chat"), 187, 124, CloseBox | ToolWindow, chatControls};

// The history keeps the line breaks of the wire (CR LF); the text field shows
// each of them as one line break.
QString forDisplay(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// Refuses an input line whose composed chat text would not fit one record.
class LineFitsRecord : public QValidator
{
public:
    LineFitsRecord(std::function<bool(const QString &)> fits, QObject *parent)
        : QValidator(parent), fits(std::move(fits))
    {
    }
    State validate(QString &input, int &) const override { return fits(input) ? Acceptable : Invalid; }

private:
    std::function<bool(const QString &)> fits;
};

} // namespace

CChatDlg::CChatDlg(QWidget *parent) : QDialog(parent)
{
    build(this, chatTemplate);
    historyField = control<QPlainTextEdit>(this, IDC_HISTORY);
    inputField = control<QLineEdit>(this, IDC_INPUT);
    limitTyping(inputField, MaxInputLength);
    // Characters outside the basic plane arrive in two halves; a first half
    // at the end counts as the whole character, a half alone anywhere else
    // is refused.
    inputField->setValidator(new LineFitsRecord(
        [this](QString typed) {
            for (qsizetype i = 0; i < typed.size(); ++i) {
                if (typed[i].isLowSurrogate())
                    return false;
                if (typed[i].isHighSurrogate()) {
                    if (i + 1 == typed.size())
                        typed += QChar(0xDC00);
                    else if (!typed[i + 1].isLowSurrogate())
                        return false;
                    ++i;
                }
            }
            return compose(typed).toUtf8().size() <= MaxLineBytes;
        },
        inputField));

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

void CChatDlg::setName(const QString &playerName)
{
    name = playerName;
}

void CChatDlg::setSender(std::function<void(const QString &)> hook)
{
    sender = std::move(hook);
}

QString CChatDlg::history() const
{
    QString all;
    all.reserve(historyChars);
    for (const QString &entry : entries)
        all += entry;
    return all;
}

void CChatDlg::appendReceived(const QString &text)
{
    append(text);
}

void CChatDlg::showAndActivate()
{
    show();
    raise();
    activateWindow();
}

QString CChatDlg::compose(const QString &typed) const
{
    return name + QStringLiteral(": \r\n") + typed + QStringLiteral("\r\n");
}

void CChatDlg::send()
{
    // The name may have changed since the line was typed: what does not fit
    // is cut off at a whole character, so that the history shows exactly
    // what goes out.
    QString typed = inputField->text();
    if (!typed.isEmpty() && typed.back().isHighSurrogate())
        typed.chop(1);
    while (!typed.isEmpty() && compose(typed).toUtf8().size() > MaxLineBytes)
        typed.chop(typed.size() >= 2 && typed.back().isLowSurrogate() ? 2 : 1);
    if (typed.isEmpty())
        return;
    const QString line = compose(typed);
    inputField->clear();
    append(line);
    if (sender)
        sender(line);
}

void CChatDlg::append(const QString &entry)
{
    if (entry.isEmpty())
        return;
    QString kept = entry;
    if (kept.size() > MaxHistoryChars)
        kept = kept.right(MaxHistoryChars); // a single entry larger than the whole history
    entries.push_back(kept);
    historyChars += kept.size();

    bool dropped = false;
    while (historyChars > MaxHistoryChars && entries.size() > 1) {
        historyChars -= entries.front().size();
        entries.pop_front();
        dropped = true;
    }
    if (dropped) {
        historyField->setPlainText(forDisplay(history()));
    } else {
        QTextCursor cursor(historyField->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(forDisplay(kept));
    }
    scrollToEnd();
}

void CChatDlg::scrollToEnd()
{
    QTextCursor end = historyField->textCursor();
    end.movePosition(QTextCursor::End);
    historyField->setTextCursor(end);
    historyField->ensureCursorVisible();
    QScrollBar *bar = historyField->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void CChatDlg::keyPressEvent(QKeyEvent *event)
{
    // Enter anywhere in the window sends; the window has no buttons.
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            send();
            event->accept();
            return;
        }
    }
    QDialog::keyPressEvent(event); // Escape hides the window
}

void CChatDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    scrollToEnd();
    inputField->setFocus(Qt::OtherFocusReason);
}

void CChatDlg::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    inputField->setFocus(Qt::OtherFocusReason);
}

} // namespace sorvada
