#include "TransmitPane.h"
#include "TonedeckApp.h"
#include <common/Convert.h>
#include <common/Errors.h>
#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>

namespace mainwindow {

namespace {
constexpr int kStart = 19;
constexpr int kStop = 17;
constexpr int kCWID = 18;
constexpr int kCtrlEnter = 10;
constexpr int kEnter = 13;
constexpr int kCtrlV = 22;
constexpr int kButtonRight = 2;
} // namespace

TransmitPane::TransmitPane(TonedeckApp& app) : app_(app) {
    MacroBody = [this](int index) {
        return app_.services.settings.getSetting("Macros", QStringLiteral("Content%1").arg(index));
    };
}

void TransmitPane::Initialize() {
    auto& store = app_.services.settings;
    TransmitFileDirectory = store.getSetting("Display", "TransmitFileDirectory");
    store.saveSetting("Display", "TransmitFileDirectory", TransmitFileDirectory);
    TransmitFeedBusy = false;
    TransmitStopMark = -1;
    DisplayNormalMacros();
}

bool TransmitPane::psk() const {
    return app_.main.ModeButton[0]->isChecked();
}

// In RTTY mode the RTTY path selection decides which transmitter is meant.
void TransmitPane::start() {
    if (psk())
        app_.xcvr.StartTransmit();
    else if (app_.rtty)
        app_.rtty->StartTransmit();
}
void TransmitPane::stop() {
    if (psk())
        app_.xcvr.StopTransmit();
    else if (app_.rtty)
        app_.rtty->StopTransmit();
}
void TransmitPane::abort() {
    if (psk())
        app_.xcvr.AbortTransmit();
    else if (app_.rtty)
        app_.rtty->AbortTransmit();
}

void TransmitPane::appendToPane(QChar c) {
    QTextEdit* k = app_.main.Keyboard;
    QTextCursor cursor = k->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QString(c));
    k->setTextCursor(cursor);
}

void TransmitPane::emptyPane() {
    app_.main.Keyboard->clear();
}

void TransmitPane::focusPane() {
    app_.main.Keyboard->setFocus();
}

int TransmitPane::KeyAscii(const QKeyEvent& key) {
    const auto mods = key.modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    switch (key.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return ctrl ? kCtrlEnter : kEnter;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Escape:
        return 27;
    default:
        break;
    }
    if (ctrl && !(mods & Qt::AltModifier) && key.key() >= Qt::Key_A && key.key() <= Qt::Key_Z)
        return key.key() - Qt::Key_A + 1;
    const QString text = key.text();
    if (text.isEmpty()) return -1;
    const char16_t u = text.at(0).unicode();
    if (u < 32 && u != 8 && u != 9) return -1;
    return u <= 255 ? int(u) : -2;
}

bool TransmitPane::KeyDown(const QKeyEvent& key) {
    bool used = false;
    common::guard(app_.common, "TonedeckMain.Keyboard_KeyDown", [&] {
        const int k = key.key();
        const bool ctrl = key.modifiers() & Qt::ControlModifier;
        used = true;
        if (k == Qt::Key_Alt) {
            DisplayAltMacros();
            used = false;
        } else if (k == Qt::Key_F2 || k == Qt::Key_Insert) {
            start();
        } else if (k == Qt::Key_F4) {
            stop();
            emptyPane();
        } else if (k == Qt::Key_Escape) {
            abort();
            emptyPane();
        } else if (k == Qt::Key_F1) {
            if (psk()) SetTXFreqFromRXFreqCmd_Click();
        } else if (k == Qt::Key_F3) {
            if (psk()) IDCmd_Click();
        } else if (k >= Qt::Key_F5 && k <= Qt::Key_F12) {
            // Ctrl opens the macro for editing, which arrives with the macros window.
            if (!ctrl) FireMacro(k - Qt::Key_F5);
        } else {
            used = false;
        }
    });
    return used;
}

void TransmitPane::KeyUp(const QKeyEvent& key) {
    common::guard(app_.common, "TonedeckMain.Keyboard_KeyUp", [&] {
        if (key.key() == Qt::Key_Alt) DisplayNormalMacros();
    });
}

