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
    void errorFreeRunLeavesNoFile() {
        TestServices t;
        PSKEvent events(t.services());
        Common common(t.services());
        events.Initialize();
        common.Initialize();
        t.clock.advanceSeconds(3600);
        events.Shutdown();
        common.Shutdown();
        QVERIFY(!QFileInfo::exists(t.programDir + "/ErrorLog.txt"));
        QVERIFY(!events.EventLogged());
    }

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
        QCOMPARE(linesOf(t), QStringList({"06-Dec-2026 07:05:09 > Tonedeck version 0.1.0 startup",
                                          "06-Dec-2026 07:07:14 > program error 13 in module "
                                          "PSKXcvr.SetReceiveFrequency: Type mismatch",
                                          "06-Dec-2026 07:08:14 > Tonedeck shutdown"}));
        // Every line, the last included, ends with CR LF; there are no bare LFs.
        const QString raw = logOf(t);
        QVERIFY(raw.endsWith(QLatin1String("\r\n")));
        QCOMPARE(raw.count(QLatin1Char('\n')), raw.count(QLatin1String("\r\n")));
        QVERIFY(!events.EventLogged()); // errors of Common do not raise the caption's notice
        QCOMPARE(QString::fromLatin1(kVersionString), QStringLiteral("0.1.0"));
    }

    void startupLineCarriesTheStartTime() {
        TestServices t;
        PSKEvent events(t.services());
        events.Initialize();
        t.clock.advanceSeconds(5 * 3600 + 7);
        events.LogEvent(QStringLiteral("from PSKCore.DLL: input buffer overflow"));
        QVERIFY(events.EventLogged());
        events.LogEvent(QStringLiteral("second"));
        QCOMPARE(linesOf(t),
                 QStringList({"06-Dec-2026 07:05:09 > Tonedeck version 0.1.0 startup",
                              "06-Dec-2026 12:05:16 > from PSKCore.DLL: input buffer overflow",
                              "06-Dec-2026 12:05:16 > second"}));
    }

    void twoWritersEachWithItsOwnStartTime() {
        TestServices t;
        PSKEvent events(t.services());
        Common common(t.services());
        events.Initialize(); // 07:05:09
        t.clock.advanceSeconds(2);
        common.Initialize(); // 07:05:11
        t.clock.advanceSeconds(600);
        common.LogError(QStringLiteral("first error"));
        t.clock.advanceSeconds(60);
        events.LogEvent(QStringLiteral("first event"));
        t.clock.advanceSeconds(60);
        events.Shutdown(); // the event writer's line comes first
        common.Shutdown();
        common.Shutdown(); // once only
        QCOMPARE(linesOf(t), QStringList({"06-Dec-2026 07:05:11 > Tonedeck version 0.1.0 startup",
                                          "06-Dec-2026 07:15:11 > first error",
                                          "06-Dec-2026 07:05:09 > Tonedeck version 0.1.0 startup",
                                          "06-Dec-2026 07:16:11 > first event",
                                          "06-Dec-2026 07:17:11 > Tonedeck shutdown",
                                          "06-Dec-2026 07:17:11 > Tonedeck shutdown"}));
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

    void unwritableDirectoryLosesEntriesSilently() {
        TestServices t;
        // A program directory that cannot hold files (it is a file itself).
        const QString blocked = t.root.path() + "/blocked";
        {
            QFile f(blocked);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        PSKEvent events(t.clock, blocked, QStringLiteral("Tonedeck"), QStringLiteral("0.1.0"));
        events.LogEvent(QStringLiteral("lost"));
        QVERIFY(!events.EventLogged()); // nothing in the log to look at
        events.Shutdown();
        QCOMPARE(QFileInfo(blocked).size(), 0);

        Common common(t.services());
        common.LogError(QStringLiteral("kept"));
        QCOMPARE(linesOf(t).size(), 2);
    }

    void errorDescriptions_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("text");
        QTest::newRow("5") << 5 << "Invalid procedure call or argument";
        QTest::newRow("6") << 6 << "Overflow";
        QTest::newRow("7") << 7 << "Out of memory";
        QTest::newRow("9") << 9 << "Subscript out of range";
        QTest::newRow("11") << 11 << "Division by zero";
        QTest::newRow("13") << 13 << "Type mismatch";
        QTest::newRow("52") << 52 << "Bad file name or number";
        QTest::newRow("53") << 53 << "File not found";
        QTest::newRow("54") << 54 << "Bad file mode";
        QTest::newRow("55") << 55 << "File already open";
        QTest::newRow("57") << 57 << "Device I/O error";
        QTest::newRow("58") << 58 << "File already exists";
        QTest::newRow("61") << 61 << "Disk full";
        QTest::newRow("62") << 62 << "Input past end of file";
        QTest::newRow("70") << 70 << "Permission denied";
        QTest::newRow("75") << 75 << "Path/File access error";
        QTest::newRow("76") << 76 << "Path not found";
        QTest::newRow("91") << 91 << "Object variable not set";
        QTest::newRow("94") << 94 << "Invalid use of Null";
        QTest::newRow("380") << 380 << "Invalid property value";
        QTest::newRow("unknown") << 31999 << "Application-defined or object-defined error";
        QTest::newRow("negative") << -3 << "Application-defined or object-defined error";
    }
    void errorDescriptions() {
        QFETCH(int, number);
        QFETCH(QString, text);
        QCOMPARE(errorDescription(number), text);
        QCOMPARE(RuntimeError(number).description(), text);
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

    void isDigit() {
        QVERIFY(Common::IsDigit(QStringLiteral("5NN")));
        QVERIFY(Common::IsDigit(QStringLiteral("0")));
        QVERIFY(!Common::IsDigit(QString()));
        QVERIFY(!Common::IsDigit(QStringLiteral("N5")));
        QVERIFY(!Common::IsDigit(QStringLiteral(" 5")));
        QVERIFY(!Common::IsDigit(QStringLiteral("١")));
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

    void helpOpensWithTheBrowserOrTheDesktop() {
        TestServices t;
        QDir().mkpath(t.programDir + "/Help");
        const QString page = t.programDir + "/Help/Macros.htm";
        QFile f(page);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        Common common(t.services());
        common.Initialize();

        common.InvokeHelp(QStringLiteral("Macros.htm"));
        QCOMPARE(t.shell.calls().size(), 1);
        QCOMPARE(t.shell.calls()[0].program, QString());
        QCOMPARE(t.shell.calls()[0].file, page);

        common.SetHelpBrowser(QStringLiteral("/usr/bin/firefox"));
        common.InvokeHelp(QStringLiteral("Macros.htm"));
        QCOMPARE(t.shell.calls().size(), 2);
        QCOMPARE(t.shell.calls()[1].program, QStringLiteral("/usr/bin/firefox"));
        QCOMPARE(t.shell.calls()[1].file, page);

        common.Initialize(); // forgets the browser
        QVERIFY(common.HelpBrowser().isEmpty());
        QVERIFY(t.dialogs.calls().isEmpty());
    }

    void noAssociationLetsTheOperatorChoose() {
        TestServices t;
        Common common(t.services());
        const QString page = t.programDir + "/Help/Index.htm";
        t.shell.openResult = platform::ShellResult::NoAssociation;
        t.dialogs.answerOpenFile(QStringLiteral("/usr/bin/lynx"));
        common.RunShellExecute(QStringLiteral("Open"), page);
        QCOMPARE(t.dialogs.calls().size(), 1);
        QCOMPARE(t.dialogs.calls()[0].kind, tdtest::ScriptedDialogs::Kind::OpenFile);
        QVERIFY(t.dialogs.calls()[0].text.contains(QLatin1String("Index.htm")));
        QCOMPARE(t.shell.calls().size(), 2);
        QCOMPARE(t.shell.calls()[1].program, QStringLiteral("/usr/bin/lynx"));
        QCOMPARE(t.shell.calls()[1].file, page);

        // Cancelling the choice ends it; another failure asks nothing.
        common.RunShellExecute(QStringLiteral("Open"), page);
        QCOMPARE(t.shell.calls().size(), 3);
        t.shell.openResult = platform::ShellResult::Failed;
        common.RunShellExecute(QStringLiteral("Open"), page);
        QCOMPARE(t.dialogs.calls().size(), 2);
        QCOMPARE(t.shell.calls().size(), 4);
        QVERIFY(!QFileInfo::exists(t.programDir + "/ErrorLog.txt"));
    }
};

QTEST_GUILESS_MAIN(TestErrorLog)
#include "tst_errorlog.moc"
