// Number and date formats, and the UTC date-time value.
#include "common/Errors.h"
#include "common/Format.h"
#include "common/UTC.h"
#include "platform/Clock.h"

#include <cmath>
#include <QTest>

using namespace common;

class TestFormat : public QObject {
    Q_OBJECT

private slots:
    void numbers_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        const QString freq = QStringLiteral("#,###.000");
        QTest::newRow("freq") << 14070.15 << freq << "14,070.150";
        QTest::newRow("freq zero") << 0.0 << freq << ".000";
        QTest::newRow("freq half") << 0.5 << freq << ".500";
        QTest::newRow("freq small") << 999.9994 << freq << "999.999";
        QTest::newRow("freq carry") << 999.9995 << freq << "1,000.000";
        QTest::newRow("freq millions") << 1234567.891 << freq << "1,234,567.891";
        QTest::newRow("freq negative") << -1234.5 << freq << "-1,234.500";
        QTest::newRow("freq tiny negative") << -0.0001 << freq << ".000";
        QTest::newRow("freq dial+audio") << 14070.0 + 1000.0 / 1000 << freq << "14,071.000";
        QTest::newRow("freq half away") << 0.0125 << freq << ".013";
        QTest::newRow("freq 1.0005") << 1.0005 << freq << "1.001";
        QTest::newRow("freq 2.0005") << 2.0005 << freq << "2.001";
        QTest::newRow("freq huge") << 1e20 << freq << "100,000,000,000,000,000,000.000";

        const QString serial = QStringLiteral("##000");
        QTest::newRow("serial 7") << 7.0 << serial << "007";
        QTest::newRow("serial 0") << 0.0 << serial << "000";
        QTest::newRow("serial 42") << 42.0 << serial << "042";
        QTest::newRow("serial 1234") << 1234.0 << serial << "1234";
        QTest::newRow("serial 12345") << 12345.0 << serial << "12345";
        QTest::newRow("serial -7") << -7.0 << serial << "-007";
        QTest::newRow("serial 2.5") << 2.5 << serial << "003";
        QTest::newRow("serial 6.49") << 6.49 << serial << "006";

        const QString lean = QStringLiteral("###.######");
        QTest::newRow("lean half") << 0.5 << lean << ".5";
        QTest::newRow("lean 14") << 14.0 << lean << "14.";
        QTest::newRow("lean speed") << 45.45 << lean << "45.45";
        QTest::newRow("lean zero") << 0.0 << lean << ".";
        QTest::newRow("lean six places") << 1.1234565 << lean << "1.123457";
        QTest::newRow("lean seven places") << 0.00000049 << lean << ".";
        QTest::newRow("lean rounds up") << 0.0000005 << lean << ".000001";
        QTest::newRow("lean negative") << -2125.5 << lean << "-2125.5";
        QTest::newRow("lean thousands") << 123456.0 << lean << "123456.";

