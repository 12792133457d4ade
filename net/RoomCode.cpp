// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/RoomCode.h"

namespace sorvada {

namespace {

bool isCodeCharacter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-';
}

LobbyAddressProblem checkCode(QStringView code)
{
    if (code.isEmpty())
        return LobbyAddressProblem::EmptyCode;
    for (QChar c : code) {
        if (!isCodeCharacter(c))
            return LobbyAddressProblem::CodeCharacter;
    }
    if (code.size() > MAX_ROOM_CODE_LENGTH)
        return LobbyAddressProblem::CodeTooLong;
    return LobbyAddressProblem::None;
}

// "1".."65535" in plain digits, else 0.
quint16 portNumber(QStringView text)
{
    if (text.isEmpty() || text.size() > 5)
        return 0;
    int value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return 0;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value <= 65535 ? quint16(value) : 0;
}

} // namespace

bool isRoomCode(QStringView code)
{
    return checkCode(code) == LobbyAddressProblem::None;
}

LobbyAddress parseLobbyAddress(const QString &typed)
{
    LobbyAddress a;
    a.host = typed;
    if (typed.section(u'/', 0, 0) == QLatin1String("http:")) {
        a.web = true;
        if (typed.size() > MAX_WEB_BASE_LENGTH)
            a.problem = LobbyAddressProblem::WebTooLong;
        // http://AUTHORITY/CODE: the code is whatever follows the authority's "/".
        if (typed.startsWith(QLatin1String("http://"))) {
            const qsizetype slash = typed.indexOf(u'/', 7);
            if (slash >= 0) {
                const QStringView code = QStringView(typed).mid(slash + 1);
                if (a.problem == LobbyAddressProblem::None)
                    a.problem = checkCode(code);
                if (a.problem == LobbyAddressProblem::None)
                    a.code = code.toString().toLower();
            }
        }
        return a;
    }

    // Another scheme ("HTTP://", "https://") is no lobby of either kind: the whole text is
    // the host, which resolves or fails as it always has.
    if (typed.contains(QLatin1String("://")))
        return a;
    const qsizetype slash = typed.indexOf(u'/');
    const QStringView hostPart = QStringView(typed).left(slash < 0 ? typed.size() : slash);
    const qsizetype colon = hostPart.lastIndexOf(u':');
    if (colon > 0 && hostPart.indexOf(u':') == colon) {
        if (const quint16 port = portNumber(hostPart.mid(colon + 1))) {
            a.port = port;
            a.host = hostPart.left(colon).toString();
        } else {
            a.host = hostPart.toString();
        }
    } else {
        a.host = hostPart.toString();
    }
    if (slash >= 0) {
        const QStringView code = QStringView(typed).mid(slash + 1);
        a.problem = checkCode(code);
        if (a.problem == LobbyAddressProblem::None)
            a.code = code.toString().toLower();
    }
    return a;
}

QString drawRoomCode(QRandomGenerator &random)
{
    static constexpr char alphabet[] = "23456789abcdefghjkmnpqrstuvwxyz";
    constexpr int size = int(sizeof alphabet) - 1;
    QString code;
    for (int i = 0; i < 10; ++i) {
        if (i == 5)
            code += u'-';
        code += QLatin1Char(alphabet[random.bounded(size)]);
    }
    return code;
}

} // namespace sorvada
