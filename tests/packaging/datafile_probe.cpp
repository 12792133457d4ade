// SPDX-License-Identifier: GPL-3.0-or-later
// Prints, one a line, where the program would find each data file named on
// the command line (an empty line when it would find none). Copied into an
// installed tree, it shows what the installed program sees.
#include "app/DataFiles.h"

#include <QCoreApplication>
#include <QTextStream>

using namespace sorvada;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList args = app.arguments().mid(1);
    for (const QString &name : args)
        out << findDataFile(name) << '\n';
    return 0;
}
