#pragma once
// Macro bank files: for each of a bank's eight macros a line with its title and a line with its
// body. A text holding a line break cannot stand on one line as it is; such a text (and one
// that happens to start with the marker) is written as the marker followed by the text with
// "\" as "\\", CR as "\r" and LF as "\n". Every other text is written unchanged, so banks of
// single-line macros keep the plain two-lines-per-macro form. See docs/macro-banks.md.
#include <QByteArray>
#include <QString>

namespace macros {

inline constexpr const char* kEscapedLineMarker = "\\ml:";

QString EncodeMacroLine(const QString& text);
QString DecodeMacroLine(const QString& line);

// The file text of a bank: 16 lines, each ended by CR LF, in UTF-8.
QByteArray EncodeBank(const QString (&titles)[8], const QString (&bodies)[8]);

// Reads a bank file's lines one at a time. Lines end with CR LF, LF or CR; a last line without
// an end still counts. The file is UTF-8 when it decodes as such, else Latin-1 (older banks).
class BankFileReader {
public:
    explicit BankFileReader(const QByteArray& bytes);
    // The next line, decoded; false at the end of the file.
    bool ReadLine(QString& line);

private:
    QByteArray bytes_;
    qsizetype pos_ = 0;
    bool utf8_ = true;
};

} // namespace macros
