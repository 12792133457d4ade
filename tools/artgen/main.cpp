// SPDX-License-Identifier: GPL-3.0-or-later
// Draws every board picture, cursor and icon of the game and writes them as
// files under the folder named on the command line:
//   pictures/<number>.png   the 40 x 40 board pictures of both sets
//   cursors/<number>.png    the 32 x 32 cursors, hot spot at (0, 0)
//   icons/sorvada-<size>.png and icons/sorvada.svg
// Run with QT_QPA_PLATFORM=offscreen where there is no display.

#include "ArtWriter.h"
#include "BoardArt.h"
#include "CursorArt.h"
#include "IconArt.h"

#include <QGuiApplication>
#include <QStringList>

#include <cstdio>

using namespace sorvada;

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: sorvada-artgen <output-folder>\n");
        return 2;
    }
    ArtWriter out(args.at(1));

    for (const QList<BoardPicture> &set : {drawRichSet(), drawPaletteSet()})
        for (const BoardPicture &pic : set)
            out.savePng(pic.image, QStringLiteral("pictures/%1.png").arg(pic.id));

    for (const CursorPicture &cur : drawCursors())
        out.savePng(cur.image, QStringLiteral("cursors/%1.png").arg(cur.id));

    for (int size : {16, 32, 48, 64, 128})
        out.savePng(drawIcon(size), QStringLiteral("icons/sorvada-%1.png").arg(size));
    out.saveText(iconSvg(), QStringLiteral("icons/sorvada.svg"));

    std::fprintf(stderr, "%d files written\n", out.written());
    return out.ok() ? 0 : 1;
}
