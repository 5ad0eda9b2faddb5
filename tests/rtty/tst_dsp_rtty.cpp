// RTTY DSP at the signal level: Baudot shifts, loop-back over every speed and shift, noise,
// selective fading, squelch on noise and AFC.
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "dsp/Baudot.h"
#include "dsp/Channel.h"
#include "dsp/FskModulator.h"
#include "dsp/Noise.h"
#include "dsp/RttyDemod.h"
#include "SimBand.h"
#include "WavFile.h"

namespace {

constexpr double kFs = 8000.0;

std::vector<uint8_t> codesOf(const std::string& text, bool usos = true) {
    dsp::BaudotEncoder enc(usos);
    std::vector<uint8_t> codes;
    for (char c : text)
        enc.encode(c, codes);
    return codes;
}

std::string decodeCodes(const std::vector<uint8_t>& codes, bool usos) {
    dsp::BaudotDecoder dec(usos);
    std::string s;
    for (uint8_t c : codes)
        if (char ch = dec.decode(c)) s.push_back(ch);
    return s;
}

// A transmission whose mark and space tones may have their own amplitudes; with pauses, idle
// mark of several lengths follows each space, as when text is typed.
std::vector<float> transmit(const std::string& text, double mark = 2125, double shift = 170,
                            double baud = 45.45, bool reverse = false, double markAmp = 0.5,
                            bool pauses = false) {
    dsp::FskModulator mod(kFs);
    mod.setTones(mark, shift, reverse);
    mod.setBaud(baud);
    std::vector<float> x;
    auto tone = [&](bool m, double bits) {
        mod.setAmplitude(m ? markAmp : 0.5);
        mod.tone(m, bits, x);
    };
    tone(true, 10);
    for (uint8_t c : codesOf(text)) {
        tone(false, 1);
        for (int b = 0; b < 5; ++b)
            tone((c >> b) & 1, 1);
        tone(true, 1.5);
        if (pauses && c == dsp::baudot::kSpace) tone(true, 9.0 + 3.7 * double(x.size() % 5));
    }
    tone(true, 10);
    return x;
}

std::string decode(const std::vector<float>& x, dsp::RttyConfig cfg = {}) {
    dsp::RttyDemod rx(cfg, kFs);
    std::string out;
    rx.process(x.data(), x.size(), out);
    return out;
}

double cerPercent(const std::string& ref, const std::string& got) {
    std::vector<size_t> prev(got.size() + 1), cur(got.size() + 1);
    for (size_t j = 0; j <= got.size(); ++j)
        prev[j] = j;
    for (size_t i = 1; i <= ref.size(); ++i) {
        cur[0] = i;
        for (size_t j = 1; j <= got.size(); ++j)
            cur[j] = std::min(
                {prev[j - 1] + (ref[i - 1] == got[j - 1] ? 0 : 1), prev[j] + 1, cur[j - 1] + 1});
        std::swap(prev, cur);
    }
    return 100.0 * double(prev[got.size()]) / double(ref.size());
}

std::string longText(size_t n) {
    static const char* w[] = {"CQ", "DE", "W1AW", "599", "TNX", "NAME", "HERE", "QTH", "73"};
    std::string s;
    for (size_t i = 0; s.size() < n; ++i)
        (s += w[(i * 7 + i / 3) % 9]) += ' ';
    return s.substr(0, n - 1) + "K";
}

} // namespace

class TestDspRtty : public QObject {
    Q_OBJECT
private slots:
    void baudotShifts_data();
    void baudotShifts();
    void loopBack_data();
    void loopBack();
    void whiteNoise();
    void markTenDbDown();
    void wattersonFading_data();
    void wattersonFading();
    void squelchOnNoise();
    void joinsStreamMidCharacter_data();
    void joinsStreamMidCharacter();
    void pausesBetweenWords();
    void afcPullsIn_data();
    void afcPullsIn();
    void peerRecordings_data();
    void peerRecordings();
    void simulatedBandStations();
};

void TestDspRtty::baudotShifts_data() {
    QTest::addColumn<QByteArray>("codes");
    QTest::addColumn<bool>("usos");
    QTest::addColumn<QByteArray>("text");
    using namespace dsp::baudot;
    // FIGS 1 SPACE A: a sender relying on unshift-on-space sends no LTRS before the A.
    const QByteArray noLtrs("\x1B\x17\x04\x03", 4);
    QTest::newRow("usos on") << noLtrs << true << QByteArray("1 A");
    QTest::newRow("usos off") << noLtrs << false << QByteArray("1 -");
    QTest::newRow("ltrs figs") << QByteArray("\x1F\x01\x1B\x01\x1F\x01", 6) << true
                               << QByteArray("E3E");
}

void TestDspRtty::baudotShifts() {
    QFETCH(QByteArray, codes);
    QFETCH(bool, usos);
    QFETCH(QByteArray, text);
    const std::vector<uint8_t> c(codes.begin(), codes.end());
    QCOMPARE(QByteArray::fromStdString(decodeCodes(c, usos)), text);
}

