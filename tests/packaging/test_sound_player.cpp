// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SoundPlayer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSoundEffect>
#include <QtTest>

using namespace sorvada;

// The player looks for sounds/<name> beside the program, so the test puts its
// files beside the test program and removes them afterwards. Whatever the
// machine's sound device, a sound that cannot be played is silence: no
// crash, no message, and the caller goes on at once.
class TestSoundPlayer : public QObject
{
    Q_OBJECT

    QString soundsDir;
    QStringList created;
    bool createdDir = false;

    QString put(const QString &name, const QByteArray &bytes)
    {
        const QString path = soundsDir + QLatin1Char('/') + name;
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            return QString();
        created << path;
        return path;
    }

    static QList<QSoundEffect *> effectsOf(const SoundPlayer &player)
    {
        return player.findChildren<QSoundEffect *>();
    }

private slots:
    void initTestCase()
    {
        soundsDir = QCoreApplication::applicationDirPath() + QStringLiteral("/sounds");
        if (!QDir(soundsDir).exists()) {
            QVERIFY(QDir().mkpath(soundsDir));
            createdDir = true;
        }
    }

    void cleanupTestCase()
    {
        for (const QString &path : std::as_const(created))
            QFile::remove(path);
        if (createdDir)
            QDir().rmdir(soundsDir);
    }

    void missingOrForbiddenNamesAreSilent()
    {
        SoundPlayer player;
        player.play(QStringLiteral("no-such-sound-here.wav"));
        player.play(QString());
        player.play(QStringLiteral("../sounds/no-such-sound-here.wav"));
        player.play(QStringLiteral("/etc/passwd"));
        QVERIFY(effectsOf(player).isEmpty());
    }

    void aPathIsRefusedEvenWhenTheFileExists()
    {
        // A real file one folder up must not be reachable through the name.
        const QByteArray wav = [] {
            QFile f(QStringLiteral(SORVADA_SOURCE_DIR "/assets/sounds/message.wav"));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        }();
        QVERIFY(!wav.isEmpty());
        QVERIFY(!put(QStringLiteral("probe-blip.wav"), wav).isEmpty());
        SoundPlayer player;
        player.play(QStringLiteral("../sounds/probe-blip.wav"));
        player.play(QStringLiteral("./probe-blip.wav"));
        QVERIFY(effectsOf(player).isEmpty());

        // The plain name plays that very file, and a repeat reuses the loaded sound.
        player.play(QStringLiteral("probe-blip.wav"));
        player.play(QStringLiteral("probe-blip.wav"));
        const auto effects = effectsOf(player);
        QCOMPARE(effects.size(), 1);
        QCOMPARE(QDir::cleanPath(effects.first()->source().toLocalFile()),
                 QDir::cleanPath(soundsDir + QStringLiteral("/probe-blip.wav")));
        // Loading finishes one way or the other; without a sound device that
        // may be an error, which stays silent.
        QTRY_VERIFY_WITH_TIMEOUT(effects.first()->status() != QSoundEffect::Loading
                                     && effects.first()->status() != QSoundEffect::Null, 10000);
    }

    void aBrokenFileIsSilentAndStaysSo()
    {
        const QString path = put(QStringLiteral("probe-broken.wav"), QByteArray("RIFF\x04\0\0\0junk", 12));
        QVERIFY(!path.isEmpty());
        SoundPlayer player;
        player.play(QStringLiteral("probe-broken.wav"));
        const auto effects = effectsOf(player);
        QCOMPARE(effects.size(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(effects.first()->status(), QSoundEffect::Error, 10000);
        player.play(QStringLiteral("probe-broken.wav"));
        QCOMPARE(effectsOf(player).size(), 1);
        QVERIFY(!effects.first()->isPlaying());
    }

    void aPlayerOwnedByAnObjectGoesWithIt()
    {
        // The window owns its player; destroying the owner while a sound is
        // loading or playing must be harmless.
        QVERIFY(!put(QStringLiteral("probe-chime.wav"),
                     [] {
                         QFile f(QStringLiteral(SORVADA_SOURCE_DIR "/assets/sounds/start.wav"));
                         return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
                     }()).isEmpty());
        auto *owner = new QObject;
        auto *player = new SoundPlayer(owner);
        QCOMPARE(player->parent(), owner);
        player->play(QStringLiteral("probe-chime.wav"));
        QCOMPARE(effectsOf(*player).size(), 1);
        // No event has been handled since: the file is still loading as far as this thread
        // knows. The player lets the load finish before its effect goes, so the effect hears
        // of the outcome during the delete; a load left running could outlive the program.
        QSoundEffect *effect = effectsOf(*player).first();
        QCOMPARE(effect->status(), QSoundEffect::Loading);
        QSignalSpy settled(effect, &QSoundEffect::statusChanged);
        delete owner;
        QVERIFY(!settled.isEmpty());
        QCoreApplication::processEvents();
    }
};

QTEST_GUILESS_MAIN(TestSoundPlayer)
#include "test_sound_player.moc"
