#include "Messages.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QEvent>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform {

namespace {

// One posted message on the wire. Anything that is not exactly this is dropped.
struct Wire {
    uint32_t magic;
    int32_t target;
    uint32_t message;
    int32_t wParam;
    int32_t lParam;
};
static_assert(sizeof(Wire) == 20, "the datagram layout is fixed");
constexpr uint32_t kWireMagic = 0x4D434454; // "TDCM"

constexpr int kCounterBits = 9;
constexpr uint32_t kCounterMask = (1u << kCounterBits) - 1;
constexpr uint32_t kPidMask = 0x3FFFFF; // Linux pids stay below 2^22

uint32_t processTag() {
    return (uint32_t(::getpid()) & kPidMask) << kCounterBits;
}

bool isLocalHandle(WindowHandle h) {
    return (uint32_t(h) & ~kCounterMask) == processTag();
}

class MessageEvent : public QEvent {
public:
    MessageEvent(uint32_t m, int32_t w, int32_t l)
        : QEvent(eventType()), message(m), wParam(w), lParam(l) {}
    static QEvent::Type eventType() {
        static const QEvent::Type t = QEvent::Type(QEvent::registerEventType());
        return t;
    }
    const uint32_t message;
    const int32_t wParam;
    const int32_t lParam;
};

// Windows of this process. Leaked on purpose: windows may outlive static destruction.
struct Registry {
    std::mutex mutex;
    std::unordered_map<WindowHandle, MessageWindow*> windows;
    uint32_t counter = 0;
};

Registry& registry() {
    static Registry* r = new Registry;
    return *r;
}

bool windowExists(WindowHandle h) {
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    return r.windows.count(h) != 0;
}

// ---- the runtime directory ------------------------------------------------------------------

QByteArray computeRuntimeDir() {
    QByteArray base;
    const QByteArray xdg = qgetenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (!xdg.isEmpty() && ::stat(xdg.constData(), &st) == 0 && S_ISDIR(st.st_mode))
        base = xdg + "/tonedeck";
    else
        base = "/tmp/tonedeck-" + QByteArray::number(uint(::getuid()));
    if (::mkdir(base.constData(), 0700) != 0 && errno != EEXIST) return {};
    // Refuse a directory that someone else made (or a symlink planted in /tmp).
    if (::lstat(base.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return {};
    if ((st.st_mode & 0777) != 0700 && ::chmod(base.constData(), 0700) != 0) return {};
    return base;
}

const QByteArray& runtimeDir() {
    static const QByteArray* dir = new QByteArray(computeRuntimeDir());
    return *dir;
}

QByteArray socketName(WindowHandle h) {
    return "w." + QByteArray::number(h);
}

QByteArray socketPath(WindowHandle h) {
    return runtimeDir() + '/' + socketName(h);
}

// Titles become file names: percent-encoded, or hashed when that would be too long. An encoded
// title never holds "%%", so the hashed form cannot clash with it.
QByteArray encodeTitle(const QString& title) {
    QByteArray enc = QUrl::toPercentEncoding(title);
    if (enc.size() > 180)
        enc = "%%" + QCryptographicHash::hash(title.toUtf8(), QCryptographicHash::Sha1).toHex();
    return enc;
}

bool fillAddress(sockaddr_un& addr, const QByteArray& path) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.isEmpty() || size_t(path.size()) >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    return true;
}

enum class Liveness { Alive, Dead, Unknown };

// A datagram socket nobody is bound to refuses a connect; that is how a dead process's socket
// is told from a live one.
Liveness probeSocket(const QByteArray& path) {
    sockaddr_un addr;
    if (!fillAddress(addr, path)) return Liveness::Unknown;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return Liveness::Unknown;
    Liveness result = Liveness::Alive;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        result = (errno == ECONNREFUSED || errno == ENOENT) ? Liveness::Dead : Liveness::Unknown;
    ::close(fd);
    return result;
}

bool parseHandle(const char* s, WindowHandle& h) {
    if (*s == '\0') return false;
    long long v = 0;
    for (; *s; ++s) {
        if (*s < '0' || *s > '9') return false;
        v = v * 10 + (*s - '0');
        if (v > 0x7FFFFFFF) return false;
    }
    h = WindowHandle(v);
    return h > 0;
}

std::vector<QByteArray> listRuntimeDir() {
    std::vector<QByteArray> names;
    DIR* d = ::opendir(runtimeDir().constData());
    if (!d) return names;
    while (const dirent* e = ::readdir(d))
        names.emplace_back(e->d_name);
    ::closedir(d);
    return names;
}

bool isDeadHandle(WindowHandle h) {
    if (isLocalHandle(h)) return !windowExists(h);
    return probeSocket(socketPath(h)) == Liveness::Dead;
}

// Removes the sockets of processes that died without closing them, and title entries whose
// socket is gone.
void sweepStaleEntries() {
    const QByteArray& dir = runtimeDir();
    for (const QByteArray& name : listRuntimeDir()) {
        WindowHandle h = 0;
        if (name.startsWith("w.") && parseHandle(name.constData() + 2, h) && isDeadHandle(h))
            ::unlink((dir + '/' + name).constData());
    }
    for (const QByteArray& name : listRuntimeDir()) {
        const int dot = name.lastIndexOf('.');
        WindowHandle h = 0;
        if (name.startsWith("t.") && dot > 1 && parseHandle(name.constData() + dot + 1, h)) {
            struct stat st {};
            if (::lstat(socketPath(h).constData(), &st) != 0)
                ::unlink((dir + '/' + name).constData());
        }
    }
}

// ---- sending to other processes ---------------------------------------------------------------

// Datagrams the receiver could not take at once wait here, in order, for a sender thread that
// may block. Once anything waits, later messages queue behind it so that none overtakes another.
struct Outbox {
    struct Item {
        QByteArray path;
        Wire wire;
    };
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Item> queue;
    bool inFlight = false;
    bool workerStarted = false;
    int fd = -1; // non-blocking socket for the direct path
};

constexpr size_t kOutboxLimit = 65536;
constexpr int kSendTimeoutMs = 500;
constexpr int kSendAttempts = 10;

Outbox& outbox() {
    static Outbox* o = new Outbox;
    return *o;
}

ssize_t sendWire(int fd, const QByteArray& path, const Wire& wire, int flags) {
    sockaddr_un addr;
    if (!fillAddress(addr, path)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    ssize_t n;
    do {
        n = ::sendto(fd, &wire, sizeof wire, flags | MSG_NOSIGNAL,
                     reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    } while (n < 0 && errno == EINTR);
    return n;
}

void outboxWorker() {
    Outbox& o = outbox();
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd >= 0) {
        timeval tv{kSendTimeoutMs / 1000, (kSendTimeoutMs % 1000) * 1000};
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    }
    std::unique_lock<std::mutex> lock(o.mutex);
    for (;;) {
        o.changed.wait(lock, [&] { return !o.queue.empty(); });
        Outbox::Item item = o.queue.front();
        o.queue.pop_front();
        o.inFlight = true;
        lock.unlock();
        // A receiver that is gone, or that takes nothing for kSendAttempts timeouts (stopped,
        // hung), loses this message and everything queued behind it for the same window.
        bool dropRest = fd >= 0;
        for (int attempt = 0; attempt < kSendAttempts && fd >= 0; ++attempt) {
            if (sendWire(fd, item.path, item.wire, 0) == ssize_t(sizeof item.wire)) {
                dropRest = false;
                break;
            }
            if (errno == ECONNREFUSED) {
                ::unlink(item.path.constData());
                break;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK && errno != ENOBUFS) {
                dropRest = errno == ENOENT;
                break;
            }
        }
        lock.lock();
        if (dropRest) {
            o.queue.erase(
                std::remove_if(o.queue.begin(), o.queue.end(),
                               [&](const Outbox::Item& i) { return i.path == item.path; }),
                o.queue.end());
        }
        o.inFlight = false;
        o.changed.notify_all();
    }
}

// At exit, give queued messages a moment to leave (an engine's last words, a close request).
void flushOutboxAtExit() {
    Outbox& o = outbox();
    std::unique_lock<std::mutex> lock(o.mutex);
    o.changed.wait_for(lock, std::chrono::seconds(2),
                       [&] { return o.queue.empty() && !o.inFlight; });
}

bool enqueue(Outbox& o, const QByteArray& path, const Wire& wire) {
    if (o.queue.size() >= kOutboxLimit) return false;
    o.queue.push_back({path, wire});
    if (!o.workerStarted) {
        o.workerStarted = true;
        std::thread(outboxWorker).detach();
        std::atexit(flushOutboxAtExit);
    }
    o.changed.notify_all();
    return true;
}

bool postRemote(WindowHandle window, uint32_t message, int32_t wParam, int32_t lParam) {
    if (runtimeDir().isEmpty()) return false;
    const QByteArray path = socketPath(window);
    const Wire wire{kWireMagic, window, message, wParam, lParam};
    Outbox& o = outbox();
    std::lock_guard<std::mutex> lock(o.mutex);
    if (!o.queue.empty() || o.inFlight) {
        struct stat st {};
        return ::stat(path.constData(), &st) == 0 && enqueue(o, path, wire);
    }
    if (o.fd < 0) {
        o.fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (o.fd < 0) return false;
    }
    if (sendWire(o.fd, path, wire, MSG_DONTWAIT) == ssize_t(sizeof wire)) return true;
    switch (errno) {
    case EAGAIN:
#if EAGAIN != EWOULDBLOCK
    case EWOULDBLOCK:
#endif
    case ENOBUFS:
        return enqueue(o, path, wire);
    case ECONNREFUSED: // a dead process's socket
        ::unlink(path.constData());
        return false;
    default:
        return false;
    }
}

// ---- registered message numbers -------------------------------------------------------------

constexpr uint32_t kFirstRegistered = 0xC000;
constexpr uint32_t kRegisteredCount = 0x4000;

uint32_t hashName(const QByteArray& key) {
    uint32_t h = 2166136261u; // FNV-1a
    for (char c : key) {
        h ^= uint8_t(c);
        h *= 16777619u;
    }
    return h;
}

// The table file: one line per name, "<hex number> <percent-encoded lower-case name>".
uint32_t lookUpOrAssign(const QByteArray& key, uint32_t preferred) {
    const QByteArray path = runtimeDir() + "/messages";
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return preferred;
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    QByteArray content;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        content.append(buf, n);
    }
    const QByteArray encoded = QUrl::toPercentEncoding(QString::fromUtf8(key));
    std::vector<bool> used(kRegisteredCount, false);
    uint32_t result = 0;
    for (const QByteArray& line : content.split('\n')) {
        const int space = line.indexOf(' ');
        if (space <= 0) continue;
        bool ok = false;
        const uint32_t number = line.left(space).toUInt(&ok, 16);
        if (!ok || number < kFirstRegistered || number >= kFirstRegistered + kRegisteredCount)
            continue;
        used[number - kFirstRegistered] = true;
        if (line.mid(space + 1) == encoded) {
            result = number;
            break;
        }
    }
    if (result == 0) {
        for (uint32_t i = 0; i < kRegisteredCount; ++i) {
            const uint32_t candidate =
                kFirstRegistered + (preferred - kFirstRegistered + i) % kRegisteredCount;
            if (!used[candidate - kFirstRegistered]) {
                result = candidate;
                break;
            }
        }
        if (result != 0) {
            QByteArray line = QByteArray::number(result, 16).toUpper() + ' ' + encoded + '\n';
            if (!content.isEmpty() && !content.endsWith('\n')) line.prepend('\n');
            ::lseek(fd, 0, SEEK_END);
            const ssize_t written = ::write(fd, line.constData(), size_t(line.size()));
            if (written != ssize_t(line.size()))
                result = preferred; // the table is unusable; the hash alone still agrees mostly
        }
    }
    ::flock(fd, LOCK_UN);
    ::close(fd);
    return result;
}

} // namespace

// ---- public functions -------------------------------------------------------------------------

QString runtimeDirectory() {
    return QString::fromLocal8Bit(runtimeDir());
}

bool postMessage(WindowHandle window, uint32_t message, int32_t wParam, int32_t lParam) {
    if (window <= 0) return false;
    {
        Registry& r = registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        const auto it = r.windows.find(window);
        if (it != r.windows.end()) {
            // Under the lock: the window cannot be destroyed before the event is queued, and
            // its destructor drops whatever is still queued.
            QCoreApplication::postEvent(it->second, new MessageEvent(message, wParam, lParam));
            return true;
        }
    }
    if (isLocalHandle(window)) return false;
    return postRemote(window, message, wParam, lParam);
}

uint32_t registerWindowMessage(const QString& name) {
    const QByteArray key = name.toLower().toUtf8();
    if (key.isEmpty()) return 0;
    static std::mutex mutex;
    static auto* cache = new std::unordered_map<std::string, uint32_t>;
    std::lock_guard<std::mutex> lock(mutex);
    const auto it = cache->find(key.toStdString());
    if (it != cache->end()) return it->second;
    const uint32_t preferred = kFirstRegistered + hashName(key) % kRegisteredCount;
    const uint32_t number = runtimeDir().isEmpty() ? preferred : lookUpOrAssign(key, preferred);
    if (number != 0) cache->emplace(key.toStdString(), number);
    return number;
}

WindowHandle findWindow(const QString& title) {
    if (title.isEmpty() || runtimeDir().isEmpty()) return 0;
    const QByteArray prefix = "t." + encodeTitle(title) + '.';
    std::vector<WindowHandle> candidates;
    for (const QByteArray& name : listRuntimeDir()) {
        WindowHandle h = 0;
        if (name.startsWith(prefix) && parseHandle(name.constData() + prefix.size(), h))
            candidates.push_back(h);
    }
    std::sort(candidates.begin(), candidates.end());
    for (WindowHandle h : candidates) {
        if (!isDeadHandle(h)) return h;
        if (!isLocalHandle(h)) ::unlink(socketPath(h).constData());
        ::unlink((runtimeDir() + '/' + prefix + QByteArray::number(h)).constData());
    }
    return 0;
}

int32_t callWindowProc(const WindowProc& proc, WindowHandle window, uint32_t message,
                       int32_t wParam, int32_t lParam) {
    return proc ? proc(window, message, wParam, lParam) : 0;
}

// ---- MessageWindow ----------------------------------------------------------------------------

struct MessageWindow::Listener {
    int fd = -1;
    int wake[2] = {-1, -1};
    QByteArray socketPath;
    QByteArray titlePath;
    std::thread reader;
};

namespace {

// Drains the socket as soon as datagrams arrive, whatever the window's thread is doing, so that
// the kernel's short datagram queue never fills while the user interface is busy.
void readLoop(MessageWindow* window, WindowHandle handle, int fd, int wakeFd) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
    for (;;) {
        const int r = ::poll(fds, 2, -1);
        if (r < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents != 0) return;
        if (fds[0].revents & POLLIN) {
            for (;;) {
                char buf[64];
                const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT | MSG_TRUNC);
                if (n < 0) {
                    if (errno == EINTR) continue;
                    break;
                }
                if (n != ssize_t(sizeof(Wire))) continue;
                Wire w;
                std::memcpy(&w, buf, sizeof w);
                if (w.magic != kWireMagic || w.target != handle) continue;
                QCoreApplication::postEvent(window,
                                            new MessageEvent(w.message, w.wParam, w.lParam));
            }
        } else if (fds[0].revents & (POLLERR | POLLNVAL)) {
            return;
        }
    }
}

} // namespace

