#include "ErrorLog.h"
#include <cstdio>

#include "Format.h"
#include "platform/Clock.h"

#include <QFile>

namespace common {

namespace {

QByteArray logLine(const QDateTime& stamp, const QString& text) {
    return (formatDateTime(stamp, u"dd-mmm-yyyy hh:mm:ss") + QStringLiteral(" > ") + text +
            QStringLiteral("\r\n"))
        .toUtf8();
}

} // namespace

ErrorLogWriter::ErrorLogWriter(const platform::Clock& clock, QString programDir,
                               QString productName, QString version)
    : clock_(clock), programDir_(std::move(programDir)), productName_(std::move(productName)),
      version_(std::move(version)) {
    initialize();
}

void ErrorLogWriter::initialize() {
    startTime_ = clock_.utcNow().toUTC();
    started_ = false;
    shutDown_ = false;
}

QString ErrorLogWriter::path() const {
    return programDir_ + QLatin1Char('/') + fileName();
}

bool ErrorLogWriter::write(const QString& text) {
    QFile file(path());
    if (programDir_.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        // No folder to write to: the entry goes to the standard error stream, not nowhere.
        std::fprintf(stderr, "%s (%s cannot be written): %s\n", qPrintable(productName_),
                     qPrintable(programDir_.isEmpty() ? fileName() : path()), qPrintable(text));
        return false;
    }
    QByteArray out;
    if (!started_) {
        out += logLine(startTime_, productName_ + QStringLiteral(" version ") + version_ +
                                       QStringLiteral(" startup"));
        started_ = true;
    }
    out += logLine(clock_.utcNow().toUTC(), text);
    const bool ok = file.write(out) == out.size();
    file.close();
    return ok;
}

void ErrorLogWriter::shutdown() {
    if (!started_ || shutDown_) return;
    shutDown_ = true;
    QFile file(path());
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write(logLine(clock_.utcNow().toUTC(), productName_ + QStringLiteral(" shutdown")));
}

} // namespace common
