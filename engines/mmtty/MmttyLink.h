#pragma once
// The link between the program and its RTTY engine: the message codes in both directions and
// the 20,672-byte shared block. The block is POSIX shared memory private to the user (mode
// 0600); the program creates it before launching the engine and removes it when the engine is
// stopped.
#include <cstddef>
#include <cstdint>
#include <string>

namespace mmtty {

constexpr const char* kMessageName = "MMTTY";
constexpr const char* kEngineTitle = "MMTTY Engine";

// Program to engine (wParam).
enum Command : int32_t {
    CmdSetWindow = 0,
    CmdClose = 2,
    CmdTransmit = 3, // lParam 2 start, 1 stop when sent, 0 abort
    CmdChar = 4,
    CmdRequestSwitches = 7,
    CmdSpeed = 8, // baud x 100
    CmdMark = 9,
    CmdSpace = 10,
    CmdSwitches = 11,
    CmdSetup = 13,
    CmdDisplay = 14,
    CmdSquelch = 15,
    CmdPttPort = 21,
};

// Engine to program (wParam).
enum Report : int32_t {
    RepHandle = 0x8000,
    RepChar = 0x8003,
    RepTransmit = 0x8004,
    RepSpeed = 0x8006,
    RepMark = 0x8007,
    RepSpace = 0x8008,
    RepSwitches = 0x8009,
    RepLevel = 0x800B,
};

// Switch-word bits.
constexpr int kBitAfc = 2, kBitNet = 3, kBitAlways = 7, kBitReverse = 8, kBitUsos = 9,
              kBitKeyboard = 15, kBitWordMode = 17, kBitKeyboard18 = 18;
constexpr int kDisplayBitXy = 12;

// Shared block layout.
constexpr size_t kBlockSize = 20672;
constexpr size_t kOffTitle = 4, kTitleSize = 64;
constexpr size_t kOffPttPort = 132, kPttPortSize = 8;
constexpr size_t kOffOne = 148;
constexpr size_t kOffSpectrumReady = 152, kOffSpectrum = 156;
constexpr int kSpectrumBins = 1024;
constexpr size_t kOffXyReady = 8348, kOffXyX = 8352, kOffXyY = 10400;
constexpr int kXyPoints = 256; // the program reads 1024 bytes of each area
constexpr size_t kOffSecondName = 12464;

class SharedBlock {
public:
    SharedBlock() = default;
    ~SharedBlock() { close(); }
    SharedBlock(const SharedBlock&) = delete;
    SharedBlock& operator=(const SharedBlock&) = delete;

    // The program's side: a fresh zeroed block (an old one of ours is replaced).
    bool create();
    // The engine's side: the block the program created; refused unless it is ours, mode 0600
    // and of the right size.
    bool open();
    // Unmaps; the creator also removes the name.
    void close();
    bool isOpen() const { return base_ != nullptr; }
    const std::string& error() const { return error_; }

    int32_t readInt(size_t offset) const;
    void writeInt(size_t offset, int32_t value);
    // A NUL-terminated string in a field of `size` bytes; false when the field holds no NUL.
    bool readString(size_t offset, size_t size, std::string& out) const;
    // Writes text + NUL, truncated to the field and padded with spaces after the NUL.
    void writeString(size_t offset, size_t size, const std::string& text);
    uint8_t* data() { return static_cast<uint8_t*>(base_); }

    static std::string name();

private:
    void* base_ = nullptr;
    bool owner_ = false;
    std::string error_;
};

// The engine's command line: "-m -h" and the program window's handle as 8 upper-case
// hexadecimal digits.
std::string handleArgument(uint32_t handle);
// Parses the arguments after the program name; false for anything else.
bool parseCommandLine(int argc, const char* const* argv, uint32_t& handle);

// Port name at offset 132: "NONE" or "COM" and the number 1..99; 0 for NONE, -1 when invalid.
int parsePttPort(const std::string& name);

} // namespace mmtty
