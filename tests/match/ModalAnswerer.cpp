// SPDX-License-Identifier: GPL-3.0-or-later
#include "ModalAnswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QWidget>

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
    int n = 0;
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
}

ModalAnswerer::Matcher ModalAnswerer::ofClass(const QString &className, const QString &textPart)
{
    return [className, textPart](QWidget *w) {
        if (!className.isEmpty() && QLatin1String(w->metaObject()->className()) != className)
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

void ModalAnswerer::look()
{
    // A click runs the dialog's caller on, which may open further dialogs
    // and nested loops in which this timer fires again.
    if (busy)
        return;
    QWidget *w = QApplication::activeModalWidget();
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
        Seen seen{QLatin1String(w->metaObject()->className()), w->windowTitle(), textOf(w)};
        if (auto *box = qobject_cast<QMessageBox *>(w))
            seen.icon = box->icon();
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
}
