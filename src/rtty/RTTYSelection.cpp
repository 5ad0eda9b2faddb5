#include "RTTYSelection.h"

#include <common/Convert.h>
#include <common/Format.h>

namespace rtty {

namespace {
// Offsets and frequencies that are not numbers count as 0.
double number(const QString& text) {
    try {
        return common::parseDouble(text);
    } catch (...) {
        return 0;
    }
}
} // namespace

void RTTYSelection::Initialize() {
    XcvrMode = -1;
    ActivePane = kEnginePane;
}

RTTYPath* RTTYSelection::activePath() const {
    if (ActivePane == kModemPane) return modem_.running() ? &modem_ : nullptr;
    return engine_.running() && host_.activeChannel() == kEnginePane ? &engine_ : nullptr;
}

void RTTYSelection::UpdatePanels() {
    const bool modem = modem_.running(), engine = engine_.running();
    if (engine && !modem) {
        host_.setPaneShares(1.0, 0.0);
        host_.selectReceivePane(kEnginePane);
        ActivePane = kEnginePane;
        host_.showFrames(true);
    } else if (!engine && !modem) {
        host_.setPaneShares(0.0, 0.0);
        host_.showFrames(false);
    } else if (engine && modem) {
        // A pane squeezed to nothing by the single-path layout gets half back.
        if (host_.paneShare(0) <= 0.1 || host_.paneShare(1) <= 0.1) host_.setPaneShares(0.5, 0.5);
        host_.showFrames(true);
    } else {
        host_.setPaneShares(0.0, 1.0);
        host_.selectReceivePane(kModemPane);
        ActivePane = kModemPane;
        host_.showFrames(true);
    }
    applyMode(true);
    host_.setIdVisible(ActivePane == kModemPane && modem && modem_.hasIdCommand());
    host_.relayout();
}

void RTTYSelection::applyMode(bool withCaption) {
    const int old = XcvrMode;
    RTTYPath* path = ActivePane == kModemPane ? (modem_.running() ? &modem_ : nullptr)
                                              : (engine_.running() ? &engine_ : nullptr);
    if (path) {
        if (withCaption)
            host_.setTransmitCaption(QStringLiteral("Transmit RTTY (") + path->caption() +
                                     QLatin1Char(')'));
        XcvrMode = path->xcvrMode();
        path->updateReceiveFrequency();
    }
    if (XcvrMode != old) UpdateXCVRMode(XcvrMode, old);
}

void RTTYSelection::SelectPane(int pane) {
    ActivePane = pane == kModemPane ? kModemPane : kEnginePane;
    UpdatePanels();
}

void RTTYSelection::UpdateMode() {
    applyMode(false);
}

double RTTYSelection::retunedKHz(const QString& qso, const QString& oldOffset,
                                 const QString& newOffset, bool oldKnown) {
    const double d = oldKnown ? static_cast<double>(static_cast<float>(number(oldOffset)) -
                                                    static_cast<float>(number(newOffset)))
                              : 0.0;
    return number(qso) - d / 1000.0;
}

void RTTYSelection::UpdateXCVRMode(int newMode, int oldMode) {
    const double f = retunedKHz(host_.qsoFrequency(), host_.offsetText(oldMode == 1 ? 1 : 0),
                                host_.offsetText(newMode == 1 ? 1 : 0), oldMode != -1);
    host_.transceiverModeAndFrequency(newMode != 0 ? QStringLiteral("RTTY") : QStringLiteral("LSB"),
                                      common::formatGeneral(f));
}

void RTTYSelection::SaveOffsets() {
    for (int i = 0; i < 2; ++i)
        host_.saveOffset(i, host_.offsetText(i));
}

void RTTYSelection::StartTransmit() {
    if (RTTYPath* path = activePath()) path->startTransmit();
    host_.setOptimalOffsetEnabled(false);
}

void RTTYSelection::StopTransmit() {
    if (RTTYPath* path = activePath()) path->stopTransmit();
    if (host_.transceiverLinked()) host_.setOptimalOffsetEnabled(true);
}

void RTTYSelection::AbortTransmit() {
    if (RTTYPath* path = activePath()) path->abortTransmit();
    if (host_.transceiverLinked()) host_.setOptimalOffsetEnabled(true);
}

void RTTYSelection::SendIdentification() {
    if (ActivePane == kModemPane && modem_.running()) modem_.sendIdentification();
}

void RTTYSelection::SendCharacter(int code) {
    if (RTTYPath* path = activePath()) path->sendCharacter(code);
}

bool RTTYSelection::TransmitCharacter(int code) {
    RTTYPath* path = activePath();
    if (!path || !path->hasRoom()) return false;
    path->sendCharacter(code);
    return true;
}

} // namespace rtty
