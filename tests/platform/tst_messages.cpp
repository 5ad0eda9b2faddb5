// Posted messages in one process and between processes, the handler chain, registered message
// numbers and finding windows by title.
#include "platform/Messages.h"
#include "platform/MsgInterceptor.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

#include <csignal>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using platform::MessageWindow;
using platform::WindowHandle;

namespace {

struct Received {
    uint32_t message;
    int32_t wParam;
    int32_t lParam;
    bool onOwnThread;
};

// Records every message that reaches the end of the window's chain.
void record(MessageWindow& w, QVector<Received>& into) {
    w.setDefaultProc([&into, &w](WindowHandle h, uint32_t m, int32_t wp, int32_t lp) {
        into.append({m, wp, lp, QThread::currentThread() == w.thread() && h == w.handle()});
        return 0;
    });
}

// Installs a procedure that takes `handled`, noting `name` and wParam, and passes the rest on
// to the one it replaced, kept in `previous`.
void interceptOne(MessageWindow& w, uint32_t handled, const char* name, QStringList& trace,
                  platform::WindowProc& previous) {
    previous = platform::MsgInterceptor::Install(
        w, [&trace, &previous, handled, name](WindowHandle h, uint32_t m, int32_t wp, int32_t lp) {
            if (m != handled) return platform::callWindowProc(previous, h, m, wp, lp);
            trace << QStringLiteral("%1 %2").arg(name).arg(wp);
            return 0;
        });
}

} // namespace

class TestMessages : public QObject {
    Q_OBJECT

private:
    QTemporaryDir runtime_;
    uint32_t testMessage_ = 0;

