// The engine's C interface through the real library: what fnStartSoundCard answers for every
// kind of missing or wrong device, how absurd arguments are clamped or refused, and the
// spectrum of a known WAV carrier.
#include <cmath>
#include <cstring>
#include <QTemporaryDir>
#include <QTest>

#include "EngineProbe.h"
#include "PortAudioDevice.h"
#include "PskTransmitter.h"
#include "WavFile.h"

namespace {

std::string writeCarrier(const QTemporaryDir& dir, const char* name, double f, double amplitude,
                         int rate, double seconds) {
    const std::string path = dir.filePath(QString::fromLatin1(name)).toStdString();
    std::vector<float> x(size_t(rate * seconds));
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = float(amplitude * std::sin(2 * M_PI * f * double(i) / rate));
    audio::WavWriter w;
    if (!w.open(path, rate, 1, audio::WavFormat::Int16) || !w.write(x.data(), x.size()) ||
        !w.close())
        return {};
    return path;
}

} // namespace

class TestApi : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        pskcoreSetTimeScale(4);
    }
    void cleanup() {
        fnStopSoundCard();
        pskcoreSetSource("sim");
    }

    // Each way of not having a usable device gives its own code, and none starts anything.
    void startErrors() {
        EngineProbe probe;
        const int win = probe.handle();
        QCOMPARE(pskcoreSetSource("none"), 0);
        QCOMPARE(fnStartSoundCard(win, -1, 3), int(PSKCORE_ERR_NO_DEVICE));
        QCOMPARE(fnStartSoundCard(win, 0, 3), int(PSKCORE_ERR_NO_DEVICE));
        QCOMPARE(fnStartSoundCard(win, 7, 3), int(PSKCORE_ERR_BAD_ARGUMENT));
        QCOMPARE(fnStartSoundCard(win, -2, 3), int(PSKCORE_ERR_BAD_ARGUMENT));

        // Asking for a sound card where there is none.
        QCOMPARE(pskcoreSetSource("device"), 0);
        if (audio::captureDevices().size() < 4)
            QCOMPARE(fnStartSoundCard(win, 3, 3), int(PSKCORE_ERR_NO_DEVICE));
        if (audio::captureDevices().empty())
            QCOMPARE(fnStartSoundCard(win, -1, 3), int(PSKCORE_ERR_NO_DEVICE));

        QCOMPARE(pskcoreSetSource("sim:3"), 0);
        QCOMPARE(fnStartSoundCard(win, 1, 3), int(PSKCORE_ERR_NO_DEVICE)); // only #0 exists
        QCOMPARE(fnStartSoundCard(win, 0, 0), int(PSKCORE_ERR_BAD_ARGUMENT));
        QCOMPARE(fnStartSoundCard(win, 0, 4), int(PSKCORE_ERR_BAD_ARGUMENT));
        QCOMPARE(fnStartSoundCard(0, 0, 3), int(PSKCORE_ERR_BAD_ARGUMENT));
        QCOMPARE(fnStartSoundCard(-9, 0, 3), int(PSKCORE_ERR_BAD_ARGUMENT));
        QCOMPARE(pskcoreUsingSimulatedBand(), 0);
        QCOMPARE(fnStartSoundCard(win, -1, 3), 0);
        QCOMPARE(pskcoreUsingSimulatedBand(), 1);
        QCOMPARE(fnStartSoundCard(win, -1, 3), int(PSKCORE_ERR_ALREADY_RUNNING));
        QCOMPARE(fnStopSoundCard(), 0);
        QCOMPARE(fnStopSoundCard(), 0);
        QCOMPARE(pskcoreUsingSimulatedBand(), 0);

        QCOMPARE(pskcoreSetSource(("wav:" + dir_.filePath("missing.wav")).toUtf8().constData()), 0);
        QCOMPARE(fnStartSoundCard(win, -1, 3), int(PSKCORE_ERR_NO_DEVICE));
        const QString junk = dir_.filePath("junk.wav");
        QFile f(junk);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is not audio");
        f.close();
        QCOMPARE(pskcoreSetSource(("wav:" + junk).toUtf8().constData()), 0);
        QCOMPARE(fnStartSoundCard(win, -1, 3), int(PSKCORE_ERR_FORMAT));

        for (const char* bad : std::initializer_list<const char*>{"", "simulated", "sim:", "sim:x1",
                                                                  "wav:", "wav", nullptr})
            QCOMPARE(pskcoreSetSource(bad), int(PSKCORE_ERR_BAD_ARGUMENT));
        QCOMPARE(probe.count(PSKCORE_MSG_STATUS), 0);
    }

    // Without a capture device the engine falls back to the simulated band; with one, it
    // uses the card.
    void autoSource() {
        EngineProbe probe;
        QCOMPARE(pskcoreSetSource("auto"), 0);
        const bool haveCard = !audio::captureDevices().empty();
        const int r = fnStartSoundCard(probe.handle(), -1, 3);
        if (!haveCard) {
            QCOMPARE(r, 0);
            QCOMPARE(pskcoreUsingSimulatedBand(), 1);
        } else {
            QCOMPARE(pskcoreUsingSimulatedBand(), 0);
        }
    }

    // Channel 7, frequency -5, squelch 1000: refused or clamped, before and while running.
    void absurdArguments() {
        EngineProbe probe;
        for (bool running : {false, true}) {
            if (running) QCOMPARE(fnStartSoundCard(probe.handle(), -1, 3), 0);
            QCOMPARE(fnSetRXFrequency(1000, 50, 7), int(PSKCORE_ERR_BAD_ARGUMENT));
            QCOMPARE(fnSetRXFrequency(1000, 50, -2), int(PSKCORE_ERR_BAD_ARGUMENT));
            QCOMPARE(fnGetRXFrequency(7), 0);
            QCOMPARE(fnSetRXFrequency(-5, 50, 0), 0);
            QCOMPARE(fnGetRXFrequency(0), 100);
            QCOMPARE(fnSetRXFrequency(99999, -40, 1), 0);
            QCOMPARE(fnGetRXFrequency(1), 3900);
            QCOMPARE(fnSetRXFrequency(1500, 50, 2), 0);
            QCOMPARE(fnGetRXFrequency(2), 1500);
            QCOMPARE(fnSetSquelchThreshold(1000, 0, 0), 0);
            QCOMPARE(fnSetSquelchThreshold(-3, 999, 1), 0);
            QCOMPARE(fnSetSquelchThreshold(50, 0, 3), int(PSKCORE_ERR_BAD_ARGUMENT));
            QCOMPARE(fnSetRXPSKMode(3, 0), int(PSKCORE_ERR_BAD_ARGUMENT));
            QCOMPARE(fnSetRXPSKMode(1, 9), int(PSKCORE_ERR_BAD_ARGUMENT));
            QCOMPARE(fnSetAFCLimit(100000, 0), 0);
            QCOMPARE(fnSetAFCLimit(10, 5), int(PSKCORE_ERR_BAD_ARGUMENT));
            QCOMPARE(fnSetFFTMode(-1, 1 << 30, 0), 0);
            QCOMPARE(fnGetSignalLevel(7), 0);
            QCOMPARE(fnGetFFTData(nullptr, 0, 1023), 0);
            int32_t buf[1100];
            std::fill(std::begin(buf), std::end(buf), -7);
            // Bin b lands at buf[b - first]; bins that do not exist are left alone.
            fnGetFFTData(buf, 1000, 5000);
            QVERIFY(buf[23] != -7);
            QCOMPARE(buf[24], -7);
            std::fill(std::begin(buf), std::end(buf), -7);
            fnGetFFTData(buf, -5, 10);
            QCOMPARE(buf[4], -7);
            QVERIFY(buf[5] != -7 && buf[15] != -7);
            QCOMPARE(buf[16], -7);
            std::fill(std::begin(buf), std::end(buf), -7);
            fnGetFFTData(buf, 2000, 3000);
            QCOMPARE(buf[0], -7);
            std::fill(std::begin(buf), std::end(buf), -7);
            QCOMPARE(fnGetFFTData(buf, 10, 5), 0);
            QCOMPARE(buf[0], -7);
            QCOMPARE(fnGetVectorData(nullptr, 0), int(PSKCORE_ERR_BAD_ARGUMENT));
            QCOMPARE(fnGetVectorData(buf, 3), int(PSKCORE_ERR_BAD_ARGUMENT));
            QCOMPARE(buf[0], -7);
            QCOMPARE(fnGetSyncData(buf, -1), int(PSKCORE_ERR_BAD_ARGUMENT));
            QCOMPARE(fnGetRawData(nullptr, 0), int(PSKCORE_ERR_BAD_ARGUMENT));
            QCOMPARE(fnSendTXCharacter(300, 0), int(PSKCORE_ERR_BAD_ARGUMENT));
            QCOMPARE(fnSendTXCharacter(5, 1), int(PSKCORE_ERR_BAD_ARGUMENT));
            QCOMPARE(fnSendTXCharacter(65, 2), int(PSKCORE_ERR_BAD_ARGUMENT));
            QCOMPARE(fnStartTX(5), int(PSKCORE_ERR_BAD_ARGUMENT));
            QCOMPARE(fnStartTX(-1), int(PSKCORE_ERR_BAD_ARGUMENT));
            QCOMPARE(fnSetComPort(9, 1), int(PSKCORE_ERR_BAD_ARGUMENT));
            QCOMPARE(fnSetComPort(1, 4), int(PSKCORE_ERR_BAD_ARGUMENT));
            QCOMPARE(fnSetComPort(0, 0), 0); // no PTT needs no port
            QCOMPARE(fnSetTXFrequency(-5), 0);
            QCOMPARE(fnSetCWIDSpeed(99), 0);
            QCOMPARE(fnSetCWIDString(nullptr), 0);
            QCOMPARE(fnSetClockErrorAdjustment(1 << 30), 0);
            QCOMPARE(fnGetClosestPeak(-5, -5), 0);
            QCOMPARE(fnSendTXString(nullptr), 0);
            QCOMPARE(fnSendTXString("abc"), 3);
            QCOMPARE(fnGetTXCharsRemaining(), 3);
            QCOMPARE(fnClearTXBuffer(), 0);
            QCOMPARE(fnGetTXCharsRemaining(), 0);
        }
        fnStopSoundCard();
        QCOMPARE(fnRewindInput(99), int(PSKCORE_ERR_NO_DEVICE)); // nothing to rewind
        // Transmitting with no sound card open says so and does nothing else.
        probe.clear();
        QVERIFY(fnStartTX(0) != 0);
        QTRY_COMPARE(probe.statuses(), std::vector<int32_t>{PSKCORE_STATUS_WRITE_NOT_OPEN});
    }

    void errorStrings() {
        char buf[64];
        QVERIFY(fnGetErrorString(PSKCORE_ERR_BUSY, buf, sizeof buf) > 0);
        QCOMPARE(QString(buf), QString("soundcard is busy"));
        fnGetErrorString(PSKCORE_STATUS_INPUT_TIMEOUT, buf, sizeof buf);
        QCOMPARE(QString(buf), QString("input buffer timeout"));
        fnGetErrorString(1234, buf, sizeof buf);
        QCOMPARE(QString(buf), QString("unknown status change"));
        QCOMPARE(fnGetErrorString(PSKCORE_STATUS_INPUT_OVERFLOW, buf, 6), 21); // size needed
        QCOMPARE(QString(buf), QString("input"));
        buf[0] = 'x';
        QCOMPARE(fnGetErrorString(PSKCORE_STATUS_INPUT_OVERFLOW, buf, 0), 21);
        QCOMPARE(buf[0], 'x');
    }

    // A carrier at f Hz in a WAV file peaks at bin round(f * 1023 / 4000) of fnGetFFTData,
    // inside the 0..255 range, with no overload; the closest peak is the carrier.
    void spectrumOfCarrier_data() {
        QTest::addColumn<double>("freq");
        QTest::addColumn<int>("rate");
        QTest::newRow("1234 Hz at 44100") << 1234.0 << 44100;
        QTest::newRow("500 Hz at 48000") << 500.0 << 48000;
        QTest::newRow("2750 Hz at 8000") << 2750.0 << 8000;
    }
    void spectrumOfCarrier() {
        QFETCH(double, freq);
        QFETCH(int, rate);
        const std::string path = writeCarrier(dir_, "carrier.wav", freq, 0.05, rate, 30);
        QVERIFY(!path.empty());
        QCOMPARE(pskcoreSetSource(("wav:" + path).c_str()), 0);
        EngineProbe probe;
        fnSetFFTMode(1, 320, 4); // a -26 dB carrier stands well clear without saturating
        QCOMPARE(fnStartSoundCard(probe.handle(), -1, 3), 0);
        QCOMPARE(pskcoreUsingSimulatedBand(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(probe.count(PSKCORE_MSG_DATA) >= 4, 20000);
        int32_t buf[1024];
        std::fill(std::begin(buf), std::end(buf), -1);
        QCOMPARE(fnGetFFTData(buf, 0, 1023), 0);
        int peak = 0;
        for (int i = 0; i < 1024; ++i) {
            QVERIFY(buf[i] >= 0 && buf[i] <= 255);
            if (buf[i] > buf[peak]) peak = i;
        }
        QCOMPARE(peak, int(std::lround(freq * 1023 / 4000)));
        QVERIFY(buf[peak] < 255);
        QVERIFY(buf[peak] > buf[(peak + 200) % 1024] + 50);
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(fnGetClosestPeak(int(freq) - 60, 100) - freq) <= 4,
                                 10000);
        const int elsewhere = freq > 2000 ? 1000 : 3000;
        QCOMPARE(fnGetClosestPeak(elsewhere, 100), elsewhere);
    }

    // The receiver's timing and baseband readings reach the interface: on idle reversals the
    // timing errors sit near zero and successive samples at the decision points are opposite.
    void syncAndRawData() {
        const std::string path = dir_.filePath("idle.wav").toStdString();
        {
            dsp::PskTransmitter tx(8000);
            tx.setFrequency(1000);
            tx.start(dsp::PskTransmitter::ModeBpsk);
            std::vector<float> x(8000 * 20);
            std::vector<dsp::PskTransmitter::Event> events;
            tx.process(x.size(), x.data(), events);
            audio::WavWriter w;
            QVERIFY(w.open(path, 8000, 1, audio::WavFormat::Int16) && w.write(x.data(), x.size()) &&
                    w.close());
        }
        QCOMPARE(pskcoreSetSource(("wav:" + path).c_str()), 0);
        EngineProbe probe;
        QCOMPARE(fnSetRXFrequency(1000, 0, 0), 0);
        QCOMPARE(fnStartSoundCard(probe.handle(), -1, 3), 0);
        QTRY_VERIFY_WITH_TIMEOUT(probe.count(PSKCORE_MSG_DATA) >= 40, 20000);
        int32_t sync[16], raw[16];
        QCOMPARE(fnGetSyncData(sync, 0), 0);
        QCOMPARE(fnGetRawData(raw, 0), 0);
        for (int32_t v : sync)
            QVERIFY2(std::abs(v) <= 100, qPrintable(QString::number(v)));
        for (int i = 0; i < 8; ++i) {
            const double mag = std::hypot(raw[2 * i], raw[2 * i + 1]);
            QVERIFY2(mag > 4000 && mag < 16000, qPrintable(QString::number(mag)));
            if (i > 0)
                QVERIFY(double(raw[2 * i]) * raw[2 * i - 2] +
                            double(raw[2 * i + 1]) * raw[2 * i - 1] <
                        0);
        }
    }

    // A clipping input raises the overload indication.
    void overload() {
        const std::string path = writeCarrier(dir_, "loud.wav", 1000, 1.0, 8000, 30);
        QCOMPARE(pskcoreSetSource(("wav:" + path).c_str()), 0);
        EngineProbe probe;
        QCOMPARE(fnStartSoundCard(probe.handle(), -1, 3), 0);
        QTRY_VERIFY_WITH_TIMEOUT(probe.count(PSKCORE_MSG_DATA) >= 2, 20000);
        int32_t buf[1024];
        QCOMPARE(fnGetFFTData(buf, 0, 1023), 1);
    }
};

QTEST_GUILESS_MAIN(TestApi)
#include "tst_api.moc"
