// The RTTY engine launched as a process, driven as the program drives it: command line, shared
// block, both message tables, decoding a recording, transmitting, closing, and bad input.
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

#include "MmttyLink.h"
#include "platform/Messages.h"

class TestMmttyEngine : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void commandLine_data();
    void commandLine();
    void pttPortNames();
    void init();
    void cleanup();
    void decodesAndReports();
    void transmits();
    void badInputKeepsItRunning();

private:
    QTemporaryDir runtime_; // sockets and shared block of our own, apart from other runs
    bool launch(const QString& source);
    bool waitFor(const std::function<bool()>& done, int ms = 20000) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < ms)
            QTest::qWait(20);
        return done();
    }
    void post(int32_t code, int32_t value) {
        platform::postMessage(engineWindow_, msg_, code, value);
    }
    std::unique_ptr<platform::MessageWindow> window_;
    std::unique_ptr<QProcess> engine_;
    mmtty::SharedBlock block_;
    uint32_t msg_ = 0;
    platform::WindowHandle engineWindow_ = 0;
    QList<QPair<int32_t, int32_t>> reports_;
    QByteArray text_;
};

void TestMmttyEngine::commandLine_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<uint>("handle");
    QTest::newRow("as launched") << QStringList{"-m", "-h0001A2B4"} << true << 0x1A2B4u;
    QTest::newRow("lower case") << QStringList{"-m", "-h0001a2b4"} << false << 0u;
    QTest::newRow("seven digits") << QStringList{"-m", "-h001A2B4"} << false << 0u;
    QTest::newRow("no -m") << QStringList{"-h0001A2B4"} << false << 0u;
    QTest::newRow("extra") << QStringList{"-m", "-h0001A2B4", "x"} << false << 0u;
}

void TestMmttyEngine::commandLine() {
    QFETCH(QStringList, args);
    QFETCH(bool, ok);
    QFETCH(uint, handle);
    QCOMPARE(QString::fromStdString(mmtty::handleArgument(0x1A2B4)), QString("-m -h0001A2B4"));
    std::vector<std::string> s{"mmtty"};
    for (const QString& a : args)
        s.push_back(a.toStdString());
    std::vector<const char*> argv;
    for (auto& a : s)
        argv.push_back(a.c_str());
    uint32_t h = 0;
    QCOMPARE(mmtty::parseCommandLine(int(argv.size()), argv.data(), h), ok);
    if (ok) QCOMPARE(h, handle);
}

void TestMmttyEngine::pttPortNames() {
    QCOMPARE(mmtty::parsePttPort("NONE"), 0);
    QCOMPARE(mmtty::parsePttPort("COM3"), 3);
    QCOMPARE(mmtty::parsePttPort("COM0"), -1);
    QCOMPARE(mmtty::parsePttPort("COMX"), -1);
    QCOMPARE(mmtty::parsePttPort("\xff\xfe"), -1);
}

