// The modem parameter file: escapes, limits and messages, speed and shift lists, commands;
// and random files and values through the parser (TD_FUZZ_INPUTS of them, 20000 unless set:
// a million under the address sanitiser), which must neither crash nor read out of bounds.
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "rtty/ModemParameters.h"

namespace {
struct Host : rtty::ModemParametersHost {
    QStringList boxes;
    bool quiet = false;
    long messages = 0;
    void messageBox(const QString& t) override {
        ++messages;
        if (!quiet) boxes << t;
    }
    QString myCallsign() const override { return QStringLiteral("DL1aBc"); }
    QDateTime utcNow() const override {
        return QDateTime(QDate(2026, 12, 6), QTime(7, 5, 9), Qt::UTC);
    }
};
} // namespace

class TestModemParameters : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    Host host;

    bool read(rtty::ModemParameters& p, const QByteArray& text) {
        QFile f(dir.filePath("m.txt"));
        f.open(QIODevice::WriteOnly);
        f.write(text);
        f.close();
        host.boxes.clear();
        return p.ReadParameterFile(dir.path(), "m");
    }

private slots:
    void expand_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("message"); // after "Parameter error: "
        const char* const rows[][4] = {
            {"code then letter", "<27>x", "\x1bx", ""},
            {"double <", "a<<b<13>", "a<b\r", ""},
            {"empty escape", "a<>b", "ab", ""},
            {"unknown token", "a<zz>b", "ab", ""},
            {"mycall keeps case", "de <MYCALL>", "de DL1aBc", ""},
            {"utc and date", "<utc> <Date>", "07:05 06-Dec-2026", ""},
            {"256", "x<256>y", "", "control code greater than 255 in <256>y"},
            {"long digits", "<99999999999999999999>", "",
             "control code greater than 255 in <99999999999999999999>"},
            {"lone < at end", "ab<", "", "< without matching > in <"},
            {"< without >", "a<13", "", "< without matching > in <13"}};
        for (const auto& r : rows)
            QTest::newRow(r[0]) << r[1] << r[2] << r[3];
        QTest::newRow("code zero kept") << "<0>" << QString(QChar(0)) << "";
    }
    void expand() {
        QFETCH(QString, value);
        QFETCH(QString, result);
        QFETCH(QString, message);
        rtty::ModemParameters p(host);
        host.boxes.clear();
        QCOMPARE(p.ExpandParameter(value), result);
        QCOMPARE(host.boxes,
                 message.isEmpty() ? QStringList() : QStringList{"Parameter error: " + message});
    }

    void fileEntries() {
        rtty::ModemParameters p(host);
        QVERIFY(read(p, "XmitCmd = <27>X\n"
                        "  ' initcmd = commented\n"
                        "rcvcmd = <256>\n"
                        "idcmd=de <MyCall>\n"
                        "Baud45.45 = <27>B1\n"
                        "BAUD50=a\n"
                        "  baud50  =  b  \n"
                        "shift170=<27>s1\n"
                        "no equals sign\n"
                        "\n"
                        "abortcmd = it's\n"
                        "other = kept\n"));
        QCOMPARE(p.command(rtty::ModemParameters::XmitCmd), QString("\x1bx"));
        QCOMPARE(p.command(rtty::ModemParameters::InitCmd), QString());
        QCOMPARE(p.command(rtty::ModemParameters::RcvCmd), QString());
        QCOMPARE(host.boxes.size(), 1);
        QCOMPARE(p.command(rtty::ModemParameters::IdCmd), QString("de DL1aBc"));
        QVERIFY(p.HasIdCommand());
        QCOMPARE(p.command(rtty::ModemParameters::AbortCmd), QString("it's"));
        QCOMPARE(p.count(), 9);
        QCOMPARE(p.speeds().size(), 3);
        QCOMPARE(p.speeds()[0].label, QString("45.45"));
        QCOMPARE(p.valueAt(p.speeds()[0].position), QString("\x1b"
                                                            "b1"));
        QCOMPARE(p.speeds()[1].label, p.speeds()[2].label);
        QCOMPARE(p.valueAt(p.speeds()[2].position), QString("b"));
        QCOMPARE(p.shifts().size(), 1);
        QCOMPARE(p.shifts()[0].label, QString("170"));
        QCOMPARE(p.entry(9).name, QString("other"));
    }

    void tooMany_data() {
        QTest::addColumn<QByteArray>("tail");
        QTest::addColumn<bool>("message");
        QTest::newRow("ends with the 64th") << QByteArray() << false;
        QTest::newRow("then a blank line") << QByteArray("\n") << true;
        QTest::newRow("then a comment") << QByteArray("'c\n") << true;
    }
    void tooMany() {
        QFETCH(QByteArray, tail);
        QFETCH(bool, message);
        QByteArray text;
        for (int i = 1; i <= 64; ++i)
            text += "k" + QByteArray::number(i) + "=v\n";
        rtty::ModemParameters p(host);
        QVERIFY(read(p, text + tail + (message ? "idcmd=x\n" : "")));
        QCOMPARE(p.count(), 64);
        QVERIFY(!p.HasIdCommand());
        QCOMPARE(host.boxes, message ? QStringList{"Too many parameters in " +
                                                   dir.filePath("m.txt") + " - ignoring excess"}
                                     : QStringList());
    }

    void shippedFiles_data() {
        QTest::addColumn<QString>("model");
        QTest::newRow("generic") << "Generic TNC";
        QTest::newRow("test") << "TestModem";
    }
    void shippedFiles() {
        QFETCH(QString, model);
        rtty::ModemParameters p(host);
        host.boxes.clear();
        QVERIFY(p.ReadParameterFile(TD_MODEMS, model));
        QCOMPARE(host.boxes, QStringList());
        for (int c = 0; c < rtty::ModemParameters::CommandCount; ++c)
            QVERIFY2(!p.command(rtty::ModemParameters::Command(c)).isEmpty(),
                     qPrintable(QString::number(c)));
        QVERIFY(p.speeds().size() >= 3 && p.shifts().size() >= 3);
    }

    void missing() {
        rtty::ModemParameters p(host);
        read(p, "idcmd=x\n");
        QVERIFY(p.HasIdCommand());
        host.boxes.clear();
        QVERIFY(!p.ReadParameterFile(dir.path(), ""));
        QVERIFY(!p.HasIdCommand()); // the tables are emptied even when nothing is read
        QVERIFY(!p.ReadParameterFile(dir.path(), "absent"));
        QCOMPARE(host.boxes, (QStringList{"External RTTY modem parameter file not specified",
                                          "Specified external RTTY modem parameter file does not "
                                          "exist"}));
    }

    void fuzz() {
        static const char alphabet[] = "<<>>0123456789255256mycallutcdateMYCALL= '\n\r\t\x01\xff"
                                       "baudshiftidcmdxmitcmd";
        QRandomGenerator rng(20261206);
        auto random = [&](int maxLength) {
            QByteArray t(int(rng.bounded(maxLength + 1)), 0);
            for (char& c : t)
                c = rng.bounded(8) == 0 ? char(rng.bounded(256))
                                        : alphabet[rng.bounded(int(sizeof alphabet - 1))];
            return t;
        };
        const long count = qEnvironmentVariableIntValue("TD_FUZZ_INPUTS") ?: 20000;
        rtty::ModemParameters p(host);
        host.quiet = true;
        long out = 0;
        for (long i = 0; i < count; ++i) {
            if (i % 100 == 0) {
                read(p, random(4000));
                for (const auto& c : p.speeds())
                    out += p.valueAt(c.position).size();
            } else {
                out += p.ExpandParameter(QString::fromLatin1(random(60))).size();
            }
        }
        host.quiet = false;
        QVERIFY(out > 0 && host.messages > 0); // the error paths were reached
    }
};

QTEST_GUILESS_MAIN(TestModemParameters)
#include "tst_modem_parameters.moc"
