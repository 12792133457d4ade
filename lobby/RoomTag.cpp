// SPDX-License-Identifier: GPL-3.0-or-later
#include "lobby/RoomTag.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

namespace sorvada {

namespace {

const QByteArray &runKey()
{
    static const QByteArray key = [] {
        QByteArray k(16, '\0');
        QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(k.data()), k.size() / 4);
        return k;
    }();
    return key;
}

} // namespace

QString roomTag(const QString &room)
{
    if (room.isEmpty())
        return QString();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(runKey());
    hash.addData(room.toUtf8());
    return QStringLiteral(" in room #") + QString::fromLatin1(hash.result().left(3).toHex());
}

} // namespace sorvada
