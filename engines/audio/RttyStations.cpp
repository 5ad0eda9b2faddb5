#include "RttyStations.h"

#include <cmath>
#include <numbers>

#include "AudioIo.h"
#include "dsp/Baudot.h"
#include "dsp/Channel.h"
#include "dsp/FskModulator.h"
#include "QsoScript.h"

namespace audio {

struct RttyStations::Station {
    explicit Station(uint64_t seed) : rng(seed), script(rng), mod(kWorkingRate) {}
    SimRandom rng;
    QsoScript script;
    dsp::FskModulator mod;
    dsp::BaudotEncoder enc;
    Plan plan{};
    std::vector<float> pending;
    size_t pos = 0;
    long pause = 0;
    std::string sent;
    double fadeDepth = 0, fadePeriod = 1, fadePhase = 0;
    // Like the band's louder PSK stations: a steady part plus a Rayleigh-faded scattered part.
    std::unique_ptr<dsp::FadingChannel> direct, scattered;
    float directGain = 1.0f, scatteredGain = 0.0f;
    std::vector<float> block, scatter;

    // The next over as audio, or a pause between overs.
    void refill() {
        pending.clear();
        pos = 0;
        if (pause > 0) return;
        std::string text;
        int who = 0;
        if (!script.nextOver(text, who)) {
            script.newQso();
            pause = long(rng.uniform(2, 6) * kWorkingRate);
            return;
        }
        mod.setTones(plan.markHz + (who ? rng.uniform(-4, 4) : 0.0), 170.0);
        mod.setAmplitude(1.0);
        enc.reset();
        mod.tone(true, 6, pending);
        for (int i = 0; i < 4; ++i)
            mod.character(dsp::baudot::kLtrs, 1.5, pending);
        enc.assumeLetters();
        std::vector<uint8_t> codes;
        for (char c : text) {
            if (c == '\n') {
                codes.push_back(dsp::baudot::kCr);
                codes.push_back(dsp::baudot::kLf);
            } else {
                enc.encode(c, codes);
            }
        }
        for (uint8_t code : codes)
            mod.character(code, 1.5, pending);
        mod.tone(true, 3, pending);
        mod.rampDown(0.005, pending);
        sent += text;
        pause = long(rng.uniform(1, 3) * kWorkingRate);
    }
};

RttyStations::RttyStations(uint64_t seed, std::vector<Plan> plan) {
    uint64_t s = seed * 104729 + 3;
    for (const Plan& p : plan) {
        auto st = std::make_unique<Station>(s++);
        st->plan = p;
        st->fadeDepth = st->rng.uniform(0.1, 0.6);
        st->fadePeriod = st->rng.uniform(10, 40) * kWorkingRate;
        st->fadePhase = st->rng.uniform(0, 2 * std::numbers::pi);
        st->pause = long(st->rng.uniform(0, 2) * kWorkingRate);
        if (p.snrDb >= 6) {
            // A slow Doppler spread and a steady part 5 to 8 dB above the scattered one.
            dsp::FadingChannel::Profile path;
            path.fading = dsp::FadingChannel::Fading::Watterson;
            path.spreadHz = st->rng.uniform(0.1, 0.3);
            const double k = std::pow(10.0, st->rng.uniform(5, 8) / 10.0);
            st->directGain = float(std::sqrt(k / (k + 1)));
            st->scatteredGain = float(std::sqrt(1 / (k + 1)));
            st->scattered = std::make_unique<dsp::FadingChannel>(path, kWorkingRate,
                                                                 uint64_t(st->rng.below(1 << 30)));
            st->direct = std::make_unique<dsp::FadingChannel>(dsp::FadingChannel::Profile{},
                                                              kWorkingRate, 0);
        }
        stations_.push_back(std::move(st));
    }
}

RttyStations::~RttyStations() = default;

size_t RttyStations::size() const {
    return stations_.size();
}

const std::string& RttyStations::sentText(size_t i) const {
    static const std::string none;
    return i < stations_.size() ? stations_[i]->sent : none;
}

void RttyStations::mix(float* out, size_t n, double (*gainForSnr)(double)) {
    for (auto& st : stations_) {
        // The signal power of a full-amplitude tone is 0.5.
        const double base = gainForSnr(st->plan.snrDb) * std::sqrt(0.30 / 0.5);
        st->block.assign(n, 0.0f);
        for (size_t i = 0; i < n;) {
            if (st->pos >= st->pending.size()) {
                if (st->pause > 0) {
                    const long skip = std::min<long>(st->pause, long(n - i));
                    st->pause -= skip;
                    i += size_t(skip);
                    continue;
                }
                st->refill();
                if (st->pending.empty()) continue;
            }
            const double t = double(time_ + i);
            const double fade =
                1.0 -
                st->fadeDepth * (0.5 - 0.5 * std::cos(2 * std::numbers::pi * t / st->fadePeriod +
                                                      st->fadePhase));
            st->block[i] = float(base * fade) * st->pending[st->pos++];
            ++i;
        }
        if (st->scattered) {
            st->scatter = st->block;
            st->scattered->process(st->scatter.data(), n);
            st->direct->process(st->block.data(), n);
            for (size_t i = 0; i < n; ++i)
                st->block[i] = st->directGain * st->block[i] + st->scatteredGain * st->scatter[i];
        }
        for (size_t i = 0; i < n; ++i)
            out[i] += st->block[i];
    }
    time_ += n;
}

} // namespace audio
