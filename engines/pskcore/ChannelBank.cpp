#include "ChannelBank.h"

#include <algorithm>

namespace pskcore {

ChannelBank::ChannelBank(int channels, bool withSpectrum)
    : channels_(std::clamp(channels, 1, kMaxChannels)), withSpectrum_(withSpectrum) {
    receivers_.reserve(size_t(channels_));
    for (int i = 0; i < channels_; ++i)
        receivers_.emplace_back(8000.0);
}

int ChannelBank::process(const float* in, size_t n, Decoded& out, bool channelsOnly) {
    for (int ch = 0; ch < channels_; ++ch)
        receivers_[size_t(ch)].process(n, in, out[size_t(ch)]);
    if (channelsOnly || !withSpectrum_) return 0;
    peaks_.process(in, n);
    return spectrum_.process(n, in);
}

} // namespace pskcore
