// The frequency scale under the waterfall: where the ticks fall, what the labels read, and
// that the labels are drawn centred on their ticks.
#include "tuning/FrequencyScale.h"

#include <cmath>
#include <QTest>

using namespace display;
using platform::PictureBox;

namespace {

constexpr double kHz = 4000.0 / 1023.0;

std::vector<FrequencyTick> ofKind(const std::vector<FrequencyTick>& all, TickKind k) {
    std::vector<FrequencyTick> r;
    for (const auto& t : all)
        if (t.kind == k) r.push_back(t);
    return r;
}

} // namespace

class TestFrequencyScale : public QObject {
    Q_OBJECT

private slots:
    void moduloAndBase() {
        QCOMPARE(Modulo(7, 3), 1.0);
        QCOMPARE(Modulo(-1, 1000), 999.0);
        QCOMPARE(Modulo(2500, 500), 0.0);
        QVERIFY(std::isnan(Modulo(5, 0)));
        QVERIFY(std::isnan(Modulo(INFINITY, 10)));
        QCOMPARE(ScaleBaseHz("14070"), 14070000.0);
        QCOMPARE(ScaleBaseHz(" 14,070.150 "), 14070150.0);
        QCOMPARE(ScaleBaseHz(""), 0.0);
        QCOMPARE(ScaleBaseHz("14 MHz"), 0.0);
    }

    void audioScaleTicks() {
        const auto ticks = FrequencyTicks(0, kHz, 1023);
        const auto longs = ofKind(ticks, TickKind::Long);
        QCOMPARE(longs.size(), size_t(5));
        for (int k = 0; k <= 4; ++k) {
            QCOMPARE(longs[size_t(k)].label, QString::number(k));
            // The column nearest the multiple.
            QVERIFY(std::abs(longs[size_t(k)].unit - 1000.0 * k / kHz) <= 0.5 + 1e-9);
        }
        QCOMPARE(ofKind(ticks, TickKind::Medium).size(), size_t(4));
        QCOMPARE(ofKind(ticks, TickKind::Short).size(), size_t(32));
        QCOMPARE(ofKind(ticks, TickKind::Medium)[0].unit, 128); // 127.875
        for (size_t i = 1; i < ticks.size(); ++i)
            QVERIFY(ticks[i].unit > ticks[i - 1].unit);
    }

    void absoluteScaleTicks() {
        const auto longs =
            ofKind(FrequencyTicks(ScaleBaseHz("14070.150"), kHz, 1023), TickKind::Long);
        QCOMPARE(longs.size(), size_t(4));
        QCOMPARE(longs[0].label, QStringLiteral("14071"));
        QCOMPARE(longs[3].label, QStringLiteral("14074"));
        QCOMPARE(longs[0].unit, 217); // 850 Hz in: 217.39
        const auto whole = ofKind(FrequencyTicks(ScaleBaseHz("14070"), kHz, 1023), TickKind::Long);
        QCOMPARE(whole.size(), size_t(5));
        QCOMPARE(whole[0].label, QStringLiteral("14070"));
        QCOMPARE(whole[0].unit, 0);
        // Below zero kHz nothing reads "-0".
        const auto neg = ofKind(FrequencyTicks(-2000, kHz, 1023), TickKind::Long);
        QCOMPARE(neg[2].label, QStringLiteral("0"));
        QCOMPARE(neg[0].label, QStringLiteral("-2"));
    }

    void badInputGivesNoTicks() {
        QVERIFY(FrequencyTicks(0, 0, 1023).empty());
        QVERIFY(FrequencyTicks(0, 150, 1023).empty());
        QVERIFY(FrequencyTicks(std::nan(""), kHz, 1023).empty());
        QVERIFY(FrequencyTicks(0, kHz, -1).empty());
    }
};

QTEST_MAIN(TestFrequencyScale)
#include "tst_frequency_scale.moc"
