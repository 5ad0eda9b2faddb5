// The macro language against a recording host, the bank-file line encoding, and a seeded fuzz
// of both.
#include <macros/MacroBank.h>
#include <macros/MacroLanguage.h>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#ifndef TD_FUZZ_ITERATIONS
#define TD_FUZZ_ITERATIONS 100000
#endif

namespace {
struct Host : macros::MacroHost {
    QStringList events;
    QMap<Field, QString> fields{{Field::Callsign, QString("Q1AB") + QChar(216)},
                                {Field::Band, QString("20m") + QChar(216)},
                                {Field::RXSerialNumber, "7"},
                                {Field::TXSerialNumber, "1234"}};
    bool slashed = true;
    QString field(Field f) const override { return fields.value(f); }
    bool slashedZeroShown() const override { return slashed; }
    QDateTime utcNow() const override {
        return QDateTime(QDate(2026, 12, 6), QTime(7, 5, 9), Qt::UTC);
    }
    void logQso() override { events << "log"; }
    void clearQso() override { events << "clear"; }
    void advanceTXSerialNumber() override { events << "advance"; }
    void macroError(int n, const QString& m) override { events << macros::MacroErrorText(n, m); }
    void reportError(int n, const QString& where) override {
        events << QString("%1 %2").arg(n).arg(where);
    }
};
using Field = macros::MacroHost::Field;
} // namespace

class TestMacroLanguage : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        QFile f(dir_.filePath("CQ.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("a <callsign>\r\nb\n");
        QDir().mkpath(dir_.filePath("Sub"));
        QVERIFY(QDir::setCurrent(dir_.path()));
    }

    void expand_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("events"); // joined by "|"
        const QString cr(QChar(13)), e3("Error in macro  3: ");
        auto row = [](const char* text, const QString& result, const QString& events = {}) {
            QTest::newRow(text) << QString(text) << result << events;
        };
        row("CQ CQ > de", "CQ CQ > de");
        row("<<callsign>", "<callsign>");
        row("a<>b", "ab");
        row("<CallSign> <CALLSIGN>", "Q1AB0 Q1AB0");
        row("<band>", QString("20m") + QChar(216)); // not cleaned
        row("<65><013><255><0000065>", "A" + cr + QChar(255) + "A");
        row("x<256>", "", e3 + "control code larger than 255");
        row("<10000000000000000065>", "", e3 + "control code larger than 255");
        row("<file:x.txt>", "", e3 + "unknown command: file:x.txt");
        row("<file: CQ.txt>!", "a <callsign>" + cr + "b" + cr + "!");
        row("<FILE: cq.TXT>", "a <callsign>" + cr + "b" + cr);
        row("<file: nope.txt>z", "z", e3 + "Filename does not exist: nope.txt");
        row("<file: Sub>", "", "75 TonedeckMacros.ExpandMacroContents: ");
        row("<", "", e3 + "malformed command");
        row("abc<", "", e3 + "< without matching >");
        row("<rx_serial_number>/<tx_serial_number>", "007/1234");
        row("<start><stop><cwid><enter><newline>", QString("\x13\x11\x12\r\n"));
        row("<utc> <date>", "07:05 06-Dec-2026");
        row("<log_qso><clear_qso><advance_tx_serial_number><Bogus>", "",
            "log|clear|advance|" + e3 + "unknown command: bogus");
    }
    void expand() {
        QFETCH(QString, text);
        QFETCH(QString, result);
        QFETCH(QString, events);
        Host host;
        QCOMPARE(macros::ExpandMacroContents(host, 3, text), result);
        QCOMPARE(host.events.join('|'), events);
    }

    void emptySerialAndAltBankNumber() {
        Host host;
        host.fields[Field::RXSerialNumber].clear();
        QCOMPARE(macros::ExpandMacroContents(host, 9, "[<rx_serial_number>]<x>"), QString());
        QCOMPARE(host.events, QStringList{"Error in macro  9: unknown command: x"});
        host.fields[Field::RXSerialNumber] = QString("1") + QChar(216); // "10" shown slashed
        QCOMPARE(macros::ExpandMacroContents(host, 1, "<rx_serial_number>"), QString("010"));
    }

    void bankLinesRoundTrip_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("plain");
        QTest::newRow("single line") << "CQ de <mycall> \\r" << true;
        QTest::newRow("line breaks") << "CQ\r\nde <mycall>\\n\r\n\\" << false;
        QTest::newRow("lone LF and CR") << "a\nb\rc" << false;
        QTest::newRow("starts with marker") << "\\ml:x" << false;
    }
    void bankLinesRoundTrip() {
        QFETCH(QString, text);
        QFETCH(bool, plain);
        QString titles[8], bodies[8];
        titles[0] = QString::fromLatin1("T\xe9");
        bodies[0] = text;
        bodies[7] = text;
        macros::BankFileReader reader(macros::EncodeBank(titles, bodies));
        QString line, got[16];
        for (QString& g : got) {
            QVERIFY(reader.ReadLine(line));
            g = macros::DecodeMacroLine(line);
        }
        QVERIFY(!reader.ReadLine(line));
        QCOMPARE(got[0], titles[0]);
        QCOMPARE(got[1], text);
        QCOMPARE(got[15], text);
        QCOMPARE(macros::EncodeMacroLine(text) == text, plain);
    }

    // Random text over an alphabet rich in the language's own characters: no crash, no hang,
    // and an error always empties the result.
    void fuzz() {
        QRandomGenerator rng(20261206);
        const QString alphabet = QStringLiteral("<<>>:: 0123456789abcfilensotupqrx_CALSIGN\r\n");
        Host host;
        for (int n = 0; n < TD_FUZZ_ITERATIONS; ++n) {
            QString text;
            const int len = rng.bounded(24);
            for (int i = 0; i < len; ++i)
                text += rng.bounded(8) == 0 ? QChar(char16_t(rng.bounded(0x3000)))
                                            : alphabet[rng.bounded(int(alphabet.size()))];
            host.events.clear();
            const QString out = macros::ExpandMacroContents(host, 1, text);
            if (!host.events.isEmpty() && host.events.last().startsWith("Error") &&
                !host.events.last().contains("Filename"))
                QVERIFY2(out.isEmpty(), qPrintable(text));
            macros::BankFileReader reader(text.toLatin1());
            QString line;
            int lines = 0;
            for (; reader.ReadLine(line) && lines < 100; ++lines)
                QCOMPARE(macros::DecodeMacroLine(macros::EncodeMacroLine(line)), line);
            QVERIFY(lines <= len);
        }
    }
};

QTEST_GUILESS_MAIN(TestMacroLanguage)
#include "tst_macro_language.moc"
