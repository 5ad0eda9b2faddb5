// The running engine on the simulated band: transmitting with its statuses, echoes and PTT in
// the right order, our own signal heard back and decoded, replay of the input, and the receive
// channels on the band's stations.
#include <algorithm>
#include <QStandardPaths>
#include <QTest>

#include "EngineProbe.h"
#include "platform/SettingsStore.h"
#include "SimBand.h"

namespace {

constexpr int kSeed = 7;
constexpr int kTxFreq = 1000; // clear of the band's stations

const std::string kText = "CQ CQ de QT0LB loop-back test: the quick brown fox 0123456789 /?.\r\n";

void sendText(const std::string& text) {
    for (char c : text)
        QCOMPARE(fnSendTXCharacter(uint8_t(c), 0), 0);
}

// Index of the loudest station of the simulated band the engine runs.
size_t loudestSlot(const audio::SimBand& band) {
    size_t loud = 0;
    for (size_t i = 0; i < band.plan().size(); ++i)
        if (band.plan()[i].snrDb > band.plan()[loud].snrDb) loud = i;
    return loud;
}

} // namespace

class TestEngine : public QObject {
    Q_OBJECT
    EngineProbe* probe_ = nullptr;

    void waitForStatus(int32_t code, int timeoutMs = 60000) {
        QTRY_VERIFY_WITH_TIMEOUT(probe_->hasStatus(code), timeoutMs);
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QCOMPARE(pskcoreSetSource(("sim:" + std::to_string(kSeed) + ":loopback").c_str()), 0);
        pskcoreSetTimeScale(8);
        probe_ = new EngineProbe;
        probe_->watchPtt();
        QCOMPARE(fnSetComPort(3, 3), 0);
        QCOMPARE(fnStartSoundCard(probe_->handle(), -1, 3), 0);
        QCOMPARE(pskcoreUsingSimulatedBand(), 1);
        fnSetTXFrequency(kTxFreq);
        fnSetRXFrequency(kTxFreq, 50, 0);
        fnSetAFCLimit(50, 0);
        fnSetSquelchThreshold(50, 0, 0);
        // Settle past the start of the band.
        QTRY_VERIFY_WITH_TIMEOUT(probe_->count(PSKCORE_MSG_DATA) > 10, 20000);
    }
    void cleanupTestCase() {
        fnStopSoundCard();
        delete probe_;
    }
    void init() { probe_->clear(); }

    // Every character sent is echoed once, in order, between status 1 and status 0; PTT is
    // keyed before the first and released before the last; our signal, heard back at +10 dB,
    // decodes exactly. Then a replay of the last 25 s decodes it once more.
    void loopBack() {
        fnSetRXFrequency(kTxFreq, 50, 0); // as a click on our own marker would
        QCOMPARE(fnStartTX(0), 0);
        sendText(kText);
        QCOMPARE(fnSendTXCharacter(1, 1), 0);
        waitForStatus(PSKCORE_STATUS_RX);
        const std::vector<int32_t> statuses = probe_->statuses();
        QCOMPARE(statuses, (std::vector<int32_t>{PSKCORE_STATUS_TX, PSKCORE_STATUS_RX}));
        QCOMPARE(probe_->text(-1), kText);
        const int txSeq = probe_->seqOfStatus(PSKCORE_STATUS_TX);
        const int rxSeq = probe_->seqOfStatus(PSKCORE_STATUS_RX);
        for (const auto& m : probe_->of(PSKCORE_MSG_CHAR))
            if (m.l == -1) QVERIFY(m.seq > txSeq && m.seq < rxSeq);

        const auto ptt = probe_->ptt();
        QCOMPARE(ptt.size(), size_t(2));
        QCOMPARE(ptt[0].port, 3);
        QVERIFY(ptt[0].rts == 1 && ptt[0].dtr == 1);
        QVERIFY(ptt[1].rts == 0 && ptt[1].dtr == 0);
        QVERIFY(ptt[0].seq < txSeq); // keyed before the program hears of it
        QVERIFY(ptt[1].seq < rxSeq); // and released before it is told
        QTRY_VERIFY2_WITH_TIMEOUT(probe_->text(0).find(kText) != std::string::npos,
                                  probe_->text(0).c_str(), 20000);

        probe_->clear();
        QCOMPARE(fnRewindInput(99), 0);
        QTRY_VERIFY2_WITH_TIMEOUT(probe_->text(0).find(kText) != std::string::npos,
                                  probe_->text(0).c_str(), 20000);
        QCOMPARE(probe_->text(-1), std::string()); // replay is not transmission
    }

    // fnStopTX ends after the queued text: A and B still go out.
    void stopAfterQueue() {
        QCOMPARE(fnStartTX(0), 0);
        sendText("AB");
        QCOMPARE(fnStopTX(), 0);
        waitForStatus(PSKCORE_STATUS_RX);
        QCOMPARE(probe_->statuses(), (std::vector<int32_t>{PSKCORE_STATUS_TX, PSKCORE_STATUS_RX}));
        QCOMPARE(probe_->text(-1), std::string("AB"));
        QCOMPARE(fnGetTXCharsRemaining(), 0);
    }

