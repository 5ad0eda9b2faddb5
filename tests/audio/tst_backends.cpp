// The pieces between the sound card and the DSP: the lock-free ring, rate conversion, the
// real-time pacing of files and the simulated band, the simulated band itself (the engine test
// decodes its stations), and PortAudio's device handling on a machine that may have no card.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <QProcess>
#include <QTest>
#include <thread>

#include "PortAudioDevice.h"
#include "RealTimeSource.h"
#include "Resampler.h"
#include "SampleRing.h"
#include "SimBand.h"
#include "ToneMeter.h"

namespace {

// A source that gives a fixed number of ones, then ends.
class CountedSource : public audio::SampleSource {
public:
    explicit CountedSource(size_t n) : left_(n) {}
    size_t read(float* out, size_t max) override {
        const size_t n = std::min(max, left_);
        std::fill(out, out + n, 1.0f);
        left_ -= n;
        return n;
    }
    bool ended() const override { return left_ == 0; }

private:
    size_t left_;
};

double bandPower(const std::vector<float>& x, double f, double rate) {
    // Mean of tone amplitudes over a few bins around f: power of a signal-wide hump.
    double sum = 0;
    for (double df = -20; df <= 20; df += 5)
        sum += std::pow(tonetest::toneAmplitude(x.data(), x.size(), f + df, rate), 2);
    return sum;
}

} // namespace

class TestBackends : public QObject {
    Q_OBJECT
private slots:
    // One producer and one consumer thread: every sample arrives once, in order.
    void ringAcrossThreads() {
        audio::SampleRing<uint32_t> ring(1024);
        constexpr uint32_t kCount = 2'000'000;
        std::thread producer([&ring] {
            uint32_t next = 0, block[97];
            while (next < kCount) {
                const uint32_t n = std::min<uint32_t>(97, kCount - next);
                for (uint32_t i = 0; i < n; ++i)
                    block[i] = next + i;
                next += uint32_t(ring.push(block, n));
            }
        });
        uint32_t expected = 0;
        bool inOrder = true;
        uint32_t block[61];
        while (expected < kCount) {
            const size_t n = ring.pop(block, 61);
            for (size_t i = 0; i < n; ++i)
                inOrder = inOrder && block[i] == expected++;
        }
        producer.join();
        QVERIFY(inOrder);
        QCOMPARE(ring.available(), size_t(0));
    }

    void resampler_data() {
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::newRow("48000 -> 8000") << 48000.0 << 8000.0;
        QTest::newRow("44100 -> 8000") << 44100.0 << 8000.0;
        QTest::newRow("8000 -> 44100") << 8000.0 << 44100.0;
        QTest::newRow("8000 -> 48000") << 8000.0 << 48000.0;
        QTest::newRow("8000 ppm") << 8000.0 * (1 + 300e-6) << 8000.0;
    }
    // Tones in the PSK passband keep frequency and level; tones above the new Nyquist
    // frequency are removed rather than folded back into the passband.
    void resampler() {
        QFETCH(double, from);
        QFETCH(double, to);
        audio::Resampler r(from, to);
        QVERIFY(!r.passthrough());
        const size_t n = size_t(from * 2);
        auto in = tonetest::tone(1500, 0.5, from, n);
        if (from > 8000 * 1.01) {
            const auto alias = tonetest::tone(5000, 0.3, from, n); // would land on 3000 Hz
            for (size_t i = 0; i < n; ++i)
                in[i] += alias[i];
        }
        std::vector<float> out;
        for (size_t pos = 0; pos < n; pos += 1000) // in blocks, as the device path does
            r.process(in.data() + pos, std::min<size_t>(1000, n - pos), out);
        // The filter holds back latency() samples until more input (or flushing zeros) comes.
        QVERIFY(std::abs(double(out.size()) - double(n - r.latency()) * to / from) < 3);
        const std::vector<float> zeros(r.latency(), 0.0f);
        r.process(zeros.data(), zeros.size(), out);
        QVERIFY(std::abs(double(out.size()) - double(n) * to / from) < 3);
        const size_t skip = size_t(to / 4);
        const size_t len = out.size() - 2 * skip;
        QVERIFY(std::abs(tonetest::toneAmplitude(out.data() + skip, len, 1500, to) - 0.5) < 0.005);
        // In phase with the input: no delay.
        const auto expect = tonetest::tone(1500, 0.5, to, out.size());
        double err = 0;
        for (size_t i = skip; i < skip + len; ++i)
            err = std::max(err, double(std::abs(out[i] - expect[i])));
        QVERIFY2(err < 0.01, qPrintable(QString::number(err)));
        if (to == 8000.0 && from > 8000 * 1.01)
            QVERIFY(tonetest::toneAmplitude(out.data() + skip, len, 3000, to) < 0.0005);
    }

