// Retuning the transceiver so that the station on the active channel lands on the optimal
// audio offset, and telling the transceiver-control program the dial frequency and mode.
#include "PSKXcvrInternal.h"
#include <algorithm>
#include <common/Convert.h>
#include <common/Format.h>
#include <QAbstractSlider>
#include <QLineEdit>

namespace psk {

void PSKXcvr::SetOptimalReceiveFrequency() {
    trap("PSKXcvr.SetOptimalReceiveFrequency", [&] {
        PskControls& k = c();
        if (k.OptimalOffset->text().isEmpty()) return;
        const int ch = activeChannel_;
        // A text that is not a number counts as 0, and so becomes the lowest offset.
        const double opt =
            std::clamp(common::leadingNumber(k.OptimalOffset->text()), 100.0, 3500.0);
        k.OptimalOffset->setText(common::formatGeneral(opt));
        const double delta = rcvFreq_[ch] - opt;
        const double dial = dialKHz() + delta / 1000;
        // Parked exactly on the offset while the radio moves, so AFC does not chase the jump.
        engine_.fnSetAFCLimit(0, ch);
        engine_.fnSetRXFrequency(common::toInt32(opt), 0, ch);
        host_.transceiverControlQSY(dial);
        host_.qsoFrequencyChanged();
        engine_.fnSetRXFrequency(common::toInt32(opt), k.RcvSearchLimitSlider->value(), ch);
        if (afcEnabled_[ch] != 0) engine_.fnSetAFCLimit(k.RcvAFCLimitSlider->value(), ch);
        // The other channels stay on their stations.
        for (int other = 0; other < 3; ++other) {
            if (other == ch) continue;
            rcvFreq_[other] = std::clamp(rcvFreq_[other] - delta, 100.0, 3500.0);
            engine_.fnSetRXFrequency(common::toInt32(rcvFreq_[other]),
                                     k.RcvSearchLimitSlider->value(), other);
        }
    });
}

void PSKXcvr::UpdateXCVRMode(const QString& mode) {
    trap("PSKXcvr.UpdateXCVRMode",
         [&] { host_.transceiverControlFreqMode(c().QSOFrequency->text(), mode); });
}

} // namespace psk
