#pragma once
// The QSO fields of the main window: their events (navigation keys, callsign lookups, the start
// of a contact, the band following the frequency, clearing and logging), and what the minilog
// and the macro language read and do through them.
#include <log/PSKMinilog.h>
#include <macros/MacroLanguage.h>
#include <QObject>

namespace mainwindow {

class TonedeckApp;

class QsoFields : public QObject, public minilog::MinilogHost, public macros::MacroHost {
    Q_OBJECT
public:
    explicit QsoFields(TonedeckApp& app);
    // Wires the fields' events; the application's modules must all exist.
    void Connect();

    // The band list, filled once at start-up.
    void InitializeBandCombo();
    void SelectBand(const QString& bandName);
    void UpdateBandFromFrequency();
    // A callsign typed (Enter) or captured: the logging program checks it, the DX lookup
    // program looks it up for the active channel, and the focus returns to the transmit pane.
    void CallsignEntered(const QString& callsign);
    void ShowGrid(const QString& grid);
    void LogCmd_Click(Qt::KeyboardModifiers modifiers);

    // MinilogHost.
    const minilog::QsoControls& qsoControls() const override { return controls_; }
    bool pskModeSelected() const override;
    QString receiveFrequencyCaption() const override;
    int transmitModulation() const override;
    int activeChannel() const override;
    void startIdentificationReminder(int channel) override;
    void endIdentificationReminder(int channel) override;
    void setFieldNeedsAttention(int index, bool on) override;
    // Whether label index 0..8 blinks: the last log attempt found its field missing.
    bool FieldNeedsAttention(int index) const {
        return index >= 0 && index <= 8 && fieldNeedsAttention_[index];
    }
    void focusTransmitPane() override;
    void recordLogged(const QString& record) override;

    // MacroHost.
    QString field(Field which) const override;
    bool slashedZeroShown() const override;
    QDateTime utcNow() const override;
    void logQso() override;
    void clearQso() override;
    void advanceTXSerialNumber() override;
    void macroError(int macroNumber, const QString& message) override;
    void reportError(int errorNumber, const QString& where) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TonedeckApp& app_;
    minilog::QsoControls controls_;
    bool fieldNeedsAttention_[9]{};
};

} // namespace mainwindow
