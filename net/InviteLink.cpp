// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/InviteLink.h"

#include "net/RoomCode.h"

namespace sorvada {

namespace {

const QLatin1String SCHEME("sorvada://");

bool isHostCharacter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-'
        || c == u'.';
}

} // namespace

QString InviteLink::lobbyAddress() const
{
    QString text = host;
    if (port != 0)
        text += u':' + QString::number(port);
    return text + u'/' + code;
}

InviteLink parseInviteLink(const QString &text)
{
    InviteLink link;
    if (text.size() > MAX_INVITE_LINK_LENGTH) {
        link.problem = InviteProblem::TooLong;
        return link;
    }
    // The scheme's case does not matter in a link, as browsers hand it over either way.
    if (!text.startsWith(SCHEME, Qt::CaseInsensitive)) {
        link.problem = InviteProblem::NotInvite;
        return link;
    }
    QStringView rest = QStringView(text).mid(SCHEME.size());
    // A browser or mail program may add a "/" after the code.
    if (rest.endsWith(u'/'))
        rest.chop(1);
    const qsizetype slash = rest.indexOf(u'/');
    QStringView authority = slash < 0 ? rest : rest.left(slash);
    const qsizetype colon = authority.indexOf(u':');
    if (colon >= 0) {
        const QStringView digits = authority.mid(colon + 1);
        bool ok = !digits.isEmpty() && digits.size() <= 5;
        int port = 0;
        for (QChar c : digits) {
            ok = ok && c >= u'0' && c <= u'9';
            port = port * 10 + (c.unicode() - u'0');
        }
        if (!ok || port < 1 || port > 65535) {
            link.problem = InviteProblem::BadPort;
            return link;
        }
        link.port = quint16(port);
        authority = authority.left(colon);
    }
    if (authority.isEmpty()) {
        link.problem = InviteProblem::NoHost;
        return link;
    }
    for (QChar c : authority) {
        if (!isHostCharacter(c)) {
            link.problem = InviteProblem::BadHost;
            return link;
        }
    }
    link.host = authority.toString();
    const QStringView code = slash < 0 ? QStringView() : rest.mid(slash + 1);
    if (code.isEmpty()) {
        link.problem = InviteProblem::NoCode;
        return link;
    }
    if (!isRoomCode(code)) {
        link.problem = InviteProblem::BadCode;
        return link;
    }
    link.code = code.toString().toLower();
    return link;
}

QString formatInviteLink(const QString &host, quint16 port, const QString &code)
{
    InviteLink link;
    link.host = host;
    link.port = port;
    link.code = code;
    return SCHEME + link.lobbyAddress();
}

} // namespace sorvada
