// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Drives real modal dialogs from inside their own event loop: the action is
// run on the next modal widget that comes up, so a test can open a dialog
// with exec(), look at it, type and click, and close it.
#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace driver {

// Calls act(w) once a visible modal widget other than `below` (the dialog
// already open, when the action is to answer a box it opens) is active.
// Gives up (and says so) after a generous bound, never by a fixed sleep.
inline void onModal(std::function<void(QWidget *)> act, QWidget *below = nullptr)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QPointer<QWidget> under(below);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, under, act] {
        QWidget *w = QApplication::activeModalWidget();
        if (w && w != under.data() && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(w);
            return;
        }
        if (clock->elapsed() > 20000) {
            timer->stop();
            timer->deleteLater();
            qWarning("no modal dialog came up");
        }
    });
    timer->start();
}

// Closes a modal widget that stays up far longer than any test needs (a
// dialog the test failed to close), so that a broken test fails instead of
// hanging. Tests check `closed` afterwards.
class StrayModalGuard : public QObject
{
public:
    StrayModalGuard()
    {
        connect(&tick, &QTimer::timeout, this, [this] {
            QWidget *w = QApplication::activeModalWidget();
            if (w != current) {
                current = w;
                since.start();
            } else if (w && since.elapsed() > 15000) {
                ++closed;
                qWarning("closing a dialog the test left open: %s", qPrintable(w->objectName()));
                w->close();
                since.start();
            }
        });
        tick.start(50);
        since.start();
    }
    int closed = 0;

private:
    QTimer tick;
    QPointer<QWidget> current;
    QElapsedTimer since;
};

// Points the settings of every store at a private temporary folder. Call
// before anything reads settings.
inline void useTemporarySettings(QTemporaryDir &dir)
{
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
}

} // namespace driver
