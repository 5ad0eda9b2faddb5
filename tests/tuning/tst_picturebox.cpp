// The picture box every drawn display relies on: scale mapping, GDI-like lines and block
// copies, boxes, resizing, the mouse signal, and that the screen shows the back buffer.
#include "platform/PictureBox.h"

#include <cmath>
#include <QSignalSpy>
#include <QTest>

using platform::PictureBox;

namespace {

constexpr int32_t kWhite = 0xFFFFFF;

// Pixels of row y (or column x) with the given colour.
int countRow(const PictureBox& b, int y, int32_t c) {
    int n = 0;
    for (int x = 0; x < b.pixelWidth(); ++x)
        n += b.pixel(x, y) == c;
    return n;
}
int countColumn(const PictureBox& b, int x, int32_t c) {
    int n = 0;
    for (int y = 0; y < b.pixelHeight(); ++y)
        n += b.pixel(x, y) == c;
    return n;
}

} // namespace

class TestPictureBox : public QObject {
    Q_OBJECT

private slots:
    void mapsUnitsToPixelsWithHalvesToEven() {
        PictureBox b;
        b.resize(10, 100);
        b.setScale(4, 64);
        QCOMPARE(b.toPixelX(1), 2); // 2.5
        QCOMPARE(b.toPixelX(3), 8); // 7.5
        QCOMPARE(b.toPixelX(4), 10);
        QCOMPARE(b.toPixelY(32), 50);
        QCOMPARE(b.toUnitsX(5), 2.0);
        // A refused scale leaves the earlier one.
        b.setScale(0, 10);
        b.setScale(std::nan(""), 10);
        QCOMPARE(b.scaleWidth(), 4.0);
        // Pixel scale follows the size; a user scale does not.
        b.resize(20, 50);
        QCOMPARE(b.scaleWidth(), 4.0);
        b.setPixelScale();
        QCOMPARE(b.scaleWidth(), 20.0);
        QCOMPARE(b.toPixelX(7.5), 8);
        QCOMPARE(PictureBox::roundCoord(1e300), 1 << 20);
        QCOMPARE(PictureBox::roundCoord(std::nan("")), 0);
    }

    void colourIntegersAreRedLow() {
        PictureBox b;
        b.resize(4, 4);
        b.setPixel(1, 1, 0x123456);
        QCOMPARE(b.pixel(1, 1), 0x123456);
        QCOMPARE(b.image().pixel(1, 1), qRgb(0x56, 0x34, 0x12));
        QCOMPARE(b.pixel(4, 0), -1);
        QCOMPARE(b.pixel(-1, 0), -1);
    }

    void lineLeavesOutItsEndPixel() {
        PictureBox b;
        b.resize(20, 20);
        b.setForeColor(kWhite);
        b.moveTo(2, 5);
        b.lineTo(8, 5);
        QCOMPARE(countRow(b, 5, kWhite), 6);
        QCOMPARE(b.pixel(2, 5), kWhite);
        QCOMPARE(b.pixel(8, 5), 0);
        // The next segment starts at the previous end, so a polyline has no gap.
        b.lineTo(8, 9);
        QCOMPARE(b.pixel(8, 5), kWhite);
        QCOMPARE(b.pixel(8, 9), 0);
        QCOMPARE(countColumn(b, 8, kWhite), 4);

        b.fill(0);
        b.moveTo(0, 0);
        b.lineTo(4, 4);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(b.pixel(i, i), kWhite);
        QCOMPARE(b.pixel(4, 4), 0);

        // A steep line: exactly one pixel per row, x never going backwards.
        b.fill(0);
        b.moveTo(0, 0);
        b.lineTo(3, 12);
        int lastX = 0;
        for (int y = 0; y < 12; ++y) {
            QCOMPARE(countRow(b, y, kWhite), 1);
            int x = 0;
            while (b.pixel(x, y) != kWhite)
                ++x;
            QVERIFY(x >= lastX && x <= 3);
            lastX = x;
        }
        QCOMPARE(countRow(b, 12, kWhite), 0);
    }

    void farAwayLinesDrawTheirVisiblePart() {
        PictureBox b;
        b.resize(50, 40);
        b.setForeColor(kWhite);
        b.moveTo(-2000000000, 20);
        b.lineTo(2000000000, 20);
        QCOMPARE(countRow(b, 20, kWhite), 50);
        b.moveTo(10, -5000000);
        b.lineTo(10, 5000000);
        QCOMPARE(countColumn(b, 10, kWhite), 40);
        b.line(-1e300, -1e300, std::nan(""), 1e300, kWhite); // must simply return
    }

