// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/ModalAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QWidget>

namespace sorvada {

QString ModalAnswerer::classOf(const QWidget *w)
{
    const QString name = QLatin1String(w->metaObject()->className());
    return name.mid(name.lastIndexOf(QLatin1Char(':')) + 1);
}

ModalAnswerer::Seen ModalAnswerer::describe(QWidget *w)
{
    Seen seen{classOf(w), w->windowTitle(), textOf(w)};
    if (auto *box = qobject_cast<QMessageBox *>(w))
        seen.icon = box->icon();
    return seen;
}

ModalAnswerer::ModalAnswerer(int intervalMs, QObject *parent)
    : QObject(parent)
{
    timer.setInterval(intervalMs);
    connect(&timer, &QTimer::timeout, this, &ModalAnswerer::look);
    timer.start();
}

void ModalAnswerer::when(Matcher matcher, Action action, int times)
{
    rules.push_back(Rule{std::move(matcher), std::move(action), times});
}

void ModalAnswerer::click(const QString &className, const QString &textPart, const QString &button,
                          int times)
{
    when(ofClass(className, textPart), [button](QWidget *w) { return clickButton(w, button); }, times);
}

void ModalAnswerer::answerBox(const QString &textPart, QMessageBox::StandardButton button, int times)
{
    when(ofClass(QStringLiteral("QMessageBox"), textPart),
         [button](QWidget *w) {
             auto *box = qobject_cast<QMessageBox *>(w);
             QAbstractButton *b = box ? box->button(button) : nullptr;
             if (!b)
                 return false;
             b->click();
             return true;
         },
         times);
}

int ModalAnswerer::pending() const
{
    int n = int(steps.size());
    for (const Rule &r : rules)
        n += r.times > 0 ? 1 : 0;
    return n;
}

int ModalAnswerer::seenCount(const QString &part) const
{
    int n = 0;
    for (const Seen &s : answered)
        n += s.text.contains(part) ? 1 : 0;
    return n;
}

void ModalAnswerer::clear()
{
    rules.clear();
    answered.clear();
    steps.clear();
}

QString ModalAnswerer::leftOver()
{
    QStringList amiss;
    if (const int left = pending())
        amiss << QStringLiteral("%1 answer(s) not given").arg(left);
    if (strays)
        amiss << QStringLiteral("%1 dialog(s) left open").arg(strays);
    clear();
    strays = 0;
    return amiss.join(QStringLiteral(", "));
}

ModalAnswerer &ModalAnswerer::then(Step step)
{
    steps.push_back(std::move(step));
    return *this;
}

void ModalAnswerer::closeStraysAfter(int ms)
{
    strayMs = ms;
    strayClock.start();
}

ModalAnswerer::Matcher ModalAnswerer::ofClass(const QString &className, const QString &textPart)
{
    return [className, textPart](QWidget *w) {
        if (!className.isEmpty() && classOf(w) != className)
            return false;
        return textPart.isEmpty() || textOf(w).contains(textPart);
    };
}

QString ModalAnswerer::textOf(const QWidget *dialog)
{
    if (auto *box = qobject_cast<const QMessageBox *>(dialog))
        return box->text();
    QStringList parts;
    for (const QLabel *label : dialog->findChildren<QLabel *>())
        if (!label->text().isEmpty())
            parts << label->text();
    return parts.join(QLatin1Char('\n'));
}

bool ModalAnswerer::clickButton(QWidget *dialog, const QString &label)
{
    for (QAbstractButton *b : dialog->findChildren<QAbstractButton *>()) {
        if (b->isEnabled() && b->isVisible() && b->text().remove(QLatin1Char('&')) == label) {
            b->click();
            return true;
        }
    }
    return false;
}

void ModalAnswerer::watch(Matcher matcher, std::function<void(QWidget *)> see)
{
    watchers.emplace_back(std::move(matcher), std::move(see));
}

void ModalAnswerer::closeIfStray(QWidget *w)
{
    if (strayMs <= 0)
        return;
    if (w != strayCandidate.data()) {
        strayCandidate = w;
        strayClock.start();
    } else if (w && strayClock.elapsed() > strayMs) {
        ++strays;
        qWarning("closing a dialog left open: %s %s", w->metaObject()->className(), qPrintable(w->objectName()));
        w->close();
        strayClock.start();
    }
}

void ModalAnswerer::takeStep(QWidget *w)
{
    if (steps.empty() || stepQueued || (w == stepped.data() && !steppedHidden))
        return;
    Step step = std::move(steps.front());
    steps.pop_front();
    if (stepped && stepped.data() != w)
        stepped->removeEventFilter(this);
    stepped = w;
    steppedHidden = false;
    w->installEventFilter(this);
    answered.push_back(describe(w));
    // Not from the timer's slot: a step that opens a nested event loop would
    // keep the timer from looking again until it returns.
    stepQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this, step = std::move(step), target = QPointer<QWidget>(w)] {
            stepQueued = false;
            if (target)
                step(target.data());
        },
        Qt::QueuedConnection);
}

bool ModalAnswerer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == stepped.data() && event->type() == QEvent::Hide)
        steppedHidden = true;
    return QObject::eventFilter(watched, event);
}

void ModalAnswerer::look()
{
    QWidget *w = QApplication::activeModalWidget();
    closeIfStray(w);
    // A click runs the dialog's caller on, which may open further dialogs
    // and nested loops in which this timer fires again.
    if (busy)
        return;
    if (!w || !w->isVisible())
        return;
    if (w != lastWatched.data()) {
        lastWatched = w;
        for (const auto &[matcher, see] : watchers)
            if (matcher(w))
                see(w);
    }
    for (std::size_t i = 0; i < rules.size(); ++i) {
        Rule &rule = rules[i];
        if (rule.times == 0 || !rule.matcher(w))
            continue;
        const Seen seen = describe(w);
        busy = true;
        const bool done = rule.action(w);
        busy = false;
        if (!done)
            return; // the dialog is waited on; no other rule takes it meanwhile
        if (rule.times > 0)
            --rule.times;
        answered.push_back(seen);
        return;
    }
    takeStep(w);
}

} // namespace sorvada
