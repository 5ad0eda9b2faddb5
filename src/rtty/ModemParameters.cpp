#include "ModemParameters.h"

#include <common/Format.h>

#include <QFile>
#include <QTextStream>

namespace rtty {

namespace {
constexpr const char* kCommandKeys[ModemParameters::CommandCount] = {
    "initcmd",     "rttycmd",    "xmitcmd",     "rcvcmd",    "abortcmd",   "idcmd", "txrevoncmd",
    "txrevoffcmd", "rxrevoncmd", "rxrevoffcmd", "usosoncmd", "usosoffcmd", "cmdcmd"};

bool allDigits(QStringView s) {
    for (QChar c : s)
        if (c < u'0' || c > u'9') return false;
    return true;
}

// Decimal digits to a value, saturating so that a long run of digits cannot overflow.
int codeOf(QStringView digits) {
    int v = 0;
    for (QChar c : digits) {
        v = v * 10 + (c.unicode() - u'0');
        if (v > 255) return 256;
    }
    return v;
}
} // namespace

void ModemParameters::clear() {
    entries_.clear();
    for (QString& c : commands_)
        c.clear();
    speeds_.clear();
    shifts_.clear();
}

QString ModemParameters::valueAt(int position) const {
    return position >= 1 && position <= count() ? entries_.at(position - 1).value : QString();
}

bool ModemParameters::ReadParameterFile(const QString& folder, const QString& model) {
    clear();
    if (model.isEmpty()) {
        host_.messageBox(QStringLiteral("External RTTY modem parameter file not specified"));
        return false;
    }
    const QString path = folder + QLatin1Char('/') + model + QStringLiteral(".txt");
    QFile file(path);
    if (!file.exists() || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        host_.messageBox(
            QStringLiteral("Specified external RTTY modem parameter file does not exist"));
        return false;
    }
    // Modem files are plain 8-bit text; each byte stays the code it is.
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Latin1);
    while (!in.atEnd()) {
        if (count() == kMaxEntries) {
            host_.messageBox(QStringLiteral("Too many parameters in ") + path +
                             QStringLiteral(" - ignoring excess"));
            break;
        }
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('\''))) continue;
        const qsizetype p = line.indexOf(QLatin1Char('='));
        if (p < 0) continue;
        store(line.left(p).trimmed().toLower(),
              ExpandParameter(line.mid(p + 1).trimmed().toLower()));
    }
    return true;
}

void ModemParameters::store(const QString& name, const QString& value) {
    entries_.append({name, value});
    const int position = count();
    if (name.startsWith(QLatin1String("baud"))) {
        speeds_.append({name.mid(4), position});
    } else if (name.startsWith(QLatin1String("shift"))) {
        shifts_.append({name.mid(5), position});
    } else {
        for (int i = 0; i < CommandCount; ++i)
            if (name == QLatin1String(kCommandKeys[i])) commands_[i] = value;
    }
}

QString ModemParameters::ExpandParameter(const QString& value) const {
    const auto unmatched = [&](qsizetype from) {
        host_.messageBox(QStringLiteral("Parameter error: < without matching > in ") +
                         value.mid(from));
        return QString();
    };
    QString result;
    qsizetype pos = 0;
    for (qsizetype lt = value.indexOf(QLatin1Char('<')); lt >= 0;
         lt = value.indexOf(QLatin1Char('<'), pos)) {
        result += QStringView(value).mid(pos, lt - pos);
        if (lt + 1 == value.size()) return unmatched(lt);
        if (value.at(lt + 1) == QLatin1Char('<')) {
            result += QLatin1Char('<');
            pos = lt + 2;
            continue;
        }
        const qsizetype gt = value.indexOf(QLatin1Char('>'), lt + 1);
        if (gt < 0) return unmatched(lt);
        const QStringView token = QStringView(value).mid(lt + 1, gt - lt - 1);
        pos = gt + 1;
        if (token.isEmpty()) continue;
        if (allDigits(token)) {
            const int code = codeOf(token);
            if (code > 255) {
                host_.messageBox(
                    QStringLiteral("Parameter error: control code greater than 255 in ") +
                    value.mid(lt));
                return QString();
            }
            result += QChar(code);
        } else if (token.compare(QLatin1String("mycall"), Qt::CaseInsensitive) == 0) {
            result += host_.myCallsign();
        } else if (token.compare(QLatin1String("utc"), Qt::CaseInsensitive) == 0) {
            result += common::formatDateTime(host_.utcNow(), u"Short Time");
        } else if (token.compare(QLatin1String("date"), Qt::CaseInsensitive) == 0) {
            result += common::formatDateTime(host_.utcNow(), u"dd-mmm-yyyy");
        }
    }
    result += QStringView(value).mid(pos);
    return result;
}

} // namespace rtty
