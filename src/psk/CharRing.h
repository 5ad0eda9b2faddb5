#pragma once
// One receive ring: 4096 entries, each a character and a full flag. The writer never overtakes
// the reader: a full entry at the write index means overflow and the new character is dropped.
#include <array>
#include <cstdint>

namespace psk {

class CharRing {
public:
    static constexpr int kSize = 4096;

    // False when the ring is full (the character is dropped).
    bool put(uint8_t c) {
        Entry& e = entries_[write_];
        if (e.full) return false;
        e.ch = c;
        e.full = 1;
        write_ = (write_ + 1) & (kSize - 1);
        return true;
    }
    // 0 when nothing is buffered (a received NUL also reads as 0).
    uint8_t get() {
        Entry& e = entries_[read_];
        if (!e.full) return 0;
        e.full = 0;
        read_ = (read_ + 1) & (kSize - 1);
        return e.ch;
    }
    void clear() {
        for (Entry& e : entries_)
            e.full = 0;
        write_ = read_ = 0;
    }
    int writeIndex() const { return write_; }
    int readIndex() const { return read_; }

private:
    struct Entry {
        uint8_t ch = 0;
        uint8_t full = 0;
    };
    std::array<Entry, kSize> entries_{};
    int16_t write_ = 0;
    int16_t read_ = 0;
};

} // namespace psk
