#pragma once

namespace dsp {

// Values match the engine's modulation numbers.
enum class PskMode { Bpsk = 0, QpskUsb = 1, QpskLsb = 2 };

// PSK31 timing shared by both directions.
inline constexpr double kPskBaud = 31.25;

} // namespace dsp
