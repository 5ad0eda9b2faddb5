// WAV reading and writing: every layout a user may bring, resampling to the working rate, and
// files that are broken in the ways files get broken.
#include <cstdio>
#include <QTemporaryDir>
#include <QTest>
#include <string>
#include <vector>

#include "ToneMeter.h"
#include "WavFile.h"

using audio::WavFormat;

Q_DECLARE_METATYPE(audio::WavFormat)

namespace {

std::vector<unsigned char> le(uint32_t v, int bytes) {
    std::vector<unsigned char> out;
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<unsigned char>(v >> (8 * i)));
    return out;
}

// A hand-built file: header fields as given, so that tests can get them wrong on purpose.
struct RawWav {
    uint16_t tag = 1, channels = 1, bits = 16;
    uint32_t rate = 8000;
    int blockAlign = -1;
    std::vector<unsigned char> data;
    uint32_t dataSizeField = 0xFFFFFFFE; // the real size unless changed
    std::vector<unsigned char> extraChunk;
    bool extensible = false; // WAVE_FORMAT_EXTENSIBLE, `tag` in its sub-format GUID

    std::vector<unsigned char> bytes() const {
        std::vector<unsigned char> f;
        auto put = [&f](const std::vector<unsigned char>& v) {
            f.insert(f.end(), v.begin(), v.end());
        };
        auto tag4 = [&f](const char* t) {
            for (int i = 0; i < 4; ++i)
                f.push_back(static_cast<unsigned char>(t[i]));
        };
        tag4("RIFF");
        put(le(0, 4));
        tag4("WAVE");
        f.insert(f.end(), extraChunk.begin(), extraChunk.end());
        tag4("fmt ");
        put(le(extensible ? 40 : 16, 4));
        put(le(extensible ? 0xFFFE : tag, 2));
        put(le(channels, 2));
        put(le(rate, 4));
        const int align = blockAlign >= 0 ? blockAlign : channels * bits / 8;
        put(le(rate * uint32_t(align), 4));
        put(le(uint32_t(align), 2));
        put(le(bits, 2));
        if (extensible) {
            for (uint32_t v : {22u, uint32_t(bits)}) // extra size, valid bits
                put(le(v, 2));
            put(le(4, 4)); // channel mask
            put(le(tag, 2));
            put(std::vector<unsigned char>(14, 0));
        }
        tag4("data");
        put(le(dataSizeField == 0xFFFFFFFE ? uint32_t(data.size()) : dataSizeField, 4));
        put(data);
        return f;
    }
};

} // namespace

