#include "PSKDDEClient.h"
#include <common/Convert.h>

namespace dde {

bool PSKDDEClient::Connected(int program) const {
    return program >= 0 && program < kPrograms && connected_[program];
}

void PSKDDEClient::SendCommand(int program, const QString& command, const QString& argument) {
    if (!Connected(program)) return;
    // The transport that carries the command arrives with the companion-program link.
    Q_UNUSED(command);
    Q_UNUSED(argument);
}

void PSKDDEClient::Lookup(const QString& callsign, int channel) {
    common::checkIndex(channel, 0, 2);
    SendCommand(3, QStringLiteral("lookup"), callsign);
    // Until the link exists the DX lookup program is never connected: nothing came back.
    if (!Connected(3)) dxcc_[channel] = DXCCInfo{};
}

const PSKDDEClient::DXCCInfo& PSKDDEClient::DXCC(int channel) const {
    common::checkIndex(channel, 0, 2);
    return dxcc_[channel];
}

} // namespace dde
