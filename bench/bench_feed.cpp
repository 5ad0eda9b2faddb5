// Feed rates of the transmit pane: characters per second from the clipboard into an engine
// that always has room, with the pane showing the text (the menu's paste) and without it
// (Ctrl+V), for texts with and without line breaks.
#include "AppFixture.h"
#include <cstdio>
#include <QApplication>
#include <QElapsedTimer>
#include <QTextEdit>

namespace {

double feedRate(qsizetype size, bool lineBreaks, bool echo) {
    fake::AppFixture f;
    auto& app = f.start();
    QByteArray text(size, 'x');
    if (lineBreaks)
        for (qsizetype i = 60; i < size; i += 61)
            text[i] = '\n';
    f.dialogs.setClipboardText(QString::fromLatin1(text));
    QElapsedTimer t;
    t.start();
    app.transmitPane.TransmitClipboard(echo);
    while (app.transmitPane.FeedRunning())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    const double s = t.nsecsElapsed() / 1e9;
    if (fake::FakePskEngine::instance().sentCharacters().size() != size)
        std::fprintf(stderr, "lost characters!\n");
    return size / s;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    std::printf("| text | line breaks | pane shows it (chars/s) | Ctrl+V (chars/s) |\n");
    std::printf("|---|---|---|---|\n");
    for (qsizetype size : {10'000, 100'000, 1'000'000})
        for (bool breaks : {false, true})
            std::printf("| %lld kB | %s | %.0f | %.0f |\n", (long long)size / 1000,
                        breaks ? "every 60" : "none", feedRate(size, breaks, true),
                        feedRate(size, breaks, false));
    return 0;
}
