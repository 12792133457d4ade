// SPDX-License-Identifier: GPL-3.0-or-later
#include "IconArt.h"

#include <QPainter>
#include <QString>

#include <vector>

namespace sorvada {

namespace {

// Both renderers draw from this one description so that the bitmaps and the
// vector icon agree.
struct Disc
{
    double x, y, r;
    QColor fill, rim;
};

struct IconLayout
{
    double size;
    double inset;   // width of the frame around the squares
    double square;  // side of one of the 4 x 4 squares
    double corner;  // radius of the frame's corners
    double rimWidth;
    std::vector<Disc> discs;
};

const QColor kFrame(70, 70, 74);
const QColor kLightSquare(204, 204, 204);
const QColor kDarkSquare(128, 128, 132);

IconLayout layoutFor(int size)
{
    IconLayout l;
    l.size = size;
    // The frame is kept to whole pixels, so the squares land on the pixel grid
    // at every size; the smallest icon has no frame at all.
    l.inset = 2.0 * (size / 32);
    l.square = (size - 2 * l.inset) / 4.0;
    l.corner = size >= 32 ? size * 0.08 : 0.0;
    l.rimWidth = std::max(1.0, size / 40.0);
    const QColor blue(42, 84, 208), blueRim(18, 36, 112);
    const QColor yellow(248, 216, 64), yellowRim(150, 118, 14);
    for (int col = 0; col < 4; ++col) {
        // Dark squares are those with an odd row + column.
        const int topRow = 0, bottomRow = 3;
        const double cx = l.inset + (col + 0.5) * l.square;
        const double r = l.square * (size < 32 ? 0.42 : 0.38);
        if ((topRow + col) % 2 == 1)
            l.discs.push_back({cx, l.inset + 0.5 * l.square, r, blue, blueRim});
        if ((bottomRow + col) % 2 == 1)
            l.discs.push_back({cx, l.inset + 3.5 * l.square, r, yellow, yellowRim});
    }
    return l;
}

QString num(double v)
{
    return QString::number(v, 'g', 6);
}

QString svgColour(const QColor &c)
{
    return c.name(QColor::HexRgb);
}

} // namespace

QImage drawIcon(int size)
{
    const IconLayout l = layoutFor(size);
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(kFrame);
    p.drawRoundedRect(QRectF(0, 0, size, size), l.corner, l.corner);
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            p.fillRect(QRectF(l.inset + col * l.square, l.inset + row * l.square, l.square, l.square),
                       (row + col) % 2 ? kDarkSquare : kLightSquare);
    for (const Disc &d : l.discs) {
        p.setPen(QPen(d.rim, l.rimWidth));
        p.setBrush(d.fill);
        p.drawEllipse(QPointF(d.x, d.y), d.r - l.rimWidth / 2, d.r - l.rimWidth / 2);
        if (size >= 32) {
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, 110));
            p.drawEllipse(QPointF(d.x - d.r * 0.32, d.y - d.r * 0.32), d.r * 0.3, d.r * 0.3);
        }
    }
    p.end();
    return img.convertToFormat(QImage::Format_ARGB32);
}

QByteArray iconSvg()
{
    const IconLayout l = layoutFor(128);
    QString s;
    s += QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"128\" height=\"128\" "
                        "viewBox=\"0 0 128 128\">\n");
    s += QStringLiteral("  <rect x=\"0\" y=\"0\" width=\"128\" height=\"128\" rx=\"%1\" fill=\"%2\"/>\n")
             .arg(num(l.corner), svgColour(kFrame));
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            s += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%3\" fill=\"%4\"/>\n")
                     .arg(num(l.inset + col * l.square), num(l.inset + row * l.square), num(l.square),
                          svgColour((row + col) % 2 ? kDarkSquare : kLightSquare));
    for (const Disc &d : l.discs) {
        s += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"%4\" stroke=\"%5\" "
                            "stroke-width=\"%6\"/>\n")
                 .arg(num(d.x), num(d.y), num(d.r - l.rimWidth / 2), svgColour(d.fill),
                      svgColour(d.rim), num(l.rimWidth));
        s += QStringLiteral("  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"#ffffff\" "
                            "fill-opacity=\"0.43\"/>\n")
                 .arg(num(d.x - d.r * 0.32), num(d.y - d.r * 0.32), num(d.r * 0.3));
    }
    s += QStringLiteral("</svg>\n");
    return s.toUtf8();
}

} // namespace sorvada
