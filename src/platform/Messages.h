#pragma once
// Window handles and posted messages. A window is a 32-bit handle; posting is asynchronous and
// safe from any thread. A handle registered in this process receives its messages through the
// Qt event loop; any other handle is looked up as a datagram socket of another process.
//
// Handles are positive and unique across the processes of one user: the process id in the high
// bits, a per-process counter (up to 512 live windows) in the low nine. Sockets, title entries
// and the table of registered message numbers live in runtimeDirectory().
#include "Export.h"
#include <cstdint>
#include <functional>
#include <memory>
#include <QObject>
#include <QString>

namespace platform {

using WindowHandle = int32_t;

// WM_USER; engine messages are numbered from here.
constexpr uint32_t kUserMessage = 0x400;

// A window procedure: (window, message, wParam, lParam) -> result.
using WindowProc = std::function<int32_t(WindowHandle, uint32_t, int32_t, int32_t)>;

// Posts a message to a window. Returns false when no such window exists (in this process or as
// a listening socket of another one), or when the message cannot be queued. Never blocks on the
// receiver: a datagram that the receiver cannot take at once is handed to a sender thread,
// which keeps the order of messages.
TD_PLATFORM_EXPORT bool postMessage(WindowHandle window, uint32_t message, int32_t wParam,
                                    int32_t lParam);

// Message numbers shared between processes by name (RegisterWindowMessage). The same name
// always gives the same number, in every process; numbers lie in 0xC000..0xFFFF. Names compare
// without regard to case. A name is placed by a hash of its lower-case UTF-8 bytes, moving to
// the next free number on a collision; the assignments are kept in a table file shared by all
// processes (under a file lock), so the first process to register a name fixes its number for
// the session. An empty name gives 0.
TD_PLATFORM_EXPORT uint32_t registerWindowMessage(const QString& name);

// Finds a window of any process by its title; 0 when none is listening. Entries left by dead
// processes are removed on the way. With several windows of one title, the lowest handle wins.
TD_PLATFORM_EXPORT WindowHandle findWindow(const QString& title);

// Passes a message to a window procedure; an empty procedure yields 0.
TD_PLATFORM_EXPORT int32_t callWindowProc(const WindowProc& proc, WindowHandle window,
                                          uint32_t message, int32_t wParam, int32_t lParam);

// The private directory (mode 0700) holding the sockets: "tonedeck" under $XDG_RUNTIME_DIR, else
// /tmp/tonedeck-<uid>. Created on first use; empty when it cannot be created or is not ours.
TD_PLATFORM_EXPORT QString runtimeDirectory();

// The receiving end: owns a handle while it lives and runs its current window procedure, on
// the thread it lives on, for every message posted to it. Messages still queued when it is
// destroyed are dropped.
class TD_PLATFORM_EXPORT MessageWindow : public QObject {
    Q_OBJECT
public:
    explicit MessageWindow(QObject* parent = nullptr);
    ~MessageWindow() override;

    // 0 only if the process already has 512 live windows.
    WindowHandle handle() const { return handle_; }

    // Makes the window reachable from other processes under its handle and, if given, a title
    // (findWindow). Returns false when the socket cannot be created. Calling it again only
    // changes the title.
    bool listen(const QString& title = QString());
    bool isListening() const;

    // The default procedure that ends the chain; returns 0 for unhandled messages unless set.
    void setDefaultProc(WindowProc proc);

    // Replaces the window procedure; returns the one it replaced (SetWindowLong GWL_WNDPROC).
    // The first procedure of a window passes everything to the default procedure.
    WindowProc setWindowProc(WindowProc proc);
    const WindowProc& windowProc() const { return proc_; }

    // Delivers a message now, on the caller's thread (SendMessage within the process).
    int32_t sendMessage(uint32_t message, int32_t wParam, int32_t lParam);

protected:
    bool event(QEvent* e) override;

private:
    struct Listener;
    void stopListening();
    WindowHandle handle_ = 0;
    WindowProc proc_;
    WindowProc defaultProc_;
    std::unique_ptr<Listener> listener_;
};

} // namespace platform
