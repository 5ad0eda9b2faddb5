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
        PictureBox b;
        b.resize(600, 80);
        QCOMPARE(TuningDisplay::InitializeWaterfallSpectrum(b), 4000.0 / 1023);
        QCOMPARE(b.scaleWidth(), 1023.0);
        QCOMPARE(b.scaleHeight(), 64.0);
    }
};

QTEST_MAIN(TestTuningDisplay)
#include "tst_tuning_display.moc"
