#pragma once
// The display module: what reaches the receive panes, and the window's layout.
#include <QColor>
#include <QString>

namespace mainwindow {

class TonedeckApp;

class PSKDisplay {
public:
    explicit PSKDisplay(TonedeckApp& app) : app_(app) {}

    void Initialize();
    // Drains one character source into its pane: 0..2 the receive channels, 3 the echo of
    // transmitted text, shown in the active channel's pane.
    void HandleNewChar(int source);
    void UpdatePanelID(int pane);
    void AdjustWindowControls();

    // Colours are stored as red + 256 * green + 65536 * blue.
    static QColor ToQColor(int value);

private:
    void appendChar(int pane, int source, uint8_t c);

    TonedeckApp& app_;
    int pendingLineEnd_[3]{};
    int lastSource_[3] = {0, 1, 2};
};

} // namespace mainwindow
