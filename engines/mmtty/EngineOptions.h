#pragma once
// The engine's own options (its setup window, shown on command 13): the receive options it
// shares with the program (AFC, net, reverse, unshift on space, speed, shift, mark), which go
// back to the program as reports, and those only the engine keeps (AFC range, ATC, transmit
// level, diddle, CW identification), stored in the engine's own settings file.
#include <array>
#include <cstdint>
#include <string>

#include "MmttyLink.h"

class QSettings;

namespace dsp {
struct RttyConfig;
class RttyTransmitter;
} // namespace dsp

namespace mmtty {

// CW identification speeds, as the program's own identification offers them.
constexpr std::array<int, 4> kCwIdWpm = {37, 19, 12, 9};
constexpr std::array<double, 4> kSpeeds = {45.45, 50, 75, 100};
constexpr std::array<int, 4> kShifts = {170, 200, 425, 850};

// What the program sets through its commands.
struct EngineSettings {
    double baud = 45.45;
    double mark = 2125, space = 2295; // receive tones
    uint32_t switches = (1u << kBitAfc) | (1u << kBitAlways) | (1u << kBitUsos);
    uint32_t display = 1u << kDisplayBitXy;
    int squelch = 500;
};

struct EngineOptions {
    int afcRangeHz = 100;    // 10..300
    bool atc = true;         // weigh each tone by its own amplitude
    int txLevelPercent = 80; // 10..100 of full scale
    bool diddle = true;      // LTRS while waiting for text; else steady mark
    bool cwId = false;       // a CW identification at the end of every transmission
    std::string cwIdText;    // letters, digits, '/', '?' and spaces; at most 32
    int cwIdSpeedIndex = 2;  // 1..4 into kCwIdWpm
    bool operator==(const EngineOptions&) const = default;
};

// What the setup window shows and edits.
struct SetupValues {
    bool afc = true, net = false, reverse = false, usos = true;
    double baud = 45.45;
    double markHz = 2125;
    int shiftHz = 170;
    EngineOptions options;
    bool operator==(const SetupValues&) const = default;
};

SetupValues valuesFrom(const EngineSettings& settings, const EngineOptions& options);

// Carries into the engine's settings and options what differs between before and after (so a
// mark that AFC moved since the window was filled stays where it is unless the operator
// changed the mark). Returns which of the two changed.
struct Applied {
    bool shared = false;  // switches, speed or tones: report them to the program
    bool options = false; // store the engine's options
};
Applied applyChanges(const SetupValues& before, const SetupValues& after, EngineSettings& settings,
                     EngineOptions& options);

// Values a person could type or a damaged file could hold, made valid.
EngineOptions sanitised(EngineOptions options);
std::string cwIdTextFrom(const std::string& typed);

// The engine's settings file (section "Engine"). Unreadable values fall back to the default;
// `problems` names each such key.
EngineOptions loadOptions(QSettings& store, std::string* problems = nullptr);
void saveOptions(QSettings& store, const EngineOptions& options);

// Puts the options into the demodulator's configuration and the transmitter.
void applyOptions(const EngineOptions& options, dsp::RttyConfig& rx);
void applyOptions(const EngineOptions& options, dsp::RttyTransmitter& tx);

} // namespace mmtty
