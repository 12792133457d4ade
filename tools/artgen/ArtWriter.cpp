// SPDX-License-Identifier: GPL-3.0-or-later
#include "ArtWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTextStream>

#include <cstdio>

namespace sorvada {

ArtWriter::ArtWriter(QString root) : m_root(std::move(root)) {}

QString ArtWriter::prepare(const QString &relativePath)
{
    const QString path = QDir(m_root).filePath(relativePath);
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        std::fprintf(stderr, "cannot create the folder of %s\n", qPrintable(path));
        m_ok = false;
        return {};
    }
    return path;
}

void ArtWriter::savePng(const QImage &img, const QString &relativePath)
{
    const QString path = prepare(relativePath);
    if (path.isEmpty())
        return;
    if (img.isNull() || !img.save(path, "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        m_ok = false;
        return;
    }
    ++m_written;
    std::printf("%s\n", qPrintable(path));
}

void ArtWriter::saveText(const QByteArray &text, const QString &relativePath)
{
    const QString path = prepare(relativePath);
    if (path.isEmpty())
        return;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        m_ok = false;
        return;
    }
    ++m_written;
    std::printf("%s\n", qPrintable(path));
}

QImage toExactIndexed8(const QImage &img)
{
    const QImage src = img.convertToFormat(QImage::Format_RGB32);
    QList<QRgb> table;
    QHash<QRgb, int> index;
    QImage out(src.size(), QImage::Format_Indexed8);
    for (int y = 0; y < src.height(); ++y) {
        for (int x = 0; x < src.width(); ++x) {
            const QRgb c = src.pixel(x, y) | 0xff000000u;
            auto it = index.constFind(c);
            if (it == index.constEnd()) {
                if (table.size() == 256)
                    return {};
                it = index.insert(c, int(table.size()));
                table.append(c);
            }
            out.scanLine(y)[x] = uchar(*it);
        }
    }
    out.setColorTable(table);
    return out;
}

} // namespace sorvada
