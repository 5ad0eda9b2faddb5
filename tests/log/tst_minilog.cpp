// The minilog: ADIF fields and formats, the checks before logging, and the log file as another
// program would read it (a parser of its own here, not the writer's code).
#include "AppFixture.h"
#include <log/Adif.h>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QtTest>

using fake::AppFixture;
using Record = QMap<QString, QString>;

namespace {
// Reads an ADIF file: the header up to <EOH>, then records of <NAME:LEN>value up to <EOR>.
QList<Record> readAdif(const QString& path, QString* header = nullptr) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    const QString text = QString::fromLatin1(f.readAll());
    const qsizetype eoh = text.indexOf("<EOH>", 0, Qt::CaseInsensitive);
    if (header) *header = text.left(eoh + 5);
    QList<Record> out;
    Record r;
    for (qsizetype i = eoh + 5; (i = text.indexOf('<', i)) >= 0;) {
        const qsizetype close = text.indexOf('>', i);
        const QStringList tag = text.mid(i + 1, close - i - 1).split(':');
        if (tag[0].compare("EOR", Qt::CaseInsensitive) == 0) {
            out << r;
            r.clear();
            i = close + 1;
            continue;
        }
        const int len = tag.value(1).toInt();
        r[tag[0].toUpper()] = text.mid(close + 1, len);
        i = close + 1 + len;
    }
    return out;
}
} // namespace

class TestMinilog : public QObject {
    Q_OBJECT

private slots:
    void fieldsAndFormats() {
        QString rec;
        minilog::AppendField(rec, "NAME", "a<b");
        minilog::AppendField(rec, "QTH", "<");
        QCOMPARE(rec, QString("<NAME:2>ab "));
        const struct {
            double mhz;
            bool dxBase;
            const char* text;
        } freqs[] = {
            {14.07115, false, "14.07115"}, {14, false, "14."},   {0.5, false, ".5"},
            {14.07015, true, "14.070.15"}, {14.1, true, "14.1"}, {7.0351234, true, "7.035.12"}};
        for (const auto& f : freqs)
            QCOMPARE(minilog::FormatAdifFrequency(f.mhz, f.dxBase), QString(f.text));
        QVERIFY(!minilog::BuildAdifRecord({}).contains("FREQ")); // unknown, not "."

        const QStringList names[] = {{"WXYZ/P", "WXYZ-P"},
                                     {"WXYZ\\1", "WXYZ-1"},
                                     {"../..", "-----"},
                                     {".Q1A", "-Q1A"},
                                     {"A\nB\x7f", "A-B-"}};
        for (const QStringList& n : names)
            QCOMPARE(minilog::Safefilename(n[0]), n[1]);
    }

    void validation_data() {
        QTest::addColumn<QString>("freq");
        QTest::addColumn<QString>("rst");
        QTest::addColumn<QString>("serial"); // contest mode when not "-"
        QTest::addColumn<QList<int>>("bad");
        auto row = [](const char* name, const char* freq, const char* rst, const char* serial,
                      QList<int> bad) {
            QTest::newRow(name) << QString(freq) << QString(rst) << QString(serial) << bad;
        };
        row("all fine", "14070", "59", "-", {});
        row("599, empty freq", "", "599", "-", {});
        row("148000", "148000", "", "-", {});
        row("148001", "148001", "", "-", {5});
        row("abc", "abc", "", "-", {5});
        row("5", "", "5", "-", {3, 4});
        row("5999", "", "5999", "-", {3, 4});
        row("699", "", "699", "-", {3, 4});
        row("5a9", "", "5a9", "-", {3, 4});
        row("contest no serial", "", "", "", {7});
        row("contest 0x1", "", "", "0x1", {7});
        row("contest 007", "", "", "007", {});
    }
    void validation() {
        QFETCH(QString, freq);
        QFETCH(QString, rst);
        QFETCH(QString, serial);
        QFETCH(QList<int>, bad);
        const auto flags =
            minilog::InvalidQsoFields({"Q1ABC", freq, rst, rst, serial, serial != "-"});
        QList<int> got;
        for (int i = 0; i < 9; ++i)
            if (flags[i]) got << i;
        QCOMPARE(got, bad);
        QVERIFY(minilog::InvalidQsoFields({}).at(0));
    }

