// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>
#include <QString>

namespace sorvada {

// Writes the generated files under one output folder and remembers whether
// every write succeeded.
class ArtWriter
{
public:
    explicit ArtWriter(QString root);

    // Saves img as <root>/<relativePath>, creating folders as needed.
    void savePng(const QImage &img, const QString &relativePath);
    void saveText(const QByteArray &text, const QString &relativePath);

    bool ok() const { return m_ok; }
    int written() const { return m_written; }

private:
    QString prepare(const QString &relativePath);

    QString m_root;
    bool m_ok = true;
    int m_written = 0;
};

// The same picture with an exact colour table, or a null image when it holds
// more than 256 colours.
QImage toExactIndexed8(const QImage &img);

} // namespace sorvada
