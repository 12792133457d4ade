#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// `cmake --install` into a temporary DESTDIR with the prefix the Debian
// package uses, then checks that the installed program would find its data
// and that the desktop finds the program and its icon.
class TestInstall : public QObject
{
    Q_OBJECT

    const QString build = QStringLiteral(SORVADA_BINARY_DIR);
    QTemporaryDir destDir;
    QString prefix;            // <DESTDIR>/usr
    QStringList manifest;      // relative to the prefix

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
            if (f.startsWith(QStringLiteral("share/applications/")) && f.endsWith(QStringLiteral(".desktop")))
                return prefix + QLatin1Char('/') + f;
        return QString();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(destDir.isValid());
        prefix = destDir.path() + QStringLiteral("/usr");

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), destDir.path());
        int code = -1;
        const QString output = runAndCapture(QStringLiteral(SORVADA_CMAKE_COMMAND),
                                             {QStringLiteral("--install"), build,
                                              QStringLiteral("--prefix"), QStringLiteral("/usr")},
                                             env, code);
        QVERIFY2(code == 0, qPrintable(output));

        QFile list(build + QStringLiteral("/packaging/installed-files.txt"));
        QVERIFY(list.open(QIODevice::ReadOnly | QIODevice::Text));
        for (const QByteArray &line : list.readAll().split('\n'))
            if (!line.trimmed().isEmpty())
                manifest << QString::fromUtf8(line.trimmed());
    }

    void everyPromisedFileIsInstalledAndNothingElse()
    {
        QStringList required = {
            QStringLiteral("share/sorvada/sounds/start.wav"),
            QStringLiteral("share/sorvada/sounds/message.wav"),
            QStringLiteral("share/sorvada/help/index.html"),
        };
        if (SORVADA_HAS_GAME)
            required << QStringLiteral("bin/sorvada");
        if (SORVADA_HAS_LOBBY)
            required << QStringLiteral("bin/sorvada-lobby");
        for (const QString &f : required)
            QVERIFY2(manifest.contains(f), qPrintable(f + QStringLiteral(" is not among the installed files")));
        QVERIFY(manifest.filter(QRegularExpression(QStringLiteral("^share/metainfo/.+\\.metainfo\\.xml$"))).size() == 1);
        QVERIFY(!installedDesktopEntry().isEmpty());

        for (const QString &f : std::as_const(manifest)) {
            const QFileInfo info(prefix + QLatin1Char('/') + f);
            QVERIFY2(info.isFile() && info.size() > 0, qPrintable(f));
            if (f.startsWith(QStringLiteral("bin/")))
                QVERIFY2(info.isExecutable(), qPrintable(f));
        }

        // Nothing lands outside the prefix, and nothing unlisted inside it.
        QDirIterator all(destDir.path(), QDir::Files, QDirIterator::Subdirectories);
        while (all.hasNext()) {
            const QString path = all.next();
            QVERIFY2(path.startsWith(prefix + QLatin1Char('/')), qPrintable(path));
            const QString rel = path.mid(prefix.size() + 1);
            QVERIFY2(manifest.contains(rel), qPrintable(rel + QStringLiteral(" was installed but not listed")));
        }
    }

    void theInstalledProgramFindsItsData()
    {
        // A program in <prefix>/bin looks beside itself, then in
        // <prefix>/share/sorvada; the probe uses the very same lookup.
        const QString probe = prefix + QStringLiteral("/bin/sorvada-datafile-probe");
        QVERIFY(QFile::copy(QStringLiteral(SORVADA_PROBE), probe));
        QVERIFY(QFile::setPermissions(probe, QFile::permissions(probe) | QFile::ExeUser));

        const QStringList names = {QStringLiteral("sounds/start.wav"), QStringLiteral("sounds/message.wav"),
                                   QStringLiteral("help/index.html"), QStringLiteral("sounds/absent.wav")};
        int code = -1;
        const QString output = runAndCapture(probe, names, QProcessEnvironment::systemEnvironment(), code);
        QCOMPARE(code, 0);
        const QStringList lines = output.split(QLatin1Char('\n'));
        QVERIFY2(lines.size() >= names.size(), qPrintable(output));
        const QString dataDir = QDir(prefix + QStringLiteral("/share/sorvada")).canonicalPath();
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
            QVERIFY2(manifest.contains(QStringLiteral("bin/") + exec.section(QLatin1Char(' '), 0, 0)),
                     qPrintable(exec));

        // Every installed theme icon carries the name the entry asks for.
        const QStringList icons = manifest.filter(QStringLiteral("share/icons/hicolor/"));
        for (const QString &f : icons)
            QCOMPARE(QFileInfo(f).completeBaseName(), icon);
        if (icons.isEmpty())
            qWarning("no icons were installed (assets/icons is empty)");
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
