// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Answers the modal dialogs of a sequence one after the other, from the
// event loop of each: every step runs once on the next modal widget that
// comes up after the previous one went away. Steps run from a queued call, so
// a step may close its dialog and let the next one open from the same place.
#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>

class ModalScript : public QObject
{
public:
    using Step = std::function<void(QWidget *)>;

    ModalScript()
    {
        connect(&tick, &QTimer::timeout, this, &ModalScript::poll);
        tick.start(10);
    }

    ModalScript &then(Step step)
    {
        steps.push_back(std::move(step));
        return *this;
    }

    int pending() const { return int(steps.size()); }
    int answered = 0;

private:
    void poll()
    {
        QWidget *w = QApplication::activeModalWidget();
        if (w != lastActed.data())
            lastGone = true;
        if (!w || !w->isVisible() || steps.empty() || busy)
            return;
        if (w == lastActed.data() && !lastGone)
            return;
        Step step = std::move(steps.front());
        steps.pop_front();
        lastActed = w;
        lastGone = false;
        busy = true;
        QPointer<QWidget> target(w);
        QMetaObject::invokeMethod(this, [this, step, target] {
            busy = false;
            ++answered;
            if (target)
                step(target.data());
        }, Qt::QueuedConnection);
    }

    QTimer tick;
    std::deque<Step> steps;
    QPointer<QWidget> lastActed;
    bool lastGone = true;
    bool busy = false;
};
