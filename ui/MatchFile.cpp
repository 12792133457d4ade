// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MatchFile.h"

#include "rules/MatchRecord.h"
#include "rules/PdnWriter.h"

#include <QSaveFile>

namespace sorvada {

namespace {

PdnHeader headerOf(size_t index, const QDate &date)
{
    PdnHeader header;
    header.event = "Sorvada match";
    header.site = "?";
    header.date = date.toString(QStringLiteral("yyyy.MM.dd")).toStdString();
    header.round = static_cast<int>(index + 1);
    return header;
}

QString fileNamePart(QString text)
{
    for (QChar &ch : text)
        if (ch.unicode() < 0x20 || QStringLiteral("/\\:*?\"<>|").contains(ch))
            ch = QLatin1Char('_');
    return text.trimmed().left(60);
}

} // namespace

std::string setPdn(const MatchRecord &record, size_t index, const QDate &date)
{
    return pdnGameText(record.set(index), headerOf(index, date));
}

std::string matchPdn(const MatchRecord &record, const QDate &date)
{
    std::string text;
    for (size_t i = 0; i < record.setCount(); ++i)
        text += setPdn(record, i, date);
    return text;
}

QString proposedFileName(const MatchRecord &record, const QDate &date)
{
    QString players;
    if (record.setCount() > 0) {
        const SetRecord first = record.set(0);
        players = fileNamePart(QString::fromStdString(first.firstMoverName)) + QStringLiteral(" - ")
                + fileNamePart(QString::fromStdString(first.secondMoverName)) + QLatin1Char(' ');
    }
    return players + date.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".pdn");
}

bool writeWholeFile(const QString &path, const QByteArray &bytes, QString &why)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        why = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        why = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        why = file.errorString();
        return false;
    }
    return true;
}

} // namespace sorvada
