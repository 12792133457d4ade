// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QSettings>
#include <QString>

namespace sorvada {

// The per-user settings of section "Names", stored under
// Tavimore/<application name>. Every read goes to the store and every write
// is flushed at once; a missing value, or one that is not of the kind asked
// for, reads as the caller's default.
class SettingsStore
{
public:
    explicit SettingsStore(const QString &applicationName);

    int readInt(const QString &entry, int defaultValue = 0);
    QString readString(const QString &entry, const QString &defaultValue = QString());
    void writeInt(const QString &entry, int value);
    void writeString(const QString &entry, const QString &value);

    // Where the store lives on this system (the INI file on Linux).
    QString location() const { return settings.fileName(); }

private:
    QSettings settings;
};

} // namespace sorvada
