// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What every fuzz target shares: a broken invariant stops the run as a crash,
// and the input is read byte by byte, as zeros once it is used up.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace sorvada {

inline void require(bool condition)
{
    if (!condition)
        std::abort();
}

class Input {
public:
    Input(const uint8_t *data, size_t size) : data(data), size(size) {}
    bool empty() const { return pos >= size; }
    uint8_t next() { return pos < size ? data[pos++] : 0; }
    uint8_t peek() const { return pos < size ? data[pos] : 0; }
    uint32_t next32()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= uint32_t(next()) << (8 * i);
        return v;
    }

private:
    const uint8_t *data;
    size_t size;
    size_t pos = 0;
};

} // namespace sorvada
