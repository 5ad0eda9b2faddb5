#pragma once
// Shared helpers for the signal-level tests: transmit text with the real transmitter, add
// seeded noise, run receivers, and score what comes out.

#include "Noise.h"
#include "PskReceiver.h"
#include "PskTransmitter.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace psktest {

constexpr double kRate = 8000.0;

// Transmits text (mode 0..2) at hz, including preamble and postamble. perBlock, if given, is
// called before each 80-sample block with the time in seconds (to sweep the frequency).
inline std::vector<float>
transmit(const std::string& text, int mode, double hz,
         const std::function<void(dsp::PskTransmitter&, double)>& perBlock = {}) {
    dsp::PskTransmitter tx(kRate);
    tx.setFrequency(hz);
    tx.start(mode);
    for (char c : text)
        tx.queueChar(static_cast<uint8_t>(c));
    tx.requestStop();
    std::vector<float> audio;
    std::vector<float> block(80);
    std::vector<dsp::PskTransmitter::Event> events;
    double t = 0.0;
    while (tx.active()) {
        if (perBlock) perBlock(tx, t);
        tx.process(block.size(), block.data(), events);
        audio.insert(audio.end(), block.begin(), block.end());
        t += block.size() / kRate;
    }
    return audio;
}

inline void addSilence(std::vector<float>& audio, double before, double after) {
    audio.insert(audio.begin(), static_cast<size_t>(before * kRate), 0.0f);
    audio.insert(audio.end(), static_cast<size_t>(after * kRate), 0.0f);
}

// Adds noise for snrDb, with the signal power taken from the transmission itself.
inline void addNoise(std::vector<float>& audio, double signalPower, double snrDb, uint64_t seed) {
    dsp::GaussianNoise rng(seed);
    dsp::addNoise(audio.data(), audio.size(), snrDb, rng, signalPower, kRate);
}

inline std::string decode(dsp::PskReceiver& rx, const std::vector<float>& audio,
                          size_t block = 300) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < audio.size(); i += block)
        rx.process(std::min(block, audio.size() - i), audio.data() + i, out);
    return std::string(out.begin(), out.end());
}

inline size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> prev(b.size() + 1), cur(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        prev[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        cur[0] = i;
        for (size_t j = 1; j <= b.size(); ++j)
            cur[j] = std::min(
                {prev[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1), prev[j] + 1, cur[j - 1] + 1});
        std::swap(prev, cur);
    }
    return prev[b.size()];
}

// Character error rate of got against sent, in percent.
inline double cer(const std::string& sent, const std::string& got) {
    return sent.empty() ? 0.0 : 100.0 * static_cast<double>(editDistance(sent, got)) / sent.size();
}

// Seeded plain-language text of n characters.
inline std::string sampleText(size_t n, uint64_t seed) {
    static const char* kWords[] = {"cq",   "de",    "the",  "rig",  "is",     "running",
                                   "5",    "watts", "into", "a",    "dipole", "name",
                                   "here", "QTH",   "near", "city", "tnx",    "for",
                                   "call", "73",    "UR",   "RST",  "599",    "weather"};
    dsp::GaussianNoise rng(seed);
    std::string s;
    while (s.size() < n) {
        s += kWords[static_cast<size_t>(std::fabs(rng.next()) * 1000.0) % std::size(kWords)];
        s += ' ';
    }
    s.resize(n);
    return s;
}

// Power of the signal component at hz (single-bin DFT with a Hann window over x).
inline double tonePower(const std::vector<float>& x, size_t from, size_t len, double hz) {
    double re = 0.0, im = 0.0, wsum = 0.0;
    for (size_t i = 0; i < len; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * M_PI * (i + 0.5) / len);
        const double ph = 2.0 * M_PI * hz * static_cast<double>(i) / kRate;
        re += w * x[from + i] * std::cos(ph);
        im -= w * x[from + i] * std::sin(ph);
        wsum += w;
    }
    return (re * re + im * im) / (wsum * wsum);
}

} // namespace psktest
