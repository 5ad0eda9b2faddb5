#include "WordCapture.h"

namespace mainwindow {

namespace {
constexpr char16_t kSlashedZero = 216;

QString deSlash(const QString& word, bool slashedZero) {
    if (!slashedZero) return word;
    QString out = word;
    out.replace(QChar(kSlashedZero), QLatin1Char('0'));
    return out;
}

struct Band {
    const char* name;
    double from, to;
};
constexpr Band kBands[kBandCount] = {
    {"160m", 1800, 2000},  {"80m", 3500, 4000},   {"40m", 7000, 7300},    {"30m", 10100, 10150},
    {"20m", 14000, 14350}, {"17m", 18068, 18168}, {"15m", 21000, 21450},  {"12m", 24890, 24990},
    {"10m", 28000, 29700}, {"6m", 50000, 54000},  {"2m", 144000, 148000},
};
} // namespace

bool IsDelimiter(QChar c) {
    switch (c.unicode()) {
    case ' ':
    case ':':
    case ',':
    case '+':
    case '-':
    case '>':
    case '<':
    case '=':
    case 10:
    case 13:
        return true;
    default:
        return false;
    }
}

bool IsGridFieldLetter(QChar c) {
    const char16_t u = c.toUpper().unicode();
    return u >= 'A' && u <= 'S';
}

bool IsGridSubsquareLetter(QChar c) {
    const char16_t u = c.toUpper().unicode();
    return u >= 'A' && u <= 'X';
}

bool IsDigitChar(const QString& text) {
    return !text.isEmpty() && text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('9');
}

bool IsGridSquare(const QString& text) {
    if (text.size() != 4 && text.size() != 6) return false;
    if (!IsGridFieldLetter(text[0]) || !IsGridFieldLetter(text[1])) return false;
    if (!IsDigitChar(text.mid(2, 1)) || !IsDigitChar(text.mid(3, 1))) return false;
    return text.size() == 4 || (IsGridSubsquareLetter(text[4]) && IsGridSubsquareLetter(text[5]));
}

QString ClickedWord(const QString& text, int pos) {
    if (pos < 1 || pos > text.size()) return QString();
    if (IsDelimiter(text[pos - 1])) return QString();
    int start = pos; // 1-based first character of the word
    while (start > 1 && !IsDelimiter(text[start - 2]))
        --start;
    int end = pos; // 1-based last character
    while (end < text.size() && !IsDelimiter(text[end]))
        ++end;
    return text.mid(start - 1, end - start + 1);
}

Capture ClassifyWord(const QString& word, const CaptureOptions& o) {
    if (word.isEmpty()) return {};
    if (o.alt) return {Capture::QTH, word};
    bool digit = false, letter = false, other = false;
    for (QChar c : word) {
        const char16_t u = c.unicode();
        if ((u >= '0' && u <= '9') || (u == kSlashedZero && o.slashedZero))
            digit = true;
        else if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z'))
            letter = true;
        else
            other = true;
    }
    if (digit && !letter && !other) {
        const QString digits = deSlash(word, o.slashedZero);
        if (o.contest) return {Capture::RXSerialNumber, digits};
        if (word.size() != 3) return {};
        return {o.ownText ? Capture::RSTsent : Capture::RSTreceived, digits};
    }
    if (!letter) return {};
    if (!digit) return {Capture::OperatorName, word};
    const QString w = deSlash(word, o.slashedZero);
    if (w.startsWith(QLatin1Char('['))) {
        if (w.size() < 2 || !w.endsWith(QLatin1Char(']'))) return {};
        const QString inner = w.mid(1, w.size() - 2);
        return IsGridSquare(inner) ? Capture{Capture::GridSquare, inner} : Capture{};
    }
    if (IsGridSquare(w)) return {Capture::GridSquare, w};
    return {Capture::Callsign, w};
}

QString BandName(int index) {
    return index >= 0 && index < kBandCount ? QString::fromLatin1(kBands[index].name) : QString();
}

int BandIndexForFrequency(double kHz) {
    for (int i = 0; i < kBandCount; ++i)
        if (kHz >= kBands[i].from && kHz <= kBands[i].to) return i;
    return -1;
}

} // namespace mainwindow
