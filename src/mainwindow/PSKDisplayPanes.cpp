// The receive panes' text rules, their mouse behaviour, the pane menu and saving a pane.
#include "PSKDisplay.h"
#include "TonedeckApp.h"
#include <common/Convert.h>
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>

namespace mainwindow {

namespace {
constexpr int kBackspace = 8;
constexpr int kLineFeed = 10;
constexpr int kCarriageReturn = 13;
constexpr int kSlashedZero = 216;
constexpr int kButtonLeft = 1;
constexpr int kButtonRight = 2;
constexpr int kShiftCtrl = 2;
constexpr int kShiftAlt = 4;
} // namespace

void PSKDisplay::HandleNewChar(int source) {
    common::guard(app_.common, "PSKDisplay.HandleNewChar", [&] {
        common::checkIndex(source, 0, 3);
        const int channel = source == 3 ? -1 : source;
        const int pane = source == 3 ? app_.xcvr.ActiveChannel() : source;
        int& pending = PendingLineEnd[pane];
        for (uint8_t c = app_.xcvr.GetNewChar(channel); c != 0; c = app_.xcvr.GetNewChar(channel)) {
            if (source == app_.xcvr.ActiveChannel()) {
                QTimer& blanking = app_.main.PskTimers.IMDBlankingTimer;
                if (!blanking.isActive()) blanking.start();
            }
            // Received text and the echo of our own never share a line.
            if (PaneLastSource[pane] != source) {
                if (!app_.main.Display[pane]->document()->isEmpty()) AppendNewline(pane);
                PaneLastSource[pane] = source;
                pending = 0;
            }
            switch (c) {
            case kLineFeed:
            case kCarriageReturn: {
                // CR, LF, CR LF and LF CR each end one line; a doubled one makes an empty line.
                const int other = c == kLineFeed ? kCarriageReturn : kLineFeed;
                if (pending == c) {
                    AppendNewline(pane);
                } else if (pending == other) {
                    AppendNewline(pane);
                    pending = 0;
                } else {
                    pending = c;
                }
                break;
            }
            case kBackspace:
                if (pending != 0)
                    pending = 0;
                else
                    Append(pane, kBackspace, false, 0);
                break;
            default:
                if (c < 32) {
                    pending = 0;
                    break;
                }
                if (pending != 0) {
                    AppendNewline(pane);
                    pending = 0;
                }
                Append(pane, c, true,
                       source == 3 ? transmittedTextColor_ : receivePaneColor_[pane]);
                break;
            }
        }
    });
}

void PSKDisplay::Append(int pane, int character, bool useColor, int color) {
    common::guard(app_.common, "PSKDisplay.Append", [&] {
        common::checkIndex(pane, 0, 2);
        if (character < 0 || character > 255)
            throw common::RuntimeError(common::err::InvalidProcedureCall);
        if (!PaneEnabled[pane]) return;
        if (useColor) insertColor_[pane] = color;
        if (character == '0' && app_.setupDialog.SlashZeroCheckbox->isChecked())
            character = kSlashedZero;
        QTextEdit* edit = app_.main.Display[pane];
        QTextCursor cursor = edit->textCursor();
        cursor.movePosition(QTextCursor::End);
        if (character == kBackspace) {
            if (!edit->document()->isEmpty()) cursor.deletePreviousChar();
        } else {
            QTextCharFormat format;
            format.setForeground(ToQColor(insertColor_[pane]));
            cursor.insertText(QString(QChar(character)), format);
        }
        edit->setTextCursor(cursor);
    });
}

void PSKDisplay::AppendNewline(int pane) {
    common::guard(app_.common, "PSKDisplay.AppendNewline", [&] {
        common::checkIndex(pane, 0, 2);
        if (!PaneEnabled[pane]) return;
        QTextEdit* edit = app_.main.Display[pane];
        QTextCursor cursor = edit->textCursor();
        cursor.movePosition(QTextCursor::End);
        QTextCharFormat format;
        format.setForeground(ToQColor(insertColor_[pane]));
        cursor.insertText(QStringLiteral("\n"), format);
        edit->setTextCursor(cursor);
    });
}

void PSKDisplay::PaneNewline(int channel) {
    common::guard(app_.common, "PSKDisplay.PaneNewline", [&] {
        common::checkIndex(channel, -1, 2);
        AppendNewline(channel == -1 ? app_.xcvr.ActiveChannel() : channel);
    });
}

QString PSKDisplay::DeSlash(const QString& text) const {
    if (!app_.setupDialog.SlashZeroCheckbox->isChecked()) return text;
    QString out = text;
    out.replace(QChar(kSlashedZero), QLatin1Char('0'));
    return out;
}

void PSKDisplay::Clear(int pane) {
    common::guard(app_.common, "PSKDisplay.Clear", [&] {
        common::checkIndex(pane, 0, 2);
        if (PaneEnabled[pane]) app_.main.Display[pane]->clear();
        app_.main.Keyboard->setFocus();
    });
}

int PSKDisplay::GetPaneColor(int pane) const {
    common::checkIndex(pane, 0, 2);
    return receivePaneColor_[pane];
}

void PSKDisplay::SetPaneColor(int pane, int color) {
    common::guard(app_.common, "PSKDisplay.SetPaneColor", [&] {
        common::checkIndex(pane, 0, 2);
        if (color < 0 || color > 0xFFFFFF)
            throw common::RuntimeError(common::err::InvalidPropertyValue);
        receivePaneColor_[pane] = color;
        insertColor_[pane] = color;
        app_.services.settings.saveSetting("Display", QStringLiteral("PaneColor%1").arg(pane),
                                           QString::number(color));
        colorPanelID(pane);
    });
}

int PSKDisplay::PaneBackgroundColor(int pane) const {
    return common::at(paneBackgroundColor_, pane);
}

void PSKDisplay::SetPaneBackgroundColor(int pane, int color) {
    common::at(paneBackgroundColor_, pane) = color;
    QTextEdit* edit = app_.main.Display[pane];
    QPalette p = edit->palette();
    p.setColor(QPalette::Base, ToQColor(color));
    edit->setPalette(p);
    colorPanelID(pane);
}

void PSKDisplay::SetSelectedPanelIDFontColor(int color) {
    selectedPanelIDFontColor_ = color;
    colorPanelID(activePane_);
}

void PSKDisplay::SetKeyboardColor(int color) {
    keyboardColor_ = color;
    applyKeyboardLook();
}

void PSKDisplay::SetKeyboardBackgroundColor(int color) {
    keyboardBackgroundColor_ = color;
    applyKeyboardLook();
}

void PSKDisplay::Display_MouseDown(int pane, int button, int shift, QPoint at) {
    common::guard(app_.common, "TonedeckMain.Display_MouseDown", [&] {
        common::checkIndex(pane, 0, 2);
        TonedeckMain& m = app_.main;
        if (m.windowState() & Qt::WindowMinimized) return;
        if (button == kButtonRight) {
            if (shift & kShiftCtrl) {
                ResetPanePercentage();
                return;
            }
            popupPane_ = pane;
            m.popClear->setText(QStringLiteral("Clear receive pane %1").arg(pane));
            m.popSave->setText(QStringLiteral("Save receive pane %1 to file").arg(pane));
            m.popClear->setVisible(true);
            m.popSave->setVisible(true);
            m.popPaste->setVisible(false);
            m.popTransmit->setVisible(false);
            m.ShowPopupMenu(*m.popPane);
            // The click that belongs to this press is not a click on the pane.
            popupActive_ = true;
            return;
        }
        // Only a left press starts a selection; its release (Display_Click) unlocks. Any other
        // button would lock the pane with no unlock to follow.
        if (button != kButtonLeft) return;
        m.LockPane(pane);
        ResumePane(pane);
        popupActive_ = false;
        altSelectToQTH_ = shift == kShiftAlt;
        SelectReceivePane(pane, at.x(), at.y(), button, shift);
    });
}

void PSKDisplay::ClearPaneMouseState() {
    popupPane_ = 0;
    popupActive_ = false;
    altSelectToQTH_ = false;
}

int PSKDisplay::ClickPosition(int pane) const {
    return pane >= 0 && pane <= 2 ? clickPosition_[pane] : 0;
}

int PSKDisplay::ClickColor(int pane) const {
    return pane >= 0 && pane <= 2 ? clickColor_[pane] : 0;
}

void PSKDisplay::Display_Click(int pane) {
    common::guard(app_.common, "TonedeckMain.Display_Click", [&] {
        common::checkIndex(pane, 0, 2);
        TonedeckMain& m = app_.main;
        if (popupActive_) return;
        QTextEdit* edit = m.Display[pane];
        QTextCursor cursor = edit->textCursor();
        if (cursor.hasSelection()) {
            QString selected = cursor.selectedText();
            selected.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
            if (altSelectToQTH_) {
                m.QTH->setText(DeSlash(selected));
                cursor.clearSelection();
                edit->setTextCursor(cursor);
                m.UnlockPane(pane);
            } else {
                // The pane stays locked until the next plain click.
                app_.services.dialogs.setClipboardText(DeSlash(selected));
            }
        } else {
            const int position = cursor.position();
            clickPosition_[pane] = position;
            QTextCursor probe(edit->document());
            probe.setPosition(position);
            if (!probe.atEnd())
                probe.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
            else if (position > 0)
                probe.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
            clickColor_[pane] = FromQColor(probe.charFormat().foreground().color());
            app_.xcvr.SetActiveChannel(pane);
            m.UnlockPane(pane);
        }
        ResumePane(pane);
        m.Keyboard->setFocus();
    });
}

void PSKDisplay::Display_DblClick(int pane) {
    common::guard(app_.common, "TonedeckMain.Display_DblClick", [&] {
        common::checkIndex(pane, 0, 2);
        if (popupActive_) return;
        SelectClickedWord(pane, clickPosition_[pane], clickColor_[pane]);
        app_.main.Keyboard->setFocus();
    });
}

void PSKDisplay::popClear_Click() {
    common::guard(app_.common, "TonedeckMain.popClear_Click", [&] {
        Clear(popupPane_);
        app_.main.Keyboard->setFocus();
    });
}

void PSKDisplay::popSave_Click() {
    common::guard(app_.common, "TonedeckMain.popSave_Click", [&] {
        SaveFile(popupPane_);
        app_.main.Keyboard->setFocus();
    });
}

void PSKDisplay::SaveFile(int pane) {
    common::guard(app_.common, "PSKDisplay.SaveFile", [&] {
        common::checkIndex(pane, 0, 2);
        QString path = app_.services.dialogs.saveFileName(
            QStringLiteral("Save text from receive pane %1 to selected file").arg(pane),
            SaveFileDirectory, QStringLiteral("Text (*.txt)|*.txt"));
        if (path.isEmpty()) return; // cancelled
        if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".txt");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw common::RuntimeError(common::err::PathFileAccessError);
        const QByteArray text = app_.main.Display[pane]->toPlainText().toLatin1();
        if (file.write(text) != text.size()) throw common::RuntimeError(common::err::DeviceIOError);
        file.close();
        SaveFileDirectory = QFileInfo(path).absolutePath();
        app_.services.settings.saveSetting("Display", "SaveFileDirectory", SaveFileDirectory);
    });
}

} // namespace mainwindow
