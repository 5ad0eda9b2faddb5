// Cost of the tuning displays' redraws and of the pane arithmetic, per call.
// One waterfall row (scroll, 1024 pixels, markers) and one spectrum redraw run once per engine
// spectrum message, so they must stay far below the message interval.
#include "mainwindow/PaneArea.h"
#include "tuning/PaneSplits.h"
#include "tuning/TuningDisplay.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <QApplication>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Median of `rounds` timings of `reps` calls, in microseconds per call.
template <class F> double perCallUs(int rounds, int reps, F&& f) {
    std::vector<double> t;
    for (int r = 0; r < rounds; ++r) {
        const auto a = Clock::now();
        for (int i = 0; i < reps; ++i)
            f(i);
        t.push_back(std::chrono::duration<double, std::micro>(Clock::now() - a).count() / reps);
    }
    std::nth_element(t.begin(), t.begin() + long(t.size() / 2), t.end());
    return t[t.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    std::mt19937 rng(5);
    std::uniform_int_distribution<int32_t> mag(0, 300);
    std::vector<std::vector<int32_t>> spectra(16, std::vector<int32_t>(1024));
    for (auto& s : spectra)
        for (auto& v : s)
            v = mag(rng);

    psk::TuningDisplay display;
    psk::WaterfallInputs in;
    in.rcvFreqBin = {200, 500, 800};
    in.paneColor = {0x00C000, 0xC0C000, 0xC000C0};
    in.traceWidth = 3;
    in.xmitFreq = 1500;

    std::printf("%-44s %12s\n", "operation", "us per call");
    const int sizes[][2] = {{1023, 64}, {1023, 300}, {600, 64}};
    for (const auto& sz : sizes) {
        for (const bool visible : {false, true}) {
            platform::PictureBox box;
            box.resize(sz[0], sz[1]);
            if (visible) {
                box.show();
                QApplication::processEvents();
            }
            in.hzPerBin = psk::TuningDisplay::InitializeWaterfallSpectrum(box);
            in.kind = psk::ReceiveDisplay::Waterfall;
            const double row = perCallUs(15, 200, [&](int i) {
                in.fft = spectra[size_t(i) % spectra.size()].data();
                display.UpdateWaterfallDisplay(box, in);
            });
            in.kind = psk::ReceiveDisplay::Spectrum;
            const double redraw = perCallUs(15, 100, [&](int i) {
                in.fft = spectra[size_t(i) % spectra.size()].data();
                display.UpdateWaterfallDisplay(box, in);
            });
            const char* how = visible ? "shown" : "hidden";
            if (visible)
                std::printf("screen repaint %4d x %-3d                    %12.1f\n", sz[0], sz[1],
                            perCallUs(15, 50, [&](int) { box.repaint(); }));
            std::printf("waterfall row  %4d x %-3d %-6s              %12.1f\n", sz[0], sz[1], how,
                        row);
            std::printf("spectrum redraw %4d x %-3d %-6s             %12.1f\n", sz[0], sz[1], how,
                        redraw);
        }
    }

    platform::PictureBox vectors;
    vectors.resize(120, 120);
    display.InitializeVectorDisplay(vectors);
    int32_t v[16];
    for (auto& x : v)
        x = std::uniform_int_distribution<int32_t>(-1000, 1000)(rng);
    std::printf("%-44s %12.1f\n", "vector display 120 x 120",
                perCallUs(15, 200, [&](int) { display.UpdateVectorDisplay(vectors, v, 0xFF00); }));
    platform::PictureBox meter;
    meter.resize(200, 12);
    std::printf("%-44s %12.1f\n", "signal meter 200 x 12", perCallUs(15, 500, [&](int i) {
                    psk::TuningDisplay::UpdateSignalStrength(meter, i % 100, 50);
                }));

    using namespace display;
    const Span area{120, 420};
    PanePercentage p;
    PaneGeometry g = LayoutPanes(area, 4, PaneMode::PSK, p);
    volatile int sink = 0;
    std::printf("%-44s %12.3f\n", "UpdatePaneSplits (three panes)", perCallUs(15, 20000, [&](int) {
                    sink =
                        sink +
                        int(UpdatePaneSplits(area, PaneMode::PSK, g.splitters, p).panes[2].height);
                }));
    std::printf("%-44s %12.3f\n", "LayoutPanes (three panes)", perCallUs(15, 20000, [&](int) {
                    sink = sink + LayoutPanes(area, 4, PaneMode::PSK, p).panes[1].top;
                }));
    // The same on the window after a drag: the pane widgets move between the splitters.
    PaneArea paneArea;
    for (int i = 0; i < 3; ++i)
        paneArea.setPane(i, new QWidget);
    paneArea.resize(1000, 420);
    paneArea.show();
    QApplication::processEvents();
    std::printf("%-44s %12.3f\n", "PaneArea.UpdatePaneSplits (widgets, shown)",
                perCallUs(15, 2000, [&](int i) {
                    paneArea.Splitter[0]->move(0, 120 + (i & 1) * 20);
                    paneArea.UpdatePaneSplits(true);
                }));
    return 0;
}
