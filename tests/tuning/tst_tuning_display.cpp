// The PSK tuning displays, checked pixel by pixel in the back buffers: colour tables, waterfall
// rows and scrolling, markers, the spectrum trace, the phase vectors and the signal meter.
#include "tuning/TuningDisplay.h"

#include <cmath>
#include <QTest>
#include <vector>

using platform::PictureBox;
using psk::ReceiveDisplay;
using psk::TuningDisplay;

namespace {

constexpr int32_t kRed = 255, kYellow = 65535, kBlue = 16711680;
constexpr int32_t kPane0 = 0x00C000, kPane1 = 0xC0C000, kPane2 = 0xC000C0, kTrace = 0x00FF00;

int32_t rgb(int r, int g, int b) {
    return r + 256 * g + 65536 * b;
}

struct Fixture {
    PictureBox box;
    TuningDisplay display;
    std::vector<int32_t> fft = std::vector<int32_t>(1024, 100);
    psk::WaterfallInputs in;

    explicit Fixture(int w = 1023, int h = 64) {
        box.resize(w, h);
        in.hzPerBin = TuningDisplay::InitializeWaterfallSpectrum(box);
        TuningDisplay::ClearReceiveDisplay(box);
        in.fft = fft.data();
        in.rcvFreqBin = {200, 500, 800};
        in.paneColor = {kPane0, kPane1, kPane2};
        in.xmitFreq = 1500;
        in.spectrumColor = kTrace;
    }
    void draw() { display.UpdateWaterfallDisplay(box, in); }
    int count(int y, int32_t c) const {
        int n = 0;
        for (int x = 0; x < box.pixelWidth(); ++x)
            n += box.pixel(x, y) == c;
        return n;
    }
};

} // namespace

class TestTuningDisplay : public QObject {
    Q_OBJECT

private slots:
    void colourTables() {
        TuningDisplay d;
        d.InitializeWaterfallColorTable(1);
        QCOMPARE(d.waterfallColor(63), rgb(0, 0, 255));
        QCOMPARE(d.waterfallColor(127), rgb(0, 255, 255));
        QCOMPARE(d.waterfallColor(191), rgb(255, 255, 0));
        QCOMPARE(d.waterfallColor(255), rgb(255, 255, 255));
        QCOMPARE(d.waterfallColor(0), 0);
        QCOMPARE(d.waterfallColor(62), rgb(0, 0, 248));
        QCOMPARE(d.waterfallColor(64), rgb(0, 0, 255));
        QCOMPARE(d.waterfallColor(100), rgb(0, 144, 255));
        QCOMPARE(d.waterfallColor(128), rgb(0, 255, 255));
        QCOMPARE(d.waterfallColor(160), rgb(128, 255, 128));
        QCOMPARE(d.waterfallColor(254), rgb(255, 255, 248));
        d.InitializeWaterfallColorTable(0);
        for (int i = 0; i < 256; ++i)
            QCOMPARE(d.waterfallColor(i), rgb(i, i, i));
    }

    void topRowTakesClampedMagnitudes() {
        Fixture f;
        f.in.rcvFreqBin = {1000, 1000, 1000};
        f.in.txLocked = true;
        f.fft[10] = 300;
        f.fft[11] = -5;
        f.fft[12] = 254;
        f.draw();
        QCOMPARE(f.box.pixel(10, 0), f.display.waterfallColor(255));
        QCOMPARE(f.box.pixel(11, 0), f.display.waterfallColor(0));
        QCOMPARE(f.box.pixel(12, 0), f.display.waterfallColor(254));
        QCOMPARE(f.box.pixel(13, 0), f.display.waterfallColor(100));
    }

    void narrowPictureShowsTheLastBinOfAColumn() {
        Fixture f(512, 64);
        f.display.InitializeWaterfallColorTable(0);
        for (int b = 0; b < 1024; ++b)
            f.fft[size_t(b)] = b % 256;
        f.in.rcvFreqBin = {1023, 1023, 1023}; // off the picture
        f.in.txLocked = true;
        f.draw();
        // Bins 1 and 2 both land on column 1 (0.5005 and 1.001), bins 3 and 4 on column 2.
        QCOMPARE(f.box.pixel(1, 0), rgb(2, 2, 2));
        QCOMPARE(f.box.pixel(2, 0), rgb(4, 4, 4));
        QCOMPARE(f.box.pixel(511, 0), rgb(254, 254, 254)); // bin 1022; bin 1023 falls off
    }

