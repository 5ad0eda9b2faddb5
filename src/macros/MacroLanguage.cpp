#include "MacroLanguage.h"
#include <common/Convert.h>
#include <common/Errors.h>
#include <common/Format.h>
#include <common/Version.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace macros {

namespace {

using Field = MacroHost::Field;

QString cleaned(const MacroHost& host, const QString& value) {
    if (!host.slashedZeroShown()) return value;
    QString out = value;
    out.replace(QChar(216), QLatin1Char('0'));
    return out;
}

bool allDigits(const QString& s) {
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return true;
}

// The file's lines, each followed by a carriage return; line ends are CR, LF or CR LF.
QString readMacroFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw common::RuntimeError(common::err::PathFileAccessError);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw common::RuntimeError(common::err::DeviceIOError);
    QString out;
    out.reserve(bytes.size() + 1);
    qsizetype i = 0;
    while (i < bytes.size()) {
        qsizetype end = i;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        out += QString::fromLatin1(bytes.constData() + i, end - i);
        out += QChar(13);
        if (end < bytes.size() && bytes[end] == '\r' && end + 1 < bytes.size() &&
            bytes[end + 1] == '\n')
            ++end;
        i = end + 1;
    }
    return out;
}

// What a named command appends; false when the name is not a command.
bool namedCommand(MacroHost& host, const QString& command, QString& out) {
    struct FieldCommand {
        const char* name;
        Field field;
        bool clean;
    };
    static const FieldCommand kFields[] = {
        {"mycall", Field::MyCall, true},
        {"callsign", Field::Callsign, true},
        {"name", Field::Name, true},
        {"qth", Field::QTH, true},
        {"grid", Field::Grid, true},
        {"rstsent", Field::RSTsent, true},
        {"rstreceived", Field::RSTreceived, true},
        {"peakimd", Field::PeakIMD, true},
        {"frequency", Field::Frequency, true},
        {"band", Field::Band, false},
        {"transmit_power", Field::TransmitPower, true},
        {"contest_id", Field::ContestID, true},
    };
    for (const FieldCommand& f : kFields) {
        if (command == QLatin1String(f.name)) {
            const QString v = host.field(f.field);
            out += f.clean ? cleaned(host, v) : v;
            return true;
        }
    }
    if (command == u"utc") {
        out += common::formatDateTime(host.utcNow(), u"Short Time");
    } else if (command == u"date") {
        out += common::formatDateTime(host.utcNow(), u"dd-mmm-yyyy");
    } else if (command == u"start") {
        out += QChar(kStartChar);
    } else if (command == u"stop") {
        out += QChar(kStopChar);
    } else if (command == u"cwid") {
        out += QChar(kCWIDChar);
    } else if (command == u"enter") {
        out += QChar(13);
    } else if (command == u"newline") {
        out += QChar(10);
    } else if (command == u"log_qso") {
        host.logQso();
    } else if (command == u"clear_qso") {
        host.clearQso();
    } else if (command == u"advance_tx_serial_number") {
        host.advanceTXSerialNumber();
    } else if (command == u"rx_serial_number") {
        out += FormatSerialNumber(cleaned(host, host.field(Field::RXSerialNumber)));
    } else if (command == u"tx_serial_number") {
        out += FormatSerialNumber(cleaned(host, host.field(Field::TXSerialNumber)));
    } else if (command == u"revision") {
        out += QString::fromLatin1(common::kVersionString);
    } else {
        return false;
    }
    return true;
}

} // namespace

QString MacroErrorText(int macroNumber, const QString& message) {
    const QString number = macroNumber < 0 ? QString::number(macroNumber)
                                           : QLatin1Char(' ') + QString::number(macroNumber);
    return QStringLiteral("Error in macro ") + number + QStringLiteral(": ") + message;
}

QString FormatSerialNumber(const QString& value) {
    try {
        return common::formatNumber(common::parseDouble(value), u"##000");
    } catch (const common::RuntimeError&) {
        return value;
    }
}

QString ResolveMacroFileName(const QString& name) {
    if (name.isEmpty()) return QString();
    if (QFileInfo::exists(name)) return name;
    const QString normal = QDir::fromNativeSeparators(name);
    const QStringList parts = normal.split(QLatin1Char('/'));
    QString path = normal.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
    for (int i = 0; i < parts.size(); ++i) {
        const QString& part = parts[i];
        if (part.isEmpty() || part == u"." || part == u"..") {
            if (!part.isEmpty()) path += part + QLatin1Char('/');
            continue;
        }
        const QDir dir(path.isEmpty() ? QStringLiteral(".") : path);
        QString found;
        if (QFileInfo::exists(dir.filePath(part))) {
            found = part;
        } else {
            const QStringList entries = dir.entryList(QDir::AllEntries | QDir::Hidden |
                                                      QDir::System | QDir::NoDotAndDotDot);
            for (const QString& e : entries)
                if (e.compare(part, Qt::CaseInsensitive) == 0) {
                    found = e;
                    break;
                }
        }
        if (found.isEmpty()) return QString();
        path += found;
        if (i + 1 < parts.size()) path += QLatin1Char('/');
    }
    return QFileInfo::exists(path) ? path : QString();
}

QString ExpandMacroContents(MacroHost& host, int macroNumber, QString rest) {
    QString expansion;
    try {
        for (;;) {
            const qsizetype open = rest.indexOf(QLatin1Char('<'));
            if (open < 0) return expansion + rest;
            if (rest.size() < 2) {
                host.macroError(macroNumber, QStringLiteral("malformed command"));
                return QString();
            }
            if (open + 1 < rest.size() && rest[open + 1] == QLatin1Char('<')) {
                expansion += rest.left(open + 1);
                rest.remove(0, open + 2);
                continue;
            }
            const qsizetype close = rest.indexOf(QLatin1Char('>'), open + 1);
            if (close < 0) {
                host.macroError(macroNumber, QStringLiteral("< without matching >"));
                return QString();
            }
            expansion += rest.left(open);
            const QString original = rest.mid(open + 1, close - open - 1);
            const QString command = original.toLower();
            rest.remove(0, close + 1);
            if (command.isEmpty()) continue;
            if (allDigits(command)) {
                // Leading zeros allowed; a long run of digits is still above 255.
                const QString digits =
                    command.mid(command.size() - std::min<qsizetype>(command.size(), 4));
                bool big = false;
                for (qsizetype i = 0; i < command.size() - digits.size(); ++i)
                    if (command[i] != QLatin1Char('0')) big = true;
                const int code = digits.toInt();
                if (big || code > 255) {
                    host.macroError(macroNumber, QStringLiteral("control code larger than 255"));
                    return QString();
                }
                expansion += QChar(code);
                continue;
            }
            if (command.startsWith(u"file: ")) {
                const QString name = original.mid(6);
                const QString path = ResolveMacroFileName(name);
                if (path.isEmpty()) {
                    host.macroError(macroNumber,
                                    QStringLiteral("Filename does not exist: ") + name);
                    continue;
                }
                expansion += readMacroFile(path);
                continue;
            }
            if (!namedCommand(host, command, expansion)) {
                host.macroError(macroNumber, QStringLiteral("unknown command: ") + command);
                return QString();
            }
        }
    } catch (...) {
        host.reportError(common::currentErrorNumber(),
                         QStringLiteral("TonedeckMacros.ExpandMacroContents: ") + rest);
        return QString();
    }
}

} // namespace macros
