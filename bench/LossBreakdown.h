#pragma once
// Where a decoder loses characters another one gets: each sent character is marked right or
// wrong in both outputs (an edit-distance alignment), and the losses are counted by how deep
// the channel had faded while the character was on air, by position in the over, and by what
// the receiver was doing meanwhile (squelch shut, frequency off).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {

// right[i]: sent character i came out unchanged. Returns the number of inserted characters.
inline size_t alignRight(const std::string& want, const std::string& got,
                         std::vector<bool>& right) {
    const size_t n = want.size(), m = got.size();
    std::vector<size_t> d((n + 1) * (m + 1));
    auto at = [&](size_t i, size_t j) -> size_t& { return d[i * (m + 1) + j]; };
    for (size_t i = 0; i <= n; ++i)
        at(i, 0) = i;
    for (size_t j = 0; j <= m; ++j)
        at(0, j) = j;
    for (size_t i = 1; i <= n; ++i)
        for (size_t j = 1; j <= m; ++j)
            at(i, j) = std::min({at(i - 1, j - 1) + (want[i - 1] == got[j - 1] ? 0 : 1),
                                 at(i - 1, j) + 1, at(i, j - 1) + 1});
    right.assign(n, false);
    size_t inserted = 0;
    size_t i = n, j = m;
    while (i > 0 || j > 0) {
        if (i > 0 && j > 0 && at(i, j) == at(i - 1, j - 1) + (want[i - 1] == got[j - 1] ? 0 : 1)) {
            right[i - 1] = want[i - 1] == got[j - 1];
            --i;
            --j;
        } else if (i > 0 && at(i, j) == at(i - 1, j) + 1) {
            --i;
        } else {
            ++inserted;
            --j;
        }
    }
    return inserted;
}

struct LossBreakdown {
    static constexpr int kBins = 5;
    static constexpr const char* kBinName[kBins] = {"> -3 dB", "-3..-10", "-10..-20", "< -20 dB",
                                                    "first/last 3"};
    std::array<size_t, kBins> chars{}, oursLost{}, refLost{}, oursOnly{}, refOnly{};
    size_t oursInserted = 0, refInserted = 0;
    size_t onlySquelched = 0, onlyFreqOff = 0; // of oursOnly: the receiver's state then

    // ends: the sample at which each sent character had left; gainDb(t): the channel's power
    // gain at sample t against its mean; state(t, squelched, freqOff) the receiver's then.
    template <class Gain, class State>
    void add(const std::string& want, const std::string& ours, const std::string& ref,
             const std::vector<size_t>& ends, Gain gainDb, State state) {
        std::vector<bool> okOurs, okRef;
        oursInserted += alignRight(want, ours, okOurs);
        refInserted += alignRight(want, ref, okRef);
        for (size_t i = 0; i < want.size() && i < ends.size(); ++i) {
            const size_t from = i ? ends[i - 1] : (ends[0] > 4000 ? ends[0] - 4000 : 0);
            double low = 99.0;
            for (size_t t = from; t <= ends[i]; t += 32)
                low = std::min(low, gainDb(t));
            int bin = low > -3 ? 0 : low > -10 ? 1 : low > -20 ? 2 : 3;
            if (i < 3 || i + 3 >= want.size()) bin = 4;
            const auto b = static_cast<size_t>(bin);
            ++chars[b];
            oursLost[b] += !okOurs[i];
            refLost[b] += !okRef[i];
            if (!okOurs[i] && okRef[i]) {
                ++oursOnly[b];
                bool sq = false, off = false;
                state(from, ends[i], sq, off);
                onlySquelched += sq;
                onlyFreqOff += off;
            }
            refOnly[b] += okOurs[i] && !okRef[i];
        }
    }

    void print(const char* title) const {
        std::fprintf(stderr, "%s: lost characters by the fade's depth over the character\n", title);
        std::fprintf(stderr, "  %-13s %6s %7s %7s %9s %9s\n", "depth", "chars", "ours", "ref",
                     "ours only", "ref only");
        for (int b = 0; b < kBins; ++b) {
            const auto i = static_cast<size_t>(b);
            std::fprintf(stderr, "  %-13s %6zu %7zu %7zu %9zu %9zu\n", kBinName[b], chars[i],
                         oursLost[i], refLost[i], oursOnly[i], refOnly[i]);
        }
        std::fprintf(stderr,
                     "  inserted: ours %zu, ref %zu; ours-only losses with the squelch shut %zu, "
                     "frequency > 1 Hz off %zu\n",
                     oursInserted, refInserted, onlySquelched, onlyFreqOff);
    }
};

} // namespace bench
