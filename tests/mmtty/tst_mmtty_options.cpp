// The engine's own options: the settings file, the setup window's changes, and the CW
// identification the engine keys at the end of a transmission.
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <map>

#include "dsp/Fft.h"
#include "dsp/RttyDemod.h"
#include "EngineOptions.h"
#include "RttyEngine.h"

namespace {

constexpr double kFs = 8000.0;

struct Silence : audio::SampleSource {
    size_t read(float* out, size_t max) override {
        std::fill(out, out + max, 0.0f);
        return max;
    }
};
struct Capture : audio::SampleSink {
    std::vector<float>* into;
    explicit Capture(std::vector<float>* v) : into(v) {}
    size_t write(const float* in, size_t n) override {
        into->insert(into->end(), in, in + n);
        return n;
    }
};

// A card that plays what it is given a block at a time: a paced sink, as a sound card is.
struct Card : audio::SampleSink {
    mutable std::atomic<size_t> backlog{0};
    std::atomic<bool> discarded{false};
    size_t write(const float*, size_t n) override {
        backlog += n;
        return n;
    }
    size_t pending() const override {
        // Each look finds another 64 samples played.
        const size_t b = backlog.load();
        backlog = b > 64 ? b - 64 : 0;
        return b;
    }
    bool paced() const override { return true; }
    void discard() override {
        discarded = true;
        backlog = 0;
    }
};

// Keying read back from a tone's envelope: on and off runs in seconds, switching at 60 % and
// 40 % of the peak (the envelope still ripples with the tone).
std::vector<std::pair<bool, double>> runs(const std::vector<float>& x) {
    std::vector<float> env(x.size());
    const size_t w = 16; // 2 ms: two cycles of the tone
    double acc = 0, peak = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        acc += std::fabs(x[i]) - (i >= w ? std::fabs(x[i - w]) : 0.0);
        env[i] = float(acc / w);
        peak = std::max(peak, double(env[i]));
    }
    std::vector<std::pair<bool, double>> r;
    bool on = false;
    for (float e : env) {
        on = on ? e > 0.4 * peak : e > 0.6 * peak;
        if (r.empty() || r.back().first != on) r.push_back({on, 0.0});
        r.back().second += 1.0 / kFs;
    }
    return r;
}

// Morse timing to text: 1 dot on is a dot, 3 a dash; 3 off ends a letter, 7 a word.
QString morseText(const std::vector<std::pair<bool, double>>& r, double dot) {
    static const std::map<QString, QChar> table = {
        {".-", 'A'},   {"-..", 'D'},  {".", 'E'},    {".----", '1'}, {"--.-", 'Q'},
        {"-..-", 'X'}, {"-.--", 'Y'}, {"--..", 'Z'}, {"-..-.", '/'}, {".--.", 'P'}};
    QString text, letter;
    auto flush = [&] {
        if (!letter.isEmpty()) text += table.count(letter) ? table.at(letter) : QChar('#');
        letter.clear();
    };
    for (const auto& [on, len] : r) {
        const double units = len / dot;
        if (on)
            letter += units < 2 ? '.' : '-';
        else if (units > 5)
            flush(), text += ' ';
        else if (units > 2)
            flush();
    }
    flush();
    return text.trimmed();
}

// The share of the power farther than 500 Hz from the tone (Hann-windowed spectra averaged).
double splatter(const float* x, size_t n, double tone) {
    dsp::RealFft fft(1024);
    std::vector<double> p(513, 0.0);
    for (size_t a = 0; a + 1024 <= n; a += 512) {
        for (int i = 0; i < 1024; ++i)
            fft.input()[i] = x[a + size_t(i)] * float(0.5 - 0.5 * std::cos(2 * M_PI * i / 1024));
        fft.execute();
        for (size_t b = 0; b < p.size(); ++b)
            p[b] += std::norm(fft.output()[b]);
    }
    double total = 0, far = 0;
    for (size_t b = 0; b < p.size(); ++b) {
        total += p[b];
        if (std::fabs(double(b) * kFs / 1024 - tone) > 500) far += p[b];
    }
    return far / total;
}

} // namespace

class TestMmttyOptions : public QObject {
    Q_OBJECT
private slots:
    void storedOptions_data();
    void storedOptions();
    void windowChanges_data();
    void windowChanges();
    void keyUpWhenPlayedOut_data();
    void keyUpWhenPlayedOut();
    void cwIdAtTheEnd_data();
    void cwIdAtTheEnd();
};

