// Receive control: the active channel, frequencies and search range, modulation, AFC, squelch
// and the spectrum parameters.
#include "PSKXcvrInternal.h"
#include <common/Convert.h>
#include <common/Format.h>
#include <platform/Services.h>
#include <QAbstractButton>
#include <QAbstractSlider>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

namespace psk {

double PSKXcvr::RcvFreq(int channel) const {
    common::checkIndex(channel, 0, 2);
    return rcvFreq_[channel];
}

int32_t PSKXcvr::RcvFreqBin(int channel) const {
    common::checkIndex(channel, 0, 2);
    return rcvFreqBin_[channel];
}

int PSKXcvr::AFCEnabled(int channel) const {
    common::checkIndex(channel, 0, 2);
    return afcEnabled_[channel];
}

int PSKXcvr::SquelchThreshold(int channel) const {
    common::checkIndex(channel, 0, 2);
    return squelchThreshold_[channel];
}

double PSKXcvr::dialKHz() {
    return common::dialFrequencyKHz(c().QSOFrequency->text());
}

void PSKXcvr::SetActiveChannel(int channel) {
    trap("PSKXcvr.SetActiveChannel", [&] {
        // The channel being worked does not change under a transmission.
        if (transmitting_) return;
        common::checkIndex(channel, 0, 2);
        if (channel != activeChannel_) ResetPeakImd();
        activeChannel_ = channel;
        if (c().TXFreqLock->isChecked()) {
            UpdateTransmitToReceiveFrequency();
            SetTransmitFrequency();
        }
        host_.setReceivePane(channel);
        c().RcvSquelchThresholdDisplay->setText(QString::number(squelchThreshold_[channel]));
        c().RcvAFCEnabledCheckbox->setChecked(afcEnabled_[channel] != 0);
        ClearIMDInfo();
    });
}

void PSKXcvr::SetReceiveFrequency(double hz) {
    trap("PSKXcvr.SetReceiveFrequency", [&] {
        if (!(hz >= 100)) hz = 100; // NaN as well
        if (hz > 3500) hz = 3500;
        SetReceiveFrequencyAndSearchLimit(activeChannel_, hz);
    });
}

void PSKXcvr::SetReceiveFrequencyAndSearchLimit(int channel, double hz) {
    trap("PSKXcvr.SetReceiveFrequencyAndSearchLimit", [&] {
        common::checkIndex(channel, 0, 2);
        engine_.fnSetRXFrequency(common::toInt32(hz), c().RcvSearchLimitSlider->value(), channel);
    });
}

void PSKXcvr::SetReceiveSearchLimits() {
    trap("PSKXcvr.SetReceiveSearchLimits", [&] {
        for (int ch = 0; ch < 3; ++ch)
            SetReceiveFrequencyAndSearchLimit(ch, rcvFreq_[ch]);
    });
}

void PSKXcvr::UpdateReceiveFrequency() {
    trap("PSKXcvr.UpdateReceiveFrequency", [&] {
        c().RXFreq->setText(
            common::formatNumber(dialKHz() + rcvFreq_[activeChannel_] / 1000, u"#,###.000"));
    });
}

QString PSKXcvr::ReceiveModulationName(int index) {
    switch (index) {
    case 0:
        return QStringLiteral("BPSK");
    case 1:
        return QStringLiteral("QPSK USB");
    case 2:
        return QStringLiteral("QPSK LSB");
    default:
        return {};
    }
}

void PSKXcvr::UpdateReceiveModulation(int index) {
    trap("PSKXcvr.UpdateReceiveModulation", [&] {
        common::checkIndex(index, 0, 2);
        rcvModulation_ = index;
        save("Receiver", QStringLiteral("Modulation"), QString::number(index));
        host_.setModeCaptions();
    });
}

void PSKXcvr::SetReceiveModulation() {
    trap("PSKXcvr.SetReceiveModulation", [&] {
        for (int ch = 0; ch < 3; ++ch)
            engine_.fnSetRXPSKMode(rcvModulation_, ch);
    });
}

void PSKXcvr::SetReceiveAFCEnabled(int value) {
    trap("PSKXcvr.SetReceiveAFCEnabled", [&] { afcEnabled_[activeChannel_] = value ? 1 : 0; });
}

void PSKXcvr::SetReceiveAFCLimit() {
    trap("PSKXcvr.SetReceiveAFCLimit", [&] {
        const int limit = c().RcvAFCLimitSlider->value();
        for (int ch = 0; ch < 3; ++ch)
            engine_.fnSetAFCLimit(afcEnabled_[ch] != 0 ? limit : 0, ch);
    });
}

void PSKXcvr::UpdateSquelchThreshold(int channel, double x) {
    trap("PSKXcvr.UpdateSquelchThreshold", [&] {
        common::checkIndex(channel, 0, 2);
        const int width = c().SignalStrengthControl->width();
        if (width <= 0) throw common::RuntimeError(common::err::DivisionByZero);
        const int threshold = std::clamp(common::toInt32(x / width * 99), 0, 99);
        c().RcvSquelchThresholdDisplay->setText(QString::number(threshold));
        squelchThreshold_[channel] = threshold;
        SetReceiveSquelch();
        DisplayRcvSquelchThreshold(channel);
        save("Receiver", QStringLiteral("SquelchThreshold%1").arg(channel),
             QString::number(threshold));
    });
}

void PSKXcvr::SetReceiveSquelch() {
    trap("PSKXcvr.SetReceiveSquelch", [&] {
        int speed = 0;
        switch (checkedOption(c().RcvSquelchSpeedButton, 3)) {
        case 1:
            speed = 1;
            break;
        case 2:
            speed = c().RcvSquelchSpeedSettingSlider->value();
            break;
        default:
            break;
        }
        for (int ch = 0; ch < 3; ++ch)
            engine_.fnSetSquelchThreshold(squelchThreshold_[ch], speed, ch);
    });
}

void PSKXcvr::DisplayRcvSquelchThreshold(int channel) {
    trap("PSKXcvr.DisplayRcvSquelchThreshold", [&] {
        common::checkIndex(channel, 0, 2);
        // The meter is drawn whole, marker included, in one place with one rounding.
        if (channel != activeChannel_) return;
        if (platform::PictureBox* meter = c().SignalStrengthControl)
            TuningDisplay::UpdateSignalStrength(*meter, signalLevel_, squelchThreshold_[channel]);
    });
}

void PSKXcvr::SetReceiveDisplayParameters() {
    trap("PSKXcvr.SetReceiveDisplayParameters", [&] {
        const int contrast = c().RcvClippingSlider->value();
        engine_.fnSetFFTMode(c().RcvSmoothingSlider->value(), 64 * c().RcvIntensitySlider->value(),
                             contrast == 0 ? 1 : 10 * contrast);
    });
}

void PSKXcvr::Replay() {
    trap("PSKXcvr.Replay", [&] { engine_.fnRewindInput(99); });
}

// Changes made in the setup dialog and on the main window.

void PSKXcvr::SoundCardChanged(int buttonIndex) {
    trap("PSKXcvr.SoundCardChanged", [&] {
        common::checkIndex(buttonIndex, 0, 4);
        Disable();
        SetSoundCard(buttonIndex - 1);
        save("SoundCard", QStringLiteral("Soundcard"), QString::number(buttonIndex - 1));
        Enable();
    });
}

void PSKXcvr::ReceiveDisplayParametersChanged() {
    trap("PSKXcvr.ReceiveDisplayParametersChanged", [&] {
        SetReceiveDisplayParameters();
        save("Receiver", QStringLiteral("RcvIntensity"),
             QString::number(c().RcvIntensitySlider->value()));
        save("Receiver", QStringLiteral("RcvContrast"),
             QString::number(c().RcvClippingSlider->value()));
        save("Receiver", QStringLiteral("RcvSmoothing"),
             QString::number(c().RcvSmoothingSlider->value()));
    });
}

void PSKXcvr::ReceiveSearchLimitChanged() {
    trap("PSKXcvr.ReceiveSearchLimitChanged", [&] {
        SetReceiveSearchLimits();
        save("Receiver", QStringLiteral("SearchRange"),
             QString::number(c().RcvSearchLimitSlider->value()));
    });
}

void PSKXcvr::ReceiveAFCLimitChanged() {
    trap("PSKXcvr.ReceiveAFCLimitChanged", [&] {
        SetReceiveSearchLimits();
        SetReceiveAFCLimit();
        save("Receiver", QStringLiteral("AFCLimit"),
             QString::number(c().RcvAFCLimitSlider->value()));
    });
}

void PSKXcvr::ReceiveAFCEnabledChanged(int value) {
    trap("PSKXcvr.ReceiveAFCEnabledChanged", [&] {
        SetReceiveAFCEnabled(value);
        SetReceiveAFCLimit();
        save("Receiver", QStringLiteral("AFCEnabled%1").arg(activeChannel_),
             QString::number(afcEnabled_[activeChannel_]));
    });
}

void PSKXcvr::ReceiveSquelchSpeedChanged() {
    trap("PSKXcvr.ReceiveSquelchSpeedChanged", [&] {
        SetReceiveSquelch();
        const int speed = checkedOption(c().RcvSquelchSpeedButton, 3);
        if (speed >= 0) save("Receiver", QStringLiteral("SquelchSpeed"), QString::number(speed));
        save("Receiver", QStringLiteral("SquelchSpeedSetting"),
             QString::number(c().RcvSquelchSpeedSettingSlider->value()));
    });
}

void PSKXcvr::TraceWidthChanged() {
    trap("PSKXcvr.TraceWidthChanged", [&] {
        save("Receiver", QStringLiteral("WaterfallTraceWidth"),
             QString::number(c().WaterfallTraceWidthSlider->value()));
    });
}

void PSKXcvr::ReceiveDisplayChanged() {
    trap("PSKXcvr.ReceiveDisplayChanged", [&] {
        const int v = checkedOption(c().RcvDisplayButton, 2);
        if (v >= 0) save("Receiver", QStringLiteral("RcvDisplay"), QString::number(v));
        // A spectrum trace leaves no history for a waterfall to scroll, nor the other way.
        InitializeWaterfallSpectrum();
        ClearReceiveDisplay();
    });
}

void PSKXcvr::WaterfallColorChanged() {
    trap("PSKXcvr.WaterfallColorChanged", [&] {
        const int v = checkedOption(c().WaterfallColorButton, 2);
        if (v >= 0) {
            InitializeWaterfallColorTable(v);
            save("Receiver", QStringLiteral("WaterfallColor"), QString::number(v));
        }
    });
}

void PSKXcvr::OptimalOffsetChanged() {
    trap("PSKXcvr.OptimalOffsetChanged",
         [&] { save("Receiver", QStringLiteral("OptimalOffset"), c().OptimalOffset->text()); });
}

} // namespace psk
