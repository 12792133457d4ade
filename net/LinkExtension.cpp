// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/LinkExtension.h"

#include "net/MarkerCheck.h"

#include <algorithm>
#include <iterator>

namespace sorvada {

namespace {

constexpr uint8_t EXTENSION_MAGIC[4] = {0x9C, 0x3E, 0x51, 0xD4};
constexpr int EXTENSION_VERSION_AT = LINK_EXTENSION_OFFSET + 4;
constexpr int EXTENSION_FEATURES_AT = EXTENSION_VERSION_AT + 1;
constexpr int EXTENSION_FLAGS_AT = EXTENSION_FEATURES_AT + 1;
constexpr int EXTENSION_TOKEN_AT = EXTENSION_FLAGS_AT + 1;
constexpr int EXTENSION_CHECK_AT = EXTENSION_TOKEN_AT + 8;
static_assert(EXTENSION_CHECK_AT == LINK_EXTENSION_OFFSET + LINK_EXTENSION_SIZE - 1);
static_assert(EXTENSION_CHECK_AT < SEQUENCE_OFFSET);

constexpr uint8_t EXTENSION_FLAG_TOKEN = 0x01;
constexpr uint8_t EXTENSION_FLAG_HOST_END = 0x02;

uint16_t readLE16(const PeerRecord &record, int offset)
{
    return uint16_t(record.bytes[offset] | (record.bytes[offset + 1] << 8));
}

void writeLE16(PeerRecord &record, int offset, uint16_t value)
{
    record.bytes[offset] = uint8_t(value);
    record.bytes[offset + 1] = uint8_t(value >> 8);
}

uint64_t readLE64(const PeerRecord &record, int offset)
{
    return uint64_t(record.readU32(offset)) | (uint64_t(record.readU32(offset + 4)) << 32);
}

void writeLE64(PeerRecord &record, int offset, uint64_t value)
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
    std::copy(std::begin(EXTENSION_MAGIC), std::end(EXTENSION_MAGIC), at + LINK_EXTENSION_OFFSET);
    at[EXTENSION_VERSION_AT] = extension.version;
    at[EXTENSION_FEATURES_AT] = extension.features;
    at[EXTENSION_FLAGS_AT] = uint8_t((extension.token ? EXTENSION_FLAG_TOKEN : 0) | (extension.hostEnd ? EXTENSION_FLAG_HOST_END : 0));
    writeLE64(record, EXTENSION_TOKEN_AT, extension.token.value_or(0));
    at[EXTENSION_CHECK_AT] = markerCheck(at + LINK_EXTENSION_OFFSET, EXTENSION_CHECK_AT - LINK_EXTENSION_OFFSET);
    return true;
}

void clearLinkExtension(PeerRecord &record)
{
    std::fill_n(record.bytes.begin() + LINK_EXTENSION_OFFSET, LINK_EXTENSION_SIZE, uint8_t(0));
}

std::optional<LinkExtension> readLinkExtension(const PeerRecord &record)
{
    const uint8_t *at = record.bytes.data();
    if (!std::equal(std::begin(EXTENSION_MAGIC), std::end(EXTENSION_MAGIC), at + LINK_EXTENSION_OFFSET))
        return std::nullopt;
    if (at[EXTENSION_CHECK_AT] != markerCheck(at + LINK_EXTENSION_OFFSET, EXTENSION_CHECK_AT - LINK_EXTENSION_OFFSET))
        return std::nullopt;
    if (at[EXTENSION_VERSION_AT] < 1)
        return std::nullopt;
    LinkExtension extension;
    extension.version = at[EXTENSION_VERSION_AT];
    extension.features = at[EXTENSION_FEATURES_AT];
    extension.hostEnd = (at[EXTENSION_FLAGS_AT] & EXTENSION_FLAG_HOST_END) != 0;
    const uint64_t token = readLE64(record, EXTENSION_TOKEN_AT);
    // A token flag without a token, or a token without its flag, is no token.
    if ((at[EXTENSION_FLAGS_AT] & EXTENSION_FLAG_TOKEN) != 0 && token != 0)
        extension.token = token;
    return extension;
}

LinkExtension resumeBlock(std::optional<uint64_t> token, bool hostEnd)
{
    LinkExtension extension;
    extension.features = FEATURE_RESUME;
    extension.hostEnd = hostEnd;
    extension.token = token;
    return extension;
}

void writeReattach(PeerRecord &record, uint64_t token, bool hostEnd)
{
    record.clear();
    record.setType(REATTACH);
    writeLinkExtension(record, resumeBlock(token, hostEnd));
    record.setSequence(NO_SEQUENCE);
}

void writeDigestMessage(PeerRecord &record, const DigestMessage &digest)
{
    const MatchState &state = digest.state;
    record.setType(MATCH_DIGEST);
    record.bytes[1] = digest.answer ? 1 : 0;
    writeLE16(record, 2, state.setNumber);
    writeLE16(record, 4, state.plies);
    writeLE64(record, 6, state.positionHash);
    writeLE16(record, 14, state.hostWins);
    writeLE16(record, 16, state.joinerWins);
    writeLE16(record, 18, state.draws);
    record.bytes[20] = state.toMove;
    record.writeU32(21, digest.seen);
}

DigestMessage readDigestMessage(const PeerRecord &record)
{
    DigestMessage digest;
    MatchState &state = digest.state;
    digest.answer = (record.bytes[1] & 1) != 0;
    state.setNumber = readLE16(record, 2);
    state.plies = readLE16(record, 4);
    state.positionHash = readLE64(record, 6);
    state.hostWins = readLE16(record, 14);
    state.joinerWins = readLE16(record, 16);
    state.draws = readLE16(record, 18);
    state.toMove = record.bytes[20];
    digest.seen = record.readU32(21);
    return digest;
}

} // namespace sorvada
