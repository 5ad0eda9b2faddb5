#include "Adif.h"
#include <common/Convert.h>
#include <common/Format.h>

namespace minilog {

void AppendField(QString& record, const QString& name, const QString& value) {
    QString v = value;
    v.remove(QLatin1Char('<'));
    if (v.isEmpty()) return;
    record += QLatin1Char('<') + name + QLatin1Char(':') + QString::number(v.size()) +
              QLatin1Char('>') + v + QLatin1Char(' ');
}

QString AdifHeader(const QString& myCallsign, const QString& version, const QDateTime& utc) {
    QString call = myCallsign;
    call.remove(QLatin1Char('<'));
    return QStringLiteral("ADIF export file for ") + call + QStringLiteral("\r\n") +
           QStringLiteral("created by Tonedeck ") + version + QStringLiteral(" on ") +
           common::formatDateTime(utc, u"dd-mmm-yyyy hhnn:ss") + QStringLiteral(" UTC\r\n") +
           QStringLiteral("<EOH>\r\n");
}

QString FormatAdifFrequency(double mhz, bool dxBase) {
    if (!dxBase) return common::formatNumber(mhz, u"###.######");
    QString text = common::formatNumber(mhz, u"###.#####");
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point >= 0 && text.size() - point - 1 >= 4) text.insert(point + 4, QLatin1Char('.'));
    return text;
}

QString Safefilename(const QString& name) {
    QString out = name;
    for (QChar& c : out)
        if (c == QLatin1Char('\\') || c == QLatin1Char('/') || c.unicode() < 32 ||
            c.unicode() == 127)
            c = QLatin1Char('-');
    out.replace(QStringLiteral(".."), QStringLiteral("--"));
    if (out.startsWith(QLatin1Char('.'))) out[0] = QLatin1Char('-');
    return out;
}

QString BuildAdifRecord(const QsoRecord& r) {
    QString rec;
    AppendField(rec, QStringLiteral("OPERATOR"), r.myCall.toUpper());
    AppendField(rec, QStringLiteral("CALL"), r.call.toUpper());
    AppendField(rec, QStringLiteral("NAME"), r.name);
    AppendField(rec, QStringLiteral("QTH"), r.qth);
    AppendField(rec, QStringLiteral("GRIDSQUARE"), r.grid);
    AppendField(rec, QStringLiteral("DXCC"), r.dxccId);
    AppendField(rec, QStringLiteral("DXCCPREFIX"), r.dxccPrefix);
    AppendField(rec, QStringLiteral("CONT"), r.continent);
    AppendField(rec, QStringLiteral("CQZ"), r.cqZone);
    AppendField(rec, QStringLiteral("ITUZ"), r.ituZone);
    if (r.contest) {
        AppendField(rec, QStringLiteral("RST_SENT"), QStringLiteral("599"));
        AppendField(rec, QStringLiteral("RST_RCVD"), QStringLiteral("599"));
        AppendField(rec, QStringLiteral("SRX"), r.rxSerial);
        AppendField(rec, QStringLiteral("STX"), r.txSerial);
        AppendField(rec, QStringLiteral("CONTEST_ID"), r.contestId);
    } else {
        AppendField(rec, QStringLiteral("RST_SENT"), r.rstSent);
        AppendField(rec, QStringLiteral("RST_RCVD"), r.rstReceived);
    }
    // An unknown frequency (0) is left out: "." would be no frequency at all to a logger.
    if (r.frequencyMHz > 0)
        AppendField(rec, QStringLiteral("FREQ"), FormatAdifFrequency(r.frequencyMHz, r.dxBase));
    AppendField(rec, QStringLiteral("BAND"), r.band);
    AppendField(rec, QStringLiteral("MODE"), r.mode);
    AppendField(rec, QStringLiteral("QSO_DATE"), common::formatDateTime(r.start, u"yyyymmdd"));
    AppendField(rec, QStringLiteral("TIME_ON"), common::formatDateTime(r.start, u"hhnnss"));
    AppendField(rec, QStringLiteral("TIME_OFF"), common::formatDateTime(r.end, u"hhnnss"));
    AppendField(rec, QStringLiteral("TX_PWR"), r.txPower);
    return rec + QStringLiteral("<EOR>");
}

namespace {
bool digitsOnly(const QString& s) {
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return true;
}
bool validReport(const QString& rst) {
    if (rst.isEmpty()) return true;
    return (rst.size() == 2 || rst.size() == 3) && digitsOnly(rst) && rst[0] <= QLatin1Char('5');
}
} // namespace

std::array<bool, 9> InvalidQsoFields(const QsoFieldsToCheck& f) {
    std::array<bool, 9> bad{};
    bad[0] = f.callsign.isEmpty();
    if (!f.frequency.isEmpty()) {
        try {
            bad[5] = common::parseDouble(f.frequency) > 148000;
        } catch (const common::RuntimeError&) {
            bad[5] = true;
        }
    }
    bad[3] = !validReport(f.rstSent);
    bad[4] = !validReport(f.rstReceived);
    if (f.contest) bad[7] = f.rxSerial.isEmpty() || !digitsOnly(f.rxSerial);
    return bad;
}

} // namespace minilog