    void loggedContactsReadBack() {
        AppFixture f;
        f.settings.saveSetting("General", "Callsign", "WXYZ/P");
        auto& app = f.start();
        auto& m = app.main;
        const QString path = f.dir.filePath("WXYZ-P.ADI");
        QString header;
        QCOMPARE(readAdif(path, &header).size(), 0);
        QCOMPARE(header, QString("ADIF export file for WXYZ/P\r\ncreated by Tonedeck %1 on "
                                 "06-Dec-2026 0705:09 UTC\r\n<EOH>")
                             .arg(mainwindow::TonedeckApp::Version()));
        app.setupDialog.TransmitPower->setText("50");
        m.Callsign->setText("q1abc");
        m.OperatorName->setText("Al<");
        m.RSTsent->setText("599");
        m.RSTreceived->setText("57");
        m.QSOFrequency->setText("14070");
        QCOMPARE(m.BandCombo->currentText(), QString("20m"));
        app.minilog.StartQSO(0);
        f.clock.advanceSeconds(905);
        m.RXFreq->setText("14,071.150");
        QTest::keyClick(m.Keyboard, Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(m.Callsign->text(), QString()); // cleared after logging
        // A second contact logged by macro without a start: TIME_ON is the moment of logging.
        m.Callsign->setText("Q2XY");
        app.setupDialog.SetContestMode(true);
        m.RSTsent->setText("57");
        m.RXSerialNumber->setText("007");
        app.setupDialog.TXSerialNumber->setText("12");
        app.setupDialog.XmitModeButton[1]->setChecked(true);
        f.clock.advanceSeconds(60);
        app.macros.ExpandMacroContents(1, "<log_qso>");
        const QList<Record> recs = readAdif(path);
        QCOMPARE(recs.size(), 2);
        QStringList first;
        for (auto it = recs[0].begin(); it != recs[0].end(); ++it)
            first << it.key() + '=' + it.value();
        QCOMPARE(first.join(' '), QString("BAND=20m CALL=Q1ABC FREQ=14.07115 MODE=PSK NAME=Al "
                                          "OPERATOR=WXYZ/P QSO_DATE=20261206 RST_RCVD=57 "
                                          "RST_SENT=599 TIME_OFF=072014 TIME_ON=070509 TX_PWR=50"));
        QCOMPARE(recs[1]["RST_SENT"], QString("599"));
        QCOMPARE(recs[1]["SRX"], QString("007"));
        QCOMPARE(recs[1]["STX"], QString("12"));
        QCOMPARE(recs[1]["TIME_ON"], QString("072114"));
        QCOMPARE(recs[1]["TIME_OFF"], QString("072114"));
        QVERIFY(!recs[1].contains("QTH"));
        QCOMPARE(m.Callsign->text(), QString("Q2XY")); // the macro command does not clear

        // Invalid fields: nothing logged, their labels blink.
        m.RXSerialNumber->clear();
        QTest::mouseClick(m.LogCmd, Qt::LeftButton);
        QVERIFY(app.qso.FieldNeedsAttention(7));
        QCOMPARE(readAdif(path).size(), 2);
        m.RXSerialNumber->setText("8");
        QTest::mouseClick(m.LogCmd, Qt::LeftButton);
        QVERIFY(!app.qso.FieldNeedsAttention(7));
        QCOMPARE(readAdif(path).size(), 3);
        QCOMPARE(app.setupDialog.TXSerialNumber->text(), QString("13"));

        // Ctrl+click on the log button clears the log after the question.
        f.dialogs.answerMessageBox(platform::Dialogs::ResultOk);
        app.qso.LogCmd_Click(Qt::ControlModifier);
        QCOMPARE(f.dialogs.messages().last(), QString("clear the minilog?"));
        QCOMPARE(readAdif(path, &header).size(), 0);
        QVERIFY(header.startsWith("ADIF export file for WXYZ/P\r\n"));
        QVERIFY2(f.errorLog().isEmpty(), qPrintable(f.errorLog()));
    }

    void unwritableLogKeepsTheContact() {
        AppFixture f;
        QVERIFY(QDir().mkpath(f.dir.filePath("Q0CALL.ADI"))); // not a file: cannot be appended
        auto& app = f.start();
        app.main.Callsign->setText("Q1ABC");
        app.main.Callsign->setFocus();
        QTest::keyClick(app.main.Callsign, Qt::Key_L, Qt::ControlModifier);
        QCOMPARE(app.main.Callsign->text(), QString("Q1ABC"));
        QVERIFY(f.dialogs.messages().last().startsWith("unable to open log file " +
                                                       f.dir.filePath("Q0CALL.ADI") + " - "));
    }
};

QTEST_MAIN(TestMinilog)
#include "tst_minilog.moc"
