// Word capture: which word a double click hits and which QSO field it fills; the band from the
// frequency; a double click on a pane as the operator makes it; and a seeded fuzz.
#include "AppFixture.h"
#include <mainwindow/WordCapture.h>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QTextEdit>
#include <QtTest>

#ifndef TD_FUZZ_ITERATIONS
#define TD_FUZZ_ITERATIONS 100000
#endif

using namespace mainwindow;
using fake::AppFixture;

class TestWordCapture : public QObject {
    Q_OBJECT

private slots:
    void classify_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("flags"); // a alt, c contest, z slashed zero, o own text
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("value");
        const QString z(QChar(216));
        auto row = [](const char* name, const QString& text, int position, const char* flags,
                      Capture::Field field, const QString& value = {}) {
            QTest::newRow(name) << text << position << QString(flags) << int(field) << value;
        };
        row("portable call", "de Q1AB/P k", 5, "", Capture::Callsign, "Q1AB/P");
        row("call then colon", "Q1AB/P: hi", 6, "", Capture::Callsign, "Q1AB/P");
        row("on a delimiter", "Q1AB/P: hi", 7, "", Capture::None);
        row("position 0", "Q1AB", 0, "", Capture::None);
        row("past the end", "Q1AB", 5, "", Capture::None);
        row("report received", "ur 579 579", 6, "", Capture::RSTreceived, "579");
        row("report sent", "ur 579 579", 4, "o", Capture::RSTsent, "579");
        row("four digits", "5999", 1, "", Capture::None);
        row("contest serial", "nr 0012", 5, "c", Capture::RXSerialNumber, "0012");
        row("slashed serial", "1" + z + "7", 2, "cz", Capture::RXSerialNumber, "107");
        row("slashed report", "5" + z + "9", 2, "z", Capture::RSTreceived, "509");
        row("216 without option", "5" + z + "9", 2, "", Capture::None);
        row("digits and other", "12/3", 1, "", Capture::None);
        row("locator and dot", "loc JO62.", 6, "", Capture::Callsign, "JO62.");
        row("locator 4", "loc JO62", 6, "", Capture::GridSquare, "JO62");
        row("locator 6 lower", "jo62qm", 3, "", Capture::GridSquare, "jo62qm");
        row("bracketed", "[JO62QM]", 2, "", Capture::GridSquare, "JO62QM");
        row("bracket open", "[JO62QM", 2, "", Capture::None);
        row("bracketed call", "[Q1AB]", 2, "", Capture::None);
        row("field letter T", "TO62", 1, "", Capture::Callsign, "TO62");
        row("subsquare Y", "JO62XY", 1, "", Capture::Callsign, "JO62XY");
        row("letters digit letter", "AB1C", 1, "", Capture::Callsign, "AB1C");
        row("slashed call", "Q1A" + z + "B", 1, "z", Capture::Callsign, "Q1A0B");
        row("name", "name=Al! hi", 7, "", Capture::OperatorName, "Al!");
        row("alt to QTH", "in Q1AB/P-land", 6, "a", Capture::QTH, "Q1AB/P");
        row("punctuation only", "a ... b", 4, "", Capture::None);
    }
    void classify() {
        QFETCH(QString, text);
        QFETCH(int, position);
        QFETCH(QString, flags);
        QFETCH(int, field);
        QFETCH(QString, value);
        const CaptureOptions o{flags.contains('a'), flags.contains('c'), flags.contains('z'),
                               flags.contains('o')};
        const Capture c = ClassifyWord(ClickedWord(text, position), o);
        QCOMPARE(int(c.field), field);
        QCOMPARE(c.value, value);
    }

    void bandFromFrequency() {
        const struct {
            double kHz;
            const char* band;
        } cases[] = {{14070, "20m"}, {14400, ""},   {2000, "160m"}, {1799.9, ""},
                     {148000, "2m"}, {50000, "6m"}, {10150, "30m"}};
        for (const auto& c : cases)
            QCOMPARE(BandName(BandIndexForFrequency(c.kHz)), QString(c.band));
        AppFixture f;
        auto& app = f.start();
        app.main.QSOFrequency->setText("14070");
        QCOMPARE(app.main.BandCombo->currentText(), QString("20m"));
        app.main.QSOFrequency->setText("abc"); // not a number: the band stays
        QCOMPARE(app.main.BandCombo->currentText(), QString("20m"));
        app.main.QSOFrequency->setText("14400");
        QCOMPARE(app.main.BandCombo->currentIndex(), -1);
    }

    // The operator double-clicks words in pane 0: received ones and the echo of our own.
    void doubleClickOnAPane() {
        AppFixture f;
        auto& app = f.start();
        app.main.show();
        app.setupDialog.SlashZeroCheckbox->setChecked(true);
        auto& d = app.display;
        for (QChar c : QString("de Q1AB0 ur 579 "))
            d.Append(0, c.unicode(), true, d.GetPaneColor(0));
        for (QChar c : QString("ur 559"))
            d.Append(0, c.unicode(), true, d.TransmittedTextColor());
        QTextEdit* pane = app.main.Display[0];
        auto clickAt = [&](int position) {
            QTextCursor cursor(pane->document());
            cursor.setPosition(position);
            const QPoint at = pane->cursorRect(cursor).center() - QPoint(1, 0);
            QTest::mouseClick(pane->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(pane->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseRelease(pane->viewport(), Qt::LeftButton, {}, at);
        };
        clickAt(5);
        QCOMPARE(app.main.Callsign->text(), QString("Q1AB0"));
        QVERIFY(app.minilog.QSOStarted(0));
        QVERIFY(app.main.PskTimers.IdentificationTimer[0].isActive());
        clickAt(14);
        QCOMPARE(app.main.RSTreceived->text(), QString("579"));
        clickAt(21);
        QCOMPARE(app.main.RSTsent->text(), QString("559"));
        QVERIFY(f.errorLog().isEmpty());
    }

    // Random text with a random click: never a crash or a hang, and what is captured is a
    // piece of the text that no delimiter splits.
    void fuzz() {
        QRandomGenerator rng(8);
        const QString alphabet =
            QStringLiteral("AJOQSXZajoqsxz0123456789[]/.?!:,+-<>= \r\n") + QChar(216);
        for (int n = 0; n < TD_FUZZ_ITERATIONS; ++n) {
            QString text;
            const int len = rng.bounded(16);
            for (int i = 0; i < len; ++i)
                text += rng.bounded(10) == 0 ? QChar(char16_t(rng.bounded(0xD800)))
                                             : alphabet[rng.bounded(int(alphabet.size()))];
            const QString word = ClickedWord(text, rng.bounded(len + 2) - 1);
            QVERIFY(word.isEmpty() || text.contains(word));
            for (QChar c : word)
                QVERIFY(!IsDelimiter(c));
            const CaptureOptions o{rng.bounded(4) == 0, rng.bounded(2) == 0, rng.bounded(2) == 0,
                                   rng.bounded(2) == 0};
            const Capture c = ClassifyWord(word, o);
            if (c.field == Capture::GridSquare) QVERIFY(IsGridSquare(c.value));
            if (IsGridSquare(text)) QVERIFY(text.size() == 4 || text.size() == 6);
        }
    }
};

QTEST_MAIN(TestWordCapture)
#include "tst_word_capture.moc"
