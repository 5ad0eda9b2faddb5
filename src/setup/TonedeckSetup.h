#pragma once
// The setup dialog. It lives, hidden or shown, for the whole run: the modules read its controls
// at the moment of use, and its handlers pass each change to the module that owns the setting.
//   TonedeckSetup.cpp         life cycle, General tab, contest mode, this dialog's own settings
//   TonedeckSetupHandlers.cpp what the PTT, Soundcard PSK and Display controls forward
//   TonedeckSetupModem.cpp    the External RTTY Modem tab's settings
#include "DisplayLook.h"
#include "TonedeckSetupForm.h"
#include <functional>
#include <memory>

namespace common {
class Common;
class TonedeckInfo;
} // namespace common
namespace platform {
class SettingsStore;
class Dialogs;
struct Services;
} // namespace platform
namespace psk {
class PSKXcvr;
}

namespace setup {

class TonedeckSetup : public TonedeckSetupForm {
    Q_OBJECT
public:
    explicit TonedeckSetup(QWidget* parent = nullptr);
    ~TonedeckSetup() override;

    // Position keys "TonedeckSetupLeft" and "TonedeckSetupTop" in section "General".
    static constexpr const char* kPositionPrefix = "TonedeckSetup";
    // Shows the dialog where it was last closed; a stored position that is not a number throws
    // (13) after showing it where the platform puts it.
    void ShowAtStoredPosition();
    // The information window (AboutCmd), created when first asked for.
    void AboutCmd_Click();
    common::TonedeckInfo* InformationWindow() const { return info_.get(); }
    // At shut-down: closes the information window, which keeps its place.
    void CloseInformationWindow();

    // Connects the handlers to the modules; before this the controls only hold values.
    void Attach(psk::PSKXcvr& xcvr, common::Common& common, platform::Services& services);
    // The owner of the panes' fonts and colours (the Display tab).
    void AttachDisplay(DisplayLook& look);

    void IgnoreParameterChanges() { ignoring_ = true; }
    void SaveParameterChanges() { ignoring_ = false; }
    bool IgnoringParameterChanges() const { return ignoring_; }

    // Start-up: the help browser, the transmit power and the contest fields from the store
    // (each written back at once, so a missing key appears); shut-down writes them again.
    void InitializeSetupFields();
    void SaveSetupFields();
    // The External RTTY Modem tab from section "RTTYModem": the models in the Modems folder,
    // the switches and the serial line. Each change is stored at once.
    void InitializeRTTYModemFields();

    // Contest mode, read by the macro commands and the minilog.
    bool ContestMode() const { return contestMode_; }
    void SetContestMode(bool on);

    // 0 fast, 1 slow, 2 slider.
    int GetReceiveSquelchSpeed() const;
    // The squelch-speed slider is shown only with the "slider" option.
    void DisplayAppropriateSquelchControls();
    // "de " and the callsign in the previews of the panes.
    void SetSampleTransmitTexts(const QString& text);
    // The help page of each tab.
    static QString HelpPage(int tab);

    // The Display tab's selectors: slider values in their labels, the preview font size, and
    // the selector colour (red + 256 * green + 65536 * blue) shown in the swatch.
    void DisplayColor();
    int SelectorColor() const { return selectorColor_; }
    // Moves the colour sliders to a colour (a click on a preview picks its colours up).
    void SetSelectorColor(int colour);
    // The previews and font selectors show the panes as they are now.
    void LoadDisplayPreviews();
    // The "com n" device fields: the stored mapping, with the ports the system reports listed.
    void LoadSerialDevices();

    void BrowserSelectCmd_Click();
    void ResetTXSerialNumberCmd_Click();

signals:
    void slashedZeroChanged(bool on);
    void tooltipsChanged(bool on);

protected:
    void hideEvent(QHideEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Runs a change handler unless the program itself is setting the controls.
    void handle(const char* name, const std::function<void()>& body);
    void connectGeneral();
    void connectReceiveAndTransmit();
    void connectDisplay();
    void connectSerialDevices();
    void connectRTTYModem();
    // A colour button applies the selector colour to one of the looks.
    void applyColor(LookColor which, int pane);
    // Changes one property of the receive panes' fonts (targets 0..2) or the transmit pane's.
    template <class F> void changeFonts(int first, int last, F&& change);

    psk::PSKXcvr* xcvr_ = nullptr;
    common::Common* common_ = nullptr;
    platform::SettingsStore* settings_ = nullptr;
    platform::Dialogs* dialogs_ = nullptr;
    QString programDir_;
    DisplayLook* look_ = nullptr;
    bool ignoring_ = false;
    bool contestMode_ = false;
    int selectorColor_ = 0;
    std::unique_ptr<common::TonedeckInfo> info_;
};

} // namespace setup