MessageWindow::MessageWindow(QObject* parent) : QObject(parent) {
    proc_ = [this](WindowHandle w, uint32_t m, int32_t wp, int32_t lp) {
        const WindowProc d = defaultProc_;
        return callWindowProc(d, w, m, wp, lp);
    };
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    const uint32_t tag = processTag();
    for (uint32_t i = 0; i <= kCounterMask; ++i) {
        r.counter = (r.counter + 1) & kCounterMask;
        const WindowHandle h = WindowHandle(tag | r.counter);
        if (h > 0 && r.windows.count(h) == 0) {
            handle_ = h;
            r.windows.emplace(h, this);
            break;
        }
    }
    if (handle_ == 0) qWarning("MessageWindow: no window handle left in this process");
}

MessageWindow::~MessageWindow() {
    if (handle_ != 0) {
        Registry& r = registry();
        std::lock_guard<std::mutex> lock(r.mutex);
        r.windows.erase(handle_);
    }
    stopListening();
}

bool MessageWindow::isListening() const {
    return listener_ != nullptr;
}

bool MessageWindow::listen(const QString& title) {
    if (handle_ == 0 || runtimeDir().isEmpty()) return false;
    if (!listener_) {
        auto l = std::make_unique<Listener>();
        l->socketPath = socketPath(handle_);
        sockaddr_un addr;
        if (!fillAddress(addr, l->socketPath)) return false;
        l->fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (l->fd < 0) return false;
        ::unlink(l->socketPath.constData()); // left by an earlier process with our pid
        if (::bind(l->fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::pipe2(l->wake, O_CLOEXEC) != 0) {
            ::close(l->fd);
            ::unlink(l->socketPath.constData());
            return false;
        }
        l->reader = std::thread(readLoop, this, handle_, l->fd, l->wake[0]);
        listener_ = std::move(l);
        sweepStaleEntries();
    }
    if (!listener_->titlePath.isEmpty()) {
        ::unlink(listener_->titlePath.constData());
        listener_->titlePath.clear();
    }
    if (title.isEmpty()) return true;
    const QByteArray path =
        runtimeDir() + "/t." + encodeTitle(title) + '.' + QByteArray::number(handle_);
    ::unlink(path.constData());
    if (::symlink(socketName(handle_).constData(), path.constData()) != 0) return false;
    listener_->titlePath = path;
    return true;
}

void MessageWindow::stopListening() {
    if (!listener_) return;
    if (!listener_->titlePath.isEmpty()) ::unlink(listener_->titlePath.constData());
    const char stop = 1;
    while (::write(listener_->wake[1], &stop, 1) < 0 && errno == EINTR) {
    }
    listener_->reader.join();
    ::close(listener_->fd);
    ::close(listener_->wake[0]);
    ::close(listener_->wake[1]);
    ::unlink(listener_->socketPath.constData());
    listener_.reset();
}

void MessageWindow::setDefaultProc(WindowProc proc) {
    defaultProc_ = std::move(proc);
}

WindowProc MessageWindow::setWindowProc(WindowProc proc) {
    WindowProc previous = std::move(proc_);
    proc_ = std::move(proc);
    return previous;
}

int32_t MessageWindow::sendMessage(uint32_t message, int32_t wParam, int32_t lParam) {
    // A copy: the procedure may replace itself while it runs.
    const WindowProc proc = proc_;
    return callWindowProc(proc, handle_, message, wParam, lParam);
}

bool MessageWindow::event(QEvent* e) {
    if (e->type() == MessageEvent::eventType()) {
        const auto* m = static_cast<const MessageEvent*>(e);
        sendMessage(m->message, m->wParam, m->lParam);
        return true;
    }
    return QObject::event(e);
}

} // namespace platform
