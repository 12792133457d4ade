// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Invitation links: sorvada://HOST/CODE, or sorvada://HOST:PORT/CODE for a directory on
// another UDP port than 8100. A link always names the directory (it works through home
// routers on both sides) and always a room: it is how one friend tells the other where to meet.
#include <QString>
#include <QtGlobal>

namespace sorvada {

inline constexpr int MAX_INVITE_LINK_LENGTH = 300;

enum class InviteProblem {
    None,
    TooLong,     // longer than MAX_INVITE_LINK_LENGTH
    NotInvite,   // does not begin with "sorvada://"
    NoHost,
    BadHost,     // characters no host name or IPv4 address has
    BadPort,
    NoCode,
    BadCode,     // not 1..16 letters, digits or "-"
};

struct InviteLink
{
    QString host;
    quint16 port = 0; // 0: the directory's usual port
    QString code;     // lower case
    InviteProblem problem = InviteProblem::None;

    // What goes into the server-address box: HOST/CODE or HOST:PORT/CODE.
    QString lobbyAddress() const;
};

InviteLink parseInviteLink(const QString &text);
QString formatInviteLink(const QString &host, quint16 port, const QString &code);

} // namespace sorvada
