#include "QsoFields.h"
#include "TonedeckApp.h"
#include "TransmitPane.h"
#include "WordCapture.h"
#include <common/Convert.h>
#include <common/UTC.h>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>

namespace mainwindow {

namespace {
constexpr int kEnter = 13;
constexpr int kShiftAlt = 4;
} // namespace

QsoFields::QsoFields(TonedeckApp& app) : app_(app) {
    const TonedeckMain& m = app.main;
    controls_ = {m.Callsign,  m.OperatorName,   m.QTH,
                 m.RSTsent,   m.RSTreceived,    m.QSOFrequency,
                 m.BandCombo, m.RXSerialNumber, m.GridSquare};
}

void QsoFields::Connect() {
    TonedeckMain& m = app_.main;
    for (QWidget* w : {static_cast<QWidget*>(m.Callsign), static_cast<QWidget*>(m.OperatorName),
                       static_cast<QWidget*>(m.QTH), static_cast<QWidget*>(m.RSTsent),
                       static_cast<QWidget*>(m.RSTreceived), static_cast<QWidget*>(m.QSOFrequency),
                       static_cast<QWidget*>(m.BandCombo), static_cast<QWidget*>(m.RXSerialNumber),
                       static_cast<QWidget*>(m.GridSquare)})
        w->installEventFilter(this);
    connect(m.QSOFrequency, &QLineEdit::textChanged, this, &QsoFields::UpdateBandFromFrequency);
    connect(m.ClearQSOInfoCmd, &QPushButton::clicked, this,
            [this] { app_.minilog.ClearQSOInfo(); });
    connect(m.LogCmd, &QPushButton::clicked, this,
            [this] { LogCmd_Click(QApplication::queryKeyboardModifiers()); });
}

void QsoFields::InitializeBandCombo() {
    QComboBox* band = app_.main.BandCombo;
    band->clear();
    for (int i = 0; i < kBandCount; ++i)
        band->addItem(BandName(i));
    band->setCurrentIndex(-1);
}

void QsoFields::SelectBand(const QString& bandName) {
    app_.main.BandCombo->setCurrentIndex(app_.main.BandCombo->findText(bandName));
}

void QsoFields::UpdateBandFromFrequency() {
    common::guard(app_.common, "TonedeckMain.UpdateBandFromFrequency", [&] {
        double kHz = 0;
        try {
            kHz = common::parseDouble(app_.main.QSOFrequency->text());
        } catch (const common::RuntimeError&) {
            return; // not a number: the band stays as it was
        }
        SelectBand(BandName(BandIndexForFrequency(kHz)));
    });
}

void QsoFields::CallsignEntered(const QString& callsign) {
    app_.dde.SendCheck(callsign);
    app_.dde.Lookup(callsign, activeChannel());
    focusTransmitPane();
}

void QsoFields::ShowGrid(const QString& grid) {
    app_.dde.SendShowGrid(grid);
}

void QsoFields::LogCmd_Click(Qt::KeyboardModifiers modifiers) {
    common::guard(app_.common, "TonedeckMain.LogCmd_Click", [&] {
        const auto shifts = modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
        if (shifts == Qt::ControlModifier) {
            if (app_.services.dialogs.messageBox(
                    QStringLiteral("clear the minilog?"), app_.common.productName(),
                    platform::Dialogs::OkCancel) == platform::Dialogs::ResultOk)
                app_.minilog.ClearLog();
        } else {
            app_.minilog.LogButton();
        }
        focusTransmitPane();
    });
}

bool QsoFields::eventFilter(QObject* watched, QEvent* event) {
    TonedeckMain& m = app_.main;
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == m.RSTreceived) app_.minilog.StartQSO(activeChannel());
        const int ascii = TransmitPane::KeyAscii(*key);
        if (ascii <= 0) return false;
        bool handled = false;
        m.Navigate(ascii, handled);
        if (handled) return true;
        if (watched == m.Callsign && ascii == kEnter) {
            CallsignEntered(m.Callsign->text());
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == m.Callsign && !m.Callsign->text().isEmpty())
            app_.dde.Lookup(m.Callsign->text(), activeChannel());
        if (watched == m.GridSquare && IsGridSquare(m.GridSquare->text()))
            ShowGrid(m.GridSquare->text());
    }
    return false;
}

bool QsoFields::pskModeSelected() const {
    return app_.main.ModeButton[0]->isChecked();
}

// The RTTY receive-frequency display arrives with the RTTY paths; until then an RTTY contact
// is logged without a frequency.
QString QsoFields::receiveFrequencyCaption() const {
    return pskModeSelected() ? app_.main.RXFreq->text() : QString();
}

