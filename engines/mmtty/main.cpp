// mmtty: the RTTY soundcard engine. Started by the program as "mmtty -m -h<8 hex digits>" (the
// program window that receives its reports); it listens under the title "MMTTY Engine" and
// talks through the registered message "MMTTY" and the shared block the program created.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <QApplication>
#include <QSettings>
#include <QTimer>
#include <string>

#include "EngineOptions.h"
#include "EngineSetupWindow.h"

#include "MmttyLink.h"
#include "platform/Messages.h"
#include "PortAudioDevice.h"
#include "PttLine.h"
#include "RealTimeSource.h"
#include "RttyEngine.h"
#include "SimBand.h"
#include "WavFile.h"

namespace {

// The sound card, or the simulated band where there is no capture device. A test may name a
// WAV file or the band instead (TONEDECK_MMTTY_SOURCE = "sim" or "wav:PATH"), and a speed-up.
struct Audio {
    std::unique_ptr<audio::SampleSource> source;
    std::unique_ptr<audio::SampleSink> sink;
    audio::SampleSink* loopback = nullptr;
    std::string description;
};

Audio openAudio() {
    Audio a;
    const char* forced = std::getenv("TONEDECK_MMTTY_SOURCE");
    const char* speedText = std::getenv("TONEDECK_MMTTY_SPEED");
    const double speed = speedText ? std::atof(speedText) : 1.0;
    const std::string want = forced ? forced : "";
    if (want.rfind("wav:", 0) == 0) {
        auto wav = std::make_unique<audio::WavSource>();
        if (wav->open(want.substr(4))) {
            a.source = std::make_unique<audio::RealTimeSource>(std::move(wav), speed);
            a.sink = std::make_unique<audio::NullSink>();
            a.description = "file " + want.substr(4);
            return a;
        }
        std::fprintf(stderr, "mmtty: %s: %s\n", want.c_str(), wav->error().c_str());
    }
    if (want.empty()) {
        std::unique_ptr<audio::PortAudioCapture> capture;
        std::string detail;
        if (audio::PortAudioCapture::open(-1, capture, detail) == audio::OpenResult::Ok) {
            a.source = std::move(capture);
            std::unique_ptr<audio::PortAudioPlayback> playback;
            if (audio::PortAudioPlayback::open(
                    -1, playback, detail, audio::kSteadyPlaybackLatency) == audio::OpenResult::Ok)
                a.sink = std::move(playback);
            else
                a.sink = std::make_unique<audio::NullSink>();
            a.description = "sound card";
            return a;
        }
    }
    auto band = std::make_unique<audio::SimBand>(1);
    a.loopback = &band->loopback();
    a.source = std::make_unique<audio::RealTimeSource>(std::move(band), speed);
    a.sink = std::make_unique<audio::NullSink>();
    a.description = "simulated band";
    return a;
}

} // namespace

