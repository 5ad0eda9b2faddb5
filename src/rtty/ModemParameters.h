#pragma once
// A modem model's parameter file: named command strings, the speeds and shifts the modem
// offers, and the escapes in command values. The file is read once per model choice and per
// enable; values are expanded when read, so "<utc>" and "<date>" give the time of loading.
#include <QDateTime>
#include <QList>
#include <QString>

namespace rtty {

class ModemParametersHost {
public:
    virtual ~ModemParametersHost() = default;
    virtual void messageBox(const QString& text) = 0; // titled with the product name
    virtual QString myCallsign() const = 0;           // already de-slashed, case kept
    virtual QDateTime utcNow() const = 0;
};

class ModemParameters {
public:
    static constexpr int kMaxEntries = 64;
    enum Command {
        InitCmd,
        RttyCmd,
        XmitCmd,
        RcvCmd,
        AbortCmd,
        IdCmd,
        TxRevOnCmd,
        TxRevOffCmd,
        RxRevOnCmd,
        RxRevOffCmd,
        UsosOnCmd,
        UsosOffCmd,
        CmdCmd,
        CommandCount
    };
    struct Entry {
        QString name, value;
    };
    struct Choice {
        QString label;
        int position; // 1-based, into the parameter table
    };

    explicit ModemParameters(ModemParametersHost& host) : host_(host) {}

    // The file folder/model.txt; false when no model is named or the file is missing. A file
    // cut at 64 entries still counts as read.
    bool ReadParameterFile(const QString& folder, const QString& model);
    QString ExpandParameter(const QString& value) const;

    const QString& command(Command c) const { return commands_[c]; }
    bool HasIdCommand() const { return !commands_[IdCmd].isEmpty(); }
    int count() const { return static_cast<int>(entries_.size()); }
    const Entry& entry(int position) const { return entries_.at(position - 1); }
    // The value of a speed or shift choice; empty for a position outside the table.
    QString valueAt(int position) const;
    const QList<Choice>& speeds() const { return speeds_; }
    const QList<Choice>& shifts() const { return shifts_; }

private:
    void clear();
    void store(const QString& name, const QString& value);

    ModemParametersHost& host_;
    QList<Entry> entries_;
    QString commands_[CommandCount];
    QList<Choice> speeds_, shifts_;
};

} // namespace rtty
