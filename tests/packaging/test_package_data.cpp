// SPDX-License-Identifier: GPL-3.0-or-later
#include "WavFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <cmath>

using namespace sorvada;

// The data files that travel with the program: the two sounds, the help page,
// and the desktop entry and metainfo generated at configure time.
class TestPackageData : public QObject
{
    Q_OBJECT

    const QString source = QStringLiteral(SORVADA_SOURCE_DIR);
    const QString build = QStringLiteral(SORVADA_BINARY_DIR);

    static QByteArray readAll(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Runs a validator; returns its exit code, with its output in `output`.
    static int run(const QString &program, const QStringList &args, QString &output)
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(program, args);
        if (!p.waitForFinished(60000))
            return -1;
        output = QString::fromLocal8Bit(p.readAll());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    QString generatedFile(const QString &pattern)
    {
        const QDir dir(build + QStringLiteral("/packaging"));
        const QStringList found = dir.entryList({pattern}, QDir::Files);
        return found.size() == 1 ? dir.filePath(found.first()) : QString();
    }

private slots:
    void soundsAreShortCleanPcm_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("start") << QStringLiteral("start.wav");
        QTest::newRow("message") << QStringLiteral("message.wav");
    }

    void soundsAreShortCleanPcm()
    {
        QFETCH(QString, name);
        const WavFile wav = WavFile::load(source + QStringLiteral("/assets/sounds/") + name);
        QVERIFY2(wav.valid, qPrintable(wav.error));
        QCOMPARE(wav.audioFormat, 1);
        QCOMPARE(wav.channels, 1);
        QCOMPARE(wav.sampleRate, 44100);
        QCOMPARE(wav.bitsPerSample, 16);
        QCOMPARE(wav.blockAlign, 2);
        QCOMPARE(wav.byteRate, 44100 * 2);

        QVERIFY2(wav.seconds() >= 0.05 && wav.seconds() <= 1.5, qPrintable(QString::number(wav.seconds())));

        // Loud enough to hear, never at full scale: the peak sits between -12
        // and -3 dBFS.
        const double peakDb = 20.0 * std::log10(wav.peak() / 32768.0);
        QVERIFY2(peakDb > -12.0 && peakDb < -3.0, qPrintable(QString::number(peakDb)));

        // Starts and ends in near silence, so playback does not click: the
        // first and last half millisecond stay under 1 % of full scale.
        const int edge = wav.sampleRate / 2000;
        QVERIFY2(wav.peakIn(0, edge) < 328, qPrintable(QString::number(wav.peakIn(0, edge))));
        QVERIFY2(wav.peakIn(wav.samples.size() - edge, edge) < 328,
                 qPrintable(QString::number(wav.peakIn(wav.samples.size() - edge, edge))));
        QCOMPARE(wav.samples.first(), qint16(0));
        QCOMPARE(wav.samples.last(), qint16(0));

        // The build-tree program finds the same file beside itself.
        QCOMPARE(readAll(build + QStringLiteral("/sounds/") + name),
                 readAll(source + QStringLiteral("/assets/sounds/") + name));
    }

    void theReaderRefusesBrokenFiles()
    {
        const QByteArray good = readAll(source + QStringLiteral("/assets/sounds/message.wav"));
        QVERIFY(WavFile::parse(good).valid);
        QVERIFY(!WavFile::parse(good.left(good.size() - 10)).valid);   // truncated
        QVERIFY(!WavFile::parse(QByteArray("RIFF")).valid);
        QByteArray notWave = good;
        notWave.replace(8, 4, "AVI ");
        QVERIFY(!WavFile::parse(notWave).valid);
        QByteArray eightBit = good;
        const qsizetype fmt = eightBit.indexOf("fmt ");
        QVERIFY(fmt > 0);
        eightBit[fmt + 8 + 14] = 8;
        QVERIFY(!WavFile::parse(eightBit).valid);
    }

