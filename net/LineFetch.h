// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One HTTP GET whose answer is the first line of the body: the text up to the first line feed,
// without it and without any carriage return. The HTTP status is not looked at; only a fetch
// that gets no HTTP answer at all (refused, unreachable, cut off) or none within timeoutMs
// fails. The caller's thread waits in a local event loop that keeps sockets, timers and
// painting going but takes no user input.

#include <QByteArray>
#include <QString>

class QNetworkAccessManager;

namespace sorvada {

// A first line longer than this is no answer of a matchmaking server: the fetch fails.
inline constexpr int MAX_ANSWER_LINE = 4096;

// The answer line of a body as far as it has arrived: the text up to the first line feed,
// without it and without any carriage return. Without a line feed the whole body is the line,
// but only once it is complete. False when there is no line yet or it is too long.
bool answerLine(const QByteArray &body, bool complete, QString *line);

bool fetchFirstLine(QNetworkAccessManager &manager, const QString &url, const QString &userAgent,
                    int timeoutMs, QString *line);

} // namespace sorvada
