// The channel simulator's statistics, and the receiver on faded, dipping and crowded signals.
// Every noise source and channel is seeded; tolerances are stated where they are used.
#include "BpskDetector.h"
#include "Channel.h"
#include "PskTestUtil.h"

#include <QTest>

#include <complex>

using namespace psktest;

namespace {

// A 1000 Hz tone through the channel, mixed down and averaged over 10 ms (which cancels the
// mixing image): the channel's complex gain at 100 Hz.
std::vector<std::complex<double>> gainOf(const std::string& profile, double seconds) {
    dsp::FadingChannel::Profile p;
    if (!dsp::FadingChannel::parse(profile, p)) return {};
    std::vector<float> x(static_cast<size_t>(seconds * kRate));
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<float>(std::sqrt(2.0) * std::cos(2.0 * M_PI * 1000.0 * i / kRate));
    dsp::FadingChannel(p, kRate, 5).process(x.data(), x.size());
    std::vector<std::complex<double>> g;
    std::complex<double> acc{0.0, 0.0};
    for (size_t i = 0; i < x.size(); ++i) {
        acc += std::polar(2.0 * x[i] / std::sqrt(2.0), -2.0 * M_PI * 1000.0 * i / kRate);
        if (i % 80 == 79) g.push_back(acc / 80.0), acc = {0.0, 0.0};
    }
    return g;
}

double rmsOf(const std::vector<std::complex<double>>& g, size_t from, size_t to) {
    double s = 0.0;
    for (size_t i = from; i < to; ++i)
        s += std::norm(g[i]);
    return s / static_cast<double>(to - from);
}

std::string decodeWith(const std::vector<float>& audio, int mode, int squelch, double search,
                       double hz = 1000.0) {
    dsp::PskReceiver rx(kRate);
    rx.setMode(static_cast<dsp::PskMode>(mode));
    rx.setAfcLimit(50.0);
    rx.setSquelch(squelch, 0);
    rx.setFrequency(hz, search);
    return decode(rx, audio, 512);
}

} // namespace

class TestFading : public QObject {
    Q_OBJECT
private slots:
    // Mean power kept, Rayleigh envelope (9.5 % of the time 10 dB or more below the mean),
    // and the Doppler spread: the gain's rms rate of change gives its spectrum's standard
    // deviation, half the spread. 24 sinusoids per path, hence the tolerances.
    void channelStatistics_data() {
        QTest::addColumn<QString>("profile");
        QTest::addColumn<double>("sigmaHz"); // 0: not measured
        QTest::addColumn<bool>("rayleigh");
        QTest::newRow("flat 1 Hz") << "flat:1" << 0.5 << true;
        QTest::newRow("moderate") << "moderate" << 0.25 << true;
        QTest::newRow("amplitude 0.5 Hz") << "amp:0.5" << 0.0 << true;
        QTest::newRow("phase 1 Hz") << "phase:1" << 0.0 << false;
    }
    void channelStatistics() {
        QFETCH(QString, profile);
        QFETCH(double, sigmaHz);
        QFETCH(bool, rayleigh);
        const auto g = gainOf(profile.toStdString(), 400.0);
        QVERIFY(g.size() > 1000);
        const double mean = rmsOf(g, 100, g.size());
        QVERIFY2(std::fabs(mean - 1.0) < 0.15, qPrintable(QString::number(mean)));
        size_t deep = 0, off = 0;
        double rate = 0.0;
        for (size_t i = 101; i < g.size(); ++i) {
            deep += std::norm(g[i]) < 0.1 * mean;
            off += std::fabs(std::abs(g[i]) - 1.0) > 0.02;
            rate += std::norm(g[i] - g[i - 1]);
        }
        const double share = double(deep) / double(g.size() - 101);
        if (rayleigh)
            QVERIFY2(share > 0.06 && share < 0.14, qPrintable(QString::number(share)));
        else // constant within the transformer's ripple, save a few moments of fast phase
            QVERIFY2(off < g.size() / 200, qPrintable(QString::number(off)));
        if (sigmaHz > 0.0) {
            const double sigma =
                std::sqrt(rate / double(g.size() - 101) / mean) * 100.0 / (2 * M_PI);
            QVERIFY2(std::fabs(sigma - sigmaHz) < 0.25 * sigmaHz,
                     qPrintable(QString::number(sigma)));
        }
    }

    void qsbDipDepth_data() {
        QTest::addColumn<double>("depth");
        QTest::newRow("6 dB") << 6.0;
        QTest::newRow("20 dB") << 20.0;
    }
    void qsbDipDepth() {
        QFETCH(double, depth);
        const auto g = gainOf("none,dip:2:2:" + std::to_string(depth), 5.0);
        const double bottom = 10.0 * std::log10(rmsOf(g, 290, 310) / rmsOf(g, 50, 150));
        QVERIFY2(std::fabs(bottom + depth) < 0.3, qPrintable(QString::number(bottom)));
        QVERIFY2(std::fabs(10.0 * std::log10(rmsOf(g, 420, 480))) < 0.1, "back after the dip");
    }

