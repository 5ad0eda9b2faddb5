#include "TonedeckApp.h"
#include <common/Version.h>

namespace mainwindow {

TonedeckApp::TonedeckApp(platform::Services& s, const psk::PSKSpec& e,
                         std::unique_ptr<rtty::RTTYXcvr> r)
    : services(s), event(s.clock, s.programDir, kProductName, Version()),
      common(s, kProductName, Version()), engine(e), main(*this), display(*this),
      transmitPane(*this), xcvr(e, main, s, common, event),
      rtty(r ? std::move(r) : std::make_unique<rtty::RTTYXcvr>()) {
    setupDialog.Attach(xcvr, common, s.settings);
    s.settings.setWriteFailureHandler([this](const QString& file) {
        const QString text = QStringLiteral("settings cannot be saved to %1; changes made in this "
                                            "session will be lost when it ends")
                                 .arg(file);
        event.LogEvent(text);
        services.dialogs.messageBox(text, QString::fromLatin1(kProductName));
    });
}

TonedeckApp::~TonedeckApp() {
    services.settings.setWriteFailureHandler(nullptr);
}


QString TonedeckApp::Version() {
    return QString::fromLatin1(common::kVersionString);
}

} // namespace mainwindow
