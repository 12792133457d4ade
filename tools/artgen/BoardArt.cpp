// SPDX-License-Identifier: GPL-3.0-or-later
#include "ArtWriter.h"
#include "BoardArt.h"
#include "Wood.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace sorvada {

// Squares are 40 x 40 but laid out 39 pixels apart: the right column and the
// bottom row of a picture lie under its neighbours. Every picture therefore
// carries the same one-pixel edge line on all four sides, so that wherever two
// pictures meet the joint is one line, and the outer edge of the board shows
// the same line. Pieces are painted over the empty dark square, so a piece
// picture matches that square everywhere outside the disc and its shadow.

namespace {

constexpr int kSize = 40;
const QPointF kCentre(20.0, 20.0);
constexpr double kRadius = 15.0;

struct DiscColours
{
    QColor face;   // the top of the disc
    QColor light;  // where the light falls on the top
    QColor side;   // the edge seen below the top
    QColor groove; // the ring cut into the top
    QColor halo;   // thin outline that lifts the crown off the disc
};

void drawTileEdges(QImage &img, const QColor &line, bool bevel)
{
    QPainter p(&img);
    p.setPen(line);
    p.drawRect(0, 0, kSize - 1, kSize - 1);
    if (!bevel)
        return;
    // A soft bevel inside the line: lit from the upper left.
    p.setPen(QColor(255, 255, 255, 46));
    p.drawLine(1, 1, kSize - 3, 1);
    p.drawLine(1, 2, 1, kSize - 3);
    p.setPen(QColor(0, 0, 0, 52));
    p.drawLine(2, kSize - 2, kSize - 2, kSize - 2);
    p.drawLine(kSize - 2, 1, kSize - 2, kSize - 3);
}

QImage richLightSquare()
{
    QImage img = drawWood(kSize, {QColor(236, 206, 160), QColor(204, 160, 106), true, 17u, 2.6});
    drawTileEdges(img, QColor(150, 108, 64), true);
    return img;
}

QImage richDarkSquare()
{
    QImage img = drawWood(kSize, {QColor(128, 78, 44), QColor(82, 46, 24), false, 41u, 3.1});
    drawTileEdges(img, QColor(58, 32, 16), true);
    return img;
}

QPainterPath crownPath(QPointF c)
{
    const double w = 8.6;
    QPainterPath path;
    path.moveTo(c.x() - w + 1.2, c.y() + 4.2);
    path.lineTo(c.x() - w, c.y() - 4.0);
    path.lineTo(c.x() - w / 2, c.y() + 0.4);
    path.lineTo(c.x(), c.y() - 5.8);
    path.lineTo(c.x() + w / 2, c.y() + 0.4);
    path.lineTo(c.x() + w, c.y() - 4.0);
    path.lineTo(c.x() + w - 1.2, c.y() + 4.2);
    path.closeSubpath();
    path.addRoundedRect(QRectF(c.x() - w + 1.2, c.y() + 5.2, 2 * w - 2.4, 2.8), 0.9, 0.9);
    const double ball = 1.45;
    path.addEllipse(QPointF(c.x() - w, c.y() - 4.4), ball, ball);
    path.addEllipse(QPointF(c.x(), c.y() - 6.3), ball, ball);
    path.addEllipse(QPointF(c.x() + w, c.y() - 4.4), ball, ball);
    return path.simplified();
}

void drawCrown(QPainter &p, QPointF centre, const QColor &halo)
{
    const QPainterPath path = crownPath(centre);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(halo, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.fillPath(path, Qt::black);
}

QImage richPiece(const QImage &square, const DiscColours &c, bool king)
{
    QImage img = square.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);

    // A soft shadow cast to the lower right.
    const QPointF shadowAt = kCentre + QPointF(1.4, 2.2);
    const double shadowR = kRadius + 2.2;
    QRadialGradient shadow(shadowAt, shadowR);
    shadow.setColorAt(0.0, QColor(0, 0, 0, 120));
    shadow.setColorAt(kRadius / shadowR, QColor(0, 0, 0, 90));
    shadow.setColorAt(1.0, QColor(0, 0, 0, 0));
    p.setBrush(shadow);
    p.drawEllipse(shadowAt, shadowR, shadowR);

    // The edge of the disc, showing below its top.
    p.setPen(QPen(c.side.darker(150), 0.8));
    p.setBrush(c.side);
    p.drawEllipse(kCentre + QPointF(0, 0.9), kRadius, kRadius);

    // The top, lit from the upper left.
    const QPointF top = kCentre - QPointF(0, 0.9);
    const double topR = kRadius - 0.7;
    QRadialGradient face(top, topR, top - QPointF(5.5, 6.5));
    face.setColorAt(0.0, c.light);
    face.setColorAt(0.6, c.face);
    face.setColorAt(1.0, c.face.darker(112));
    p.setPen(Qt::NoPen);
    p.setBrush(face);
    p.drawEllipse(top, topR, topR);

    // The ring cut into the top: dark wall, lit lip below it.
    p.setBrush(Qt::NoBrush);
    const double ringR = topR * 0.68;
    p.setPen(QPen(QColor(255, 255, 255, 80), 0.9));
    p.drawEllipse(top + QPointF(0.4, 0.6), ringR, ringR);
    p.setPen(QPen(c.groove, 1.0));
    p.drawEllipse(top, ringR, ringR);

    // The gleam on the upper left.
    const QPointF gleamAt = top - QPointF(6.0, 6.8);
    QRadialGradient gleam(gleamAt, 5.5);
    gleam.setColorAt(0.0, QColor(255, 255, 255, 170));
    gleam.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(gleam);
    p.drawEllipse(gleamAt, 5.5, 5.5);

    if (king)
        drawCrown(p, top + QPointF(0, 0.2), c.halo);
    p.end();
    return img.convertToFormat(QImage::Format_RGB32);
}

QImage flatSquare(const QColor &fill, const QColor &line)
{
    QImage img(kSize, kSize, QImage::Format_RGB32);
    img.fill(fill);
    drawTileEdges(img, line, false);
    return img;
}

QImage flatPiece(const QImage &square, const DiscColours &c, bool king)
{
    QImage img = square.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(c.side.darker(160), 1.0));
    p.setBrush(c.side);
    p.drawEllipse(kCentre + QPointF(0, 1.0), kRadius, kRadius);
    const QPointF top = kCentre - QPointF(0, 0.9);
    const double topR = kRadius - 0.8;
    p.setPen(Qt::NoPen);
    p.setBrush(c.face);
    p.drawEllipse(top, topR, topR);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(c.groove, 1.2));
    p.drawEllipse(top, topR * 0.68, topR * 0.68);
    if (king)
        p.fillPath(crownPath(top + QPointF(0, 0.2)), Qt::black);
    p.end();
    return img.convertToFormat(QImage::Format_RGB32);
}

} // namespace

