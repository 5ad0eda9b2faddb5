// Character error rate of the PSK31 receiver (pskdecode's defaults: AFC 50 Hz, search 50 Hz,
// squelch open) on HF channels, each next to a plain differential decoder on the same audio.
// SNR is the signal's average power over the noise power in 3000 Hz.
//
//   bench_psk_fading [--chars N] [--seeds S] [--only NAME] [--mode bpsk|qpsk]
// Environment: BENCH_PERSEED=1 prints each seed's errors, BENCH_SEED=K runs seed K alone,
// BENCH_SNR=D replaces every condition's SNRs by D, BENCH_CHANNEL=P every channel profile by P
// (FadingChannel::parse text), BENCH_NLAG=N delays a neighbour by N samples (default: by seed,
// within a symbol), BENCH_DUMP=1 prints the texts, BENCH_LOSS=1
// prints where ours loses characters the reference gets (and the other way round).
#include "BenchText.h"
#include "Channel.h"
#include "DiffDecoder.h"
#include "LossBreakdown.h"
#include "Noise.h"
#include "PskReceiver.h"
#include "PskTransmitter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr double kRate = 8000.0;
constexpr double kFreq = 1000.0;

// ends (if given): the sample at which each character had been sent.
std::vector<float> transmit(const std::string& text, int mode, double hz,
                            std::vector<size_t>* ends = nullptr) {
    dsp::PskTransmitter tx(kRate);
    tx.setFrequency(hz);
    tx.start(mode);
    for (char ch : text)
        tx.queueChar(static_cast<uint8_t>(ch));
    tx.requestStop();
    std::vector<float> audio(static_cast<size_t>(kRate / 2), 0.0f), block(80);
    std::vector<dsp::PskTransmitter::Event> events;
    while (tx.active()) {
        events.clear();
        tx.process(block.size(), block.data(), events);
        for (const auto& e : events)
            if (ends && e.kind == dsp::PskTransmitter::Event::CharSent)
                ends->push_back(audio.size() + block.size());
        audio.insert(audio.end(), block.begin(), block.end());
    }
    audio.resize(audio.size() + static_cast<size_t>(kRate / 2), 0.0f);
    return audio;
}

struct Condition {
    const char* name;
    const char* channel; // FadingChannel::parse text; "dips" builds a row of QSB dips
    double offsetHz;     // signal minus the channel's frequency
    double neighbourHz;  // 0 = none; else an equal signal this far above
    std::vector<int> snrs;
};

struct Score {
    size_t errors = 0, chars = 0;
    double pct() const { return chars ? 100.0 * double(errors) / double(chars) : 0.0; }
};

double g_cpu = 0.0, g_audio = 0.0;
bench::LossBreakdown* g_loss = nullptr;

