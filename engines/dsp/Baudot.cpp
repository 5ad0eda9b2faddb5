#include "Baudot.h"

#include <cctype>

namespace dsp {

namespace {

// Index = code with the first transmitted data bit as bit 0.
constexpr char kLetters[33] = "\0E\nA SIU\rDRJNFCKTZLWHYPQOBG\0MXV\0";
constexpr char kFigures[33] = "\0003\n- \a87\r$4',!:(5\")2#6019?&\0./;\0";

int codeOf(const char* table, char c) {
    for (int i = 0; i < 32; ++i)
        if (table[i] == c && i != 0 && i != baudot::kFigs && i != baudot::kLtrs) return i;
    return -1;
}

} // namespace

char baudotLetter(uint8_t code) {
    return code < 32 ? kLetters[code] : 0;
}
char baudotFigure(uint8_t code) {
    return code < 32 ? kFigures[code] : 0;
}

char BaudotDecoder::decode(uint8_t code) {
    code &= 0x1F;
    if (code == baudot::kLtrs) {
        figures_ = false;
        return 0;
    }
    if (code == baudot::kFigs) {
        figures_ = true;
        return 0;
    }
    if (code == baudot::kSpace && usos_) figures_ = false;
    return figures_ ? kFigures[code] : kLetters[code];
}

bool BaudotEncoder::encode(char c, std::vector<uint8_t>& out) {
    const char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (u == '\0') return false;
    // Space, CR and LF print the same in both shifts.
    if (u == ' ' || u == '\r' || u == '\n') {
        out.push_back(u == ' ' ? baudot::kSpace : (u == '\r' ? baudot::kCr : baudot::kLf));
        if (u == ' ' && usos_ && state_ == State::Figures) state_ = State::Letters;
        return true;
    }
    const int letter = codeOf(kLetters, u);
    if (letter >= 0) {
        if (state_ != State::Letters) out.push_back(baudot::kLtrs);
        state_ = State::Letters;
        out.push_back(static_cast<uint8_t>(letter));
        return true;
    }
    const int figure = codeOf(kFigures, u);
    if (figure >= 0) {
        if (state_ != State::Figures) out.push_back(baudot::kFigs);
        state_ = State::Figures;
        out.push_back(static_cast<uint8_t>(figure));
        return true;
    }
    return false;
}

} // namespace dsp
