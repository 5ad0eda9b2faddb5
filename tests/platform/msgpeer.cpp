// A second process for the message tests.
//   td_msgpeer echo <title> <reply handle, 8 hex digits>
//       listens under <title>, announces itself to the reply window (wParam 0x8000, lParam its
//       handle, message "TD-TEST") and echoes every "TD-TEST" message back; wParam -1 ends it.
//   td_msgpeer register <name>...
//       prints the registered number of each name, one per line, in hex.
#include "platform/Messages.h"

#include <QCoreApplication>
#include <QTextStream>
#include <QTimer>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream out(stdout);
    if (args.size() >= 2 && args[1] == QLatin1String("register")) {
        for (int i = 2; i < args.size(); ++i)
            out << QString::number(platform::registerWindowMessage(args[i]), 16) << '\n';
        return 0;
    }
    if (args.size() != 4 || args[1] != QLatin1String("echo")) return 2;
    bool ok = false;
    const platform::WindowHandle reply = platform::WindowHandle(args[3].toUInt(&ok, 16));
    if (!ok) return 2;
    const uint32_t testMessage = platform::registerWindowMessage(QStringLiteral("TD-TEST"));
    platform::MessageWindow window;
    if (!window.listen(args[2])) return 3;
    window.setDefaultProc([&](platform::WindowHandle, uint32_t m, int32_t w, int32_t l) {
        if (m != testMessage) return 0;
        if (w == -1)
            app.quit();
        else
            platform::postMessage(reply, m, w, l);
        return 0;
    });
    platform::postMessage(reply, testMessage, 0x8000, window.handle());
    QTimer::singleShot(60000, &app, &QCoreApplication::quit); // never outlive a failed test
    return app.exec();
}
