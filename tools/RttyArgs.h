#pragma once
// The tone and speed options shared by rttydecode and rttyencode.
#include <string>

#include "ToolArgs.h"

namespace tools {

struct RttyOptions {
    double mark = 2125, shift = 170, baud = 45.45;
    bool reverse = false;
};

// Consumes one of --mark, --shift, --baud, --reverse. Returns 1 when taken, 0 when the
// argument is not one of them, -1 (with why set) when its value is wrong.
inline int takeRttyOption(int argc, char** argv, int& i, const std::string& arg, RttyOptions& o,
                          std::string& why) {
    std::string v;
    if (arg == "--reverse") {
        o.reverse = true;
        return 1;
    }
    if (optionValue(argc, argv, i, arg, "--mark", v)) {
        if (parseNumber(v, 100, 3800, o.mark)) return 1;
        why = "mark must be 100..3800 Hz, not '" + v + "'";
        return -1;
    }
    if (optionValue(argc, argv, i, arg, "--shift", v)) {
        if (parseNumber(v, 20, 1000, o.shift)) return 1;
        why = "shift must be 20..1000 Hz, not '" + v + "'";
        return -1;
    }
    if (optionValue(argc, argv, i, arg, "--baud", v)) {
        if (parseNumber(v, 20, 300, o.baud)) return 1;
        why = "baud rate must be 20..300, not '" + v + "'";
        return -1;
    }
    return 0;
}

} // namespace tools
