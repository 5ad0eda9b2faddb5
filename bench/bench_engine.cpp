// Engine benchmarks: CPU cost of the receive side (three channels plus the spectrum, as the
// engine's DSP thread runs them) and false characters on pure noise at the default squelch.
// usage: bench_engine [minutes of noise, default 10]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "ChannelBank.h"
#include "dsp/Noise.h"
#include "dsp/PskTransmitter.h"
#include "Resampler.h"

namespace {

double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

std::vector<float> transmission(double freq, const std::string& text, size_t length) {
    dsp::PskTransmitter tx(8000);
    tx.setFrequency(freq);
    tx.start(0);
    for (size_t i = 0; i < 100000; ++i)
        tx.queueChar(uint8_t(text[i % text.size()]));
    std::vector<float> out(length);
    std::vector<dsp::PskTransmitter::Event> events;
    tx.process(length, out.data(), events);
    return out;
}

void cpuTable() {
    constexpr double kSeconds = 300;
    const size_t n = size_t(kSeconds * 8000);
    std::vector<float> audio(n, 0.0f);
    const double freqs[3] = {1000, 1100, 1200};
    for (double f : freqs) {
        const auto x =
            transmission(f, "the quick brown fox jumps over the lazy dog 0123456789 ", n);
        for (size_t i = 0; i < n; ++i)
            audio[i] += x[i] / 3;
    }
    dsp::GaussianNoise rng(5);
    dsp::addNoise(audio.data(), n, 0.0, rng);

    std::printf("CPU cost of the receive side, %.0f s of audio, 3 BPSK31 signals 100 Hz apart\n",
                kSeconds);
    std::printf("%-40s %16s %12s %8s\n", "configuration", "CPU s / audio s", "x real time",
                "chars");
    struct Row {
        const char* name;
        int channels;
        bool channelsOnly;
    } rows[] = {{"1 channel", 1, true},
                {"3 channels", 3, true},
                {"3 channels + spectrum + peak finder", 3, false}};
    for (const Row& row : rows) {
        pskcore::ChannelBank bank(row.channels);
        for (int ch = 0; ch < row.channels; ++ch) {
            bank.receiver(ch).setAfcLimit(50);
            bank.receiver(ch).setSquelch(50, 0);
            bank.receiver(ch).setFrequency(freqs[ch], 50);
        }
        pskcore::ChannelBank::Decoded out;
        size_t chars = 0;
        const double t0 = cpuSeconds();
        for (size_t pos = 0; pos < n; pos += 256) {
            for (auto& v : out)
                v.clear();
            bank.process(audio.data() + pos, std::min<size_t>(256, n - pos), out, row.channelsOnly);
            for (auto& v : out)
                chars += v.size();
        }
        const double cpu = cpuSeconds() - t0;
        std::printf("%-40s %16.5f %12.0f %8zu\n", row.name, cpu / kSeconds, kSeconds / cpu, chars);
    }

    // Converting a sound card's or a file's rate to the working rate.
    for (double rate : {44100.0, 48000.0}) {
        audio::Resampler r(rate, 8000);
        const size_t m = size_t(rate * 60);
        std::vector<float> in(m, 0.1f), out;
        out.reserve(8000 * 61);
        const double t0 = cpuSeconds();
        for (size_t pos = 0; pos < m; pos += 4096)
            r.process(in.data() + pos, std::min<size_t>(4096, m - pos), out);
        const double cpu = cpuSeconds() - t0;
        std::printf("%-40s %16.5f %12.0f\n",
                    (std::to_string(int(rate)) + " Hz -> 8000 Hz conversion").c_str(), cpu / 60,
                    60 / cpu);
    }
}

void falseCharacters(double minutes) {
    const size_t n = size_t(minutes * 60 * 8000);
    std::printf("\nFalse characters on pure noise, %.0f min, squelch 50 (default), AFC 50 Hz,"
                " search 50 Hz\n",
                minutes);
    std::printf("%-10s %-8s %10s %12s %16s\n", "channel", "mode", "chars", "per minute",
                "per 10 minutes");
    const double freqs[3] = {800, 1500, 2200};
    for (int mode = 0; mode < 2; ++mode) {
        pskcore::ChannelBank bank(3, false);
        for (int ch = 0; ch < 3; ++ch) {
            bank.receiver(ch).setMode(dsp::PskMode(mode));
            bank.receiver(ch).setAfcLimit(50);
            bank.receiver(ch).setSquelch(50, 0);
            bank.receiver(ch).setFrequency(freqs[ch], 50);
        }
        dsp::GaussianNoise rng(1234 + uint64_t(mode));
        std::vector<float> block(8000);
        pskcore::ChannelBank::Decoded out;
        size_t counts[3] = {0, 0, 0};
        for (size_t pos = 0; pos < n; pos += block.size()) {
            for (float& v : block)
                v = float(0.1 * rng.next());
            for (auto& v : out)
                v.clear();
            bank.process(block.data(), block.size(), out, true);
            for (int ch = 0; ch < 3; ++ch)
                counts[ch] += out[size_t(ch)].size();
        }
        for (int ch = 0; ch < 3; ++ch)
            std::printf("%-10s %-8s %10zu %12.2f %16.1f\n",
                        (std::to_string(int(freqs[ch])) + " Hz").c_str(),
                        mode == 0 ? "BPSK" : "QPSK", counts[ch], double(counts[ch]) / minutes,
                        double(counts[ch]) * 10 / minutes);
    }
}

} // namespace

int main(int argc, char** argv) {
    const double minutes = argc > 1 ? std::atof(argv[1]) : 10.0;
    cpuTable();
    falseCharacters(minutes > 0 ? minutes : 10.0);
    return 0;
}
