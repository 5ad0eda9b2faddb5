#include "MsgInterceptor.h"

namespace platform {

WindowProc MsgInterceptor::Install(MessageWindow& window, WindowProc proc) {
    return window.setWindowProc(std::move(proc));
}

void MsgInterceptor::Remove(MessageWindow& window, WindowProc previous) {
    window.setWindowProc(std::move(previous));
}

} // namespace platform
