#pragma once
// The minilog: an ADIF file per operator callsign beside the program, the checks made before a
// contact is logged, the clearing of the QSO fields, the contest serial number, and the start
// time of the contact on each receive channel.
#include "Adif.h"
#include <QDateTime>
#include <QString>

class QComboBox;
class QLabel;
class QLineEdit;

namespace common {
class Common;
}
namespace dde {
class PSKDDEClient;
}
namespace platform {
struct Services;
}
namespace setup {
class TonedeckSetup;
}

namespace minilog {

// The main window's QSO fields.
struct QsoControls {
    QLineEdit* Callsign = nullptr;
    QLineEdit* OperatorName = nullptr;
    QLineEdit* QTH = nullptr;
    QLineEdit* RSTsent = nullptr;
    QLineEdit* RSTreceived = nullptr;
    QLineEdit* QSOFrequency = nullptr;
    QComboBox* BandCombo = nullptr;
    QLineEdit* RXSerialNumber = nullptr;
    QLineEdit* GridSquare = nullptr;
};

// What the minilog needs of the main window and the transceivers.
class MinilogHost {
public:
    virtual ~MinilogHost() = default;
    virtual const QsoControls& qsoControls() const = 0;
    virtual bool pskModeSelected() const = 0;
    // The receive-frequency display of the mode selected, in kHz.
    virtual QString receiveFrequencyCaption() const = 0;
    // 0 BPSK, 1 QPSK USB, 2 QPSK LSB, 3 tune, 4 tune ID.
    virtual int transmitModulation() const = 0;
    virtual int activeChannel() const = 0;
    virtual void startIdentificationReminder(int channel) = 0;
    // Resets the channel's reminder and hides its indicator.
    virtual void endIdentificationReminder(int channel) = 0;
    // Label i of the QSO fields blinks while set; clearing shows it again.
    virtual void setFieldNeedsAttention(int index, bool on) = 0;
    virtual void focusTransmitPane() = 0;
    // A record has just been appended to the log file (loggers listening on UDP get it too).
    virtual void recordLogged(const QString& /*record*/) {}
};

class PSKMinilog {
public:
    PSKMinilog(MinilogHost& host, setup::TonedeckSetup& setup, dde::PSKDDEClient& dde,
               platform::Services& services, common::Common& common);

    void Initialize();
    void SaveSettings();
    void CreateNewLog();
    void ClearLog();
    bool ValidQSOInfo();
    // False when the log file could not be written (the operator has been told).
    bool LogQSO(int channel);
    void ClearQSOInfo();
    void AdvanceTXSerialNumber();
    void StartQSO(int channel);
    void EndQSO(int channel);
    // The log button and Ctrl+L: check, log, then clear and advance only when the record is in
    // the file, so that a contact is never lost.
    void LogButton();

    QString LogFileName() const { return logFileName_; }
    bool QSOStarted(int channel) const;
    QDateTime QSOStartTime(int channel) const;
    bool InvalidField(int index) const;

private:
    QString version() const;
    double receiveFrequencyMHz() const;

    MinilogHost& host_;
    setup::TonedeckSetup& setup_;
    dde::PSKDDEClient& dde_;
    platform::Services& services_;
    common::Common& common_;
    QString logFileName_;
    QString record_;
    bool started_[3]{};
    QDateTime startTime_[3];
    std::array<bool, 9> invalid_{};
    bool settingsFollowed_ = false;
};

} // namespace minilog
