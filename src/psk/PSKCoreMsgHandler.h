#pragma once
// The window procedure installed on the main window while the PSK side is enabled. It only
// stores what the engine reports and arms the timer that will deal with it.
#include <cstdint>
#include <platform/Messages.h>

namespace psk {

class PSKXcvr;

class PSKCoreMsgHandler {
public:
    // 0 for the four engine messages; anything else goes to the replaced procedure.
    static int32_t WindowProc(PSKXcvr& xcvr, platform::WindowHandle window, uint32_t message,
                              int32_t wParam, int32_t lParam);
    // The procedure to install for xcvr.
    static platform::WindowProc For(PSKXcvr& xcvr);
};

} // namespace psk
