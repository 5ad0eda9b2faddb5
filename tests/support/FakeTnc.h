#pragma once
// A terminal node controller on a pseudo-terminal, for the external-modem tests. The program
// opens the device path (a link to the terminal's slave side, stable across reopen()); the
// fake echoes every byte it is sent unless told not to, decodes the test modem's commands
// (escape, a name, carriage return: "x", "r", "b1") and injects received text on request.
#include <memory>
#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QStringList>

#include "rtty/RTTYComm.h"

namespace tdtest {

class FakeTnc : public QObject {
    Q_OBJECT
public:
    // Creates the terminal and links it at path; throws std::runtime_error if it cannot.
    explicit FakeTnc(const QString& path);
    ~FakeTnc() override;

    const QString& path() const { return path_; }
    void setEcho(bool on) { echo_ = on; }
    void inject(const QByteArray& bytes);
    // The adapter pulled out, and put back (a fresh terminal behind the same path).
    void unplug();
    void reopen();

    QStringList commands; // decoded commands, in order
    QByteArray text;      // bytes that were not part of a command

private:
    void open();
    void onReadable();
    void decode(char c);

    QString path_;
    int master_ = -1, slave_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool echo_ = true;
    QByteArray pending_; // a command being decoded
};

// Records what the program asked of DTR and RTS.
struct RecordingLines : rtty::LineControl {
    int calls = 0;
    bool dtr = false, rts = false;
    void setLines(QSerialPort&, bool d, bool r) override {
        ++calls;
        dtr = d;
        rts = r;
    }
};

} // namespace tdtest
