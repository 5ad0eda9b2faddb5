#pragma once
// A Shell for tests: records what would have been opened, so no browser ever starts during a
// test.
#include "platform/Shell.h"

#include <QList>
#include <QString>

namespace tdtest {

class FakeShell : public platform::Shell {
public:
    struct Call {
        QString program; // empty for open()
        QString file;
    };

    platform::ShellResult openWith(const QString& program, const QString& file) override {
        calls_.append({program, file});
        return platform::ShellResult::Ok;
    }
    platform::ShellResult open(const QString& file) override {
        calls_.append({QString(), file});
        return platform::ShellResult::Ok;
    }

    const QList<Call>& calls() const { return calls_; }
    void clear() { calls_.clear(); }

private:
    QList<Call> calls_;
};

} // namespace tdtest
