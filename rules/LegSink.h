// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

namespace sorvada {

// Receives each leg that move entry has applied to the board, for sending to the peer.
class LegSink {
public:
    virtual ~LegSink() = default;
    // kind: LEG_FINAL (1, the move ends and the turn passes: MOVE is sent) or LEG_PARTIAL (2, the same piece
    // must capture again: CAPTURE_STEP). from/to/via are this side's own squares (via 0: the leg turned nowhere);
    // they are mirrored only as they go onto the wire.
    virtual void legEntered(uint8_t kind, uint8_t from, uint8_t to, uint8_t via) = 0;
};

inline constexpr uint8_t LEG_FINAL = 1, LEG_PARTIAL = 2;

} // namespace sorvada
