// Character error rate of the PSK31 receiver against SNR, false characters on noise and in the
// noise after a transmission, and CPU cost. SNR is signal power over noise power in 3000 Hz
// (see Noise.h).
//
//   bench_psk_cer [--chars N] [--noise-minutes M] [--snr LO HI] [--only bpsk|qpsk]
#include "BenchText.h"
#include "Noise.h"
#include "PskReceiver.h"
#include "PskTransmitter.h"
#include "Spectrum.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

constexpr double kRate = 8000.0;

using bench::editDistance;
using bench::makeText;

struct Case {
    int mode;             // transmitter mode 0..2
    double offsetHz;      // signal minus the receiver's set frequency at the start
    double driftHzPerMin; // transmitter drift
};

// Transmits text, adds noise, decodes; returns the CER in percent.
double runCase(const Case& c, double snrDb, size_t chars, uint64_t seed, double* cpuPerSec) {
    const double rxFreq = 1000.0;
    const std::string text = makeText(chars, seed);
    dsp::PskTransmitter tx(kRate);
    tx.setFrequency(rxFreq + c.offsetHz);
    tx.start(c.mode);
    for (char ch : text)
        tx.queueChar(static_cast<uint8_t>(ch));
    tx.requestStop();
    std::vector<float> audio;
    std::vector<dsp::PskTransmitter::Event> events;
    std::vector<float> block(80);
    double t = 0.0;
    while (tx.active()) {
        tx.setFrequency(rxFreq + c.offsetHz + c.driftHzPerMin * t / 60.0);
        tx.process(block.size(), block.data(), events);
        audio.insert(audio.end(), block.begin(), block.end());
        t += block.size() / kRate;
    }
    // Signal power over the transmission proper; half a second of noise alone on each side.
    const double power = dsp::meanPower(audio.data(), audio.size());
    std::vector<float> padded(static_cast<size_t>(kRate / 2), 0.0f);
    padded.insert(padded.end(), audio.begin(), audio.end());
    padded.insert(padded.end(), static_cast<size_t>(kRate / 2), 0.0f);
    dsp::GaussianNoise noise(seed * 7919 + 17);
    dsp::addNoise(padded.data(), padded.size(), snrDb, noise, power, kRate);

    dsp::PskReceiver rx(kRate);
    rx.setMode(static_cast<dsp::PskMode>(c.mode));
    rx.setAfcLimit(25.0);
    rx.setSquelch(0, 0);
    rx.setFrequency(rxFreq, 0.0);
    std::vector<uint8_t> out;
    const auto t0 = std::clock();
    for (size_t i = 0; i < padded.size(); i += 512) {
        rx.process(std::min<size_t>(512, padded.size() - i), padded.data() + i, out);
    }
    const auto t1 = std::clock();
    if (cpuPerSec)
        *cpuPerSec = (double(t1 - t0) / CLOCKS_PER_SEC) / (padded.size() / kRate) * 1000.0;
    const std::string got(out.begin(), out.end());
    if (std::getenv("BENCH_DUMP"))
        std::fprintf(stderr, "--- sent:\n%s\n--- got:\n%s\n", text.c_str(), got.c_str());
    return 100.0 * static_cast<double>(editDistance(text, got)) / static_cast<double>(text.size());
}

// Characters per minute decoded from pure noise at squelch 50.
double falseChars(int mode, double minutes, uint64_t seed) {
    const size_t n = static_cast<size_t>(minutes * 60.0 * kRate);
    dsp::GaussianNoise noise(seed);
    dsp::PskReceiver rx(kRate);
    rx.setMode(static_cast<dsp::PskMode>(mode));
    rx.setAfcLimit(25.0);
    rx.setSquelch(50, 0);
    rx.setFrequency(1000.0, 0.0);
    std::vector<float> block(800);
    std::vector<uint8_t> out;
    for (size_t done = 0; done < n; done += block.size()) {
        for (auto& x : block)
            x = static_cast<float>(0.1 * noise.next());
        rx.process(block.size(), block.data(), out);
    }
    return static_cast<double>(out.size()) / minutes;
}

// Characters printed after the end of a transmission at squelch 50 (noise getting through the
// squelch tail), over `overs` short transmissions each followed by 5 s of noise.
size_t tailChars(int mode, double snrDb, int overs, uint64_t seed) {
    size_t extra = 0;
    for (int k = 0; k < overs; ++k) {
        dsp::PskTransmitter tx(kRate);
        tx.setFrequency(1000.0);
        tx.start(mode);
        for (char ch : makeText(40, seed + static_cast<uint64_t>(k)))
            tx.queueChar(static_cast<uint8_t>(ch));
        tx.requestStop();
        const auto lead = static_cast<size_t>(kRate);
        std::vector<float> audio(lead, 0.0f);
        std::vector<dsp::PskTransmitter::Event> events;
        std::vector<float> block(80);
        while (tx.active()) {
            tx.process(block.size(), block.data(), events);
            audio.insert(audio.end(), block.begin(), block.end());
        }
        const size_t end = audio.size();
        const double power = dsp::meanPower(audio.data() + lead, end - lead);
        audio.resize(end + static_cast<size_t>(5 * kRate), 0.0f);
        dsp::GaussianNoise noise(seed * 31 + static_cast<uint64_t>(k));
        dsp::addNoise(audio.data(), audio.size(), snrDb, noise, power, kRate);
        dsp::PskReceiver rx(kRate);
        rx.setMode(static_cast<dsp::PskMode>(mode));
        rx.setAfcLimit(25.0);
        rx.setSquelch(50, 0);
        rx.setFrequency(1000.0, 0.0);
        std::vector<uint8_t> out;
        rx.process(end, audio.data(), out);
        const size_t atEnd = out.size();
        rx.process(audio.size() - end, audio.data() + end, out);
        extra += out.size() - atEnd;
    }
    return extra;
}

} // namespace

