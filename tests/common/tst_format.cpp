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
        const QString freq = QStringLiteral("#,###.000");
        QTest::newRow("freq") << 14070.15 << freq << "14,070.150";
        QTest::newRow("freq zero") << 0.0 << freq << ".000";
        QTest::newRow("freq carry") << 999.9995 << freq << "1,000.000";
        QTest::newRow("freq negative") << -1234.5 << freq << "-1,234.500";
        QTest::newRow("freq half away") << 0.0125 << freq << ".013";
        QTest::newRow("freq 1.0005") << 1.0005 << freq << "1.001";
        QTest::newRow("freq huge") << 1e20 << freq << "100,000,000,000,000,000,000.000";

        const QString serial = QStringLiteral("##000");
        QTest::newRow("serial 7") << 7.0 << serial << "007";
        QTest::newRow("serial 0") << 0.0 << serial << "000";
        QTest::newRow("serial 1234") << 1234.0 << serial << "1234";
        QTest::newRow("serial -7") << -7.0 << serial << "-007";
        QTest::newRow("serial 2.5") << 2.5 << serial << "003";

        const QString lean = QStringLiteral("###.######");
        QTest::newRow("lean half") << 0.5 << lean << ".5";
        QTest::newRow("lean speed") << 45.45 << lean << "45.45";
        QTest::newRow("lean zero") << 0.0 << lean << ".";
        QTest::newRow("lean six places") << 1.1234565 << lean << "1.123457";
        QTest::newRow("lean rounds up") << 0.0000005 << lean << ".000001";
        QTest::newRow("lean negative") << -2125.5 << lean << "-2125.5";

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
        QTest::newRow("minutes with n") << t << "hh:nn"
                                        << "07:05";
        QTest::newRow("short forms") << t << "d/m/yy h:n:s"
                                     << "6/12/26 7:5:9";
        QTest::newRow("names") << t << "dddd, mmmm d"
                               << "Sunday, December 6";
        QTest::newRow("day of year") << t << "y"
                                     << "340";
        QTest::newRow("quoted") << t << "\"day\" d"
                                << "day 6";
        QTest::newRow("escaped") << t << "\\d d"
                                 << "d 6";
        const QDateTime late(QDate(1999, 1, 31), QTime(23, 59, 59), Qt::UTC);
        QTest::newRow("late") << late << "dd-mmm-yyyy hh:mm:ss"
                              << "31-Jan-1999 23:59:59";
        QTest::newRow("invalid") << QDateTime() << "dd-mmm-yyyy"
                                 << "";
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
