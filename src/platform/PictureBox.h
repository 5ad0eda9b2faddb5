#pragma once
// A picture box: a widget over a back buffer that the displays draw into with block copies,
// single pixels, lines, filled boxes and text. The screen only ever shows the back buffer, so
// drawing works the same whether or not the widget is visible, and tests read pixels back.
//
// Two coordinate systems, as the displays expect:
// - device pixels for the low-level calls (blockCopy, setPixel, moveTo/lineTo, fillPixels);
// - scale units for the picture's own methods (line, fillBox, drawText, textWidth) and for the
//   mouse. In pixel scale mode one unit is one pixel and the scale follows the widget's size;
//   a user scale (setScale) keeps its width and height in units whatever the widget's size.
//   A unit coordinate maps to pixel round(u * pixels / units), halves to even.
//
// Colours are 24-bit integers: red + 256 * green + 65536 * blue.
#include "Export.h"

#include <cstdint>
#include <QFont>
#include <QImage>
#include <QWidget>

namespace platform {

class TD_PLATFORM_EXPORT PictureBox : public QWidget {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);

    // Nearest integer with halves to even, clamped to +-(1 << 20) so that garbage coordinates
    // can neither overflow nor make a line walk for long; NaN gives 0.
    static int roundCoord(double v);
    static QRgb toRgb(int32_t colour);
    static int32_t fromRgb(QRgb rgb);

    // --- scale ---
    // Pixel scale mode: units are pixels and follow the widget's size.
    void setPixelScale();
    // User scale: the picture is `width` units across and `height` units down (both > 0;
    // other values are refused and the scale stays as it was).
    void setScale(double width, double height);
    bool isPixelScale() const { return pixelScale_; }
    double scaleWidth() const;
    double scaleHeight() const;
    int pixelWidth() const;
    int pixelHeight() const;
    int toPixelX(double units) const;
    int toPixelY(double units) const;
    double toUnitsX(double pixels) const;
    double toUnitsY(double pixels) const;

    // --- colours ---
    void setForeColor(int32_t colour) { fore_ = colour & 0xFFFFFF; }
    int32_t foreColor() const { return fore_; }
    // The colour `clear` fills with; existing contents are not repainted.
    void setBackColor(int32_t colour) { back_ = colour & 0xFFFFFF; }
    int32_t backColor() const { return back_; }

    // --- device-pixel drawing ---
    // Copies the w x h block at (srcX, srcY) to (dstX, dstY) within the buffer; overlapping
    // blocks copy as if through a temporary. Parts outside the buffer are skipped.
    void blockCopy(int dstX, int dstY, int w, int h, int srcX, int srcY);
    void setPixel(int x, int y, int32_t colour);
    // The current position for lineTo.
    void moveTo(int x, int y);
    // A line in the fore colour from the current position to (x, y), which becomes the current
    // position. The end pixel itself is not drawn, so joined segments draw each pixel once.
    void lineTo(int x, int y);
    // Fills pixels x1..x2, y1..y2 (both ends included, in any order), clipped.
    void fillPixels(int x1, int y1, int x2, int y2, int32_t colour);

    // --- scale-unit drawing ---
    // A line in `colour` between two points in units; end pixel excluded as for lineTo.
    void line(double x1, double y1, double x2, double y2, int32_t colour);
    // A filled box with corners (x1, y1) and (x2, y2) in units, both corners included.
    void fillBox(double x1, double y1, double x2, double y2, int32_t colour);
    // The whole picture in the back colour.
    void clear();
    // The whole picture in `colour`.
    void fill(int32_t colour);
    // Text in the fore colour with the top left of its line box at (x, y) in units.
    void drawText(double x, double y, const QString& text);
    double textWidth(const QString& text) const;
    double textHeight() const;

    // --- reading back ---
    int32_t pixel(int x, int y) const; // -1 outside the picture
    const QImage& image() const;

signals:
    // A mouse button went down; position in scale units.
    void mousePressed(double x, double y, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The buffer follows the widget's size; kept contents stay at the top left, new area in
    // the back colour. Called before every operation, so a hidden widget draws correctly too.
    void syncSize() const;
    void changed();
    void plot(int x, int y, QRgb c) {
        if (unsigned(x) < unsigned(image_.width()) && unsigned(y) < unsigned(image_.height()))
            reinterpret_cast<QRgb*>(image_.scanLine(y))[x] = c;
    }
    void rasterLine(int x0, int y0, int x1, int y1, QRgb c);

    mutable QImage image_;
    bool pixelScale_ = true;
    double scaleW_ = 0; // user scale only
    double scaleH_ = 0;
    int32_t fore_ = 0xFFFFFF;
    int32_t back_ = 0;
    int curX_ = 0;
    int curY_ = 0;
    bool updatePending_ = false;
};

} // namespace platform