void TestDspRtty::loopBack_data() {
    QTest::addColumn<double>("baud");
    QTest::addColumn<double>("shift");
    QTest::addColumn<bool>("reverse");
    QTest::addColumn<bool>("usos");
    for (double baud : {45.45, 50.0, 75.0, 100.0})
        QTest::addRow("%g baud", baud) << baud << 170.0 << false << true;
    for (double shift : {200.0, 425.0, 850.0})
        QTest::addRow("%g Hz", shift) << 45.45 << shift << false << false;
    QTest::newRow("reverse") << 45.45 << 170.0 << true << true;
}

void TestDspRtty::loopBack() {
    QFETCH(double, baud);
    QFETCH(double, shift);
    QFETCH(bool, reverse);
    QFETCH(bool, usos);
    // Figures after spaces: the sender must shift again when the receiver unshifts on space.
    const std::string text = "RST 599 5NN 73 DE W1AW/3 QTH 14.085 MHZ? (OK) 1 2 3";
    dsp::BaudotEncoder enc(usos);
    std::vector<uint8_t> codes;
    for (char c : text)
        enc.encode(c, codes);
    QCOMPARE(decodeCodes(codes, usos), text);

    const auto x = transmit(text, 1275, shift, baud, reverse);
    dsp::RttyConfig cfg;
    cfg.markHz = 1275;
    cfg.shiftHz = shift;
    cfg.baud = baud;
    cfg.reverse = reverse;
    QCOMPARE(decode(x, cfg), text);
    cfg.reverse = !reverse;
    QVERIFY(decode(x, cfg) != text);
}

void TestDspRtty::whiteNoise() {
    const std::string text = longText(600);
    auto x = transmit(text);
    dsp::GaussianNoise rng(4);
    dsp::addNoise(x.data(), x.size(), -6.0, rng, 0.125);
    const double cer = cerPercent(text, decode(x));
    QVERIFY2(cer <= 1.0, qPrintable(QString("CER %1 %").arg(cer)));
}

void TestDspRtty::markTenDbDown() {
    // Selective fading: the mark tone 10 dB below the space tone, -3 dB SNR. Weighing each
    // tone by its own strength (ATC) copies it; taking both as equal does not.
    const std::string text = longText(600);
    auto x = transmit(text, 2125, 170, 45.45, false, 0.5 * 0.3162);
    dsp::GaussianNoise rng(5);
    dsp::addNoise(x.data(), x.size(), -3.0, rng, 0.125);
    const double cer = cerPercent(text, decode(x));
    QVERIFY2(cer <= 3.0, qPrintable(QString("CER %1 %").arg(cer)));
    dsp::RttyConfig equal;
    equal.atc = false;
    const double without = cerPercent(text, decode(x, equal));
    QVERIFY2(without > 10.0, qPrintable(QString("CER %1 %").arg(without)));
}

void TestDspRtty::joinsStreamMidCharacter_data() {
    QTest::addColumn<double>("bits"); // of the stream cut off before the receiver hears it
    for (double bits : {0.5, 1.0, 1.5, 2.0, 2.5, 3.0})
        QTest::addRow("%g bits in", bits) << bits;
}

void TestDspRtty::joinsStreamMidCharacter() {
    // Back-to-back RY at -8 dB: alternating bits put a false start bit wherever a space follows
    // a mark, and a receiver that joins mid-character, or slips in the noise, may frame the
    // stream on one of those and follow it there. It has to find the real start bits again.
    QFETCH(double, bits);
    std::string text;
    for (int i = 0; i < 150; ++i)
        text += "RY";
    auto x = transmit(text);
    x.erase(x.begin(), x.begin() + std::lround((10 + bits) * kFs / 45.45));
    dsp::GaussianNoise rng(9);
    dsp::addNoise(x.data(), x.size(), -8.0, rng, 0.125);
    const std::string got = decode(x);
    const std::string tail = got.substr(got.size() / 4); // after the lock
    size_t ry = 0;
    for (size_t i = 0; i + 1 < tail.size(); ++i)
        ry += tail.compare(i, 2, "RY") == 0;
    // A wrong frame held for a few dozen characters leaves 60-90 % of the pairs.
    QVERIFY2(double(ry * 2) >= 0.93 * double(tail.size()), got.c_str());
}

void TestDspRtty::pausesBetweenWords() {
    // Typed text: a steady stream within a word, idle mark of any length between words. After
    // a pause the characters start on a new beat, not where the last word's were.
    const std::string text = "CQ CQ DE Q1AW Q1AW PSE K RYRYRY 599 73";
    auto x = transmit(text, 2125, 170, 45.45, false, 0.5, true);
    dsp::GaussianNoise rng(3);
    dsp::addNoise(x.data(), x.size(), -3.0, rng, 0.125);
    QCOMPARE(decode(x), text);
}

void TestDspRtty::squelchOnNoise() {
    std::vector<float> noise(size_t(120 * kFs));
    dsp::GaussianNoise rng(6);
    for (float& v : noise)
        v = float(0.2 * rng.next());
    dsp::RttyConfig cfg;
    cfg.squelch = 500;
    QCOMPARE(decode(noise, cfg), std::string());
    cfg.squelch = 0;
    QVERIFY(decode(noise, cfg).size() > 50); // the squelch, not the framing, kept it quiet
}

