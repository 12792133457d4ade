// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The check byte of the markers our copies write into bytes of a record that the record's type
// leaves undefined: CRC-8 with polynomial 0x07 and initial value 0.
#include <cstdint>

namespace sorvada {

inline uint8_t markerCheck(const uint8_t *data, int size)
{
    uint8_t crc = 0;
    for (int i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = uint8_t(crc & 0x80 ? (crc << 1) ^ 0x07 : crc << 1);
    }
    return crc;
}

} // namespace sorvada
