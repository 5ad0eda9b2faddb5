// The program with the real engine on the simulated band: the three channels fill the three
// panes; and one contact: the operator double-clicks a station's callsign, fires a macro that
// answers it, sees the echo and hears the answer on the loop-back, and logs it with Ctrl+L.
#include "AppFixture.h"
#include <mainwindow/WordCapture.h>
#include <pskcore.h>
#include <QLineEdit>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

using fake::AppFixture;

namespace {
// A whole callsign-shaped word of the pane (not the last, which may still be arriving) and the
// 1-based position of its first character.
std::pair<QString, int> findCallsign(const QString& text) {
    using namespace mainwindow;
    for (int pos = 1; pos < text.size(); ++pos) {
        const QString w = ClickedWord(text, pos);
        if ((pos == 1 || IsDelimiter(text[pos - 2])) && pos + w.size() <= text.size() &&
            w.size() >= 4 && w != "Q0CALL" && ClassifyWord(w, {}).field == Capture::Callsign)
            return {w, pos};
    }
    return {};
}
} // namespace

class TestQsoEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCOMPARE(pskcoreSetSource("sim:7:loopback"), 0); // our own transmission heard back
        pskcoreSetTimeScale(8);
    }
    void cleanupTestCase() { pskcoreSetTimeScale(1); }

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

    void captureAnswerAndLog() {
        AppFixture f;
        // Channel 2 on a station, channel 1 on our own transmit frequency.
        f.store({"Receiver/Frequency0=2700", "Receiver/Frequency1=1000", "Receiver/Frequency2=800",
                 "Transmitter/Frequency=1000", "Transmitter/Lock=0",
                 "Macros/Content0=<start><callsign> de <mycall> k<stop>"});
        auto& app = f.create(psk::linkedPskEngine());
        app.main.Form_Load();
        app.main.show();
        QTextEdit* station = app.main.Display[2];
        QTRY_VERIFY2_WITH_TIMEOUT(!findCallsign(station->toPlainText()).first.isEmpty(),
                                  qPrintable(station->toPlainText()), 60000);

        app.main.LockPane(2); // the text holds still while the operator aims
        const auto [call, position] = findCallsign(station->toPlainText());
        QTextCursor cursor(station->document());
        cursor.setPosition(position);
        const QPoint at = station->cursorRect(cursor).center() - QPoint(1, 0);
        QTest::mouseClick(station->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(station->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseRelease(station->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(app.main.Callsign->text(), call);
        QCOMPARE(app.xcvr.ActiveChannel(), 2);
        QVERIFY(app.minilog.QSOStarted(2));

        QTest::keyClick(app.main.Keyboard, Qt::Key_F5);
        const QString answer = call + " de Q0CALL k";
        QTRY_VERIFY_WITH_TIMEOUT(app.xcvr.Transmitting(), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!app.xcvr.Transmitting(), 60000);
        // The echo shares the pane with the station's own text: read it by its colour.
        auto echoed = [&] {
            QString out;
            for (QTextBlock b = station->document()->begin(); b.isValid(); b = b.next())
                for (auto it = b.begin(); !it.atEnd(); ++it)
                    if (mainwindow::PSKDisplay::FromQColor(
                            it.fragment().charFormat().foreground().color()) ==
                        app.display.TransmittedTextColor())
                        out += it.fragment().text();
            return out;
        };
        QTRY_VERIFY2_WITH_TIMEOUT(echoed().contains(answer), qPrintable(echoed()), 20000);
        QTRY_VERIFY2_WITH_TIMEOUT(app.main.Display[1]->toPlainText().contains(answer),
                                  qPrintable(app.main.Display[1]->toPlainText()), 20000);

        QTest::keyClick(app.main.Keyboard, Qt::Key_L, Qt::ControlModifier);
        QVERIFY(app.main.Callsign->text().isEmpty());
        QFile log(f.dir.filePath("Q0CALL.ADI"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromLatin1(log.readAll());
        QVERIFY2(text.contains(QString("<CALL:%1>%2 ").arg(call.size()).arg(call.toUpper())),
                 qPrintable(text));
        QVERIFY(text.contains("<MODE:3>PSK "));
        QVERIFY2(f.errorLog().isEmpty(), qPrintable(f.errorLog()));
    }
};

QTEST_MAIN(TestQsoEndToEnd)
#include "tst_qso_endtoend.moc"