bool TransmitPane::KeyPress(int& keyAscii) {
    bool used = false;
    common::guard(app_.common, "TonedeckMain.Keyboard_KeyPress", [&] {
        bool handled = false;
        app_.main.Navigate(keyAscii, handled);
        if (handled) {
            keyAscii = 0;
            used = true;
            return;
        }
        if (!psk()) {
            if (!app_.rtty) return;
            if (keyAscii == kCtrlEnter) {
                app_.rtty->StopTransmit();
                emptyPane();
                used = true;
            } else if (keyAscii == kEnter) {
                emptyPane();
                app_.rtty->SendCharacter(kEnter);
                used = true;
            } else if (keyAscii >= 32) {
                app_.rtty->SendCharacter(keyAscii);
            }
            return;
        }
        switch (keyAscii) {
        case kCtrlEnter:
            app_.xcvr.StopTransmit();
            emptyPane();
            used = true;
            break;
        case kEnter:
            emptyPane();
            app_.xcvr.TransmitCharacter(kEnter);
            used = true;
            break;
        case kCtrlV:
            // The clipboard is sent, not pasted; nothing else follows it (a NUL would go out).
            TransmitClipboard(false);
            keyAscii = 0;
            used = true;
            break;
        default:
            app_.xcvr.TransmitCharacter(keyAscii);
            break;
        }
    });
    return used;
}

void TransmitPane::MouseDown(int button) {
    common::guard(app_.common, "TonedeckMain.Keyboard_MouseDown", [&] {
        TonedeckMain& m = app_.main;
        if (button != kButtonRight || (m.windowState() & Qt::WindowMinimized)) return;
        m.popPaste->setVisible(true);
        m.popTransmit->setVisible(true);
        m.popClear->setVisible(false);
        m.popSave->setVisible(false);
        m.ShowPopupMenu(*m.popPane);
    });
}

void TransmitPane::TransmitClipboard(bool echoToPane) {
    if (TransmitFeedBusy) return;
    TransmitFeedBusy = true;
    common::guard(app_.common, "PSKDisplay.TransmitClipboard", [&] {
        const QByteArray text = app_.services.dialogs.clipboardText().toLatin1();
        if (text.isEmpty()) return;
        TransmitFeedContinue = true;
        app_.xcvr.StartTransmit();
        for (const char ch : text) {
            const uint8_t c = static_cast<uint8_t>(ch);
            if (c == 0) continue;
            if (echoToPane) appendToPane(QChar(c));
            app_.xcvr.TransmitCharacter(c);
            // Received text, status changes and the abort button stay live during a feed.
            QCoreApplication::processEvents();
            if (!TransmitFeedContinue || app_.main.ShuttingDown) break;
        }
    });
    TransmitFeedBusy = false;
}

void TransmitPane::TransmitFile() {
    if (TransmitFeedBusy) return;
    TransmitFeedBusy = true;
    try {
        const QString path = app_.services.dialogs.openFileName(
            QStringLiteral("Transmit contents of selected file"), TransmitFileDirectory,
            QStringLiteral("Text (*.txt)|*.txt"));
        if (!path.isEmpty()) {
            TransmitFileDirectory = QFileInfo(path).absolutePath();
            app_.services.settings.saveSetting("Display", "TransmitFileDirectory",
                                               TransmitFileDirectory);
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly) || QFileInfo(path).isDir()) {
                app_.services.dialogs.messageBox(QStringLiteral("unable to open selected file"),
                                                 QStringLiteral("Tonedeck"));
            } else {
                TransmitFeedContinue = true;
                app_.xcvr.StartTransmit();
                char ch = 0;
                while (file.getChar(&ch)) {
                    const uint8_t c = static_cast<uint8_t>(ch);
                    if (c != 0) {
                        if (c == 10 || c == 13)
                            emptyPane();
                        else
                            appendToPane(QChar(c));
                        app_.xcvr.TransmitCharacter(c);
                    }
                    if (file.atEnd()) break;
                    QCoreApplication::processEvents();
                    if (!TransmitFeedContinue || app_.main.ShuttingDown) break;
                }
                if (file.error() != QFileDevice::NoError)
                    throw common::RuntimeError(common::err::DeviceIOError);
            }
        }
    } catch (...) {
        app_.xcvr.AbortTransmit();
        app_.common.ReportError(common::currentErrorNumber(),
                                QStringLiteral("PSKDisplay.TransmitFile"));
    }
    TransmitFeedBusy = false;
}

