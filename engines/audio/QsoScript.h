#pragma once
// Invented amateur stations and the overs of their keyboard QSOs, varied from templates with a
// seeded generator so that a given seed always gives the same band.
#include <cstdint>
#include <string>

namespace audio {

// Small, fully specified generator (std distributions differ between libraries).
class SimRandom {
public:
    explicit SimRandom(uint64_t seed);
    uint64_t next();
    double uniform(); // [0, 1)
    double uniform(double a, double b);
    int below(int n); // 0..n-1
    template <size_t N> const char* pick(const char* const (&list)[N]) {
        return list[below(int(N))];
    }

private:
    uint64_t s_;
};

struct Operator {
    std::string call, name, qth, rig, antenna;
    int power = 0;
};

class QsoScript {
public:
    explicit QsoScript(SimRandom& rng);

    // Starts a new QSO between two fresh stations.
    void newQso();
    // The text of the next over and which of the two stations (0 caller, 1 answerer) sends it;
    // returns false after the last over of the QSO.
    bool nextOver(std::string& text, int& station);

    const Operator& op(int station) const { return ops_[station]; }

private:
    Operator makeOperator();
    std::string callsign();
    SimRandom& rng_;
    Operator ops_[2];
    int over_ = 0;
};

} // namespace audio
