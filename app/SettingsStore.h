// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QHash>
#include <QSettings>
#include <QString>
#include <QVariant>

#include <optional>

namespace sorvada {

// The per-user settings of section "Names", stored under
// Tavimore/<application name>. Every read goes to the store and every write
// is flushed at once; a missing value, or one that is not of the kind asked
// for, reads as the caller's default.
class SettingsStore
{
public:
    explicit SettingsStore(const QString &applicationName);

    // A store that lives in this object only: it starts empty, nothing is read from disk or
    // written to it, and its values go with it. Reads and writes follow the same rules as
    // those of a stored one. For the fuzzer, which would otherwise flush a file thousands of
    // times a second.
    struct InMemory {};
    explicit SettingsStore(InMemory);

    int readInt(const QString &entry, int defaultValue = 0);
    QString readString(const QString &entry, const QString &defaultValue = QString());
    void writeInt(const QString &entry, int value);
    void writeString(const QString &entry, const QString &value);

    // Where the store lives on this system (the INI file on Linux); empty for one in memory.
    QString location() const { return settings ? settings->fileName() : QString(); }

private:
    QVariant value(const QString &entry);
    void setValue(const QString &entry, const QVariant &value);

    std::optional<QSettings> settings; // none for a store in memory
    QHash<QString, QVariant> memory;
};

} // namespace sorvada
