// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobby/MatchIds.h"

namespace sorvada {

namespace {
constexpr char ALPHABET[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr int ALPHABET_SIZE = sizeof(ALPHABET) - 1;
}

MatchIds::MatchIds(quint32 seed)
    : random(seed != 0 ? seed : QRandomGenerator::system()->generate())
{
}

QString MatchIds::make()
{
    QString id;
    id.reserve(LENGTH);
    for (int i = 0; i < LENGTH; ++i)
        id.append(QLatin1Char(ALPHABET[random.bounded(ALPHABET_SIZE)]));
    return id;
}

bool MatchIds::isValid(QStringView id)
{
    if (id.isEmpty() || id.size() > MAX_LENGTH)
        return false;
    for (QChar c : id) {
        const char16_t u = c.unicode();
        const bool ok = (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9');
        if (!ok)
            return false;
    }
    return true;
}

} // namespace sorvada
