#include "PSKCoreMsgHandler.h"
#include "PSKXcvr.h"
#include <QCoreApplication>
#include <QThread>

namespace psk {

namespace {
// Enabling an enabled timer changes nothing: a burst of messages costs one tick.
void arm(QTimer& timer) {
    if (!timer.isActive()) timer.start();
}
} // namespace

int32_t PSKCoreMsgHandler::WindowProc(PSKXcvr& xcvr, platform::WindowHandle window,
                                      uint32_t message, int32_t wParam, int32_t lParam) {
    // Engine threads post; the window delivers on the UI thread, the only one that may touch
    // the rings, the timers and the controls.
    Q_ASSERT(QThread::currentThread() == QCoreApplication::instance()->thread());
    PskTimers& t = xcvr.Timers();
    switch (message) {
    case kMsgNewData:
        arm(t.DataTimer);
        return 0;
    case kMsgNewChar:
        xcvr.SaveNewChar(wParam, lParam);
        // A bad channel arms nothing; SaveNewChar has already reported it.
        if (lParam == -1)
            arm(t.CharTimer[3]);
        else if (lParam >= 0 && lParam <= 2)
            arm(t.CharTimer[lParam]);
        return 0;
    case kMsgNewStatus:
        xcvr.SaveNewStatus(wParam);
        arm(t.StatusTimer);
        return 0;
    case kMsgNewIMD:
        xcvr.SaveNewIMD(wParam, lParam);
        arm(t.IMDTimer);
        return 0;
    default:
        return platform::callWindowProc(xcvr.PreviousWindowProc(), window, message, wParam, lParam);
    }
}

platform::WindowProc PSKCoreMsgHandler::For(PSKXcvr& xcvr) {
    return [&xcvr](platform::WindowHandle w, uint32_t m, int32_t wp, int32_t lp) {
        return WindowProc(xcvr, w, m, wp, lp);
    };
}

} // namespace psk
