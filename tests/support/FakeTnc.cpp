#include "FakeTnc.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <QCoreApplication>
#include <QFile>
#include <stdexcept>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace tdtest {

FakeTnc::FakeTnc(const QString& path) : path_(path) {
    open();
}

FakeTnc::~FakeTnc() {
    unplug();
}

void FakeTnc::open() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
        throw std::runtime_error(std::string("no pseudo-terminal: ") + std::strerror(errno));
    const char* slave = ptsname(master_);
    // The slave side is held open (the master sees no hang-up between the program's opens)
    // and raw from the start (nothing is echoed before the program sets the line up).
    slave_ = ::open(slave, O_RDWR | O_NOCTTY);
    if (slave_ >= 0) {
        termios t{};
        tcgetattr(slave_, &t);
        cfmakeraw(&t);
        tcsetattr(slave_, TCSANOW, &t);
    }
    QFile::remove(path_);
    if (!QFile::link(QString::fromLocal8Bit(slave), path_))
        throw std::runtime_error("cannot link the pseudo-terminal");
    notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &FakeTnc::onReadable);
}

void FakeTnc::unplug() {
    notifier_.reset();
    if (master_ >= 0) ::close(master_);
    if (slave_ >= 0) ::close(slave_);
    master_ = slave_ = -1;
    QFile::remove(path_);
}

void FakeTnc::reopen() {
    unplug();
    open();
}

void FakeTnc::inject(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size() && master_ >= 0) {
        const ssize_t n = ::write(master_, bytes.constData() + done, bytes.size() - done);
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return;
        } else {
            // The terminal buffer is full: let the program read.
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }
}

void FakeTnc::onReadable() {
    char buf[4096];
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n <= 0) return;
    const QByteArray bytes(buf, n);
    for (char c : bytes)
        decode(c);
    if (echo_) inject(bytes);
}

void FakeTnc::decode(char c) {
    if (c == 27) {
        pending_ = QByteArray(1, c);
    } else if (pending_.isEmpty()) {
        text += c;
    } else if (c == 13) {
        commands << QString::fromLatin1(pending_.mid(1));
        pending_.clear();
    } else {
        pending_ += c;
    }
}

} // namespace tdtest
