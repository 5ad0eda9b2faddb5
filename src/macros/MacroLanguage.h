#pragma once
// The macro language: a macro body with commands between angle brackets becomes the text the
// transmit pane sends. Commands read the QSO fields and settings through MacroHost and act on
// the minilog through it; nothing here touches a widget.
#include <QDateTime>
#include <QString>

namespace macros {

// Control characters of the expansion, as the transmit pane reads them.
inline constexpr char16_t kStartChar = 19;
inline constexpr char16_t kStopChar = 17;
inline constexpr char16_t kCWIDChar = 18;

class MacroHost {
public:
    enum class Field {
        MyCall,
        Callsign,
        Name,
        QTH,
        Grid,
        RSTsent,
        RSTreceived,
        PeakIMD,
        Frequency,
        Band,
        TransmitPower,
        RXSerialNumber,
        TXSerialNumber,
        ContestID
    };
    virtual ~MacroHost() = default;
    // The field's text as shown, slashed zeros and all.
    virtual QString field(Field which) const = 0;
    virtual bool slashedZeroShown() const = 0;
    virtual QDateTime utcNow() const = 0;
    virtual void logQso() = 0;
    virtual void clearQso() = 0;
    virtual void advanceTXSerialNumber() = 0;
    // Shown to the operator; the number is the macro's 1..16.
    virtual void macroError(int macroNumber, const QString& message) = 0;
    // An unexpected failure, for the error log.
    virtual void reportError(int errorNumber, const QString& where) = 0;
};

// The expansion of a macro body, or an empty string after an error (reported to the host).
QString ExpandMacroContents(MacroHost& host, int macroNumber, QString macroText);

// "Error in macro  3: message": the number with a blank where its sign would stand.
QString MacroErrorText(int macroNumber, const QString& message);

// "##000": a number with at least three digits; anything not a number stays as it is.
QString FormatSerialNumber(const QString& value);

// The file a `file:` command names. The exact name wins; otherwise each part of the path is
// matched without regard to case, as the name reaches us lower-cased by habit of the macro
// writers. Empty when nothing matches.
QString ResolveMacroFileName(const QString& name);

} // namespace macros
