// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/LinkExtension.h"

#include "net/MarkerCheck.h"

#include <algorithm>
#include <iterator>

namespace sorvada {

namespace {

constexpr uint8_t MAGIC[4] = {0x9C, 0x3E, 0x51, 0xD4};
constexpr int VERSION_AT = LINK_EXTENSION_OFFSET + 4;
constexpr int FEATURES_AT = VERSION_AT + 1;
constexpr int FLAGS_AT = FEATURES_AT + 1;
constexpr int TOKEN_AT = FLAGS_AT + 1;
constexpr int CHECK_AT = TOKEN_AT + 8;
static_assert(CHECK_AT == LINK_EXTENSION_OFFSET + LINK_EXTENSION_SIZE - 1);
static_assert(CHECK_AT < SEQUENCE_OFFSET);

constexpr uint8_t FLAG_TOKEN = 0x01;
constexpr uint8_t FLAG_HOST_END = 0x02;

uint16_t readU16(const PeerRecord &record, int offset)
{
    return uint16_t(record.bytes[offset] | (record.bytes[offset + 1] << 8));
}

void writeU16(PeerRecord &record, int offset, uint16_t value)
{
    record.bytes[offset] = uint8_t(value);
    record.bytes[offset + 1] = uint8_t(value >> 8);
}

uint64_t readU64(const PeerRecord &record, int offset)
{
    return uint64_t(record.readU32(offset)) | (uint64_t(record.readU32(offset + 4)) << 32);
}

void writeU64(PeerRecord &record, int offset, uint64_t value)
{
    record.writeU32(offset, uint32_t(value));
    record.writeU32(offset + 4, uint32_t(value >> 32));
}

// Whether the text that a record of this type carries from `from` has its zero byte before the
// block.
bool textEndsBeforeBlock(const PeerRecord &record, int from)
{
    const auto begin = record.bytes.begin() + from;
    return std::find(begin, record.bytes.begin() + LINK_EXTENSION_OFFSET, uint8_t(0))
        != record.bytes.begin() + LINK_EXTENSION_OFFSET;
}

} // namespace

bool writeLinkExtension(PeerRecord &record, const LinkExtension &extension)
{
    if (record.type() == JOIN_PEER && !textEndsBeforeBlock(record, 5))
        return false;
    uint8_t *at = record.bytes.data();
    std::copy(std::begin(MAGIC), std::end(MAGIC), at + LINK_EXTENSION_OFFSET);
    at[VERSION_AT] = extension.version;
    at[FEATURES_AT] = extension.features;
    at[FLAGS_AT] = uint8_t((extension.token ? FLAG_TOKEN : 0) | (extension.hostEnd ? FLAG_HOST_END : 0));
    writeU64(record, TOKEN_AT, extension.token.value_or(0));
    at[CHECK_AT] = markerCheck(at + LINK_EXTENSION_OFFSET, CHECK_AT - LINK_EXTENSION_OFFSET);
    return true;
}

void clearLinkExtension(PeerRecord &record)
{
    std::fill_n(record.bytes.begin() + LINK_EXTENSION_OFFSET, LINK_EXTENSION_SIZE, uint8_t(0));
}

std::optional<LinkExtension> readLinkExtension(const PeerRecord &record)
{
    const uint8_t *at = record.bytes.data();
    if (!std::equal(std::begin(MAGIC), std::end(MAGIC), at + LINK_EXTENSION_OFFSET))
        return std::nullopt;
    if (at[CHECK_AT] != markerCheck(at + LINK_EXTENSION_OFFSET, CHECK_AT - LINK_EXTENSION_OFFSET))
        return std::nullopt;
    if (at[VERSION_AT] < 1)
        return std::nullopt;
    LinkExtension extension;
    extension.version = at[VERSION_AT];
    extension.features = at[FEATURES_AT];
    extension.hostEnd = (at[FLAGS_AT] & FLAG_HOST_END) != 0;
    const uint64_t token = readU64(record, TOKEN_AT);
    // A token flag without a token, or a token without its flag, is no token.
    if ((at[FLAGS_AT] & FLAG_TOKEN) != 0 && token != 0)
        extension.token = token;
    return extension;
}

void writeReattach(PeerRecord &record, uint64_t token, bool hostEnd)
{
    record.clear();
    record.setType(REATTACH);
    LinkExtension extension;
    extension.features = FEATURE_RESUME;
    extension.hostEnd = hostEnd;
    extension.token = token;
    writeLinkExtension(record, extension);
    record.setSequence(NO_SEQUENCE);
}

void writeDigestMessage(PeerRecord &record, const DigestMessage &digest)
{
    record.setType(MATCH_DIGEST);
    record.bytes[1] = digest.answer ? 1 : 0;
    writeU16(record, 2, digest.setNumber);
    writeU16(record, 4, digest.plies);
    writeU64(record, 6, digest.positionHash);
    writeU16(record, 14, digest.hostWins);
    writeU16(record, 16, digest.joinerWins);
    writeU16(record, 18, digest.draws);
    record.bytes[20] = digest.toMove;
    record.writeU32(21, digest.seen);
}

DigestMessage readDigestMessage(const PeerRecord &record)
{
    DigestMessage digest;
    digest.answer = (record.bytes[1] & 1) != 0;
    digest.setNumber = readU16(record, 2);
    digest.plies = readU16(record, 4);
    digest.positionHash = readU64(record, 6);
    digest.hostWins = readU16(record, 14);
    digest.joinerWins = readU16(record, 16);
    digest.draws = readU16(record, 18);
    digest.toMove = record.bytes[20];
    digest.seen = record.readU32(21);
    return digest;
}

} // namespace sorvada
