// pskencode: turns text from stdin into a PSK31 WAV file, clean or through an HF channel and
// white noise at a given SNR.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "dsp/Channel.h"
#include "dsp/Noise.h"
#include "dsp/PskTransmitter.h"
#include "Resampler.h"
#include "ToolArgs.h"
#include "WavFile.h"

namespace {

const char* const kUsage =
    "usage: pskencode [--mode bpsk|qpsk-usb|qpsk-lsb] [--freq HZ] [--rate HZ] [--snr DB]\n"
    "                 [--channel PROFILE] [--seed N] [--bits 8|16|24|32|float] OUT.wav  < text\n"
    "Writes the text read from stdin as a PSK31 transmission (preamble, text, postamble).\n"
    "  --freq HZ   carrier, 100..3900 (default 1000)\n"
    "  --rate HZ   sample rate of the file, 8000..192000 (default 8000)\n"
    "  --snr DB    add white noise at this SNR measured in 3000 Hz over the average signal\n"
    "              power (default: no noise)\n"
    "  --channel PROFILE  pass the signal through a fading HF path first:\n"
    "              moderate        two Rayleigh paths, 1 ms apart, 0.5 Hz Doppler spread\n"
    "              poor            two Rayleigh paths, 2 ms apart, 1 Hz spread\n"
    "              watterson:S:D   two paths D ms apart, spread S Hz (D = 0: one path)\n"
    "              flat:S          one Rayleigh path, spread S Hz\n"
    "              amp:S, phase:S  Rayleigh fading of the amplitude, or of the phase, only\n"
    "              each optionally followed by ,dip:T:L:D (QSB: a dip starting at T s,\n"
    "              L s long, D dB deep), e.g. 'amp:0.5,dip:3:1:12'; 'dip:T:L:D' alone is a\n"
    "              dip on an unfaded signal (default: none)\n"
    "  --seed N    seed of the noise and the fading (default 1)\n"
    "  --bits      sample format (default 16)\n"
    "Exit status 1 for a wrong command line, 2 when the file cannot be written.\n";

constexpr size_t kMaxChars = 20000;  // about an hour and a half of BPSK31
constexpr double kLeadSeconds = 0.5; // quiet (or noise) before and after the transmission

int usage(const std::string& why) {
    std::fprintf(stderr, "pskencode: %s\n%s", why.c_str(), kUsage);
    return tools::kUsageError;
}

} // namespace

int main(int argc, char** argv) {
    dsp::PskMode mode = dsp::PskMode::Bpsk;
    double freq = 1000, rate = 8000, snr = 0, seed = 1;
    bool noisy = false;
    dsp::FadingChannel::Profile channel;
    audio::WavFormat format = audio::WavFormat::Int16;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string v;
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (tools::optionValue(argc, argv, i, arg, "--mode", v)) {
            if (!tools::parseMode(v, mode)) return usage("unknown mode '" + v + "'");
        } else if (tools::optionValue(argc, argv, i, arg, "--freq", v)) {
            if (!tools::parseNumber(v, 100, 3900, freq))
                return usage("frequency must be 100..3900 Hz, not '" + v + "'");
        } else if (tools::optionValue(argc, argv, i, arg, "--rate", v)) {
            if (!tools::parseNumber(v, 8000, 192000, rate) || rate != std::floor(rate))
                return usage("rate must be a whole number 8000..192000, not '" + v + "'");
        } else if (tools::optionValue(argc, argv, i, arg, "--snr", v)) {
            if (!tools::parseNumber(v, -60, 100, snr))
                return usage("SNR must be -60..100 dB, not '" + v + "'");
            noisy = true;
        } else if (tools::optionValue(argc, argv, i, arg, "--channel", v)) {
            std::string why;
            if (!dsp::FadingChannel::parse(v, channel, &why))
                return usage("unknown channel profile '" + v + "'" +
                             (why.empty() ? "" : ": " + why));
        } else if (tools::optionValue(argc, argv, i, arg, "--seed", v)) {
            if (!tools::parseNumber(v, 0, 1e15, seed) || seed != std::floor(seed))
                return usage("seed must be a whole number, not '" + v + "'");
        } else if (tools::optionValue(argc, argv, i, arg, "--bits", v)) {
            if (v == "8")
                format = audio::WavFormat::Int8;
            else if (v == "16")
                format = audio::WavFormat::Int16;
            else if (v == "24")
                format = audio::WavFormat::Int24;
            else if (v == "32")
                format = audio::WavFormat::Int32;
            else if (v == "float")
                format = audio::WavFormat::Float32;
            else
                return usage("--bits must be 8, 16, 24, 32 or float");
        } else if (arg.rfind("--", 0) == 0 && arg.size() > 2) {
            return usage("unknown or incomplete option '" + arg + "'");
        } else if (path.empty()) {
            path = arg;
        } else {
            return usage("only one output file");
        }
    }
    if (path.empty()) return usage("no output file given");

    std::string text;
    for (int c; (c = std::fgetc(stdin)) != EOF;) {
        if (text.size() == kMaxChars) {
            std::fprintf(stderr, "pskencode: text longer than %zu characters\n", kMaxChars);
            return tools::kUsageError;
        }
        text += char(c);
    }

    // The transmission at the working rate, between two quiet stretches.
    const size_t lead = size_t(kLeadSeconds * audio::kWorkingRate);
    std::vector<float> signal(lead, 0.0f);
    dsp::PskTransmitter tx(audio::kWorkingRate);
    tx.setFrequency(freq);
    tx.start(int(mode));
    for (char c : text)
        tx.queueChar(uint8_t(c));
    tx.requestStop();
    std::vector<dsp::PskTransmitter::Event> events;
    std::vector<float> block(1024);
    size_t firstActive = signal.size();
    for (bool done = false; !done;) {
        events.clear();
        tx.process(block.size(), block.data(), events);
        signal.insert(signal.end(), block.begin(), block.end());
        for (const auto& e : events)
            done = done || e.kind == dsp::PskTransmitter::Event::Finished;
    }
    const size_t lastActive = signal.size();
    signal.resize(signal.size() + lead, 0.0f);

    // The SNR is that of the average signal: measured before fading, which keeps the average.
    const double power = dsp::meanPower(signal.data() + firstActive, lastActive - firstActive);
    if (channel.fading != dsp::FadingChannel::Fading::None || !channel.dips.empty()) {
        dsp::FadingChannel path(channel, audio::kWorkingRate, uint64_t(seed) * 2654435761u + 1);
        path.process(signal.data(), signal.size());
    }
    if (noisy) {
        dsp::GaussianNoise rng{static_cast<uint64_t>(seed)};
        dsp::addNoise(signal.data(), signal.size(), snr, rng, power);
    }

    std::vector<float> out;
    if (rate != audio::kWorkingRate) {
        audio::Resampler resampler(audio::kWorkingRate, rate);
        resampler.process(signal.data(), signal.size(), out);
    } else {
        out.swap(signal);
    }

    audio::WavWriter writer;
    if (!writer.open(path, int(rate), 1, format) || !writer.write(out.data(), out.size()) ||
        !writer.close()) {
        std::fprintf(stderr, "pskencode: %s\n", writer.error().c_str());
        return tools::kFileError;
    }
    return 0;
}