void TestMmttyOptions::storedOptions_data() {
    QTest::addColumn<QString>("stored"); // key=value
    QTest::addColumn<bool>("kept");
    QTest::newRow("afc range") << "AfcRange=40" << true;
    QTest::newRow("afc range too wide") << "AfcRange=999" << false;
    QTest::newRow("atc off") << "Atc=0" << true;
    QTest::newRow("atc garbage") << "Atc=yes" << false;
    QTest::newRow("level negative") << "TxLevel=-5" << false;
    QTest::newRow("cw id speed") << "CwIdSpeed=4" << true;
    QTest::newRow("cw id speed 0") << "CwIdSpeed=0" << false;
    QTest::newRow("cw id text") << "CwIdText=DE Q1XYZ/P" << true;
    QTest::newRow("cw id text of junk") << "CwIdText={}%" << false;
}

void TestMmttyOptions::storedOptions() {
    QFETCH(QString, stored);
    QFETCH(bool, kept);
    const QString key = stored.section('=', 0, 0), value = stored.section('=', 1);
    QTemporaryDir dir;
    QSettings store(dir.filePath("mmtty.ini"), QSettings::IniFormat);
    std::string problems;
    const mmtty::EngineOptions defaults = mmtty::loadOptions(store, &problems);
    QVERIFY(defaults == mmtty::EngineOptions{});
    QVERIFY(problems.empty());
    store.setValue("Engine/" + key, value);
    mmtty::EngineOptions o = mmtty::loadOptions(store, &problems);
    QCOMPARE(problems.empty(), kept);
    QCOMPARE(o == defaults, !kept);
    dsp::RttyConfig c; // what the engine hands its demodulator
    mmtty::applyOptions(o, c);
    QCOMPARE(c.afcRangeHz, double(o.afcRangeHz));
    QCOMPARE(c.atc, o.atc);
    if (!kept) return;
    // What was read is written back the same and reads back equal.
    QSettings other(dir.filePath("again.ini"), QSettings::IniFormat);
    mmtty::saveOptions(other, o);
    QCOMPARE(other.value("Engine/" + key).toString(), value);
    QVERIFY(mmtty::loadOptions(other) == o);
}

void TestMmttyOptions::windowChanges_data() {
    QTest::addColumn<int>("change");
    QTest::addColumn<uint>("switches");
    QTest::addColumn<double>("mark");
    QTest::addColumn<double>("space");
    QTest::addColumn<bool>("shared");
    QTest::addColumn<bool>("options");
    // The engine runs with AFC, USOS and bit 7 and the word-mode bits; AFC moved the mark to
    // 2131 Hz after the window was filled with 2125.
    const uint base = (1u << 2) | (1u << 7) | (1u << 9) | (1u << 15) | (1u << 17);
    QTest::newRow("afc off") << 1 << (base & ~(1u << 2)) << 2131.0 << 2301.0 << true << false;
    QTest::newRow("reverse on") << 2 << (base | (1u << 8)) << 2131.0 << 2301.0 << true << false;
    QTest::newRow("shift 425") << 3 << base << 2131.0 << 2556.0 << true << false;
    QTest::newRow("mark 1500") << 4 << base << 1500.0 << 1670.0 << true << false;
    QTest::newRow("cw id text") << 5 << base << 2131.0 << 2301.0 << false << true;
}

void TestMmttyOptions::windowChanges() {
    QFETCH(int, change);
    QFETCH(uint, switches);
    QFETCH(double, mark);
    QFETCH(double, space);
    QFETCH(bool, shared);
    QFETCH(bool, options);
    mmtty::EngineSettings s;
    s.switches = (1u << 2) | (1u << 7) | (1u << 9) | (1u << 15) | (1u << 17);
    const mmtty::SetupValues before = mmtty::valuesFrom(s, {});
    QVERIFY(before.afc && before.usos && !before.net && !before.reverse);
    QCOMPARE(before.shiftHz, 170);
    s.mark = 2131, s.space = 2301;
    mmtty::SetupValues after = before;
    if (change == 1) after.afc = false;
    if (change == 2) after.reverse = true;
    if (change == 3) after.shiftHz = 425;
    if (change == 4) after.markHz = 1500;
    if (change == 5) after.options.cwIdText = "de q1xyz";
    mmtty::EngineOptions o;
    const mmtty::Applied a = mmtty::applyChanges(before, after, s, o);
    QCOMPARE(s.switches, uint32_t(switches));
    QCOMPARE(s.mark, mark);
    QCOMPARE(s.space, space);
    QCOMPARE(a.shared, shared);
    QCOMPARE(a.options, options);
    if (change == 5) QCOMPARE(QString::fromStdString(o.cwIdText), QString("DE Q1XYZ"));
}

