#include "PSKEvent.h"

#include "Version.h"

namespace common {

PSKEvent::PSKEvent(const platform::Services& services)
    : PSKEvent(services.clock, services.programDir, QString::fromLatin1(kProductName),
               QString::fromLatin1(kVersionString)) {}

PSKEvent::PSKEvent(const platform::Clock& clock, const QString& programDir,
                   const QString& productName, const QString& version)
    : writer_(clock, programDir, productName, version) {}

void PSKEvent::Initialize() {
    writer_.initialize();
}

void PSKEvent::LogEvent(const QString& text) {
    writer_.write(text);
}

bool PSKEvent::EventLogged() const {
    return writer_.started();
}

void PSKEvent::Shutdown() {
    writer_.shutdown();
}

} // namespace common
