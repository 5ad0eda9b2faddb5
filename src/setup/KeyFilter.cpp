#include "KeyFilter.h"
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace setup {

void AcceptOnly(QLineEdit* field, const QString& accepted) {
    // A validator rather than a key hook: it also refuses a paste, and editing keys (arrows,
    // Delete, Backspace) keep working.
    const QString pattern =
        QStringLiteral("[") + QRegularExpression::escape(accepted) + QStringLiteral("]*");
    field->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), field));
}

} // namespace setup
