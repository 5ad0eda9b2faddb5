#include "SimBand.h"

#include "dsp/Channel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace audio {

namespace {

struct SlotPlan {
    double frequency;
    dsp::PskMode mode;
    double snrDb;
};

// A weak, a middling and a loud station, one of them in QPSK, spread over the passband.
constexpr SlotPlan kPlan[] = {{800, dsp::PskMode::Bpsk, 8},
                              {1200, dsp::PskMode::Bpsk, -4},
                              {1500, dsp::PskMode::Bpsk, 20},
                              {1850, dsp::PskMode::QpskUsb, 6},
                              {2300, dsp::PskMode::Bpsk, -8}};

constexpr size_t kChunk = 256;
// The receiver stays muted this long after the last of our own audio (the PTT's release).
constexpr double kMuteHangSeconds = 0.1;

} // namespace

struct SimBand::Slot {
    explicit Slot(SimRandom& rng) : script(rng) {}
    // The louder stations come over a sky-wave path: a steady part (through `direct`, which
    // only matches the scattered part's delay) plus a Rayleigh-faded scattered part.
    std::unique_ptr<dsp::FadingChannel> direct, scattered;
    float directGain = 1.0f, scatteredGain = 0.0f;
    std::vector<float> scatter;
    QsoScript script;
    dsp::PskTransmitter tx{kWorkingRate};
    SlotInfo info{};
    double stationOffset[2] = {0, 0};
    double stationSnr[2] = {0, 0};
    double driftHz = 0, driftPeriod = 1, driftPhase = 0;
    double fadeDepth = 0, fadePeriod = 1, fadePhase = 0;
    int station = 0;
    long pauseLeft = 0;
    std::string sent;
};

double SimBand::gainForSnr(double snrDb) {
    const double noiseIn3k = kNoiseSigma * kNoiseSigma * 3000.0 / (kWorkingRate / 2.0);
    return std::sqrt(noiseIn3k * std::pow(10.0, snrDb / 10.0) / kReferencePower);
}

SimBand::SimBand(uint64_t seed) : rng_(seed), noise_(seed * 7919 + 17) {
    loopback_.gain = gainForSnr(kLoopbackSnrDb);
    rtty_ =
        std::make_unique<RttyStations>(seed, std::vector<RttyStations::Plan>{{3100, 10}, {450, 2}});
    for (const SlotPlan& plan : kPlan) {
        auto slot = std::make_unique<Slot>(rng_);
        slot->info = {std::round(plan.frequency + rng_.uniform(-8, 8)), plan.mode,
                      plan.snrDb + rng_.uniform(-2, 2)};
        for (int s = 0; s < 2; ++s) {
            slot->stationOffset[s] = s == 0 ? 0.0 : rng_.uniform(-6, 6);
            slot->stationSnr[s] = slot->info.snrDb + (s == 0 ? 0.0 : rng_.uniform(-3, 3));
        }
        slot->driftHz = rng_.uniform(0.5, 3.0);
        slot->driftPeriod = rng_.uniform(120, 600) * kWorkingRate;
        slot->driftPhase = rng_.uniform(0, 2 * std::numbers::pi);
        slot->fadeDepth = rng_.uniform(0.1, 0.6);
        slot->fadePeriod = rng_.uniform(10, 40) * kWorkingRate;
        slot->fadePhase = rng_.uniform(0, 2 * std::numbers::pi);
        slot->pauseLeft = long(rng_.uniform(0, 3) * kWorkingRate);
        // A slow Doppler spread, and a steady part 5 to 8 dB above the scattered one (Rician
        // fading): the signal breathes by several dB and now and then dips by 10, but the
        // strong stations do not vanish into the deep nulls of a purely scattered path.
        if (plan.snrDb >= 6) {
            dsp::FadingChannel::Profile path;
            path.fading = dsp::FadingChannel::Fading::Watterson;
            path.spreadHz = rng_.uniform(0.1, 0.3);
            const double k = std::pow(10.0, rng_.uniform(5, 8) / 10.0);
            slot->directGain = float(std::sqrt(k / (k + 1)));
            slot->scatteredGain = float(std::sqrt(1 / (k + 1)));
            slot->scattered = std::make_unique<dsp::FadingChannel>(path, kWorkingRate,
                                                                   uint64_t(rng_.below(1 << 30)));
            slot->direct = std::make_unique<dsp::FadingChannel>(dsp::FadingChannel::Profile{},
                                                                kWorkingRate, 0);
        }
        info_.push_back(slot->info);
        slots_.push_back(std::move(slot));
    }
}

