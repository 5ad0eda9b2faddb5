#pragma once
// RTTY receiver: noncoherent matched filters on the mark and space tones, a decision that
// weighs each tone by its own tracked amplitude (so a faded or attenuated tone still decodes:
// automatic threshold correction), start-bit framing with the bit timing refined over the
// whole character, AFC, squelch and Baudot decoding.
#include <complex>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Baudot.h"

namespace dsp {

struct RttyConfig {
    double markHz = 2125.0;
    double shiftHz = 170.0; // space = mark + shift
    double baud = 45.45;
    bool reverse = false;
    bool unshiftOnSpace = true;
    bool afc = false;
    double afcRangeHz = 100.0; // how far AFC may move the mark from the set tone
    bool atc = true;           // weigh each tone by its own tracked amplitude
    int squelch = 0;           // 0..1000, compared with level()
};

class RttyDemod {
public:
    explicit RttyDemod(const RttyConfig& cfg = {}, double sampleRate = 8000.0);

    void configure(const RttyConfig& cfg); // keeps the tracked state where it can
    const RttyConfig& config() const { return cfg_; }
    void setSquelch(int level) { cfg_.squelch = level; }
    void setReverse(bool on) { cfg_.reverse = on; }
    void setUnshiftOnSpace(bool on);
    void setAfc(bool on) { cfg_.afc = on; }
    void setTones(double markHz, double shiftHz); // moves the filters, keeps the rest
    void reset();

    // Decodes count samples; printable characters and CR/LF are appended to text.
    void process(const float* in, size_t count, std::string& text);

    // Current receive mark (moved by AFC) and space tones.
    double markHz() const { return cfg_.markHz; }
    double spaceHz() const { return cfg_.markHz + cfg_.shiftHz; }
    // Signal quality 0..1000 (0 on noise); the squelch compares it with its threshold.
    int level() const { return level_; }
    // The two tone filters' latest band-pass outputs (crossed-ellipse display).
    float markOut() const { return xyMark_; }
    float spaceOut() const { return xySpace_; }

private:
    struct Tone {
        std::complex<double> rot{1.0, 0.0}, step{1.0, 0.0};
        std::vector<std::complex<float>> ring; // mixed samples of the last bit
        std::complex<double> sum{0.0, 0.0}, half{0.0, 0.0};
        double power = 0; // tracked |amplitude|^2 while this tone is keyed
        double fast = 0, slow = 0;
        double lasting = 0; // over many characters: a steady imbalance between the tones
        double peak = 0;    // its own recent peak while keyed, falling while idle
        void tune(double hz, double fs);
    };
    struct Sample {
        float llr;                          // mark positive
        float markMag2, spaceMag2;          // |filter|^2
        std::complex<float> markH1, markH2; // halves of the bit window (AFC)
        std::complex<float> spaceH1, spaceH2;
        float phase; // where in the character period of a steady stream (0..1)
    };
    enum class State { Hunt, Armed, Start, Frame };

    void step(float x, std::string& text);
    void scoreFramePhase(long t);
    bool reframe(long& best);
    float decision(float m2, float s2, double pm, double ps) const;
    void endCharacter(std::string& text);
    const Sample& at(long ago) const;
    void updateLevel(float m2, float s2);
    void applyAfc(std::complex<double> acc);
    void retune();

    RttyConfig cfg_;
    double fs_;
    int n_ = 176;            // samples per bit (boxcar length)
    double bitT_ = 0;        // exact samples per bit
    double baseMark_ = 2125; // the set mark; AFC stays within a range around it
    bool reversed_ = false;
    Tone mark_, space_;
    size_t pos_ = 0; // ring position of the tone filters
    double noise_ = 1e-6;
    double recentPeak_ = 0; // of the keyed tone's |filter|^2, falling over a few bits
    double peakDecay_ = 1, ownPeakDecay_ = 1;
    std::vector<Sample> hist_;
    long histPos_ = 0; // samples written
    State state_ = State::Hunt;
    long armedRun_ = 0;
    long crossAt_ = 0;  // sample index of the mark-to-space crossing
    long spaceRun_ = 0; // samples of space since the crossing
    long frameEnd_ = 0; // when the character in hand is complete
    bool havePred_ = false;
    long pred_ = 0;     // where the next character's start bit is due in a steady stream
    double period_ = 0; // samples from one start bit to the next
    // How well a character starting at each phase of the period fits the stream: start bit
    // space, stop bits mark, averaged over the last characters.
    std::vector<float> frameFit_;
    double framePhase_ = 0;
    bool placed_ = false; // the frame in hand is where the fit put it, not where a crossing was
    BaudotDecoder baudot_;
    double win_ = 0, lose_ = 0; // quality averages
    int level_ = 0;
    int levelAtCross_ = 0;
    std::complex<double> afcAcc_{0.0, 0.0};
    float xyMark_ = 0, xySpace_ = 0;
};

} // namespace dsp
