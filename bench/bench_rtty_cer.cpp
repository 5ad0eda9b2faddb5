// Character error rate of the RTTY receiver (45.45 baud, 170 Hz) against SNR, beside a plain
// noncoherent FSK decoder (the reference line) and minimodem, on the same files: minimodem's
// own Baudot transmission with calibrated white noise, and our transmission with one tone
// attenuated or Rayleigh-faded (selective fading). Also: characters printed on noise alone and
// CPU per second of audio. SNR is signal power over noise power in 3000 Hz (see Noise.h); for
// the faded cases the signal power is that of the unfaded transmission.
//
// The fading table runs the channel simulator (Watterson CCIR good/moderate/poor, flat fading,
// the mark tone alone faded, QSB dips) over several seeds and prints ours beside minimodem.
//
//   bench_rtty_cer [--chars N] [--noise-minutes M] [--no-minimodem] [--ours-only] [--seeds S]
//                  [--only white|fading]
// --seeds also sets how many noise seeds each white-noise and selective point pools; --ours-only
// keeps minimodem's transmission but leaves its decoding out (quick comparisons of our receiver).
// BENCH_DUMP=TEXT prints sent and decoded text for the fading conditions whose name holds TEXT.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>
#include <vector>

#include "BenchText.h"
#include "dsp/Baudot.h"
#include "dsp/Channel.h"
#include "dsp/FskModulator.h"
#include "dsp/Noise.h"
#include "dsp/RttyDemod.h"
#include "dsp/Spectrum.h"
#include "WavFile.h"

