#include "TonedeckApp.h"
#include <common/Version.h>

namespace mainwindow {

TonedeckApp::TonedeckApp(platform::Services& s, const psk::PSKSpec& e,
                         std::unique_ptr<rtty::RTTYXcvr> r)
    : services(s), event(s.clock, s.programDir, kProductName, Version()),
      common(s, kProductName, Version()), engine(e), main(*this), display(*this),
      transmitPane(*this), xcvr(e, main, s, common, event),
      rtty(r ? std::move(r) : std::make_unique<rtty::RTTYXcvr>()), qso(*this),
      minilog(qso, setupDialog, dde, s, common), macros(s, common, event) {
    setupDialog.Attach(xcvr, common, s);
    setupDialog.AttachDisplay(setupLink);
    qso.Connect();
    macros.Attach(qso, *main.MacroBar);
}

TonedeckApp::~TonedeckApp() = default;

QString TonedeckApp::Version() {
    return QString::fromLatin1(common::kVersionString);
}

} // namespace mainwindow
