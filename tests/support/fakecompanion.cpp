// A fake companion program on the test bus: "rig", "logger" or "dx". It prints each execute
// string it receives ("exec <topic> <command>"), takes item changes on stdin
// ("set <topic> <item> <value>"), follows "qsy" and "lookup" like the real programs, and with
// --announce tells the program that it has started.
#include <cstdio>
#include <dde/DDECommon.h>
#include <dde/DDEServer.h>
#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QSocketNotifier>
#include <unistd.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString role = args.value(1);
    struct Role {
        const char *name, *application;
        int number;
        QStringList topics, items;
    };
    const Role roles[] = {
        {"rig", "Rigwright", 0, {"RigwrightUI", "DDEServer"}, {"FreqDisplay", "Mode"}},
        {"logger", "Logvault", 1, {"DDEServer"}, {}},
        {"dx", "Globescope", 3, {"DDEServer"}, {"DXCCPrefix", "DXCCID", "Cont", "CQ", "ITU"}}};
    const Role* r = nullptr;
    for (const Role& x : roles)
        if (role == QLatin1String(x.name)) r = &x;
    if (!r) return 2;
    dde::DDEServer server(QDBusConnection::sessionBus(), QString::fromLatin1(r->application));
    if (!server.Register(r->topics)) {
        std::fprintf(stderr, "%s\n", qPrintable(server.Error()));
        return 1;
    }
    const QString main = r->topics.back();
    server.SetItem(main, "DDECommand", "");
    if (r->number == 0) {
        server.SetItem("RigwrightUI", "FreqDisplay", "14070.000");
        server.SetItem(main, "Mode", "USB");
    }
    for (const QString& item : r->items)
        if (!server.HasItem(main, item)) server.SetItem(main, item, "");
    const QString prefix = QStringLiteral("%1").arg(r->number, 3, 10, QLatin1Char('0'));
    server.OnExecute = [&](const QString& topic, const QString& command) {
        std::printf("exec %s %s\n", qPrintable(topic), qPrintable(command));
        std::fflush(stdout);
        if (!command.startsWith(prefix)) return false;
        const QString rest = command.mid(3);
        if (rest.startsWith("qsy"))
            server.SetItem("RigwrightUI", "FreqDisplay",
                           QString::number(rest.mid(3).toDouble(), 'f', 3));
        if (rest.startsWith("lookup")) {
            const bool dl = rest.mid(6).startsWith("DL");
            const QStringList v =
                dl ? QStringList{"DL", "230", "EU", "14", "28"} : QStringList{"", "", "", "", ""};
            for (int i = 0; i < 5; ++i)
                server.SetItem(main, r->items[i], v[i]);
        }
        return !rest.startsWith("refuse");
    };
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char line[8192];
        if (!std::fgets(line, sizeof line, stdin)) return app.quit();
        const QStringList f = QString::fromUtf8(line).chopped(1).split(' ');
        if (f.size() >= 3 && f[0] == "set") server.SetItem(f[1], f[2], f.mid(3).join(' '));
        std::printf("done\n");
        std::fflush(stdout);
    });
    if (args.contains("--announce")) {
        QDBusMessage m = QDBusMessage::createMethodCall("dde.tonedeck", "/DDEClient",
                                                        dde::kInterface, "Execute");
        m << prefix + "start";
        QDBusConnection::sessionBus().asyncCall(m);
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
