// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/BoardView.h"
#include "ui/CGameWnd.h"

#include <QMouseEvent>
#include <QPainter>

namespace sorvada {

BoardView::BoardView(CGameWnd &window, const QPixmap &backBuffer, QWidget *parent)
    : QWidget(parent), window(window), buffer(backBuffer)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setObjectName(QStringLiteral("board"));
}

void BoardView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect area = event->rect();
    // Where the window manager gives more room than the buffer covers, the
    // rest shows the window's ground colour.
    const QRegion outside = QRegion(area) - QRegion(buffer.rect());
    for (const QRect &r : outside)
        painter.fillRect(r, palette().color(QPalette::Window));
    painter.drawPixmap(area.intersected(buffer.rect()), buffer, area.intersected(buffer.rect()));
    ++paints;
    emit painted();
}

void BoardView::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    window.OnMouseMove(at.x(), at.y());
    QWidget::mouseMoveEvent(event);
}

void BoardView::leaveEvent(QEvent *event)
{
    window.OnMouseLeave();
    QWidget::leaveEvent(event);
}

void BoardView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        window.OnLButtonDown(at.x(), at.y());
    }
    QWidget::mousePressEvent(event);
}

} // namespace sorvada
