// Transmitter: spectrum of the idle signal, CW identification timing, event order.
#include "PskTestUtil.h"

#include <QTest>

#include <cmath>

using namespace psktest;
using Event = dsp::PskTransmitter::Event;

namespace {

struct Timed {
    Event ev;
    size_t sample; // index just past the block in which it came
};

// Runs the transmitter in 80-sample blocks until it finishes or maxSeconds pass.
std::vector<Timed> run(dsp::PskTransmitter& tx, std::vector<float>& audio, double maxSeconds,
                       const std::function<void(size_t)>& beforeBlock = {}) {
    std::vector<Timed> all;
    std::vector<float> block(80);
    std::vector<Event> events;
    while (tx.active() && audio.size() < static_cast<size_t>(maxSeconds * kRate)) {
        if (beforeBlock) beforeBlock(audio.size());
        events.clear();
        tx.process(block.size(), block.data(), events);
        audio.insert(audio.end(), block.begin(), block.end());
        for (const auto& e : events)
            all.push_back({e, audio.size()});
    }
    return all;
}

// Envelope of a 1000 Hz carrier: RMS over one period (8 samples) times sqrt(2), exact for a
// steady sine.
std::vector<double> envelope(const std::vector<float>& x) {
    std::vector<double> env(x.size(), 0.0);
    double acc = 0.0;
    for (size_t i = 0; i < x.size(); ++i) {
        acc += static_cast<double>(x[i]) * x[i];
        if (i >= 8) acc -= static_cast<double>(x[i - 8]) * x[i - 8];
        env[i] = std::sqrt(std::max(0.0, 2.0 * acc / 8.0));
    }
    return env;
}

} // namespace

