#pragma once
// The soundcard RTTY path as the main window drives it: MMTTYModule with its panel, hosted by
// the application's windows and modules. It also owns the engine process, so that a program
// that is closing never waits on an engine that is gone or will not go.
#include <functional>
#include <memory>
#include <QElapsedTimer>
#include <QProcess>

#include <rtty/MMTTYModule.h>
#include <rtty/MMTTYPanel.h>
#include <rtty/RTTYXcvr.h>

namespace mainwindow {
class TonedeckApp;
}

namespace app {

class SoundcardRtty : public rtty::RTTYXcvr, public rtty::MMTTYHost {
public:
    SoundcardRtty() = default;
    ~SoundcardRtty() override;
    // Builds the panel and the module on the application's windows; before Form_Load.
    void Attach(mainwindow::TonedeckApp& app);
    rtty::MMTTYModule* module() { return module_.get(); }
    const rtty::MMTTYModule* module() const { return module_.get(); }
    rtty::MMTTYPanel* panel() { return panel_.get(); }
    // Hooks for the external modem beside the engine.
    void setModemShutdownPending(std::function<bool()> f) { modemShutdownPending_ = std::move(f); }
    void setTransceiverIsLsb(std::function<bool()> f) { transceiverIsLsb_ = std::move(f); }
    void setPanelsChanged(std::function<void()> f) { panelsChanged_ = std::move(f); }
    bool engineModeIsFsk() const;
    qint64 enginePid() const { return process_ ? process_->processId() : 0; }

    // RTTYXcvr
    void Initialize() override;
    void Enable() override;
    void Disable() override;
    void Shutdown() override;
    bool MMTTYRunning() const override { return module_ && module_->Running(); }
    bool MMTTYWindowExists() const override;

    // How long a closing engine gets before it is ended.
    static constexpr int kCloseGraceMs = 3000;

    // MMTTYHost
    platform::MessageWindow& mainWindow() override;
    platform::SettingsStore& settings() override;
    void messageBox(const QString& text) override;
    QString programDirectory() const override;
    bool startProcess(const QString& program, const QStringList& args) override;
    bool rttyModeSelected() const override;
    void setRttyModeButtonEnabled(bool on) override;
    void append(int pane, int character, int colour) override;
    void appendNewline(int pane) override;
    int paneColor(int pane) const override;
    int transmittedTextColor() const override;
    int pttMode() const override;
    int pttPort() const override;
    void setSinglePttModesEnabled(bool on) override;
    QString qsoFrequency() const override;
    bool transceiverIsLsb() const override;
    void focusKeyboard() override;
    bool charHandlerLocked() const override;
    // The rig-control companion: "transmit"/"receive" around a transmission keyed through
    // it, and the dial of the optimal-offset button.
    void transceiverCommand(const QString& command) override;
    void tuneTransceiver(double kHz) override;
    void qsoFrequencyChanged() override;
    void transmissionEnded() override;
    int waterfallColor(int value) const override;
    int spectrumColor() const override;
    int soundInputCount() const override;
    QString soundInputName(int index) const override;
    void processEvents() override;
    void engineLost() override;
    bool modemShutdownPending() const override {
        return modemShutdownPending_ && modemShutdownPending_();
    }
    void enginePathChanged() override {
        if (panelsChanged_) panelsChanged_();
    }
    bool engineExists() const override { return MMTTYWindowExists(); }
    bool engineProcessRunning() const override {
        return process_ && process_->state() != QProcess::NotRunning;
    }

private:
    mainwindow::TonedeckApp* app_ = nullptr;
    std::unique_ptr<rtty::MMTTYPanel> panel_;
    std::unique_ptr<rtty::MMTTYModule> module_;
    std::unique_ptr<QProcess> process_;
    QElapsedTimer closing_; // since the close request
    std::function<bool()> modemShutdownPending_, transceiverIsLsb_;
    std::function<void()> panelsChanged_;
};

} // namespace app