    void markerWidths() {
        Fixture f;
        const int32_t bg = f.display.waterfallColor(100);
        f.in.traceWidth = 1;
        f.draw();
        QCOMPARE(f.count(0, kPane1), 1);
        QCOMPARE(f.box.pixel(500, 0), kPane1);
        QCOMPARE(f.box.pixel(499, 0), bg);
        QCOMPARE(f.box.pixel(501, 0), bg);

        f.in.traceWidth = 3;
        f.draw();
        QCOMPARE(f.count(0, kPane1), 3);
        for (int x = 499; x <= 501; ++x)
            QCOMPARE(f.box.pixel(x, 0), kPane1);
        QCOMPARE(f.box.pixel(498, 0), 0);
        QCOMPARE(f.box.pixel(502, 0), 0);
        QCOMPARE(f.box.pixel(497, 0), bg);
        QCOMPARE(f.box.pixel(503, 0), bg);
        // Each channel in its own pane colour.
        QCOMPARE(f.box.pixel(200, 0), kPane0);
        QCOMPARE(f.box.pixel(800, 0), kPane2);
    }

    void transmitMarkerOnlyWhileUnlocked() {
        for (const ReceiveDisplay kind : {ReceiveDisplay::Waterfall, ReceiveDisplay::Spectrum}) {
            Fixture f;
            f.in.kind = kind;
            f.in.traceWidth = 2;
            f.draw();
            QCOMPARE(f.box.pixel(384, 0), kRed); // 1500 Hz is bin 383.6
            f.in.txLocked = true;
            f.draw();
            QCOMPARE(f.count(0, kRed), 0);
            if (kind == ReceiveDisplay::Spectrum) QCOMPARE(f.count(40, kRed), 0);
        }
        // The waterfall rounds the column, the spectrum first the bin: at bin 256.4 on a
        // 2000-pixel picture that is column 501 (501.27) against 500 (256 -> 500.49).
        Fixture w(2000, 64);
        w.in.xmitFreq = 256.4 * 4000 / 1023;
        w.draw();
        QCOMPARE(w.box.pixel(501, 0), kRed);
        QVERIFY(w.box.pixel(500, 0) != kRed);
        w.in.kind = ReceiveDisplay::Spectrum;
        w.draw();
        QCOMPARE(w.box.pixel(500, 30), kRed);
        QCOMPARE(w.box.pixel(501, 30), 0);
    }

    void waterfallScrollsOneRow() {
        Fixture f;
        f.in.txLocked = true;
        f.in.rcvFreqBin = {1023, 1023, 1023};
        const int32_t rowColour[3] = {10, 200, 50};
        for (int32_t m : rowColour) {
            std::fill(f.fft.begin(), f.fft.end(), m);
            f.draw();
        }
        QCOMPARE(f.count(0, f.display.waterfallColor(50)), 1023);
        QCOMPARE(f.count(1, f.display.waterfallColor(200)), 1023);
        QCOMPARE(f.count(2, f.display.waterfallColor(10)), 1023);
        QCOMPARE(f.count(3, 0), 1023);
        // A picture taller than the scale keeps history all the way down.
        Fixture tall(1023, 200);
        tall.in = f.in;
        tall.in.fft = tall.fft.data();
        std::fill(tall.fft.begin(), tall.fft.end(), 100);
        for (int i = 0; i < 150; ++i)
            tall.draw();
        QCOMPARE(tall.count(149, tall.display.waterfallColor(100)), 1023);
        QCOMPARE(tall.count(150, 0), 1023);
    }

    void spectrumTraceAndBars() {
        Fixture f(1023, 128);
        f.in.kind = ReceiveDisplay::Spectrum;
        f.in.txLocked = true;
        std::fill(f.fft.begin(), f.fft.end(), 32);
        f.fft[700] = 64;
        f.draw();
        // Height 64 - 32 units at 2 pixels per unit, up to the last column; the trace
        // starts at the bottom-left corner, one row below the picture.
        QCOMPARE(f.box.pixel(100, 64), kTrace);
        QCOMPARE(f.box.pixel(1022, 64), kTrace);
        QCOMPARE(f.box.pixel(0, 127), kTrace);
        QCOMPARE(f.box.pixel(700, 0), kTrace); // magnitude 64 reaches the top
        QCOMPARE(f.box.pixel(100, 63), 0);
        for (int y = 0; y < 128; ++y)
            QCOMPARE(f.box.pixel(500, y), kPane1);
        // A redraw replaces the previous picture.
        f.in.rcvFreqBin = {201, 501, 801};
        f.draw();
        QCOMPARE(f.box.pixel(500, 10), 0);
        QCOMPARE(f.box.pixel(501, 10), kPane1);
    }

