#pragma once
// Replacing a window's procedure and chaining to the one it replaced.
#include "Messages.h"

namespace platform {

class MsgInterceptor {
public:
    // Installs proc on the window; returns the procedure it replaced, which the new one passes
    // unhandled messages to (callWindowProc) and which Remove puts back.
    static WindowProc Install(MessageWindow& window, WindowProc proc);
    static void Remove(MessageWindow& window, WindowProc previous);
};

} // namespace platform