void TransmitPane::TrimTransmittedText() {
    common::guard(app_.common, "PSKDisplay.TrimTransmittedText", [&] {
        if (TransmitStopMark == -1) return;
        QTextEdit* k = app_.main.Keyboard;
        const QString text = k->toPlainText();
        if (text.size() < TransmitStopMark) return;
        // What was typed after the macro's stop survives; the macro's own text goes.
        k->setPlainText(text.mid(TransmitStopMark));
        k->moveCursor(QTextCursor::End);
        TransmitStopMark = -1;
    });
}

QString TransmitPane::MacroTitle(int index) const {
    const QString title =
        app_.services.settings.getSetting("Macros", QStringLiteral("Title%1").arg(index));
    if (!title.isEmpty()) return title;
    const int key = index % 8 + 5;
    return index < 8 ? QStringLiteral("F%1").arg(key) : QStringLiteral("Alt F%1").arg(key);
}

void TransmitPane::DisplayAltMacros() {
    app_.display.DisplayAltMacros();
}

void TransmitPane::DisplayNormalMacros() {
    app_.display.DisplayNormalMacros();
}

bool TransmitPane::AltMacrosShown() const {
    return app_.main.MacroBar->AltMacrosShown();
}

void TransmitPane::FireMacro(int button) {
    common::guard(app_.common, "TonedeckMain.Macro_Click", [&] {
        common::checkIndex(button, 0, 7);
        const int index = app_.main.MacroBar->MacroIndex(button);
        SendMacroText(MacroBody ? MacroBody(index) : QString());
    });
}

void TransmitPane::SendMacroText(const QString& expansion) {
    common::guard(app_.common, "TonedeckMain.SendMacroText", [&] {
        const QByteArray bytes = expansion.toLatin1();
        for (const char ch : bytes) {
            const uint8_t c = static_cast<uint8_t>(ch);
            if (c >= 32) {
                appendToPane(QChar(c));
                if (psk()) app_.xcvr.TransmitCharacter(c);
            } else if (c == kStart) {
                start();
            } else if (c == kStop) {
                if (psk()) app_.xcvr.TransmitAutoStop();
                SetTransmitStopMark(app_.main.Keyboard->toPlainText().size());
            } else if (c == kCWID) {
                if (psk()) app_.main.TransmitCWID();
            } else if (c == 13 || c == 10) {
                emptyPane();
                if (psk()) app_.xcvr.TransmitCharacter(c);
            }
        }
        focusPane();
    });
}

void TransmitPane::StartXmitCmd_Click() {
    app_.xcvr.StartTransmit();
    focusPane();
}

void TransmitPane::StopTransmitCmd_Click() {
    app_.xcvr.StopTransmit();
    focusPane();
}

void TransmitPane::AbortTransmitCmd_Click() {
    app_.xcvr.AbortTransmit();
    // A running clipboard or file feed ends after its current character.
    TransmitFeedContinue = false;
    focusPane();
}

void TransmitPane::IDCmd_Click() {
    app_.main.TransmitCWID();
    app_.main.IDCmd->setEnabled(false);
    focusPane();
}

void TransmitPane::ClearXmitPaneCmd_Click() {
    emptyPane();
    focusPane();
}

void TransmitPane::TuneCheckbox_Click(bool checked) {
    common::guard(app_.common, "TonedeckMain.TuneCheckbox_Click", [&] {
        TonedeckMain& m = app_.main;
        auto& buttons = app_.setupDialog.XmitModeButton;
        if (checked) {
            m.TuneState = app_.xcvr.GetTransmitModulation();
            buttons[3]->setChecked(true);
        } else {
            common::checkIndex(m.TuneState, 0, 4);
            buttons[m.TuneState]->setChecked(true);
        }
        focusPane();
    });
}

void TransmitPane::SetTXFreqFromRXFreqCmd_Click() {
    app_.xcvr.UpdateTransmitToReceiveFrequency();
    app_.xcvr.SetTransmitFrequency();
    focusPane();
}

} // namespace mainwindow