QList<BoardPicture> drawRichSet()
{
    const DiscColours pale{QColor(247, 210, 214), QColor(255, 244, 246), QColor(192, 136, 146),
                           QColor(200, 146, 156), QColor(255, 236, 240, 150)};
    const DiscColours blue{QColor(46, 92, 206), QColor(150, 188, 255), QColor(20, 42, 118),
                           QColor(24, 52, 140), QColor(170, 200, 255, 150)};
    const QImage dark = richDarkSquare();
    return {
        {131, richLightSquare()},
        {133, dark},
        {136, richPiece(dark, pale, false)},
        {135, richPiece(dark, blue, false)},
        {138, richPiece(dark, pale, true)},
        {137, richPiece(dark, blue, true)},
    };
}

QList<BoardPicture> drawPaletteSet()
{
    const DiscColours paleYellow{QColor(250, 238, 150), {}, QColor(196, 164, 64),
                                 QColor(206, 180, 84), {}};
    const DiscColours blue{QColor(44, 84, 204), {}, QColor(20, 40, 120),
                           QColor(24, 52, 148), {}};
    const QImage dark = flatSquare(QColor(140, 88, 48), QColor(96, 58, 28));
    QList<BoardPicture> set{
        {150, flatSquare(QColor(206, 242, 242), QColor(150, 196, 196))},
        {149, dark},
        {152, flatPiece(dark, paleYellow, false)},
        {147, flatPiece(dark, blue, false)},
        {148, flatPiece(dark, paleYellow, true)},
        {151, flatPiece(dark, blue, true)},
    };
    for (BoardPicture &pic : set)
        pic.image = toExactIndexed8(pic.image);
    return set;
}

} // namespace sorvada
