// Choosing between the soundcard engine and the external modem: the split of the receive area,
// the transceiver's mode and dial, the routing of transmission (the captions and the routing
// of feeds are seen on the real program by tst_rtty_endtoend).
#include <QPointF>
#include <QtTest>

#include "rtty/RTTYSelection.h"

namespace {
struct Path : rtty::RTTYPath {
    int mode;
    QString sent;
    bool on = false, id = false;
    explicit Path(int m) : mode(m) {}
    bool running() const override { return on; }
    int xcvrMode() const override { return mode; }
    void updateReceiveFrequency() override {}
    void startTransmit() override { sent += '['; }
    void stopTransmit() override { sent += ']'; }
    void abortTransmit() override { sent += '!'; }
    void sendCharacter(int c) override { sent += QChar(c); }
    void sendIdentification() override { sent += '#'; }
    bool hasIdCommand() const override { return id; }
    QString caption() const override { return {}; }
};

struct Host : rtty::RTTYSelectionHost {
    double share[2] = {0.7, 0.3};
    int channel = 0;
    bool frames = false, idVisible = false, optimal = true;
    QString qso = "14,085.000", offsets[2] = {"170", "0"};
    QStringList rig;
    double paneShare(int p) const override { return share[p]; }
    void setPaneShares(double a, double b) override { share[0] = a, share[1] = b; }
    void selectReceivePane(int) override {}
    void showFrames(bool on) override { frames = on; }
    void setTransmitCaption(const QString&) override {}
    void setIdVisible(bool on) override { idVisible = on; }
    QString qsoFrequency() const override { return qso; }
    QString offsetText(int m) const override { return offsets[m]; }
    void saveOffset(int, const QString&) override {}
    int activeChannel() const override { return channel; }
    void transceiverModeAndFrequency(const QString& m, const QString& f) override {
        rig << m + ' ' + f;
    }
    void setOptimalOffsetEnabled(bool on) override { optimal = on; }
};
} // namespace

class TestRTTYSelection : public QObject {
    Q_OBJECT
    Host host;
    Path engine{0}, modem{1};
    rtty::RTTYSelection sel{host, engine, modem};

private slots:
    void init() {
        host = Host(), engine = Path(0), modem = Path(1);
        sel.Initialize();
    }

    void split_data() {
        QTest::addColumn<int>("paths");      // 1 the engine runs, 2 the modem
        QTest::addColumn<QPointF>("before"); // shares of pane 0 and pane 1
        QTest::addColumn<QPointF>("after");
        QTest::newRow("engine only") << 1 << QPointF(0.7, 0.3) << QPointF(1, 0);
        QTest::newRow("modem only") << 2 << QPointF(0.7, 0.3) << QPointF(0, 1);
        QTest::newRow("neither") << 0 << QPointF(0.7, 0.3) << QPointF(0, 0);
        QTest::newRow("both, kept") << 3 << QPointF(0.7, 0.3) << QPointF(0.7, 0.3);
        QTest::newRow("both, one empty") << 3 << QPointF(1, 0) << QPointF(0.5, 0.5);
        QTest::newRow("both, 0.1") << 3 << QPointF(0.9, 0.1) << QPointF(0.5, 0.5);
    }
    void split() {
        QFETCH(int, paths);
        QFETCH(QPointF, before);
        engine.on = paths & 1;
        modem.on = paths & 2;
        host.share[0] = before.x(), host.share[1] = before.y();
        sel.UpdatePanels();
        QTEST(QPointF(host.share[0], host.share[1]), "after");
        QCOMPARE(host.frames, paths != 0);
    }

    // Each change of path retunes the dial by the difference of the two paths' offsets.
    void retune() {
        engine.on = modem.on = true;
        sel.UpdatePanels(); // the first mode is sent without a move
        sel.SelectPane(1);
        sel.SelectPane(0);
        host.qso = "not a number", host.offsets[0] = "x";
        sel.SelectPane(1);
        QCOMPARE(host.rig, (QStringList{"LSB 14085", "RTTY 14084.83", "LSB 14085.17", "RTTY 0"}));
        QVERIFY(!sel.IsLSB());
    }

    // Transmission goes to the path of the selected pane while it runs; the identification to
    // the modem alone, whose button shows only on its pane.
    void routing() {
        engine.on = modem.on = modem.id = true;
        sel.SelectPane(0);
        sel.SendIdentification();
        host.channel = 1; // a PSK channel other than the soundcard pane is active
        sel.SendCharacter('b');
        QVERIFY(!host.idVisible && engine.sent.isEmpty());
        sel.SelectPane(1);
        sel.StartTransmit();
        sel.SendIdentification();
        sel.AbortTransmit();
        QVERIFY(host.idVisible && !host.optimal); // no transceiver program: the button stays off
        modem.on = false;
        sel.SendCharacter('d');
        QCOMPARE(modem.sent, "[#!");
    }
};

QTEST_GUILESS_MAIN(TestRTTYSelection)
#include "tst_rtty_selection.moc"
