#pragma once
// Argument handling shared by the command-line tools.
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

#include "dsp/PskMode.h"

namespace tools {

// Exit statuses: 1 for a wrong command line, 2 for a file that cannot be used.
constexpr int kUsageError = 1;
constexpr int kFileError = 2;

inline bool parseNumber(const std::string& text, double lo, double hi, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v) || v < lo || v > hi) return false;
    value = v;
    return true;
}

inline bool parseMode(const std::string& text, dsp::PskMode& mode) {
    if (text == "bpsk")
        mode = dsp::PskMode::Bpsk;
    else if (text == "qpsk-usb" || text == "qpsk")
        mode = dsp::PskMode::QpskUsb;
    else if (text == "qpsk-lsb")
        mode = dsp::PskMode::QpskLsb;
    else
        return false;
    return true;
}

// Splits "--name=value" or takes the next argument; false when the value is missing.
inline bool optionValue(int argc, char** argv, int& i, const std::string& arg,
                        const std::string& name, std::string& value) {
    if (arg.rfind(name + "=", 0) == 0) {
        value = arg.substr(name.size() + 1);
        return true;
    }
    if (arg != name) return false;
    if (i + 1 >= argc) return false;
    value = argv[++i];
    return true;
}

} // namespace tools
