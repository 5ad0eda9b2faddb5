#pragma once
// The display module: what reaches the receive panes and how they behave, and the window's
// layout.
//   PSKDisplay.cpp       settings, the active pane, captions, identification boxes
//   PSKDisplayPanes.cpp  text rules, mouse behaviour, the pane menu, saving a pane
//   PSKDisplayLayout.cpp layout, stored fonts, colours, proportions and window position,
//                        frequency scale, macro banks, tooltips
#include <common/Tooltips.h>
#include <cstdint>
#include <QColor>
#include <QPoint>
#include <QString>

namespace mainwindow {

class TonedeckApp;

class PSKDisplay {
public:
    explicit PSKDisplay(TonedeckApp& app) : app_(app) {}

    // Start-up: the mode, the window's place, fonts and colours, the options kept in the setup
    // dialog, the panes, the transmit pane's height.
    void Initialize();
    void InitializePanes();

    // Layout and persistence. The main window's position keys start with kWindowPrefix.
    static constexpr const char* kWindowPrefix = "TonedeckMain";
    // Pane fonts, pane proportions, then the window's position, size and state.
    void InitializePosition();
    // At shut-down: the window, then SavePaneSetup, then SaveDisplaySetup.
    void SaveWindowPositions();
    void SavePaneSetup();
    void SaveDisplaySetup();
    // Lays the controls out for the window's size and mode: three panes (PSK) or two (RTTY),
    // the waterfall's scale, the frequency scale.
    void AdjustWindowControls();
    void UpdatePaneSplits();
    // Every pane back to an equal share (Ctrl + right click on a pane).
    void ResetPanePercentage();
    // The transmit pane is as high as a few lines of its font.
    void UpdateKeyboardHeight(double fontSize);
    void DrawFrequencyScale();
    void DisplayNormalMacros();
    void DisplayAltMacros();

    // Tooltips of every window, switched by the setup dialog's TooltipsCheckbox.
    void InitializeTooltips();
    void SaveTooltips();
    void HideTooltips();
    void ShowTooltips();
    void TooltipsCheckbox_Click(bool on);
    // A tooltip that changes while running; it waits while tooltips are off.
    void SetTooltip(QWidget* control, const QString& text);
    // The receive panes' tooltips for the mode selected.
    void SetPaneTooltips();
    common::Tooltips& Tooltips() { return tooltips_; }

    // Text.
    // Drains one character source into its pane: 0..2 the receive channels, 3 the echo of
    // transmitted text, shown in the active channel's pane.
    void HandleNewChar(int source);
    void Append(int pane, int character, bool useColor, int color);
    void AppendNewline(int pane);
    // -1 is the active channel.
    void PaneNewline(int channel);
    QString DeSlash(const QString& text) const;
    void Clear(int pane);
    int GetPaneColor(int pane) const;
    void SetPaneColor(int pane, int color);
    // The other colours the setup dialog edits; each shows at once and is stored at shut-down.
    int PaneBackgroundColor(int pane) const;
    void SetPaneBackgroundColor(int pane, int color);
    int TransmittedTextColor() const { return transmittedTextColor_; }
    void SetTransmittedTextColor(int color) { transmittedTextColor_ = color; }
    int SelectedPanelIDFontColor() const { return selectedPanelIDFontColor_; }
    void SetSelectedPanelIDFontColor(int color);
    int KeyboardColor() const { return keyboardColor_; }
    void SetKeyboardColor(int color);
    int KeyboardBackgroundColor() const { return keyboardBackgroundColor_; }
    void SetKeyboardBackgroundColor(int color);

    // The active pane.
    void SelectReceivePane(int pane, float x, float y, int button, int shift);
    void SetReceivePane(int pane);
    int ActivePane() const { return activePane_; }
    void SetModeCaptions();
    void UpdatePanelID(int pane);
    void UpdateOverloadIndicator(int overload);

    // Suspending a pane's display.
    void SetPaneSuspended(int pane, bool suspended);
    bool IsPaneSuspended(int pane) const;
    void PanelID_Click(int pane);
    void ResumePane(int pane);

    // Mouse on a receive pane. button and shift as the platform reports them: buttons 1 left,
    // 2 right, 4 middle; shift 1 Shift, 2 Ctrl, 4 Alt.
    void Display_MouseDown(int pane, int button, int shift, QPoint at);
    void Display_Click(int pane);
    void Display_DblClick(int pane);
    // What the last presses and clicks on the panes left: the pane menu's pane, whether the
    // menu has just closed, Alt held for a selection into QTH, and per pane the caret position
    // and text colour of the last plain click. Start-up clears the first three.
    void ClearPaneMouseState();
    int PopupPane() const { return popupPane_; }
    bool PopupActive() const { return popupActive_; }
    bool AltSelectToQTH() const { return altSelectToQTH_; }
    int ClickPosition(int pane) const;
    int ClickColor(int pane) const;
    // Word capture into the QSO fields (QsoFields.cpp).
    void SelectClickedWord(int pane, int clickPosition, int clickColor);
    void popClear_Click();
    void popSave_Click();
    void SaveFile(int pane);

    bool TooltipsEnabled() const;

    // Colours are stored as red + 256 * green + 65536 * blue.
    static QColor ToQColor(int value);
    static int FromQColor(const QColor& c);

private:
    // Per pane.
    bool PaneEnabled[3]{};
    int PaneLastSource[3] = {0, 1, 2};
    int PendingLineEnd[3]{};
    // Callsign, OperatorName, QTH, RSTsent, RSTreceived, GridSquare of each pane.
    QString PaneQSOFields[3][6];
    // The last mouse press on each pane.
    float MouseX[3]{}, MouseY[3]{};
    int MouseButton[3]{}, MouseShift[3]{};

    QString SaveFileDirectory;

    void colorPanelID(int pane);
    int readColor(const QString& key, int defaultValue);

    void applyKeyboardLook();

    TonedeckApp& app_;
    common::Tooltips tooltips_;
    int activePane_ = 0;
    int insertColor_[3] = {0xFFFF, 0xFF00, 0xFFFF00};
    bool paneSuspended_[3]{};
    int popupPane_ = 0;
    bool popupActive_ = false;
    bool altSelectToQTH_ = false;
    int clickPosition_[3]{};
    int clickColor_[3]{};
    int receivePaneColor_[3] = {0xFFFF, 0xFF00, 0xFFFF00};
    int paneBackgroundColor_[3]{};
    int transmittedTextColor_ = 0xFFFFFF;
    int selectedPanelIDFontColor_ = 0xFF;
    int keyboardColor_ = 0;
    int keyboardBackgroundColor_ = 0xFFFFFF;
};

} // namespace mainwindow