SimBand::~SimBand() = default;

const std::string& SimBand::sentText(size_t slot) const {
    static const std::string none;
    return slot < slots_.size() ? slots_[slot]->sent : none;
}

size_t SimBand::Loopback::write(const float* in, size_t n) {
    queue.insert(queue.end(), in, in + n);
    return n;
}

void SimBand::runSlot(Slot& slot, float* out, size_t n) {
    size_t done = 0;
    while (done < n) {
        if (slot.pauseLeft > 0) {
            const size_t quiet = std::min<size_t>(n - done, size_t(slot.pauseLeft));
            slot.pauseLeft -= long(quiet);
            done += quiet;
            continue;
        }
        if (!slot.tx.active()) {
            std::string text;
            if (!slot.script.nextOver(text, slot.station)) {
                slot.script.newQso();
                slot.pauseLeft = long(rng_.uniform(4, 12) * kWorkingRate);
                continue;
            }
            slot.tx.start(int(slot.info.mode));
            for (char c : text)
                slot.tx.queueChar(uint8_t(c));
            slot.tx.requestStop();
        }
        const double t = double(time_ + done);
        const double f =
            slot.info.frequency + slot.stationOffset[slot.station] +
            slot.driftHz * std::sin(2 * std::numbers::pi * t / slot.driftPeriod + slot.driftPhase);
        slot.tx.setFrequency(f);
        const size_t len = n - done;
        scratch_.assign(len, 0.0f);
        events_.clear();
        slot.tx.process(len, scratch_.data(), events_);
        if (slot.scattered) {
            slot.scatter = scratch_;
            slot.scattered->process(slot.scatter.data(), len);
            slot.direct->process(scratch_.data(), len);
            for (size_t i = 0; i < len; ++i)
                scratch_[i] = slot.directGain * scratch_[i] + slot.scatteredGain * slot.scatter[i];
        }
        const double fade =
            1.0 -
            slot.fadeDepth *
                (0.5 - 0.5 * std::cos(2 * std::numbers::pi * t / slot.fadePeriod + slot.fadePhase));
        const float gain = float(gainForSnr(slot.stationSnr[slot.station]) * fade);
        for (size_t i = 0; i < len; ++i)
            out[done + i] += gain * scratch_[i];
        for (const auto& e : events_) {
            if (e.kind == dsp::PskTransmitter::Event::CharSent)
                slot.sent += char(e.ch);
            else
                slot.pauseLeft = long(rng_.uniform(1.5, 4) * kWorkingRate);
        }
        done = n;
    }
}

void SimBand::produceChunk() {
    chunk_.resize(kChunk);
    float* block = chunk_.data();
    for (size_t i = 0; i < kChunk; ++i)
        block[i] = float(kNoiseSigma * noise_.next());
    for (auto& slot : slots_)
        runSlot(*slot, block, kChunk);
    rtty_->mix(block, kChunk, &SimBand::gainForSnr);
    time_ += kChunk;
    chunkPos_ = 0;
}

size_t SimBand::read(float* out, size_t max) {
    size_t done = 0;
    while (done < max) {
        if (chunkPos_ >= chunk_.size()) produceChunk();
        const size_t n = std::min(max - done, chunk_.size() - chunkPos_);
        std::copy_n(chunk_.begin() + long(chunkPos_), n, out + done);
        // Our own signal joins as it is read, so that it is heard with the least delay.
        const size_t own = std::min(n, loopback_.queue.size());
        if (hearOwn_) {
            for (size_t i = 0; i < own; ++i)
                out[done + i] += float(loopback_.gain) * loopback_.queue[i];
        } else {
            if (own > 0) muteLeft_ = own + size_t(kMuteHangSeconds * kWorkingRate);
            const size_t mute = std::min(n, muteLeft_);
            std::fill_n(out + done, mute, 0.0f);
            muteLeft_ -= mute;
        }
        loopback_.queue.erase(loopback_.queue.begin(), loopback_.queue.begin() + long(own));
        chunkPos_ += n;
        done += n;
    }
    return done;
}

} // namespace audio
