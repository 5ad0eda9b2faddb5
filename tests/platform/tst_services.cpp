// The smaller platform services: real dialogs driven by a timer, file filters, the program
// directory, serial device paths, the shell and the clocks.
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/ProgramDir.h"
#include "platform/SerialPorts.h"
#include "platform/SettingsStore.h"
#include "platform/Shell.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

using platform::Dialogs;

namespace {

void writeFile(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(data);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestServices : public QObject {
    Q_OBJECT

private slots:
    void programDirectory() {
        QTemporaryDir tmp;
        const QString exe = tmp.path() + "/bin";
        QDir().mkpath(exe);
        QCOMPARE(platform::chooseProgramDirectory(exe + "/", tmp.path() + "/user", {}), exe);
        QVERIFY(!QFileInfo::exists(tmp.path() + "/user")); // no fallback made

        // Not usable (here: missing): the user directory, seeded from the first installed
        // directory that has each folder.
        const QString first = tmp.path() + "/share1", second = tmp.path() + "/share2";
        writeFile(first + "/Help/Index.htm", "index");
        writeFile(first + "/Help/img/logo.png", "png");
        writeFile(second + "/Help/Index.htm", "other");
        writeFile(second + "/Scripts/Bank1.txt", "bank");
        const QString user = tmp.path() + "/home/.local/share/Tonedeck";
        QCOMPARE(platform::chooseProgramDirectory(tmp.path() + "/nowhere", user, {first, second}),
                 user);
        QCOMPARE(readFile(user + "/Help/Index.htm"), QByteArray("index"));
        QCOMPARE(readFile(user + "/Help/img/logo.png"), QByteArray("png"));
        QCOMPARE(readFile(user + "/Scripts/Bank1.txt"), QByteArray("bank"));
        QVERIFY(!QFileInfo::exists(user + "/Modems"));

        // Seeding happens once: the operator's edits survive the next start.
        writeFile(user + "/Scripts/Bank1.txt", "mine");
        QFile::remove(user + "/Help/Index.htm");
        QCOMPARE(platform::chooseProgramDirectory(tmp.path() + "/nowhere", user, {first, second}),
                 user);
        QCOMPARE(readFile(user + "/Scripts/Bank1.txt"), QByteArray("mine"));
        QVERIFY(!QFileInfo::exists(user + "/Help/Index.htm"));

        // A file where the user directory should be: a private temporary folder, seeded too,
        // so that the error log is still written somewhere.
        writeFile(tmp.path() + "/blocked", "x");
        const QString fallback =
            platform::chooseProgramDirectory(QString(), tmp.path() + "/blocked/Tonedeck", {first});
        QVERIFY2(fallback.startsWith(QDir::tempPath() + "/Tonedeck-"), qPrintable(fallback));
        QVERIFY(QFileInfo(fallback).isWritable());
        QVERIFY(QFileInfo::exists(fallback + "/Help/Index.htm"));

        // The real rule, in a build tree: the (writable) directory of this executable.
        QCOMPARE(platform::defaultProgramDirectory(), QCoreApplication::applicationDirPath());
    }

    void serialDevicePaths() {
        QCOMPARE(platform::serialDevicePath(1), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(platform::serialDevicePath(8), QStringLiteral("/dev/ttyS7"));
        QVERIFY(platform::serialDevicePath(0).isEmpty());
        QVERIFY(platform::serialDevicePath(9).isEmpty());
        QVERIFY(platform::serialDevicePath(-1).isEmpty());
        QTemporaryDir tmp;
        platform::SettingsStore store(tmp.path() + "/s.ini");
        store.saveSetting("SerialPorts", "COM3", "/dev/ttyUSB0");
        store.saveSetting("SerialPorts", "COM4", "  ");
        QCOMPARE(platform::serialDevicePath(3, &store), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(platform::serialDevicePath(4, &store), QStringLiteral("/dev/ttyS3"));
        QCOMPARE(platform::serialDevicePath(5, &store), QStringLiteral("/dev/ttyS4"));
        QVERIFY(platform::serialDevicePath(9, &store).isEmpty());
    }

    void shellStartsProgramsAndRefusesMissingFiles() {
        QTemporaryDir tmp;
        const QString marker = tmp.path() + "/ran";
        // A program started with the file as its argument.
        const QString script = tmp.path() + "/browser.sh";
        writeFile(script, "#!/bin/sh\necho \"$1\" > " + marker.toUtf8() + "\n");
        QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                          QFileDevice::WriteOwner);
        platform::DesktopShell shell;
        QCOMPARE(shell.openWith(script, tmp.path() + "/Help/Index.htm"), platform::ShellResult::Ok);
        QTRY_COMPARE(readFile(marker), (tmp.path() + "/Help/Index.htm\n").toUtf8());
        QCOMPARE(shell.openWith(tmp.path() + "/no-such-browser", "x"),
                 platform::ShellResult::Failed);
        QCOMPARE(shell.openWith(QString(), "x"), platform::ShellResult::Failed);
        QCOMPARE(shell.open(tmp.path() + "/missing.htm"), platform::ShellResult::Failed);
    }
};

QTEST_MAIN(TestServices)
#include "tst_services.moc"
