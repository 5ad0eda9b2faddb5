#include "DDECommon.h"

namespace dde {

namespace {
// One element of a bus name or an object path: letters, digits and "_", not starting with a
// digit (which a bus name element may not).
bool validElement(const QString& s) {
    if (s.isEmpty() || s.size() > 200 || s.front().isDigit()) return false;
    for (QChar c : s)
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('_')) return false;
    return true;
}
} // namespace

QString ServiceName(const QString& application) {
    return validElement(application) ? QStringLiteral("dde.") + application : QString();
}

QString ObjectPath(const QString& topic) {
    return validElement(topic) ? QStringLiteral("/") + topic : QString();
}

std::optional<LinkTopic> SplitLinkTopic(const QString& linkTopic) {
    const qsizetype bar = linkTopic.indexOf(QLatin1Char('|'));
    if (bar < 0) return std::nullopt;
    LinkTopic t{linkTopic.left(bar), linkTopic.mid(bar + 1)};
    if (ServiceName(t.application).isEmpty() || ObjectPath(t.topic).isEmpty()) return std::nullopt;
    return t;
}

QString Tag(const QString& name, const QString& value) {
    return QLatin1Char('<') + name + QLatin1Char(':') + QString::number(value.size()) +
           QLatin1Char('>') + value;
}

std::optional<QString> TagValue(const QString& text, const QString& name) {
    const QString open = QStringLiteral("<") + name + QStringLiteral(":");
    const qsizetype at = text.indexOf(open, 0, Qt::CaseInsensitive);
    if (at < 0) return std::nullopt;
    const qsizetype digits = at + open.size();
    const qsizetype close = text.indexOf(QLatin1Char('>'), digits);
    if (close < 0 || close == digits || close - digits > 6) return std::nullopt;
    qsizetype length = 0;
    for (qsizetype i = digits; i < close; ++i) {
        if (!text[i].isDigit() || text[i].unicode() > '9') return std::nullopt;
        length = length * 10 + (text[i].unicode() - '0');
    }
    if (length > text.size() - close - 1) return std::nullopt;
    return text.mid(close + 1, length);
}

std::optional<Announcement> ParseAnnouncement(const QString& execute) {
    if (execute.size() < 4 || execute.size() > 64) return std::nullopt;
    int number = 0;
    for (int i = 0; i < 3; ++i) {
        const char16_t c = execute[i].unicode();
        if (c < u'0' || c > u'9') return std::nullopt;
        number = number * 10 + (c - u'0');
    }
    return Announcement{number, execute.mid(3).toLower()};
}

QString CommandString(int program, const QString& word, const QString& argument) {
    return QStringLiteral("%1").arg(program, 3, 10, QLatin1Char('0')) + word + argument;
}

} // namespace dde
