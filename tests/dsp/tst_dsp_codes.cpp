// Varicode and the QPSK convolutional code.
#include "ConvCode.h"
#include "FadingPredictor.h"
#include "Noise.h"
#include "QpskDecoder.h"
#include "Varicode.h"
#include "VaricodeSequence.h"

#include <QTest>

#include <algorithm>
#include <complex>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<int> bitsOf(const std::string& s) {
    std::vector<int> bits;
    for (char c : s) {
        for (char b : dsp::varicodeEncode(static_cast<uint8_t>(c)))
            bits.push_back(b == '1');
        bits.push_back(0);
        bits.push_back(0);
    }
    return bits;
}

std::string decodeBits(const std::vector<int>& bits) {
    dsp::VaricodeDecoder dec;
    std::string out;
    uint8_t ch = 0;
    for (int b : bits)
        if (dec.push(b, ch)) out.push_back(static_cast<char>(ch));
    return out;
}

// Bits received with confidence llr each (negative: the wrong way at `wrong`), decided by the
// sequence search and then read by the plain decoder.
std::string sequenceDecode(const std::string& text, int wrong, double llr, double weight) {
    dsp::VaricodeSequence seq(12, weight);
    std::vector<int> out;
    auto push = [&](double l) {
        const int b = seq.push(l);
        if (b >= 0) out.push_back(b);
    };
    // An unmodulated carrier (no codeword) before the text.
    for (int i = 0; i < 40; ++i)
        push(20.0);
    push(-20.0);
    push(-20.0);
    const std::vector<int> bits = bitsOf(text);
    for (size_t i = 0; i < bits.size(); ++i) {
        const double sure = static_cast<int>(i) == wrong ? -llr : 20.0;
        push(bits[i] ? sure : -sure);
    }
    for (int i = 0; i < 13; ++i)
        push(-20.0);
    return decodeBits(out);
}

// Correlation metrics for a received pair: +1 per agreeing bit, -1 per disagreeing one.
void hardMetrics(int pair, float m[4]) {
    for (int p = 0; p < 4; ++p) {
        const int diff = p ^ pair;
        m[p] = static_cast<float>(2 - 2 * (((diff >> 1) & 1) + (diff & 1)));
    }
}

} // namespace

// Rayleigh fading of unit mean power with a Gaussian Doppler spectrum, one value per QPSK31
// symbol: complex white noise through a Gaussian filter whose output's autocorrelation is the
// spectrum's transform, exp(-k^2 / (2 s^2)) over k symbols.
class RayleighFading {
public:
    RayleighFading(double dopplerHz, dsp::GaussianNoise& rng) : m_rng(rng) {
        const double s = 31.25 / (2.0 * 3.14159265 * std::max(dopplerHz, 0.01));
        const int half = std::min(int(4 * s), 2000);
        double norm = 0.0;
        for (int k = -half; k <= half; ++k)
            norm += std::exp(-2.0 * k * k / (s * s));
        for (int k = -half; k <= half; ++k)
            m_shape.push_back(std::exp(-k * k / (s * s)) / std::sqrt(norm));
        for (size_t i = 0; i < m_shape.size(); ++i)
            m_white.push_back(white());
    }
    std::complex<double> next() {
        m_white[m_pos] = white();
        m_pos = (m_pos + 1) % m_white.size();
        std::complex<double> h{0.0, 0.0};
        for (size_t i = 0; i < m_shape.size(); ++i)
            h += m_shape[i] * m_white[(m_pos + i) % m_white.size()];
        return h;
    }

private:
    std::complex<double> white() {
        return std::sqrt(0.5) * std::complex<double>(m_rng.next(), m_rng.next());
    }
    dsp::GaussianNoise& m_rng;
    std::vector<double> m_shape;
    std::vector<std::complex<double>> m_white;
    size_t m_pos = 0;
};

