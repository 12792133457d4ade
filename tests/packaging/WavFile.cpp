// SPDX-License-Identifier: GPL-3.0-or-later
#include "WavFile.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>

namespace sorvada {

namespace {
quint32 u32(const char *p) { return qFromLittleEndian<quint32>(p); }
quint16 u16(const char *p) { return qFromLittleEndian<quint16>(p); }

WavFile fail(const QString &why)
{
    WavFile w;
    w.error = why;
    return w;
}
}

WavFile WavFile::parse(const QByteArray &bytes)
{
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return fail(QStringLiteral("not a RIFF/WAVE file"));
    const quint32 riffSize = u32(bytes.constData() + 4);
    if (riffSize + 8 != quint32(bytes.size()))
        return fail(QStringLiteral("RIFF size %1 does not match the file (%2 bytes)")
                        .arg(riffSize).arg(bytes.size()));

    WavFile w;
    bool haveFormat = false, haveData = false;
    qsizetype pos = 12;
    while (pos + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(pos, 4);
        const quint32 size = u32(bytes.constData() + pos + 4);
        const qsizetype body = pos + 8;
        if (size > quint32(bytes.size() - body))
            return fail(QStringLiteral("chunk '%1' runs past the end").arg(QString::fromLatin1(id)));
        const char *p = bytes.constData() + body;
        if (id == "fmt ") {
            if (size < 16)
                return fail(QStringLiteral("fmt chunk too short"));
            w.audioFormat = u16(p);
            w.channels = u16(p + 2);
            w.sampleRate = int(u32(p + 4));
            w.byteRate = int(u32(p + 8));
            w.blockAlign = u16(p + 12);
            w.bitsPerSample = u16(p + 14);
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                return fail(QStringLiteral("data chunk before fmt chunk"));
            if (w.bitsPerSample != 16 || w.audioFormat != 1)
                return fail(QStringLiteral("not 16-bit PCM"));
            if (size % 2 != 0)
                return fail(QStringLiteral("odd data size for 16-bit samples"));
            w.samples.resize(size / 2);
            for (qsizetype i = 0; i < w.samples.size(); ++i)
                w.samples[i] = qint16(u16(p + 2 * i));
            haveData = true;
        }
        pos = body + size + (size & 1); // chunks are padded to even length
    }
    if (!haveFormat || !haveData)
        return fail(QStringLiteral("fmt or data chunk missing"));
    w.valid = true;
    return w;
}

WavFile WavFile::load(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot open ") + path);
    return parse(file.readAll());
}

double WavFile::seconds() const
{
    if (sampleRate <= 0 || channels <= 0)
        return 0;
    return double(samples.size()) / channels / sampleRate;
}

int WavFile::peak() const { return peakIn(0, samples.size()); }

int WavFile::peakIn(qsizetype from, qsizetype count) const
{
    int top = 0;
    const qsizetype end = std::min(samples.size(), from + count);
    for (qsizetype i = std::max<qsizetype>(0, from); i < end; ++i)
        top = std::max(top, std::abs(int(samples[i])));
    return top;
}

} // namespace sorvada
