#include "QuitSignals.h"

#include <csignal>
#include <fcntl.h>
#include <QSocketNotifier>
#include <unistd.h>

namespace platform {

namespace {
// A signal handler may only write to a descriptor; the pipe's reading end wakes the event loop.
// One pipe for the process: signal dispositions are process-wide too.
volatile std::sig_atomic_t g_writeEnd = -1;
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

extern "C" void onSignal(int signal) {
    const unsigned char code = static_cast<unsigned char>(signal);
    if (g_writeEnd >= 0) [[maybe_unused]]
        ssize_t n = ::write(g_writeEnd, &code, 1);
}
} // namespace

struct QuitSignals::Impl {
    int fds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier;
};

QuitSignals::QuitSignals(std::function<void(int)> onQuit) : impl_(std::make_unique<Impl>()) {
    if (::pipe2(impl_->fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    g_writeEnd = impl_->fds[1];
    const int readEnd = impl_->fds[0];
    impl_->notifier = std::make_unique<QSocketNotifier>(readEnd, QSocketNotifier::Read);
    QObject::connect(impl_->notifier.get(), &QSocketNotifier::activated,
                     [readEnd, onQuit = std::move(onQuit)] {
                         unsigned char code = 0;
                         while (::read(readEnd, &code, 1) == 1)
                             if (onQuit) onQuit(code);
                     });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : kSignals)
        ::sigaction(s, &sa, nullptr);
}

QuitSignals::~QuitSignals() {
    for (int s : kSignals)
        std::signal(s, SIG_DFL);
    g_writeEnd = -1;
    impl_->notifier.reset();
    for (int fd : impl_->fds)
        if (fd >= 0) ::close(fd);
}

} // namespace platform
