// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A complete window as the program builds it, with its own board and an
// unopened link. Its settings go where the test's TemporarySettings put them.
#include "app/CScoreDlg.h"
#include "app/SettingsStore.h"
#include "net/PeerSocket.h"
#include "rules/GameBoard.h"
#include "sim/TemporarySettings.h"
#include "ui/CGameWnd.h"

#include <memory>

namespace sorvada {

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

} // namespace sorvada
