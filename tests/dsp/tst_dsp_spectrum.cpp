// Spectrum frames and the noise generator's SNR definition.
#include "PskTestUtil.h"
#include "Spectrum.h"

#include <QTest>

#include <cmath>

using namespace psktest;

namespace {
std::vector<float> tone(double hz, double amp, double seconds) {
    std::vector<float> x(static_cast<size_t>(seconds * kRate));
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<float>(amp * std::sin(2 * M_PI * hz * static_cast<double>(i) / kRate));
    return x;
}
} // namespace

class TestSpectrum : public QObject {
    Q_OBJECT
private slots:
    void peakBin_data() {
        QTest::addColumn<double>("hz");
        for (double f : {200.0, 1000.0, 1234.5, 2001.96, 2500.3, 3500.0})
            QTest::newRow(qPrintable(QString::number(f))) << f;
    }
    void peakBin() {
        QFETCH(double, hz);
        dsp::Spectrum spectrum(kRate);
        spectrum.setMode(1, 64, 1); // low gain: the peak must not saturate into its neighbours
        const auto x = tone(hz, 0.3, 1.0);
        QVERIFY(spectrum.process(x.size(), x.data()) > 0);
        int32_t mag[1024];
        spectrum.magnitudes(mag, 0, 1023);
        const int peak = static_cast<int>(std::max_element(mag, mag + 1024) - mag);
        QCOMPARE(peak, static_cast<int>(std::lround(hz * 1023.0 / 4000.0)));
        QCOMPARE(dsp::Spectrum::binForFrequency(hz), peak);
        for (int k = 0; k < 1024; ++k)
            QVERIFY(mag[k] >= 0 && mag[k] <= 255);
    }

    void frameRate() {
        dsp::Spectrum spectrum(kRate);
        std::vector<float> x(static_cast<size_t>(10 * kRate), 0.0f);
        int frames = 0;
        for (size_t i = 0; i < x.size(); i += 333)
            frames += spectrum.process(std::min<size_t>(333, x.size() - i), x.data() + i);
        QVERIFY2(frames >= 80 && frames <= 100, qPrintable(QString::number(frames)));
    }

    void scaleFollowsLevelAndSettings() {
        auto level = [](double amp, int smoothing, int intensity, int contrast) {
            dsp::Spectrum spectrum(kRate);
            spectrum.setMode(smoothing, intensity, contrast);
            auto x = tone(1000.0, amp, 2.0);
            std::vector<float> noise(x.size(), 0.0f);
            addNoise(noise, 1.0, 60.0, 3); // a faint floor
            for (size_t i = 0; i < x.size(); ++i)
                x[i] += noise[i];
            spectrum.process(x.size(), x.data());
            int32_t v = 0;
            spectrum.magnitudes(&v, 256, 256);
            return v;
        };
        const int base = level(0.01, 1, 320, 5);
        QVERIFY(base > 0 && base < 255);
        QVERIFY(level(0.1, 1, 320, 5) > base);   // 20 dB stronger
        QVERIFY(level(0.01, 1, 640, 5) > base);  // brighter
        QVERIFY(level(0.01, 1, 64, 5) < base);   // darker
        QVERIFY(level(0.01, 1, 320, 10) > base); // more contrast above the floor
        // The program's whole contrast range acts: slider 0 (sent as 1) still shows a -40 dB
        // tone clearly (half-way up the spectrum trace), and 90 stretches further than 10.
        QVERIFY(level(0.01, 1, 320, 1) > 25);
        QVERIFY(level(0.01, 1, 320, 90) > level(0.01, 1, 320, 10));
        QCOMPARE(level(0.01, 1, 320, 5), level(0.01, 1, 320, 5));
        // Out-of-range settings are clamped, not trusted.
        QCOMPARE(level(0.01, 0, 9999, 500), level(0.01, 1, 640, 100));
    }

    void silenceIsZeroAndSubrangeCopies() {
        dsp::Spectrum spectrum(kRate);
        std::vector<float> x(static_cast<size_t>(kRate), 0.0f);
        spectrum.process(x.size(), x.data());
        int32_t all[1024];
        spectrum.magnitudes(all, 0, 1023);
        for (int32_t v : all)
            QCOMPARE(v, 0);
        const auto t = tone(500.0, 0.5, 1.0);
        spectrum.process(t.size(), t.data());
        spectrum.magnitudes(all, 0, 1023);
        int32_t part[11];
        spectrum.magnitudes(part, 123, 133);
        for (int k = 0; k < 11; ++k)
            QCOMPARE(part[k], all[123 + k]);
        spectrum.magnitudes(nullptr, 0, 10);
        spectrum.magnitudes(part, -50, 5); // clamped to 0..5
        QCOMPARE(part[0], all[0]);
    }

    void overload() {
        dsp::Spectrum spectrum(kRate);
        auto x = tone(700.0, 0.9, 0.2);
        spectrum.process(x.size(), x.data());
        QVERIFY(!spectrum.takeOverload());
        x[100] = 0.995f;
        spectrum.process(x.size(), x.data());
        QVERIFY(spectrum.takeOverload());
        QVERIFY(!spectrum.takeOverload());
        x[100] = -1.0f;
        spectrum.process(x.size(), x.data());
        QVERIFY(spectrum.takeOverload());
    }

    void noiseSnrDefinition() {
        // 0 dB: the noise within 3 kHz carries the signal's power, so the total noise variance
        // is 4/3 of it at 8000 Hz.
        QCOMPARE(dsp::noiseSigmaForSnr(1.0, 0.0, kRate), std::sqrt(4.0 / 3.0));
        QVERIFY(std::fabs(dsp::noiseSigmaForSnr(0.5, -12.0, kRate) -
                          std::sqrt(0.5 * std::pow(10.0, 1.2) * 4.0 / 3.0)) < 1e-12);
        std::vector<float> x(400000, 0.0f);
        dsp::GaussianNoise rng(77);
        const double sigma = dsp::addNoise(x.data(), x.size(), -10.0, rng, 0.25, kRate);
        const double measured = dsp::meanPower(x.data(), x.size());
        QVERIFY(std::fabs(measured / (sigma * sigma) - 1.0) < 0.01);
        QVERIFY(std::fabs(measured * 3000.0 / 4000.0 / (0.25 * 10.0) - 1.0) < 0.01);
        // Same seed, same noise.
        dsp::GaussianNoise a(5), b(5);
        for (int i = 0; i < 100; ++i)
            QCOMPARE(a.next(), b.next());
    }
};

QTEST_APPLESS_MAIN(TestSpectrum)
#include "tst_dsp_spectrum.moc"
