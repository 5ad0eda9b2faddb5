// Number and date formats, and the UTC date-time value.
#include "common/Errors.h"
#include "common/Format.h"
#include "common/UTC.h"
#include "platform/Clock.h"

#include "TestLocale.h"
#include <cmath>
#include <QTest>

using namespace common;

class TestFormat : public QObject {
    Q_OBJECT

private slots:
    // Run again under a comma-decimal locale (de_DE.UTF-8) by CTest: it must really be in force.
    void initTestCase() { tdtest::requireLocaleOfEnvironment(); }

    void numbers_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("text");
        auto row = [](const char* pattern, double value, const char* text) {
            QTest::addRow("%s %g", pattern, value) << value << QString(pattern) << QString(text);
        };
        const char* freq = "#,###.000";
        row(freq, 14070.15, "14,070.150");
        row(freq, 0.0, ".000");
        row(freq, 999.9995, "1,000.000");
        row(freq, -1234.5, "-1,234.500");
        row(freq, 0.0125, ".013"); // half away from zero
        row(freq, 1.0005, "1.001");
        row(freq, 1e20, "100,000,000,000,000,000,000.000");
        const char* serial = "##000";
        row(serial, 7.0, "007");
        row(serial, 0.0, "000");
        row(serial, 1234.0, "1234");
        row(serial, -7.0, "-007");
        row(serial, 2.5, "003");
        const char* lean = "###.######";
        row(lean, 0.5, ".5");
        row(lean, 45.45, "45.45");
        row(lean, 0.0, ".");
        row(lean, 1.1234565, "1.123457");
        row(lean, 0.0000005, ".000001");
        row(lean, -2125.5, "-2125.5");
        row("0.00", 1.005, "1.01");
        row("0", 2.5, "3");
        row("0", -2.5, "-3");
        row("#.0#", 3.1, "3.1");
        row("#.0#", 3.456, "3.46");
        row("###", 0.0, "");
        row("#,##0", 999.0, "999");
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
        auto row = [](const char* name, const QDateTime& t, const char* pattern, const char* text) {
            QTest::newRow(name) << t << QString(pattern) << QString(text);
        };
        const QDateTime t(QDate(2026, 12, 6), QTime(7, 5, 9), Qt::UTC);
        row("log stamp", t, "dd-mmm-yyyy hh:mm:ss", "06-Dec-2026 07:05:09");
        row("adif date", t, "yyyymmdd", "20261206");
        row("adif time", t, "hhmmss", "070509");
        row("short time", t, "Short Time", "07:05");
        row("caption", t, "dd mmm yy  hhmm", "06 Dec 26  0705");
        row("minutes with n", t, "hh:nn", "07:05");
        row("short forms", t, "d/m/yy h:n:s", "6/12/26 7:5:9");
        row("names", t, "dddd, mmmm d", "Sunday, December 6");
        row("day of year", t, "y", "340");
        row("quoted", t, "\"day\" d", "day 6");
        row("escaped", t, "\\d d", "d 6");
        const QDateTime late(QDate(1999, 1, 31), QTime(23, 59, 59), Qt::UTC);
        row("late", late, "dd-mmm-yyyy hh:mm:ss", "31-Jan-1999 23:59:59");
        row("invalid", QDateTime(), "dd-mmm-yyyy", "");
    }
    void dates() {
        QFETCH(QDateTime, t);
        QFETCH(QString, pattern);
        QFETCH(QString, text);
        QCOMPARE(formatDateTime(t, pattern), text);
    }

    void generalNumbers_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("fraction") << 1.18 << "1.18";
        QTest::newRow("half") << 0.5 << "0.5";
        QTest::newRow("negative") << -2.25 << "-2.25";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("third") << 1.0 / 3 << "0.333333333333333";
        QTest::newRow("big") << 1e20 << "1E+20";
        QTest::newRow("small") << 1e-7 << "1E-07";
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
        QTest::newRow("leap day 2000")
            << QDateTime(QDate(2000, 2, 29), QTime(0, 0), Qt::UTC) << 36585.0;
        QTest::newRow("noon") << QDateTime(QDate(2026, 12, 6), QTime(12, 0), Qt::UTC) << 46362.5;
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
};

QTEST_GUILESS_MAIN(TestFormat)
#include "tst_format.moc"
