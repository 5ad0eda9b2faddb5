// MMTTYModule against a fake engine window in this process: launch, kick-off, the messages of
// both tables, the character drain, the options, the tones and the displays' arithmetic.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

#include "platform/PictureBox.h"
#include "platform/SettingsStore.h"
#include "rtty/MMTTYModule.h"
#include "rtty/MMTTYPanel.h"
#include "setup/SoundcardRttyTab.h"

namespace {

struct FakeHost : rtty::MMTTYHost {
    platform::MessageWindow window;
    QTemporaryDir dir;
    platform::SettingsStore store{dir.filePath("t.ini")};
    QStringList boxes, launched, commands;
    bool launchOk = true, rtty = true, modeButtonEnabled = true;
    QString pane, qso = "14085";
    bool lsb = false, locked = false;
    int ptt = 3;
    double tunedTo = 0;
    platform::MessageWindow& mainWindow() override { return window; }
    platform::SettingsStore& settings() override { return store; }
    void messageBox(const QString& t) override { boxes << t; }
    QString programDirectory() const override { return "/opt/td"; }
    bool startProcess(const QString& p, const QStringList& a) override {
        launched = QStringList{p} + a;
        return launchOk;
    }
    bool rttyModeSelected() const override { return rtty; }
    void setRttyModeButtonEnabled(bool on) override { modeButtonEnabled = on; }
    void append(int, int c, int) override { pane += QChar(c); }
    void appendNewline(int) override { pane += '|'; }
    int paneColor(int) const override { return 0x00FF00; }
    int transmittedTextColor() const override { return 0xFFFFFF; }
    int pttMode() const override { return ptt; }
    bool charHandlerLocked() const override { return locked; }
    int pttPort() const override { return 2; }
    void setSinglePttModesEnabled(bool) override {}
    QString qsoFrequency() const override { return qso; }
    bool transceiverIsLsb() const override { return lsb; }
    void transceiverCommand(const QString& c) override { commands << c; }
    void tuneTransceiver(double k) override { tunedTo = k; }
    int waterfallColor(int v) const override { return v; }
    int spectrumColor() const override { return 0xFFFFFF; }
    int soundInputCount() const override { return 0; }
    QString soundInputName(int) const override { return {}; }
};

} // namespace

class TestMMTTYModule : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void launchAndKickoff();
    void startFailure();
    void firstSwitchReport();
    void transmitReports_data();
    void transmitReports();
    void uncheckStopsEngine();
    void lineEnds_data();
    void lineEnds();
    void ringLimits();
    void sendWindow();
    void drainWaitsForThePaneLock();
    void options();
    void tonesAndReadout();
    void displays();
    void fuzzReports();

private:
    QTemporaryDir runtime_; // sockets and shared block of our own, apart from other runs
    void startEngine() {
        m->Enable();
        QTRY_VERIFY(m->Running());
        m->Kickoff();
        QCOMPARE(m->engineWindow(), engine->handle());
    }
    int count(int32_t code) const {
        int n = 0;
        for (auto& r : posted)
            n += r.first == code;
        return n;
    }
    void report(int32_t code, int32_t value) {
        m->WindowProc(host->window.handle(), msg, code, value);
    }
    std::unique_ptr<FakeHost> host;
    std::unique_ptr<rtty::MMTTYPanel> panel;
    std::unique_ptr<setup::SoundcardRttyTab> tab;
    std::unique_ptr<platform::PictureBox> waterfall, frequency;
    std::unique_ptr<rtty::MMTTYModule> m;
    std::unique_ptr<platform::MessageWindow> engine;
    QList<QPair<int32_t, int32_t>> posted;
    uint32_t msg = 0;
};

void TestMMTTYModule::init() {
    host = std::make_unique<FakeHost>();
    panel = std::make_unique<rtty::MMTTYPanel>();
    tab = std::make_unique<setup::SoundcardRttyTab>();
    waterfall = std::make_unique<platform::PictureBox>();
    frequency = std::make_unique<platform::PictureBox>();
    waterfall->resize(1023, 64);
    m = std::make_unique<rtty::MMTTYModule>(*host, *panel, *tab, *waterfall, *frequency);
    m->Initialize();
    msg = platform::registerWindowMessage("MMTTY");
    posted.clear();
    engine = std::make_unique<platform::MessageWindow>();
    QVERIFY(engine->listen("MMTTY Engine"));
    engine->setWindowProc([this](platform::WindowHandle, uint32_t mm, int32_t a, int32_t b) {
        if (mm == msg) posted.append({a, b});
        return 0;
    });
}

