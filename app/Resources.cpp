// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ResourceIds.h"
#include "app/Resources.h"

#include <QString>

namespace sorvada {

// The artwork is compiled in under :/pictures, :/cursors and :/icons, one
// file per resource number.

namespace {

bool isBoardPicture(int id)
{
    switch (id) {
    case res::IDB_LIGHT_SQUARE: case res::IDB_DARK_SQUARE:
    case res::IDB_BLUE_MAN: case res::IDB_LIGHT_MAN:
    case res::IDB_BLUE_KING: case res::IDB_LIGHT_KING:
    case res::IDB_PAL_LIGHT_SQUARE: case res::IDB_PAL_DARK_SQUARE:
    case res::IDB_PAL_BLUE_MAN: case res::IDB_PAL_LIGHT_MAN:
    case res::IDB_PAL_BLUE_KING: case res::IDB_PAL_LIGHT_KING:
        return true;
    default:
        return false;
    }
}

bool isCursor(int id)
{
    return id == res::IDC_NO || id == res::IDC_WAIT_TURN || id == res::IDC_OK;
}

} // namespace

QPixmap loadPicture(int id)
{
    if (!isBoardPicture(id))
        return QPixmap();
    return QPixmap(QStringLiteral(":/pictures/%1.png").arg(id));
}

QCursor loadCursor(int id)
{
    if (isCursor(id)) {
        const QPixmap shape(QStringLiteral(":/cursors/%1.png").arg(id));
        if (!shape.isNull())
            return QCursor(shape, 0, 0); // the arrow's tip
    }
    return QCursor(Qt::ArrowCursor);
}

QIcon loadAppIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128})
        icon.addFile(QStringLiteral(":/icons/sorvada-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace sorvada
