#pragma once
// Both RTTY paths as the main window drives them: the soundcard engine (pane 0) and the
// external modem (pane 1), with the selection that decides which one transmits. The modem's
// setup controls and the RTTY panel's buttons are wired here.
#include <memory>

#include "SoundcardRtty.h"
#include <rtty/RTTYModemModule.h>
#include <rtty/RTTYSelection.h>

namespace app {

class RttyPaths : public rtty::RTTYXcvr,
                  public rtty::RTTYModemHost,
                  public rtty::RTTYSelectionHost {
public:
    RttyPaths();
    ~RttyPaths() override;
    void Attach(mainwindow::TonedeckApp& app);
    SoundcardRtty& soundcard() { return soundcard_; }
    rtty::RTTYModemModule* modem() { return modem_.get(); }
    rtty::RTTYSelection* selection() { return selection_.get(); }
    // The transceiver-control program; Attach links the companion client's, and without one
    // nothing is retuned.
    void setTransceiverLink(rtty::TransceiverLink* link) { link_ = link; }

    // RTTYXcvr
    void Initialize() override;
    void Enable() override;
    void Disable() override;
    void Shutdown() override;
    bool MMTTYRunning() const override { return soundcard_.MMTTYRunning(); }
    bool MMTTYWindowExists() const override { return soundcard_.MMTTYWindowExists(); }
    void SelectPane(int pane) override;
    void StartTransmit() override;
    void StopTransmit() override;
    void AbortTransmit() override;
    void SendCharacter(int code) override;
    bool TransmitCharacter(int code) override;
    bool CanTransmit() const override;
    bool Transmitting() const override;

    // RTTYModemHost
    platform::SettingsStore& settings() override;
    void messageBox(const QString& text) override;
    QString myCallsign() const override;
    QDateTime utcNow() const override;
    QString modemFolder() const override;
    bool rttyModeSelected() const override;
    void setRttyModeButtonEnabled(bool on) override;
    bool engineShutdownPending() const override;
    void setEnabledBox(bool checked) override;
    void setEnabledBoxEnabled(bool on) override;
    void append(int pane, int character, int colour) override;
    void appendNewline(int pane) override;
    int paneColor(int pane) const override;
    int transmittedTextColor() const override;
    void showTransmitting(bool on) override;
    void transmissionEnded() override;
    void updatePanels() override;
    bool charHandlerLocked() const override;
    QString qsoFrequency() const override;
    void showFrequencies(const QString& receive, const QString& transmit) override;

    // RTTYSelectionHost
    double paneShare(int pane) const override;
    void setPaneShares(double pane0, double pane1) override;
    void selectReceivePane(int pane) override;
    void showFrames(bool on) override;
    void setTransmitCaption(const QString& caption) override;
    void setIdVisible(bool on) override;
    void relayout() override;
    QString offsetText(int mode) const override;
    void saveOffset(int mode, const QString& text) override;
    int activeChannel() const override;
    bool transceiverLinked() const override { return link_ && link_->connected(); }
    void transceiverModeAndFrequency(const QString& mode, const QString& kHz) override;
    void setOptimalOffsetEnabled(bool on) override;

private:
    class EnginePath;
    class ModemPath;
    class CompanionLink;
    void connectSetup();
    void fillModels();
    void fillChoices();
    template <class F> void quietly(F&& f);

    SoundcardRtty soundcard_;
    mainwindow::TonedeckApp* app_ = nullptr;
    std::unique_ptr<rtty::RTTYModemModule> modem_;
    std::unique_ptr<EnginePath> enginePath_;
    std::unique_ptr<ModemPath> modemPath_;
    std::unique_ptr<rtty::RTTYSelection> selection_;
    std::unique_ptr<rtty::TransceiverLink> companion_;
    rtty::TransceiverLink* link_ = nullptr;
    bool ignoring_ = false; // the program itself is setting the modem's controls
    bool updating_ = false;
};

} // namespace app
