#include "RttyTransmitter.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace dsp {

namespace {

// International Morse for the characters a callsign identification uses.
const char* morse(char c) {
    static const char* const kLetters[26] = {".-",   "-...", "-.-.", "-..",  ".",    "..-.", "--.",
                                             "....", "..",   ".---", "-.-",  ".-..", "--",   "-.",
                                             "---",  ".--.", "--.-", ".-.",  "...",  "-",    "..-",
                                             "...-", ".--",  "-..-", "-.--", "--.."};
    static const char* const kDigits[10] = {"-----", ".----", "..---", "...--", "....-",
                                            ".....", "-....", "--...", "---..", "----."};
    const char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (u >= 'A' && u <= 'Z') return kLetters[u - 'A'];
    if (u >= '0' && u <= '9') return kDigits[u - '0'];
    if (u == '/') return "-..-.";
    if (u == '?') return "..--..";
    return nullptr;
}

} // namespace

RttyTransmitter::RttyTransmitter(double sampleRate) : fs_(sampleRate), mod_(sampleRate) {
    mod_.setAmplitude(kAmplitude);
}

void RttyTransmitter::setTones(double markHz, double shiftHz, bool reverse) {
    mod_.setTones(markHz, shiftHz, reverse);
}

void RttyTransmitter::setCwId(const std::string& text, double wpm) {
    cwText_ = text;
    cwDot_ = 1.2 / std::clamp(wpm, 5.0, 60.0);
}

void RttyTransmitter::setBaud(double baud) {
    mod_.setBaud(baud);
}

void RttyTransmitter::start() {
    active_ = true;
    stopping_ = cwId_ = tailDone_ = false;
    pending_.clear();
    pendingPos_ = 0;
    enc_.reset();
    mod_.tone(true, 8, pending_); // lead-in: receivers find the tones and the first start bit
}

void RttyTransmitter::queueChar(char c) {
    std::vector<uint8_t> probe;
    BaudotEncoder check;
    if (c == '\n' || c == '\r' || check.encode(c, probe)) queue_.push_back(c);
}

void RttyTransmitter::requestStop() {
    stopping_ = true;
}
void RttyTransmitter::requestCwId() {
    cwId_ = true;
}

void RttyTransmitter::abort() {
    active_ = false;
    queue_.clear();
    pending_.clear();
    pendingPos_ = 0;
    sentAt_.clear();
}

bool RttyTransmitter::wordReady() const {
    if (!wordMode_ || stopping_) return !queue_.empty();
    for (char c : queue_)
        if (c == ' ' || c == '\r' || c == '\n') return true;
    return false;
}

void RttyTransmitter::appendCw() {
    for (char c : cwText_) {
        if (c == ' ') {
            mod_.keyed(false, 4 * cwDot_, pending_);
            continue;
        }
        const char* m = morse(c);
        if (!m) continue;
        for (const char* e = m; *e; ++e) {
            mod_.keyed(true, (*e == '-' ? 3 : 1) * cwDot_, pending_);
            mod_.keyed(false, cwDot_, pending_);
        }
        mod_.keyed(false, 2 * cwDot_, pending_);
    }
}

// Produces the next piece of signal into pending_; false when the transmission is over.
bool RttyTransmitter::nextSegment(std::vector<Event>& events) {
    pending_.clear();
    pendingPos_ = 0;
    if (wordReady()) {
        const char c = queue_.front();
        queue_.pop_front();
        std::vector<uint8_t> codes;
        if (c == '\n') {
            codes = {baudot::kCr, baudot::kLf}; // a teleprinter's new line
        } else {
            enc_.encode(c, codes);
        }
        for (uint8_t code : codes)
            mod_.character(code, kStopBits, pending_);
        sentAt_.emplace_back(played_ + pending_.size(), c);
        return true;
    }
    if (!stopping_) {
        if (diddle_) {
            mod_.character(baudot::kLtrs, kStopBits, pending_); // keeps receivers in step
            enc_.assumeLetters();
        } else {
            mod_.tone(true, 1.0, pending_);
        }
        return true;
    }
    if (!tailDone_) {
        tailDone_ = true;
        mod_.tone(true, 2, pending_);
        mod_.rampDown(FskModulator::kKeyEdgeSeconds, pending_);
        if (cwId_ && !cwText_.empty()) {
            mod_.keyed(false, 0.3, pending_);
            appendCw();
        }
        return true;
    }
    events.push_back({Event::Finished, 0});
    return false;
}

void RttyTransmitter::process(size_t count, float* out, std::vector<Event>& events) {
    size_t i = 0;
    while (i < count && active_) {
        if (pendingPos_ >= pending_.size() && !nextSegment(events)) {
            active_ = false;
            break;
        }
        const size_t n = std::min(count - i, pending_.size() - pendingPos_);
        std::memcpy(out + i, pending_.data() + pendingPos_, n * sizeof(float));
        pendingPos_ += n;
        played_ += n;
        i += n;
        while (!sentAt_.empty() && sentAt_.front().first <= played_) {
            events.push_back({Event::CharSent, sentAt_.front().second});
            sentAt_.pop_front();
        }
    }
    std::memset(out + i, 0, (count - i) * sizeof(float));
}

} // namespace dsp
