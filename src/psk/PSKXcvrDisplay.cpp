// The engine poll after each spectrum message and the tuning displays it feeds: the waterfall
// or spectrum with the channel markers, the phase vectors, the signal meter.
#include "PSKXcvrInternal.h"
#include <common/Convert.h>
#include <platform/PictureBox.h>
#include <QAbstractButton>
#include <QAbstractSlider>
#include <QCheckBox>

namespace psk {

bool PSKXcvr::UsingSimulatedBand() const {
    return engine_.usingSimulatedBand && engine_.usingSimulatedBand() != 0;
}

void PSKXcvr::Update() {
    trap("PSKXcvr.Update", [&] {
        const int32_t overload = engine_.fnGetFFTData(fftData_.data(), 0, TuningDisplay::kBins - 1);
        host_.updateOverloadIndicator(overload);
        rcvFreq_[activeChannel_] = engine_.fnGetRXFrequency(activeChannel_);
        UpdateReceiveFrequency();
        if (c().TXFreqLock->isChecked()) {
            UpdateTransmitToReceiveFrequency();
            SetTransmitFrequency();
        }
        for (int ch = 0; ch < 3; ++ch) {
            const int32_t hz = engine_.fnGetRXFrequency(ch);
            // The other channels' frequencies follow their AFC too, so that a later search-range
            // change or a restart does not pull them back to where they were set.
            rcvFreq_[ch] = hz;
            rcvFreqBin_[ch] = common::toInt32(hz / hzPerBin_);
        }
        UpdateWaterfallDisplay();
        UpdateVectorDisplay();
    });
}

void PSKXcvr::UpdateWaterfallDisplay() {
    trap("PSKXcvr.UpdateWaterfallDisplay", [&] {
        platform::PictureBox* wf = c().Waterfall;
        if (!wf) return;
        if (wf->isPixelScale()) InitializeWaterfallSpectrum();
        // Rows drawn at another width would show their traces at the wrong frequencies.
        if (wf->pixelWidth() != waterfallWidth_) {
            waterfallWidth_ = wf->pixelWidth();
            TuningDisplay::ClearReceiveDisplay(*wf);
        }
        WaterfallInputs in;
        in.fft = fftData_.data();
        for (int ch = 0; ch < 3; ++ch) {
            in.rcvFreqBin[size_t(ch)] = rcvFreqBin_[ch];
            in.paneColor[size_t(ch)] = host_.paneColor(ch);
        }
        in.traceWidth = c().WaterfallTraceWidthSlider->value();
        in.xmitFreq = xmitFreq_;
        in.hzPerBin = hzPerBin_;
        in.txLocked = c().TXFreqLock->isChecked();
        in.kind = checkedOption(c().RcvDisplayButton, 2) == 1 ? ReceiveDisplay::Spectrum
                                                              : ReceiveDisplay::Waterfall;
        in.spectrumColor = spectrumDisplayColor_;
        tuning_.UpdateWaterfallDisplay(*wf, in);
    });
}

void PSKXcvr::UpdateVectorDisplay() {
    trap("PSKXcvr.UpdateVectorDisplay", [&] {
        engine_.fnGetVectorData(vectorData_.data(), activeChannel_);
        if (platform::PictureBox* v = c().VectorDisplay)
            tuning_.UpdateVectorDisplay(*v, vectorData_.data(), spectrumDisplayColor_);
    });
}

void PSKXcvr::ClearReceiveDisplay() {
    trap("PSKXcvr.ClearReceiveDisplay", [&] {
        if (c().Waterfall) TuningDisplay::ClearReceiveDisplay(*c().Waterfall);
    });
}

void PSKXcvr::InitializeWaterfallSpectrum() {
    trap("PSKXcvr.InitializeWaterfallSpectrum", [&] {
        if (!c().Waterfall) return;
        const double hz = TuningDisplay::InitializeWaterfallSpectrum(*c().Waterfall);
        SetReceiveDisplayParameters();
        hzPerBin_ = float(hz);
    });
}

void PSKXcvr::InitializeWaterfallColorTable(int choice) {
    trap("PSKXcvr.InitializeWaterfallColorTable",
         [&] { tuning_.InitializeWaterfallColorTable(choice); });
}

void PSKXcvr::InitializeVectorDisplay() {
    trap("PSKXcvr.InitializeVectorDisplay", [&] {
        if (c().VectorDisplay) tuning_.InitializeVectorDisplay(*c().VectorDisplay);
    });
}

void PSKXcvr::SetSpectrumDisplayColor(int colour) {
    trap("PSKXcvr.SetSpectrumDisplayColor", [&] {
        if (colour < 0 || colour > 0xFFFFFF)
            throw common::RuntimeError(common::err::InvalidPropertyValue);
        spectrumDisplayColor_ = colour;
        save("Receiver", QStringLiteral("SpectrumDisplayColor"), QString::number(colour));
    });
}

void PSKXcvr::SetReceiveFrequencyFromWaterfall(double x, int channel) {
    trap("PSKXcvr.SetReceiveFrequencyFromWaterfall", [&] {
        if (channel > -1) SetActiveChannel(channel);
        SetReceiveFrequency(hzPerBin_ * x);
    });
}

void PSKXcvr::UpdateSignalStrength(int level) {
    trap("PSKXcvr.UpdateSignalStrength", [&] {
        signalLevel_ = std::clamp(level, 0, 99);
        if (platform::PictureBox* meter = c().SignalStrengthControl)
            TuningDisplay::UpdateSignalStrength(*meter, signalLevel_,
                                                squelchThreshold_[activeChannel_]);
    });
}

} // namespace psk
