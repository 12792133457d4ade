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
    : settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tavimore"),
               applicationName)
{
}

int SettingsStore::readInt(const QString &entry, int defaultValue)
{
    settings.sync();
    const QVariant value = settings.value(key(entry));
    if (!value.isValid())
        return defaultValue;
    bool ok = false;
    const qlonglong number = value.toString().trimmed().toLongLong(&ok);
    if (!ok)
        return defaultValue;
    // Stored values are 32-bit; anything wider wraps as a 32-bit value would.
    return static_cast<int>(static_cast<quint32>(number));
}

QString SettingsStore::readString(const QString &entry, const QString &defaultValue)
{
    settings.sync();
    const QVariant value = settings.value(key(entry));
    if (!value.isValid() || !value.canConvert<QString>())
        return defaultValue;
    return value.toString();
}

void SettingsStore::writeInt(const QString &entry, int value)
{
    settings.setValue(key(entry), value);
    settings.sync();
}

void SettingsStore::writeString(const QString &entry, const QString &value)
{
    settings.setValue(key(entry), value);
    settings.sync();
}

} // namespace sorvada
