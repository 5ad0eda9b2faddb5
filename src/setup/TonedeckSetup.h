#pragma once
// The setup dialog. It lives, hidden or shown, for the whole run: the modules read its controls
// at the moment of use, and its handlers pass each change to the module that owns the setting.
#include "TonedeckSetupForm.h"
#include <memory>

namespace common {
class Common;
class TonedeckInfo;
} // namespace common
namespace platform {
class SettingsStore;
}
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
    void Attach(psk::PSKXcvr& xcvr, common::Common& common, platform::SettingsStore& settings);

    void IgnoreParameterChanges() { ignoring_ = true; }
    void SaveParameterChanges() { ignoring_ = false; }
    bool IgnoringParameterChanges() const { return ignoring_; }

    // Contest mode changes word capture, logging and the serial number.
    bool ContestMode() const;
    void SetContestMode(bool on);

    // 0 fast, 1 slow, 2 slider.
    int GetReceiveSquelchSpeed() const;
    // The squelch-speed slider is shown only with the "slider" option.
    void DisplayAppropriateSquelchControls();
    // "de " and the callsign in the previews of the panes.
    void SetSampleTransmitTexts(const QString& text);
    // The help page of each tab.
    static QString HelpPage(int tab);

signals:
    void slashedZeroChanged(bool on);
    void tooltipsChanged(bool on);

protected:
    void hideEvent(QHideEvent* event) override;

private:
    // Runs a change handler unless the program itself is setting the controls.
    template <class F> void handle(const char* name, F&& body);

    psk::PSKXcvr* xcvr_ = nullptr;
    common::Common* common_ = nullptr;
    platform::SettingsStore* settings_ = nullptr;
    bool ignoring_ = false;
    std::unique_ptr<common::TonedeckInfo> info_;
};

} // namespace setup
