// pskdecode: decodes PSK31 from a WAV file on up to three channels and prints the text.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ChannelBank.h"
#include "PeakFinder.h"
#include "ToolArgs.h"
#include "WavFile.h"

namespace {

const char* const kUsage =
    "usage: pskdecode [--mode bpsk|qpsk-usb|qpsk-lsb] [--freq HZ]... [--afc HZ] [--search HZ]\n"
    "                 [--squelch N] FILE.wav\n"
    "Decodes PSK31 from FILE.wav (any rate, 8/16/24/32-bit or float, first channel); '-' or\n"
    "a pipe reads standard input.\n"
    "  --freq HZ     audio frequency of a channel, 100..3900; up to three. Without it the\n"
    "                strongest signal in the file is decoded.\n"
    "  --mode        modulation of every channel (default bpsk)\n"
    "  --afc HZ      how far AFC may pull, 0 = off (default 50)\n"
    "  --search HZ   range searched for the signal around each frequency (default 50)\n"
    "  --squelch N   squelch threshold 0..99 (default 0 = open)\n"
    "With one channel the text alone is printed; with more, each channel's text under a\n"
    "header line. Exit status 1 for a wrong command line, 2 for a file that cannot be used.\n";

int usage(const char* why) {
    std::fprintf(stderr, "pskdecode: %s\n%s", why, kUsage);
    return tools::kUsageError;
}

// What a terminal should show of the decoded bytes: line feeds for the CR LF pairs PSK31 sends,
// backspaces applied, other control codes dropped, Latin-1 above 127 as UTF-8.
std::string printable(const std::vector<uint8_t>& bytes) {
    std::string out;
    for (uint8_t c : bytes) {
        if (c == '\n' || c == '\t' || (c >= 32 && c < 127)) {
            out += char(c);
        } else if (c == 8) {
            while (!out.empty() && (uint8_t(out.back()) & 0xC0) == 0x80)
                out.pop_back();
            if (!out.empty() && out.back() != '\n') out.pop_back();
        } else if (c >= 160) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    dsp::PskMode mode = dsp::PskMode::Bpsk;
    std::vector<double> freqs;
    double afc = 50, search = 50, squelch = 0;
    std::string path;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string v;
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (tools::optionValue(argc, argv, i, arg, "--mode", v)) {
            if (!tools::parseMode(v, mode)) return usage(("unknown mode '" + v + "'").c_str());
        } else if (tools::optionValue(argc, argv, i, arg, "--freq", v)) {
            double f;
            if (!tools::parseNumber(v, 100, 3900, f))
                return usage(("frequency must be 100..3900 Hz, not '" + v + "'").c_str());
            if (freqs.size() == 3) return usage("at most three --freq");
            freqs.push_back(f);
        } else if (tools::optionValue(argc, argv, i, arg, "--afc", v)) {
            if (!tools::parseNumber(v, 0, 500, afc))
                return usage(("--afc must be 0..500 Hz, not '" + v + "'").c_str());
        } else if (tools::optionValue(argc, argv, i, arg, "--search", v)) {
            if (!tools::parseNumber(v, 0, 500, search))
                return usage(("--search must be 0..500 Hz, not '" + v + "'").c_str());
        } else if (tools::optionValue(argc, argv, i, arg, "--squelch", v)) {
            if (!tools::parseNumber(v, 0, 99, squelch))
                return usage(("--squelch must be 0..99, not '" + v + "'").c_str());
        } else if (arg.rfind("-", 0) == 0 && arg.size() > 1) {
            return usage(("unknown or incomplete option '" + arg + "'").c_str());
        } else if (path.empty()) {
            path = arg;
        } else {
            return usage("only one file");
        }
    }
    if (path.empty()) return usage("no file given");

    audio::WavSource source;
    if (!source.open(path)) {
        std::fprintf(stderr, "pskdecode: %s\n", source.error().c_str());
        return tools::kFileError;
    }
    if (source.info().truncated)
        std::fprintf(stderr, "pskdecode: warning: %s is truncated; decoding what is there\n",
                     path.c_str());

    // The first minute is read ahead to find the strongest signal; the rest streams.
    std::vector<float> head(60 * audio::kWorkingRate);
    head.resize(source.read(head.data(), head.size()));
    if (head.empty()) {
        std::fprintf(stderr, "pskdecode: %s holds no samples\n", path.c_str());
        return tools::kFileError;
    }
    if (freqs.empty()) {
        pskcore::PeakFinder finder(0.0);
        finder.process(head.data(), head.size());
        double f = 1000;
        if (!finder.ready()) {
            std::fprintf(stderr, "pskdecode: %s holds too little audio to decode\n", path.c_str());
        } else if (!finder.strongest(200, 3800, f)) {
            std::fprintf(stderr, "pskdecode: no clear signal; trying the strongest spot, %.0f Hz\n",
                         f);
        } else {
            std::fprintf(stderr, "pskdecode: strongest signal at %.0f Hz\n", f);
        }
        freqs.push_back(f);
    }

    pskcore::ChannelBank bank(int(freqs.size()));
    for (int ch = 0; ch < bank.channels(); ++ch) {
        dsp::PskReceiver& rx = bank.receiver(ch);
        rx.setMode(mode);
        rx.setAfcLimit(afc);
        rx.setSquelch(int(squelch), 0);
        rx.setFrequency(freqs[size_t(ch)], search);
    }
    pskcore::ChannelBank::Decoded decoded;
    std::vector<uint8_t> text[pskcore::ChannelBank::kMaxChannels];
    auto decodeBlock = [&](const float* x, size_t n) {
        for (auto& d : decoded)
            d.clear();
        bank.process(x, n, decoded);
        for (int ch = 0; ch < bank.channels(); ++ch)
            text[ch].insert(text[ch].end(), decoded[size_t(ch)].begin(), decoded[size_t(ch)].end());
    };
    constexpr size_t kBlock = 1024;
    for (size_t pos = 0; pos < head.size(); pos += kBlock)
        decodeBlock(head.data() + pos, std::min(kBlock, head.size() - pos));
    std::vector<float> block(kBlock);
    while (const size_t n = source.read(block.data(), block.size()))
        decodeBlock(block.data(), n);

    if (bank.channels() == 1) {
        std::fputs(printable(text[0]).c_str(), stdout);
    } else {
        for (int ch = 0; ch < bank.channels(); ++ch) {
            std::printf("=== channel %d, %.0f Hz ===\n", ch, freqs[size_t(ch)]);
            std::string t = printable(text[ch]);
            if (!t.empty() && t.back() != '\n') t += '\n';
            std::fputs(t.c_str(), stdout);
        }
    }
    return std::fflush(stdout) == 0 ? 0 : tools::kFileError;
}
