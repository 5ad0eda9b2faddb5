// Conversions every module leans on: rounding, typed numbers, lenient numbers, index checks.
#include "common/Convert.h"

#include <array>
#include <cmath>
#include <limits>
#include <QTest>
#include <vector>

using namespace common;

namespace {

// The error number a call throws; 0 when it does not throw.
template <class F> int errorOf(F&& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

} // namespace

class TestConvert : public QObject {
    Q_OBJECT

private slots:
    void roundsHalfToEven_data() {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("r");
        QTest::newRow("2.5") << 2.5 << 2.0;
        QTest::newRow("3.5") << 3.5 << 4.0;
        QTest::newRow("-2.5") << -2.5 << -2.0;
        QTest::newRow("-3.5") << -3.5 << -4.0;
        QTest::newRow("0.5") << 0.5 << 0.0;
        QTest::newRow("-0.5") << -0.5 << 0.0;
        QTest::newRow("2.4999") << 2.4999 << 2.0;
        QTest::newRow("2.5001") << 2.5001 << 3.0;
        QTest::newRow("big even") << 4503599627370496.0 << 4503599627370496.0;
        QTest::newRow("1e300") << 1e300 << 1e300;
    }
    void roundsHalfToEven() {
        QFETCH(double, x);
        QFETCH(double, r);
        QCOMPARE(roundHalfEven(x), r);
    }

    void parsesTypedNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("integer") << "599" << 599.0;
        QTest::newRow("blanks") << "  14070.15\t " << 14070.15;
        QTest::newRow("plus") << "+7" << 7.0;
        QTest::newRow("minus") << "-1000" << -1000.0;
        QTest::newRow("leading point") << ".5" << 0.5;
        QTest::newRow("negative point") << "-.25" << -0.25;
        QTest::newRow("trailing point") << "5." << 5.0;
        QTest::newRow("thousands") << "14,070.150" << 14070.15;
        QTest::newRow("millions") << "-1,234,567" << -1234567.0;
        QTest::newRow("exponent") << "1.5e3" << 1500.0;
        QTest::newRow("D exponent") << "2D-2" << 0.02;
        QTest::newRow("exponent after point") << "3.E2" << 300.0;
        QTest::newRow("True") << "True" << -1.0;
        QTest::newRow("false") << " false " << 0.0;
        QTest::newRow("tiny") << "1e-400" << 0.0;
    }
    void parsesTypedNumbers() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(parseDouble(text), value);
    }

    void rejectsNonNumbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("error");
        for (const char* t : {"", "   ", "abc", "12abc", "1 2", "1..2", "--1", "+", ".", "1e",
                              "1e+", ",5", "5,", "1,,0", "0x10", "nan", "inf", "١٢", "5 kHz"})
            QTest::newRow(t[0] ? t : "(empty)") << QString::fromUtf8(t) << int(err::TypeMismatch);
        QTest::newRow("overflow") << "1e400" << int(err::Overflow);
    }
    void rejectsNonNumbers() {
        QFETCH(QString, text);
        QFETCH(int, error);
        QCOMPARE(errorOf([&] { parseDouble(text); }), error);
    }

    void parsesTypedIntegers() {
        QCOMPARE(parseInt16("32767"), int16_t(32767));
        QCOMPARE(parseInt16(" -32768 "), int16_t(-32768));
        QCOMPARE(parseInt16("2.5"), int16_t(2));
        QCOMPARE(parseInt16("3.5"), int16_t(4));
        QCOMPARE(errorOf([] { parseInt16("32768"); }), err::Overflow);
        QCOMPARE(errorOf([] { parseInt16("x"); }), err::TypeMismatch);
        QCOMPARE(errorOf([] { parseInt16(""); }), err::TypeMismatch);
        QCOMPARE(parseInt32("2,147,483,647"), int32_t(2147483647));
        QCOMPARE(errorOf([] { parseInt32("2147483648"); }), err::Overflow);
        QCOMPARE(parseInt32("True"), int32_t(-1));
    }

    void leadingNumberNeverThrows_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("value");
        QTest::newRow("unit") << "14070.15 kHz" << 14070.15;
        QTest::newRow("letters") << "abc" << 0.0;
        QTest::newRow("empty") << "" << 0.0;
        QTest::newRow("blanks inside") << " 1 615 198th Street" << 1615198.0;
        QTest::newRow("sign blank") << "- 12" << -12.0;
        QTest::newRow("point") << ".5x" << 0.5;
        QTest::newRow("lone point") << "." << 0.0;
        QTest::newRow("lone sign") << "-" << 0.0;
        QTest::newRow("comma stops") << "1,234" << 1.0;
        QTest::newRow("exponent") << "2e3x" << 2000.0;
        QTest::newRow("incomplete exponent") << "7e" << 7.0;
        QTest::newRow("exponent sign only") << "7e-" << 7.0;
        QTest::newRow("rst") << "599 TU" << 599.0;
        QTest::newRow("line ends") << "\r\n42\r\n" << 42.0;
        QTest::newRow("huge") << "1e999" << std::numeric_limits<double>::max();
        QTest::newRow("tiny") << "1e-999" << 0.0;
    }
    void leadingNumberNeverThrows() {
        QFETCH(QString, text);
        QFETCH(double, value);
        QCOMPARE(leadingNumber(text), value);
    }

    void indexChecks() {
        QCOMPARE(errorOf([] { checkIndex(-1, -1, 2); }), 0);
        QCOMPARE(errorOf([] { checkIndex(2, -1, 2); }), 0);
        QCOMPARE(errorOf([] { checkIndex(3, -1, 2); }), err::SubscriptOutOfRange);
        QCOMPARE(errorOf([] { checkIndex(-2, -1, 2); }), err::SubscriptOutOfRange);

        std::array<int, 4> timers{10, 11, 12, 13};
        QCOMPARE(at(timers, 3), 13);
        at(timers, 0) = 5; // a reference, not a copy
        QCOMPARE(timers[0], 5);
        QCOMPARE(errorOf([&] { at(timers, 4); }), err::SubscriptOutOfRange);
        QCOMPARE(errorOf([&] { at(timers, -1); }), err::SubscriptOutOfRange);
        int plain[3] = {1, 2, 3};
        QCOMPARE(at(plain, 2), 3);
        QCOMPARE(errorOf([&] { at(plain, 3); }), err::SubscriptOutOfRange);
        std::vector<int> empty;
        QCOMPARE(errorOf([&] { at(empty, 0); }), err::SubscriptOutOfRange);
    }
};

QTEST_GUILESS_MAIN(TestConvert)
#include "tst_convert.moc"
