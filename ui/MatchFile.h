// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QDate>
#include <QString>

#include <string>

namespace sorvada {

class MatchRecord;

// Every set of the match so far, finished or not, as PDN games one after the other
// (Round = the set's number, Date = `date`).
std::string matchPdn(const MatchRecord &record, const QDate &date);
// Set `index` alone as a PDN game.
std::string setPdn(const MatchRecord &record, size_t index, const QDate &date);

// "Ann - Bob 2026-12-09.pdn": the players of the first set and the date, with what no
// file name may hold replaced.
QString proposedFileName(const MatchRecord &record, const QDate &date);

// Writes the file whole or not at all: the bytes go to a temporary file beside it, which
// then takes its place, so that a failed write leaves an earlier file as it was. On
// failure `why` says what went wrong.
bool writeWholeFile(const QString &path, const QByteArray &bytes, QString &why);

} // namespace sorvada
