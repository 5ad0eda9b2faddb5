#pragma once
// A modem on a pseudo-terminal. The program opens path, a link to the slave side that reopen()
// keeps; what it writes is echoed (unless echo is off), the test modem's commands (escape, a
// name, carriage return) are decoded, and inject() sends it received text.
#include <fcntl.h>
#include <memory>
#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QStringList>
#include <stdexcept>
#include <termios.h>
#include <unistd.h>
#include <utility>

#include "rtty/RTTYComm.h"

namespace tdtest {

class FakeTnc {
public:
    explicit FakeTnc(const QString& path) : path(path) { reopen(); }
    ~FakeTnc() { unplug(); }

    const QString path;
    bool echo = true;
    QStringList commands; // decoded, in order
    QByteArray text;      // bytes outside commands

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
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ < 0 || grantpt(master_) || unlockpt(master_))
            throw std::runtime_error("no pseudo-terminal");
        // The slave is held open (no hang-up between the program's opens) and raw (nothing is
        // echoed before the program sets the line up).
        slave_ = ::open(ptsname(master_), O_RDWR | O_NOCTTY);
        termios t{};
        tcgetattr(slave_, &t);
        cfmakeraw(&t);
        tcsetattr(slave_, TCSANOW, &t);
        if (!QFile::link(QString::fromLocal8Bit(ptsname(master_)), path))
            throw std::runtime_error("cannot link the pseudo-terminal");
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
        for (ssize_t i = 0; i < n; ++i) {
            if (buf[i] == 27)
                pending_ = "\033";
            else if (pending_.isEmpty())
                text += buf[i];
            else if (buf[i] == 13)
                commands << QString::fromLatin1(std::exchange(pending_, {}).mid(1));
            else
                pending_ += buf[i];
        }
        if (echo && n > 0) inject(QByteArray(buf, n));
    }

    int master_ = -1, slave_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    QByteArray pending_; // a command being decoded
};

// Records what the program asked of DTR and RTS.
struct RecordingLines : rtty::LineControl {
    int calls = 0;
    bool dtr = false, rts = false;
    void setLines(QSerialPort&, bool d, bool r) override { ++calls, dtr = d, rts = r; }
};

} // namespace tdtest