namespace {

constexpr double kRate = 8000.0;
constexpr double kMark = 2125.0, kShift = 170.0, kBaud = 45.45;

std::string makeText(size_t chars, uint64_t seed) {
    static const char* kWords[] = {
        "THE", "AND",  "NAME",   "HERE",   "IS",     "RIG",   "ANTENNA", "DIPOLE", "WATTS",
        "WX",  "TNX",  "FOR",    "CALL",   "QSO",    "UR",    "RST",     "599",    "5NN",
        "73",  "DE",   "CQ",     "PSE",    "K",      "QTH",   "NEAR",    "CITY",   "OM",
        "FB",  "SIG",  "STRONG", "TODAY",  "BAND",   "OPEN",  "RADIO",   "HELLO",  "GOOD",
        "MY",  "TEST", "Q1AW",   "QL2ABC", "QG4XYZ", "14085", "100W",    "BK",     "KN",
        "SK",  "NR",   "001",    "QSL?",   "FINE",   "TEMP",  "-5C",     "(OK)",   "3.5"};
    dsp::GaussianNoise rng(seed);
    std::string s;
    while (s.size() < chars) {
        const auto idx = static_cast<size_t>(std::fabs(rng.next()) * 1e6) % std::size(kWords);
        s += kWords[idx];
        s += ' ';
    }
    s.resize(chars);
    return s;
}

// Only what a teleprinter prints; line ends become spaces so that layout is not an error.
std::string normalise(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\r' || c == '\n') c = ' ';
        if (static_cast<unsigned char>(c) >= 32 && c != 127) out.push_back(c);
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    while (!out.empty() && out.front() == ' ')
        out.erase(out.begin());
    return out;
}

// The plain reference: per-bit energy of each tone through a one-bit boxcar (the matched filter
// for a steady tone), mark when its energy is the larger, start bit at the first mark-to-space
// change after mark, bits sampled at their centres. No threshold tracking, no timing search.
class PlainFsk {
public:
    explicit PlainFsk(double mark, double space) {
        n_ = int(std::lround(kRate / kBaud));
        for (int k = 0; k < 2; ++k) {
            step_[k] = std::polar(1.0, 2 * M_PI * (k ? space : mark) / kRate);
            ring_[k].assign(size_t(n_), 0.0);
        }
    }
    std::string decode(const std::vector<float>& x) {
        std::string out;
        dsp::BaudotDecoder baudot;
        bool lastMark = false;
        long next = -1, t = 0;
        int bit = 0, code = 0;
        for (float v : x) {
            for (int k = 0; k < 2; ++k) {
                const std::complex<double> z = double(v) * std::conj(rot_[k]);
                rot_[k] *= step_[k];
                sum_[k] += z - ring_[k][pos_];
                ring_[k][pos_] = z;
            }
            pos_ = (pos_ + 1) % size_t(n_);
            if ((t & 1023) == 0)
                for (auto& r : rot_)
                    r /= std::abs(r);
            const bool mark = std::norm(sum_[0]) > std::norm(sum_[1]);
            if (next < 0) {
                // The boxcar ends where the window is centred on the start bit half a bit later.
                if (lastMark && !mark) next = t + n_ / 2, bit = 0, code = 0;
            } else if (t == next) {
                if (bit == 0 && mark) {
                    next = -1; // false start
                } else if (bit >= 1 && bit <= 5) {
                    code |= (mark ? 1 : 0) << (bit - 1);
                } else if (bit == 6) {
                    if (mark) {
                        const char c = baudot.decode(uint8_t(code));
                        if (c) out.push_back(c);
                    }
                    next = -1;
                }
                if (next >= 0) next = t + n_, ++bit;
            }
            lastMark = mark;
            ++t;
        }
        return out;
    }

private:
    int n_;
    std::complex<double> step_[2], rot_[2] = {1.0, 1.0}, sum_[2];
    std::vector<std::complex<double>> ring_[2];
    size_t pos_ = 0;
};

std::string decodeOurs(const std::vector<float>& x, int squelch, double* seconds = nullptr) {
    dsp::RttyConfig cfg;
    cfg.markHz = kMark;
    cfg.shiftHz = kShift;
    cfg.squelch = squelch;
    dsp::RttyDemod rx(cfg, kRate);
    std::string text;
    const auto t0 = std::chrono::steady_clock::now();
    for (size_t i = 0; i < x.size(); i += 512)
        rx.process(x.data() + i, std::min<size_t>(512, x.size() - i), text);
    if (seconds)
        *seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return text;
}

// The engine's receive loop: the receiver fed 4 samples at a time with the crossed-ellipse
// points taken after each, the spectrum over every block and its 1024 bins read out after
// each new frame. Returns CPU seconds (this process) for the whole input.
double engineCpu(const std::vector<float>& x) {
    auto cpu = [] {
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return double(ts.tv_sec) + 1e-9 * double(ts.tv_nsec);
    };
    dsp::RttyDemod rx({}, kRate);
    dsp::Spectrum spectrum(kRate);
    std::vector<int32_t> bins(dsp::Spectrum::kBins);
    std::string text;
    double xy = 0;
    const double t0 = cpu();
    for (size_t b = 0; b < x.size(); b += 512) {
        const size_t n = std::min<size_t>(512, x.size() - b);
        for (size_t i = 0; i < n; i += 4) {
            rx.process(x.data() + b + i, std::min<size_t>(4, n - i), text);
            xy += rx.markOut() + rx.spaceOut();
        }
        if (spectrum.process(n, x.data() + b) > 0)
            spectrum.magnitudes(bins.data(), 0, dsp::Spectrum::kBins - 1);
    }
    const double used = cpu() - t0;
    if (xy == 12345.0) std::printf(" "); // keep the display points from being optimised away
    return used;
}

bool g_minimodem = true;   // minimodem transmits the white-noise files
bool g_peerDecodes = true; // and decodes every file beside ours

std::string runCommand(const std::string& cmd) {
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    pclose(p);
    return out;
}

std::string decodeMinimodem(const std::vector<float>& x) {
    char name[] = "/tmp/bench_rtty-XXXXXX.wav";
    const int fd = mkstemps(name, 4);
    if (fd < 0) return {};
    close(fd);
    audio::WavWriter w;
    if (!w.open(name, int(kRate)) || !w.write(x.data(), x.size()) || !w.close()) return {};
    const std::string out = runCommand("minimodem --rx rtty -q -M 2125 -S 2295 -f " +
                                       std::string(name) + " 2>/dev/null");
    std::remove(name);
    return out;
}

// Our own transmission as the mark and space components apart, so one tone can be faded:
// out = Re(gMark(t) * mark part + space part), continuous phase.
struct Keyed {
    std::vector<float> re, im; // analytic signal
    std::vector<char> mark;
};

Keyed transmit(const std::string& text) {
    Keyed k;
    dsp::BaudotEncoder enc;
    std::vector<uint8_t> codes;
    for (char c : text)
        enc.encode(c, codes);
    std::vector<bool> bits; // per half bit
    auto push = [&](bool m, int halves) { bits.insert(bits.end(), size_t(halves), m); };
    push(true, 16);
    for (uint8_t c : codes) {
        push(false, 2);
        for (int b = 0; b < 5; ++b)
            push((c >> b) & 1, 2);
        push(true, 3);
    }
    push(true, 8);
    double phase = 0, debt = 0;
    for (bool m : bits) {
        const double exact = kRate / kBaud / 2 + debt;
        const long n = std::lround(exact);
        debt = exact - double(n);
        const double step = 2 * M_PI * (m ? kMark : kMark + kShift) / kRate;
        for (long i = 0; i < n; ++i) {
            k.re.push_back(float(0.5 * std::cos(phase)));
            k.im.push_back(float(0.5 * std::sin(phase)));
            k.mark.push_back(m);
            phase = std::fmod(phase + step, 2 * M_PI);
        }
    }
    return k;
}

// Rayleigh fading with a Gaussian Doppler spectrum of the given spread, unit mean power.
std::vector<std::complex<float>> rayleigh(size_t n, double spreadHz, uint64_t seed) {
    const double rate = 100.0; // fading samples per second, interpolated
    const size_t m = size_t(double(n) / kRate * rate) + 4;
    dsp::GaussianNoise rng(seed);
    std::vector<std::complex<double>> w(m + 400);
    for (auto& v : w)
        v = {rng.next(), rng.next()};
    const double sigma = rate / (2 * M_PI * spreadHz); // Gaussian impulse response, in samples
    const int half = int(4 * sigma);
    std::vector<double> h(size_t(2 * half + 1));
    double e = 0;
    for (int i = -half; i <= half; ++i)
        e += (h[size_t(i + half)] = std::exp(-0.5 * (i / sigma) * (i / sigma))) *
             h[size_t(i + half)];
    std::vector<std::complex<double>> g(m);
    for (size_t i = 0; i < m; ++i) {
        std::complex<double> acc = 0;
        for (int j = -half; j <= half; ++j)
            acc += h[size_t(j + half)] * w[(i + size_t(half + j) + 200 - size_t(half)) % w.size()];
        g[i] = acc / std::sqrt(2 * e);
    }
    std::vector<std::complex<float>> out(n);
    for (size_t i = 0; i < n; ++i) {
        const double p = double(i) / kRate * rate;
        const size_t a = size_t(p);
        const double f = p - double(a);
        out[i] = std::complex<float>((1 - f) * g[a] + f * g[a + 1]);
    }
    return out;
}

struct Score {
    size_t errors = 0, chars = 0;
    void add(const std::string& ref, const std::string& got) {
        const std::string r = normalise(ref);
        errors += bench::editDistance(r, normalise(got));
        chars += r.size();
    }
    double pct() const { return chars ? 100.0 * double(errors) / double(chars) : 0.0; }
};

// Pooled over the seeds: errors over all characters sent.
struct Row {
    double snr;
    Score ours, oursSq, plain, mm;
    bool haveMm = false;
};

void printTable(const char* title, const std::vector<Row>& rows) {
    std::printf("\n%s\n\n| SNR dB | ours (errors/characters) | ours, squelch 500 | plain "
                "noncoherent | minimodem |\n|---|---|---|---|---|\n",
                title);
    for (const Row& r : rows) {
        std::printf("| %.1f | %.2f (%zu/%zu) | %.2f | %.2f | ", r.snr, r.ours.pct(), r.ours.errors,
                    r.ours.chars, r.oursSq.pct(), r.plain.pct());
        if (r.haveMm)
            std::printf("%.2f |\n", r.mm.pct());
        else
            std::printf("- |\n");
    }
    std::fflush(stdout);
}

void measure(Row& r, const std::string& text, const std::vector<float>& x) {
    r.ours.add(text, decodeOurs(x, 0));
    r.oursSq.add(text, decodeOurs(x, 500));
    r.plain.add(text, PlainFsk(kMark, kMark + kShift).decode(x));
    r.haveMm = g_minimodem && g_peerDecodes;
    if (r.haveMm) r.mm.add(text, decodeMinimodem(x));
}

std::vector<float> withNoise(std::vector<float> x, double signalPower, double snr, uint64_t seed) {
    dsp::GaussianNoise rng(seed);
    dsp::addNoise(x.data(), x.size(), snr, rng, signalPower, kRate);
    return x;
}

struct Fading {
    const char* name;
    const char* channel; // FadingChannel::parse text; "dips" builds a row of QSB dips
    bool markOnly;       // only the mark tone goes through the channel
    std::vector<double> snrs;
};

void fadingTable(size_t chars, int seeds) {
    const std::vector<Fading> conditions = {
        {"CCIR good (0.5 ms, 0.1 Hz)", "watterson:0.1:0.5", false, {10, 3, 0, -3}},
        {"CCIR moderate (1 ms, 0.5 Hz)", "moderate", false, {10, 3, 0, -3}},
        {"CCIR poor (2 ms, 1 Hz)", "poor", false, {10, 3, 0, -3}},
        {"flat Rayleigh 0.5 Hz", "flat:0.5", false, {10, 3, 0, -3}},
        {"mark tone alone Rayleigh 0.5 Hz", "flat:0.5", true, {3, 0, -3}},
        {"QSB dips 6-20 dB, 0.5-2 s", "dips", false, {3, 0, -3, -6}},
    };
    std::printf(
        "\nFading (our transmission through the channel simulator), %d seeds x %zu "
        "characters per point; CER %%\n\n| condition | SNR dB | ours (errors/characters) | plain "
        "noncoherent | minimodem | ours/minimodem |\n|---|---|---|---|---|---|\n",
        seeds, chars);
    for (const Fading& c : conditions) {
        for (double snr : c.snrs) {
            Score ours, plain, mm;
            for (int s = 0; s < seeds; ++s) {
                const uint64_t seed = 100u * uint64_t(s + 1) + uint64_t(snr + 50);
                const std::string text = makeText(chars, seed);
                const Keyed k = transmit(text);
                const double power = dsp::meanPower(k.re.data(), k.re.size());
                const std::string prof = std::strcmp(c.channel, "dips")
                                             ? c.channel
                                             : bench::dipRow(double(k.re.size()) / kRate);
                dsp::FadingChannel::Profile profile;
                if (!dsp::FadingChannel::parse(prof, profile)) std::abort();
                std::vector<float> x = k.re;
                if (c.markOnly) {
                    std::vector<float> m(x.size());
                    for (size_t i = 0; i < x.size(); ++i)
                        m[i] = k.mark[i] ? x[i] : 0.0f;
                    dsp::FadingChannel(profile, kRate, seed).process(m.data(), m.size());
                    for (size_t i = 0; i < x.size(); ++i)
                        x[i] = (k.mark[i] ? 0.0f : x[i]) + m[i];
                } else {
                    dsp::FadingChannel(profile, kRate, seed).process(x.data(), x.size());
                }
                x = withNoise(std::move(x), power, snr, seed * 7919 + 17);
                ours.add(text, decodeOurs(x, 0));
                if (std::getenv("BENCH_DUMP") && std::strstr(c.name, std::getenv("BENCH_DUMP")))
                    std::printf("REF %s\nOUR %s\nPLN %s\n", normalise(text).c_str(),
                                normalise(decodeOurs(x, 0)).c_str(),
                                normalise(PlainFsk(kMark, kMark + kShift).decode(x)).c_str());
                plain.add(text, PlainFsk(kMark, kMark + kShift).decode(x));
                if (g_minimodem && g_peerDecodes) mm.add(text, decodeMinimodem(x));
            }
            std::printf("| %s | %+.0f | %.2f (%zu/%zu) | %.2f | ", c.name, snr, ours.pct(),
                        ours.errors, ours.chars, plain.pct());
            if (g_minimodem && g_peerDecodes)
                std::printf("%.2f | %.2f |\n", mm.pct(),
                            mm.pct() > 0 ? ours.pct() / mm.pct() : (ours.pct() > 0 ? 99.0 : 1.0));
            else
                std::printf("- | - |\n");
            std::fflush(stdout);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    size_t chars = 2000;
    double noiseMinutes = 10;
    int seeds = 4;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--chars") && i + 1 < argc)
            chars = size_t(std::atol(argv[++i]));
        else if (!std::strcmp(argv[i], "--noise-minutes") && i + 1 < argc)
            noiseMinutes = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--no-minimodem"))
            g_minimodem = false;
        else if (!std::strcmp(argv[i], "--ours-only"))
            g_peerDecodes = false;
        else if (!std::strcmp(argv[i], "--seeds") && i + 1 < argc)
            seeds = std::max(1, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--only") && i + 1 < argc)
            only = argv[++i];
        else {
            std::fprintf(stderr,
                         "usage: bench_rtty_cer [--chars N] [--noise-minutes M] "
                         "[--no-minimodem] [--ours-only] [--seeds S] [--only white|fading]\n");
            return 1;
        }
    }
    if (g_minimodem && runCommand("command -v minimodem").empty()) {
        std::fprintf(stderr, "bench_rtty_cer: minimodem not found; its column stays empty\n");
        g_minimodem = false;
    }
    if (only == "fading") {
        fadingTable(chars, seeds);
        return 0;
    }
    const std::string text = makeText(chars, 7);

    // 1. minimodem's transmission (ours when minimodem is missing), white noise.
    std::vector<float> clean;
    const char* source = "our transmitter";
    if (g_minimodem) {
        char name[] = "/tmp/bench_rtty_tx-XXXXXX.wav";
        const int fd = mkstemps(name, 4);
        FILE* p = nullptr;
        if (fd >= 0) {
            close(fd);
            p = popen(
                ("minimodem --tx rtty -M 2125 -S 2295 -R 8000 -f " + std::string(name)).c_str(),
                "w");
        }
        if (p) {
            std::fputs(text.c_str(), p);
            pclose(p);
            std::string err;
            if (audio::loadWav(name, clean, err)) source = "minimodem's transmission";
        }
        std::remove(name);
    }
    if (clean.empty()) {
        const Keyed k = transmit(text);
        clean = k.re;
    }
    // Signal power over the keyed part only (minimodem pads with a little silence).
    size_t a = 0, b = clean.size();
    while (a < b && std::fabs(clean[a]) < 1e-3f)
        ++a;
    while (b > a && std::fabs(clean[b - 1]) < 1e-3f)
        --b;
    const double p = dsp::meanPower(clean.data() + a, b - a);
    std::printf("RTTY 45.45 baud, 170 Hz shift, mark 2125 Hz; %zu characters per point; CER %%\n",
                normalise(text).size());
    std::vector<Row> rows;
    for (double snr : {-3.0, -4.0, -5.0, -6.0, -6.5, -7.0, -7.5, -8.0, -9.0}) {
        Row row{snr, {}, {}, {}, {}};
        for (int sd = 0; sd < seeds; ++sd)
            measure(row, text, withNoise(clean, p, snr, uint64_t(11 + sd)));
        rows.push_back(row);
    }
    printTable((std::string("White noise, ") + source + ", " + std::to_string(seeds) +
                " noise seeds pooled")
                   .c_str(),
               rows);

    // 2. Selective fading on our own transmission: the mark tone alone attenuated or faded.
    const Keyed k = transmit(text);
    const double pk = dsp::meanPower(k.re.data(), k.re.size());
    auto fadeMark = [&](auto gain) {
        std::vector<float> y(k.re.size());
        for (size_t i = 0; i < y.size(); ++i) {
            const std::complex<float> s(k.re[i], k.im[i]);
            y[i] = k.mark[i] ? (gain(i) * s).real() : s.real();
        }
        return y;
    };
    rows.clear();
    const auto down10 = fadeMark([](size_t) { return std::complex<float>(0.3162f, 0.0f); });
    for (double snr : {-1.0, -3.0, -5.0}) {
        rows.push_back(Row{snr, {}, {}, {}, {}});
        for (int sd = 0; sd < seeds; ++sd)
            measure(rows.back(), text, withNoise(down10, pk, snr, uint64_t(12 + 1000 * sd)));
    }
    printTable("Mark tone 10 dB down (ATC), our transmission, noise seeds pooled", rows);

    rows.clear();
    for (double snr : {-1.0, -3.0, -5.0}) {
        rows.push_back(Row{snr, {}, {}, {}, {}});
        for (int sd = 0; sd < seeds; ++sd) {
            const auto fade = rayleigh(k.re.size(), 0.5, uint64_t(5 + sd));
            const auto faded = fadeMark([&](size_t i) { return fade[i]; });
            measure(rows.back(), text, withNoise(faded, pk, snr, uint64_t(13 + 1000 * sd)));
        }
    }
    printTable("Mark tone alone Rayleigh-faded, 0.5 Hz spread (own one-tone fader), fading and "
               "noise seeds pooled",
               rows);

    // 3. Noise alone: characters printed, and the CPU cost per second of audio.
    std::vector<float> noise(size_t(noiseMinutes * 60 * kRate), 0.0f);
    dsp::GaussianNoise rng(99);
    for (auto& v : noise)
        v = float(0.1 * rng.next());
    double secs = 0;
    const std::string open = decodeOurs(noise, 0, &secs);
    const std::string sq = decodeOurs(noise, 500);
    std::printf("\nNoise alone, %.0f minutes: %zu characters printed at squelch 500 (default), "
                "%zu with the squelch open\n",
                noiseMinutes, sq.size(), open.size());
    std::printf("CPU: %.3f ms per second of audio (%.3f %% of a core in real time)\n",
                1000.0 * secs / (noiseMinutes * 60), 100.0 * secs / (noiseMinutes * 60));
    const double engine = engineCpu(noise);
    std::printf("CPU, the engine's receive loop (receiver by 4 samples, crossed-ellipse points, "
                "spectrum): %.3f %% of a core in real time\n",
                100.0 * engine / (noiseMinutes * 60));
    if (only != "white") fadingTable(chars, seeds);
    return 0;
}