    // fnAbortTX ends at once: only a prefix of the text was sent, nothing is echoed after
    // the return to receive, the queue is empty and PTT released.
    void abortAtOnce() {
        const std::string text(120, 'e');
        QCOMPARE(fnStartTX(0), 0);
        sendText(text);
        QTRY_VERIFY_WITH_TIMEOUT(probe_->text(-1).size() >= 3, 30000);
        QVERIFY(fnGetTXCharsRemaining() > 50);
        QCOMPARE(fnAbortTX(), 0);
        waitForStatus(PSKCORE_STATUS_RX);
        QTest::qWait(500);
        const std::string sent = probe_->text(-1);
        QVERIFY(sent.size() >= 3 && sent.size() < 20);
        QCOMPARE(sent, text.substr(0, sent.size()));
        const int rxSeq = probe_->seqOfStatus(PSKCORE_STATUS_RX);
        for (const auto& m : probe_->of(PSKCORE_MSG_CHAR))
            if (m.l == -1) QVERIFY(m.seq < rxSeq);
        QCOMPARE(probe_->statuses(), (std::vector<int32_t>{PSKCORE_STATUS_TX, PSKCORE_STATUS_RX}));
        QCOMPARE(fnGetTXCharsRemaining(), 0);
        QVERIFY(probe_->ptt().back().rts == 0);
    }

    // Tune and tune-with-identification report status 3, echo nothing, and end on stop.
    void tune_data() {
        QTest::addColumn<int>("mode");
        QTest::newRow("tune") << 3;
        QTest::newRow("tune + id") << 4;
    }
    void tune() {
        QFETCH(int, mode);
        fnSetCWIDString("QT0LB");
        fnSetCWIDSpeed(4);
        QCOMPARE(fnStartTX(mode), 0);
        sendText("XYZ"); // a tuning carrier carries no text
        QTRY_VERIFY_WITH_TIMEOUT(probe_->hasStatus(PSKCORE_STATUS_TUNE), 10000);
        QTest::qWait(200);
        QCOMPARE(fnStopTX(), 0);
        waitForStatus(PSKCORE_STATUS_RX);
        QCOMPARE(probe_->statuses(),
                 (std::vector<int32_t>{PSKCORE_STATUS_TUNE, PSKCORE_STATUS_RX}));
        QCOMPARE(probe_->text(-1), std::string());
        QCOMPARE(fnGetTXCharsRemaining(), 0);
    }

    // The CW identification marker keeps the transmission going until the identification
    // is over; the text is still echoed before the end.
    void cwIdentification() {
        fnSetCWIDString("QT0LB");
        fnSetCWIDSpeed(4);
        QCOMPARE(fnStartTX(0), 0);
        sendText("K");
        QCOMPARE(fnSendTXCharacter(2, 1), 0);
        QCOMPARE(fnSendTXCharacter(1, 1), 0);
        waitForStatus(PSKCORE_STATUS_RX);
        QCOMPARE(probe_->statuses(), (std::vector<int32_t>{PSKCORE_STATUS_TX, PSKCORE_STATUS_RX}));
        QCOMPARE(probe_->text(-1), std::string("K"));
        // At 25 WPM "QT0LB" lasts about 3 s: many spectrum frames pass between the echo and
        // the end (frames count audio time, whatever the speed the test runs at).
        int echoSeq = -1;
        for (const auto& m : probe_->of(PSKCORE_MSG_CHAR))
            if (m.l == -1) echoSeq = m.seq;
        int frames = 0;
        for (const auto& m : probe_->of(PSKCORE_MSG_DATA))
            frames += m.seq > echoSeq && m.seq < probe_->seqOfStatus(PSKCORE_STATUS_RX);
        QVERIFY2(frames > 25, qPrintable(QString::number(frames)));
    }

    // A PTT port that cannot be opened is reported as status 21, and transmitting still works.
    void pttPortMissing() {
        pskcoreSetPttObserver(nullptr, nullptr);
        platform::SettingsStore store;
        store.saveSetting("SerialPorts", "COM5", "/nonexistent/ttyTD5");
        QVERIFY(fnSetComPort(5, 1) != 0);
        QTRY_VERIFY(probe_->hasStatus(21));
        probe_->clear();
        QCOMPARE(fnStartTX(0), 0);
        sendText("R");
        fnStopTX();
        waitForStatus(PSKCORE_STATUS_RX);
        // The port is tried again at the start of the transmission.
        QCOMPARE(probe_->statuses(),
                 (std::vector<int32_t>{21, PSKCORE_STATUS_TX, PSKCORE_STATUS_RX}));
        QCOMPARE(probe_->text(-1), std::string("R"));
        QCOMPARE(fnSetComPort(5, 0), 0);
        store.saveSetting("SerialPorts", "COM5", QString());
        probe_->watchPtt();
        QCOMPARE(fnSetComPort(3, 3), 0);
    }

