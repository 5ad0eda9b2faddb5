#pragma once
// Replacing a window's procedure and chaining to the one it replaced.
#include "Messages.h"

namespace platform {

class TD_PLATFORM_EXPORT MsgInterceptor {
public:
    // Installs proc on the window; returns the procedure it replaced, which the new one passes
    // unhandled messages to (callWindowProc) and which Remove puts back.
    static WindowProc Install(MessageWindow& window, WindowProc proc);
    // Puts previous back as the window's procedure. Like the platform call it mirrors, it does
    // not look for handlers installed later on top of the one being removed: remove in reverse
    // order of installation.
    static void Remove(MessageWindow& window, WindowProc previous);
};

} // namespace platform
