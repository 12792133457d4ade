// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/PdnReader.h"

#include "rules/BoardTypes.h"

#include <cctype>

namespace sorvada {

namespace {

// Moves of one game beyond this are not a game of checkers.
constexpr size_t MAX_MOVES = 2000;
constexpr size_t MAX_SQUARES_PER_MOVE = 20;

bool isResult(std::string_view token)
{
    return token == "1-0" || token == "0-1" || token == "1/2-1/2" || token == "*" || token == "2-0"
        || token == "0-2" || token == "1-1" || token == "0-0";
}

class Reader {
public:
    explicit Reader(std::string_view text) : text(text) {}

    PdnFile read(size_t maxGames)
    {
        PdnFile file;
        while (file.games.size() < maxGames) {
            skipSpaceAndComments();
            if (failed() || pos >= text.size())
                break;
            PdnGame game;
            game.line = line;
            readTags(game);
            if (!failed())
                readMoves(game);
            if (failed())
                break;
            if (game.tags.empty() && game.moves.empty() && game.result.empty())
                break;
            file.games.push_back(std::move(game));
        }
        file.error = error;
        file.errorLine = error.empty() ? 0 : errorLine;
        return file;
    }

private:
    std::string_view text;
    size_t pos = 0;
    int line = 1;
    std::string error;
    int errorLine = 0;

    bool failed() const { return !error.empty(); }
    void fail(const std::string& what)
    {
        if (error.empty()) {
            error = what;
            errorLine = line;
        }
    }
    char peek() const { return pos < text.size() ? text[pos] : '\0'; }
    void advance()
    {
        if (pos < text.size() && text[pos] == '\n')
            ++line;
        ++pos;
    }

    void skipSpaceAndComments()
    {
        while (pos < text.size() && !failed()) {
            const char ch = peek();
            if (std::isspace(static_cast<unsigned char>(ch))) {
                advance();
            } else if (ch == '{') {
                skipUntil('}', "a comment in braces has no end");
            } else if (ch == ';') {
                while (pos < text.size() && peek() != '\n')
                    advance();
            } else if (ch == '(') {
                skipVariation();
            } else if (ch == '%' && (pos == 0 || text[pos - 1] == '\n')) {
                while (pos < text.size() && peek() != '\n')
                    advance();
            } else {
                return;
            }
        }
    }

    void skipUntil(char end, const char* message)
    {
        const int start = line;
        advance();
        while (pos < text.size() && peek() != end)
            advance();
        if (pos >= text.size()) {
            line = start;
            fail(message);
            return;
        }
        advance();
    }

    void skipVariation()
    {
        const int start = line;
        int depth = 0;
        while (pos < text.size()) {
            const char ch = peek();
            if (ch == '{') {
                skipUntil('}', "a comment in braces has no end");
                if (failed())
                    return;
                continue;
            }
            if (ch == '(')
                ++depth;
            else if (ch == ')' && --depth == 0) {
                advance();
                return;
            }
            advance();
        }
        line = start;
        fail("a variation in parentheses has no end");
    }

    void readTags(PdnGame& game)
    {
        while (!failed() && peek() == '[') {
            advance();
            std::string name;
            while (pos < text.size() && (std::isalnum(static_cast<unsigned char>(peek())) || peek() == '_'))
                name += text[pos++];
            while (peek() == ' ' || peek() == '\t')
                advance();
            if (name.empty() || peek() != '"') {
                fail("a tag is not written [Name \"value\"]");
                return;
            }
            advance();
            std::string value;
            while (pos < text.size() && peek() != '"' && peek() != '\n') {
                if (peek() == '\\' && pos + 1 < text.size())
                    advance();
                value += text[pos];
                advance();
            }
            if (peek() != '"') {
                fail("a tag's value has no closing quote");
                return;
            }
            advance();
            while (peek() == ' ' || peek() == '\t')
                advance();
            if (peek() != ']') {
                fail("a tag is not written [Name \"value\"]");
                return;
            }
            advance();
            game.tags.emplace_back(std::move(name), std::move(value));
            skipSpaceAndComments();
        }
    }

    void readMoves(PdnGame& game)
    {
        while (!failed()) {
            skipSpaceAndComments();
            if (failed() || pos >= text.size() || peek() == '[')
                return;
            std::string token;
            while (pos < text.size()) {
                const char ch = peek();
                if (std::isspace(static_cast<unsigned char>(ch)) || ch == '{' || ch == '(' || ch == ';' || ch == '[')
                    break;
                token += ch;
                advance();
            }
            if (token.empty()) {
                fail(std::string("unexpected '") + peek() + "'");
                return;
            }
            if (isResult(token)) {
                game.result = token;
                return;
            }
            readToken(game, token);
        }
    }

    void readToken(PdnGame& game, std::string token)
    {
        if (token[0] == '$')
            return; // a numeric annotation glyph
        // A move number ("12." or "12...") may stand alone or before its move.
        size_t i = 0;
        while (i < token.size() && std::isdigit(static_cast<unsigned char>(token[i])))
            ++i;
        if (i > 0 && i < token.size() && token[i] == '.') {
            while (i < token.size() && token[i] == '.')
                ++i;
            token.erase(0, i);
            if (token.empty())
                return;
        }
        while (!token.empty() && (token.back() == '!' || token.back() == '?' || token.back() == '+' || token.back() == '*'))
            token.pop_back();
        PdnMove move;
        std::string square;
        bool simple = false;
        for (size_t k = 0; k <= token.size(); ++k) {
            const char ch = k < token.size() ? token[k] : '\0';
            // No file letter is an x, so "c3xe5" splits at the x.
            if (std::isalnum(static_cast<unsigned char>(ch)) && ch != 'x' && ch != 'X') {
                square += ch;
                if (square.size() > 3) {
                    fail("'" + token + "' is not a move");
                    return;
                }
                continue;
            }
            if (square.empty() || (ch != '-' && ch != 'x' && ch != 'X' && ch != ':' && ch != '\0')) {
                fail("'" + token + "' is not a move");
                return;
            }
            move.squares.push_back(square);
            square.clear();
            if (ch == 'x' || ch == 'X' || ch == ':')
                move.capture = true;
            else if (ch == '-')
                simple = true;
        }
        if (move.squares.size() < 2 || move.squares.size() > MAX_SQUARES_PER_MOVE || (simple && move.capture)) {
            fail("'" + token + "' is not a move");
            return;
        }
        if (game.moves.size() >= MAX_MOVES) {
            fail("a game with more moves than a game can have");
            return;
        }
        game.moves.push_back(std::move(move));
    }
};

} // namespace

std::string PdnGame::tag(std::string_view name) const
{
    for (const auto& [key, value] : tags)
        if (key == name)
            return value;
    return std::string();
}

uint8_t PdnGame::variant() const
{
    std::string type = tag("GameType");
    const size_t comma = type.find(',');
    if (comma != std::string::npos)
        type.resize(comma);
    if (type.empty() || type == "21")
        return VARIANT_AMERICAN;
    if (type == "25")
        return VARIANT_RUSSIAN;
    return 0;
}

PdnFile readPdn(std::string_view text, size_t maxGames)
{
    return Reader(text).read(maxGames);
}

} // namespace sorvada
