#pragma once
// The receive side of the engine without threads: up to three PSK31 channels, the spectrum and
// the peak finder, fed block by block. The engine's DSP thread and the command-line tools both
// decode through it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "dsp/PskReceiver.h"
#include "dsp/Spectrum.h"
#include "PeakFinder.h"

namespace pskcore {

class ChannelBank {
public:
    static constexpr int kMaxChannels = 3;
    using Decoded = std::array<std::vector<uint8_t>, kMaxChannels>;

    explicit ChannelBank(int channels = kMaxChannels, bool withSpectrum = true);

    int channels() const { return channels_; }
    dsp::PskReceiver& receiver(int ch) { return receivers_[size_t(ch)]; }
    const dsp::PskReceiver& receiver(int ch) const { return receivers_[size_t(ch)]; }
    dsp::Spectrum& spectrum() { return spectrum_; }
    const PeakFinder& peaks() const { return peaks_; }

    // Runs n samples through every channel (and the spectrum and peak finder unless only the
    // channels are asked for), appending decoded characters to out[ch]. Returns the number of
    // new spectrum frames.
    int process(const float* in, size_t n, Decoded& out, bool channelsOnly = false);

private:
    int channels_;
    bool withSpectrum_;
    std::vector<dsp::PskReceiver> receivers_;
    dsp::Spectrum spectrum_;
    PeakFinder peaks_;
};

} // namespace pskcore
