// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Settings in a fresh temporary folder: while the object lives, every settings store of the
// process, and anything that asks for the user's configuration folder, reads and writes there.
// Make it before anything reads settings, as the first member of a test object, say.
#include <QSettings>
#include <QString>
#include <QTemporaryDir>

namespace sorvada {

class TemporarySettings
{
public:
    TemporarySettings()
    {
        if (!dir.isValid())
            qFatal("no temporary folder for the settings: %s", qPrintable(dir.errorString()));
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    }
    TemporarySettings(const TemporarySettings &) = delete;
    TemporarySettings &operator=(const TemporarySettings &) = delete;

    QString path() const { return dir.path(); }

private:
    QTemporaryDir dir;
};

} // namespace sorvada