int main(int argc, char** argv) {
    uint32_t program = 0;
    if (!mmtty::parseCommandLine(argc, argv, program)) {
        std::fprintf(stderr, "usage: mmtty -m -h<8 upper-case hexadecimal digits>\n"
                             "The RTTY engine is started by Tonedeck, not by hand.\n");
        return 1;
    }
    // The engine runs hidden and only shows its setup window when asked; without a display it
    // still has to run.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    mmtty::SharedBlock block;
    if (!block.open()) {
        std::fprintf(stderr, "mmtty: no shared block from the program: %s\n",
                     block.error().c_str());
        return 2;
    }
    const uint32_t msg = platform::registerWindowMessage(QString::fromLatin1(mmtty::kMessageName));
    platform::MessageWindow window;
    if (!window.listen(QString::fromLatin1(mmtty::kEngineTitle))) {
        std::fprintf(stderr, "mmtty: cannot listen for messages\n");
        return 2;
    }
    std::atomic<int32_t> target{static_cast<int32_t>(program)};
    auto report = [&](int32_t code, int32_t value) {
        platform::postMessage(target.load(), msg, code, value);
    };

    pskcore::SerialPttLine ptt;
    auto pttOff = [&ptt] { ptt.setKeyed(false); };
    Audio audio = openAudio();
    std::fprintf(stderr, "mmtty: listening to the %s\n", audio.description.c_str());
    mmtty::RttyEngine engine(
        std::move(audio.source), std::move(audio.sink), audio.loopback, &block, report,
        [&] { QMetaObject::invokeMethod(&app, pttOff, Qt::QueuedConnection); });
    // The engine's own options, kept in its own settings file (~/.config/Tonedeck/mmtty.ini).
    QSettings store(QSettings::IniFormat, QSettings::UserScope, "Tonedeck", "mmtty");
    std::string problems;
    engine.setOptions(mmtty::loadOptions(store, &problems));
    if (!problems.empty())
        std::fprintf(stderr, "mmtty: %s: unreadable %s; the defaults are used instead\n",
                     qPrintable(store.fileName()), problems.c_str());

    auto reportSettings = [&] {
        const mmtty::EngineSettings s = engine.settings();
        report(mmtty::RepSpeed, static_cast<int32_t>(std::lround(s.baud * 100)));
        report(mmtty::RepMark, static_cast<int32_t>(std::lround(s.mark)));
        report(mmtty::RepSpace, static_cast<int32_t>(std::lround(s.space)));
        report(mmtty::RepSwitches, static_cast<int32_t>(s.switches));
    };

    // The setup window: filled from the engine when shown, every change applied at once.
    std::unique_ptr<mmtty::EngineSetupWindow> setup;
    mmtty::SetupValues shown;
    auto fillSetup = [&] {
        setup->setValues(mmtty::valuesFrom(engine.settings(), engine.options()));
        shown = setup->values(); // as the form holds them (the mark in whole hertz)
    };
    auto setupChanged = [&] {
        const mmtty::SetupValues now = setup->values();
        mmtty::EngineSettings s = engine.settings();
        mmtty::EngineOptions o = engine.options();
        const mmtty::Applied applied = mmtty::applyChanges(shown, now, s, o);
        shown = now;
        if (applied.shared) {
            engine.setSwitches(s.switches);
            engine.setSpeed(s.baud);
            engine.setMark(s.mark);
            engine.setSpace(s.space);
            reportSettings(); // the program takes the engine's word over its own controls
        }
        if (applied.options) {
            engine.setOptions(o);
            mmtty::saveOptions(store, o);
            if (store.status() != QSettings::NoError)
                std::fprintf(stderr, "mmtty: cannot write %s\n", qPrintable(store.fileName()));
        }
    };
    auto showSetup = [&] {
        if (!setup) {
            setup = std::make_unique<mmtty::EngineSetupWindow>();
            QObject::connect(setup.get(), &mmtty::EngineSetupWindow::changed, &app, setupChanged);
        }
        fillSetup();
        setup->show();
        setup->raise();
        setup->activateWindow();
        if (QGuiApplication::platformName() == "offscreen")
            std::fprintf(stderr, "mmtty: no display: the setup window cannot be seen\n");
    };
    // The program changed something the open window shows.
    auto refreshSetup = [&] {
        if (setup && setup->isVisible()) fillSetup();
    };

    window.setWindowProc([&](platform::WindowHandle, uint32_t m, int32_t code, int32_t value) {
        if (m != msg) return 0;
        switch (code) {
        case mmtty::CmdSetWindow:
            if (value > 0) target = value;
            break;
        case mmtty::CmdClose:
            QCoreApplication::quit();
            break;
        case mmtty::CmdTransmit:
            if (value == 2 && !engine.transmitting()) {
                ptt.setKeyed(true);
                engine.startTransmit();
            } else if (value == 1) {
                engine.stopTransmit();
            } else if (value == 0) {
                engine.abortTransmit();
            }
            break;
        case mmtty::CmdChar:
            if (value > 0 && value < 256) engine.sendChar(static_cast<char>(value));
            break;
        case mmtty::CmdRequestSwitches:
            reportSettings();
            break;
        case mmtty::CmdSpeed:
            if (value >= 2000 && value <= 30000) engine.setSpeed(value / 100.0);
            refreshSetup();
            break;
        case mmtty::CmdMark:
            if (value >= 100 && value <= 3800) engine.setMark(value);
            refreshSetup();
            break;
        case mmtty::CmdSpace:
            if (value >= 100 && value <= 3900) engine.setSpace(value);
            refreshSetup();
            break;
        case mmtty::CmdSwitches:
            engine.setSwitches(static_cast<uint32_t>(value));
            refreshSetup();
            break;
        case mmtty::CmdDisplay:
            engine.setDisplay(static_cast<uint32_t>(value));
            break;
        case mmtty::CmdSquelch:
            if (value >= 0 && value <= 1000) engine.setSquelch(value);
            break;
        case mmtty::CmdSetup:
            showSetup();
            break;
        case mmtty::CmdPttPort: {
            std::string name;
            const int port = block.readString(mmtty::kOffPttPort, mmtty::kPttPortSize, name)
                                 ? mmtty::parsePttPort(name)
                                 : -1;
            if (port < 0) {
                std::fprintf(stderr, "mmtty: ignoring a malformed PTT port name\n");
            } else if (!ptt.configure(port,
                                      port ? pskcore::PttLine::Both : pskcore::PttLine::None)) {
                std::fprintf(stderr, "mmtty: PTT port: %s\n", ptt.error().c_str());
            }
            break;
        }
        default:
            break;
        }
        return 0;
    });

    engine.start();
    report(mmtty::RepHandle, window.handle());
    // An engine whose program has gone (crashed or killed) ends itself.
    QTimer orphan;
    QObject::connect(&orphan, &QTimer::timeout, &app, [&] {
        if (!platform::postMessage(target.load(), 0, 0, 0)) QCoreApplication::quit();
    });
    orphan.start(2000);
    const int rc = app.exec();
    setup.reset();
    engine.stop();
    ptt.setKeyed(false);
    return rc;
}
