// Escapes, limits and messages of modem parameter files; and TD_FUZZ_INPUTS random files and
// values (20000 unless set; a million under the address sanitiser).
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "rtty/ModemParameters.h"

using MP = rtty::ModemParameters;

class TestModemParameters : public QObject, rtty::ModemParametersHost {
    Q_OBJECT
    QTemporaryDir dir;
    QStringList boxes;
    MP p{*this};

    void messageBox(const QString& t) override { boxes << t; }
    QString myCallsign() const override { return "DL1aBc"; }
    QDateTime utcNow() const override { return {QDate(2026, 12, 6), QTime(7, 5, 9), Qt::UTC}; }

    bool read(const QByteArray& text) {
        QFile f(dir.filePath("m.txt"));
        if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size() || !f.flush())
            return false;
        boxes.clear();
        return p.ReadParameterFile(dir.path(), "m");
    }

private slots:
    void expand_data() {
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("message"); // after "Parameter error: "
        const char* const rows[][3] = {{"a<<b<13>", "a<b\r", ""},
                                       {"a<>b<zz>", "ab", ""},
                                       {"<utc> <Date>", "07:05 06-Dec-2026", ""},
                                       {"x<256>y", "", "control code greater than 255 in <256>y"},
                                       {"<99999999999999999999>", "",
                                        "control code greater than 255 in <99999999999999999999>"},
                                       {"ab<", "", "< without matching > in <"},
                                       {"a<13", "", "< without matching > in <13"}};
        for (const auto& r : rows)
            QTest::newRow(r[0]) << r[1] << r[2];
    }
    void expand() {
        QFETCH(QString, message);
        boxes.clear();
        QTEST(p.ExpandParameter(QTest::currentDataTag()), "result");
        QCOMPARE(boxes,
                 message.isEmpty() ? QStringList() : QStringList{"Parameter error: " + message});
    }

    // Names and values trimmed and lower-cased (but the callsign's case kept), comments only
    // with an apostrophe first; the speed and shift commands the modem test sees selected.
    void fileEntries() {
        QVERIFY(read("XmitCmd = <27>X\n  ' initcmd = commented\nrcvcmd = <256>\n"
                     "idcmd=de <MyCall>\nBaud45.45 = <27>B1\n  baud50  =  b  \n"
                     "no equals sign\n\nabortcmd = it's\n"));
        QCOMPARE(boxes.size(), 1); // for <256>
        QStringList all;
        for (int i = 1; i <= p.count(); ++i)
            all << p.entry(i).name + '=' + p.entry(i).value;
        QCOMPARE(all, (QStringList{"xmitcmd=\033x", "rcvcmd=", "idcmd=de DL1aBc",
                                   "baud45.45=\033b1", "baud50=b", "abortcmd=it's"}));
    }

    // 64 entries fill the table: a 65th line, even a blank one or a comment, is one too many.
    void tooMany() {
        QByteArray text;
        for (int i = 1; i <= 64; ++i)
            text += "k" + QByteArray::number(i) + "=v\n";
        const QStringList excess{"Too many parameters in " + dir.filePath("m.txt") +
                                 " - ignoring excess"};
        for (const char* tail : {"", "\nidcmd=x\n", "'c\nidcmd=x\n"}) {
            QVERIFY(read(text + tail) && p.count() == 64 && !p.HasIdCommand());
            QCOMPARE(boxes, *tail ? excess : QStringList());
        }
    }

    void filesShippedAndMissing() {
        boxes.clear();
        for (const char* model : {"Generic TNC", "TestModem"}) // each defines every command
            for (int c = 0; c < MP::CommandCount; ++c)
                QVERIFY2(p.ReadParameterFile(TD_MODEMS, model) &&
                             !p.command(MP::Command(c)).isEmpty(),
                         model);
        QVERIFY(!p.ReadParameterFile(dir.path(), "") && !p.HasIdCommand()); // emptied, not read
        QVERIFY(!p.ReadParameterFile(dir.path(), "absent"));
        QCOMPARE(boxes, // and none for the shipped files
                 (QStringList{"External RTTY modem parameter file not specified",
                              "Specified external RTTY modem parameter file does not exist"}));
    }

    void fuzz() {
        static const char alphabet[] =
            "<<>>0123456789255256mycallutcdateMYCALL= '\n\r\t\x01\x80\xff"
            "baudshiftidcmdxmitcmd";
        QRandomGenerator rng(20261206);
        auto random = [&](int maxLength) {
            QByteArray t(int(rng.bounded(maxLength + 1)), 0);
            for (char& c : t)
                c = alphabet[rng.bounded(int(sizeof alphabet - 1))];
            return t;
        };
        const long count = qEnvironmentVariableIntValue("TD_FUZZ_INPUTS") ?: 20000;
        long out = 0, messages = 0;
        for (long i = 0; i < count; ++i, messages += boxes.size(), boxes.clear())
            out += i % 100 ? p.ExpandParameter(QString::fromLatin1(random(60))).size()
                           : read(random(4000)) * p.count();
        QVERIFY(out > 0 && messages > 0); // the error paths were reached
    }
};

QTEST_GUILESS_MAIN(TestModemParameters)
#include "tst_modem_parameters.moc"