void TestMMTTYModule::cleanup() {
    m.reset();
    engine.reset();
}

void TestMMTTYModule::launchAndKickoff() {
    startEngine();
    QCOMPARE(host->launched,
             (QStringList{
                 "/opt/td/mmtty", "-m",
                 "-h" + QString("%1").arg(host->window.handle(), 8, 16, QChar('0')).toUpper()}));
    QVERIFY(host->launched[2].startsWith("-h") && host->launched[2].size() == 10);
    mmtty::SharedBlock& b = m->sharedBlock();
    std::string s;
    QVERIFY(b.readString(4, 64, s));
    QCOMPARE(s, std::string("MMTTY Engine"));
    QCOMPARE(b.readInt(148), 1);
    struct stat st {};
    QCOMPARE(::stat(("/dev/shm" + mmtty::SharedBlock::name()).c_str(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), 0600);
    QTRY_VERIFY(posted.contains({0, host->window.handle()}));
    // PTT mode 3 on port 2: the name goes into the block, then code 21.
    QVERIFY(b.readString(132, 8, s));
    QCOMPARE(s, std::string("COM2"));
    QTRY_VERIFY(posted.contains({21, 0}));
}

void TestMMTTYModule::startFailure() {
    host->launchOk = false;
    m->Enable();
    QTRY_COMPARE(host->boxes, QStringList{"Unable to start MMTTY engine"});
    QVERIFY(!m->Running());
    QVERIFY(!tab->MMTTYEnabled->isChecked());
    QCOMPARE(host->store.getSetting("MMTTY", "MMTTYEnabled"), QString("0"));
    // The window procedure is back: a self-message no longer reaches the module.
    QCOMPARE(host->window.sendMessage(platform::kUserMessage, 0, 0), 0);
}

void TestMMTTYModule::firstSwitchReport() {
    startEngine();
    QTRY_VERIFY(!posted.isEmpty());
    posted.clear();
    report(0x8009, 0);
    QTRY_COMPARE(count(11), 5);
    QTRY_COMPARE(count(14), 1);
    QVERIFY(posted.contains({8, 4545}));
    const uint32_t w = m->switchWord();
    QCOMPARE(w, (1u << 2) | (1u << 7) | (1u << 9)); // AFC, always, USOS by default
    // A later report sets the boxes from the engine's bits and sends nothing back.
    posted.clear();
    report(0x8009, int32_t(1u << 8));
    QVERIFY(tab->MMTTYReverseRcvCheck->isChecked() && tab->MMTTYReverseXmitCheck->isChecked());
    QVERIFY(!panel->MMTTYAFCEnabledCheck->isChecked());
    QTest::qWait(50);
    QCOMPARE(posted.size(), 0);
}

void TestMMTTYModule::transmitReports_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("transmitting");
    QTest::newRow("1") << 1 << true;
    QTest::newRow("2 ignored") << 2 << false;
    QTest::newRow("-1 ignored") << -1 << false;
}

void TestMMTTYModule::transmitReports() {
    QFETCH(int, value);
    QFETCH(bool, transmitting);
    startEngine();
    report(0x8004, value);
    QCOMPARE(m->Transmitting(), transmitting);
    QCOMPARE(panel->RTTYStopCmd->isEnabled(), transmitting);
    report(0x8004, 0);
    QVERIFY(!m->Transmitting());
}

void TestMMTTYModule::uncheckStopsEngine() {
    startEngine();
    tab->MMTTYEnabled->click();
    QVERIFY(!m->Running());
    QTRY_VERIFY(posted.contains({2, 0}));
    QVERIFY(!host->modeButtonEnabled);
    QVERIFY(!tab->MMTTYEnabled->isEnabled());
    m->CheckShutdown();
    QVERIFY(!host->modeButtonEnabled); // its window is still there
    engine.reset();
    QTRY_VERIFY(host->modeButtonEnabled);
    QVERIFY(tab->MMTTYEnabled->isEnabled());
}

