// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <QString>

#include <deque>
#include <functional>

class QLineEdit;
class QPlainTextEdit;

namespace sorvada {

// The chat window: the conversation so far and a one-line input. It is a
// modeless tool window with no owner, so the modal dialogs of the game window
// do not block it. Enter sends the typed line through the sender hook and
// adds it to the history; Escape and the close box only hide the window.
class CChatDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr int MaxInputLength = 320;
    // What one chat record carries, in UTF-8 bytes: the whole composed line
    // (name, ": ", CR LF, text, CR LF) must fit, or it would arrive cut.
    static constexpr int MaxLineBytes = 344;
    // The newest part of the conversation that is kept; whole entries are
    // dropped from the oldest end beyond it, so a flooding peer cannot make
    // the history grow without bound.
    static constexpr qsizetype MaxHistoryChars = 64 * 1024;

    explicit CChatDlg(QWidget *parent = nullptr);

    // The local player's name, put at the head of every line sent.
    void setName(const QString &playerName);
    // Adds text received from the peer exactly as it came.
    void appendReceived(const QString &text);
    // Shows the window and makes it the active window.
    void showAndActivate();
    // The conversation as kept, entries joined in order.
    QString history() const;
    // Called with each line the player sends: name, ": ", CR LF, text, CR LF.
    void setSender(std::function<void(const QString &chatLine)> sender);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void send();
    QString compose(const QString &typed) const;
    void append(const QString &entry);
    void scrollToEnd();

    QString name;
    std::deque<QString> entries;
    qsizetype historyChars = 0;
    std::function<void(const QString &)> sender;
    QPlainTextEdit *historyField;
    QLineEdit *inputField;
};

} // namespace sorvada