class TestCodes : public QObject {
    Q_OBJECT
private slots:
    void varicodeKnownCodes() {
        // Spot checks against the on-air table, including the first extended code.
        QCOMPARE(std::string(dsp::varicodeEncode(' ')), std::string("1"));
        QCOMPARE(std::string(dsp::varicodeEncode('e')), std::string("11"));
        QCOMPARE(std::string(dsp::varicodeEncode('a')), std::string("1011"));
        QCOMPARE(std::string(dsp::varicodeEncode('\n')), std::string("11101"));
        QCOMPARE(std::string(dsp::varicodeEncode('\r')), std::string("11111"));
        QCOMPARE(std::string(dsp::varicodeEncode('E')), std::string("1110111"));
        QCOMPARE(std::string(dsp::varicodeEncode(0)), std::string("1010101011"));
        QCOMPARE(std::string(dsp::varicodeEncode(127)), std::string("1110110101"));
        QCOMPARE(std::string(dsp::varicodeEncode(128)), std::string("1110111101"));
        QCOMPARE(std::string(dsp::varicodeEncode(143)), std::string("10101010101"));
        QCOMPARE(std::string(dsp::varicodeEncode(255)), std::string("101101011011"));
    }

    void varicodeAllCodesValidAndUnique() {
        std::set<std::string> seen;
        for (int c = 0; c < 256; ++c) {
            const std::string code(dsp::varicodeEncode(static_cast<uint8_t>(c)));
            QVERIFY2(!code.empty() && code.size() <= 12, qPrintable(QString::number(c)));
            QCOMPARE(code.front(), '1');
            QCOMPARE(code.back(), '1');
            QVERIFY2(code.find("00") == std::string::npos, qPrintable(QString::number(c)));
            QVERIFY2(seen.insert(code).second, qPrintable(QString::number(c)));
        }
    }

    void varicodeRoundTripAll256() {
        std::string all;
        for (int c = 0; c < 256; ++c)
            all.push_back(static_cast<char>(c));
        QCOMPARE(decodeBits(bitsOf(all)), all);
        // Any number of idle zeros between characters changes nothing.
        std::vector<int> bits(7, 0);
        for (int b : bitsOf("hi"))
            bits.push_back(b);
        bits.insert(bits.begin() + 7 + 6 + 2, 5, 0); // after "h" and its gap
        QCOMPARE(decodeBits(bits), std::string("hi"));
    }

    void varicodeRejectsOverlongAndUnknown() {
        // A long run of ones (an unmodulated carrier) and then a gap decodes as nothing.
        std::vector<int> bits(40, 1);
        bits.push_back(0);
        bits.push_back(0);
        for (int b : bitsOf("ok"))
            bits.push_back(b);
        QCOMPARE(decodeBits(bits), std::string("ok"));
        // "1111111111111" is no code; "101101011111" (12 bits, unused) neither.
        std::vector<int> unused = {1, 0, 1, 1, 0, 1, 0, 1, 1, 1, 1, 1, 0, 0};
        QCOMPARE(decodeBits(unused), std::string());
    }