void TestMMTTYModule::lineEnds_data() {
    QTest::addColumn<QByteArray>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("CR LF") << QByteArray("A\r\nB") << "A|B";
    QTest::newRow("LF CR") << QByteArray("A\n\rB") << "A|B";
    QTest::newRow("lone CR") << QByteArray("A\rB") << "A|B";
    QTest::newRow("LF LF") << QByteArray("A\n\nB") << "A||B";
    QTest::newRow("BS after line end") << QByteArray("A\r\bB") << "AB";
    QTest::newRow("bell dropped") << QByteArray("A\aB") << "AB";
}

void TestMMTTYModule::lineEnds() {
    QFETCH(QByteArray, in);
    QFETCH(QString, out);
    for (char c : in)
        m->SaveNewChar(uint8_t(c));
    m->HandleNewChar();
    QCOMPARE(host->pane, out);
}

void TestMMTTYModule::ringLimits() {
    for (int i = 0; i < 4097; ++i)
        m->SaveNewChar(i < 4096 ? 'A' : 'Z');
    m->HandleNewChar();
    QCOMPARE(host->pane, QString(4096, 'A'));
    host->pane.clear();
    for (int c : {int('X'), 0, int('Y')})
        m->SaveNewChar(c);
    m->SaveNewChar(300); // not a byte: not stored
    m->HandleNewChar();
    QCOMPARE(host->pane, QString("X"));
    m->HandleNewChar();
    QCOMPARE(host->pane, QString("XY"));
    // A change to transmitting starts a new line.
    startEngine();
    report(0x8004, 1);
    m->SaveNewChar('T');
    m->HandleNewChar();
    QCOMPARE(host->pane, QString("XY|T"));
    // The last echo and the switch to receive arrive together: the echo stays on its line.
    m->SaveNewChar('U');
    report(0x8004, 0);
    m->SaveNewChar('R');
    m->HandleNewChar();
    QCOMPARE(host->pane, QString("XY|TU|R"));
}

// A feed stays at most 64 characters ahead of the echo; characters the engine cannot send
// never echo and are passed over; a word may run past the window; transmissions that end,
// however they end, leave nothing owed and the rig released.
void TestMMTTYModule::sendWindow() {
    startEngine();
    host->ptt = 4;
    tab->MMTTYKeyboardButton[1]->setChecked(true); // word mode
    m->StartTransmit();
    report(0x8004, 1);
    int sent = 0;
    for (; m->HasRoom() && sent < 2000; ++sent)
        m->SendCharacter(sent % 2 ? 'A' : '{');
    QCOMPARE(sent, 1024); // no word end yet: the word goes on
    m->SendCharacter(' ');
    QVERIFY(!m->HasRoom());
    for (int i = 0; i < 480; ++i)
        report(0x8003, 'A'); // each echo also passes over the '{' before it
    QVERIFY(!m->HasRoom());
    report(0x8003, 'A');
    QVERIFY(m->HasRoom());
    m->AbortTransmit();
    for (sent = 0; m->HasRoom(); ++sent)
        m->SendCharacter(' ');
    QCOMPARE(sent, 64);
    engine.reset();
    m->CheckAlive(); // the engine died while transmitting
    QCOMPARE(host->commands, (QStringList{"transmit", "receive"}));
    QVERIFY(!m->Transmitting() && !m->HasRoom() && panel->RTTYStartCmd->isEnabled());
    QCOMPARE(host->boxes, QStringList());
}

// The drain leaves the ring alone while the operator holds pane 0, and comes back by itself.
void TestMMTTYModule::drainWaitsForThePaneLock() {
    host->locked = true;
    m->SaveNewChar('A');
    m->HandleNewChar();
    QCOMPARE(host->pane, QString());
    host->locked = false;
    QTRY_COMPARE(host->pane, QString("A"));
}

void TestMMTTYModule::options() {
    startEngine();
    report(0x8009, 0);
    tab->MMTTYReverseXmitCheck->click();
    QVERIFY(tab->MMTTYReverseRcvCheck->isChecked());
    QVERIFY(m->GetSwitch(8));
    tab->MMTTYReverseRcvCheck->click();
    QVERIFY(!tab->MMTTYReverseXmitCheck->isChecked());
    QVERIFY(!m->GetSwitch(8));
    tab->MMTTYKeyboardButton[1]->click();
    m->StartTransmit();
    QVERIFY(m->GetSwitch(15) && m->GetSwitch(17) && !m->GetSwitch(18));
    tab->MMTTYKeyboardButton[0]->click();
    m->StartTransmit();
    QVERIFY(m->GetSwitch(15) && !m->GetSwitch(17));
    QCOMPARE(host->store.getSetting("MMTTY", "KeyboardMode"), QString("0"));
    tab->MMTTYSpeed->setText("fast");
    QCOMPARE(m->speed(), 45.45);
    QCOMPARE(tab->MMTTYSpeed->palette().color(QPalette::Text), QColor(Qt::red));
}