    // QSB far above the noise costs nothing, with the squelch open or at 50: characters held
    // while the power is down are printed when it returns. Nor, with the squelch open, does
    // the noise before the signal print anything (noise whose quality flickers up begins a
    // character that the preamble's reversals then end).
    void qsbLosesNothing_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("dips");
        QTest::addColumn<int>("squelch");
        QTest::addColumn<int>("noiseSeed");
        for (int mode : {0, 1})
            for (int squelch : {0, 50}) {
                const QString m = QString("%1 sq %2 ").arg(mode ? "qpsk" : "bpsk").arg(squelch);
                QTest::newRow(qPrintable(m + "short"))
                    << mode << "dip:4:0.5:20,dip:9:0.5:10" << squelch << 9;
                QTest::newRow(qPrintable(m + "long"))
                    << mode << "dip:4:2:20,dip:10:2:13" << squelch << 9;
            }
        for (int seed = 1; seed <= 12; ++seed)
            QTest::newRow(qPrintable(QString("bpsk sq 0 noise %1").arg(seed)))
                << 0 << "dip:4:1:16" << 0 << seed;
    }
    void qsbLosesNothing() {
        QFETCH(int, mode);
        QFETCH(QString, dips);
        QFETCH(int, squelch);
        QFETCH(int, noiseSeed);
        const std::string text = sampleText(70, 3);
        auto audio = transmit(text, mode, 1000.0);
        addSilence(audio, 1.0, 1.0);
        dsp::FadingChannel::Profile p;
        QVERIFY(dsp::FadingChannel::parse("none," + dips.toStdString(), p));
        const double power = dsp::meanPower(audio.data(), audio.size());
        dsp::FadingChannel(p, kRate, 1).process(audio.data(), audio.size());
        addNoise(audio, power, 20.0, static_cast<uint64_t>(noiseSeed));
        QCOMPARE(QString::fromStdString(decodeWith(audio, mode, squelch, 50.0)),
                 QString::fromStdString(text));
    }

    // Two overs 1.5 s apart with the squelch open: both texts and nothing of the noise
    // between them (what the decoders hold from the gap is not printed when the next starts).
    void oversBackToBack_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("bpsk") << 0;
        QTest::newRow("qpsk") << 1;
    }
    void oversBackToBack() {
        QFETCH(int, mode);
        const std::string a = "first over here, 73 de test\n", b = "second one answers now\n";
        auto audio = transmit(a, mode, 1000.0);
        const double power = dsp::meanPower(audio.data(), audio.size());
        audio.resize(audio.size() + static_cast<size_t>(1.5 * kRate), 0.0f);
        const auto second = transmit(b, mode, 1000.0);
        audio.insert(audio.end(), second.begin(), second.end());
        addSilence(audio, 0.5, 1.0);
        addNoise(audio, power, 10.0, 3);
        QCOMPARE(QString::fromStdString(decodeWith(audio, mode, 0, 50.0)),
                 QString::fromStdString(a + b));
    }

    // Fading and neighbours with the receiver's defaults (search and AFC 50 Hz, squelch open).
    // Limits: a few times what the bench measures, far below the 30 % and more of a receiver
    // that mutes in fades or follows the neighbour.
    void fadingAndNeighbours_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("channel");
        QTest::addColumn<double>("snr");
        QTest::addColumn<double>("neighbourHz");
        QTest::addColumn<double>("maxCer");
        QTest::newRow("bpsk amplitude 1 Hz") << 0 << "amp:1" << 20.0 << 0.0 << 0.5;
        QTest::newRow("qpsk amplitude 0.5 Hz") << 1 << "amp:0.5" << 20.0 << 0.0 << 0.5;
        QTest::newRow("bpsk poor") << 0 << "poor" << 0.0 << 0.0 << 15.0;
        QTest::newRow("qpsk moderate") << 1 << "moderate" << 0.0 << 0.0 << 6.0;
        QTest::newRow("bpsk neighbour 30 Hz") << 0 << "none" << -10.0 << 30.0 << 3.0;
        QTest::newRow("qpsk neighbour 30 Hz") << 1 << "none" << -10.0 << -30.0 << 3.0;
    }
    void fadingAndNeighbours() {
        QFETCH(int, mode);
        QFETCH(QString, channel);
        QFETCH(double, snr);
        QFETCH(double, neighbourHz);
        QFETCH(double, maxCer);
        dsp::FadingChannel::Profile p;
        QVERIFY(dsp::FadingChannel::parse(channel.toStdString(), p));
        const std::string text = sampleText(250, 21), other = sampleText(250, 22);
        auto audio = transmit(text, mode, 1000.0);
        const double power = dsp::meanPower(audio.data(), audio.size());
        dsp::FadingChannel(p, kRate, 2).process(audio.data(), audio.size());
        if (neighbourHz != 0.0) {
            const auto b = transmit(other, mode, 1000.0 + neighbourHz);
            audio.resize(std::max(audio.size(), b.size()), 0.0f);
            for (size_t i = 0; i < b.size(); ++i)
                audio[i] += b[i];
        }
        addSilence(audio, 0.5, 0.5);
        addNoise(audio, power, snr, 4);
        const double e = cer(text, decodeWith(audio, mode, 0, 50.0));
        QVERIFY2(e <= maxCer, qPrintable(QString::number(e)));
        if (neighbourHz != 0.0) {
            const double e2 = cer(other, decodeWith(audio, mode, 0, 50.0, 1000.0 + neighbourHz));
            QVERIFY2(e2 <= maxCer, qPrintable(QString::number(e2)));
        }
    }

    // Two QPSK overs side by side, started together, the neighbour's symbols anywhere against
    // ours, a channel set on each: neither may take the other's signal while its own is on the
    // air, whether the lock's blind-spot check (a neighbour's spectrum can put the centre one
    // QPSK blind spot off) or the AFC following loops the neighbour has thrown would move it.
    // A channel that keeps its signal makes well under 3 % errors
    // here. (Each channel is judged to the end of its own over: ten seconds after that, the
    // search may look afresh.)
    void neighboursTakeNoChannel() {
        struct Case {
            double apart;
            int lag, seed;
        };
        std::vector<Case> cases;
        const int seeds = qEnvironmentVariableIsSet("TD_NEIGHBOUR_SEEDS")
                              ? qEnvironmentVariableIntValue("TD_NEIGHBOUR_SEEDS")
                              : 4;
        for (double apart : {30.0, 40.0})
            for (int lag : {64, 200})
                for (int seed = 0; seed < seeds; ++seed)
                    cases.push_back({apart, lag, seed});
        // Found by running many: the centre pulled next to a blind spot (seed 6), the loops
        // thrown off mid-over and the AFC following them (seed 18).
        cases.push_back({30.0, 64, 6});
        cases.push_back({30.0, 64, 18});
        QStringList taken;
        for (const Case& k : cases) {
            const double apart = k.apart;
            const int lag = k.lag, seed = k.seed;
            const std::string a = sampleText(600, 100 + seed), b = sampleText(600, 200 + seed);
            auto audio = transmit(a, 1, 1000.0);
            const double power = dsp::meanPower(audio.data(), audio.size());
            const size_t endA = audio.size();
            const auto other = transmit(b, 1, 1000.0 + apart);
            const size_t endB = other.size() + size_t(lag);
            audio.resize(std::max(endA, endB), 0.0f);
            for (size_t i = 0; i < other.size(); ++i)
                audio[i + size_t(lag)] += other[i];
            addSilence(audio, 0.5, 0.5);
            addNoise(audio, power, -10.0, 300 + uint64_t(seed));
            auto upTo = [&](size_t end) {
                return std::vector<float>(audio.begin(), audio.begin() + long(end + size_t(kRate)));
            };
            const double ea = cer(a, decodeWith(upTo(endA), 1, 0, 50.0));
            const double eb = cer(b, decodeWith(upTo(endB), 1, 0, 50.0, 1000.0 + apart));
            if (ea > 3.0 || eb > 3.0)
                taken << QString("%1 Hz lag %2 seed %3: %4 %5")
                             .arg(apart)
                             .arg(lag)
                             .arg(seed)
                             .arg(ea)
                             .arg(eb);
        }
        QVERIFY2(taken.isEmpty(), qPrintable(taken.join("; ")));
    }

    // BPSK beside an equal neighbour 30 Hz away at -10 dB, its symbols falling anywhere against
    // ours: the receive filter made for a neighbour keeps the errors at about half the matched
    // filter's (0.6 % against 1.0 %).
    void bpskNeighbourLeakage() {
        size_t errors = 0, chars = 0;
        for (int seed = 0; seed < 3; ++seed)
            for (int lag : {64, 128}) {
                const std::string a = sampleText(600, 700 + seed), b = sampleText(600, 800 + seed);
                auto audio = transmit(a, 0, 1000.0);
                const double power = dsp::meanPower(audio.data(), audio.size());
                const auto other = transmit(b, 0, 1030.0);
                audio.resize(std::max(audio.size(), other.size() + size_t(lag)), 0.0f);
                for (size_t i = 0; i < other.size(); ++i)
                    audio[i + size_t(lag)] += other[i];
                addSilence(audio, 0.5, 0.5);
                addNoise(audio, power, -10.0, 900 + uint64_t(seed));
                for (const auto& [text, hz] : {std::pair{a, 1000.0}, std::pair{b, 1030.0}}) {
                    errors += size_t(std::lround(cer(text, decodeWith(audio, 0, 0, 50.0, hz)) *
                                                 double(text.size()) / 100.0));
                    chars += text.size();
                }
            }
        const double pct = 100.0 * double(errors) / double(chars);
        QVERIFY2(pct <= 0.8, qPrintable(QString::number(pct)));
    }

    // The first seconds of two QPSK overs starting together 40 Hz apart: their preambles can
    // show the spectrum a peak half-way between them, where the search must not take the channel
    // while the loops line up where it is tuned.
    void searchKeepsTheChannelAtAStart() {
        int moved = 0;
        QStringList where;
        for (int seed = 0; seed < 200; ++seed) {
            auto audio = transmit(sampleText(12, 400 + seed), 1, 1000.0);
            const double power = dsp::meanPower(audio.data(), audio.size());
            const auto other = transmit(sampleText(12, 500 + seed), 1, 1040.0);
            const size_t lag = size_t(seed * 37 % 256);
            audio.resize(std::max(audio.size(), other.size() + lag), 0.0f);
            for (size_t i = 0; i < other.size(); ++i)
                audio[i + lag] += other[i];
            addSilence(audio, 0.5, 0.0);
            addNoise(audio, power, -10.0, 600 + uint64_t(seed));
            audio.resize(size_t(3.0 * kRate));
            dsp::PskReceiver rx(kRate);
            rx.setMode(dsp::PskMode::QpskUsb);
            rx.setAfcLimit(50.0);
            rx.setSquelch(0, 0);
            rx.setFrequency(1000.0, 50.0);
            decode(rx, audio, 512);
            if (std::fabs(rx.frequency() - 1000.0) > 5.0) {
                ++moved;
                where << QString("seed %1: %2 Hz").arg(seed).arg(rx.frequency());
            }
        }
        QVERIFY2(moved == 0, qPrintable(where.join("; ")));
    }

    // The BPSK detector on symbols: near the noise its smoothed reference beats plain
    // differential detection clearly; far above the noise with a fast-moving phase (whose
    // phase changes look like noise, but whose amplitude does not) it is no worse.
    void bpskDetector_data() {
        QTest::addColumn<double>("noise");     // per dimension, amplitude 1
        QTest::addColumn<double>("phaseStep"); // random walk, rad per symbol
        QTest::addColumn<double>("turn");      // and a steady turn (as through a deep fade)
        QTest::addColumn<double>("maxShare");  // errors / plain differential errors
        QTest::newRow("6 dB, steady") << 0.35 << 0.0 << 0.0 << 0.65;
        QTest::newRow("30 dB, phase fading") << 0.02 << 0.7 << 0.0 << 1.0;
        QTest::newRow("30 dB, turning 86 degrees a symbol") << 0.02 << 0.05 << 1.5 << 0.5;
    }
    void bpskDetector() {
        QFETCH(double, noise);
        QFETCH(double, phaseStep);
        QFETCH(double, turn);
        QFETCH(double, maxShare);
        dsp::GaussianNoise rng(23);
        dsp::BpskDetector det;
        std::vector<int> bits;
        std::complex<double> prev{1.0, 0.0};
        double sign = 1.0, phase = 0.0;
        int errors = 0, plainErrors = 0, decided = 0;
        for (int k = 0; k < 40000; ++k) {
            bits.push_back(rng.next() > 0.0);
            if (!bits.back()) sign = -sign; // a 0 is a phase reversal
            phase += turn + phaseStep * rng.next();
            const std::complex<double> y = sign * std::polar(1.0, phase) +
                                           noise * std::complex<double>(rng.next(), rng.next());
            plainErrors += k > 0 && ((y * std::conj(prev)).real() >= 0.0) != (bits.back() == 1);
            prev = y;
            double soft = 0.0;
            if (det.process(y, soft)) {
                // The decision is for the pair lookahead symbols back.
                errors += (soft >= 0.0) != (bits[bits.size() - 1 - det.lookahead()] == 1);
                ++decided;
            }
        }
        QVERIFY(decided > 39000);
        QVERIFY2(plainErrors > 100, qPrintable(QString::number(plainErrors)));
        QVERIFY2(errors <= maxShare * plainErrors,
                 qPrintable(QString("%1 vs %2").arg(errors).arg(plainErrors)));
    }
};

QTEST_APPLESS_MAIN(TestFading)
#include "tst_dsp_fading.moc"
