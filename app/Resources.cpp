#include "Resources.h"
#include "ResourceIds.h"

// Stand-in pictures until the drawn artwork is compiled in.
QPixmap loadPicture(int id)
{
    QPixmap p(40, 40);
    switch (id) {
    case res::IDB_LIGHT_SQUARE: case res::IDB_PAL_LIGHT_SQUARE: p.fill(QColor(230, 200, 150)); break;
    case res::IDB_DARK_SQUARE: case res::IDB_PAL_DARK_SQUARE: p.fill(QColor(120, 70, 30)); break;
    case res::IDB_LIGHT_MAN: case res::IDB_PAL_LIGHT_MAN: p.fill(QColor(250, 210, 210)); break;
    case res::IDB_BLUE_MAN: case res::IDB_PAL_BLUE_MAN: p.fill(QColor(40, 60, 200)); break;
    case res::IDB_LIGHT_KING: case res::IDB_PAL_LIGHT_KING: p.fill(QColor(250, 180, 180)); break;
    case res::IDB_BLUE_KING: case res::IDB_PAL_BLUE_KING: p.fill(QColor(20, 30, 150)); break;
    default: return QPixmap();
    }
    return p;
}

QCursor loadCursor(int)
{
    return QCursor(Qt::ArrowCursor);
}

QIcon loadAppIcon()
{
    return QIcon();
}
