// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Answers real modal dialogs as they come up, from inside their own event
// loops, in two ways. Rules: "when a modal dialog of class X (with text Y)
// appears, click button Z", looked at in the order they were added. Steps: a
// script played one step per dialog, in order, whatever the dialogs are. Only
// the topmost modal widget is ever touched, so nested dialogs are answered
// innermost first, as a user would have to.
#include <QElapsedTimer>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>
#include <vector>

class QWidget;

namespace sorvada {

class ModalAnswerer : public QObject
{
public:
    // Picks the dialogs a rule applies to.
    using Matcher = std::function<bool(QWidget *dialog)>;
    // Acts on a matching dialog; false means "not yet": the dialog is left
    // open and offered again on the next look.
    using Action = std::function<bool(QWidget *dialog)>;
    // Does what the player would do with a dialog: look, type, click, close.
    using Step = std::function<void(QWidget *dialog)>;

    // What a dialog looked like when a rule answered it.
    struct Seen {
        QString className;
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };

    explicit ModalAnswerer(int intervalMs = 5, QObject *parent = nullptr);

    // Adds a rule that answers `times` matching dialogs (-1: any number).
    void when(Matcher matcher, Action action, int times = 1);
    // Clicks the button whose text (without '&') is `button` on the next
    // modal dialog of that class whose text contains textPart (empty: any).
    void click(const QString &className, const QString &textPart, const QString &button,
               int times = 1);
    // Clicks a standard button of the next message box whose text contains textPart.
    void answerBox(const QString &textPart, QMessageBox::StandardButton button, int times = 1);

    // Calls see(dialog) once for each new modal dialog that matches, before
    // any rule answers it, whichever rule that is.
    void watch(Matcher matcher, std::function<void(QWidget *dialog)> see);

    // Adds a step, run once on the next modal widget that comes up when no
    // rule answers it: any widget but the one the step before ran on, unless
    // that one was hidden since (a dialog shown again takes the next step).
    // It runs from a queued call in the widget's own event loop, so a step may
    // open a nested dialog (one that its next step answers) or close its own.
    ModalAnswerer &then(Step step);

    // Closes a modal widget that stays up longer than ms (one a test failed
    // to close), so that a broken test fails instead of hanging.
    void closeStraysAfter(int ms);
    int straysClosed() const { return strays; }

    // Rules and steps with answers still to give (rules with times = -1
    // never count).
    int pending() const;
    // For the end of a test: what went amiss (answers still to give, strays
    // closed), empty when nothing did. Forgets the rules, steps and strays.
    QString leftOver();
    const std::vector<Seen> &seen() const { return answered; }
    // The dialogs answered so far whose text contains part.
    int seenCount(const QString &part) const;
    void clear();

    // --- helpers for matchers and actions --------------------------------
    static Matcher ofClass(const QString &className, const QString &textPart = QString());
    // A dialog's class name without its namespace ("CScoreDlg", "QMessageBox").
    static QString classOf(const QWidget *dialog);
    // All visible text of a dialog: a message box's text, else its labels'.
    static QString textOf(const QWidget *dialog);
    // Clicks the enabled button whose text, without '&', is label.
    static bool clickButton(QWidget *dialog, const QString &label);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Rule {
        Matcher matcher;
        Action action;
        int times;
    };
    static Seen describe(QWidget *w);
    void look();
    void closeIfStray(QWidget *w);
    void takeStep(QWidget *w);

    // A deque, so that an action may add rules without moving the others.
    std::deque<Rule> rules;
    std::vector<std::pair<Matcher, std::function<void(QWidget *)>>> watchers;
    QPointer<QWidget> lastWatched;
    std::vector<Seen> answered;
    QTimer timer;
    bool busy = false;

    std::deque<Step> steps;
    QPointer<QWidget> stepped; // the widget the last step ran on
    bool steppedHidden = true;
    bool stepQueued = false;

    int strayMs = 0;
    int strays = 0;
    QPointer<QWidget> strayCandidate;
    QElapsedTimer strayClock;
};

} // namespace sorvada
