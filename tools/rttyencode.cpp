// rttyencode: turns text from stdin into an RTTY (Baudot, AFSK) WAV file, clean or with noise.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "dsp/Baudot.h"
#include "dsp/FskModulator.h"
#include "dsp/Noise.h"
#include "Resampler.h"
#include "RttyArgs.h"
#include "WavFile.h"

namespace {

const char* const kUsage =
    "usage: rttyencode [--mark HZ] [--shift HZ] [--baud B] [--reverse] [--stop BITS]\n"
    "                  [--snr DB] [--seed N] [--rate HZ] OUT.wav  < text\n"
    "Writes the text read from stdin as an RTTY transmission (Baudot, continuous-phase AFSK).\n"
    "  --mark HZ    mark tone, 100..3800 (default 2125); the space tone is mark + shift\n"
    "  --shift HZ   20..1000 (default 170)\n"
    "  --baud B     20..300 (default 45.45)\n"
    "  --reverse    exchange mark and space\n"
    "  --stop BITS  stop bits 1..2 (default 1.5)\n"
    "  --snr DB     add white noise at this SNR measured in 3000 Hz (default: no noise)\n"
    "  --seed N     noise seed (default 1)\n"
    "  --rate HZ    sample rate of the file, 8000..192000 (default 8000)\n"
    "Letters are sent in upper case; characters without a Baudot code are skipped.\n"
    "Exit status 1 for a wrong command line, 2 when the file cannot be written.\n";

constexpr size_t kMaxChars = 100000;
constexpr double kLeadSeconds = 0.5; // quiet (or noise) before and after the transmission
constexpr double kAmplitude = 0.5;

int usage(const std::string& why) {
    std::fprintf(stderr, "rttyencode: %s\n%s", why.c_str(), kUsage);
    return tools::kUsageError;
}

} // namespace

int main(int argc, char** argv) {
    tools::RttyOptions o;
    double snr = 0, seed = 1, rate = 8000, stop = 1.5;
    bool noisy = false;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string v, why;
        const int taken = tools::takeRttyOption(argc, argv, i, arg, o, why);
        if (taken < 0) return usage(why);
        if (taken > 0) continue;
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (tools::optionValue(argc, argv, i, arg, "--snr", v)) {
            if (!tools::parseNumber(v, -60, 100, snr))
                return usage("SNR must be -60..100 dB, not '" + v + "'");
            noisy = true;
        } else if (tools::optionValue(argc, argv, i, arg, "--seed", v)) {
            if (!tools::parseNumber(v, 0, 4e9, seed) || seed != std::floor(seed))
                return usage("seed must be a whole number, not '" + v + "'");
        } else if (tools::optionValue(argc, argv, i, arg, "--stop", v)) {
            if (!tools::parseNumber(v, 1, 2, stop))
                return usage("stop bits must be 1..2, not '" + v + "'");
        } else if (tools::optionValue(argc, argv, i, arg, "--rate", v)) {
            if (!tools::parseNumber(v, 8000, 192000, rate) || rate != std::floor(rate))
                return usage("rate must be a whole number 8000..192000, not '" + v + "'");
        } else if (arg.rfind("--", 0) == 0 && arg.size() > 2) {
            return usage("unknown or incomplete option '" + arg + "'");
        } else if (path.empty()) {
            path = arg;
        } else {
            return usage("only one output file");
        }
    }
    if (path.empty()) return usage("no output file given");
    if (o.mark + o.shift > 3900)
        return usage("the space tone (mark + shift) must stay below 3900 Hz");

    std::string text;
    int c;
    while ((c = std::getchar()) != EOF && text.size() < kMaxChars)
        text.push_back(char(c));
    if (c != EOF) std::fprintf(stderr, "rttyencode: text cut at %zu characters\n", kMaxChars);

    const double fs = audio::kWorkingRate;
    dsp::FskModulator mod(fs);
    mod.setTones(o.mark, o.shift, o.reverse);
    mod.setBaud(o.baud);
    mod.setAmplitude(kAmplitude);
    dsp::BaudotEncoder enc;
    std::vector<float> x(size_t(kLeadSeconds * fs), 0.0f);
    const size_t keyedFrom = x.size();
    mod.tone(true, 8, x); // idle mark so the receiver finds the tones before the text
    std::vector<uint8_t> codes;
    size_t skipped = 0;
    for (char ch : text) {
        if (ch == '\n') {
            codes.push_back(dsp::baudot::kCr); // a new line on a teleprinter is CR LF
            codes.push_back(dsp::baudot::kLf);
        } else if (!enc.encode(ch, codes)) {
            ++skipped;
        }
    }
    for (uint8_t code : codes)
        mod.character(code, stop, x);
    mod.tone(true, 4, x);
    mod.rampDown(0.005, x);
    const size_t keyedTo = x.size();
    x.resize(x.size() + size_t(kLeadSeconds * fs), 0.0f);
    if (skipped)
        std::fprintf(stderr, "rttyencode: %zu characters without a Baudot code skipped\n", skipped);

    if (noisy) {
        dsp::GaussianNoise rng{static_cast<uint64_t>(seed)};
        const double p = dsp::meanPower(x.data() + keyedFrom, keyedTo - keyedFrom);
        dsp::addNoise(x.data(), x.size(), snr, rng, p, fs);
    }
    std::vector<float> out;
    if (rate != fs) {
        audio::Resampler rs(fs, rate);
        rs.process(x.data(), x.size(), out);
        std::vector<float> tail(rs.latency(), 0.0f);
        rs.process(tail.data(), tail.size(), out);
    } else {
        out.swap(x);
    }
    audio::WavWriter w;
    if (!w.open(path, int(rate)) || !w.write(out.data(), out.size()) || !w.close()) {
        std::fprintf(stderr, "rttyencode: %s\n", w.error().c_str());
        return tools::kFileError;
    }
    return 0;
}