    void soundGeneratorReproducesTheShippedFiles()
    {
        const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
        if (python.isEmpty())
            QSKIP("python3 is not installed");
        QTemporaryDir out;
        QVERIFY(out.isValid());
        QString output;
        QCOMPARE(run(python, {source + QStringLiteral("/tools/sounds/make_sounds.py"), out.path()}, output), 0);
        for (const QString &name : {QStringLiteral("start.wav"), QStringLiteral("message.wav")}) {
            const WavFile made = WavFile::load(out.filePath(name));
            const WavFile shipped = WavFile::load(source + QStringLiteral("/assets/sounds/") + name);
            QVERIFY2(made.valid && shipped.valid, qPrintable(name));
            QCOMPARE(made.samples.size(), shipped.samples.size());
            // Allow one step of rounding difference between maths libraries.
            for (qsizetype i = 0; i < made.samples.size(); ++i)
                QVERIFY2(std::abs(made.samples[i] - shipped.samples[i]) <= 1,
                         qPrintable(QStringLiteral("%1 sample %2").arg(name).arg(i)));
        }
    }

    void helpPageIsWellFormedAndItsLinksResolve_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("English") << QStringLiteral("index.html") << QStringLiteral("Network error.");
        QTest::newRow("Russian") << QStringLiteral("index.ru.html") << QStringLiteral("Ошибка сети.");
    }

    // Each language's page; the Russian one has every section the English
    // one has, under the same names, since the program opens them by name.
    void helpPageIsWellFormedAndItsLinksResolve()
    {
        QFETCH(QString, file);
        QFETCH(QString, message);
        const QString helpDir = source + QStringLiteral("/assets/help");
        const QByteArray page = readAll(helpDir + QLatin1Char('/') + file);
        QVERIFY(!page.isEmpty());

        QXmlStreamReader xml(page);
        QSet<QString> ids;
        QStringList anchors, files;
        QString title;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement())
                continue;
            const auto attrs = xml.attributes();
            if (attrs.hasAttribute(QStringLiteral("id"))) {
                const QString id = attrs.value(QStringLiteral("id")).toString();
                QVERIFY2(!ids.contains(id), qPrintable(QStringLiteral("duplicate id ") + id));
                ids.insert(id);
            }
            for (const char *name : {"href", "src"}) {
                const QString link = attrs.value(QLatin1String(name)).toString();
                if (link.startsWith(QLatin1Char('#')))
                    anchors << link.mid(1);
                else if (!link.isEmpty() && !link.contains(QLatin1Char(':')))
                    files << link;
            }
            if (xml.name() == QLatin1String("title"))
                title = xml.readElementText();
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString() + QStringLiteral(" at line ")
                                             + QString::number(xml.lineNumber())));
        QVERIFY(!title.isEmpty());
        QVERIFY(anchors.size() >= 10);
        for (const QString &anchor : anchors)
            QVERIFY2(ids.contains(anchor), qPrintable(QStringLiteral("no target for #") + anchor));
        for (const QString &file : files)
            QVERIFY2(QFile::exists(helpDir + QLatin1Char('/') + file), qPrintable(file));

        // The message a player looks up must be quoted exactly as the program shows it.
        QVERIFY(page.contains(message.toUtf8()));
        QVERIFY(ids.contains(QStringLiteral("about")));
        QSet<QString> englishIds;
        const QString english = QString::fromUtf8(readAll(helpDir + QStringLiteral("/index.html")));
        for (const QRegularExpressionMatch &m : QRegularExpression(QStringLiteral("id=\"([^\"]+)\"")).globalMatch(english))
            englishIds.insert(m.captured(1));
        QVERIFY(englishIds.size() >= 10);
        QVERIFY2(ids.contains(englishIds), qPrintable(QStringList((englishIds - ids).values()).join(' ')));

        QCOMPARE(readAll(build + QStringLiteral("/help/") + file), page);
    }

    void desktopEntryValidates()
    {
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        if (tool.isEmpty())
            QSKIP("desktop-file-validate is not installed");
        const QString desktop = generatedFile(QStringLiteral("*.desktop"));
        QVERIFY(!desktop.isEmpty());
        QString output;
        const int code = run(tool, {desktop}, output);
        QVERIFY2(code == 0 && output.trimmed().isEmpty(), qPrintable(output));

        const QString text = QString::fromUtf8(readAll(desktop));
        QVERIFY(text.contains(QRegularExpression(QStringLiteral("^Categories=.*Game;BoardGame;"),
                                                 QRegularExpression::MultilineOption)));
        // A click on an invitation link starts the game with the link as its one argument.
        QVERIFY(text.contains(QStringLiteral("\nExec=sorvada %u\n")));
        QVERIFY(text.contains(QStringLiteral("\nMimeType=x-scheme-handler/sorvada;\n")));
    }

    void metainfoValidates()
    {
        const QString tool = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
        if (tool.isEmpty())
            QSKIP("appstreamcli is not installed");
        const QString metainfo = generatedFile(QStringLiteral("*.metainfo.xml"));
        QVERIFY(!metainfo.isEmpty());
        QString output;
        const int code = run(tool, {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfo}, output);
        QVERIFY2(code == 0, qPrintable(output));

        // The component names the desktop entry that is installed with it.
        const QString id = QFileInfo(metainfo).fileName().remove(QStringLiteral(".metainfo.xml"));
        QVERIFY(readAll(metainfo).contains(("<launchable type=\"desktop-id\">" + id + ".desktop<").toUtf8()));
        QVERIFY(!generatedFile(id + QStringLiteral(".desktop")).isEmpty());
    }

    // The lobby's manual page and its --help name the same options, with the
    // same value names, so that neither can fall behind the other.
    void lobbyManualListsTheOptionsOfHelp()
    {
        QProcess lobby;
        lobby.start(QStringLiteral(SORVADA_LOBBY), {QStringLiteral("--help")});
        QVERIFY(lobby.waitForFinished(60000));
        QCOMPARE(lobby.exitCode(), 0);
        // "  -h, --help   Show ..." and "  --http-port <N>   TCP port ..."
        const QRegularExpression helpLine(QStringLiteral("^  (?:(-\\w), )?(--[\\w-]+)(?: <([^>]+)>)?"));
        QStringList fromHelp;
        for (const QString &line : QString::fromLocal8Bit(lobby.readAllStandardOutput()).split(QLatin1Char('\n'))) {
            const QRegularExpressionMatch m = helpLine.match(line);
            if (!m.hasMatch())
                continue;
            if (m.hasCaptured(1))
                fromHelp << m.captured(1);
            fromHelp << (m.captured(2) + (m.hasCaptured(3) ? QLatin1Char(' ') + m.captured(3) : QString()));
        }

        // In the OPTIONS section each option is the line after .TP:
        // ".BR \\-h \", \" \\-\\-help" or ".BI \\-\\-http\\-port \" N\"".
        const QString manual = QString::fromUtf8(readAll(build + QStringLiteral("/packaging/man/sorvada-lobby.8")));
        const qsizetype start = manual.indexOf(QStringLiteral("\n.SH OPTIONS\n"));
        QVERIFY(start >= 0);
        const qsizetype end = manual.indexOf(QStringLiteral("\n.SH "), start + 1);
        const QStringList lines = manual.mid(start, end - start).replace(QStringLiteral("\\-"), QStringLiteral("-"))
                                      .split(QLatin1Char('\n'));
        const QRegularExpression tagLine(QStringLiteral("^\\.B[IR] (-.*)$"));
        const QRegularExpression option(QStringLiteral("(--?[\\w-]+)(?: \"? ?([^\"]+)\")?"));
        QStringList fromManual;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QRegularExpressionMatch tag = tagLine.match(lines[i]);
            if (lines[i - 1] != QStringLiteral(".TP") || !tag.hasMatch())
                continue;
            const bool withValue = lines[i].startsWith(QStringLiteral(".BI"));
            for (const QRegularExpressionMatch &m : option.globalMatch(tag.captured(1)))
                fromManual << m.captured(1) + (withValue ? QLatin1Char(' ') + m.captured(2).trimmed() : QString());
        }

        fromHelp.sort();
        fromManual.sort();
        QVERIFY(fromHelp.contains(QStringLiteral("--http-port N")));
        QVERIFY2(fromManual == fromHelp,
                 qPrintable(QStringLiteral("--help: %1\nmanual: %2").arg(fromHelp.join(QStringLiteral(", ")),
                                                                       fromManual.join(QStringLiteral(", ")))));
    }
};

QTEST_GUILESS_MAIN(TestPackageData)
#include "test_package_data.moc"
