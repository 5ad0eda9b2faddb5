#include "VaricodeSequence.h"

#include "Varicode.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <string>

namespace dsp {
namespace {

// English letter frequencies (percent), a..z.
constexpr double kLetters[26] = {8.2,  1.5, 2.8, 4.3, 12.7, 2.2,  2.0, 6.1, 7.0,
                                 0.15, 0.8, 4.0, 2.4, 6.7,  7.5,  1.9, 0.1, 6.0,
                                 6.3,  9.1, 2.8, 1.0, 2.4,  0.15, 2.0, 0.07};

struct Prior {
    std::array<double, 256> log{};
    Prior() {
        std::array<double, 256> p{};
        p.fill(1e-6); // control characters and the upper half
        for (int c = 33; c < 127; ++c)
            p[c] = 1e-4; // printable, unusual
        p[' '] = 0.16;
        p['\r'] = p['\n'] = 0.01;
        // Callsigns put capitals in about any order: half by English, half even.
        for (int i = 0; i < 26; ++i) {
            p['a' + i] = 0.50 * kLetters[i] / 100.0;
            p['A' + i] = 0.12 * (0.5 * kLetters[i] / 100.0 + 0.5 / 26.0);
        }
        for (int d = 0; d < 10; ++d)
            p['0' + d] = 0.007;
        for (auto [c, v] : {std::pair{'.', 0.008},
                            {',', 0.005},
                            {'?', 0.004},
                            {'/', 0.004},
                            {'-', 0.003},
                            {':', 0.002},
                            {'=', 0.002},
                            {'\'', 0.001},
                            {'!', 0.001}})
            p[static_cast<uint8_t>(c)] = v;
        double sum = 0.0;
        for (double v : p)
            sum += v;
        for (int c = 0; c < 256; ++c)
            log[c] = std::log(p[c] / sum);
    }
};

const Prior& prior() {
    static const Prior p;
    return p;
}

// What a run of bits that is no codeword (an idle carrier's ones, say) costs, paid as it
// becomes one: text never holds one, so far more than any character (a doubtful bit is read
// the other way sooner), but no more than a few sure bits.
constexpr double kJunkLogPrior = -30.0;

// The trellis: state 0 is the gap between characters; states 1 and 2 a run of bits that is no
// codeword (its last bit 1 or 0), dropped at the next gap as the plain decoder drops it; every
// other state is a prefix of a codeword as received so far, possibly with one trailing zero
// (which the next bit shows to be inside the codeword or the start of the gap).
struct Trellis {
    struct Node {
        int next[2] = {-1, -1};
        double cost[2] = {0.0, 0.0}; // log prior of what each bit completes or spoils
        int bit = 0;                 // the bit that enters this state
    };
    std::vector<Node> nodes;

    Trellis() {
        std::map<std::string, int> index;
        nodes.resize(3); // the gap and the two junk states
        nodes[1].bit = 1;
        nodes[1].next[0] = 2;
        nodes[1].next[1] = 1;
        nodes[2].next[0] = 0;
        nodes[2].next[1] = 1;
        auto node = [&](const std::string& s) {
            auto it = index.find(s);
            if (it != index.end()) return it->second;
            const int id = static_cast<int>(nodes.size());
            index.emplace(s, id);
            nodes.emplace_back();
            nodes.back().bit = s.back() == '1';
            return id;
        };
        std::map<std::string, int> chars;
        for (int c = 0; c < 256; ++c)
            chars.emplace(std::string(varicodeEncode(static_cast<uint8_t>(c))), c);
        for (const auto& [code, c] : chars) {
            for (size_t n = 1; n <= code.size(); ++n)
                node(code.substr(0, n));
            node(code + "0");
        }
        for (const auto& [s, id] : index) {
            Node& n = nodes[static_cast<size_t>(id)];
            for (int b = 0; b < 2; ++b) {
                auto it = index.find(s + (b ? '1' : '0'));
                n.next[b] = it != index.end() ? it->second : (b ? 1 : 2);
                if (it == index.end()) n.cost[b] = kJunkLogPrior;
            }
            if (s.back() == '0') {
                auto c = chars.find(s.substr(0, s.size() - 1));
                n.cost[0] = c != chars.end() ? prior().log[c->second] : kJunkLogPrior;
                n.next[0] = 0;
            }
        }
        nodes[0].next[0] = 0;
        nodes[0].next[1] = index.at("1");
    }
};

const Trellis& trellis() {
    static const Trellis t;
    return t;
}

} // namespace

double varicodeLogPrior(uint8_t c) {
    return prior().log[c];
}

VaricodeSequence::VaricodeSequence(int delay, double priorWeight)
    : m_delay(std::clamp(delay, 1, 64)), m_weight(priorWeight) {
    const size_t n = trellis().nodes.size();
    m_metric.resize(n);
    m_next.resize(n);
    m_pred.resize(n * static_cast<size_t>(m_delay + 1));
    reset();
}

void VaricodeSequence::reset() {
    // The receiver may join anywhere in a character.
    std::fill(m_metric.begin(), m_metric.end(), 0.0);
    m_pos = 0;
    m_filled = 0;
}

int VaricodeSequence::push(double llr) {
    const auto& nodes = trellis().nodes;
    const size_t n = nodes.size();
    const double none = -std::numeric_limits<double>::infinity();
    std::fill(m_next.begin(), m_next.end(), none);
    uint16_t* pred = m_pred.data() + static_cast<size_t>(m_pos) * n;
    const double half = 0.5 * llr;
    for (size_t s = 0; s < n; ++s) {
        const double m = m_metric[s];
        if (m == none) continue;
        const auto& node = nodes[s];
        for (int b = 0; b < 2; ++b) {
            const int d = node.next[b];
            if (d < 0) continue;
            const double cand = m + (b ? half : -half) + m_weight * node.cost[b];
            if (cand > m_next[static_cast<size_t>(d)]) {
                m_next[static_cast<size_t>(d)] = cand;
                pred[d] = static_cast<uint16_t>(s);
            }
        }
    }
    size_t best = 0;
    for (size_t s = 1; s < n; ++s)
        if (m_next[s] > m_next[best]) best = s;
    const double top = m_next[best];
    for (size_t s = 0; s < n; ++s)
        m_metric[s] = m_next[s] == none ? none : m_next[s] - top;
    const int newest = m_pos;
    m_pos = (m_pos + 1) % (m_delay + 1);
    if (m_filled <= m_delay && ++m_filled <= m_delay) return -1;
    size_t s = best;
    int idx = newest;
    for (int i = 0; i < m_delay; ++i) {
        s = m_pred[static_cast<size_t>(idx) * n + s];
        idx = idx == 0 ? m_delay : idx - 1;
    }
    return nodes[s].bit;
}

} // namespace dsp
