#pragma once
// Test text and the character error measure shared by the benchmarks.
#include "Noise.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace bench {

inline std::string makeText(size_t chars, uint64_t seed) {
    static const char* kWords[] = {
        "the",     "and",    "name",   "here",    "is",    "rig",     "antenna", "dipole", "watts",
        "weather", "cloudy", "tnx",    "for",     "call",  "qso",     "report",  "599",    "best",
        "73",      "de",     "cq",     "pse",     "k",     "qth",     "near",    "city",   "old",
        "man",     "fine",   "signal", "strong",  "today", "band",    "open",    "europe", "radio",
        "hello",   "again",  "good",   "morning", "my",    "station", "running", "psk31",  "mode",
        "QRZ?",    "UR",     "RST",    "Name:",   "John",  "Maria",   "10m",     "20m",    "40m"};
    dsp::GaussianNoise rng(seed);
    std::string s;
    while (s.size() < chars) {
        const auto idx = static_cast<size_t>(std::fabs(rng.next()) * 1e6) % std::size(kWords);
        s += kWords[idx];
        s += (rng.next() > 2.0) ? ".\r\n" : " ";
    }
    s.resize(chars);
    return s;
}

inline size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> prev(b.size() + 1), cur(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        prev[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        cur[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t sub = prev[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            cur[j] = std::min({sub, prev[j] + 1, cur[j - 1] + 1});
        }
        std::swap(prev, cur);
    }
    return prev[b.size()];
}

// A channel profile of dips of 6..20 dB lasting 0.5..2 s, one every 7 s from the third second on.
inline std::string dipRow(double seconds) {
    static const double kDepth[] = {6, 10, 13, 20, 8, 16};
    static const double kLength[] = {0.5, 1.0, 2.0};
    std::string s = "none";
    int k = 0;
    for (double t = 3.0; t + 3.0 < seconds; t += 7.0, ++k)
        s += ",dip:" + std::to_string(t) + ":" + std::to_string(kLength[k % 3]) + ":" +
             std::to_string(kDepth[k % 6]);
    return s;
}

} // namespace bench
