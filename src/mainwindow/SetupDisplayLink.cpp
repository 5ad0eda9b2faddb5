#include "SetupDisplayLink.h"
#include "TonedeckApp.h"
#include <common/Convert.h>
#include <common/Errors.h>
#include <QTextEdit>

namespace mainwindow {

using setup::LookColor;

int SetupDisplayLink::lookColor(LookColor which, int pane) const {
    const PSKDisplay& d = app_.display;
    switch (which) {
    case LookColor::PaneText:
        return d.GetPaneColor(pane);
    case LookColor::PaneBackground:
        return d.PaneBackgroundColor(pane);
    case LookColor::KeyboardText:
        return d.KeyboardColor();
    case LookColor::KeyboardBackground:
        return d.KeyboardBackgroundColor();
    case LookColor::TransmittedText:
        return d.TransmittedTextColor();
    case LookColor::SelectedPanelID:
        return d.SelectedPanelIDFontColor();
    }
    return 0;
}

void SetupDisplayLink::setLookColor(LookColor which, int pane, int colour) {
    PSKDisplay& d = app_.display;
    if (colour < 0 || colour > 0xFFFFFF)
        throw common::RuntimeError(common::err::InvalidPropertyValue);
    auto setPalette = [&](QWidget* w, QPalette::ColorRole role) {
        QPalette p = w->palette();
        p.setColor(role, PSKDisplay::ToQColor(colour));
        w->setPalette(p);
    };
    switch (which) {
    case LookColor::PaneText:
        d.SetPaneColor(pane, colour);
        setPalette(common::at(app_.main.Display, pane), QPalette::Text);
        break;
    case LookColor::PaneBackground:
        d.SetPaneBackgroundColor(pane, colour);
        break;
    case LookColor::KeyboardText:
        d.SetKeyboardColor(colour);
        break;
    case LookColor::KeyboardBackground:
        d.SetKeyboardBackgroundColor(colour);
        break;
    case LookColor::TransmittedText:
        d.SetTransmittedTextColor(colour);
        break;
    case LookColor::SelectedPanelID:
        d.SetSelectedPanelIDFontColor(colour);
        break;
    }
}

QFont SetupDisplayLink::lookFont(int target) const {
    common::checkIndex(target, 0, setup::kKeyboardFont);
    return target == setup::kKeyboardFont ? app_.main.Keyboard->font()
                                          : app_.main.Display[target]->font();
}

void SetupDisplayLink::setLookFont(int target, const QFont& font) {
    common::checkIndex(target, 0, setup::kKeyboardFont);
    if (target < setup::kKeyboardFont) {
        app_.main.Display[target]->setFont(font);
        return;
    }
    app_.main.Keyboard->setFont(font);
    // The transmit pane's height follows its font.
    app_.display.UpdateKeyboardHeight(font.pointSizeF());
    app_.display.AdjustWindowControls();
}

} // namespace mainwindow