void TestMmttyOptions::keyUpWhenPlayedOut_data() {
    QTest::addColumn<bool>("abort");
    QTest::newRow("stop") << false;
    QTest::newRow("abort") << true;
}

void TestMmttyOptions::keyUpWhenPlayedOut() {
    // The key goes up (and the program hears so) only once the card has played the over out;
    // an abort drops what the card still holds.
    QFETCH(bool, abort);
    auto card = std::make_unique<Card>();
    Card* c = card.get();
    std::atomic<bool> done{false};
    std::atomic<long> heldAtKeyUp{-1};
    mmtty::RttyEngine engine(
        std::make_unique<Silence>(), std::move(card), nullptr, nullptr, [](int32_t, int32_t) {},
        [&] {
            heldAtKeyUp = long(c->backlog.load());
            done = true;
        });
    engine.start();
    engine.startTransmit();
    for (char ch : std::string("RYRYRYRY"))
        engine.sendChar(ch);
    if (abort) {
        QTRY_VERIFY(c->backlog.load() > 4000);
        engine.abortTransmit();
    } else {
        engine.stopTransmit();
    }
    QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
    engine.stop();
    QCOMPARE(heldAtKeyUp.load(), 0L);
    QCOMPARE(c->discarded.load(), abort);
}

void TestMmttyOptions::cwIdAtTheEnd_data() {
    QTest::addColumn<int>("speedIndex");
    QTest::newRow("37 wpm") << 1;
    QTest::newRow("9 wpm") << 4;
}

void TestMmttyOptions::cwIdAtTheEnd() {
    // The engine as it runs: text, then on stop the identification keyed on the mark tone.
    QFETCH(int, speedIndex);
    std::vector<float> sent;
    std::atomic<bool> done{false};
    mmtty::RttyEngine engine(
        std::make_unique<Silence>(), std::make_unique<Capture>(&sent), nullptr, nullptr,
        [](int32_t, int32_t) {}, [&] { done = true; });
    mmtty::EngineOptions o;
    o.cwId = true;
    o.cwIdText = "DE Q1XYZ/P";
    o.cwIdSpeedIndex = speedIndex;
    engine.setOptions(o);
    engine.start();
    engine.startTransmit();
    for (char c : std::string("RYRY"))
        engine.sendChar(c);
    engine.stopTransmit();
    QTRY_VERIFY_WITH_TIMEOUT(done, 20000);
    engine.stop();
    const auto r = runs(sent);
    // The RTTY part is one long run of constant envelope; the identification follows.
    auto it = std::find_if(r.begin(), r.end(), [](auto p) { return p.first && p.second > 0.5; });
    QVERIFY(it != r.end());
    const std::vector<std::pair<bool, double>> cw(it + 1, r.end());
    const double dot = 1.2 / mmtty::kCwIdWpm[size_t(speedIndex - 1)];
    QCOMPARE(morseText(cw, dot), QString("DE Q1XYZ/P"));
    QVERIFY2(std::fabs(cw[3].second - dot) < 0.002, qPrintable(QString::number(cw[3].second)));
    // No clicks: raised-cosine edges keep the keying's sidebands close to the tone (beyond
    // 500 Hz: hard keying 7e-4 to 3e-3 of the power, 5 ms linear ramps 2e-6 to 1e-5, these
    // 1e-7 to 5e-7).
    double cwSeconds = 0;
    for (const auto& p : cw)
        cwSeconds += p.second;
    const size_t from = sent.size() - size_t(cwSeconds * kFs);
    const double far = splatter(sent.data() + from, sent.size() - from, 2125.0);
    QVERIFY2(far < 1.5e-6, qPrintable(QString::number(far)));
}

QTEST_GUILESS_MAIN(TestMmttyOptions)
#include "tst_mmtty_options.moc"
