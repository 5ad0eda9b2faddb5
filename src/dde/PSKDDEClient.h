#pragma once
// The link to the companion programs: 0 rig control ("RW"), 1 logger ("LGV"), 2 "CS",
// 3 DX lookup ("GSC"), 4 "CB". Opens their links, sends them commands, tracks which are
// connected (shown after the main window's title) and retries a lost connection once, 5 s
// later, on the main window's ServerRetryTimer.
//
// Every command is sent only while its program is connected; a command that fails (server gone,
// no answer within a second) marks the program disconnected, which schedules the one retry.
// No message is shown for any of this.
#include "DDEClient.h"
#include <array>
#include <functional>
#include <memory>
#include <QDBusConnection>
#include <QString>

class QLineEdit;
class QTimer;

namespace common {
class Common;
}

namespace dde {

// What the client needs from the main window.
struct DDEHost {
    QLineEdit* QSOFrequency = nullptr; // follows the rig's "FreqDisplay"
    QTimer* ServerRetryTimer = nullptr;
    std::function<void(bool)> SetOptimalOffsetEnabled;
    // The codes of the connected programs, joined by ","; empty for none.
    std::function<void(const QString&)> ShowConnectedCodes;
    std::function<bool()> ShuttingDown;
    std::function<void(const QString&)> LogEvent;
};

// The five texts a lookup fills for a receive channel.
struct DXCCInfo {
    QString DXCCID, DXCCPrefix, Cont, CQ, ITU;
};

class PSKDDEClient {
public:
    static constexpr int kPrograms = 5;
    static constexpr int kRigControl = 0, kLogger = 1, kDXLookup = 3;
    static const char* const kCodes[kPrograms];

    PSKDDEClient(DDEHost host, common::Common& common,
                 const QDBusConnection& bus = QDBusConnection::sessionBus());
    ~PSKDDEClient();
    PSKDDEClient(const PSKDDEClient&) = delete;
    PSKDDEClient& operator=(const PSKDDEClient&) = delete;

    // At start-up: the hidden window with the "DDEClient" topic, then programs 0, 3 and 1.
    void Initialize();
    // At shut-down: every link closed, the topic withdrawn.
    void Shutdown();

    // Opens the program's links; marks it connected when all opened (programs 2 and 4 have none).
    void Connect(int program);
    bool Connected(int program) const;
    void SetConnected(int program, bool state);
    // The tick of ServerRetryTimer: the scheduled reconnections.
    void ServerRetryTimer_Timer();

    // Commands. Each returns whether the program took it (false when it is not connected, the
    // command failed, or the program refused it).
    bool SendTransmit();      // "000transmit"
    bool SendReceive();       // "000receive"
    bool SendQSY(double kHz); // "000qsy14069.7"
    bool SendXcvrFreqMode(
        const QString& xcvrfreq,
        const QString& xcvrmode); // "000xcvrfreqmode<xcvrfreq:9>14070.000<xcvrmode:3>USB"
    bool SendLog(const QString& adifRecord); // "001log" and the record ending in "<EOR>"
    bool SendCheck(const QString& callsign); // "001check" and the callsign
    bool SendShowGrid(const QString& grid);  // "003showgrid" and the grid square
    // "003lookup" and the callsign, then the channel (0..2) keeps the five DXCC texts; all empty
    // when the DX lookup program is not connected.
    void Lookup(const QString& callsign, int channel);
    const DXCCInfo& LookupInfo(int channel) const;

    // The codes of the connected programs, "RW,GSC".
    QString ConnectedCodes() const;
    // The hidden window (null before Initialize and after Shutdown).
    DDEClient* Window() { return window_.get(); }
    bool RetryPending(int program) const;

private:
    bool send(int program, const QString& word, const QString& argument = QString());
    // Closes the program's links without treating it as a lost connection.
    void closeLinks(int program);
    void lost(int program);
    bool announcement(const QString& topic, const QString& command);

    DDEHost host_;
    common::Common& common_;
    QDBusConnection bus_;
    std::unique_ptr<DDEClient> window_;
    std::array<bool, kPrograms> connected_{};
    std::array<bool, kPrograms> connectScheduled_{};
    std::array<bool, kPrograms> retryPending_{};
    std::array<bool, kPrograms> retryDone_{};
    std::array<DXCCInfo, 3> lookup_{};
};

} // namespace dde
