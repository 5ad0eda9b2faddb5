// The two error-log writers, error reporting and the error trap, help pages and the shell.
#include "common/Common.h"
#include "common/PSKEvent.h"
#include "common/Trap.h"
#include "common/Version.h"
#include "TestServices.h"

#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <ios>
#include <new>
#include <stdexcept>
#include <vector>

using namespace common;
using tdtest::TestServices;

namespace {

QString logOf(const TestServices& t) {
    QFile f(t.programDir + "/ErrorLog.txt");
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QStringList linesOf(const TestServices& t) {
    QString text = logOf(t);
    if (text.endsWith(QLatin1String("\r\n"))) text.chop(2);
    return text.isEmpty() ? QStringList() : text.split(QStringLiteral("\r\n"));
}

} // namespace

class TestErrorLog : public QObject {
    Q_OBJECT

private slots:
    void oneErrorGivesThreeLines() {
        TestServices t;
        PSKEvent events(t.services());
        Common common(t.services());
        events.Initialize();
        common.Initialize();
        t.clock.advanceSeconds(125);
        common.ReportError(13, QStringLiteral("PSKXcvr.SetReceiveFrequency"));
        t.clock.advanceSeconds(60);
        events.Shutdown();
        common.Shutdown();
        QCOMPARE(linesOf(t), QStringList({"06-Dec-2026 07:05:09 > Tonedeck version " +
                                              QString::fromLatin1(kVersionString) + " startup",
                                          "06-Dec-2026 07:07:14 > program error 13 in module "
                                          "PSKXcvr.SetReceiveFrequency: Type mismatch",
                                          "06-Dec-2026 07:08:14 > Tonedeck shutdown"}));
        // Every line, the last included, ends with CR LF; there are no bare LFs.
        const QString raw = logOf(t);
        QVERIFY(raw.endsWith(QLatin1String("\r\n")));
        QCOMPARE(raw.count(QLatin1Char('\n')), raw.count(QLatin1String("\r\n")));
        QVERIFY(!events.EventLogged()); // errors of Common do not raise the caption's notice
    }

    void appendsToAnEarlierRunsLog() {
        TestServices t;
        {
            QFile f(t.programDir + "/ErrorLog.txt");
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old line\r\n");
        }
        PSKEvent events(t.clock, t.programDir, QStringLiteral("Tonedeck"),
                        QStringLiteral("2.3.45"));
        events.LogEvent(QStringLiteral("x"));
        QCOMPARE(linesOf(t),
                 QStringList({"old line", "06-Dec-2026 07:05:09 > Tonedeck version 2.3.45 startup",
                              "06-Dec-2026 07:05:09 > x"}));
    }

    void guardReportsAndReturnsTheFallback() {
        TestServices t;
        Common common(t.services());
        // Nothing thrown: the body's result, nothing logged.
        QCOMPARE(guard(
                     common, "M.Ok", [] { return 5; }, -1),
                 5);
        bool ran = false;
        guard(common, "M.Void", [&] { ran = true; });
        QVERIFY(ran);
        QVERIFY(!QFileInfo::exists(t.programDir + "/ErrorLog.txt"));

        QCOMPARE(guard(
                     common, "PSKXcvr.GetNewChar", []() -> int { throw RuntimeError(9); }, 0),
                 0);
        guard(common, "M.Alloc", [] { throw std::bad_alloc(); });
        guard(common, "M.Vector", [] { std::vector<int>().at(3); });
        guard(common, "M.Overflow", [] { throw std::overflow_error("x"); });
        guard(common, "M.Io", [] { throw std::ios_base::failure("x"); });
        guard(common, "M.Logic", [] { throw std::logic_error("x"); });
        guard(common, "M.Odd", [] { throw 42; });
        const QString rest = QStringLiteral("<call> <name>");
        const QString text = guard(
            common, [&] { return QStringLiteral("Macros.Expand: ") + rest; },
            []() -> QString { throw RuntimeError(13); }, QStringLiteral("fallback"));
        QCOMPARE(text, QStringLiteral("fallback"));

        QStringList lines = linesOf(t);
        QCOMPARE(lines.size(), 9);
        lines.removeFirst(); // startup
        for (QString& l : lines)
            l = l.mid(QStringLiteral("06-Dec-2026 07:05:09 > ").size());
        QCOMPARE(lines,
                 QStringList({
                     "program error 9 in module PSKXcvr.GetNewChar: Subscript out of range",
                     "program error 7 in module M.Alloc: Out of memory",
                     "program error 9 in module M.Vector: Subscript out of range",
                     "program error 6 in module M.Overflow: Overflow",
                     "program error 57 in module M.Io: Device I/O error",
                     "program error 5 in module M.Logic: Invalid procedure call or argument",
                     "program error 51 in module M.Odd: Internal error",
                     "program error 13 in module Macros.Expand: <call> <name>: Type mismatch",
                 }));
    }

    void missingHelpPage() {
        TestServices t;
        Common common(t.services());
        common.InvokeHelp(QStringLiteral("Index.htm"));
        QCOMPARE(t.dialogs.calls().size(), 1);
        const auto& c = t.dialogs.calls()[0];
        QCOMPARE(c.text, QStringLiteral("missing help file: ") + t.programDir + "/Help/Index.htm");
        QCOMPARE(c.title, QStringLiteral("Tonedeck"));
        QCOMPARE(c.buttons, platform::Dialogs::Ok);
        QVERIFY(t.shell.calls().isEmpty());
        QVERIFY(!QFileInfo::exists(t.programDir + "/ErrorLog.txt"));
    }
};

QTEST_GUILESS_MAIN(TestErrorLog)
#include "tst_errorlog.moc"
