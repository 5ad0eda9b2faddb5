#pragma once
// What the Display tab edits belongs to the main window's display module: the fonts and
// colours of the receive panes and the transmit pane. The dialog reaches them through this
// interface (the display module lives above the dialog), and the owner stores them at
// shut-down as it always does.
#include <QFont>

namespace setup {

enum class LookColor {
    PaneText,           // per pane
    PaneBackground,     // per pane
    KeyboardText,       // the transmit pane
    KeyboardBackground, // the transmit pane
    TransmittedText,    // echo of transmitted text in the receive panes
    SelectedPanelID,    // text of the active pane's identification box
};

// Fonts: receive panes 0..2 and the transmit pane.
constexpr int kKeyboardFont = 3;

class DisplayLook {
public:
    virtual ~DisplayLook() = default;
    // Colours are red + 256 * green + 65536 * blue; pane is ignored where the colour has one.
    virtual int lookColor(LookColor which, int pane) const = 0;
    virtual void setLookColor(LookColor which, int pane, int colour) = 0;
    virtual QFont lookFont(int target) const = 0;
    virtual void setLookFont(int target, const QFont& font) = 0;
};

} // namespace setup