class TestWav : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString file(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    std::string writeBytes(const char* name, const std::vector<unsigned char>& bytes) {
        const std::string path = file(name).toStdString();
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f) {
            if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
            std::fclose(f);
        }
        return path;
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // A 1 kHz tone on the first channel and a 2.5 kHz tone on the second survive every
    // layout: the reader takes only the first channel, at 8000 Hz, with its amplitude.
    void roundTrip_data() {
        QTest::addColumn<WavFormat>("format");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<double>("tolerance");
        const struct {
            WavFormat f;
            const char* name;
            double tol;
        } formats[] = {{WavFormat::Int8, "8-bit", 0.02},     {WavFormat::Int16, "16-bit", 0.002},
                       {WavFormat::Int24, "24-bit", 0.002},  {WavFormat::Int32, "32-bit", 0.002},
                       {WavFormat::Float32, "float", 0.002}, {WavFormat::Float64, "double", 0.002}};
        for (const auto& f : formats)
            for (int rate : {8000, 44100, 48000})
                for (int ch : {1, 2})
                    QTest::addRow("%s %d Hz %d ch", f.name, rate, ch) << f.f << rate << ch << f.tol;
    }
    void roundTrip() {
        QFETCH(WavFormat, format);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(double, tolerance);
        const size_t frames = size_t(rate) * 2; // two seconds
        const auto first = tonetest::tone(1000, 0.5, rate, frames);
        const auto second = tonetest::tone(2500, 0.4, rate, frames);
        std::vector<float> interleaved;
        for (size_t i = 0; i < frames; ++i) {
            interleaved.push_back(first[i]);
            if (channels == 2) interleaved.push_back(second[i]);
        }
        const std::string path = file("rt.wav").toStdString();
        audio::WavWriter writer;
        QVERIFY(writer.open(path, rate, channels, format));
        QVERIFY(writer.write(interleaved.data(), frames));
        QVERIFY(writer.close());

        std::vector<float> samples;
        std::string error;
        audio::WavInfo info;
        QVERIFY2(audio::loadWav(path, samples, error, &info), error.c_str());
        QCOMPARE(info.sampleRate, rate);
        QCOMPARE(info.channels, channels);
        QCOMPARE(info.frames, uint64_t(frames));
        QVERIFY(info.format == format);
        QVERIFY(!info.truncated);
        // Same duration at the working rate, give or take the converter's rounding.
        QVERIFY2(std::abs(long(samples.size()) - 16000) <= 4,
                 qPrintable(QString::number(samples.size())));
        // Away from the edges, where the converter settles.
        const float* mid = samples.data() + 2000;
        const size_t n = 12000;
        QVERIFY(std::abs(tonetest::toneAmplitude(mid, n, 1000, 8000) - 0.5) < tolerance + 0.003);
        QVERIFY(tonetest::toneAmplitude(mid, n, 2500, 8000) < 0.005);
        // No shift in time between file and output beyond a fraction of a sample.
        double re = 0, im = 0;
        for (size_t i = 2000; i < 14000; ++i) {
            const double w = 2 * M_PI * 1000 * double(i) / 8000;
            re += samples[i] * std::sin(w);
            im += samples[i] * std::cos(w);
        }
        const double lag = -std::atan2(im, re) / (2 * M_PI * 1000) * 8000;
        QVERIFY2(std::abs(lag) < 0.6, qPrintable(QString::number(lag)));
    }

    // Exact decoding at the formats' extremes; non-finite floats become silence rather than
    // poisoning the filters; chunks the reader does not know (odd sizes with their pad byte)
    // are skipped, and WAVE_FORMAT_EXTENSIBLE headers are read by their sub-format.
    void sampleValues_data() {
        QTest::addColumn<int>("tag");
        QTest::addColumn<int>("bits");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<float>>("values");
        QTest::addColumn<bool>("extensible");
        const QByteArray int16("\x00\x80\x00\x40\x00\x00\xff\x7f", 8);
        QTest::newRow("16-bit") << 1 << 16 << int16 << QList<float>{-1, 0.5f, 0, 32767 / 32768.0f}
                                << false;
        QTest::newRow("24-bit") << 1 << 24 << QByteArray("\0\0\x80\xff\xff\xff\0\0\x40", 9)
                                << QList<float>{-1, -1 / 8388608.0f, 0.5f} << false;
        QTest::newRow("8-bit") << 1 << 8 << QByteArray("\0\x80\xc0", 3) << QList<float>{-1, 0, 0.5f}
                               << false;
        const QByteArray nanInfHalf("\0\0\xc0\x7f\0\0\x80\x7f\0\0\0\x3f", 12);
        QTest::newRow("non-finite") << 3 << 32 << nanInfHalf << QList<float>{0, 0, 0.5f} << false;
        QTest::newRow("extensible float")
            << 3 << 32 << QByteArray("\0\0\x40\xbf", 4) << QList<float>{-0.75f} << true;
    }
    void sampleValues() {
        QFETCH(int, tag);
        QFETCH(int, bits);
        QFETCH(QByteArray, bytes);
        QFETCH(QList<float>, values);
        QFETCH(bool, extensible);
        RawWav w;
        w.tag = uint16_t(tag);
        w.bits = uint16_t(bits);
        w.data.assign(bytes.begin(), bytes.end());
        w.extensible = extensible;
        w.extraChunk = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
        audio::WavReader r;
        QVERIFY2(r.open(writeBytes("values.wav", w.bytes())), r.error().c_str());
        float out[8] = {};
        QCOMPARE(r.read(out, 8), size_t(values.size()));
        QCOMPARE(QList<float>(out, out + values.size()), values);
        QCOMPARE(r.read(out, 8), size_t(0));
    }

    // Broken files give a clear error, never a crash or a hang.
    void badFiles_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expect"); // a word the error must contain
        RawWav good;
        good.data = std::vector<unsigned char>(200, 0);
        const auto full = good.bytes();
        auto bytesOf = [](const std::vector<unsigned char>& v) {
            return QByteArray(reinterpret_cast<const char*>(v.data()), int(v.size()));
        };
        QTest::newRow("empty") << QByteArray() << "empty";
        QTest::newRow("text") << QByteArray("hello, this is not a sound file at all\n")
                              << "not a WAV";
        QTest::newRow("tiny") << QByteArray("RIFF") << "short";
        QTest::newRow("header cut") << bytesOf({full.begin(), full.begin() + 30}) << "truncated";
        QTest::newRow("no data chunk") << bytesOf({full.begin(), full.begin() + 36}) << "data";
        auto with = [&](void (*change)(RawWav&)) {
            RawWav w = good;
            change(w);
            return bytesOf(w.bytes());
        };
        QTest::newRow("adpcm") << with([](RawWav& w) { w.tag = 2, w.bits = 4, w.blockAlign = 1; })
                               << "unsupported";
        QTest::newRow("0 channels")
            << with([](RawWav& w) { w.channels = 0, w.blockAlign = 2; }) << "channel";
        QTest::newRow("0 Hz") << with([](RawWav& w) { w.rate = 0; }) << "rate";
        QTest::newRow("4 GHz") << with([](RawWav& w) { w.rate = 0xFFFFFFFFu; }) << "rate";
        QTest::newRow("block align") << with([](RawWav& w) { w.blockAlign = 3; }) << "alignment";
        QTest::newRow("chunk past end")
            << with([](RawWav& w) { w.extraChunk = {'J', 'U', 'N', 'K', 0xF0, 0xFF, 0xFF, 0x7F}; })
            << "truncated";
    }
    void badFiles() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expect);
        const std::string path =
            writeBytes("bad.wav", std::vector<unsigned char>(bytes.begin(), bytes.end()));
        audio::WavReader r;
        QVERIFY(!r.open(path));
        QVERIFY2(QString::fromStdString(r.error()).contains(expect, Qt::CaseInsensitive),
                 r.error().c_str());
        float out[4];
        QCOMPARE(r.read(out, 4), size_t(0));
        std::vector<float> samples{1.0f};
        std::string error;
        QVERIFY(!audio::loadWav(path, samples, error));
        QVERIFY(samples.empty());
        QVERIFY(!error.empty());
    }

    // A recording cut short in its data is still readable: what is there, flagged truncated.
    // A data size of 0xFFFFFFFF (a recorder that never finished its header) means "to the end".
    void truncatedData() {
        RawWav w;
        w.data = std::vector<unsigned char>(1000, 0);
        w.dataSizeField = 400000;
        audio::WavReader r;
        QVERIFY(r.open(writeBytes("cut.wav", w.bytes())));
        QVERIFY(r.info().truncated);
        QCOMPARE(r.info().frames, uint64_t(500));

        w.dataSizeField = 0xFFFFFFFFu;
        QVERIFY(r.open(writeBytes("open.wav", w.bytes())));
        QVERIFY(!r.info().truncated);
        QCOMPARE(r.info().frames, uint64_t(500));

        // An odd byte at the end is not half a sample.
        w.dataSizeField = 0xFFFFFFFE;
        w.data.push_back(7);
        w.data.push_back(7);
        w.data.push_back(7);
        QVERIFY(r.open(writeBytes("odd.wav", w.bytes())));
        QCOMPARE(r.info().frames, uint64_t(501));
    }

    // The writer clips rather than wrapping around, and refuses layouts it cannot write.
    void writerLimits() {
        const std::string path = file("clip.wav").toStdString();
        audio::WavWriter w;
        QVERIFY(!w.open(path, 10, 1));
        QVERIFY(!w.open(path, 8000, 0));
        QVERIFY(!w.open(file("no/such/dir/x.wav").toStdString(), 8000, 1));
        QVERIFY(!w.error().empty());
        QVERIFY(w.open(path, 8000, 1, WavFormat::Int16));
        const float loud[3] = {2.0f, -3.0f, std::nanf("")};
        QVERIFY(w.write(loud, 3));
        QVERIFY(w.close());
        audio::WavReader r;
        QVERIFY(r.open(path));
        float out[3];
        QCOMPARE(r.read(out, 3), size_t(3));
        QVERIFY(out[0] > 0.999f);
        QCOMPARE(out[1], -1.0f);
        QCOMPARE(out[2], 0.0f);
    }
};

QTEST_GUILESS_MAIN(TestWav)
#include "tst_wav.moc"