    // Starts the echo peer under a title; returns its handle once it has announced itself.
    WindowHandle startPeer(QProcess& peer, MessageWindow& home, QVector<Received>& got,
                           const QString& title) {
        peer.start(
            QStringLiteral(TD_MSGPEER),
            {QStringLiteral("echo"), title,
             QStringLiteral("%1").arg(uint(home.handle()), 8, 16, QLatin1Char('0')).toUpper()});
        if (!peer.waitForStarted(10000)) return 0;
        if (!QTest::qWaitFor([&] { return !got.isEmpty(); }, 20000)) return 0;
        const Received hello = got.takeFirst();
        if (hello.message != testMessage_ || hello.wParam != 0x8000) return 0;
        return hello.lParam;
    }

private slots:
    void initTestCase() {
        QVERIFY(runtime_.isValid());
        // Our own runtime directory, inherited by the peers, so that nothing here meets the
        // sockets of a running program.
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime_.path()));
        testMessage_ = platform::registerWindowMessage(QStringLiteral("TD-TEST"));
    }

    void handlesArePositiveUniqueAndCarryThePid() {
        std::vector<std::unique_ptr<MessageWindow>> windows;
        QSet<WindowHandle> seen;
        for (int i = 0; i < 600; ++i) { // past the counter's wrap
            windows.push_back(std::make_unique<MessageWindow>());
            if (windows.size() > 100) windows.erase(windows.begin());
            const WindowHandle h = windows.back()->handle();
            QVERIFY(h > 0);
            QCOMPARE(uint32_t(h) >> 9, uint32_t(::getpid()) & 0x3FFFFF);
            seen.insert(h);
        }
        QSet<WindowHandle> live;
        for (const auto& w : windows)
            live.insert(w->handle());
        QCOMPARE(live.size(), 100);
        QVERIFY(seen.size() >= 511);
        QVERIFY(!platform::postMessage(0, 1, 0, 0));
        QVERIFY(!platform::postMessage(-5, 1, 0, 0));
    }

    void postFromAnotherThreadArrivesOnOwnThreadInOrder() {
        MessageWindow w;
        QVector<Received> got;
        record(w, got);
        const int count = 20000;
        std::thread poster([&] {
            for (int i = 0; i < count; ++i)
                platform::postMessage(w.handle(), platform::kUserMessage + 1001, i, -i);
        });
        poster.join();
        QVERIFY(got.isEmpty()); // posted, not sent: nothing runs before the event loop
        QTRY_COMPARE_WITH_TIMEOUT(got.size(), count, 20000);
        for (int i = 0; i < count; ++i) {
            QCOMPARE(got[i].wParam, i);
            QCOMPARE(got[i].lParam, -i);
            QCOMPARE(got[i].message, platform::kUserMessage + 1001);
            QVERIFY(got[i].onOwnThread);
        }
    }

    void sendMessageRunsTheProcNow() {
        MessageWindow w;
        w.setDefaultProc(
            [](WindowHandle, uint32_t m, int32_t wp, int32_t lp) { return int32_t(m) + wp * lp; });
        QCOMPARE(w.sendMessage(10, 3, 4), 22);
        MessageWindow bare;
        QCOMPARE(bare.sendMessage(10, 3, 4), 0); // no default: unhandled gives 0
        QCOMPARE(platform::callWindowProc(platform::WindowProc(), 1, 2, 3, 4), 0);
    }

    void interceptorChain() {
        MessageWindow w;
        QStringList trace;
        w.setDefaultProc([&](WindowHandle, uint32_t m, int32_t, int32_t) {
            trace << QStringLiteral("default %1").arg(m);
            return -1;
        });
        platform::WindowProc prevA, prevB;
        interceptOne(w, 2024, "A", trace, prevA);
        QVERIFY(prevA);
        QCOMPARE(w.sendMessage(2024, 5, 0), 0);
        QCOMPARE(w.sendMessage(15, 0, 0), -1); // unhandled reaches the default, result kept
        QCOMPARE(trace, QStringList({"A 5", "default 15"}));
        trace.clear();

        // B on top of A handles 0xC100; 2024 still reaches A through B.
        interceptOne(w, 0xC100, "B", trace, prevB);
        platform::postMessage(w.handle(), 0xC100, 0, 0);
        platform::postMessage(w.handle(), 2024, 6, 0);
        platform::postMessage(w.handle(), 16, 0, 0);
        QTRY_COMPARE(trace.size(), 3);
        QCOMPARE(trace, QStringList({"B 0", "A 6", "default 16"}));
        trace.clear();

        // Removing in reverse order restores each previous procedure.
        platform::MsgInterceptor::Remove(w, prevB);
        w.sendMessage(0xC100, 0, 0);
        w.sendMessage(2024, 7, 0);
        QCOMPARE(trace, QStringList({QStringLiteral("default %1").arg(0xC100), "A 7"}));
        trace.clear();
        platform::MsgInterceptor::Remove(w, prevA);
        w.sendMessage(2024, 8, 0);
        QCOMPARE(trace, QStringList({"default 2024"}));
    }

    void registeredNumbers() {
        const uint32_t a = platform::registerWindowMessage(QStringLiteral("MMTTY"));
        QVERIFY(a >= 0xC000 && a <= 0xFFFF);
        QCOMPARE(platform::registerWindowMessage(QStringLiteral("MMTTY")), a);
        QCOMPARE(platform::registerWindowMessage(QStringLiteral("mmtty")), a);
        QCOMPARE(platform::registerWindowMessage(QString()), 0u);
        // Enough names that their hashes collide many times over: still all distinct.
        QSet<uint32_t> numbers;
        for (int i = 0; i < 2000; ++i) {
            const uint32_t n = platform::registerWindowMessage(QStringLiteral("name-%1").arg(i));
            QVERIFY(n >= 0xC000 && n <= 0xFFFF);
            numbers.insert(n);
        }
        QCOMPARE(numbers.size(), 2000);
        QVERIFY(!numbers.contains(a));
    }

    void postingToAnotherProcess() {
        MessageWindow home;
        QVERIFY(home.listen());
        QVector<Received> got;
        record(home, got);
        QProcess peer;
        const QString title = QStringLiteral("Peer Engine");
        const WindowHandle peerHandle = startPeer(peer, home, got, title);
        QVERIFY(peerHandle > 0);
        QVERIFY(peerHandle != home.handle());
        QCOMPARE(platform::findWindow(title), peerHandle);

        // A burst far longer than the kernel's datagram queue: nothing lost, nothing reordered.
        const int count = 3000;
        for (int i = 0; i < count; ++i)
            QVERIFY(platform::postMessage(peerHandle, testMessage_, i, i * 3));
        QTRY_COMPARE_WITH_TIMEOUT(got.size(), count, 60000);
        for (int i = 0; i < count; ++i) {
            QCOMPARE(got[i].message, testMessage_);
            QCOMPARE(got[i].wParam, i);
            QCOMPARE(got[i].lParam, i * 3);
            QVERIFY(got[i].onOwnThread);
        }

        // A clean exit takes the window and its title away.
        QVERIFY(platform::postMessage(peerHandle, testMessage_, -1, 0));
        QVERIFY(peer.waitForFinished(20000));
        QCOMPARE(peer.exitCode(), 0);
        QCOMPARE(platform::findWindow(title), 0);
        QVERIFY(!platform::postMessage(peerHandle, testMessage_, 1, 0));
    }

    void stoppedReceiverNeitherBlocksNorJamsTheQueue() {
        MessageWindow home;
        QVERIFY(home.listen());
        QVector<Received> got;
        record(home, got);
        QProcess peer;
        const WindowHandle peerHandle = startPeer(peer, home, got, QStringLiteral("Stopped"));
        QVERIFY(peerHandle > 0);
        QCOMPARE(::kill(pid_t(peer.processId()), SIGSTOP), 0);
        // Far more than the kernel queues for a receiver that reads nothing: posting still
        // returns at once.
        for (int i = 0; i < 50; ++i)
            QVERIFY(platform::postMessage(peerHandle, testMessage_, i, 0));
        QTest::qWait(8000); // the sender thread gives up on the stopped receiver meanwhile
        QCOMPARE(::kill(pid_t(peer.processId()), SIGCONT), 0);
        QVERIFY(platform::postMessage(peerHandle, testMessage_, 999, 0));
        QTRY_VERIFY_WITH_TIMEOUT(!got.isEmpty() && got.back().wParam == 999, 20000);
        QVERIFY2(got.size() < 51, "what a hung receiver could not take was dropped");
        for (int i = 1; i < got.size(); ++i)
            QVERIFY(got[i].wParam > got[i - 1].wParam);
        platform::postMessage(peerHandle, testMessage_, -1, 0);
        QVERIFY(peer.waitForFinished(20000));
    }
};

QTEST_GUILESS_MAIN(TestMessages)
#include "tst_messages.moc"
