#include "TuningDisplay.h"

#include <algorithm>

using platform::PictureBox;

namespace psk {

namespace {

int32_t rgb(int r, int g, int b) {
    return r + 256 * g + 65536 * b;
}

// A marker on the top row: one pixel, or a run of 2w + 1 pixels with black ends.
void drawMarker(PictureBox& box, int x, int w, int32_t colour) {
    if (w < 1) {
        box.setPixel(x, 0, colour);
        return;
    }
    box.setPixel(x - w, 0, 0);
    box.setPixel(x + w, 0, 0);
    for (int i = x - w + 1; i < x + w; ++i)
        box.setPixel(i, 0, colour);
}

} // namespace

void TuningDisplay::InitializeWaterfallColorTable(int choice) {
    if (choice == 0) {
        for (int i = 0; i < 256; ++i)
            colorTable_[size_t(i)] = rgb(i, i, i);
        return;
    }
    for (int k = 0; k < 64; ++k) {
        const int v = 4 * k;
        colorTable_[size_t(k)] = rgb(0, 0, v);
        colorTable_[size_t(64 + k)] = rgb(0, v, 255);
        colorTable_[size_t(128 + k)] = rgb(v, 255, std::min(255, 256 - v));
        colorTable_[size_t(192 + k)] = rgb(255, 255, v);
    }
    // The ramps stop at 252; their last entries are the pure colours.
    colorTable_[63] = rgb(0, 0, 255);
    colorTable_[127] = rgb(0, 255, 255);
    colorTable_[191] = rgb(255, 255, 0);
    colorTable_[255] = rgb(255, 255, 255);
}

double TuningDisplay::InitializeWaterfallSpectrum(PictureBox& waterfall) {
    waterfall.setPixelScale();
    waterfall.setScale(kScaleWidth, kScaleHeight);
    return kPassbandHz / waterfall.scaleWidth();
}

void TuningDisplay::ClearReceiveDisplay(PictureBox& waterfall) {
    waterfall.fill(0);
}

void TuningDisplay::UpdateWaterfallDisplay(PictureBox& wf, const WaterfallInputs& in) const {
    if (!in.fft) return;
    const double sw = wf.scaleWidth(), sh = wf.scaleHeight();
    if (!(sw > 0 && sh > 0)) return;
    const int H = wf.pixelHeight();
    const double xs = wf.pixelWidth() / sw;
    const double ys = H / sh;
    const bool haveBins = in.hzPerBin > 0;
    const auto round = PictureBox::roundCoord;

    if (in.kind == ReceiveDisplay::Waterfall) {
        // Scroll the whole picture: a block sized in scale units would leave every row below
        // the 63rd, and the last column, without history on a picture larger than the scale.
        wf.blockCopy(0, 1, wf.pixelWidth(), H - 1, 0, 0);
        for (int bin = 0; bin < kBins; ++bin) {
            const int32_t m = std::clamp<int32_t>(in.fft[bin], 0, 255);
            wf.setPixel(round(xs * bin), 0, colorTable_[size_t(m)]);
        }
        const int w = std::clamp(in.traceWidth, 1, 8) - 1;
        for (size_t ch = 0; ch < 3; ++ch)
            drawMarker(wf, round(xs * in.rcvFreqBin[ch]), w, in.paneColor[ch]);
        if (!in.txLocked && haveBins)
            drawMarker(wf, round(in.xmitFreq / in.hzPerBin * xs), w, kRed);
        return;
    }

    ClearReceiveDisplay(wf);
    wf.setForeColor(in.spectrumColor);
    wf.moveTo(0, H);
    for (int bin = 1; bin < kBins; ++bin)
        wf.lineTo(round(xs * bin), round(ys * (sh - double(in.fft[bin]))));
    // Full-height bars: the same pixels as a line from the top to H with its end left out.
    for (size_t ch = 0; ch < 3; ++ch) {
        const int x = round(xs * in.rcvFreqBin[ch]);
        wf.fillPixels(x, 0, x, H - 1, in.paneColor[ch]);
    }
    if (!in.txLocked && haveBins) {
        const int x = round(xs * round(in.xmitFreq / in.hzPerBin));
        wf.fillPixels(x, 0, x, H - 1, kRed);
    }
}

void TuningDisplay::InitializeVectorDisplay(PictureBox& vectors) {
    vectors.setPixelScale();
    centreX_ = PictureBox::roundCoord(vectors.scaleWidth() / 2);
    centreY_ = PictureBox::roundCoord(vectors.scaleHeight() / 2);
    const int radius = centreX_;
    scale_ = radius / 1000.0;
}

void TuningDisplay::UpdateVectorDisplay(PictureBox& vectors, const int32_t* vectorData,
                                        int32_t colour) const {
    vectors.setForeColor(colour);
    vectors.clear();
    if (!vectorData) return;
    for (int i = 0; i < 16; i += 2) {
        vectors.moveTo(centreX_, centreY_);
        vectors.lineTo(PictureBox::roundCoord(vectorData[i] * scale_ + centreX_),
                       PictureBox::roundCoord(vectorData[i + 1] * scale_ + centreY_));
    }
}

void TuningDisplay::UpdateSignalStrength(PictureBox& meter, int level, int threshold) {
    const double sw = meter.scaleWidth(), sh = meter.scaleHeight();
    const int x = PictureBox::roundCoord(level / 99.0 * sw);
    meter.fillBox(0, 0, x, sh - 1, level < threshold ? kRed : kYellow);
    meter.fillBox(x, 0, sw, sh - 1, 0);
    drawSquelchMarker(meter, threshold);
}

void TuningDisplay::drawSquelchMarker(PictureBox& meter, int threshold) {
    const double sw = meter.scaleWidth(), sh = meter.scaleHeight();
    const int x = PictureBox::roundCoord(threshold / 99.0 * sw);
    meter.fillBox(x - 10, 0, x + 10, sh - 1, kBlue);
}

int TuningDisplay::squelchFromMeterX(double x, double meterWidth) {
    if (!(meterWidth > 0)) return 0;
    return std::clamp(PictureBox::roundCoord(x / meterWidth * 99), 0, 99);
}

} // namespace psk
