#pragma once
// Five-unit teleprinter code (ITA2 letters with the US figures row, as amateur RTTY uses it).
// Both directions follow the shift state, optionally with unshift-on-space: a space received
// in figures returns the receiver to letters, so a sender that knows this sends FIGS again
// before the next figure after a space instead of relying on a stale shift.
#include <cstdint>
#include <string>
#include <vector>

namespace dsp {

namespace baudot {
constexpr uint8_t kLtrs = 0x1F;
constexpr uint8_t kFigs = 0x1B;
constexpr uint8_t kSpace = 0x04;
constexpr uint8_t kCr = 0x08;
constexpr uint8_t kLf = 0x02;
} // namespace baudot

class BaudotDecoder {
public:
    explicit BaudotDecoder(bool unshiftOnSpace = true) : usos_(unshiftOnSpace) {}
    void setUnshiftOnSpace(bool on) { usos_ = on; }
    bool unshiftOnSpace() const { return usos_; }
    void reset() { figures_ = false; }
    bool figures() const { return figures_; }
    // The character a 5-bit code prints, or 0 for the shifts and the blank code.
    char decode(uint8_t code);

private:
    bool usos_;
    bool figures_ = false;
};

class BaudotEncoder {
public:
    explicit BaudotEncoder(bool unshiftOnSpace = true) : usos_(unshiftOnSpace) {}
    void setUnshiftOnSpace(bool on) { usos_ = on; }
    // Forget the shift state: the next letter or figure is preceded by its shift.
    void reset() { state_ = State::Unknown; }
    // After an LTRS sent on its own (idle diddle): letters need no shift.
    void assumeLetters() { state_ = State::Letters; }
    // Appends the codes for one character (shifts included) to out; returns false, appending
    // nothing, when the character has no code. Lower case is sent as upper case.
    bool encode(char c, std::vector<uint8_t>& out);

private:
    enum class State { Unknown, Letters, Figures };
    bool usos_;
    State state_ = State::Unknown;
};

// Tables for tests and tools: the letter and figure printed by each code (0 for none).
char baudotLetter(uint8_t code);
char baudotFigure(uint8_t code);

} // namespace dsp
