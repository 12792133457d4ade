// SPDX-License-Identifier: GPL-3.0-or-later
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// `cmake --install` into a temporary DESTDIR with the prefix the Debian
// packages use, then checks the file lists of the two packages, that the
// installed game would find its data and that the desktop finds the game and
// its icon.
class TestInstall : public QObject
{
    Q_OBJECT

    const QString build = QStringLiteral(SORVADA_BINARY_DIR);
    QTemporaryDir destDir;
    QString root;              // the DESTDIR, standing for /
    QStringList gameFiles;     // the game package's files, relative to the root
    QStringList lobbyFiles;    // the lobby package's
    QStringList manifest;      // both

    static QString runAndCapture(const QString &program, const QStringList &args,
                                 const QProcessEnvironment &env, int &exitCode)
    {
        QProcess p;
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::SeparateChannels);
        p.start(program, args);
        exitCode = -1;
        if (!p.waitForFinished(90000))
            return QStringLiteral("did not finish: ") + p.errorString();
        if (p.exitStatus() == QProcess::NormalExit)
            exitCode = p.exitCode();
        return QString::fromLocal8Bit(p.readAllStandardOutput() + p.readAllStandardError());
    }

    QString installedDesktopEntry() const
    {
        for (const QString &f : manifest)
            if (f.startsWith(QStringLiteral("usr/share/applications/")) && f.endsWith(QStringLiteral(".desktop")))
                return root + QLatin1Char('/') + f;
        return QString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(destDir.isValid());
        root = destDir.path();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), destDir.path());
        int code = -1;
        const QString output = runAndCapture(QStringLiteral(SORVADA_CMAKE_COMMAND),
                                             {QStringLiteral("--install"), build,
                                              QStringLiteral("--prefix"), QStringLiteral("/usr")},
                                             env, code);
        QVERIFY2(code == 0, qPrintable(output));

        for (QStringList *files : {&gameFiles, &lobbyFiles}) {
            const QString name = files == &gameFiles ? QStringLiteral("game") : QStringLiteral("lobby");
            QFile list(build + QStringLiteral("/packaging/installed-files-%1.txt").arg(name));
            QVERIFY2(list.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(list.fileName()));
            for (const QByteArray &line : list.readAll().split('\n'))
                if (!line.trimmed().isEmpty())
                    *files << QString::fromUtf8(line.trimmed());
        }
        manifest = gameFiles + lobbyFiles;
    }

    void everyPromisedFileIsInstalledAndNothingElse()
    {
        // Each package carries its own copyright and changelog; the game
        // lives where Debian keeps games.
        QStringList game = {
            QStringLiteral("usr/share/games/sorvada/sounds/start.wav"),
            QStringLiteral("usr/share/games/sorvada/sounds/message.wav"),
            QStringLiteral("usr/share/games/sorvada/help/index.html"),
            QStringLiteral("usr/share/games/sorvada/help/index.ru.html"),
            QStringLiteral("usr/share/man/man6/sorvada.6.gz"),
            QStringLiteral("usr/share/doc/sorvada/copyright"),
            QStringLiteral("usr/share/doc/sorvada/changelog.gz"),
        };
        QStringList lobby = {
            QStringLiteral("usr/share/man/man8/sorvada-lobby.8.gz"),
            QStringLiteral("usr/share/doc/sorvada-lobby/copyright"),
            QStringLiteral("usr/share/doc/sorvada-lobby/changelog.gz"),
            QStringLiteral("lib/systemd/system/sorvada-lobby.service"),
            QStringLiteral("etc/default/sorvada-lobby"),
        };
        if (SORVADA_HAS_GAME)
            game << QStringLiteral("usr/games/sorvada");
        if (SORVADA_HAS_LOBBY)
            lobby << QStringLiteral("usr/bin/sorvada-lobby");
        for (const QString &f : std::as_const(game))
            QVERIFY2(gameFiles.contains(f), qPrintable(f + QStringLiteral(" is not in the game package")));
        for (const QString &f : std::as_const(lobby))
            QVERIFY2(lobbyFiles.contains(f), qPrintable(f + QStringLiteral(" is not in the lobby package")));
        // Two packages that shared a file could not be installed together.
        for (const QString &f : std::as_const(gameFiles))
            QVERIFY2(!lobbyFiles.contains(f), qPrintable(f + QStringLiteral(" is in both packages")));
        QVERIFY(gameFiles.filter(QRegularExpression(QStringLiteral("^usr/share/metainfo/.+\\.metainfo\\.xml$"))).size() == 1);
        QVERIFY(!installedDesktopEntry().isEmpty());

        for (const QString &f : std::as_const(manifest)) {
            const QFileInfo info(root + QLatin1Char('/') + f);
            QVERIFY2(info.isFile() && info.size() > 0, qPrintable(f));
            if (f.startsWith(QStringLiteral("usr/bin/")) || f.startsWith(QStringLiteral("usr/games/")))
                QVERIFY2(info.isExecutable(), qPrintable(f));
        }

        // Nothing is installed that the lists do not name.
        QDirIterator all(root, QDir::Files, QDirIterator::Subdirectories);
        while (all.hasNext()) {
            const QString rel = all.next().mid(root.size() + 1);
            QVERIFY2(manifest.contains(rel), qPrintable(rel + QStringLiteral(" was installed but not listed")));
        }
    }

    void theInstalledProgramFindsItsData()
    {
        // The game in /usr/games looks beside itself, then in
        // /usr/share/games/sorvada; the probe uses the very same lookup.
        const QString probe = root + QStringLiteral("/usr/games/sorvada-datafile-probe");
        QVERIFY(QFile::copy(QStringLiteral(SORVADA_PROBE), probe));
        QVERIFY(QFile::setPermissions(probe, QFile::permissions(probe) | QFile::ExeUser));

        const QStringList names = {QStringLiteral("sounds/start.wav"), QStringLiteral("sounds/message.wav"),
                                   QStringLiteral("help/index.html"), QStringLiteral("sounds/absent.wav")};
        int code = -1;
        const QString output = runAndCapture(probe, names, QProcessEnvironment::systemEnvironment(), code);
        QCOMPARE(code, 0);
        const QStringList lines = output.split(QLatin1Char('\n'));
        QVERIFY2(lines.size() >= names.size(), qPrintable(output));
        const QString dataDir = QDir(root + QStringLiteral("/usr/share/games/sorvada")).canonicalPath();
        for (int i = 0; i < 3; ++i)
            QCOMPARE(QFileInfo(lines[i]).canonicalFilePath(), dataDir + QLatin1Char('/') + names[i]);
        QCOMPARE(lines[3], QString());
        QFile::remove(probe);
    }

    void theDesktopFindsTheProgramAndItsIcon()
    {
        QFile file(installedDesktopEntry());
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QString exec, icon;
        for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
            if (line.startsWith(QStringLiteral("Exec=")))
                exec = line.mid(5).trimmed();
            else if (line.startsWith(QStringLiteral("Icon=")))
                icon = line.mid(5).trimmed();
        }
        QVERIFY(!exec.isEmpty());
        QVERIFY(!icon.isEmpty());
        if (SORVADA_HAS_GAME)
            QVERIFY2(gameFiles.contains(QStringLiteral("usr/games/") + exec.section(QLatin1Char(' '), 0, 0)),
                     qPrintable(exec));

        // Every installed theme icon carries the name the entry asks for.
        const QStringList icons = gameFiles.filter(QStringLiteral("usr/share/icons/hicolor/"));
        for (const QString &f : icons)
            QCOMPARE(QFileInfo(f).completeBaseName(), icon);
        // Every size and the scalable one, always.
        for (const char *size : {"16x16", "32x32", "48x48", "64x64", "128x128"})
            QVERIFY2(icons.contains(QStringLiteral("usr/share/icons/hicolor/%1/apps/%2.png").arg(QLatin1String(size), icon)),
                     size);
        QVERIFY(icons.contains(QStringLiteral("usr/share/icons/hicolor/scalable/apps/%1.svg").arg(icon)));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
