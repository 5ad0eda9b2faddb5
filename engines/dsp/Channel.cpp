#include "Channel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <sstream>

namespace dsp {
namespace {
constexpr int kSinusoids = 24;
constexpr int kHilbertHalf = 64; // 129 taps: flat within 0.1 dB from 200 Hz to fs/2 - 200 Hz
} // namespace

bool FadingChannel::parse(const std::string& text, Profile& p, std::string* error) {
    p = Profile{};
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    std::stringstream items(text);
    std::string item;
    bool first = true;
    while (std::getline(items, item, ',')) {
        std::vector<std::string> f;
        std::stringstream fields(item);
        std::string field;
        while (std::getline(fields, field, ':'))
            f.push_back(field);
        if (f.empty()) return fail("empty channel item");
        std::vector<double> v;
        for (size_t i = 1; i < f.size(); ++i) {
            char* end = nullptr;
            const double x = std::strtod(f[i].c_str(), &end);
            if (f[i].empty() || *end || !std::isfinite(x) || x < 0.0)
                return fail("not a number in \"" + item + "\"");
            v.push_back(x);
        }
        const std::string& k = f[0];
        if (k == "dip") {
            if (v.size() != 3 || v[1] <= 0.0) return fail("a dip needs start:length:depth");
            p.dips.push_back({v[0], v[1], v[2]});
            continue;
        }
        if (!first) return fail("fading given twice: \"" + item + "\"");
        first = false;
        if (k == "none" && v.empty()) continue;
        if ((k == "moderate" || k == "poor") && v.empty()) {
            p.fading = Fading::Watterson;
            p.spreadHz = k == "moderate" ? 0.5 : 1.0;
            p.delayMs = k == "moderate" ? 1.0 : 2.0;
        } else if (k == "watterson" && v.size() == 2) {
            p.fading = Fading::Watterson;
            p.spreadHz = v[0];
            p.delayMs = v[1];
        } else if ((k == "flat" || k == "amp" || k == "phase") && v.size() == 1) {
            p.fading = k == "flat"  ? Fading::Watterson
                       : k == "amp" ? Fading::Amplitude
                                    : Fading::Phase;
            p.spreadHz = v[0];
        } else {
            return fail("unknown channel \"" + item + "\"");
        }
        if (p.spreadHz > 50.0 || p.delayMs > 20.0) return fail("spread or delay too large");
    }
    return true;
}

FadingChannel::FadingChannel(const Profile& profile, double sampleRate, uint64_t seed)
    : m_p(profile), m_fs(sampleRate) {
    GaussianNoise rng(seed * 2654435761ULL + 12345);
    m_paths = m_p.fading == Fading::None ? 0 : (m_p.delayMs > 0.0 ? 2 : 1);
    // Gaussian Doppler spectrum by sums of sinusoids: frequencies drawn from the spectrum,
    // random phases, equal weights. Each path carries half the power when there are two.
    const double sigma = m_p.spreadHz / 2.0;
    for (int k = 0; k < m_paths; ++k) {
        const double w = 1.0 / std::sqrt(kSinusoids * m_paths);
        for (int i = 0; i < kSinusoids; ++i) {
            const double f = sigma * rng.next();
            const double re = rng.next();
            const double ph = std::atan2(rng.next(), re); // uniform
            m_path[k].rot.push_back(std::polar(1.0, 2.0 * std::numbers::pi * f / m_fs));
            m_path[k].ph.push_back(std::polar(w, ph));
        }
    }
    m_delay = static_cast<size_t>(std::lround(m_p.delayMs * 1e-3 * m_fs));
    m_half = kHilbertHalf;
    m_hilbert.assign(2 * m_half + 1, 0.0f);
    for (int i = 1; i <= kHilbertHalf; i += 2) {
        const double win = 0.42 + 0.5 * std::cos(std::numbers::pi * i / (kHilbertHalf + 1)) +
                           0.08 * std::cos(2 * std::numbers::pi * i / (kHilbertHalf + 1));
        const double h = 2.0 / (std::numbers::pi * i) * win;
        m_hilbert[m_half + static_cast<size_t>(i)] = static_cast<float>(h);
        m_hilbert[m_half - static_cast<size_t>(i)] = static_cast<float>(-h);
    }
    m_in.assign(m_hilbert.size() + m_delay + 1, 0.0f);
}

std::complex<double> FadingChannel::Path::next() {
    std::complex<double> g{0.0, 0.0};
    for (size_t i = 0; i < ph.size(); ++i) {
        g += ph[i];
        ph[i] *= rot[i];
    }
    return g;
}

double FadingChannel::dipGain(double t) const {
    double g = 1.0;
    for (const Dip& d : m_p.dips) {
        if (t < d.startS || t > d.startS + d.lengthS) continue;
        // Raised-cosine fall and rise, each a quarter of the dip, flat at the bottom between.
        const double x = (t - d.startS) / d.lengthS;
        const double edge = std::min({x, 1.0 - x, 0.25}) / 0.25;
        const double depth = std::pow(10.0, -d.depthDb / 20.0);
        g *= 1.0 - (1.0 - depth) * (0.5 - 0.5 * std::cos(std::numbers::pi * edge));
    }
    return g;
}

void FadingChannel::process(float* x, size_t n) {
    const size_t len = m_in.size();
    for (size_t i = 0; i < n; ++i) {
        m_in[m_pos] = x[i];
        auto at = [&](size_t back) { return m_in[(m_pos + len - back) % len]; };
        // Analytic signal m_half samples ago (and, for the second path, m_delay before that).
        auto analytic = [&](size_t extra) {
            double q = 0.0;
            for (size_t k = 1; k < m_hilbert.size(); k += 2)
                q += m_hilbert[k] * at(extra + 2 * m_half - k);
            return std::complex<double>(at(extra + m_half), q);
        };
        double y = at(m_half);
        if (m_paths > 0) {
            std::complex<double> g = m_path[0].next();
            if (m_p.fading == Fading::Amplitude) g = std::abs(g);
            if (m_p.fading == Fading::Phase) g = std::polar(1.0, std::arg(g));
            std::complex<double> s = g * analytic(0);
            if (m_paths == 2) s += m_path[1].next() * analytic(m_delay);
            y = s.real();
        }
        if (!m_p.dips.empty()) y *= dipGain(static_cast<double>(m_time) / m_fs);
        x[i] = static_cast<float>(y);
        m_pos = (m_pos + 1) % len;
        ++m_time;
        if (++m_renorm >= 4096) {
            m_renorm = 0;
            for (int k = 0; k < m_paths; ++k)
                for (size_t j = 0; j < m_path[k].rot.size(); ++j)
                    m_path[k].rot[j] /= std::abs(m_path[k].rot[j]);
        }
    }
}

} // namespace dsp