    // The pacing wrapper hands out no more than the clock allows, at most a second's worth
    // after a stall, and silence once its source has ended.
    void realTimePacing() {
        audio::RealTimeSource paced(std::make_unique<CountedSource>(100), 64.0);
        QVERIFY(paced.paced());
        std::vector<float> buf(40000, -5.0f);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const size_t got = paced.read(buf.data(), buf.size());
        QVERIFY(got >= 1);
        QVERIFY2(got <= size_t(audio::kWorkingRate), qPrintable(QString::number(got)));
        QCOMPARE(buf[0], 1.0f);
        QCOMPARE(buf[99], 1.0f);
        if (got > 100) {
            QCOMPARE(buf[100], 0.0f); // silence after the end
            QCOMPARE(buf[got - 1], 0.0f);
        }
        QCOMPARE(buf[got], -5.0f); // nothing written past what was returned
    }

    // Same seed, same band; another seed, another band.
    void simBandIsSeeded() {
        audio::SimBand a(11), b(11), c(12);
        std::vector<float> x(20000), y(20000), z(20000);
        QCOMPARE(a.read(x.data(), x.size()), x.size());
        b.read(y.data(), 7000); // block sizes must not matter
        b.read(y.data() + 7000, 13000);
        c.read(z.data(), z.size());
        QVERIFY(x == y);
        QVERIFY(x != z);
    }

    // After a while every station has been on the air at its frequency, well above a quiet
    // stretch of the band; our own transmission comes back at +10 dB.
    void simBandSpectrum() {
        audio::SimBand band(5);
        std::vector<float> x(8000 * 40);
        band.read(x.data(), x.size());
        const double quiet = bandPower(x, 3500, 8000);
        for (size_t i = 0; i < band.plan().size(); ++i) {
            const auto& s = band.plan()[i];
            QVERIFY2(!band.sentText(i).empty(), qPrintable(QString::number(i)));
            if (s.snrDb > 0)
                QVERIFY2(bandPower(x, s.frequency, 8000) > 3 * quiet,
                         qPrintable(QString::number(s.frequency)));
        }
        // Peak level leaves room: no clipping from the sum of all stations.
        float peak = 0;
        for (float v : x)
            peak = std::max(peak, std::abs(v));
        QVERIFY2(peak < 0.9f, QByteArray::number(peak));

        // Our own transmission mutes the band, as it mutes a radio's receiver, until shortly
        // after it ends; asked to, the band hears it instead.
        auto own = tonetest::tone(3300, 0.9, 8000, 16000);
        QCOMPARE(band.loopback().write(own.data(), own.size()), own.size());
        std::vector<float> y(17600);
        band.read(y.data(), y.size());
        QVERIFY(std::all_of(y.begin(), y.begin() + 16000, [](float v) { return v == 0.0f; }));
        QVERIFY(std::any_of(y.begin() + 16900, y.end(), [](float v) { return v != 0.0f; }));
        band.setHearOwnSignal(true);
        band.loopback().write(own.data(), own.size());
        y.resize(16000);
        band.read(y.data(), y.size());
        const double amp = tonetest::toneAmplitude(y.data(), y.size(), 3300, 8000);
        const double expect = 0.9 * audio::SimBand::gainForSnr(audio::SimBand::kLoopbackSnrDb);
        QVERIFY(std::abs(amp - expect) < 0.05 * expect);
    }

    // Device numbers: -1..3 are asked for, anything else refused before PortAudio is touched;
    // a number past the machine's capture devices is "no such device".
    void deviceNumbers() {
        std::unique_ptr<audio::PortAudioCapture> capture;
        std::string detail;
        QVERIFY(audio::PortAudioCapture::open(4, capture, detail) ==
                audio::OpenResult::BadArgument);
        QVERIFY(audio::PortAudioCapture::open(-2, capture, detail) ==
                audio::OpenResult::BadArgument);
        std::unique_ptr<audio::PortAudioPlayback> playback;
        QVERIFY(audio::PortAudioPlayback::open(7, playback, detail) ==
                audio::OpenResult::BadArgument);
        QVERIFY(!capture && !playback);
        const auto devices = audio::captureDevices();
        for (int card = int(devices.size()); card <= 3; ++card) {
            QVERIFY(audio::PortAudioCapture::open(card, capture, detail) ==
                    audio::OpenResult::NoDevice);
            QVERIFY(!capture);
        }
    }

    // PortAudio probing ALSA and JACK prints nothing on stderr.
    void quietProbe() {
        QProcess probe;
        probe.start(QStringLiteral(TD_AUDIO_PROBE), {});
        QVERIFY(probe.waitForFinished(60000));
        QCOMPARE(probe.exitCode(), 0);
        const QByteArray err = probe.readAllStandardError();
        QVERIFY2(err.isEmpty(), err.constData());
        QVERIFY(!probe.readAllStandardOutput().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestBackends)
#include "tst_backends.moc"
