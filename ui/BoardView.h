// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QWidget>

namespace sorvada {

class CGameWnd;

// The window's client area under the menu: shows the back buffer one to one
// and hands mouse moves and left clicks, in back-buffer coordinates, to the
// window. It never erases: painting only copies the buffer.
class BoardView : public QWidget
{
    Q_OBJECT
public:
    BoardView(CGameWnd &window, const QPixmap &backBuffer, QWidget *parent = nullptr);

    // Counts the paints, so that the first one can be timed and awaited.
    int paintCount() const { return paints; }

signals:
    void painted();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    CGameWnd &window;
    const QPixmap &buffer;
    int paints = 0;
};

} // namespace sorvada
