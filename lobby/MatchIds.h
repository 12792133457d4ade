// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QRandomGenerator>
#include <QString>
#include <QStringView>

namespace sorvada {

// Makes the IDs by which knockers name a proposed host when they report it.
// An ID is letters and digits only, so it travels in a query and in the
// "/"-separated answer line without any quoting.
class MatchIds
{
public:
    static constexpr int LENGTH = 8;
    static constexpr int MAX_LENGTH = 32; // longest ID the lobby accepts back

    // seed 0 takes a seed from the system; tests pass their own for
    // repeatable IDs.
    explicit MatchIds(quint32 seed = 0);

    QString make();

    static bool isValid(QStringView id);

private:
    QRandomGenerator random;
};

} // namespace sorvada
