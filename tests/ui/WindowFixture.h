// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A complete window as the program builds it, with its own board, an unopened
// link and settings in a temporary folder.
#include "CGameWnd.h"
#include "CScoreDlg.h"
#include "GameBoard.h"
#include "PeerSocket.h"
#include "SettingsStore.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <functional>
#include <memory>

// Points the settings of the whole test at a fresh temporary folder.
inline void useTemporarySettings(const QTemporaryDir &dir)
{
    qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
}

struct WindowUnderTest
{
    GameBoard board;
    PeerSocket link;
    SettingsStore settings{QStringLiteral("sorvada-window-test")};
    CScoreDlg score;
    std::unique_ptr<CGameWnd> window;

    explicit WindowUnderTest(const PeerSocket::Config &config = PeerSocket::Config())
        : link(config)
    {
        window = std::make_unique<CGameWnd>(board, link, settings, score);
        // The start sequence opens dialogs of its own; these tests drive the
        // window themselves.
        window->killWindowTimer(TIMER_START);
    }
};

// Answers the next message box, from inside its own event loop, with the
// given button; records its caption, text and icon.
struct MessageBoxAnswer
{
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool seen = false;

    void arm(QMessageBox::StandardButton button)
    {
        auto *poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, poll, [this, poll, button] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            caption = box->windowTitle();
            text = box->text();
            icon = box->icon();
            seen = true;
            poll->stop();
            poll->deleteLater();
            if (QAbstractButton *b = box->button(button))
                b->click();
        });
        poll->start(10);
    }
};
