// pskencode and pskdecode as processes: text through a WAV file and back in every mode and
// layout, three stations in one file, and every kind of bad file or argument.
#include <cmath>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

#include "WavFile.h"

namespace {

struct Run {
    int status = -1;
    QByteArray out, err;
};

Run run(const QString& program, const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.start(program, args);
    Run r;
    if (!p.waitForStarted(30000)) return r;
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2; // -2: crashed
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

Run encode(const QStringList& args, const QByteArray& text) {
    return run(QStringLiteral(TD_PSKENCODE), args, text);
}
Run decode(const QStringList& args) {
    return run(QStringLiteral(TD_PSKDECODE), args);
}

// The text as pskdecode prints it: the CR of each CR LF dropped.
QByteArray printed(QByteArray text) {
    return text.replace("\r\n", "\n");
}

} // namespace

class TestTools : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    void roundTrip_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("bits");
        QTest::addColumn<QString>("snr"); // empty: clean
        for (const char* row : {"bpsk 8000 16", "bpsk 22050 8 5", "qpsk-usb 44100 24 10",
                                "qpsk-lsb 48000 float 10", "bpsk 96000 32 0"}) {
            const QStringList f = QString::fromLatin1(row).split(' ');
            QTest::newRow(row) << f[0] << f[1] << f[2] << f.value(3);
        }
    }
    void roundTrip() {
        QFETCH(QString, mode);
        QFETCH(QString, rate);
        QFETCH(QString, bits);
        QFETCH(QString, snr);
        const QByteArray text = "CQ CQ de QT0LB QT0LB pse k\r\nName Ann, QTH Oslo, 73!\r\n";
        QStringList args{"--mode", mode, "--freq", "1350", "--rate", rate, "--bits", bits};
        if (!snr.isEmpty())
            args << "--snr" << snr << "--seed"
                 << "4";
        const QString wav = path("rt.wav");
        const Run enc = encode(args << wav, text);
        QCOMPARE(enc.status, 0);
        QVERIFY(enc.err.isEmpty());
        audio::WavReader reader;
        QVERIFY(reader.open(wav.toStdString()));
        QCOMPARE(reader.info().sampleRate, rate.toInt());

        const Run dec = decode({"--mode", mode, "--freq", "1350", wav});
        QCOMPARE(dec.status, 0);
        if (snr.isEmpty())
            QCOMPARE(dec.out, printed(text)); // the text alone, nothing else
        else
            QVERIFY2(dec.out.contains(printed(text)), dec.out.constData());
    }

    // Where the recording comes from and what can be wrong with it: '-' and /dev/stdin read a
    // pipe; a FIFO nobody writes to is given up rather than waited on for ever; files that
    // cannot be decoded give status 2, a message and nothing on stdout; a recording cut short
    // in its data decodes what is there, with a warning.
    void inputs_data() {
        QTest::addColumn<QString>("file"); // "-", "/dev/stdin", "fifo", "dir", "missing", "file"
        QTest::addColumn<QByteArray>("bytes"); // the file's or stdin's; "good", "cut", "none"
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out"); // stdout starts with it
        QTest::addColumn<QByteArray>("err"); // stderr contains it
        auto row = [](const char* name, const char* file, const QByteArray& bytes, int status,
                      const char* out, const char* err) {
            QTest::newRow(name) << QString(file) << bytes << status << QByteArray(out)
                                << QByteArray(err);
        };
        const char* text = "abcdefghijklm";
        row("-", "-", "good", 0, text, "");
        row("/dev/stdin", "/dev/stdin", "good", 0, text, "");
        row("cut short", "file", "cut", 0, text, "truncated");
        row("fifo, no writer", "fifo", "", 2, "", "no data");
        row("no samples", "file", "none", 2, "", "holds no samples");
        row("no samples, -", "-", "none", 2, "", "holds no samples");
        // The reader's own messages reach the user (every bad layout is the WAV test's).
        row("not a WAV", "file", "PK\3\4 zip file, surely", 2, "", "not a WAV");
        row("missing", "missing", "", 2, "", "cannot open");
        row("directory", "dir", "", 2, "", "directory");
    }
    void inputs() {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        const QString wav = path("in.wav");
        if (bytes == "good" || bytes == "cut") {
            const QByteArray text = "abcdefghijklmnopqrstuvwxyz 0123456789\r\n";
            QCOMPARE(encode({"--freq", "900", wav}, text).status, 0);
        } else if (bytes == "none") {
            audio::WavWriter w;
            QVERIFY(w.open(wav.toStdString(), 8000, 1, audio::WavFormat::Int16) && w.close());
        } else {
            QFile f(wav);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
        }
        if (bytes == "cut") QVERIFY(QFile(wav).resize(QFile(wav).size() * 2 / 3));
        QByteArray input;
        if (file == "-" || file == "/dev/stdin") {
            QFile f(wav);
            QVERIFY(f.open(QIODevice::ReadOnly));
            input = f.readAll();
        } else if (file == "fifo") {
            file = path("fifo");
            QCOMPARE(::mkfifo(file.toLocal8Bit().constData(), 0600), 0);
        } else {
            file = file == "dir" ? dir_.path() : file == "missing" ? path("missing.wav") : wav;
        }
        const Run dec = run(QStringLiteral(TD_PSKDECODE), {"--freq", "900", file}, input);
        QCOMPARE(dec.status, status);
        QVERIFY2(dec.out.startsWith(out) && dec.err.contains(err), (dec.out + dec.err).constData());
        if (status != 0) QVERIFY(dec.out.isEmpty() && dec.err.startsWith("pskdecode: "));
        if (bytes == "cut") QVERIFY(!dec.out.contains("0123456789"));
    }

    // The fading channel is applied and seeded: a QSB dip shows at its place and depth, the
    // same seed gives the same file, another seed another one.
    void channelProfile() {
        const QByteArray text(60, 'e');
        auto samples = [&](QStringList args) {
            const QString wav = path("ch.wav");
            std::vector<float> x;
            std::string error;
            args += {"--bits", "float", wav};
            if (encode(args, text).status == 0) audio::loadWav(wav.toStdString(), x, error);
            return x;
        };
        const auto dipped = samples({"--channel", "dip:2:2:20"});
        QVERIFY(dipped.size() > 8000 * 5);
        auto rms = [&](double from) {
            double sum = 0;
            for (size_t i = size_t(from * 8000); i < size_t((from + 0.5) * 8000); ++i)
                sum += double(dipped[i]) * dipped[i];
            return std::sqrt(sum / 4000);
        };
        const double ratioDb = 20 * std::log10(rms(5.0) / rms(2.75));
        QVERIFY2(std::abs(ratioDb - 20) < 1.5, qPrintable(QString::number(ratioDb)));
        const auto a = samples({"--channel", "moderate", "--seed", "3"});
        QVERIFY(!a.empty());
        QVERIFY(a == samples({"--channel", "moderate", "--seed", "3"}));
        QVERIFY(a != samples({"--channel", "moderate", "--seed", "4"}));
    }

    // Without --freq the strongest signal is found and decoded.
    void strongestSignal() {
        const QByteArray text = "found without being told where\r\n";
        const QString wav = path("find.wav");
        QCOMPARE(encode({"--freq", "2210", "--snr", "3", wav}, text).status, 0);
        const Run dec = decode({wav});
        QCOMPARE(dec.status, 0);
        QVERIFY2(dec.err.contains("2210 Hz") || dec.err.contains("2209 Hz") ||
                     dec.err.contains("2211 Hz"),
                 dec.err.constData());
        QVERIFY2(dec.out.contains(printed(text)), dec.out.constData());
    }

    // Three stations 100 Hz apart in one file, each channel set on its station: each prints
    // its own text only.
    void threeChannels() {
        const QByteArray texts[3] = {"first station here, 599 in Rome\r\n",
                                     "second one from Lima, name Ugo\r\n",
                                     "third: rig FT-710, ant dipole\r\n"};
        const int freqs[3] = {1000, 1100, 1200};
        std::vector<float> mix;
        for (int i = 0; i < 3; ++i) {
            const QString wav = path("one.wav");
            QCOMPARE(encode({"--freq", QString::number(freqs[i]), "--bits", "float", wav}, texts[i])
                         .status,
                     0);
            std::vector<float> x;
            std::string error;
            QVERIFY(audio::loadWav(wav.toStdString(), x, error));
            if (mix.size() < x.size()) mix.resize(x.size(), 0.0f);
            for (size_t k = 0; k < x.size(); ++k)
                mix[k] += x[k] / 3;
        }
        const QString wav = path("three.wav");
        audio::WavWriter w;
        QVERIFY(w.open(wav.toStdString(), 8000, 1, audio::WavFormat::Int16));
        QVERIFY(w.write(mix.data(), mix.size()));
        QVERIFY(w.close());

        const Run dec =
            decode({"--freq", "1000", "--freq", "1100", "--freq", "1200", "--squelch", "50", wav});
        QCOMPARE(dec.status, 0);
        QByteArray sections[3];
        int current = -1;
        for (const QByteArray& line : dec.out.split('\n')) {
            if (line.startsWith("=== channel ")) {
                current = line.mid(12, 1).toInt();
                continue;
            }
            if (current >= 0) sections[current] += line + '\n';
        }
        for (int i = 0; i < 3; ++i) {
            QVERIFY2(dec.out.contains(QByteArray("=== channel ") + char('0' + i) + ", " +
                                      QByteArray::number(freqs[i]) + " Hz ==="),
                     dec.out.constData());
            QVERIFY2(sections[i].contains(printed(texts[i])), dec.out.constData());
            for (int j = 0; j < 3; ++j)
                if (j != i) QVERIFY(!sections[i].contains(printed(texts[j]).left(12)));
        }
    }

    void badArguments_data() {
        QTest::addColumn<bool>("encoder");
        QTest::addColumn<QStringList>("args");
        const QString f = path("x.wav");
        QTest::newRow("dec freq -5") << false << QStringList{"--freq", "-5", f};
        QTest::newRow("dec freq text") << false << QStringList{"--freq", "abc", f};
        QTest::newRow("dec freq missing") << false << QStringList{f, "--freq"};
        QTest::newRow("dec squelch 1000") << false << QStringList{"--squelch", "1000", f};
        QTest::newRow("dec afc -1") << false << QStringList{"--afc=-1", f};
        QTest::newRow("dec four channels")
            << false
            << QStringList{"--freq", "500", "--freq", "600", "--freq", "700", "--freq", "800", f};
        QTest::newRow("dec mode") << false << QStringList{"--mode", "rtty", f};
        QTest::newRow("dec unknown") << false << QStringList{"--fast", f};
        QTest::newRow("dec no file") << false << QStringList{};
        QTest::newRow("dec two files") << false << QStringList{f, f};
        QTest::newRow("enc rate 100") << true << QStringList{"--rate", "100", f};
        QTest::newRow("enc rate fraction") << true << QStringList{"--rate", "8000.5", f};
        QTest::newRow("enc snr text") << true << QStringList{"--snr", "loud", f};
        QTest::newRow("enc bits 12") << true << QStringList{"--bits", "12", f};
        QTest::newRow("enc freq 5000") << true << QStringList{"--freq", "5000", f};
        QTest::newRow("enc no file") << true << QStringList{};
        QTest::newRow("enc channel") << true << QStringList{"--channel", "awful", f};
        QTest::newRow("enc channel dip") << true << QStringList{"--channel", "amp:1,dip:2", f};
    }
    void badArguments() {
        QFETCH(bool, encoder);
        QFETCH(QStringList, args);
        const Run r = encoder ? encode(args, "x") : decode(args);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains("usage:"), r.err.constData());
        QVERIFY(!QFile::exists(path("x.wav")));
    }

    void encoderFileErrors() {
        const Run r = encode({path("no/such/dir/out.wav")}, "hello");
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.contains("cannot create"));
        const Run tooLong = encode({path("long.wav")}, QByteArray(20001, 'e'));
        QCOMPARE(tooLong.status, 1);
        QVERIFY(tooLong.err.contains("longer"));
        QCOMPARE(encode({"--help"}, {}).status, 0);
        QCOMPARE(decode({"--help"}).status, 0);
    }
};

QTEST_GUILESS_MAIN(TestTools)
#include "tst_tools.moc"
