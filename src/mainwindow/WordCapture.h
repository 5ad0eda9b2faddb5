#pragma once
// Word capture: which word of a pane a double click hit, and which QSO field its shape fills.
// Pure functions; PSKDisplay::SelectClickedWord applies the result to the fields.
#include <QString>

namespace mainwindow {

// Blank, ":", ",", "+", "-", ">", "<", "=", LF and CR end a word; "/", "." and "?" do not.
bool IsDelimiter(QChar c);
// A grid field letter, A..S in either case.
bool IsGridFieldLetter(QChar c);
// A subsquare letter, A..X in either case.
bool IsGridSubsquareLetter(QChar c);
// The text starts with 0..9.
bool IsDigitChar(const QString& text);
// Two field letters, two digits, and optionally two subsquare letters.
bool IsGridSquare(const QString& text);

// The word around the 1-based position (the character just before the caret); empty when the
// position is outside the text or on a delimiter.
QString ClickedWord(const QString& text, int clickPosition);

struct CaptureOptions {
    bool alt = false;         // Alt was held on the press before the double click
    bool contest = false;     // contest mode: digits are serial numbers
    bool slashedZero = false; // zeros are shown as character 216
    bool ownText = false;     // the word is our echoed transmission
};

struct Capture {
    enum Field {
        None,
        QTH,
        RXSerialNumber,
        RSTsent,
        RSTreceived,
        OperatorName,
        GridSquare,
        Callsign
    };
    Field field = None;
    QString value;
};

Capture ClassifyWord(const QString& word, const CaptureOptions& options);

// The bands of the band selector, in its order, and the one a dial frequency in kHz lies in
// (-1 for none).
inline constexpr int kBandCount = 11;
QString BandName(int index);
int BandIndexForFrequency(double kHz);

} // namespace mainwindow
