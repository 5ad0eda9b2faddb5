// The program with the real engine on the simulated band: text typed into the transmit pane
// goes out, comes back as the echo in the active pane and is decoded on the receive channel
// tuned to the transmit frequency; the three channels fill the three panes.
#include "AppFixture.h"
#include <pskcore.h>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

using fake::AppFixture;

namespace {
const QString kText = QStringLiteral("CQ CQ de Q0CALL end to end test 0123");

// The pane's lines in the colour given (the echo is drawn in the transmitted-text colour).
QStringList linesInColor(QTextEdit* pane, int color) {
    QStringList out;
    for (QTextBlock b = pane->document()->begin(); b.isValid(); b = b.next()) {
        QString line;
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (mainwindow::PSKDisplay::FromQColor(
                    it.fragment().charFormat().foreground().color()) == color)
                line += it.fragment().text();
        if (!line.isEmpty()) out << line;
    }
    return out;
}
} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCOMPARE(pskcoreSetSource("sim:7:loopback"), 0);
        pskcoreSetTimeScale(8);
    }
    void cleanupTestCase() { pskcoreSetTimeScale(1); }

    void typedTextIsEchoedAndDecodedOnTheTransmitFrequency() {
        AppFixture f;
        // Channel 0 (active, showing the echo) on a quiet spot, channel 1 on our own signal.
        f.store({"Receiver/Frequency0=2700", "Receiver/Frequency1=1000",
                 "Transmitter/Frequency=1000", "Transmitter/Lock=0"});
        auto& app = f.create(psk::linkedPskEngine());
        app.main.Form_Load();
        app.main.show();
        QVERIFY(app.xcvr.PSKEnabled());
        QCOMPARE(pskcoreUsingSimulatedBand(), 1);
        QTest::qWait(500);

        QTextEdit* k = app.main.Keyboard;
        QTest::keyClick(k, Qt::Key_F2);
        QTest::keyClicks(k, kText);
        QTest::keyClick(k, Qt::Key_Return, Qt::ControlModifier); // stop when all is sent
        QTRY_VERIFY_WITH_TIMEOUT(app.xcvr.Transmitting(), 20000);
        QVERIFY(!app.main.StartXmitCmd->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!app.xcvr.Transmitting(), 60000);
        QVERIFY(app.main.StartXmitCmd->isEnabled());

        QTRY_VERIFY2_WITH_TIMEOUT(
            linesInColor(app.main.Display[0], app.display.TransmittedTextColor()).contains(kText),
            qPrintable(app.main.Display[0]->toPlainText()), 20000);
        QTRY_VERIFY2_WITH_TIMEOUT(app.main.Display[1]->toPlainText().contains(kText),
                                  qPrintable(app.main.Display[1]->toPlainText()), 20000);
        QVERIFY(!app.main.Display[2]->toPlainText().contains(kText));
        QVERIFY(f.errorLog().isEmpty());
    }

    void threeChannelsFillThreePanes() {
        AppFixture f;
        f.store(
            {"Receiver/Frequency0=1500", "Receiver/Frequency1=800", "Receiver/Frequency2=1200"});
        auto& app = f.create(psk::linkedPskEngine());
        app.main.Form_Load();
        app.main.show();
        auto shown = [&](int i) { return app.main.Display[i]->toPlainText().simplified().size(); };
        QTRY_VERIFY_WITH_TIMEOUT(shown(0) >= 40 && shown(1) >= 40 && shown(2) >= 40, 30000);
        QVERIFY2(app.main.Display[0]->toPlainText().contains(" de "),
                 qPrintable(app.main.Display[0]->toPlainText()));
        // The channels follow their stations and report it.
        QVERIFY(std::abs(app.xcvr.RcvFreq(1) - 800) < 30);
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