class TestTransmitter : public QObject {
    Q_OBJECT
private slots:
    void idleSpectrum_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("bpsk") << 0;
        QTest::newRow("qpsk") << 1;
    }
    void idleSpectrum() {
        // Idle is two lines at f +/- 15.625 Hz; the third-order lines at f +/- 46.875 Hz must be
        // at least 30 dB down, and nothing may stick out further away.
        QFETCH(int, mode);
        const double f = 1000.0;
        dsp::PskTransmitter tx(kRate);
        tx.setFrequency(f);
        tx.start(mode);
        std::vector<float> audio(static_cast<size_t>(6 * kRate));
        std::vector<Event> ev;
        tx.process(audio.size(), audio.data(), ev);
        float peak = 0.0f;
        for (float v : audio)
            peak = std::max(peak, std::fabs(v));
        QVERIFY(peak <= 0.9f + 1e-6f);
        QVERIFY(peak > 0.85f);
        const size_t from = static_cast<size_t>(2 * kRate), len = static_cast<size_t>(4 * kRate);
        const double main =
            tonePower(audio, from, len, f - 15.625) + tonePower(audio, from, len, f + 15.625);
        const double third =
            tonePower(audio, from, len, f - 46.875) + tonePower(audio, from, len, f + 46.875);
        const double fifth =
            tonePower(audio, from, len, f - 78.125) + tonePower(audio, from, len, f + 78.125);
        const double far =
            tonePower(audio, from, len, f + 200.0) + tonePower(audio, from, len, f - 200.0);
        QVERIFY2(10 * std::log10(main / third) >= 30.0,
                 qPrintable(QString::number(10 * std::log10(main / third))));
        QVERIFY(10 * std::log10(main / fifth) >= 40.0);
        QVERIFY(10 * std::log10(main / far) >= 60.0);
    }

    void cwIdDotLength_data() {
        QTest::addColumn<int>("speed");
        QTest::newRow("1") << 1;
        QTest::newRow("2") << 2;
        QTest::newRow("3") << 3;
        QTest::newRow("4") << 4;
    }
    void cwIdDotLength() {
        // "I" is two dots: on, off and on for one dot length each, measured at half amplitude.
        QFETCH(int, speed);
        const double dot = dsp::PskTransmitter::cwIdDotSeconds(speed);
        const double wpm[] = {37, 19, 12, 9};
        QCOMPARE(dot, 1.2 / wpm[speed - 1]);
        dsp::PskTransmitter tx(kRate);
        tx.setFrequency(1000.0);
        tx.setCwIdText("I");
        tx.setCwIdSpeed(speed);
        tx.start(dsp::PskTransmitter::ModeTuneCwId);
        std::vector<float> audio;
        auto events = run(tx, audio, 10.0, [&](size_t n) {
            if (n == static_cast<size_t>(0.4 * kRate)) tx.requestStop();
        });
        QVERIFY(!tx.active());
        QCOMPARE(events.size(), size_t(1));
        QCOMPARE(events[0].ev.kind, Event::Finished);
        const auto env = envelope(audio);
        // Edges after the tune carrier has ramped down (0.4 s + one symbol).
        std::vector<double> edges;
        bool on = false;
        for (size_t i = static_cast<size_t>(0.45 * kRate); i < env.size(); ++i) {
            if (!on && env[i] > 0.45) {
                on = true;
                edges.push_back(static_cast<double>(i) / kRate);
            } else if (on && env[i] < 0.45) {
                on = false;
                edges.push_back(static_cast<double>(i) / kRate);
            }
        }
        QCOMPARE(edges.size(), size_t(4));
        const double tol = 0.0015;
        QVERIFY2(std::fabs(edges[1] - edges[0] - dot) < tol,
                 qPrintable(QString::number(edges[1] - edges[0])));
        QVERIFY2(std::fabs(edges[2] - edges[1] - dot) < tol,
                 qPrintable(QString::number(edges[2] - edges[1])));
        QVERIFY2(std::fabs(edges[3] - edges[2] - dot) < tol,
                 qPrintable(QString::number(edges[3] - edges[2])));
    }

    void cwLetterAndWordGaps() {
        // "E E": dot, 7-dot word gap, dot. "EE": 3-dot letter gap.
        for (const char* text : {"E E", "EE"}) {
            dsp::PskTransmitter tx(kRate);
            tx.setFrequency(1000.0);
            tx.setCwIdText(text);
            tx.setCwIdSpeed(4);
            tx.start(dsp::PskTransmitter::ModeTuneCwId);
            tx.requestStop();
            std::vector<float> audio;
            run(tx, audio, 10.0);
            const auto env = envelope(audio);
            std::vector<double> edges;
            bool on = false;
            for (size_t i = static_cast<size_t>(0.1 * kRate); i < env.size(); ++i) {
                if (on != (env[i] > 0.45)) {
                    on = !on;
                    edges.push_back(static_cast<double>(i) / kRate);
                }
            }
            QCOMPARE(edges.size(), size_t(4));
            const double gap = (text[1] == ' ' ? 7 : 3) * dsp::PskTransmitter::cwIdDotSeconds(4);
            QVERIFY2(std::fabs(edges[2] - edges[1] - gap) < 0.0015, text);
        }
    }

    void eventsInOrder() {
        dsp::PskTransmitter tx(kRate);
        tx.setFrequency(1500.0);
        tx.start(0);
        const std::string text = "abc";
        for (char c : text)
            tx.queueChar(static_cast<uint8_t>(c));
        tx.requestStop();
        std::vector<float> audio;
        auto events = run(tx, audio, 20.0);
        QCOMPARE(events.size(), size_t(4));
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(events[i].ev.kind, Event::CharSent);
            QCOMPARE(events[i].ev.ch, static_cast<uint8_t>(text[i]));
        }
        QCOMPARE(events[3].ev.kind, Event::Finished);
        // 'a' leaves after the 32-symbol preamble and its 6 bits ("1011" + "00").
        const double sym = kRate / dsp::kPskBaud;
        QVERIFY(std::fabs(static_cast<double>(events[0].sample) - (32 + 6) * sym) <= 80);
        // Then 'b' (1011111 + 00) and 'c' (101111 + 00).
        QVERIFY(std::fabs(static_cast<double>(events[1].sample) - (32 + 6 + 9) * sym) <= 80);
        QVERIFY(std::fabs(static_cast<double>(events[2].sample) - (32 + 6 + 9 + 8) * sym) <= 80);
        // Finished after the 32-symbol postamble and the one-symbol ramp down.
        QVERIFY(std::fabs(static_cast<double>(events[3].sample - events[2].sample) - 33 * sym) <=
                80);
        QVERIFY(!tx.active());
        // Silent afterwards.
        std::vector<float> after(400, 1.0f);
        std::vector<Event> ev;
        tx.process(after.size(), after.data(), ev);
        QVERIFY(ev.empty());
        for (float v : after)
            QCOMPARE(v, 0.0f);
    }

    void charsQueuedLaterStillGoOut() {
        // Characters typed during the transmission, then stop: all sent in order before Finished.
        dsp::PskTransmitter tx(kRate);
        tx.start(1);
        std::vector<float> audio;
        std::string typed;
        auto events = run(tx, audio, 30.0, [&](size_t n) {
            if (n % 8000 == 0 && n <= 5 * 8000) {
                const char c = static_cast<char>('p' + n / 8000);
                typed.push_back(c);
                tx.queueChar(static_cast<uint8_t>(c));
            }
            if (n == 6 * 8000) tx.requestStop();
        });
        QCOMPARE(events.size(), typed.size() + 1);
        for (size_t i = 0; i < typed.size(); ++i)
            QCOMPARE(events[i].ev.ch, static_cast<uint8_t>(typed[i]));
        QCOMPARE(events.back().ev.kind, Event::Finished);
    }

    void abortEndsAtOnce() {
        dsp::PskTransmitter tx(kRate);
        tx.start(0);
        for (int i = 0; i < 100; ++i)
            tx.queueChar('x');
        std::vector<float> audio;
        size_t abortedAt = 0;
        auto events = run(tx, audio, 30.0, [&](size_t n) {
            if (n == static_cast<size_t>(3 * kRate)) {
                tx.abort();
                abortedAt = n;
            }
        });
        QVERIFY(abortedAt > 0);
        QVERIFY(!events.empty());
        QCOMPARE(events.back().ev.kind, Event::Finished);
        // Within 10 ms, no characters after the abort, and the output ramps down.
        QVERIFY(events.back().sample - abortedAt <= static_cast<size_t>(0.010 * kRate) + 80);
        for (size_t i = 0; i + 1 < events.size(); ++i) {
            QCOMPARE(events[i].ev.kind, Event::CharSent);
            QVERIFY(events[i].sample <= abortedAt);
        }
        QVERIFY(std::fabs(audio.back()) < 0.05f);
        QCOMPARE(tx.queuedChars(), size_t(0));
    }

    void stopWithEmptyQueue() {
        dsp::PskTransmitter tx(kRate);
        tx.start(0);
        tx.requestStop();
        std::vector<float> audio;
        auto events = run(tx, audio, 10.0);
        QCOMPARE(events.size(), size_t(1));
        QCOMPARE(events[0].ev.kind, Event::Finished);
        // Preamble, postamble and the ramp: 65 symbols.
        QVERIFY(std::fabs(static_cast<double>(audio.size()) - 65 * 256.0) <= 80);
    }

    void tuneIsSteadyCarrier() {
        dsp::PskTransmitter tx(kRate);
        tx.setFrequency(1000.0);
        tx.start(dsp::PskTransmitter::ModeTune);
        tx.queueChar('z'); // ignored while tuning
        std::vector<float> audio;
        auto events = run(tx, audio, 3.0);
        QVERIFY(events.empty());
        QVERIFY(tx.active());
        const auto env = envelope(audio);
        for (size_t i = 1000; i < env.size(); ++i)
            QVERIFY(std::fabs(env[i] - 0.9) < 0.01);
        QVERIFY(tonePower(audio, 8000, 16000, 1000.0) >
                1e4 * tonePower(audio, 8000, 16000, 1015.0));
        tx.requestStop();
        events = run(tx, audio, 10.0);
        QCOMPARE(events.size(), size_t(1));
        QCOMPARE(events[0].ev.kind, Event::Finished);
        QVERIFY(audio.size() - static_cast<size_t>(3 * kRate) <= 256 + 80);
    }

    void cwIdAfterText() {
        dsp::PskTransmitter tx(kRate);
        tx.setCwIdText("TEST");
        tx.setCwIdSpeed(4);
        tx.start(0);
        tx.queueChar('k');
        tx.requestCwId();
        tx.requestStop();
        std::vector<float> audio;
        auto events = run(tx, audio, 20.0);
        QCOMPARE(events.size(), size_t(2));
        QCOMPARE(events[0].ev.kind, Event::CharSent);
        QCOMPARE(events[1].ev.kind, Event::Finished);
        // "TEST" at 9 wpm: - . ... - = 3+1+3+1+5+3+3 units plus the lead-in and tail.
        const double psk = static_cast<double>(events[0].sample) + 33 * 256.0;
        const double cwUnits = 3 + 3 + 1 + 3 + 5 + 3 + 3 + 2 + 1;
        const double unit = std::round(dsp::PskTransmitter::cwIdDotSeconds(4) * kRate);
        QVERIFY2(std::fabs(static_cast<double>(audio.size()) - psk - cwUnits * unit) <= 160,
                 qPrintable(QString::number(audio.size() - psk)));
    }

    void badInputIsHarmless() {
        dsp::PskTransmitter tx(kRate);
        tx.start(7);
        QVERIFY(!tx.active());
        tx.start(-1);
        QVERIFY(!tx.active());
        tx.setFrequency(NAN);
        QCOMPARE(tx.frequency(), 1000.0);
        tx.setFrequency(1e9);
        QCOMPARE(tx.frequency(), 3900.0);
        tx.setCwIdSpeed(0);
        tx.setCwIdSpeed(99);
        std::vector<Event> ev;
        tx.process(10, nullptr, ev);
        tx.abort();
        tx.requestStop();
        QVERIFY(ev.empty());
        // An empty identification ends at once after the tune carrier.
        tx.setCwIdText("");
        tx.start(dsp::PskTransmitter::ModeTuneCwId);
        tx.requestStop();
        std::vector<float> audio;
        auto events = run(tx, audio, 5.0);
        QCOMPARE(events.size(), size_t(1));
    }
};

QTEST_APPLESS_MAIN(TestTransmitter)
#include "tst_dsp_transmitter.moc"
