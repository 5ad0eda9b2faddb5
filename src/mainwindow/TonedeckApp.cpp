#include "TonedeckApp.h"
#include <common/Version.h>
#include <dde/AdifUdpForm.h>
#include <QPushButton>
#include <QTabWidget>

namespace mainwindow {

TonedeckApp::TonedeckApp(platform::Services& s, const psk::PSKSpec& e,
                         std::unique_ptr<rtty::RTTYXcvr> r)
    : services(s), event(s.clock, s.programDir, kProductName, Version()),
      common(s, kProductName, Version()), engine(e), main(*this), display(*this),
      transmitPane(*this), xcvr(e, main, s, common, event),
      rtty(r ? std::move(r) : std::make_unique<rtty::RTTYXcvr>()), adifUdp(s.settings),
      dde(ddeHost(), common), qso(*this), minilog(qso, setupDialog, dde, s, common),
      macros(s, common, event) {
    // First, so that the first failed write (any module's) is the one reported.
    s.settings.setWriteFailureHandler([this](const QString& file) {
        const QString text = QStringLiteral("settings cannot be saved to %1; changes made in this "
                                            "session will be lost when it ends")
                                 .arg(file);
        event.LogEvent(text);
        services.dialogs.messageBox(text, QString::fromLatin1(kProductName));
    });
    setupDialog.Attach(xcvr, common, s);
    setupDialog.AttachDisplay(setupLink);
    adifUdp.Initialize();
    dde::AdifUdpForm::AddTo(setupDialog.SSTab1->widget(0), adifUdp);
    qso.Connect();
    macros.Attach(qso, *main.MacroBar);
}

TonedeckApp::~TonedeckApp() {
    services.settings.setWriteFailureHandler(nullptr);
}

dde::DDEHost TonedeckApp::ddeHost() {
    dde::DDEHost h;
    h.QSOFrequency = main.QSOFrequency;
    h.ServerRetryTimer = &main.ServerRetryTimer;
    h.SetOptimalOffsetEnabled = [this](bool on) {
        main.OptimalOffsetCmd->setEnabled(on);
        main.RTTYOptimalOffsetCmd->setEnabled(on);
    };
    h.ShowConnectedCodes = [this](const QString& codes) {
        main.SetCaptionSuffix(codes);
        main.ClockTimer_Timer();
    };
    h.ShuttingDown = [this] { return main.ShuttingDown(); };
    h.LogEvent = [this](const QString& text) { event.LogEvent(text); };
    return h;
}

QString TonedeckApp::Version() {
    return QString::fromLatin1(common::kVersionString);
}

} // namespace mainwindow
