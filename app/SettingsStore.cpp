// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SettingsStore.h"

namespace sorvada {

namespace {
const QString section = QStringLiteral("Names");

QString key(const QString &entry)
{
    return section + QLatin1Char('/') + entry;
}
} // namespace

SettingsStore::SettingsStore(const QString &applicationName)
{
    settings.emplace(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tavimore"),
                     applicationName);
}

SettingsStore::SettingsStore(InMemory)
{
}

QVariant SettingsStore::value(const QString &entry)
{
    if (!settings)
        return memory.value(key(entry));
    settings->sync();
    return settings->value(key(entry));
}

void SettingsStore::setValue(const QString &entry, const QVariant &value)
{
    if (!settings) {
        memory.insert(key(entry), value);
        return;
    }
    settings->setValue(key(entry), value);
    settings->sync();
}

int SettingsStore::readInt(const QString &entry, int defaultValue)
{
    const QVariant stored = value(entry);
    if (!stored.isValid())
        return defaultValue;
    bool ok = false;
    const qlonglong number = stored.toString().trimmed().toLongLong(&ok);
    if (!ok)
        return defaultValue;
    // Stored values are 32-bit; anything wider wraps as a 32-bit value would.
    return static_cast<int>(static_cast<quint32>(number));
}

QString SettingsStore::readString(const QString &entry, const QString &defaultValue)
{
    const QVariant stored = value(entry);
    if (!stored.isValid() || !stored.canConvert<QString>())
        return defaultValue;
    return stored.toString();
}

void SettingsStore::writeInt(const QString &entry, int value)
{
    setValue(entry, value);
}

void SettingsStore::writeString(const QString &entry, const QString &value)
{
    setValue(entry, value);
}

} // namespace sorvada