void TestDspRtty::afcPullsIn_data() {
    QTest::addColumn<double>("range");
    QTest::addColumn<double>("mark");
    QTest::newRow("within range") << 100.0 << 2140.0;
    QTest::newRow("range 10 Hz") << 10.0 << 2135.0; // stops at the edge of its range
}

void TestDspRtty::afcPullsIn() {
    QFETCH(double, range);
    QFETCH(double, mark);
    const std::string text = longText(200);
    const auto x = transmit(text, 2140);
    dsp::RttyConfig cfg;
    cfg.afc = true;
    cfg.afcRangeHz = range;
    dsp::RttyDemod rx(cfg, kFs);
    std::string out;
    rx.process(x.data(), x.size(), out);
    QVERIFY2(std::fabs(rx.markHz() - mark) < 3.0, qPrintable(QString::number(rx.markHz())));
    if (range == 100.0) QCOMPARE(out.substr(out.size() - 40), text.substr(text.size() - 40));
}

void TestDspRtty::peerRecordings_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("text");
    // minimodem sends FIGS, space, letters without LTRS: it relies on unshift-on-space.
    QTest::newRow("minimodem")
        << "minimodem_rtty.wav"
        << QByteArray("RYRYRY CQ CQ DE W1AW W1AW K\r\nUR RST 599 5NN QTH 14.085 MHZ? (OK) 73\r\n");
    // fldigi 4.1.23 (reverse on, carrier 2210 Hz) driven over XML-RPC, played into a null sink
    // of a private PulseAudio server and recorded from its monitor with parec at 8 kHz.
    QTest::newRow("fldigi") << "fldigi_rtty.wav" << QByteArray("CQ DE Q1FLD Q1FLD 599 73 K\r\n");
}

void TestDspRtty::peerRecordings() {
    QFETCH(QString, file);
    QFETCH(QByteArray, text);
    std::vector<float> x;
    std::string error;
    QVERIFY2(audio::loadWav(TD_RTTY_TESTDATA "/" + file.toStdString(), x, error), error.c_str());
    QCOMPARE(QByteArray::fromStdString(decode(x)), text);
    // With noise before the signal, the default squelch keeps what the noise forms out.
    dsp::GaussianNoise rng(8);
    dsp::addNoise(x.data(), x.size(), 0.0, rng);
    dsp::RttyConfig squelched;
    squelched.squelch = 500;
    QCOMPARE(QByteArray::fromStdString(decode(x, squelched)), text);
}

void TestDspRtty::simulatedBandStations() {
    audio::SimBand band(3);
    std::vector<float> x(size_t(90 * kFs));
    band.read(x.data(), x.size());
    dsp::RttyConfig cfg;
    cfg.markHz = 3100;
    cfg.squelch = 500;
    std::string got = decode(x, cfg);
    std::string sent = band.rttyStations().sentText(0);
    // As a teleprinter prints it: upper case, one space for any run of blanks and line ends.
    for (std::string* s : {&got, &sent}) {
        std::string t;
        for (char c : *s) {
            c = char(std::toupper(static_cast<unsigned char>(c)));
            if (c == '\r' || c == '\n') c = ' ';
            std::vector<uint8_t> probe;
            if (c != ' ' && !dsp::BaudotEncoder().encode(c, probe)) continue;
            if (c == ' ' && !t.empty() && t.back() == ' ') continue;
            t.push_back(c);
        }
        *s = t;
    }
    QVERIFY2(got.size() > 200, got.c_str());
    // Whole stretches of what the station sent come through (the noise between overs aside).
    const std::string middle = got.substr(got.size() / 2, 40);
    QVERIFY2(sent.find(middle) != std::string::npos, middle.c_str());
}

void TestDspRtty::wattersonFading_data() {
    QTest::addColumn<QString>("channel");
    QTest::newRow("CCIR poor") << "poor";
    QTest::newRow("flat 0.5 Hz") << "flat:0.5";
}

void TestDspRtty::wattersonFading() {
    // A strong signal through HF fading: characters are lost in the deep fades, but copy comes
    // back with the signal (it once stayed lost for seconds after each fade).
    QFETCH(QString, channel);
    const std::string text = longText(600);
    std::vector<float> x = transmit(text);
    dsp::FadingChannel::Profile profile;
    QVERIFY(dsp::FadingChannel::parse(channel.toStdString(), profile));
    dsp::FadingChannel(profile, kFs, 4).process(x.data(), x.size());
    dsp::GaussianNoise rng(5);
    dsp::addNoise(x.data(), x.size(), 10.0, rng, 0.125);
    const double cer = cerPercent(text, decode(x));
    QVERIFY2(cer < 6.0, qPrintable(QString::number(cer))); // 18-25 % before the mend
}

QTEST_GUILESS_MAIN(TestDspRtty)
#include "tst_dsp_rtty.moc"
