#include "MacroBank.h"
#include <QStringDecoder>

namespace macros {

namespace {
const QString kMarker = QString::fromLatin1(kEscapedLineMarker);
} // namespace

QString EncodeMacroLine(const QString& text) {
    const bool breaks = text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
    if (!breaks && !text.startsWith(kMarker)) return text;
    QString out = kMarker;
    out.reserve(text.size() + kMarker.size() + 8);
    for (QChar c : text) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else
            out += c;
    }
    return out;
}

QString DecodeMacroLine(const QString& line) {
    if (!line.startsWith(kMarker)) return line;
    QString out;
    out.reserve(line.size());
    for (qsizetype i = kMarker.size(); i < line.size(); ++i) {
        const QChar c = line[i];
        if (c != QLatin1Char('\\') || i + 1 >= line.size()) {
            out += c;
            continue;
        }
        const QChar next = line[++i];
        if (next == QLatin1Char('r'))
            out += QLatin1Char('\r');
        else if (next == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (next == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        else
            out += QLatin1Char('\\') + QString(next); // not ours: kept as written
    }
    return out;
}

QByteArray EncodeBank(const QString (&titles)[8], const QString (&bodies)[8]) {
    QString text;
    for (int i = 0; i < 8; ++i) {
        text += EncodeMacroLine(titles[i]) + QStringLiteral("\r\n");
        text += EncodeMacroLine(bodies[i]) + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

BankFileReader::BankFileReader(const QByteArray& bytes) : bytes_(bytes) {
    QStringDecoder probe(QStringDecoder::Utf8);
    const QString decoded = probe.decode(bytes_); // converts only when taken as a string
    utf8_ = !probe.hasError();
}

bool BankFileReader::ReadLine(QString& line) {
    if (pos_ >= bytes_.size()) return false;
    qsizetype end = pos_;
    while (end < bytes_.size() && bytes_[end] != '\r' && bytes_[end] != '\n')
        ++end;
    const QByteArrayView raw(bytes_.constData() + pos_, end - pos_);
    line = utf8_ ? QString::fromUtf8(raw) : QString::fromLatin1(raw);
    if (end < bytes_.size() && bytes_[end] == '\r' && end + 1 < bytes_.size() &&
        bytes_[end + 1] == '\n')
        ++end;
    pos_ = end + 1;
    return true;
}

} // namespace macros
