// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QString>
#include <QVector>

namespace sorvada {

// A RIFF/WAVE file read chunk by chunk: the "fmt " fields and the samples of a
// 16-bit PCM "data" chunk. Anything that is not well-formed RIFF gives
// valid == false and an error text.
struct WavFile
{
    bool valid = false;
    QString error;
    int audioFormat = 0;
    int channels = 0;
    int sampleRate = 0;
    int byteRate = 0;
    int blockAlign = 0;
    int bitsPerSample = 0;
    QVector<qint16> samples; // interleaved when channels > 1

    static WavFile parse(const QByteArray &bytes);
    static WavFile load(const QString &path);

    double seconds() const;
    int peak() const;                           // largest |sample|
    int peakIn(qsizetype from, qsizetype count) const;
};

} // namespace sorvada
