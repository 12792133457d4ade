// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bodies of a matchmaking web server's answer, through the same first-line reading and
// answer parsing that a start query uses. Besides not crashing, a parsed answer must be one that
// the server could have meant: a Client answer rebuilt from its fields parses to the same fields.

#include "net/LineFetch.h"
#include "net/MatchAnswer.h"

#include "FuzzInput.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>

using namespace sorvada;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char *>(data), qsizetype(size));

    // A body cut off before its line feed has no answer yet; a complete one always has a line
    // unless that line is too long.
    QString partial;
    const bool partialOk = answerLine(body, false, &partial);
    require(partialOk == (body.indexOf('\n') >= 0 && body.indexOf('\n') <= MAX_ANSWER_LINE));

    QString line;
    if (!answerLine(body, true, &line))
        return 0;
    require(!line.contains(u'\n') && !line.contains(u'\r'));
    if (partialOk)
        require(partial == line);

    const MatchAnswer answer = parseMatchAnswer(line);
    switch (answer.kind) {
    case MatchAnswer::Invalid:
        require(answer.address.isEmpty() && answer.port == 0 && answer.id.isEmpty());
        break;
    case MatchAnswer::Server:
        require(line.section(u'/', 0, 0) == QLatin1String("Server"));
        break;
    case MatchAnswer::Client: {
        require(line.startsWith(QLatin1String("Client/")));
        require(!answer.address.contains(u'/') && !answer.id.contains(u'/'));
        require(answer.address.isEmpty() || !answer.address.at(0).isSpace());
        require(answer.id.isEmpty() || !answer.id.at(0).isSpace());
        const QString rebuilt = QLatin1String("Client/") + answer.address + u'/'
            + QString::number(answer.port) + u'/' + answer.id;
        const MatchAnswer again = parseMatchAnswer(rebuilt);
        require(again.kind == MatchAnswer::Client && again.address == answer.address
                && again.port == answer.port && again.id == answer.id);
        break;
    }
    }
    return 0;
}
