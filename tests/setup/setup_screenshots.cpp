// Pictures of the setup dialog's tabs for the help pages and docs/: run under Xvfb with the
// folder to write to (docs/). Not a test; built on request.
#include "AppFixture.h"
#include <QApplication>
#include <QTabWidget>
#include <QThread>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    if (argc < 2) return 2;
    fake::AppFixture f;
    f.settings.saveSetting("Contest", "ID", "CQ-WW-RTTY");
    auto& app = f.start();
    auto& s = app.setupDialog;
    s.SetSelectorColor(0x40C0FF);
    s.ShowAtStoredPosition();
    const char* names[] = {"general",       "display",        "ptt",
                           "soundcard-psk", "soundcard-rtty", "rtty-modem"};
    for (int i = 0; i < 6; ++i) {
        s.SSTab1->setCurrentIndex(i);
        s.adjustSize();
        for (int k = 0; k < 20; ++k) {
            QApplication::processEvents();
            QThread::msleep(10);
        }
        const QString file = QStringLiteral("%1/setup-%2.png").arg(argv[1], names[i]);
        if (!s.grab().save(file)) return 1;
        std::printf("%s %dx%d\n", qPrintable(file), s.width(), s.height());
    }
    return 0;
}
