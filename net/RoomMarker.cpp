// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/RoomMarker.h"

#include "net/MarkerCheck.h"
#include "net/RoomCode.h"

#include <algorithm>
#include <iterator>

namespace sorvada {

namespace {

constexpr uint8_t MAGIC[4] = {0xD7, 0x5A, 0x3C, 0xA1};
constexpr int LENGTH_AT = ROOM_MARKER_OFFSET + 4;
constexpr int CODE_AT = LENGTH_AT + 1;
constexpr int CHECK_AT = CODE_AT + MAX_ROOM_CODE_LENGTH;
static_assert(CHECK_AT == ROOM_MARKER_OFFSET + ROOM_MARKER_SIZE - 1);

bool isLowerCodeByte(uint8_t c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
}

} // namespace

void writeRoomMarker(PeerRecord &record, const QString &code)
{
    uint8_t *at = record.bytes.data();
    std::fill(at + ROOM_MARKER_OFFSET, at + ROOM_MARKER_OFFSET + ROOM_MARKER_SIZE, uint8_t(0));
    if (code.isEmpty())
        return;
    const QByteArray text = code.toLatin1().left(MAX_ROOM_CODE_LENGTH);
    std::copy(std::begin(MAGIC), std::end(MAGIC), at + ROOM_MARKER_OFFSET);
    at[LENGTH_AT] = uint8_t(text.size());
    std::copy(text.begin(), text.end(), at + CODE_AT);
    at[CHECK_AT] = markerCheck(at + ROOM_MARKER_OFFSET, CHECK_AT - ROOM_MARKER_OFFSET);
}

QString readRoomMarker(const PeerRecord &record)
{
    const uint8_t *at = record.bytes.data();
    if (!std::equal(std::begin(MAGIC), std::end(MAGIC), at + ROOM_MARKER_OFFSET))
        return QString();
    const int length = at[LENGTH_AT];
    if (length < 1 || length > MAX_ROOM_CODE_LENGTH)
        return QString();
    for (int i = 0; i < MAX_ROOM_CODE_LENGTH; ++i) {
        const uint8_t c = at[CODE_AT + i];
        if (i < length ? !isLowerCodeByte(c) : c != 0)
            return QString();
    }
    if (at[CHECK_AT] != markerCheck(at + ROOM_MARKER_OFFSET, CHECK_AT - ROOM_MARKER_OFFSET))
        return QString();
    return QString::fromLatin1(reinterpret_cast<const char *>(at + CODE_AT), length);
}

} // namespace sorvada
