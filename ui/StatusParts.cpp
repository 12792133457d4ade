// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/StatusParts.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace sorvada {

StatusParts::StatusParts(QWidget *parent) : QStatusBar(parent)
{
    setSizeGripEnabled(false);
    setObjectName(QStringLiteral("statusBar"));
    setFixedHeight(fontMetrics().height() + 8);
}

void StatusParts::setPartText(int part, const QString &text)
{
    if (part < 0 || part >= PARTS || texts[part] == text)
        return;
    texts[part] = text;
    update(partRect(part));
}

QString StatusParts::partText(int part) const
{
    if (part < 0 || part >= PARTS)
        return QString();
    return texts[part];
}

QRect StatusParts::partRect(int part) const
{
    if (part < 0 || part >= PARTS)
        return QRect();
    const int left = part == 0 ? 0 : RIGHT_EDGES[part - 1];
    return QRect(left, 0, RIGHT_EDGES[part] - left, height());
}

void StatusParts::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    for (int part = 0; part < PARTS; ++part) {
        const QRect cell = partRect(part).adjusted(1, 2, -1, -1);
        QStyleOptionFrame frame;
        frame.initFrom(this);
        frame.rect = cell;
        frame.state |= QStyle::State_Sunken;
        frame.lineWidth = 1;
        style()->drawPrimitive(QStyle::PE_FrameStatusBarItem, &frame, &painter, this);
        const QRect textRect = cell.adjusted(3, 0, -3, 0);
        const QString shown = fontMetrics().elidedText(texts[part], Qt::ElideRight, textRect.width());
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, shown);
    }
}

} // namespace sorvada
