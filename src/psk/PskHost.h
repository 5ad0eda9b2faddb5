#pragma once
// What the PSK side needs from the main window it runs in. The main window owns these timers
// and controls; the PSK module drives them through this interface, so that it does not depend
// on the window's code.
#include <QString>
#include <QTimer>

namespace platform {
class MessageWindow;
}

namespace psk {

// The main window's timers that the PSK side arms and sets up.
struct PskTimers {
    QTimer DataTimer;
    QTimer CharTimer[4];
    QTimer StatusTimer;
    QTimer IMDTimer;
    QTimer ReceiveStatusTimer;
    QTimer IMDBlankingTimer;
    QTimer IdentificationTimer[3];
};

class PskHost {
public:
    virtual ~PskHost() = default;
    virtual platform::MessageWindow& messageWindow() = 0;
    virtual PskTimers& pskTimers() = 0;
    // The small receive status indicator: colour (red = 255), tooltip, visibility.
    virtual void showReceiveStatus(int color, const QString& tooltip) = 0;
    virtual void hideReceiveStatus() = 0;
    virtual bool pskModeSelected() const = 0;
    // The PSK controls shown while the PSK side is enabled.
    virtual void setPskControlsVisible(bool visible) = 0;
    virtual void setIdentificationLabelsVisible(bool visible) = 0;
    // Transmit and receive indications of the window.
    virtual void showTransmitState(bool transmitting) = 0;
    // The operator's callsign field of the setup dialog.
    virtual QString myCallsign() const = 0;
    virtual void setMyCallsign(const QString& call) = 0;
};

} // namespace psk