    void blockCopyHandlesOverlapAndClipping() {
        PictureBox b;
        b.resize(8, 6);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 8; ++x)
                b.setPixel(x, y, y * 16 + x);
        // One row down, as the waterfall scrolls.
        b.blockCopy(0, 1, 8, 5, 0, 0);
        for (int y = 1; y < 6; ++y)
            for (int x = 0; x < 8; ++x)
                QCOMPARE(b.pixel(x, y), (y - 1) * 16 + x);
        QCOMPARE(b.pixel(3, 0), 3);
        // Up by two and right by three within the rows.
        b.blockCopy(0, 0, 8, 4, 0, 2);
        QCOMPARE(b.pixel(5, 0), 16 + 5);
        QCOMPARE(b.pixel(5, 3), 4 * 16 + 5);
        b.blockCopy(3, 0, 5, 1, 0, 0);
        QCOMPARE(b.pixel(3, 0), 16 + 0);
        QCOMPARE(b.pixel(7, 0), 16 + 4);
        // Blocks reaching outside copy what lies inside and nothing else.
        b.blockCopy(6, 5, 100, 100, 0, 0);
        QCOMPARE(b.pixel(6, 5), 16 + 0);
        QCOMPARE(b.pixel(7, 5), 16 + 1);
        b.blockCopy(-5, -5, 1 << 30, 1 << 30, 1 << 30, -(1 << 30));
    }

    void boxesIncludeBothCorners() {
        PictureBox b;
        b.resize(100, 10);
        b.setScale(10, 10);
        b.fillBox(5, 8, 2, 3, kWhite);        // corners in either order
        QCOMPARE(countRow(b, 5, kWhite), 31); // pixels 20..50
        QCOMPARE(b.pixel(19, 5), 0);
        QCOMPARE(b.pixel(50, 5), kWhite);
        QCOMPARE(countColumn(b, 30, kWhite), 6); // rows 3..8
        b.fillBox(-100, -100, 1e9, 1e9, 0x0000FF);
        QCOMPARE(countRow(b, 9, 0x0000FF), 100);
        b.setBackColor(0x00FF00);
        b.clear();
        QCOMPARE(b.pixel(99, 9), 0x00FF00);
    }

    void resizingKeepsTheTopLeft() {
        PictureBox b;
        b.setBackColor(0x0000FF);
        b.resize(10, 10);
        b.setPixel(2, 3, kWhite);
        b.setPixel(9, 9, kWhite);
        b.resize(20, 5);
        QCOMPARE(b.pixelWidth(), 20); // before anything is drawn at the new size
        QCOMPARE(b.pixelHeight(), 5);
        QCOMPARE(b.pixel(2, 3), kWhite);
        QCOMPARE(b.pixel(15, 2), 0x0000FF);
        b.resize(20, 20);
        QCOMPARE(b.pixel(2, 3), kWhite);
        QCOMPARE(b.pixel(9, 9), 0x0000FF); // cut off by the smaller size
        b.resize(0, 0);
        b.setPixel(0, 0, kWhite);
        b.fillBox(0, 0, 10, 10, kWhite);
        b.blockCopy(0, 1, 10, 10, 0, 0);
        QCOMPARE(b.pixel(0, 0), -1);
    }

    void textIsMeasuredInUnits() {
        PictureBox b;
        b.resize(200, 40);
        b.setForeColor(kWhite);
        const double px = b.textWidth("14071");
        QVERIFY(px > 10);
        b.setScale(100, 40);
        QCOMPARE(b.textWidth("14071"), px / 2);
        b.drawText(10, 0, "14071");
        int lit = 0, minX = 200, maxX = -1;
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 200; ++x)
                if (b.pixel(x, y) != 0) {
                    ++lit;
                    minX = std::min(minX, x);
                    maxX = std::max(maxX, x);
                }
        QVERIFY(lit > 20);
        QVERIFY(minX >= 20 && minX <= 22);
        QVERIFY(maxX < 20 + px + 1);
    }

    void mousePressReportsScaleUnits() {
        PictureBox b;
        b.resize(200, 100);
        b.setScale(1023, 64);
        b.show();
        QVERIFY(QTest::qWaitForWindowExposed(&b));
        QSignalSpy spy(&b, &PictureBox::mousePressed);
        QTest::mousePress(&b, Qt::LeftButton, Qt::ControlModifier, QPoint(100, 50));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy[0][0].toDouble(), 511.5);
        QCOMPARE(spy[0][1].toDouble(), 32.0);
        QCOMPARE(spy[0][2].value<Qt::MouseButton>(), Qt::LeftButton);
        QCOMPARE(spy[0][3].value<Qt::KeyboardModifiers>(), Qt::ControlModifier);
    }

    void screenShowsTheBackBuffer() {
        PictureBox b;
        b.resize(30, 20);
        b.show();
        QVERIFY(QTest::qWaitForWindowExposed(&b));
        b.fill(0x0000FF);
        b.setPixel(7, 4, kWhite);
        const QImage shot = b.grab().toImage();
        QCOMPARE(shot.pixel(7, 4), qRgb(255, 255, 255));
        QCOMPARE(shot.pixel(20, 10), qRgb(255, 0, 0));
    }
};

QTEST_MAIN(TestPictureBox)
#include "tst_picturebox.moc"
