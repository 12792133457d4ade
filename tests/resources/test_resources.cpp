// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ResourceIds.h"
#include "app/Resources.h"

#include <QBitmap>
#include <QSet>
#include <QtTest>

using namespace sorvada;

using namespace res;

namespace {

struct PictureSet
{
    const char *name;
    int lightSquare, darkSquare, lightMan, blueMan, lightKing, blueKing;
};

const PictureSet kRich{"many colours", IDB_LIGHT_SQUARE, IDB_DARK_SQUARE, IDB_LIGHT_MAN,
                       IDB_BLUE_MAN, IDB_LIGHT_KING, IDB_BLUE_KING};
const PictureSet kPalette{"palette", IDB_PAL_LIGHT_SQUARE, IDB_PAL_DARK_SQUARE, IDB_PAL_LIGHT_MAN,
                          IDB_PAL_BLUE_MAN, IDB_PAL_LIGHT_KING, IDB_PAL_BLUE_KING};

QImage picture(int id)
{
    return loadPicture(id).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Pixels of rect that differ between a and b.
int differingPixels(const QImage &a, const QImage &b, const QRect &rect)
{
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

int nearBlackPixels(const QImage &img, const QRect &rect)
{
    int n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            n += qGray(img.pixel(x, y)) < 40;
    return n;
}

QRgb averageColour(const QImage &img, const QRect &rect)
{
    long r = 0, g = 0, b = 0, n = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x, ++n) {
            const QRgb c = img.pixel(x, y);
            r += qRed(c);
            g += qGreen(c);
            b += qBlue(c);
        }
    return qRgb(int(r / n), int(g / n), int(b / n));
}

const QRect kCentre(12, 12, 16, 16);
const QList<QRect> kCorners{QRect(0, 0, 3, 3), QRect(37, 0, 3, 3), QRect(0, 37, 3, 3),
                            QRect(37, 37, 3, 3)};

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

    static void pictureSets_data()
    {
        QTest::addColumn<int>("which");
        QTest::newRow(kRich.name) << 0;
        QTest::newRow(kPalette.name) << 1;
    }

private slots:
    void everyBoardPictureIs40By40()
    {
        for (int id : {131, 133, 135, 136, 137, 138, 147, 148, 149, 150, 151, 152}) {
            const QPixmap p = loadPicture(id);
            QVERIFY2(!p.isNull(), qPrintable(QString::number(id)));
            QCOMPARE(p.size(), QSize(40, 40));
        }
    }

    void otherNumbersGiveNoPicture()
    {
        for (int id : {-1, 0, 1, 2, 3, 50, 60, 128, 130, 132, 134, 139, 140, 144, 145, 146, 153, 1000})
            QVERIFY2(loadPicture(id).isNull(), qPrintable(QString::number(id)));
    }

    void piecesStandOnTheDarkSquare_data() { pictureSets_data(); }
    void piecesStandOnTheDarkSquare()
    {
        QFETCH(int, which);
        const PictureSet &set = which ? kPalette : kRich;
        const QImage empty = picture(set.darkSquare);
        QVERIFY(differingPixels(empty, picture(set.lightSquare), kCentre) > kCentre.width() * kCentre.height() / 2);
        for (int id : {set.lightMan, set.blueMan, set.lightKing, set.blueKing}) {
            const QImage piece = picture(id);
            // The disc covers the middle of the square...
            QVERIFY2(differingPixels(empty, piece, kCentre) > kCentre.width() * kCentre.height() * 9 / 10,
                     qPrintable(QString::number(id)));
            // ...and leaves the corners as bare as the empty square's.
            for (const QRect &corner : kCorners)
                QVERIFY2(differingPixels(empty, piece, corner) == 0, qPrintable(QString::number(id)));
        }
    }

    void menAreLightOrBlue_data() { pictureSets_data(); }
    void menAreLightOrBlue()
    {
        QFETCH(int, which);
        const PictureSet &set = which ? kPalette : kRich;
        for (int id : {set.lightMan, set.lightKing}) {
            const QColor c = QColor::fromRgb(averageColour(picture(id), QRect(15, 30, 10, 2)));
            QVERIFY2(c.lightness() > 170, qPrintable(QString::number(id)));
        }
        for (int id : {set.blueMan, set.blueKing}) {
            const QRgb c = averageColour(picture(id), QRect(15, 30, 10, 2));
            QVERIFY2(qBlue(c) > qRed(c) + 60 && qBlue(c) > qGreen(c) + 40, qPrintable(QString::number(id)));
        }
    }

    void aKingWearsABlackCrownItsManDoesNot_data() { pictureSets_data(); }
    void aKingWearsABlackCrownItsManDoesNot()
    {
        QFETCH(int, which);
        const PictureSet &set = which ? kPalette : kRich;
        const QList<QPair<int, int>> manAndKing{{set.lightMan, set.lightKing}, {set.blueMan, set.blueKing}};
        for (const auto &[man, king] : manAndKing) {
            QVERIFY(differingPixels(picture(man), picture(king), kCentre) > 40);
            QCOMPARE(nearBlackPixels(picture(man), kCentre), 0);
            QVERIFY2(nearBlackPixels(picture(king), kCentre) > 60, qPrintable(QString::number(king)));
        }
    }

    // Pictures are laid 39 pixels apart, so a picture's last column and row
    // lie under its neighbours' first: they must match for the joints to look
    // the same inside the board and along its outer edge.
    void oppositeEdgesMatch()
    {
        for (int id : {131, 133, 135, 136, 137, 138, 147, 148, 149, 150, 151, 152}) {
            const QImage img = picture(id);
            for (int i = 0; i < 40; ++i) {
                QVERIFY2(img.pixel(0, i) == img.pixel(39, i), qPrintable(QString::number(id)));
                QVERIFY2(img.pixel(i, 0) == img.pixel(i, 39), qPrintable(QString::number(id)));
            }
        }
    }

    void paletteSetKeepsTo256Colours()
    {
        for (int id : {147, 148, 149, 150, 151, 152}) {
            const QImage img = picture(id);
            QSet<QRgb> colours;
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    colours.insert(img.pixel(x, y));
            QVERIFY2(colours.size() <= 256, qPrintable(QString::number(id)));
        }
    }

    void cursorsAreTwoColourArrowsWithTheirLetters()
    {
        QList<QImage> shapes;
        for (int id : {IDC_NO, IDC_WAIT_TURN, IDC_OK}) {
            const QCursor cursor = loadCursor(id);
            QCOMPARE(cursor.shape(), Qt::BitmapCursor);
            QCOMPARE(cursor.hotSpot(), QPoint(0, 0));
            const QImage img = cursor.pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(img.size(), QSize(32, 32));
            // The arrow's tip is the hot spot.
            QCOMPARE(img.pixel(0, 0), qRgba(0, 0, 0, 255));
            int letterInk = 0;
            for (int y = 0; y < 32; ++y) {
                for (int x = 0; x < 32; ++x) {
                    const QRgb c = img.pixel(x, y);
                    const bool allowed = qAlpha(c) == 0 || c == qRgba(0, 0, 0, 255) || c == qRgba(255, 255, 255, 255);
                    QVERIFY2(allowed, qPrintable(QStringLiteral("%1 at %2,%3").arg(id).arg(x).arg(y)));
                    letterInk += x >= 16 && y >= 20 && c == qRgba(0, 0, 0, 255);
                }
            }
            QVERIFY2(letterInk > 20, qPrintable(QString::number(id)));
            for (const QImage &other : shapes)
                QVERIFY(other != img);
            shapes.append(img);
        }
    }

    void otherCursorNumbersGiveTheStandardArrow()
    {
        for (int id : {0, 139, 141, 146, int(IDB_DARK_SQUARE)})
            QCOMPARE(loadCursor(id).shape(), Qt::ArrowCursor);
    }

    void appIconHasSmallAndLargeImages()
    {
        const QIcon icon = loadAppIcon();
        QVERIFY(!icon.isNull());
        const QList<QSize> sizes = icon.availableSizes();
        for (int s : {16, 32, 48, 64, 128})
            QVERIFY2(sizes.contains(QSize(s, s)), qPrintable(QString::number(s)));
        const QImage small = icon.pixmap(QSize(16, 16)).toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(small.size(), QSize(16, 16));
        // Blue pieces along the top, yellow along the bottom.
        const QImage big = icon.pixmap(QSize(128, 128)).toImage().convertToFormat(QImage::Format_ARGB32);
        const QRgb top = averageColour(big, QRect(8, 8, 112, 28));
        const QRgb bottom = averageColour(big, QRect(8, 92, 112, 28));
        QVERIFY(qBlue(top) > qBlue(bottom) + 20);
        QVERIFY(qRed(bottom) > qBlue(bottom) + 20);
    }
};

QTEST_MAIN(TestResources)
#include "test_resources.moc"
