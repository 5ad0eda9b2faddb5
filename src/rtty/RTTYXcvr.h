#pragma once
// The RTTY side as the main window drives it: the soundcard engine and the external modem.
// Until those paths exist, there is nothing to enable and no engine ever runs; a test can
// substitute its own to exercise the main window's handling of a running engine.

namespace rtty {

class RTTYXcvr {
public:
    virtual ~RTTYXcvr() = default;
    virtual void Initialize() {}
    virtual void Enable() {}
    virtual void Disable() {}
    // External modem, then the soundcard engine.
    virtual void Shutdown() {}
    virtual bool MMTTYRunning() const { return false; }
    // Whether the soundcard engine's window still exists (polled while the program ends).
    virtual bool MMTTYWindowExists() const { return false; }
    // A receive pane clicked in RTTY mode chooses the path that transmits.
    virtual void SelectPane(int pane) { (void)pane; }
    // Transmission on the chosen path; dropped when it is not running.
    virtual void StartTransmit() {}
    virtual void StopTransmit() {}
    virtual void AbortTransmit() {}
    virtual void SendCharacter(int code) { (void)code; }
    // A fed character: false while the chosen path has no room for it, so that the feed keeps
    // it for later.
    virtual bool TransmitCharacter(int code) {
        SendCharacter(code);
        return true;
    }
    // Whether a path is chosen and running: without one a feed has nowhere to go.
    virtual bool CanTransmit() const { return false; }
    virtual bool Transmitting() const { return false; }
};

} // namespace rtty
