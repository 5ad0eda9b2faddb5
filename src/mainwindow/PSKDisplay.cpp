#include "PSKDisplay.h"
#include "TonedeckApp.h"
#include <QLabel>
#include <QRadioButton>
#include <QTextCursor>
#include <QTextEdit>

namespace mainwindow {

namespace {
// Default pane text colours (red + 256 green + 65536 blue): yellow, green, cyan.
constexpr int kPaneColor[3] = {0xFFFF, 0xFF00, 0xFFFF00};
constexpr int kTransmittedTextColor = 0xFFFFFF;
} // namespace

QColor PSKDisplay::ToQColor(int v) { return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF); }

void PSKDisplay::Initialize() {
    common::guard(app_.common, "PSKDisplay.Initialize", [&] {
        TonedeckMain& m = app_.main;
        for (int i = 0; i < 3; ++i) {
            QPalette p = m.Display[i]->palette();
            p.setColor(QPalette::Base, Qt::black);
            p.setColor(QPalette::Text, ToQColor(kPaneColor[i]));
            m.Display[i]->setPalette(p);
        }
        bool ok = false;
        int mode = app_.services.settings.getSetting("General", "Mode", "0").toInt(&ok);
        if (!ok || (mode != 0 && mode != 1)) mode = 0;
        m.ModeButton[mode]->setChecked(true);
        app_.services.settings.saveSetting("General", "Mode", QString::number(mode));
        m.ModeRestored = true;
        for (int i = 0; i < 3; ++i) UpdatePanelID(i);
    });
}

void PSKDisplay::HandleNewChar(int source) {
    common::guard(app_.common, "PSKDisplay.HandleNewChar", [&] {
        if (source < 0 || source > 3) throw common::RuntimeError(9);
        const int channel = source == 3 ? -1 : source;
        const int pane = source == 3 ? app_.xcvr.ActiveChannel() : source;
        for (uint8_t c = app_.xcvr.GetNewChar(channel); c != 0;
             c = app_.xcvr.GetNewChar(channel))
            appendChar(pane, source, c);
    });
}

void PSKDisplay::appendChar(int pane, int source, uint8_t c) {
    QTextEdit* edit = app_.main.Display[pane];
    QTextCursor cursor(edit->document());
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat fmt;
    fmt.setForeground(ToQColor(source == 3 ? kTransmittedTextColor : kPaneColor[pane]));
    // The echo of our own text always starts on a line of its own.
    if (source != lastSource_[pane]) {
        if (!edit->document()->isEmpty() && !edit->toPlainText().endsWith('\n'))
            cursor.insertText(QStringLiteral("\n"), fmt);
        lastSource_[pane] = source;
    }
    if (c == 13 || c == 10) {
        // CR LF, LF CR, a lone CR or a lone LF each end one line.
        if (pendingLineEnd_[pane] != 0 && pendingLineEnd_[pane] != c) {
            pendingLineEnd_[pane] = 0;
            return;
        }
        cursor.insertText(QStringLiteral("\n"), fmt);
        pendingLineEnd_[pane] = c;
        return;
    }
    pendingLineEnd_[pane] = 0;
    if (c == 8) {
        cursor.deletePreviousChar();
        return;
    }
    if (c < 32) return;
    cursor.insertText(QString(QChar(c)), fmt);
}

void PSKDisplay::UpdatePanelID(int pane) {
    common::guard(app_.common, "PSKDisplay.UpdatePanelID", [&] {
        if (pane < 0 || pane > 2) throw common::RuntimeError(9);
        QLabel* id = app_.main.PanelID[pane];
        const bool psk = app_.main.ModeButton[0]->isChecked();
        if (psk)
            id->setText(QString::number(pane));
        else
            id->setText(pane == 0 ? QStringLiteral("S") : pane == 1 ? QStringLiteral("X") : QString());
        QPalette p = id->palette();
        p.setColor(QPalette::Window, ToQColor(kPaneColor[pane]));
        const bool active = pane == app_.xcvr.ActiveChannel();
        p.setColor(QPalette::WindowText, active ? ToQColor(255) : QColor(Qt::black));
        id->setPalette(p);
        QFont f = id->font();
        f.setBold(active);
        id->setFont(f);
    });
}

void PSKDisplay::AdjustWindowControls() {
    common::guard(app_.common, "PSKDisplay.AdjustWindowControls", [&] {
        // RTTY uses two panes, PSK three.
        const bool psk = app_.main.ModeButton[0]->isChecked();
        app_.main.Display[2]->parentWidget()->setVisible(psk);
    });
}

} // namespace mainwindow
