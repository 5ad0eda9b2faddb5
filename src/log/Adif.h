#pragma once
// ADIF text of the minilog: the header, one field, one contact's record, and the checks made
// on the QSO fields before a contact is logged. Pure functions; the module PSKMinilog feeds
// them from the windows.
#include <array>
#include <QDateTime>
#include <QString>

namespace minilog {

// "<NAME:length>value " with every "<" taken out of the value; nothing for an empty value.
void AppendField(QString& record, const QString& name, const QString& value);

// The three header lines, each ended by CR LF.
QString AdifHeader(const QString& myCallsign, const QString& version, const QDateTime& utc);

// FREQ in MHz: "###.######", or with dxBase the form that logger imports (14.070.15).
QString FormatAdifFrequency(double mhz, bool dxBase);

// The log file's name for an operator callsign: "\" and "/" become "-", and so does anything
// that could reach outside the program's folder or hide the file: control characters, a
// leading dot, "..".
QString Safefilename(const QString& name);

struct QsoRecord {
    QString myCall, call, name, qth, grid;
    QString dxccId, dxccPrefix, continent, cqZone, ituZone;
    bool contest = false;
    QString rstSent, rstReceived, rxSerial, txSerial, contestId;
    double frequencyMHz = 0;
    bool dxBase = false;
    QString band;
    QString mode; // empty: no MODE field (tuning)
    QDateTime start, end;
    QString txPower;
};

// The record line, fields in their fixed order, ending in "<EOR>" (no line end).
QString BuildAdifRecord(const QsoRecord& r);

struct QsoFieldsToCheck {
    QString callsign, frequency, rstSent, rstReceived, rxSerial;
    bool contest = false;
};
// One flag per QSO label (0 callsign, 3 sent, 4 received, 5 frequency, 7 serial): set when the
// field is wrong.
std::array<bool, 9> InvalidQsoFields(const QsoFieldsToCheck& f);

} // namespace minilog