void run(const Condition& c, int snr, int mode, size_t chars, int seeds, Score& ours, Score& ref) {
    for (int s = 0; s < seeds; ++s) {
        if (std::getenv("BENCH_SEED") && s != std::atoi(std::getenv("BENCH_SEED"))) continue;
        const uint64_t seed =
            1000u * static_cast<uint64_t>(s + 1) + static_cast<uint64_t>(snr + 50);
        const std::string text = bench::makeText(chars, seed);
        std::vector<size_t> ends;
        std::vector<float> audio = transmit(text, mode, kFreq + c.offsetHz, &ends);
        const double power = dsp::meanPower(audio.data(), audio.size());
        std::string other;
        std::string prof =
            std::strcmp(c.channel, "dips") ? c.channel : bench::dipRow(audio.size() / kRate);
        if (std::getenv("BENCH_CHANNEL")) prof = std::getenv("BENCH_CHANNEL");
        dsp::FadingChannel::Profile profile;
        if (!dsp::FadingChannel::parse(prof, profile)) std::abort();
        dsp::FadingChannel(profile, kRate, seed).process(audio.data(), audio.size());
        // The channel's power gain in dB over time, from a steady tone through it.
        std::vector<float> gain;
        if (g_loss) {
            std::vector<float> tone(audio.size());
            for (size_t i = 0; i < tone.size(); ++i)
                tone[i] =
                    static_cast<float>(std::cos(6.283185307 * (kFreq + c.offsetHz) * i / kRate));
            dsp::FadingChannel(profile, kRate, seed).process(tone.data(), tone.size());
            gain.resize(tone.size());
            double acc = 0.0;
            for (size_t i = 0; i < tone.size(); ++i) {
                acc += 2.0 * tone[i] * tone[i];
                if (i >= 256) acc -= 2.0 * tone[i - 256] * tone[i - 256];
                gain[i] = static_cast<float>(10.0 * std::log10(std::max(acc / 256.0, 1e-9)));
            }
        }
        if (c.neighbourHz > 0.0) {
            other = bench::makeText(chars, seed + 77);
            std::vector<float> b = transmit(other, mode, kFreq + c.neighbourHz);
            dsp::FadingChannel(profile, kRate, seed + 5).process(b.data(), b.size());
            // Its symbols fall anywhere against ours (seed by seed).
            const size_t lag = std::getenv("BENCH_NLAG")
                                   ? static_cast<size_t>(std::atoi(std::getenv("BENCH_NLAG")))
                                   : static_cast<size_t>((seed * 2654435761u) % 256);
            audio.resize(std::max(audio.size(), b.size() + lag), 0.0f);
            for (size_t i = 0; i < b.size(); ++i)
                audio[i + lag] += b[i];
        }
        dsp::GaussianNoise noise(seed * 7919 + 17);
        dsp::addNoise(audio.data(), audio.size(), snr, noise, power, kRate);

        const int channels = c.neighbourHz > 0.0 ? 2 : 1;
        for (int ch = 0; ch < channels; ++ch) {
            const double hz = kFreq + (ch ? c.neighbourHz : 0.0);
            const std::string& want = ch ? other : text;
            dsp::PskReceiver rx(kRate);
            rx.setMode(static_cast<dsp::PskMode>(mode));
            rx.setAfcLimit(std::getenv("BENCH_AFC") ? std::atof(std::getenv("BENCH_AFC")) : 50.0);
            rx.setSquelch(0, 0);
            rx.setFrequency(hz, std::getenv("BENCH_SEARCH") ? std::atof(std::getenv("BENCH_SEARCH"))
                                                            : 50.0);
            std::vector<uint8_t> out;
            std::vector<std::pair<bool, double>> states; // squelch open, frequency; per block
            const auto t0 = std::clock();
            for (size_t i = 0; i < audio.size(); i += 512) {
                rx.process(std::min<size_t>(512, audio.size() - i), audio.data() + i, out);
                if (g_loss) states.emplace_back(rx.squelchOpen(), rx.frequency());
            }
            g_cpu += double(std::clock() - t0) / CLOCKS_PER_SEC;
            g_audio += audio.size() / kRate;
            const std::string got(out.begin(), out.end());
            if (std::getenv("BENCH_DUMP"))
                std::fprintf(stderr, "--- %s %d dB seed %d:\n%s\n--- sent:\n%s\n", c.name, snr, s,
                             got.c_str(), want.c_str());
            const size_t errs = bench::editDistance(want, got);
            ours.errors += errs;
            ours.chars += want.size();

            bench::DiffDecoder diff(kRate, hz + c.offsetHz, static_cast<dsp::PskMode>(mode));
            out.clear();
            diff.process(audio.data(), audio.size(), out);
            if (std::getenv("BENCH_DUMP"))
                std::fprintf(stderr, "--- reference:\n%s\n",
                             std::string(out.begin(), out.end()).c_str());
            const size_t refErrs = bench::editDistance(want, std::string(out.begin(), out.end()));
            ref.errors += refErrs;
            if (std::getenv("BENCH_PERSEED"))
                std::fprintf(stderr, "%s %d dB %s seed %d ch %d: %zu errors, reference %zu\n",
                             c.name, snr, mode ? "QPSK" : "BPSK", s, ch, errs, refErrs);
            if (g_loss && ch == 0) {
                const double trueHz = hz + c.offsetHz;
                g_loss->add(
                    want, got, std::string(out.begin(), out.end()), ends,
                    [&](size_t t) { return t < gain.size() ? gain[t] : 0.0; },
                    [&](size_t from, size_t to, bool& shut, bool& off) {
                        // The receiver lags the air by a few symbols.
                        for (size_t b = from / 512; b <= (to + 2048) / 512 && b < states.size();
                             ++b) {
                            shut = shut || !states[b].first;
                            off = off || std::fabs(states[b].second - trueHz) > 1.0;
                        }
                    });
            }
            ref.chars += want.size();
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    size_t chars = 600;
    int seeds = 3;
    std::string only;
    int modeOnly = -1;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--chars") && i + 1 < argc)
            chars = std::strtoul(argv[++i], nullptr, 10);
        else if (!std::strcmp(argv[i], "--seeds") && i + 1 < argc)
            seeds = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--only") && i + 1 < argc)
            only = argv[++i];
        else if (!std::strcmp(argv[i], "--mode") && i + 1 < argc)
            modeOnly = std::strcmp(argv[++i], "bpsk") ? 1 : 0;
        else {
            std::fprintf(stderr,
                         "usage: %s [--chars N] [--seeds S] [--only NAME] [--mode bpsk|qpsk]\n",
                         argv[0]);
            return 2;
        }
    }
    chars = std::max<size_t>(chars, 10);
    seeds = std::max(seeds, 1);
    const std::vector<Condition> conditions = {
        {"awgn-5Hz-off", "none", 5.0, 0.0, {-13, -12}},
        {"amplitude-0.5Hz", "amp:0.5", 0.0, 0.0, {20, 0}},
        {"amplitude-1Hz", "amp:1", 0.0, 0.0, {20, 0}},
        {"phase-1Hz", "phase:1", 0.0, 0.0, {20}},
        {"qsb-dips", "dips", 0.0, 0.0, {20}},
        {"ccir-moderate", "moderate", 0.0, 0.0, {20, 0, -6}},
        {"ccir-poor", "poor", 0.0, 0.0, {20, 0, -6}},
        {"adjacent-30Hz", "none", 0.0, 30.0, {-10}},
        {"adjacent-40Hz", "none", 0.0, 40.0, {-10}},
        {"adjacent-50Hz", "none", 0.0, 50.0, {-10}},
    };
    std::printf("CER %% over %d seeds x %zu characters; ref = plain differential decoder\n", seeds,
                chars);
    std::printf("%-18s %5s %6s %8s %8s %7s\n", "condition", "SNR", "mode", "ours", "ref", "ratio");
    for (const Condition& c : conditions) {
        if (!only.empty() && std::string(c.name).find(only) == std::string::npos) continue;
        std::vector<int> snrs = c.snrs;
        if (std::getenv("BENCH_SNR")) snrs = {std::atoi(std::getenv("BENCH_SNR"))};
        for (int snr : snrs) {
            for (int mode = 0; mode < 2; ++mode) {
                if (modeOnly >= 0 && mode != modeOnly) continue;
                Score ours, ref;
                bench::LossBreakdown loss;
                g_loss = std::getenv("BENCH_LOSS") ? &loss : nullptr;
                run(c, snr, mode, chars, seeds, ours, ref);
                std::printf("%-18s %5d %6s %8.2f %8.2f %7.2f\n", c.name, snr,
                            mode ? "QPSK" : "BPSK", ours.pct(), ref.pct(),
                            ref.pct() > 0 ? ours.pct() / ref.pct() : 0.0);
                std::fflush(stdout);
                if (g_loss)
                    loss.print((std::string(c.name) + " " + std::to_string(snr) + " dB " +
                                (mode ? "QPSK" : "BPSK"))
                                   .c_str());
            }
        }
    }
    if (g_audio > 0)
        std::printf("\nreceive channel: %.0fx real time (one channel, no spectrum)\n",
                    g_audio / std::max(g_cpu, 1e-9));
    return 0;
}