    void firstDrawAfterAResizeUsesTheNewSize() {
        PictureBox b;
        b.resize(1023, 128); // nothing drawn since
        TuningDisplay d;
        psk::WaterfallInputs in;
        in.hzPerBin = TuningDisplay::InitializeWaterfallSpectrum(b);
        std::vector<int32_t> fft(1024, 32);
        in.fft = fft.data();
        in.kind = ReceiveDisplay::Spectrum;
        in.spectrumColor = kTrace;
        in.rcvFreqBin = {1, 2, 3};
        d.UpdateWaterfallDisplay(b, in);
        QCOMPARE(b.pixel(100, 64), kTrace);
    }

    void waterfallClickFrequency() {
        QVERIFY(std::abs(TuningDisplay::frequencyFromWaterfallX(512) - 2001.96) < 0.005);
        QCOMPARE(std::lround(TuningDisplay::frequencyFromWaterfallX(512)), 2002L);
        PictureBox b;
        b.resize(600, 80);
        QCOMPARE(TuningDisplay::InitializeWaterfallSpectrum(b), 4000.0 / 1023);
        QCOMPARE(b.scaleWidth(), 1023.0);
        QCOMPARE(b.scaleHeight(), 64.0);
    }

    void vectorsRunFromTheCentre() {
        PictureBox b;
        b.resize(101, 81);
        TuningDisplay d;
        d.InitializeVectorDisplay(b);
        QCOMPARE(d.vectorCentreX(), 50); // 50.5 -> 50
        QCOMPARE(d.vectorCentreY(), 40); // 40.5 -> 40
        QCOMPARE(d.vectorScale(), 0.05);
        int32_t v[16] = {1000, 0, 0, -800, -500, 500, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        d.UpdateVectorDisplay(b, v, kTrace);
        for (int x = 50; x < 100; ++x)
            QCOMPARE(b.pixel(x, 40), kTrace);
        QCOMPARE(b.pixel(100, 40), 0);
        for (int y = 1; y <= 40; ++y)
            QCOMPARE(b.pixel(50, y), kTrace);
        QCOMPARE(b.pixel(50, 0), 0);
        QCOMPARE(b.pixel(26, 64), kTrace);
        QCOMPARE(b.pixel(25, 65), 0);
        // The next update clears the old vectors.
        int32_t w[16] = {0, 1000};
        d.UpdateVectorDisplay(b, w, kRed);
        QCOMPARE(b.pixel(70, 40), 0);
        QCOMPARE(b.pixel(50, 60), kRed);
    }

    void signalMeter() {
        PictureBox m;
        m.resize(99, 10);
        TuningDisplay::UpdateSignalStrength(m, 20, 50);
        for (int y = 0; y < 10; ++y) {
            QCOMPARE(m.pixel(0, y), kRed);
            QCOMPARE(m.pixel(19, y), kRed);
            QCOMPARE(m.pixel(20, y), 0);
            QCOMPARE(m.pixel(39, y), 0);
            QCOMPARE(m.pixel(40, y), kBlue);
            QCOMPARE(m.pixel(60, y), kBlue);
            QCOMPARE(m.pixel(61, y), 0);
        }
        TuningDisplay::UpdateSignalStrength(m, 50, 50); // at the threshold: yellow
        QCOMPARE(m.pixel(39, 5), kYellow);
        QCOMPARE(m.pixel(45, 5), kBlue);
        TuningDisplay::UpdateSignalStrength(m, 99, 10);
        QCOMPARE(m.pixel(98, 9), kYellow);
        QCOMPARE(m.pixel(0, 0), kBlue); // marker 0..20 at threshold 10
        QCOMPARE(m.pixel(21, 0), kYellow);

        QCOMPARE(TuningDisplay::squelchFromMeterX(100, 200), 50); // 49.5 -> 50
        QCOMPARE(TuningDisplay::squelchFromMeterX(500, 200), 99);
        QCOMPARE(TuningDisplay::squelchFromMeterX(-3, 200), 0);
        QCOMPARE(TuningDisplay::squelchFromMeterX(3, 0), 0);
    }
};

QTEST_MAIN(TestTuningDisplay)
#include "tst_tuning_display.moc"