    void sequenceDecisions_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("wrong");  // the bit received the wrong way
        QTest::addColumn<double>("llr"); // how sure of it
        QTest::addColumn<double>("weight");
        QTest::addColumn<QString>("expected");
        // "h" = 101101 with its fifth bit read as 0 is "1011" + "1": "t&" for "the".
        QTest::newRow("doubtful bit, likelier text") << "the" << 11 << 0.5 << 0.25 << "the";
        QTest::newRow("full weight") << "the" << 11 << 0.5 << 1.0 << "the";
        QTest::newRow("sure bit kept") << "the" << 11 << 8.0 << 0.25 << "t&";
        QTest::newRow("no prior, hard decisions") << "the" << 11 << 0.5 << 0.0 << "t&";
        // The gap after "a" read as 10 runs it into the "n" before a rare character.
        QTest::newRow("gap restored") << "and" << 5 << 0.5 << 0.25 << "and";
    }
    void sequenceDecisions() {
        QFETCH(QString, text);
        QFETCH(int, wrong);
        QFETCH(double, llr);
        QFETCH(double, weight);
        QFETCH(QString, expected);
        QCOMPARE(QString::fromStdString(sequenceDecode(text.toStdString(), wrong, llr, weight)),
                 expected);
    }
    void sequenceKeepsSureText() {
        // Every character, the rarest included, comes through when the bits are sure.
        std::string all;
        for (int c = 0; c < 256; ++c)
            all.push_back(static_cast<char>(c));
        QCOMPARE(sequenceDecode(all, -1, 0.0, 1.0), all);
    }

    void encoderImpulseResponse() {
        // A single 1 walks through the register: pairs follow the two polynomials bit by bit.
        dsp::ConvEncoder enc;
        const int expected[] = {3, 1, 1, 2, 3, 0, 0};
        const int in[] = {1, 0, 0, 0, 0, 0, 0};
        for (int i = 0; i < 7; ++i)
            QCOMPARE(enc.push(in[i]), expected[i]);
        // Idle (zeros) stays at pair 00.
        enc.reset();
        for (int i = 0; i < 10; ++i)
            QCOMPARE(enc.push(0), 0);
    }

    void viterbiCorrectsInjectedErrors() {
        dsp::GaussianNoise rng(11);
        std::vector<int> bits;
        for (int i = 0; i < 3000; ++i)
            bits.push_back(rng.next() > 0.3);
        dsp::ConvEncoder enc;
        dsp::ViterbiDecoder dec(32);
        std::vector<int> out;
        int injected = 0;
        for (size_t i = 0; i < bits.size() + 40; ++i) {
            int pair = enc.push(i < bits.size() ? bits[i] : 0);
            // One wrong bit every 12 pairs, alternating a and b.
            if (i % 12 == 5) {
                pair ^= (i % 24 == 5) ? 2 : 1;
                ++injected;
            }
            float m[4];
            hardMetrics(pair, m);
            const int b = dec.push(m);
            if (b >= 0) out.push_back(b);
        }
        QVERIFY(injected > 200);
        out.resize(bits.size());
        QCOMPARE(out, bits);
    }

    // Soft decisions in Gaussian noise (sigma per coded bit): the decoder leaves a small
    // fraction of the raw errors, whatever the depth and however long the over, and a common
    // offset on the four metrics (only their differences carry information) changes nothing,
    // which holds only while the path metrics are kept bounded.
    void viterbiSoftNoise_data() {
        QTest::addColumn<int>("depth");
        QTest::addColumn<double>("sigma");
        QTest::addColumn<float>("offset");
        QTest::addColumn<int>("bits");
        QTest::addColumn<double>("maxShare"); // decoded errors / raw errors
        QTest::newRow("0 dB, depth 32") << 32 << std::sqrt(0.5) << 0.0f << 3000 << 0.03;
        QTest::newRow("0 dB, depth 12") << 12 << std::sqrt(0.5) << 0.0f << 3000 << 0.12;
        QTest::newRow("long over, offset") << 25 << 0.6 << 1.0e5f << 60000 << 0.05;
    }
    void viterbiSoftNoise() {
        QFETCH(int, depth);
        QFETCH(double, sigma);
        QFETCH(float, offset);
        QFETCH(int, bits);
        QFETCH(double, maxShare);
        dsp::GaussianNoise rng(11);
        std::vector<int> in, out;
        for (int i = 0; i < bits; ++i)
            in.push_back(rng.next() > 0.3);
        dsp::ConvEncoder enc;
        dsp::ViterbiDecoder dec(depth);
        int rawErrors = 0;
        for (size_t i = 0; i < in.size() + 40; ++i) {
            const int pair = enc.push(i < in.size() ? in[i] : 0);
            const double ra = ((pair >> 1) ? 1.0 : -1.0) + sigma * rng.next();
            const double rb = ((pair & 1) ? 1.0 : -1.0) + sigma * rng.next();
            rawErrors += ((ra > 0) != ((pair >> 1) == 1)) + ((rb > 0) != ((pair & 1) == 1));
            float m[4];
            for (int p = 0; p < 4; ++p)
                m[p] = offset + static_cast<float>(((p >> 1) ? ra : -ra) + ((p & 1) ? rb : -rb));
            const int b = dec.push(m);
            if (b >= 0) out.push_back(b);
        }
        out.resize(in.size());
        int errors = 0;
        for (size_t i = 0; i < in.size(); ++i)
            errors += out[i] != in[i];
        QVERIFY2(rawErrors > bits / 20, qPrintable(QString::number(rawErrors)));
        QVERIFY2(errors <= maxShare * rawErrors,
                 qPrintable(QString("%1 vs %2").arg(errors).arg(rawErrors)));
    }

    void qpskReliability() {
        // The soft output must rank the decisions: those it calls doubtful are wrong far more
        // often than those it calls sure.
        dsp::GaussianNoise rng(23);
        dsp::ConvEncoder enc;
        dsp::QpskDecoder dec(25);
        const std::complex<double> turn[4] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
        std::complex<double> phase{1.0, 0.0};
        std::vector<int> in;
        int doubtful = 0, doubtfulWrong = 0, sure = 0, sureWrong = 0;
        for (int k = 0; k < 20000; ++k) {
            in.push_back(rng.next() > 0.0);
            phase *= turn[enc.push(in.back())];
            const auto y = phase + 0.5 * std::complex<double>(rng.next(), rng.next());
            double rel = 0.0;
            if (const int b = dec.push(y, 2.0, &rel); b >= 0) {
                const bool wrong = b != in[in.size() - 25];
                (rel < 2.0 ? doubtful : sure) += 1;
                (rel < 2.0 ? doubtfulWrong : sureWrong) += wrong;
            }
        }
        QVERIFY2(doubtful > 200 && sure > 10000, qPrintable(QString::number(doubtful)));
        const double low = double(doubtfulWrong) / doubtful, high = double(sureWrong) / sure;
        QVERIFY2(low > 0.2 && low > 4.0 * high, qPrintable(QString("%1 vs %2").arg(low).arg(high)));
    }

    // QPSK31 symbols (31.25 baud) through Rayleigh fading with a Gaussian Doppler spectrum, or a
    // steady channel whose phase drifts, in noise: the predicted phase reference cuts the errors
    // of plain differential detection (the previous symbol) by the factor given, for either
    // sideband's mapping.
    void qpskDecoderPredictor_data() {
        QTest::addColumn<double>("dopplerHz"); // 0: steady
        QTest::addColumn<double>("drift");     // rad per symbol
        QTest::addColumn<double>("snrDb");     // mean symbol SNR
        QTest::addColumn<bool>("lsb");
        QTest::addColumn<double>("maxShare"); // errors / the previous symbol's errors
        QTest::newRow("steady") << 0.0 << 0.0 << 3.0 << false << 0.3;
        QTest::newRow("steady lsb") << 0.0 << 0.0 << 3.0 << true << 0.3;
        QTest::newRow("drift 0.5 Hz") << 0.0 << 0.1 << 3.0 << false << 0.4;
        QTest::newRow("fading 0.45 Hz") << 0.45 << 0.0 << 12.0 << false << 0.95;
        QTest::newRow("fading 0.25 Hz") << 0.25 << 0.0 << 12.0 << false << 0.8;
    }
    void qpskDecoderPredictor() {
        QFETCH(double, dopplerHz);
        QFETCH(double, drift);
        QFETCH(double, snrDb);
        QFETCH(bool, lsb);
        QFETCH(double, maxShare);
        dsp::GaussianNoise rng(17);
        const double snr = std::pow(10.0, snrDb / 10.0);
        RayleighFading fading(dopplerHz, rng);
        auto channel = [&]() -> std::complex<double> {
            return dopplerHz > 0.0 ? fading.next() : 1.0;
        };
        dsp::ConvEncoder enc;
        dsp::QpskDecoder predicted(25), plain(25);
        predicted.setPredictor(dsp::fadingPredictor(snr, 6, std::max(dopplerHz, 0.45), 31.25,
                                                    std::pow(10.0, -12.0 / 10.0)));
        for (auto* d : {&predicted, &plain})
            d->setLsb(lsb);
        // Coded pair p turns the phase by 180, -90, 0, +90 degrees (mirrored for LSB).
        const std::complex<double> turn[4] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
        std::complex<double> phase{1.0, 0.0};
        std::vector<int> in, outPredicted, outPlain;
        const double sigma = std::sqrt(0.5 / snr);
        for (int k = 0; k < 20000; ++k) {
            in.push_back(rng.next() > 0.0);
            const std::complex<double> t = turn[enc.push(in.back())];
            phase *= (lsb ? std::conj(t) : t) * std::polar(1.0, drift);
            const std::complex<double> y =
                channel() * phase + sigma * std::complex<double>(rng.next(), rng.next());
            if (const int b = predicted.push(y, 1.0); b >= 0) outPredicted.push_back(b);
            if (const int b = plain.push(y, 1.0); b >= 0) outPlain.push_back(b);
        }
        QCOMPARE(outPredicted.size(), in.size() - 24);
        int errPredicted = 0, errPlain = 0;
        for (size_t i = 0; i < outPredicted.size(); ++i) {
            errPredicted += outPredicted[i] != in[i];
            errPlain += outPlain[i] != in[i];
        }
        QVERIFY2(errPlain > 300, qPrintable(QString::number(errPlain)));
        QVERIFY2(errPredicted <= maxShare * errPlain,
                 qPrintable(QString("%1 vs %2").arg(errPredicted).arg(errPlain)));
    }

    // The predictor's limits: none below the noise; on a steady channel far above a floor-free
    // noise it averages evenly (sum 1); far above the noise on a fading channel it leans on the
    // newest symbols and reaches back less than a steady channel's.
    void fadingPredictorShape() {
        QCOMPARE(dsp::fadingPredictor(0.0, 6, 0.45, 31.25, 0.06), std::vector<double>{1.0});
        const std::vector<double> steady = dsp::fadingPredictor(1e6, 4, 0.0, 31.25, 0.0);
        QCOMPARE(steady.size(), size_t(4));
        for (double c : steady)
            QVERIFY2(std::fabs(c - 0.25) < 0.01, qPrintable(QString::number(c)));
        const std::vector<double> lowSnr = dsp::fadingPredictor(10.0, 6, 0.45, 31.25, 0.0);
        const std::vector<double> highSnr = dsp::fadingPredictor(1000.0, 6, 0.45, 31.25, 0.0);
        auto lag = [](const std::vector<double>& c) {
            double sum = 0.0, moment = 0.0;
            for (size_t i = 0; i < c.size(); ++i) {
                sum += c[i];
                moment += double(i + 1) * c[i];
            }
            return moment / sum;
        };
        QVERIFY2(highSnr[0] > lowSnr[0] && lag(highSnr) < lag(lowSnr) && lag(lowSnr) < 3.5,
                 qPrintable(QString("%1 %2").arg(lag(lowSnr)).arg(lag(highSnr))));
    }

    // Symbols through fading of the rate given, the predictors made for a slow, a CCIR-poor and
    // a fast rate (and the previous symbol): the choice, judging by the symbols alone, settles
    // on the one made for that rate, or on the previous symbol far above the noise where the
    // phase moves fast.
    void predictorChoice_data() {
        QTest::addColumn<double>("dopplerHz");
        QTest::addColumn<double>("snrDb");
        QTest::addColumn<int>("expected"); // 0: the previous symbol, 1..3: slow, poor, fast
        QTest::newRow("slow") << 0.1 << 12.0 << 1;
        QTest::newRow("poor") << 0.5 << 12.0 << 2;
        QTest::newRow("fast") << 2.0 << 12.0 << 3;
        QTest::newRow("fast, strong") << 5.0 << 40.0 << 0;
    }
    void predictorChoice() {
        QFETCH(double, dopplerHz);
        QFETCH(double, snrDb);
        QFETCH(int, expected);
        dsp::GaussianNoise rng(5);
        RayleighFading fading(dopplerHz, rng);
        const double snr = std::pow(10.0, snrDb / 10.0), sigma = std::sqrt(0.5 / snr);
        dsp::PredictorChoice choice(256.0);
        std::vector<std::vector<double>> bank{{1.0}};
        for (double hz : {0.1, 0.5, 2.0})
            bank.push_back(dsp::fadingPredictor(snr, 6, hz, 31.25, 0.06));
        choice.setCandidates(bank);
        // The decided symbols turned into the newest one's frame: the channel plus noise.
        std::vector<std::complex<double>> hist(7);
        std::vector<int> chosen(bank.size());
        for (int k = 0; k < 6000; ++k) {
            std::rotate(hist.rbegin(), hist.rbegin() + 1, hist.rend());
            hist[0] = fading.next() + sigma * std::complex<double>(rng.next(), rng.next());
            if (k >= 7) choice.observe(hist.data(), hist.size());
            if (k >= 1000) ++chosen[choice.index()];
            QCOMPARE(choice.chosen(), bank[choice.index()]);
        }
        const auto most = std::max_element(chosen.begin(), chosen.end()) - chosen.begin();
        QVERIFY2(most == expected, qPrintable(QString("%1: %2 %3 %4 %5")
                                                  .arg(most)
                                                  .arg(chosen[0])
                                                  .arg(chosen[1])
                                                  .arg(chosen[2])
                                                  .arg(chosen[3])));
    }
};

QTEST_APPLESS_MAIN(TestCodes)
#include "tst_dsp_codes.moc"
