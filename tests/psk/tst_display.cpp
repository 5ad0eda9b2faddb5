// The tuning displays as the engine's spectrum messages drive them: the waterfall and spectrum
// with their markers, the signal meter and squelch, the phase vectors, the overload warning,
// and tuning by a click on the waterfall. Drawing is checked in the pictures' back buffers.
#include "AppFixture.h"
#include <psk/PSKXcvr.h>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QSlider>
#include <QtTest>

using fake::AppFixture;
using fake::FakePskEngine;

namespace {

constexpr int32_t kBlack = 0;
constexpr int32_t kRed = 0xFF;
constexpr int32_t kYellow = 0xFFFF;
constexpr int32_t kGreen = 0xFF00;
constexpr int32_t kBlue = 0xFF0000;
constexpr int32_t kWhite = 0xFFFFFF;

// The main window shown, with a waterfall of exactly one pixel per unit.
mainwindow::TonedeckApp& shown(AppFixture& f) {
    auto& app = f.start();
    app.main.Waterfall->setFixedSize(1023, 64);
    app.main.SignalStrengthControl->setFixedSize(198, 14);
    return f.show();
}

// One spectrum message from the engine, handled.
void poll() {
    QVERIFY(FakePskEngine::instance().postData());
    AppFixture::settle();
}

} // namespace

class TestDisplay : public QObject {
    Q_OBJECT

private slots:
    void clickOnTheWaterfallTunesAChannel() {
        AppFixture f;
        auto& app = shown(f);
        auto& e = FakePskEngine::instance();
        auto& m = app.main;
        app.xcvr.SetActiveChannel(1);
        e.calls.clear();
        QTest::mouseClick(m.Waterfall, Qt::LeftButton, {}, QPoint(512, 20));
        // 4000 / 1023 * 512 = 2001.96 Hz, on the active channel.
        QCOMPARE(e.callsStartingWith("fnSetRXFrequency"),
                 QStringList{"fnSetRXFrequency(2002,50,1)"});
        QCOMPARE(app.xcvr.ActiveChannel(), 1);
        const struct {
            Qt::KeyboardModifiers mods;
            int channel;
        } picks[] = {{Qt::ControlModifier, 0}, {Qt::ShiftModifier, 1}, {Qt::AltModifier, 2}};
        for (const auto& p : picks) {
            e.calls.clear();
            QTest::mouseClick(m.Waterfall, Qt::LeftButton, p.mods, QPoint(256, 20));
            QCOMPARE(app.xcvr.ActiveChannel(), p.channel);
            QCOMPARE(e.callsStartingWith("fnSetRXFrequency"),
                     QStringList{QStringLiteral("fnSetRXFrequency(1001,50,%1)").arg(p.channel)});
        }
        // The right button's menu tunes any channel, modifiers or not.
        QStringList offered;
        m.ShowPopupMenu = [&offered](QMenu& menu) {
            for (QAction* a : menu.actions())
                offered << a->text();
            menu.actions().at(1)->trigger();
        };
        e.calls.clear();
        QTest::mouseClick(m.Waterfall, Qt::RightButton, {}, QPoint(10, 20));
        QCOMPARE(offered, (QStringList{"Tune channel 0 here", "Tune channel 1 here",
                                       "Tune channel 2 here"}));
        QCOMPARE(app.xcvr.ActiveChannel(), 1);
        QCOMPARE(e.callsStartingWith("fnSetRXFrequency"),
                 QStringList{"fnSetRXFrequency(100,50,1)"});
        // A width change clears rows drawn at the old width.
        m.Waterfall->fill(0xFFFFFF);
        m.Waterfall->resize(m.Waterfall->width() - 50, m.Waterfall->height());
        app.xcvr.UpdateWaterfallDisplay();
        QCOMPARE(m.Waterfall->pixel(5, m.Waterfall->pixelHeight() - 1), 0);
        // In RTTY mode the PSK channels stay where they are.
        m.ShowPopupMenu = [](QMenu&) {};
        m.ModeButton[1]->click();
        e.calls.clear();
        app.main.Waterfall_MouseDown(512, Qt::LeftButton, Qt::ControlModifier);
        QVERIFY(e.callsStartingWith("fnSetRXFrequency").isEmpty());
    }

