#pragma once
// The drawing of the main window's PSK tuning displays: the waterfall or spectrum of the
// 0..4000 Hz passband with its channel and transmit markers, the phase-vector display and the
// signal meter. The transceiver module owns the engine polling and the settings; it passes
// everything a redraw needs, so this class keeps only the colour table and the vector geometry.
#include "platform/PictureBox.h"
#include <platform/Colors.h>

#include <array>
#include <cstdint>

namespace psk {

enum class ReceiveDisplay { Waterfall = 0, Spectrum = 1 };

// Everything one waterfall or spectrum redraw needs.
struct WaterfallInputs {
    const int32_t* fft = nullptr;       // kBins magnitudes; null draws nothing
    std::array<int, 3> rcvFreqBin{};    // each channel's frequency in bins
    std::array<int32_t, 3> paneColor{}; // each channel's marker colour
    int traceWidth = 1;                 // 1..8; markers are 2 * (width - 1) + 1 wide
    double xmitFreq = 0;                // Hz
    double hzPerBin = 4000.0 / 1023.0;  // as returned by InitializeWaterfallSpectrum
    bool txLocked = false;              // no transmit marker while locked
    ReceiveDisplay kind = ReceiveDisplay::Waterfall;
    int32_t spectrumColor = 0x00FF00; // spectrum trace
};

class TuningDisplay {
public:
    static constexpr int kBins = 1024;
    static constexpr double kScaleWidth = 1023;
    static constexpr double kScaleHeight = 64;
    static constexpr double kPassbandHz = 4000;
    static constexpr int32_t kRed = platform::kRed;
    static constexpr int32_t kYellow = platform::kYellow;
    static constexpr int32_t kBlue = platform::kBlue;

    TuningDisplay() { InitializeWaterfallColorTable(1); }

    // 0: grey ramp; anything else: black-blue-cyan-yellow-white.
    void InitializeWaterfallColorTable(int choice);
    int32_t waterfallColor(int index) const { return colorTable_[size_t(index & 0xFF)]; }
    const std::array<int32_t, 256>& colorTable() const { return colorTable_; }

    // Pixel scale, then the 1023 x 64 unit scale; returns Hz per bin (4000 / scale width).
    // Run again after every size change of the picture.
    static double InitializeWaterfallSpectrum(platform::PictureBox& waterfall);

    // One redraw per engine spectrum: a one-row scroll and a new top row, or a full spectrum
    // trace, with the markers. The picture must carry the scale set above.
    void UpdateWaterfallDisplay(platform::PictureBox& waterfall, const WaterfallInputs& in) const;
    static void ClearReceiveDisplay(platform::PictureBox& waterfall);
    // Audio frequency of a waterfall position in scale units.
    static double frequencyFromWaterfallX(double x, double hzPerBin = 4000.0 / 1023.0) {
        return hzPerBin * x;
    }

    // Centre and scale from the picture's current size (pixel scale).
    void InitializeVectorDisplay(platform::PictureBox& vectors);
    // Eight (x, y) points, 1000 = full radius, drawn as lines from the centre.
    void UpdateVectorDisplay(platform::PictureBox& vectors, const int32_t* vectorData,
                             int32_t colour) const;
    int vectorCentreX() const { return centreX_; }
    int vectorCentreY() const { return centreY_; }
    double vectorScale() const { return scale_; }

    // The signal meter: level 0..99 as a bar, red below the squelch threshold and yellow at
    // or above it, black beyond, then the threshold marker.
    static void UpdateSignalStrength(platform::PictureBox& meter, int level, int threshold);
    // The blue threshold marker, 21 units wide, centred on threshold / 99 of the width.
    static void drawSquelchMarker(platform::PictureBox& meter, int threshold);
    // The threshold a click at x (scale units) on the meter sets: 0..99, halves to even.
    static int squelchFromMeterX(double x, double meterWidth);

private:
    std::array<int32_t, 256> colorTable_{};
    int centreX_ = 0;
    int centreY_ = 0;
    double scale_ = 0;
};

} // namespace psk
