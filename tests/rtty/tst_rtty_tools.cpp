// rttyencode and rttydecode as a user runs them.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestRttyTools : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void badUse_data();
    void badUse();
    void peerDecodesOurTransmission();

private:
    int run(const QString& program, const QStringList& args, const QByteArray& in,
            QByteArray* out = nullptr) {
        QProcess p;
        p.start(program, args);
        p.write(in);
        p.closeWriteChannel();
        if (!p.waitForFinished(60000)) return -1;
        if (out) *out = p.readAllStandardOutput();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    QTemporaryDir dir_;
};

void TestRttyTools::roundTrip_data() {
    QTest::addColumn<QStringList>("encodeArgs");
    QTest::addColumn<QStringList>("decodeArgs");
    QTest::addColumn<bool>("viaStdin");
    QTest::newRow("defaults, file") << QStringList() << QStringList() << false;
    QTest::newRow("850 Hz reverse 75 baud 44.1 kHz, stdin")
        << QStringList{"--shift", "850", "--reverse", "--baud=75", "--rate", "44100", "--snr", "10"}
        << QStringList{"--shift", "850", "--reverse", "--baud=75", "--squelch", "500"} << true;
}

void TestRttyTools::roundTrip() {
    QFETCH(QStringList, encodeArgs);
    QFETCH(QStringList, decodeArgs);
    QFETCH(bool, viaStdin);
    const QString wav = dir_.filePath("t.wav");
    QCOMPARE(run(TD_RTTYENCODE, encodeArgs << wav, "cq de w1aw 599 73\n"), 0);
    QByteArray out;
    if (viaStdin) {
        QFile f(wav);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(run(TD_RTTYDECODE, decodeArgs << "-", f.readAll(), &out), 0);
    } else {
        QCOMPARE(run(TD_RTTYDECODE, decodeArgs << wav, {}, &out), 0);
    }
    QCOMPARE(out, QByteArray("CQ DE W1AW 599 73\n"));
}

void TestRttyTools::badUse_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::newRow("no file") << QStringList() << 1;
    QTest::newRow("bad baud") << QStringList{"--baud", "x", "a.wav"} << 1;
    QTest::newRow("space above 3900")
        << QStringList{"--mark", "3500", "--shift", "850", "a.wav"} << 1;
    QTest::newRow("missing file") << QStringList{"/nonexistent/a.wav"} << 2;
    QTest::newRow("not a wav on stdin") << QStringList{"-"} << 2;
}

void TestRttyTools::badUse() {
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QCOMPARE(run(TD_RTTYDECODE, args, "garbage"), status);
}

void TestRttyTools::peerDecodesOurTransmission() {
    // minimodem (scripts/deps.sh installs it) copies our RTTY at +10 dB exactly, figures after
    // spaces included, which only works if we shift again after each space.
    const QString wav = dir_.filePath("peer.wav");
    const QByteArray text = "CQ CQ DE W1AW 599 5NN QTH 14.085 MHZ? (OK) 73 1 2 3";
    QCOMPARE(run(TD_RTTYENCODE, {"--snr", "10", wav}, text + "\n"), 0);
    QByteArray out;
    QCOMPARE(
        run("minimodem", {"--rx", "rtty", "-q", "-M", "2125", "-S", "2295", "-f", wav}, {}, &out),
        0);
    QCOMPARE(out.trimmed(), text);
}

QTEST_GUILESS_MAIN(TestRttyTools)
#include "tst_rtty_tools.moc"
