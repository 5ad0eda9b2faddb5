#pragma once

#include "Noise.h"

#include <complex>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dsp {

// An HF path for a real audio signal: Watterson's model (up to two independent Rayleigh paths,
// each with a Gaussian Doppler spectrum, the second delayed), or a single path whose fading
// acts on the amplitude or on the phase only, and slow dips (QSB) on top. The average power
// through the channel equals the power in. Fully determined by its seed.
class FadingChannel {
public:
    enum class Fading { None, Watterson, Amplitude, Phase };
    struct Dip {
        double startS;  // when the amplitude starts to fall
        double lengthS; // from the start of the fall to the end of the rise
        double depthDb; // at the bottom
    };
    struct Profile {
        Fading fading = Fading::None;
        double spreadHz = 0.0; // Doppler spread, twice the spectrum's standard deviation
        double delayMs = 0.0;  // second path (Watterson); 0 = one path
        std::vector<Dip> dips;
    };

    // The CCIR profiles: "moderate" (1 ms, 0.5 Hz), "poor" (2 ms, 1 Hz), and "flat" fading
    // ("flat:0.5"), "amp:S" / "phase:S" (spread S Hz), each optionally followed by ",dip:T:L:D"
    // items (start s, length s, depth dB). "none" or "" is no fading. Returns false for text it
    // cannot read.
    static bool parse(const std::string& text, Profile& profile, std::string* error = nullptr);

    FadingChannel(const Profile& profile, double sampleRate, uint64_t seed);
    void process(float* x, size_t n); // in place

private:
    struct Path {
        std::vector<std::complex<double>> rot, ph; // sum-of-sinusoids Doppler components
        std::complex<double> next();
    };
    std::complex<double> pathGain(Path& p);
    double dipGain(double t) const;

    Profile m_p;
    double m_fs;
    Path m_path[2];
    int m_paths = 0;
    size_t m_delay = 0;
    std::vector<float> m_hilbert; // odd taps of the Hilbert transformer
    std::vector<float> m_in;      // input history for the transformer and the delay, a ring
    size_t m_pos = 0;
    size_t m_half = 0;
    uint64_t m_time = 0;
    int m_renorm = 0;
};

} // namespace dsp
