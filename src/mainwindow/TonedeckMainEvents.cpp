// Mouse and keyboard events of the panes, identification boxes and the signal meter, passed to
// the modules that handle them.
#include "TonedeckApp.h"
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTextEdit>

namespace mainwindow {

namespace {
// Buttons 1 left, 2 right, 4 middle; shift 1 Shift, 2 Ctrl, 4 Alt.
int buttonCode(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}
int shiftCode(Qt::KeyboardModifiers m) {
    return (m & Qt::ShiftModifier ? 1 : 0) | (m & Qt::ControlModifier ? 2 : 0) |
           (m & Qt::AltModifier ? 4 : 0);
}
} // namespace

void TonedeckMain::installEventFilters() {
    for (int i = 0; i < 3; ++i) {
        Display[i]->viewport()->installEventFilter(this);
        PanelID[i]->installEventFilter(this);
        XmitStatus[i]->installEventFilter(this);
    }
    SignalStrengthControl->installEventFilter(this);
    Frequency->installEventFilter(this);
    Keyboard->installEventFilter(this);
    Keyboard->viewport()->installEventFilter(this);
}

bool TonedeckMain::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    const bool press = type == QEvent::MouseButtonPress;
    const bool isMouse =
        press || type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick;
    auto* mouse = isMouse ? static_cast<QMouseEvent*>(event) : nullptr;

    for (int i = 0; i < 3; ++i) {
        if (watched == Display[i]->viewport()) {
            PSKDisplay& d = app_.display;
            switch (type) {
            case QEvent::ContextMenu:
                return true; // the pane menu is ours
            case QEvent::MouseButtonPress:
                d.Display_MouseDown(i, buttonCode(mouse->button()), shiftCode(mouse->modifiers()),
                                    mouse->position().toPoint());
                return mouse->button() == Qt::RightButton;
            case QEvent::MouseButtonDblClick:
                releaseEndsDoubleClick_[i] = true;
                d.Display_DblClick(i);
                return false;
            case QEvent::MouseButtonRelease: {
                if (releaseEndsDoubleClick_[i]) {
                    releaseEndsDoubleClick_[i] = false;
                    return false;
                }
                if (mouse->button() != Qt::LeftButton || releaseInFlight_) return false;
                // The pane finishes its selection first; the click then sees it.
                releaseInFlight_ = true;
                QCoreApplication::sendEvent(watched, event);
                releaseInFlight_ = false;
                d.Display_Click(i);
                return true;
            }
            default:
                return false;
            }
        }
        if (watched == PanelID[i]) {
            if (press && mouse->button() == Qt::LeftButton) {
                app_.display.PanelID_Click(i);
                return true;
            }
            return false;
        }
        if (watched == XmitStatus[i]) {
            if (press && mouse->button() == Qt::LeftButton) {
                app_.xcvr.SetActiveChannel(i);
                return true;
            }
            return false;
        }
    }
    if (watched == SignalStrengthControl) {
        if (press) {
            app_.xcvr.UpdateSquelchThreshold(app_.xcvr.ActiveChannel(), mouse->position().x());
            return true;
        }
        return false;
    }
    if (watched == Frequency) {
        // The scale follows the waterfall's width, which other controls' captions can change
        // without the window changing size.
        if (type == QEvent::Resize) app_.display.DrawFrequencyScale();
        return false;
    }
    if (watched == Keyboard) {
        TransmitPane& tx = app_.transmitPane;
        if (type == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (tx.KeyDown(*key)) return true;
            int ascii = TransmitPane::KeyAscii(*key);
            if (ascii == -1) return false;
            if (ascii == -2) return true; // not a character the modems can send
            return tx.KeyPress(ascii);
        }
        if (type == QEvent::KeyRelease) {
            tx.KeyUp(*static_cast<QKeyEvent*>(event));
            return false;
        }
        // Dead keys and compose arrive as a commit, not as a key press: sent like typed text.
        if (type == QEvent::InputMethod) {
            const QString text = static_cast<QInputMethodEvent*>(event)->commitString();
            if (text.isEmpty()) return false; // a composition in progress shows, is not sent
            tx.TypeText(text);
            return true;
        }
        return false;
    }
    if (watched == Keyboard->viewport()) {
        if (type == QEvent::ContextMenu) return true;
        // Dropped text would show as if sent; the pane refuses it (Paste sends the clipboard).
        if (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) {
            event->ignore();
            return true;
        }
        if (press && mouse->button() == Qt::RightButton) {
            app_.transmitPane.MouseDown(buttonCode(mouse->button()));
            return true;
        }
        return false;
    }
    return TonedeckMainForm::eventFilter(watched, event);
}

} // namespace mainwindow
