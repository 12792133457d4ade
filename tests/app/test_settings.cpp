// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ResourceIds.h"
#include "app/SettingKeys.h"
#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "sim/TemporarySettings.h"

#include <QFile>
#include <QtTest>

using namespace sorvada;

// The settings live in a temporary config folder for the whole test.
class TestSettings : public QObject
{
    Q_OBJECT
    TemporarySettings config;

private slots:
    void missingValuesGiveTheDefaults()
    {
        SettingsStore store(QStringLiteral("sorvada-empty"));
        QCOMPARE(store.readInt(SettingKey::Mode, 0), 0);
        QCOMPARE(store.readInt(SettingKey::VarGame, 7), 7);
        QCOMPARE(store.readString(SettingKey::Player), QString());
    }

    void writesReachTheFileAtOnceAndReadBack()
    {
        SettingsStore store(QStringLiteral("sorvada"));
        store.writeInt(SettingKey::Start, 5);
        store.writeString(SettingKey::Player, QStringLiteral("Alice"));
        QVERIFY(store.location().startsWith(config.path()));
        QVERIFY(store.location().contains(QStringLiteral("Tavimore")));

        QFile file(store.location());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.contains("[Names]"));
        QVERIFY(text.contains("Player=Alice"));

        SettingsStore again(QStringLiteral("sorvada"));
        QCOMPARE(again.readInt(SettingKey::Start, 0), 5);
        QCOMPARE(again.readString(SettingKey::Player), QStringLiteral("Alice"));
    }

    void anotherProgramNameHasItsOwnStore()
    {
        SettingsStore first(QStringLiteral("sorvada"));
        first.writeString(SettingKey::Server, QStringLiteral("host.example"));
        SettingsStore copy(QStringLiteral("sorvada-copy"));
        QCOMPARE(copy.readString(SettingKey::Server), QString());
        QCOMPARE(copy.readInt(SettingKey::Mode, 0), 0);
    }

    void garbageReadsAsTheDefault()
    {
        SettingsStore store(QStringLiteral("sorvada-garbage"));
        const QString path = store.location();
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("[Names]\nMode=banana\nStart=\nVarGame=2\n\x01\x02\xff garbage line\n");
        file.close();
        SettingsStore reread(QStringLiteral("sorvada-garbage"));
        QCOMPARE(reread.readInt(SettingKey::Mode, 0), 0);
        QCOMPARE(reread.readInt(SettingKey::Start, 0), 0);
        QCOMPARE(reread.readInt(SettingKey::VarGame, 0), 2);
    }

    void everyStringAndPromptIsPresent()
    {
        const int ids[] = {10, 50, 52, 53, 54, 55, 56, 57, 58, 59, 60, 101, 104, 105, 107,
                           108, 109, 110, 111, 112, 32773, 32774, 32776, 32777, 32778, 32779,
                           32783, 32785, 57664, 57665};
        for (int id : ids)
            QVERIFY2(hasString(id) && !loadString(id).isEmpty(), qPrintable(QString::number(id)));
        QCOMPARE(loadString(res::IDS_WAIT_OPPONENT), loadString(res::IDS_WAIT_OPPONENT_SET_END));
        QCOMPARE(loadString(res::ID_SCORE), QStringLiteral("Results of the sets"));
        QCOMPARE(loadString(12345), QString());
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
