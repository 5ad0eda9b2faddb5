#pragma once
// Window handles and posted messages. A window is a 32-bit handle; posting is asynchronous and
// safe from any thread. A handle registered in this process receives its messages through the
// Qt event loop; any other handle is looked up as a datagram socket of another process.
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

namespace platform {

using WindowHandle = int32_t;

// WM_USER; engine messages are numbered from here.
constexpr uint32_t kUserMessage = 0x400;

// A window procedure: (window, message, wParam, lParam) -> result.
using WindowProc = std::function<int32_t(WindowHandle, uint32_t, int32_t, int32_t)>;

// Posts a message to a window. Returns false when no such window exists (in this process or as
// a listening socket of another one). Never blocks on the receiver.
bool postMessage(WindowHandle window, uint32_t message, int32_t wParam, int32_t lParam);

// Message numbers shared between processes by name (RegisterWindowMessage). The same name
// always gives the same number, in every process; numbers lie in 0xC000..0xFFFF.
uint32_t registerWindowMessage(const QString& name);

// Finds a window of any process by its title; 0 when none is listening.
WindowHandle findWindow(const QString& title);

// Passes a message to a window procedure; an empty procedure yields 0.
int32_t callWindowProc(const WindowProc& proc, WindowHandle window, uint32_t message,
                       int32_t wParam, int32_t lParam);

// The receiving end: owns a handle while it lives and runs its current window procedure, on
// the thread it lives on, for every message posted to it.
class MessageWindow : public QObject {
    Q_OBJECT
public:
    explicit MessageWindow(QObject* parent = nullptr);
    ~MessageWindow() override;

    WindowHandle handle() const { return handle_; }

    // Makes the window reachable from other processes under its handle and, if given, a title
    // (findWindow). Returns false when the socket cannot be created.
    bool listen(const QString& title = QString());

    // The default procedure that ends the chain; returns 0 for unhandled messages unless set.
    void setDefaultProc(WindowProc proc);

    // Replaces the window procedure; returns the one it replaced (SetWindowLong GWL_WNDPROC).
    WindowProc setWindowProc(WindowProc proc);
    const WindowProc& windowProc() const { return proc_; }

    // Delivers a message now, on the caller's thread (SendMessage within the process).
    int32_t sendMessage(uint32_t message, int32_t wParam, int32_t lParam);

protected:
    bool event(QEvent* e) override;

private:
    void readSocket();
    WindowHandle handle_ = 0;
    WindowProc proc_;
    int socketFd_ = -1;
    QString socketPath_;
    QString titlePath_;
    class QSocketNotifier* notifier_ = nullptr;
};

} // namespace platform
