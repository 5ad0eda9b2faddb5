#include "Dialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace platform {

QString qtFileFilter(const QString& filter) {
    if (!filter.contains(QLatin1Char('|'))) return filter;
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QString patterns = i + 1 < parts.size() ? parts[i + 1].trimmed() : QString();
        if (description.isEmpty() && patterns.isEmpty()) continue;
        if (patterns.isEmpty()) patterns = QStringLiteral("*");
        QStringList globs = patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& g : globs) {
            g = g.trimmed();
            if (g == QLatin1String("*.*")) g = QStringLiteral("*");
        }
        const QString glob = globs.join(QLatin1Char(' '));
        // A description that already lists its patterns keeps them (Qt reads the last
        // parenthesis); otherwise they are appended.
        if (description.contains(QLatin1Char('(')) && description.endsWith(QLatin1Char(')'))) {
            const qsizetype open = description.lastIndexOf(QLatin1Char('('));
            out << description.left(open).trimmed() + QStringLiteral(" (") + glob +
                       QLatin1Char(')');
        } else {
            out << (description.isEmpty() ? glob : description) + QStringLiteral(" (") + glob +
                       QLatin1Char(')');
        }
    }
    return out.join(QStringLiteral(";;"));
}

Dialogs::Result QtDialogs::messageBox(const QString& text, const QString& title, Buttons buttons,
                                      Icon icon) {
    QMessageBox::StandardButtons qtButtons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QMessageBox::StandardButton escapeButton = QMessageBox::NoButton;
    switch (buttons) {
    case Ok:
        qtButtons = QMessageBox::Ok;
        defaultButton = escapeButton = QMessageBox::Ok;
        break;
    case OkCancel:
        qtButtons = QMessageBox::Ok | QMessageBox::Cancel;
        defaultButton = QMessageBox::Ok;
        escapeButton = QMessageBox::Cancel;
        break;
    case YesNo:
        qtButtons = QMessageBox::Yes | QMessageBox::No;
        defaultButton = QMessageBox::Yes;
        escapeButton = QMessageBox::No;
        break;
    case YesNoCancel:
        qtButtons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        defaultButton = QMessageBox::Yes;
        escapeButton = QMessageBox::Cancel;
        break;
    case RetryCancel:
        qtButtons = QMessageBox::Retry | QMessageBox::Cancel;
        defaultButton = QMessageBox::Retry;
        escapeButton = QMessageBox::Cancel;
        break;
    }
    QMessageBox::Icon qtIcon = QMessageBox::NoIcon;
    switch (icon) {
    case NoIcon:
        break;
    case Information:
        qtIcon = QMessageBox::Information;
        break;
    case Warning:
        qtIcon = QMessageBox::Warning;
        break;
    case Critical:
        qtIcon = QMessageBox::Critical;
        break;
    case Question:
        qtIcon = QMessageBox::Question;
        break;
    }
    QMessageBox box(qtIcon, title, text, qtButtons, parent_);
    box.setDefaultButton(defaultButton);
    box.setEscapeButton(escapeButton);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return ResultOk;
    case QMessageBox::Yes:
        return ResultYes;
    case QMessageBox::No:
        return ResultNo;
    case QMessageBox::Retry:
        return ResultRetry;
    case QMessageBox::Cancel:
        return ResultCancel;
    default:
        // Closed some other way: whatever Escape would have given.
        return escapeButton == QMessageBox::Ok   ? ResultOk
               : escapeButton == QMessageBox::No ? ResultNo
                                                 : ResultCancel;
    }
}

std::optional<QString> QtDialogs::inputBox(const QString& prompt, const QString& title,
                                           const QString& defaultText) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(parent_, title, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok) return std::nullopt;
    return text.isNull() ? QString(QLatin1String("")) : text;
}

QString QtDialogs::openFileName(const QString& title, const QString& directory,
                                const QString& filter) {
    return QFileDialog::getOpenFileName(parent_, title, directory, qtFileFilter(filter));
}

QString QtDialogs::saveFileName(const QString& title, const QString& directory,
                                const QString& filter) {
    return QFileDialog::getSaveFileName(parent_, title, directory, qtFileFilter(filter));
}

QString QtDialogs::clipboardText() {
    const QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->text() : QString();
}

void QtDialogs::setClipboardText(const QString& text) {
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(text);
}

} // namespace platform