void TestMmttyEngine::init() {
    reports_.clear();
    text_.clear();
    engineWindow_ = 0;
    msg_ = platform::registerWindowMessage("MMTTY");
    window_ = std::make_unique<platform::MessageWindow>();
    QVERIFY(window_->listen());
    window_->setWindowProc([this](platform::WindowHandle, uint32_t m, int32_t code, int32_t v) {
        if (m != msg_) return 0;
        reports_.append({code, v});
        if (code == mmtty::RepHandle) engineWindow_ = v;
        if (code == mmtty::RepChar) text_.append(char(v));
        return 0;
    });
    QVERIFY(block_.create());
    struct stat st {};
    const std::string shm = "/dev/shm" + mmtty::SharedBlock::name();
    QCOMPARE(::stat(shm.c_str(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), 0600);
    QCOMPARE(int(QFileInfo(platform::runtimeDirectory()).permissions() &
                 (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther)),
             0);
    block_.writeString(mmtty::kOffTitle, mmtty::kTitleSize, mmtty::kEngineTitle);
    block_.writeString(mmtty::kOffPttPort, mmtty::kPttPortSize, "NONE");
}

void TestMmttyEngine::cleanup() {
    if (engine_ && engine_->state() != QProcess::NotRunning) {
        engine_->kill();
        engine_->waitForFinished(3000);
    }
    engine_.reset();
    block_.close();
    window_.reset();
}

bool TestMmttyEngine::launch(const QString& source) {
    engine_ = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TONEDECK_MMTTY_SOURCE", source);
    env.insert("TONEDECK_MMTTY_SPEED", "4");
    engine_->setProcessEnvironment(env);
    engine_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const QString args = QString::fromStdString(mmtty::handleArgument(uint32_t(window_->handle())));
    engine_->start(TD_MMTTY, args.split(' '));
    if (!engine_->waitForStarted(5000)) return false;
    return waitFor([this] { return engineWindow_ != 0; }) &&
           platform::findWindow(mmtty::kEngineTitle) == engineWindow_;
}

void TestMmttyEngine::decodesAndReports() {
    QVERIFY(launch("wav:" TD_RTTY_TESTDATA "/minimodem_rtty.wav"));
    post(mmtty::CmdSetWindow, window_->handle());
    post(mmtty::CmdRequestSwitches, 0);
    QVERIFY(waitFor([this] {
        return reports_.contains({mmtty::RepSpeed, 4545}) &&
               reports_.contains({mmtty::RepMark, 2125}) &&
               reports_.contains({mmtty::RepSpace, 2295});
    }));
    post(mmtty::CmdSquelch, 0);
    QVERIFY(waitFor([this] { return text_.contains("(OK) 73"); }));
    QCOMPARE(text_,
             QByteArray("RYRYRY CQ CQ DE W1AW W1AW K\r\nUR RST 599 5NN QTH 14.085 MHZ? (OK) 73"));
    QVERIFY(waitFor([this] { return block_.readInt(mmtty::kOffSpectrumReady) == 1; }));
    int peak = 0, at = 0;
    for (int k = 0; k < mmtty::kSpectrumBins; ++k) {
        const int v = block_.readInt(mmtty::kOffSpectrum + 4 * size_t(k));
        if (v > peak) peak = v, at = k;
    }
    QVERIFY2(std::abs(at - 2210 * 1023 / 4000) < 30, qPrintable(QString::number(at)));
    QVERIFY(waitFor([this] { return block_.readInt(mmtty::kOffXyReady) == 1; }));
    QVERIFY(std::any_of(reports_.begin(), reports_.end(),
                        [](auto r) { return r.first == mmtty::RepLevel && r.second > 500; }));
    post(mmtty::CmdClose, 0);
    QVERIFY(engine_->waitForFinished(5000));
    QCOMPARE(engine_->exitCode(), 0);
    QCOMPARE(platform::findWindow(mmtty::kEngineTitle), 0);
}

void TestMmttyEngine::transmits() {
    QVERIFY(launch("sim"));
    post(mmtty::CmdTransmit, 2);
    for (char c : QByteArray("CQ DE W1AW"))
        if (c) post(mmtty::CmdChar, c);
    post(mmtty::CmdTransmit, 1);
    QVERIFY(waitFor([this] { return reports_.contains({mmtty::RepTransmit, 0}); }));
    const int on = int(reports_.indexOf({mmtty::RepTransmit, 1}));
    const int off = int(reports_.indexOf({mmtty::RepTransmit, 0}));
    QVERIFY(on >= 0 && on < off);
    QCOMPARE(text_, QByteArray("CQ DE W1AW")); // the echo, nothing of the band while sending
}

void TestMmttyEngine::badInputKeepsItRunning() {
    QVERIFY(launch("sim"));
    // No NUL in the port field, unknown codes, values out of range, a stray message number.
    std::memset(block_.data() + mmtty::kOffPttPort, 'X', mmtty::kPttPortSize);
    post(mmtty::CmdPttPort, 0);
    post(mmtty::CmdSpeed, -5);
    post(mmtty::CmdMark, 99999);
    post(mmtty::CmdSetup, 0); // its own window, on the offscreen platform here
    post(1234, 5);
    platform::postMessage(engineWindow_, msg_ + 1, 0, 0);
    reports_.clear();
    post(mmtty::CmdRequestSwitches, 0);
    QVERIFY(waitFor([this] { return reports_.contains({mmtty::RepSpeed, 4545}); }));
    QVERIFY(reports_.contains({mmtty::RepMark, 2125}));
    QCOMPARE(engine_->state(), QProcess::Running);
}

void TestMmttyEngine::initTestCase() {
    QVERIFY(runtime_.isValid());
    qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (runtime_.path() + "/config").toLocal8Bit()); // engine options
}

QTEST_GUILESS_MAIN(TestMmttyEngine)
#include "tst_mmtty_engine.moc"
