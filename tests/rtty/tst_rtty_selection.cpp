// Choosing between the soundcard engine and the external modem: the split of the receive
// area, the transmit frame, the transceiver's mode and dial, and the routing of transmission.
#include <QtTest>

#include "rtty/RTTYSelection.h"

namespace {
struct Path : rtty::RTTYPath {
    QString name;
    bool on = false, id = false;
    int mode = 0;
    QString sent;
    explicit Path(QString n, int m) : name(std::move(n)), mode(m) {}
    bool running() const override { return on; }
    int xcvrMode() const override { return mode; }
    void updateReceiveFrequency() override {}
    void startTransmit() override { sent += '['; }
    void stopTransmit() override { sent += ']'; }
    void abortTransmit() override { sent += '!'; }
    void sendCharacter(int c) override { sent += QChar(c); }
    void sendIdentification() override { sent += '#'; }
    bool hasIdCommand() const override { return id; }
    QString caption() const override { return name; }
};

struct Host : rtty::RTTYSelectionHost {
    double share[2] = {0.7, 0.3};
    int selected = -1, channel = 0;
    bool frames = false, idVisible = false, optimal = true;
    QString caption, qso = "14,085.000", offsets[2] = {"170", "0"};
    QStringList rig;
    double paneShare(int p) const override { return share[p]; }
    void setPaneShares(double a, double b) override { share[0] = a, share[1] = b; }
    void selectReceivePane(int p) override { selected = p; }
    void showFrames(bool on) override { frames = on; }
    void setTransmitCaption(const QString& c) override { caption = c; }
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
    Path engine{"soundcard", 0}, modem{"TestModem", 1};
    rtty::RTTYSelection sel{host, engine, modem};

private slots:
    void init() {
        host = Host();
        engine.on = modem.on = modem.id = false;
        engine.sent.clear();
        modem.sent.clear();
        sel.Initialize();
    }

    void split_data() {
        QTest::addColumn<bool>("eng");
        QTest::addColumn<bool>("mod");
        QTest::addColumn<double>("before0");
        QTest::addColumn<double>("before1");
        QTest::addColumn<double>("after0");
        QTest::addColumn<double>("after1");
        QTest::addColumn<bool>("frames");
        QTest::newRow("engine only") << true << false << 0.7 << 0.3 << 1.0 << 0.0 << true;
        QTest::newRow("modem only") << false << true << 0.7 << 0.3 << 0.0 << 1.0 << true;
        QTest::newRow("neither") << false << false << 0.7 << 0.3 << 0.0 << 0.0 << false;
        QTest::newRow("both, kept") << true << true << 0.7 << 0.3 << 0.7 << 0.3 << true;
        QTest::newRow("both, one empty") << true << true << 1.0 << 0.0 << 0.5 << 0.5 << true;
        QTest::newRow("both, 0.1") << true << true << 0.9 << 0.1 << 0.5 << 0.5 << true;
    }
    void split() {
        QFETCH(bool, eng);
        QFETCH(bool, mod);
        QFETCH(double, before0);
        QFETCH(double, before1);
        engine.on = eng;
        modem.on = mod;
        host.share[0] = before0;
        host.share[1] = before1;
        sel.UpdatePanels();
        QTEST(host.share[0], "after0");
        QTEST(host.share[1], "after1");
        QTEST(host.frames, "frames");
    }

    void captionsAndRetune() {
        engine.on = true;
        sel.UpdatePanels();
        QCOMPARE(host.selected, 0);
        QCOMPARE(host.caption, QString("Transmit RTTY (soundcard)"));
        QCOMPARE(host.rig, QStringList{"LSB 14085"}); // the first mode is sent without a move
        modem.on = true;
        sel.UpdatePanels();
        QCOMPARE(host.rig.size(), 1);
        sel.SelectPane(1);
        QCOMPARE(host.caption, QString("Transmit RTTY (TestModem)"));
        QCOMPARE(host.rig.last(), QString("RTTY 14084.83"));
        QVERIFY(!sel.IsLSB());
        host.qso = "14084.83";
        sel.SelectPane(0);
        QCOMPARE(host.rig.last(), QString("LSB 14085"));
        host.qso = "not a number";
        host.offsets[0] = "x";
        sel.SelectPane(1);
        QCOMPARE(host.rig.last(), QString("RTTY 0"));
    }

    void idButton() {
        engine.on = modem.on = modem.id = true;
        sel.SelectPane(0);
        QVERIFY(!host.idVisible);
        sel.SendIdentification();
        sel.SelectPane(1);
        QVERIFY(host.idVisible);
        sel.SendIdentification();
        QCOMPARE(modem.sent, QString("#"));
    }

    void routing() {
        engine.on = modem.on = true;
        sel.SelectPane(0);
        sel.StartTransmit();
        QVERIFY(!host.optimal);
        sel.SendCharacter('a');
        sel.StopTransmit();
        QVERIFY(!host.optimal); // no transceiver program: the button stays off
        host.channel = 1;       // a PSK channel other than the soundcard pane is active
        sel.SendCharacter('b');
        sel.SelectPane(1);
        sel.StartTransmit();
        sel.SendCharacter('c');
        sel.AbortTransmit();
        modem.on = false;
        sel.SendCharacter('d');
        QCOMPARE(engine.sent, QString("[a]"));
        QCOMPARE(modem.sent, QString("[c!"));
    }
};

QTEST_GUILESS_MAIN(TestRTTYSelection)
#include "tst_rtty_selection.moc"
