#pragma once
// The simulated band's RTTY stations: pairs of invented stations holding RTTY QSOs (45.45 baud,
// 170 Hz), each pair on its own mark tone, with pauses between the overs, the same fading as the
// band's PSK stations (slow QSB; the louder ones also over a Rician sky-wave path from the
// channel simulator), and LTRS diddle at the start of each over. Added to the band's
// audio; fully determined by the seed.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace audio {

class RttyStations {
public:
    struct Plan {
        double markHz;
        double snrDb; // in 3 kHz, before fading
    };
    RttyStations(uint64_t seed, std::vector<Plan> plan);
    ~RttyStations();
    // Adds n samples of every station to out; gainForSnr maps an SNR to an amplitude gain.
    void mix(float* out, size_t n, double (*gainForSnr)(double));
    // Everything station pair i has sent so far.
    const std::string& sentText(size_t i) const;
    size_t size() const;

private:
    struct Station;
    std::vector<std::unique_ptr<Station>> stations_;
    uint64_t time_ = 0;
};

} // namespace audio