    void squelchClickAndSignalMeter() {
        AppFixture f;
        auto& app = shown(f);
        auto& e = FakePskEngine::instance();
        auto& m = app.main;
        platform::PictureBox& meter = *m.SignalStrengthControl;
        QCOMPARE(meter.pixelWidth(), 198); // x / 198 * 99 = x / 2: halves at odd x
        const struct {
            int x, threshold;
        } clicks[] = {{1, 0}, {3, 2}, {5, 2}, {7, 4}, {101, 50}, {197, 98}, {0, 0}};
        for (const auto& c : clicks) {
            QTest::mouseClick(&meter, Qt::LeftButton, {}, QPoint(c.x, 5));
            QCOMPARE(app.xcvr.SquelchThreshold(0), c.threshold);
            QCOMPARE(m.RcvSquelchThresholdDisplay->text(), QString::number(c.threshold));
        }
        QTest::mouseClick(&meter, Qt::LeftButton, {}, QPoint(100, 5));
        QCOMPARE(app.xcvr.SquelchThreshold(0), 50);

        // Level 30 is below the threshold: a red bar; the blue mark sits at the threshold.
        e.signalLevel = 30;
        poll();
        QCOMPARE(meter.pixel(30, 7), kRed); // 30 / 99 * 198 = 60
        QCOMPARE(meter.pixel(70, 7), kBlack);
        QCOMPARE(meter.pixel(100, 7), kBlue);
        QCOMPARE(meter.pixel(150, 7), kBlack);
        e.signalLevel = 80;
        poll();
        QCOMPARE(meter.pixel(30, 7), kYellow);
        QCOMPARE(meter.pixel(150, 7), kYellow);
        QCOMPARE(meter.pixel(170, 7), kBlack);
        QCOMPARE(meter.pixel(100, 7), kBlue);
    }

    void phaseVectorsAndOverload() {
        AppFixture f;
        auto& app = shown(f);
        auto& e = FakePskEngine::instance();
        auto& m = app.main;
        platform::PictureBox& v = *m.VectorDisplay;
        const int cx = v.pixelWidth() / 2, cy = v.pixelHeight() / 2;
        e.vectors = {};
        e.vectors[0] = 1000; // full radius to the right
        e.vectors[3] = -500; // half radius up
        poll();
        QCOMPARE(v.pixel(cx + 10, cy), kWhite);
        QCOMPARE(v.pixel(v.pixelWidth() - 2, cy), kWhite);
        QCOMPARE(v.pixel(cx, cy - 10), kWhite);
        QCOMPARE(v.pixel(cx, cy + 10), kBlack);
        QCOMPARE(v.pixel(cx - 10, cy), kBlack);
        app.xcvr.SetSpectrumDisplayColor(kGreen);
        poll();
        QCOMPARE(v.pixel(cx + 10, cy), kGreen);
        QCOMPARE(f.settings.getSetting("Receiver", "SpectrumDisplayColor"), QString("65280"));
        app.xcvr.SetSpectrumDisplayColor(-1); // refused, reported
        QCOMPARE(app.xcvr.GetSpectrumDisplayColor(), kGreen);
        QVERIFY(f.errorLog().contains("PSKXcvr.SetSpectrumDisplayColor"));

        e.overload = 1;
        poll();
        QCOMPARE(m.ReceiveFrame->title(), QString("Receive soundcard overload!"));
        QCOMPARE(psk::foreColor(m.ReceiveFrame), kRed);
        e.overload = 0;
        poll();
        QCOMPARE(m.ReceiveFrame->title(), QString("Receive Channel 0 (BPSK)"));
        QCOMPARE(psk::foreColor(m.ReceiveFrame), kBlack);
    }
};

QTEST_MAIN(TestDisplay)
#include "tst_display.moc"