int QsoFields::transmitModulation() const {
    return app_.xcvr.GetTransmitModulation();
}

int QsoFields::activeChannel() const {
    return app_.xcvr.ActiveChannel();
}

void QsoFields::startIdentificationReminder(int channel) {
    app_.xcvr.ResetIdentificationReminder(channel);
    app_.main.PskTimers.IdentificationTimer[channel].start();
}

void QsoFields::endIdentificationReminder(int channel) {
    app_.xcvr.ResetIdentificationReminder(channel);
    app_.main.XmitStatus[channel]->setVisible(false);
}

void QsoFields::setFieldNeedsAttention(int index, bool on) {
    common::checkIndex(index, 0, 8);
    fieldNeedsAttention_[index] = on;
    if (!on) app_.main.QSOLabel[index]->setVisible(true);
}

void QsoFields::recordLogged(const QString& record) {
    app_.adifUdp.Send(record);
}

void QsoFields::focusTransmitPane() {
    app_.main.Keyboard->setFocus();
}

QString QsoFields::field(Field which) const {
    const TonedeckMain& m = app_.main;
    const auto& s = app_.setupDialog;
    switch (which) {
    case Field::MyCall:
        return s.MyCallsign->text();
    case Field::Callsign:
        return m.Callsign->text();
    case Field::Name:
        return m.OperatorName->text();
    case Field::QTH:
        return m.QTH->text();
    case Field::Grid:
        return m.GridSquare->text();
    case Field::RSTsent:
        return m.RSTsent->text();
    case Field::RSTreceived:
        return m.RSTreceived->text();
    case Field::PeakIMD:
        return m.PeakIMD->text();
    case Field::Frequency:
        return m.QSOFrequency->text();
    case Field::Band:
        return m.BandCombo->currentText();
    case Field::TransmitPower:
        return s.TransmitPower->text();
    case Field::RXSerialNumber:
        return m.RXSerialNumber->text();
    case Field::TXSerialNumber:
        return s.TXSerialNumber->text();
    case Field::ContestID:
        return s.ContestID->text();
    }
    return QString();
}

bool QsoFields::slashedZeroShown() const {
    return app_.setupDialog.SlashZeroCheckbox->isChecked();
}

QDateTime QsoFields::utcNow() const {
    return common::UTC(app_.services.clock).NowDateTime();
}

void QsoFields::logQso() {
    app_.minilog.LogQSO(activeChannel());
}

void QsoFields::clearQso() {
    app_.minilog.ClearQSOInfo();
}

void QsoFields::advanceTXSerialNumber() {
    app_.minilog.AdvanceTXSerialNumber();
}

void QsoFields::macroError(int macroNumber, const QString& message) {
    app_.macros.MacroError(macroNumber, message);
}

void QsoFields::reportError(int errorNumber, const QString& where) {
    app_.common.ReportError(errorNumber, where);
}

// Word capture, on a double click in a receive pane.
void PSKDisplay::SelectClickedWord(int pane, int clickPosition, int clickColor) {
    common::guard(app_.common, "PSKDisplay.SelectClickedWord", [&] {
        common::checkIndex(pane, 0, 2);
        if (!PaneEnabled[pane]) return;
        TonedeckMain& m = app_.main;
        const QString word = ClickedWord(m.Display[pane]->toPlainText(), clickPosition);
        if (word.isEmpty()) return;
        CaptureOptions options;
        options.alt = MouseShift[pane] == kShiftAlt;
        options.contest = app_.setupDialog.ContestMode();
        options.slashedZero = app_.setupDialog.SlashZeroCheckbox->isChecked();
        options.ownText = clickColor == transmittedTextColor_;
        const Capture c = ClassifyWord(word, options);
        const int channel = app_.xcvr.ActiveChannel();
        QsoFields& qso = app_.qso;
        switch (c.field) {
        case Capture::None:
            return;
        case Capture::QTH:
            m.QTH->setText(c.value);
            break;
        case Capture::RXSerialNumber:
            m.RXSerialNumber->setText(c.value);
            break;
        case Capture::RSTsent:
            m.RSTsent->setText(c.value);
            break;
        case Capture::RSTreceived:
            m.RSTreceived->setText(c.value);
            break;
        case Capture::OperatorName:
            m.OperatorName->setText(c.value);
            break;
        case Capture::GridSquare:
            m.GridSquare->setText(c.value);
            qso.ShowGrid(c.value);
            break;
        case Capture::Callsign:
            m.Callsign->setText(c.value);
            qso.CallsignEntered(c.value);
            break;
        }
        // A word of the other station's begins the contact on this channel.
        if (!options.ownText) app_.minilog.StartQSO(channel);
    });
}

} // namespace mainwindow
