#pragma once
// A modem on a pseudo-terminal, installed as the program's external modem: the test modem's file
// in dir/Modems, the terminal linked at dir/ttyTNC (reopen() keeps the link) as port com, enabled
// at 45.45 baud, 170 Hz, unshift on space. What the program writes is kept and echoed (unless echo
// is off); inject() sends it received text.
#include <fcntl.h>
#include <memory>
#include <pty.h>
#include <QCoreApplication>
#include <QDir>
#include <QSocketNotifier>
#include <stdexcept>
#include <unistd.h>

#include "platform/SettingsStore.h"

namespace tdtest {

class FakeTnc {
public:
    FakeTnc(platform::SettingsStore& store, const QString& dir, int com) : path(dir + "/ttyTNC") {
        QDir().mkpath(dir + "/Modems");
        QFile::copy(TD_MODEMS "/TestModem.txt", dir + "/Modems/TestModem.txt");
        store.saveSetting("SerialPorts", "COM" + QString::number(com), path);
        const QString settings = "Port=%1 Enabled=1 Model=TestModem Baud=45.45 Shift=170 USOS=1";
        for (const QString& kv : settings.arg(com).split(' '))
            store.saveSetting("RTTYModem", "RTTYModem" + kv.section('=', 0, 0), kv.section('=', 1));
        reopen();
    }
    ~FakeTnc() { unplug(); }

    const QString path;
    bool echo = true;
    QByteArray said; // by the program; the test modem's commands are escape, name, return

    // The adapter pulled out, and put back (a fresh terminal behind the same path).
    void unplug() {
        notifier_.reset();
        for (int fd : {master_, slave_})
            if (fd >= 0) ::close(fd);
        master_ = slave_ = -1;
        QFile::remove(path);
    }
    void reopen() {
        unplug();
        // The slave is held open (no hang-up between the program's opens) and raw (nothing is
        // echoed before the program sets the line up).
        termios raw{};
        cfmakeraw(&raw);
        if (openpty(&master_, &slave_, nullptr, &raw, nullptr) ||
            fcntl(master_, F_SETFL, O_NONBLOCK) || !QFile::link(ttyname(slave_), path))
            throw std::runtime_error("no pseudo-terminal");
        notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { readable(); });
    }
    void inject(const QByteArray& bytes) {
        for (qsizetype done = 0; done < bytes.size() && master_ >= 0;) {
            const ssize_t n = ::write(master_, bytes.constData() + done, bytes.size() - done);
            if (n > 0)
                done += n;
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                return;
            else // the terminal buffer is full: let the program read
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }

private:
    void readable() {
        char buf[4096];
        const ssize_t n = ::read(master_, buf, sizeof buf);
        said += QByteArray(buf, qMax<ssize_t>(n, 0));
        if (echo && n > 0) inject(QByteArray(buf, n));
    }

    int master_ = -1, slave_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace tdtest
