// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DataFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace sorvada {

QString findDataFile(const QString &relativePath)
{
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString candidates[] = {
        programDir + QLatin1Char('/') + relativePath,
        programDir + QStringLiteral("/../share/games/sorvada/") + relativePath,
    };
    for (const QString &path : candidates) {
        const QFileInfo info(path);
        if (info.isFile())
            return QDir::cleanPath(info.absoluteFilePath());
    }
    return QString();
}

} // namespace sorvada
