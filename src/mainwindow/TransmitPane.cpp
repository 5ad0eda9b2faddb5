#include "TransmitPane.h"
#include "TonedeckApp.h"
#include <common/Convert.h>
#include <common/Errors.h>
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
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
// Characters fed per pass of the event loop: the window stays live during a long feed.
constexpr qsizetype kFeedSlice = 4096;
// How soon a feed asks again after the engine's queue was full (it empties at ~4 chars/s).
constexpr int kFeedRetryMs = 250;
} // namespace

TransmitPane::TransmitPane(TonedeckApp& app) : app_(app) {
    MacroBody = [this](int index) { return app_.macros.Body(index); };
    feedTimer_.setSingleShot(true);
    QObject::connect(&feedTimer_, &QTimer::timeout, [this] { feedMore(); });
}

void TransmitPane::Initialize() {
    auto& store = app_.services.settings;
    TransmitFileDirectory = store.getSetting("Display", "TransmitFileDirectory");
    store.saveSetting("Display", "TransmitFileDirectory", TransmitFileDirectory);
    EndFeed();
    TransmitStopMark = -1;
    DisplayNormalMacros();
}

bool TransmitPane::psk() const {
    return app_.main.ModeButton[0]->isChecked();
}

// The transmitter of the mode: false while it has no room for the character.
bool TransmitPane::transmitCharacter(int code) {
    if (psk()) return app_.xcvr.TransmitCharacter(code);
    return app_.rtty && app_.rtty->TransmitCharacter(code);
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

void TransmitPane::appendToPane(const QString& text) {
    QTextEdit* k = app_.main.Keyboard;
    QTextCursor cursor = k->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
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
            EndFeed();
            emptyPane();
        } else if (k == Qt::Key_Escape) {
            abort();
            EndFeed();
            emptyPane();
        } else if (k == Qt::Key_F1) {
            if (psk()) SetTXFreqFromRXFreqCmd_Click();
        } else if (k == Qt::Key_F3) {
            if (psk()) IDCmd_Click();
        } else if (k >= Qt::Key_F5 && k <= Qt::Key_F12) {
            if (ctrl)
                app_.macros.ShowForMacro(app_.main.MacroBar->MacroIndex(k - Qt::Key_F5));
            else
                FireMacro(k - Qt::Key_F5);
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
                EndFeed();
                emptyPane();
                used = true;
                return;
            }
            if (keyAscii == kEnter) {
                emptyPane();
                used = true;
            } else if (keyAscii == kCtrlV) {
                TransmitClipboard(false);
                keyAscii = 0;
                used = true;
            }
            // Other control characters go out only when the operator has asked for them.
            const QCheckBox* controls = app_.setupDialog.TransmitPaneControlChars;
            if (keyAscii == kEnter || keyAscii >= 32 ||
                (keyAscii > 0 && controls && controls->isChecked()))
                send(keyAscii);
            return;
        }
        switch (keyAscii) {
        case kCtrlEnter:
            app_.xcvr.StopTransmit();
            EndFeed();
            emptyPane();
            used = true;
            break;
        case kEnter:
            emptyPane();
            send(kEnter);
            used = true;
            break;
        case kCtrlV:
            // The clipboard is sent, not pasted; nothing else follows it (a NUL would go out).
            TransmitClipboard(false);
            keyAscii = 0;
            used = true;
            break;
        default:
            send(keyAscii);
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

void TransmitPane::TypeText(const QString& text) {
    for (const QChar ch : text) {
        if (ch.unicode() > 255) continue; // not a character the modems can send
        int code = ch.unicode();
        if (!KeyPress(code) && code != 0) appendToPane(QChar(code));
    }
}

void TransmitPane::send(int code) {
    // With no RTTY path running a typed character has nowhere to go.
    if (!psk() && !(app_.rtty && app_.rtty->CanTransmit())) return;
    // Behind a feed, or with the engine's queue full, a typed character waits its turn.
    if (pending_.empty() && transmitCharacter(code)) return;
    feed(QByteArray(1, char(code)), Echo::None);
}

void TransmitPane::control(std::function<void()> action) {
    // Behind a feed a start or stop waits for the text before it.
    if (pending_.empty()) {
        action();
        return;
    }
    pending_.push_back({{}, 0, Echo::None, std::move(action)});
}

void TransmitPane::feed(const QByteArray& text, Echo echo) {
    QByteArray clean = text;
    clean.removeIf([](char c) { return c == 0; }); // a NUL would go out over the air
    if (clean.isEmpty()) return;
    pending_.push_back({clean, 0, echo, {}});
    if (!feedTimer_.isActive()) feedTimer_.start(0);
}

void TransmitPane::feedMore() {
    common::guard(app_.common, "PSKDisplay.TransmitFeed", [&] {
        qsizetype budget = kFeedSlice;
        while (!pending_.empty() && budget > 0) {
            Pending& p = pending_.front();
            if (p.action) {
                const std::function<void()> action = std::move(p.action);
                pending_.pop_front();
                action();
                continue;
            }
            // An RTTY path that went away (modem unplugged, engine stopped) takes nothing more.
            if (!psk() && !(app_.rtty && app_.rtty->CanTransmit())) {
                EndFeed(QStringLiteral("no RTTY path is running"));
                return;
            }
            const qsizetype from = p.sent;
            bool refused = false;
            while (p.sent < p.text.size() && budget > 0) {
                if (!transmitCharacter(uint8_t(p.text[p.sent]))) {
                    refused = true;
                    break;
                }
                ++p.sent;
                --budget;
            }
            // The pane shows what the engine has taken, in one edit per slice.
            const QByteArray shown = p.text.mid(from, p.sent - from);
            if (p.echo == Echo::Pane) {
                appendToPane(QString::fromLatin1(shown));
            } else if (p.echo == Echo::Lines) {
                const qsizetype lineEnd =
                    std::max(shown.lastIndexOf('\r'), shown.lastIndexOf('\n'));
                if (lineEnd >= 0) emptyPane();
                appendToPane(QString::fromLatin1(shown.mid(lineEnd + 1)));
            }
            if (refused) {
                feedTimer_.start(kFeedRetryMs);
                return;
            }
            if (p.sent == p.text.size()) pending_.pop_front();
        }
        if (!pending_.empty()) feedTimer_.start(0);
    });
}

void TransmitPane::EndFeed(const QString& stopped) {
    feedTimer_.stop();
    if (pending_.empty()) return;
    qsizetype sent = 0, total = 0;
    for (const Pending& p : pending_) {
        sent += p.sent;
        total += p.text.size();
    }
    // What was left of a feed is reported as characters, never as a start or stop.
    pending_.clear();
    if (!stopped.isEmpty())
        app_.services.dialogs.messageBox(
            stopped +
                QStringLiteral(": %1 of %2 characters sent, the rest dropped").arg(sent).arg(total),
            TonedeckApp::kProductName);
}

void TransmitPane::TransmitClipboard(bool echoToPane) {
    common::guard(app_.common, "PSKDisplay.TransmitClipboard", [&] {
        const QByteArray text = app_.services.dialogs.clipboardText().toLatin1();
        if (text.isEmpty()) return;
        control([this] { start(); });
        feed(text, echoToPane ? Echo::Pane : Echo::None);
    });
}

void TransmitPane::TransmitFile() {
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
                                                 TonedeckApp::kProductName);
            } else {
                const QByteArray text = file.readAll();
                if (file.error() != QFileDevice::NoError)
                    throw common::RuntimeError(common::err::DeviceIOError);
                control([this] { start(); });
                feed(text, Echo::Lines);
            }
        }
    } catch (...) {
        abort();
        app_.common.ReportError(common::currentErrorNumber(),
                                QStringLiteral("PSKDisplay.TransmitFile"));
    }
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
    return app_.macros.Title(index);
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
        // Ctrl+click opens the macro for editing instead.
        if (QApplication::queryKeyboardModifiers() & Qt::ControlModifier) {
            app_.macros.ShowForMacro(index);
            return;
        }
        const QString body = MacroBody ? MacroBody(index) : QString();
        SendMacroText(app_.macros.ExpandMacroContents(index + 1, body));
    });
}

void TransmitPane::SendMacroText(const QString& expansion) {
    common::guard(app_.common, "TonedeckMain.SendMacroText", [&] {
        const QByteArray bytes = expansion.toLatin1();
        for (const char ch : bytes) {
            const uint8_t c = static_cast<uint8_t>(ch);
            if (c >= 32) {
                appendToPane(QChar(c));
                send(c);
            } else if (c == kStart) {
                control([this] { start(); });
            } else if (c == kStop) {
                control([this] {
                    if (psk())
                        app_.xcvr.TransmitAutoStop();
                    else if (app_.rtty)
                        app_.rtty->StopTransmit();
                });
                SetTransmitStopMark(app_.main.Keyboard->toPlainText().size());
            } else if (c == kCWID) {
                if (psk()) control([this] { IDCmd_Click(); });
            } else if (c == 13 || c == 10) {
                emptyPane();
                send(c);
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
    EndFeed();
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
        auto& buttons = app_.setupDialog.XmitModeButton;
        if (checked) {
            tuneState_ = app_.xcvr.GetTransmitModulation();
            buttons[3]->setChecked(true);
        } else {
            common::checkIndex(tuneState_, 0, 4);
            buttons[tuneState_]->setChecked(true);
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
