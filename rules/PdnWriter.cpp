// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/PdnWriter.h"

#include "rules/Notation.h"

#include <vector>

namespace sorvada {

namespace {

// A tag value is a quoted string: quotes and backslashes are escaped, and a line break,
// which no tag may hold, becomes a space.
std::string tagLine(const char* name, const std::string& value)
{
    std::string line = std::string("[") + name + " \"";
    for (char ch : value) {
        if (ch == '"' || ch == '\\')
            line += '\\';
        line += (ch == '\n' || ch == '\r') ? ' ' : ch;
    }
    return line + "\"]\n";
}

std::vector<std::string> moveTokens(const SetRecord& set)
{
    std::vector<std::string> tokens;
    for (size_t i = 0; i < set.moves.size(); ++i) {
        if (i % 2 == 0)
            tokens.push_back(std::to_string(i / 2 + 1) + ".");
        tokens.push_back(moveNotation(set.variant, set.moves[i]));
    }
    tokens.push_back(resultText(set));
    return tokens;
}

} // namespace

std::string pdnMoveText(const SetRecord& set)
{
    std::string text;
    for (const std::string& token : moveTokens(set)) {
        if (!text.empty())
            text += ' ';
        text += token;
    }
    return text;
}

std::string pdnGameText(const SetRecord& set, const PdnHeader& header)
{
    const bool firstIsWhite = firstMoverIsWhite(set.variant);
    std::string text;
    text += tagLine("Event", header.event);
    text += tagLine("Site", header.site);
    text += tagLine("Date", header.date);
    text += tagLine("Round", std::to_string(header.round));
    text += tagLine("White", firstIsWhite ? set.firstMoverName : set.secondMoverName);
    text += tagLine("Black", firstIsWhite ? set.secondMoverName : set.firstMoverName);
    text += tagLine("Result", resultText(set));
    text += tagLine("GameType", set.variant == VARIANT_RUSSIAN ? "25" : "21");
    text += '\n';
    std::string line;
    for (const std::string& token : moveTokens(set)) {
        if (!line.empty() && line.size() + 1 + token.size() > 79) {
            text += line + '\n';
            line.clear();
        }
        if (!line.empty())
            line += ' ';
        line += token;
    }
    text += line + "\n\n";
    return text;
}

} // namespace sorvada
