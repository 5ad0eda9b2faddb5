// Random values and files through the parameter parser: it must neither crash nor read out of
// bounds (run under the address sanitiser). Argument: the number of inputs (default 20000).
#include <cstdio>
#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "rtty/ModemParameters.h"

namespace {
struct Host : rtty::ModemParametersHost {
    long messages = 0;
    void messageBox(const QString&) override { ++messages; }
    QString myCallsign() const override { return QStringLiteral("DL1ABC"); }
    QDateTime utcNow() const override {
        return QDateTime(QDate(2026, 12, 6), QTime(7, 5), Qt::UTC);
    }
};

QByteArray randomText(QRandomGenerator& rng, int maxLength) {
    static const char alphabet[] = "<<>>0123456789255256mycallutcdateMYCALL= '\n\r\t\x01\xff"
                                   "baudshiftidcmdxmitcmd";
    QByteArray s;
    const int n = static_cast<int>(rng.bounded(maxLength + 1));
    for (int i = 0; i < n; ++i)
        s += rng.bounded(8) == 0 ? static_cast<char>(rng.bounded(256))
                                 : alphabet[rng.bounded(int(sizeof alphabet - 1))];
    return s;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const long count = argc > 1 ? std::atol(argv[1]) : 20000;
    QRandomGenerator rng(20261206);
    QTemporaryDir dir;
    Host host;
    rtty::ModemParameters p(host);
    long chars = 0;
    for (long i = 0; i < count; ++i) {
        if (i % 100 == 0) {
            QFile f(dir.filePath("f.txt"));
            f.open(QIODevice::WriteOnly);
            f.write(randomText(rng, 4000));
            f.close();
            p.ReadParameterFile(dir.path(), "f");
            for (const auto& c : p.speeds())
                chars += p.valueAt(c.position).size();
        } else {
            chars += p.ExpandParameter(QString::fromLatin1(randomText(rng, 60))).size();
        }
    }
    std::printf("inputs %ld, messages %ld, characters out %ld\n", count, host.messages, chars);
    return host.messages > 0 ? 0 : 1; // the errors must have been reached
}