        QTest::newRow("plain 0.00") << 1.005 << "0.00"
                                    << "1.01";
        QTest::newRow("plain 0") << 2.5 << "0"
                                 << "3";
        QTest::newRow("plain -2.5") << -2.5 << "0"
                                    << "-3";
        QTest::newRow("mixed #.0#") << 3.1 << "#.0#"
                                    << "3.1";
        QTest::newRow("mixed #.0# 2") << 3.456 << "#.0#"
                                      << "3.46";
        QTest::newRow("only #") << 0.0 << "###"
                                << "";
        QTest::newRow("comma grouping short") << 999.0 << "#,##0"
                                              << "999";
    }
    void numbers() {
        QFETCH(double, value);
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QCOMPARE(formatNumber(value, pattern), text);
    }

    void badNumberPattern() {
        int number = 0;
        try {
            formatNumber(1.0, u"#.##%");
        } catch (const RuntimeError& e) {
            number = e.number();
        }
        QCOMPARE(number, err::InvalidProcedureCall);
        QCOMPARE(formatNumber(std::nan(""), u"#.0"), QStringLiteral("NaN"));
    }

    void dates_data() {
        QTest::addColumn<QDateTime>("t");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        const QDateTime t(QDate(2026, 12, 6), QTime(7, 5, 9), Qt::UTC);
        QTest::newRow("log stamp") << t << "dd-mmm-yyyy hh:mm:ss"
                                   << "06-Dec-2026 07:05:09";
        QTest::newRow("date") << t << "dd-mmm-yyyy"
                              << "06-Dec-2026";
        QTest::newRow("adif date") << t << "yyyymmdd"
                                   << "20261206";
        QTest::newRow("adif time") << t << "hhmmss"
                                   << "070509";
        QTest::newRow("short time") << t << "Short Time"
                                    << "07:05";
        QTest::newRow("caption") << t << "dd mmm yy  hhmm"
                                 << "06 Dec 26  0705";
        QTest::newRow("upper case") << t << "DD-MMM-YYYY"
                                    << "06-Dec-2026";
        QTest::newRow("minutes with n") << t << "hh:nn"
                                        << "07:05";
        QTest::newRow("mm before ss") << t << "mm:ss"
                                      << "05:09";
        QTest::newRow("short forms") << t << "d/m/yy h:n:s"
                                     << "6/12/26 7:5:9";
        QTest::newRow("names") << t << "dddd, mmmm d"
                               << "Sunday, December 6";
        QTest::newRow("weekday abbr") << t << "ddd"
                                      << "Sun";
        QTest::newRow("day of year") << t << "y"
                                     << "340";
        QTest::newRow("quoted") << t << "\"day\" d"
                                << "day 6";
        QTest::newRow("escaped") << t << "\\d d"
                                 << "d 6";
        const QDateTime late(QDate(1999, 1, 31), QTime(23, 59, 59), Qt::UTC);
        QTest::newRow("late") << late << "dd-mmm-yyyy hh:mm:ss"
                              << "31-Jan-1999 23:59:59";
        QTest::newRow("late caption") << late << "dd mmm yy  hhmm"
                                      << "31 Jan 99  2359";
        QTest::newRow("midnight short")
            << QDateTime(QDate(2027, 5, 1), QTime(0, 0), Qt::UTC) << "Short Time"
            << "00:00";
        QTest::newRow("invalid") << QDateTime() << "dd-mmm-yyyy"
                                 << "";
    }
    void dates() {
        QFETCH(QDateTime, t);
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QCOMPARE(formatDateTime(t, pattern), text);
    }

    void monthNames() {
        const char* expected[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
        for (int m = 1; m <= 12; ++m) {
            QCOMPARE(monthAbbreviation(m), QString::fromLatin1(expected[m - 1]));
            const QDateTime t(QDate(2026, m, 1), QTime(0, 0), Qt::UTC);
            QCOMPARE(formatDateTime(t, u"mmm"), QString::fromLatin1(expected[m - 1]));
        }
        QVERIFY(monthAbbreviation(0).isEmpty());
        QVERIFY(monthAbbreviation(13).isEmpty());
    }

    void generalNumbers_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("version") << 118 / 100.0 << "1.18";
        QTest::newRow("integer") << 106.0 << "106";
        QTest::newRow("half") << 0.5 << "0.5";
        QTest::newRow("negative") << -2.25 << "-2.25";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("third") << 1.0 / 3 << "0.333333333333333";
        QTest::newRow("big") << 1e20 << "1E+20";
        QTest::newRow("small") << 1e-7 << "1E-07";
        QTest::newRow("mantissa") << 1.5e-9 << "1.5E-09";
    }
    void generalNumbers() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(formatGeneral(value), text);
    }

    void utcValues_data() {
        QTest::addColumn<QDateTime>("t");
        QTest::addColumn<double>("value");
        QTest::newRow("day zero") << QDateTime(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC) << 0.0;
        QTest::newRow("31 Dec 1999")
            << QDateTime(QDate(1999, 12, 31), QTime(0, 0), Qt::UTC) << 36525.0;
        QTest::newRow("leap day 2000")
            << QDateTime(QDate(2000, 2, 29), QTime(0, 0), Qt::UTC) << 36585.0;
        QTest::newRow("noon") << QDateTime(QDate(2026, 12, 6), QTime(12, 0), Qt::UTC) << 46362.5;
        QTest::newRow("six") << QDateTime(QDate(2026, 12, 6), QTime(6, 0), Qt::UTC) << 46362.25;
        QTest::newRow("before day zero")
            << QDateTime(QDate(1899, 12, 29), QTime(6, 0), Qt::UTC) << -1.25;
        QTest::newRow("2100 not leap")
            << QDateTime(QDate(2100, 3, 1), QTime(0, 0), Qt::UTC) << 73110.0;
    }
    void utcValues() {
        QFETCH(QDateTime, t);
        QFETCH(double, value);
        QCOMPARE(UTC::toDateValue(t), value);
        QCOMPARE(UTC::fromDateValue(value), t);
    }

    void utcRoundTripsEverySecondOfADay() {
        const QDateTime start(QDate(2026, 6, 30), QTime(0, 0), Qt::UTC);
        for (int s = 0; s < 86400; s += 7) {
            const QDateTime t = start.addSecs(s);
            QCOMPARE(UTC::fromDateValue(UTC::toDateValue(t)), t);
        }
        // Just short of midnight rounds to the next day's start.
        QCOMPARE(UTC::fromDateValue(46203.0 + 86399.6 / 86400),
                 QDateTime(QDate(2026, 7, 1), QTime(0, 0), Qt::UTC));
    }

    void utcFromTheClock() {
        // Local times are converted; milliseconds are dropped.
        platform::ManualClock clock(
            QDateTime(QDate(2026, 12, 6), QTime(7, 5, 9, 999), Qt::OffsetFromUTC, 3600));
        const UTC utc(clock);
        QCOMPARE(utc.NowDateTime(), QDateTime(QDate(2026, 12, 6), QTime(6, 5, 9), Qt::UTC));
        QCOMPARE(utc(), 46362.0 + (6 * 3600 + 5 * 60 + 9) / 86400.0);
        QCOMPARE(formatDateTime(utc(), u"dd-mmm-yyyy hh:mm:ss"),
                 QStringLiteral("06-Dec-2026 06:05:09"));
    }

    void utcRejectsNonsense() {
        QVERIFY(!UTC::fromDateValue(std::nan("")).isValid());
        QVERIFY(!UTC::fromDateValue(1e12).isValid());
        QVERIFY(!UTC::fromDateValue(-1e12).isValid());
        QVERIFY(std::isnan(UTC::toDateValue(QDateTime())));
        QVERIFY(formatDateTime(1e12, u"dd-mmm-yyyy").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestFormat)
#include "tst_format.moc"
