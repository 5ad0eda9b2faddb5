// rttydecode: decodes RTTY (Baudot, AFSK) from a WAV file or stdin and prints the text.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "dsp/RttyDemod.h"
#include "RttyArgs.h"
#include "WavFile.h"

namespace {

const char* const kUsage =
    "usage: rttydecode [--mark HZ] [--shift HZ] [--baud B] [--reverse] [--afc]\n"
    "                  [--squelch N] FILE.wav|-\n"
    "Decodes RTTY from a WAV file (any rate, 8/16/24/32-bit or float, first channel);\n"
    "'-' reads the WAV file from stdin.\n"
    "  --mark HZ     mark tone, 100..3800 (default 2125); the space tone is mark + shift\n"
    "  --shift HZ    20..1000 (default 170)\n"
    "  --baud B      20..300 (default 45.45)\n"
    "  --reverse     exchange mark and space\n"
    "  --afc         let the tones follow the signal (up to 100 Hz)\n"
    "  --squelch N   0..1000 (default 0 = open)\n"
    "Exit status 1 for a wrong command line, 2 for a file that cannot be used.\n";

int usage(const std::string& why) {
    std::fprintf(stderr, "rttydecode: %s\n%s", why.c_str(), kUsage);
    return tools::kUsageError;
}

// A WAV stream on stdin goes to a private temporary file, since the reader needs to seek.
bool spoolStdin(std::string& path) {
    char name[] = "/tmp/rttydecode-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) return false;
    path = name;
    std::vector<char> buf(1 << 16);
    size_t n;
    bool ok = true;
    while (ok && (n = std::fread(buf.data(), 1, buf.size(), stdin)) > 0)
        ok = write(fd, buf.data(), n) == ssize_t(n);
    ok = (close(fd) == 0) && ok && !std::ferror(stdin);
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    tools::RttyOptions o;
    double squelch = 0;
    bool afc = false;
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
        } else if (arg == "--afc") {
            afc = true;
        } else if (tools::optionValue(argc, argv, i, arg, "--squelch", v)) {
            if (!tools::parseNumber(v, 0, 1000, squelch))
                return usage("squelch must be 0..1000, not '" + v + "'");
        } else if (arg != "-" && arg.rfind("-", 0) == 0) {
            return usage("unknown or incomplete option '" + arg + "'");
        } else if (path.empty()) {
            path = arg;
        } else {
            return usage("only one file");
        }
    }
    if (path.empty()) return usage("no file given");
    if (o.mark + o.shift > 3900)
        return usage("the space tone (mark + shift) must stay below 3900 Hz");

    std::string spool;
    if (path == "-") {
        if (!spoolStdin(spool)) {
            if (!spool.empty()) std::remove(spool.c_str());
            std::fprintf(stderr, "rttydecode: cannot read the WAV stream from stdin\n");
            return tools::kFileError;
        }
        path = spool;
    }
    audio::WavSource source;
    const bool opened = source.open(path);
    if (!spool.empty()) std::remove(spool.c_str()); // the open file stays readable
    if (!opened) {
        std::fprintf(stderr, "rttydecode: %s\n", source.error().c_str());
        return tools::kFileError;
    }
    if (source.info().truncated)
        std::fprintf(stderr,
                     "rttydecode: warning: the file is truncated; decoding what is there\n");

    dsp::RttyConfig cfg;
    cfg.markHz = o.mark;
    cfg.shiftHz = o.shift;
    cfg.baud = o.baud;
    cfg.reverse = o.reverse;
    cfg.afc = afc;
    cfg.squelch = int(squelch);
    dsp::RttyDemod rx(cfg, audio::kWorkingRate);
    std::vector<float> block(4096);
    std::string text, out;
    while (const size_t n = source.read(block.data(), block.size())) {
        text.clear();
        rx.process(block.data(), n, text);
        for (char c : text) {
            // Teleprinters send CR LF; a terminal wants one line feed, and no bell.
            if (c == '\r' || c == '\a') continue;
            out.push_back(c);
        }
    }
    std::fputs(out.c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : tools::kFileError;
}
