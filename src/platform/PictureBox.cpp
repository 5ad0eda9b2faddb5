#include "PictureBox.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

namespace platform {

namespace {
constexpr double kCoordLimit = double(1 << 20);
} // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    // Every pixel comes from the back buffer; nothing of the parent needs painting first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    syncSize();
}

int PictureBox::roundCoord(double v) {
    if (std::isnan(v)) return 0;
    v = std::clamp(v, -kCoordLimit, kCoordLimit);
    double r = std::round(v); // halves away from zero; pull them back to the even neighbour
    if (std::fabs(v - std::trunc(v)) == 0.5) r = 2.0 * std::round(v / 2.0);
    return int(r);
}

QRgb PictureBox::toRgb(int32_t colour) {
    return qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

int32_t PictureBox::fromRgb(QRgb rgb) {
    return int32_t(qRed(rgb)) | int32_t(qGreen(rgb)) << 8 | int32_t(qBlue(rgb)) << 16;
}

// --- scale ---

void PictureBox::setPixelScale() {
    pixelScale_ = true;
}

void PictureBox::setScale(double width, double height) {
    if (!(width > 0 && height > 0) || !std::isfinite(width) || !std::isfinite(height)) return;
    pixelScale_ = false;
    scaleW_ = width;
    scaleH_ = height;
}

int PictureBox::pixelWidth() const {
    syncSize();
    return image_.width();
}

int PictureBox::pixelHeight() const {
    syncSize();
    return image_.height();
}

double PictureBox::scaleWidth() const {
    return pixelScale_ ? double(width()) : scaleW_;
}
double PictureBox::scaleHeight() const {
    return pixelScale_ ? double(height()) : scaleH_;
}

int PictureBox::toPixelX(double units) const {
    return roundCoord(pixelScale_ ? units : units * width() / scaleW_);
}

int PictureBox::toPixelY(double units) const {
    return roundCoord(pixelScale_ ? units : units * height() / scaleH_);
}

double PictureBox::toUnitsX(double pixels) const {
    if (pixelScale_) return pixels;
    return width() > 0 ? pixels * scaleW_ / width() : 0.0;
}

double PictureBox::toUnitsY(double pixels) const {
    if (pixelScale_) return pixels;
    return height() > 0 ? pixels * scaleH_ / height() : 0.0;
}

// --- buffer ---

void PictureBox::syncSize() const {
    const QSize want(std::max(0, width()), std::max(0, height()));
    if (image_.size() == want) return;
    QImage next(want, QImage::Format_RGB32);
    next.fill(toRgb(back_));
    const int rows = std::min(image_.height(), next.height());
    const int cols = std::min(image_.width(), next.width());
    for (int y = 0; y < rows && cols > 0; ++y)
        std::memcpy(next.scanLine(y), image_.constScanLine(y), size_t(cols) * sizeof(QRgb));
    image_ = std::move(next);
}

void PictureBox::changed() {
    if (updatePending_ || !isVisible()) return;
    updatePending_ = true;
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    updatePending_ = false;
    syncSize();
    QPainter p(this);
    p.drawImage(0, 0, image_);
}

void PictureBox::resizeEvent(QResizeEvent* event) {
    syncSize();
    QWidget::resizeEvent(event);
}

void PictureBox::hideEvent(QHideEvent* event) {
    updatePending_ = false;
    QWidget::hideEvent(event);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    emit mousePressed(toUnitsX(p.x()), toUnitsY(p.y()), event->button(), event->modifiers());
    event->accept();
}

// --- device-pixel drawing ---

void PictureBox::blockCopy(int dstX, int dstY, int w, int h, int srcX, int srcY) {
    syncSize();
    const long long W = image_.width(), H = image_.height();
    // Offsets (i, j) within the block for which both source and destination lie inside.
    const long long i0 = std::max({0LL, -(long long)srcX, -(long long)dstX});
    const long long i1 = std::min({(long long)w, W - srcX, W - dstX});
    const long long j0 = std::max({0LL, -(long long)srcY, -(long long)dstY});
    const long long j1 = std::min({(long long)h, H - srcY, H - dstY});
    if (i0 >= i1 || j0 >= j1) return;
    const size_t bytes = size_t(i1 - i0) * sizeof(QRgb);
    auto row = [&](long long j) {
        const uchar* s = image_.constScanLine(int(srcY + j)) + (srcX + i0) * sizeof(QRgb);
        uchar* d = image_.scanLine(int(dstY + j)) + (dstX + i0) * sizeof(QRgb);
        std::memmove(d, s, bytes);
    };
    // Walk the rows so that a source row is read before it is overwritten.
    if (dstY > srcY)
        for (long long j = j1 - 1; j >= j0; --j)
            row(j);
    else
        for (long long j = j0; j < j1; ++j)
            row(j);
    changed();
}

void PictureBox::setPixel(int x, int y, int32_t colour) {
    syncSize();
    plot(x, y, toRgb(colour));
    changed();
}

void PictureBox::moveTo(int x, int y) {
    curX_ = std::clamp(x, -(1 << 20), 1 << 20);
    curY_ = std::clamp(y, -(1 << 20), 1 << 20);
}

void PictureBox::lineTo(int x, int y) {
    syncSize();
    x = std::clamp(x, -(1 << 20), 1 << 20);
    y = std::clamp(y, -(1 << 20), 1 << 20);
    rasterLine(curX_, curY_, x, y, toRgb(fore_));
    curX_ = x;
    curY_ = y;
    changed();
}

void PictureBox::rasterLine(int x0, int y0, int x1, int y1, QRgb c) {
    const long long W = image_.width(), H = image_.height();
    // Step along the major axis, one pixel per step, the end point left out; the minor
    // coordinate is the exact line rounded (halves up). Only the steps whose major coordinate
    // lies inside the picture are walked, so a line reaching far outside costs no more.
    const long long dx = (long long)x1 - x0, dy = (long long)y1 - y0;
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    const long long n = xMajor ? std::llabs(dx) : std::llabs(dy); // steps
    if (n == 0) return;
    const long long start = xMajor ? x0 : y0;
    const long long step = (xMajor ? dx : dy) > 0 ? 1 : -1;
    const long long limit = xMajor ? W : H;
    const long long minorStart = xMajor ? y0 : x0;
    const long long minorDelta = xMajor ? dy : dx;
    // k such that start + k * step lies in [0, limit).
    long long k0 = step > 0 ? -start : start - (limit - 1);
    long long k1 = step > 0 ? limit - 1 - start : start;
    k0 = std::max(k0, 0LL);
    k1 = std::min(k1, n - 1);
    for (long long k = k0; k <= k1; ++k) {
        const long long num = 2 * k * minorDelta + n;
        long long q = num / (2 * n);
        if (num % (2 * n) != 0 && num < 0) --q;
        const long long major = start + k * step, minor = minorStart + q;
        if (xMajor)
            plot(int(major), int(std::clamp(minor, -1LL, H)), c);
        else
            plot(int(std::clamp(minor, -1LL, W)), int(major), c);
    }
}

void PictureBox::fillPixels(int x1, int y1, int x2, int y2, int32_t colour) {
    syncSize();
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    x1 = std::max(x1, 0);
    y1 = std::max(y1, 0);
    x2 = std::min(x2, image_.width() - 1);
    y2 = std::min(y2, image_.height() - 1);
    if (x1 > x2 || y1 > y2) return;
    const QRgb c = toRgb(colour);
    for (int y = y1; y <= y2; ++y)
        std::fill_n(reinterpret_cast<QRgb*>(image_.scanLine(y)) + x1, x2 - x1 + 1, c);
    changed();
}

// --- scale-unit drawing ---

void PictureBox::line(double x1, double y1, double x2, double y2, int32_t colour) {
    syncSize();
    rasterLine(toPixelX(x1), toPixelY(y1), toPixelX(x2), toPixelY(y2), toRgb(colour));
    changed();
}

void PictureBox::fillBox(double x1, double y1, double x2, double y2, int32_t colour) {
    fillPixels(toPixelX(x1), toPixelY(y1), toPixelX(x2), toPixelY(y2), colour);
}

void PictureBox::clear() {
    fill(back_);
}

void PictureBox::fill(int32_t colour) {
    syncSize();
    image_.fill(toRgb(colour));
    changed();
}

void PictureBox::drawText(double x, double y, const QString& text) {
    syncSize();
    if (image_.isNull() || text.isEmpty()) return;
    QPainter p(&image_);
    p.setFont(font());
    p.setPen(QColor::fromRgb(toRgb(fore_)));
    const QFontMetricsF fm(font());
    p.drawText(QPointF(toPixelX(x), toPixelY(y) + fm.ascent()), text);
    p.end();
    changed();
}

double PictureBox::textWidth(const QString& text) const {
    return toUnitsX(QFontMetricsF(font()).horizontalAdvance(text));
}

double PictureBox::textHeight() const {
    return toUnitsY(QFontMetricsF(font()).height());
}

// --- reading back ---

int32_t PictureBox::pixel(int x, int y) const {
    syncSize();
    if (unsigned(x) >= unsigned(image_.width()) || unsigned(y) >= unsigned(image_.height()))
        return -1;
    return fromRgb(image_.pixel(x, y));
}

const QImage& PictureBox::image() const {
    syncSize();
    return image_;
}

} // namespace platform
