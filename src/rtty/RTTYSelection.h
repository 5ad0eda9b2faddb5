#pragma once
// Which RTTY path is in use: the soundcard engine (receive pane 0) or the external modem
// (pane 1). The selection splits the RTTY receive area, titles the transmit frame, routes the
// transmit commands, and keeps the transceiver's mode and dial frequency consistent with the
// path in use.
#include <QString>

namespace rtty {

// The transceiver-control program's link as the RTTY side uses it: the "xcvrfreqmode"
// command (dial frequency in kHz and mode name together).
class TransceiverLink {
public:
    virtual ~TransceiverLink() = default;
    virtual bool connected() const = 0;
    virtual void xcvrFreqMode(const QString& kHz, const QString& mode) = 0;
};

// One RTTY path as the selection drives it.
class RTTYPath {
public:
    virtual ~RTTYPath() = default;
    virtual bool running() const = 0;
    virtual int xcvrMode() const = 0; // 0 LSB (audio FSK), 1 RTTY (direct FSK)
    virtual void updateReceiveFrequency() = 0;
    virtual void startTransmit() = 0;
    virtual void stopTransmit() = 0;
    virtual void abortTransmit() = 0;
    virtual void sendCharacter(int code) = 0;
    // Whether the path takes another character now (its transmit queue is bounded).
    virtual bool hasRoom() const { return true; }
    virtual void sendIdentification() {}
    virtual bool hasIdCommand() const { return false; }
    virtual QString caption() const = 0; // "soundcard", or the modem's model
};

// The window and the transceiver-control link around the selection.
class RTTYSelectionHost {
public:
    virtual ~RTTYSelectionHost() = default;
    // Shares of the RTTY receive area, pane 0 and pane 1.
    virtual double paneShare(int pane) const = 0;
    virtual void setPaneShares(double pane0, double pane1) = 0;
    virtual void selectReceivePane(int pane) = 0; // PSKDisplay.SetReceivePane
    virtual void showFrames(bool on) = 0;         // RTTYTransmitFrame, RTTYReceiveFrame
    virtual void setTransmitCaption(const QString& caption) = 0;
    virtual void setIdVisible(bool on) = 0; // RTTYIdCmd, RTTYIdLabel
    virtual void relayout() {}              // AdjustWindowControls, DrawFrequencyScale
    virtual QString qsoFrequency() const = 0;
    virtual QString offsetText(int mode) const = 0; // RTTYModeOffset(mode)
    virtual void saveOffset(int mode, const QString& text) = 0;
    virtual int activeChannel() const { return 0; } // PSKXcvr.ActiveChannel
    // The transceiver-control program: mode and dial frequency together. Nothing happens
    // while no such program is connected.
    virtual bool transceiverLinked() const { return false; }
    virtual void transceiverModeAndFrequency(const QString& mode, const QString& kHz) = 0;
    virtual void setOptimalOffsetEnabled(bool on) = 0; // RTTYOptimalOffsetCmd
};

class RTTYSelection {
public:
    static constexpr int kEnginePane = 0, kModemPane = 1;

    RTTYSelection(RTTYSelectionHost& host, RTTYPath& engine, RTTYPath& modem)
        : host_(host), engine_(engine), modem_(modem) {}

    void Initialize();
    void UpdatePanels();
    void SelectPane(int pane);
    void UpdateMode();
    void UpdateXCVRMode(int newMode, int oldMode);
    void SaveOffsets();
    void StartTransmit();
    void StopTransmit();
    void AbortTransmit();
    void SendIdentification();
    void SendCharacter(int code);
    // SendCharacter for a feed: false, and nothing sent, while the path has no room.
    bool TransmitCharacter(int code);
    bool CanTransmit() const { return activePath() != nullptr; }

    bool IsLSB() const { return XcvrMode == 0; }
    int xcvrMode() const { return XcvrMode; }
    int activePane() const { return ActivePane; }

    // The dial frequency after a change of mode: the new mode's offset replaces the old one's.
    static double retunedKHz(const QString& qso, const QString& oldOffset, const QString& newOffset,
                             bool oldKnown);

private:
    RTTYPath* activePath() const;
    void applyMode(bool withCaption);

    RTTYSelectionHost& host_;
    RTTYPath& engine_;
    RTTYPath& modem_;
    int ActivePane = kEnginePane;
    int XcvrMode = -1;
};

} // namespace rtty
