#pragma once
// The setup dialog's Display tab edits the panes' fonts and colours that this module keeps.
#include <setup/DisplayLook.h>

namespace mainwindow {

class TonedeckApp;

class SetupDisplayLink : public setup::DisplayLook {
public:
    explicit SetupDisplayLink(TonedeckApp& app) : app_(app) {}
    int lookColor(setup::LookColor which, int pane) const override;
    void setLookColor(setup::LookColor which, int pane, int colour) override;
    QFont lookFont(int target) const override;
    void setLookFont(int target, const QFont& font) override;

private:
    TonedeckApp& app_;
};

} // namespace mainwindow