int main(int argc, char** argv) {
    size_t chars = 2000;
    double noiseMinutes = 10.0;
    int snrLo = -15, snrHi = -8;
    bool doBpsk = true, doQpsk = true;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--chars") && i + 1 < argc)
            chars = std::strtoul(argv[++i], nullptr, 10);
        else if (!std::strcmp(argv[i], "--noise-minutes") && i + 1 < argc)
            noiseMinutes = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--snr") && i + 2 < argc) {
            snrLo = std::atoi(argv[++i]);
            snrHi = std::atoi(argv[++i]);
        } else if (!std::strcmp(argv[i], "--only") && i + 1 < argc) {
            const std::string m = argv[++i];
            doBpsk = m == "bpsk";
            doQpsk = m == "qpsk";
        } else {
            std::fprintf(
                stderr,
                "usage: %s [--chars N] [--noise-minutes M] [--snr LO HI] [--only bpsk|qpsk]\n",
                argv[0]);
            return 2;
        }
    }
    chars = std::max<size_t>(chars, 10);

    std::printf("PSK31 character error rate (%%), %zu characters per point, AWGN, SNR in 3 kHz,\n"
                "AFC limit 25 Hz, squelch off. 'offset+drift': signal starts 5 Hz above the set\n"
                "frequency and drifts +1 Hz/minute.\n\n",
                chars);
    std::printf("%8s", "SNR dB");
    const char* names[] = {"BPSK", "BPSK off+drift", "QPSK", "QPSK off+drift"};
    for (int k = 0; k < 4; ++k) {
        if ((k < 2 && !doBpsk) || (k >= 2 && !doQpsk)) continue;
        std::printf(" %16s", names[k]);
    }
    std::printf("\n");
    double cpu = 0.0, cpuSum = 0.0;
    int cpuN = 0;
    for (int snr = snrLo; snr <= snrHi; ++snr) {
        std::printf("%8d", snr);
        for (int k = 0; k < 4; ++k) {
            if ((k < 2 && !doBpsk) || (k >= 2 && !doQpsk)) continue;
            const Case c{k < 2 ? 0 : 1, (k % 2) ? 5.0 : 0.0, (k % 2) ? 1.0 : 0.0};
            const double cer =
                runCase(c, snr, chars, 1000 + static_cast<uint64_t>(snr + 100) * 4 + k, &cpu);
            cpuSum += cpu;
            ++cpuN;
            std::printf(" %16.2f", cer);
            std::fflush(stdout);
        }
        std::printf("\n");
    }
    if (noiseMinutes > 0.0) {
        std::printf(
            "\nFalse characters per minute on pure noise, squelch threshold 50 (fast), %.0f min:\n",
            noiseMinutes);
        if (doBpsk) std::printf("  BPSK: %.2f\n", falseChars(0, noiseMinutes, 4242));
        if (doQpsk) std::printf("  QPSK: %.2f\n", falseChars(1, noiseMinutes, 4343));
        std::printf("\nCharacters printed in the 5 s of noise after a transmission, squelch 50, "
                    "in 20 transmissions:\n%8s",
                    "SNR dB");
        for (int snr : {10, 0, -5, -10})
            std::printf(" %6d", snr);
        std::printf("\n");
        for (int mode = 0; mode < 2; ++mode) {
            if ((mode == 0 && !doBpsk) || (mode == 1 && !doQpsk)) continue;
            std::printf("%8s", mode == 0 ? "BPSK" : "QPSK");
            for (int snr : {10, 0, -5, -10})
                std::printf(" %6zu", tailChars(mode, snr, 20, 7000 + static_cast<uint64_t>(mode)));
            std::printf("\n");
        }
    }

    // Cost: one channel, and the spectrum, per second of audio.
    {
        const size_t n = static_cast<size_t>(60 * kRate);
        std::vector<float> audio(n);
        dsp::GaussianNoise noise(99);
        for (auto& x : audio)
            x = static_cast<float>(0.1 * noise.next());
        dsp::Spectrum spectrum(kRate);
        const auto t0 = std::clock();
        for (size_t i = 0; i < n; i += 512)
            spectrum.process(std::min<size_t>(512, n - i), audio.data() + i);
        const auto t1 = std::clock();
        const double spectrumMs = double(t1 - t0) / CLOCKS_PER_SEC / 60.0 * 1000.0;
        std::printf(
            "\nCPU per second of audio: receive channel %.3f ms (mean over the runs above), "
            "spectrum %.3f ms\n",
            cpuN ? cpuSum / cpuN : 0.0, spectrumMs);
        const double total = 3 * (cpuN ? cpuSum / cpuN : 0.0) + spectrumMs;
        std::printf("Three channels + spectrum: %.3f ms per second = %.0fx real time\n", total,
                    total > 0 ? 1000.0 / total : 0.0);
    }
    return 0;
}
