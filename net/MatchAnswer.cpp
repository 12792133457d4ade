// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/MatchAnswer.h"

#include <QStringList>

namespace sorvada {

namespace {

QString withoutLeadingSpace(const QString &field)
{
    qsizetype i = 0;
    while (i < field.size() && field.at(i).isSpace())
        ++i;
    return field.mid(i);
}

} // namespace

quint16 leadingPort(const QString &text)
{
    quint32 value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + quint32(c.unicode() - u'0');
        if (value > 65535)
            return 0;
    }
    return quint16(value);
}

MatchAnswer parseMatchAnswer(const QString &line)
{
    MatchAnswer answer;
    const QStringList parts = line.split(u'/');
    const QString &word = parts.first();
    if (word == QLatin1String("Server")) {
        answer.kind = MatchAnswer::Server;
    } else if (word == QLatin1String("Client") && parts.size() >= 4) {
        answer.kind = MatchAnswer::Client;
        answer.address = withoutLeadingSpace(parts.at(1));
        answer.port = leadingPort(withoutLeadingSpace(parts.at(2)));
        answer.id = withoutLeadingSpace(parts.at(3));
    }
    return answer;
}

} // namespace sorvada