void TestMMTTYModule::tonesAndReadout() {
    startEngine();
    posted.clear();
    m->SetShift(170);
    QTRY_VERIFY(posted.contains({9, 2125}) && posted.contains({10, 2295}));
    m->UpdateReceiveFrequency();
    QCOMPARE(panel->RTTYReceiveFreq->text(), QString("14,082.875"));
    report(0x8007, 2295); // the engine's AFC moved the mark
    QCOMPARE(m->markFrequency(), 2295.0);
    m->SetOptimalReceiveFrequency();
    QCOMPARE(host->tunedTo, 14084.83);
    QCOMPARE(m->markFrequency(), 2125.0);
    m->SetFrequencyFromWaterfall(480);
    QVERIFY(std::fabs(m->markFrequency() - (4000 - 480 * 4000.0 / 1023)) < 1e-9);
    QCOMPARE(m->markerColumns()[1], int(std::lround((4000 - m->spaceFrequency()) * 1023 / 4000)));
}

void TestMMTTYModule::displays() {
    startEngine();
    platform::PictureBox& bar = *panel->MMTTYSignalStrengthControl;
    bar.resize(200, 10);
    QCOMPARE(panel->MMTTYSquelchThresholdDisplay->text(), QString("50"));
    report(0x800B, 400);
    m->UpdateSignalStrength();
    QCOMPARE(bar.pixel(60, 5), 0x0000FF); // red below the squelch
    QCOMPARE(bar.pixel(90, 5), 0xFF0000); // the blue squelch marker at 50 %
    QCOMPARE(bar.pixel(150, 5), 0);
    report(0x800B, 600 + (7 << 16)); // only the low 16 bits are the level
    m->UpdateSignalStrength();
    QCOMPARE(bar.pixel(115, 5), 0x00FFFF);
    // Garbage in the shared block draws, clamped, and the flags are cleared.
    mmtty::SharedBlock& b = m->sharedBlock();
    for (size_t o = 156; o < 156 + 4096; o += 4)
        b.writeInt(o, int32_t(0x80000000u + o));
    for (size_t o = 8352; o < 8352 + 2048; o += 4)
        b.writeInt(o, int32_t(0x7FFFFFFF - o));
    b.writeInt(152, 1);
    b.writeInt(8348, 1);
    m->UpdateSignalStrength();
    QCOMPARE(b.readInt(152), 0);
    QCOMPARE(b.readInt(8348), 0);
}

void TestMMTTYModule::fuzzReports() {
    // A million engine messages of any code and value, the known codes most often: nothing
    // may crash, the ring stays bounded and the drain shows only bytes.
    startEngine();
    uint64_t x = 88172645463325252ull;
    auto next = [&] {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        return x;
    };
    const int32_t codes[] = {0x8000, 0x8003, 0x8004, 0x8006, 0x8007, 0x8008, 0x800B, 0x8009};
    for (int i = 0; i < 1000000; ++i) {
        const uint64_t r = next();
        // Switch reports store settings (to disk): a few hundred are enough.
        const int known = i < 400 ? 8 : 7;
        const int32_t code = (r & 3) ? codes[(r >> 2) % uint64_t(known)] : int32_t(r >> 8);
        const int32_t value = int32_t(next());
        if (code == 0x8000) continue; // a handle report would point the module elsewhere
        report(code, value);
        if ((i & 4095) == 0) m->HandleNewChar();
    }
    m->UpdateSignalStrength();
    m->HandleNewChar();
    QVERIFY(m->squelchThreshold() >= 0 && m->squelchThreshold() <= 1000);
}

void TestMMTTYModule::initTestCase() {
    QVERIFY(runtime_.isValid());
    qputenv("XDG_RUNTIME_DIR", runtime_.path().toLocal8Bit());
}

QTEST_MAIN(TestMMTTYModule)
#include "tst_mmtty_module.moc"