    // The receive channels on the band: the loudest station decodes to what it sends, its
    // level stands above an empty frequency, its phase vectors sit on the circle, and IMD
    // readings arrive for its channel.
    void receiveStations() {
        audio::SimBand reference(kSeed); // the same band the engine hears
        const size_t loud = loudestSlot(reference);
        const auto& slot = reference.plan()[loud];
        fnSetRXPSKMode(int(slot.mode), 1);
        fnSetAFCLimit(50, 1);
        fnSetSquelchThreshold(50, 0, 1);
        QCOMPARE(fnSetRXFrequency(int(slot.frequency), 50, 1), 0);
        QCOMPARE(fnSetRXFrequency(3300, 50, 2), 0);
        QTRY_VERIFY_WITH_TIMEOUT(probe_->text(1).size() > 60, 60000);

        // What the engine decoded is a stretch of what the station sent, however long the
        // band has been running by now.
        const std::string got = probe_->text(1);
        std::vector<float> block(8000 * 60);
        int found = 0;
        for (int minute = 0; minute < 30 && found < int(got.size() / 12) - 3; ++minute) {
            reference.read(block.data(), block.size());
            const std::string& sent = reference.sentText(loud);
            found = 0;
            for (size_t i = 10; i + 12 < got.size(); i += 12)
                found += sent.find(got.substr(i, 12)) != std::string::npos;
        }
        const std::string& sent = reference.sentText(loud);
        QVERIFY2(found >= int(got.size() / 12) - 3,
                 qPrintable(QString("%1 of %2\n%3\n---\n%4")
                                .arg(found)
                                .arg(got.size() / 12)
                                .arg(QString::fromStdString(got))
                                .arg(QString::fromStdString(sent))));

        QVERIFY(std::abs(fnGetRXFrequency(1) - slot.frequency) < 15);
        QTRY_VERIFY_WITH_TIMEOUT(fnGetSignalLevel(1) > fnGetSignalLevel(2) + 20, 20000);
        int32_t v[16];
        QCOMPARE(fnGetVectorData(v, 1), 0);
        int onCircle = 0;
        for (int i = 0; i < 16; i += 2) {
            const double r = std::hypot(v[i], v[i + 1]);
            QVERIFY(r < 3000);
            onCircle += r > 500 && r < 1500;
        }
        QVERIFY(onCircle >= 4);

        QTRY_VERIFY_WITH_TIMEOUT(!probe_->of(PSKCORE_MSG_IMD).empty(), 120000);
        for (const auto& m : probe_->of(PSKCORE_MSG_IMD)) {
            QVERIFY(m.l >= 0 && m.l <= 2);
            if (m.l == 1) QVERIFY2(m.w <= -15 && m.w >= -60, qPrintable(QString::number(m.w)));
        }
    }

    // The spectrum trace spans 0..64: at the default intensity band noise sits low and the
    // stations stand out as peaks; the darkest setting still shows them, the brightest lifts
    // the noise without pinning it to the top.
    void spectrumScale_data() {
        QTest::addColumn<int>("intensity");
        QTest::addColumn<int>("noiseLo");
        QTest::addColumn<int>("noiseHi");
        QTest::addColumn<int>("peakMin");
        QTest::newRow("1") << 1 << 0 << 4 << 25;
        QTest::newRow("5 (default)") << 5 << 5 << 24 << 45;
        QTest::newRow("10") << 10 << 30 << 56 << 64;
    }
    void spectrumScale() {
        QFETCH(int, intensity);
        QFETCH(int, noiseLo);
        QFETCH(int, noiseHi);
        QFETCH(int, peakMin);
        fnSetFFTMode(4, 64 * intensity, 1);
        int32_t buf[1024];
        int peak = 0, median = 0;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                QTest::qWait(300);
                fnGetFFTData(buf, 0, 1023);
                // The noise: the median over 300..3500 Hz, where the few stations are outliers.
                std::vector<int32_t> band(buf + 77, buf + 895);
                std::nth_element(band.begin(), band.begin() + long(band.size() / 2), band.end());
                median = band[band.size() / 2];
                peak = std::max(peak, *std::max_element(band.begin(), band.end()));
                return peak >= peakMin;
            }(),
            20000);
        QVERIFY2(median >= noiseLo && median <= noiseHi, qPrintable(QString::number(median)));
        fnSetFFTMode(4, 320, 1);
    }

    // Stopping the card in the middle of a transmission returns to receive and drops PTT.
    void stopWhileTransmitting() {
        QCOMPARE(fnStartTX(0), 0);
        sendText(std::string(50, 'a'));
        QTRY_VERIFY_WITH_TIMEOUT(probe_->hasStatus(PSKCORE_STATUS_TX), 10000);
        QCOMPARE(fnStopSoundCard(), 0);
        QTRY_VERIFY(probe_->hasStatus(PSKCORE_STATUS_RX));
        QCOMPARE(probe_->ptt().back().rts, 0);
        QCOMPARE(fnStartSoundCard(probe_->handle(), -1, 3), 0);
        QCOMPARE(fnGetTXCharsRemaining(), 0);
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
