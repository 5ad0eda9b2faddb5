#pragma once
// Key filters of the dialog's number fields: a typed character outside the field's set is
// discarded, backspace always works. Pasted text is held to the same set, and the program's
// own assignments (restored settings) are not filtered.
#include <QString>

class QLineEdit;

namespace setup {

namespace keys {
inline const QString Digits = QStringLiteral("0123456789");
inline const QString Decimal = QStringLiteral("0123456789.");
inline const QString SignedDecimal = QStringLiteral("0123456789.-");
inline const QString SignedDigits = QStringLiteral("0123456789-");
} // namespace keys

// Accepts in `field` only the characters of `accepted`.
void AcceptOnly(QLineEdit* field, const QString& accepted);

} // namespace setup
