#pragma once
// The client side of the link to the companion programs (0 transceiver control, 1 logging,
// 2 QSL route lookup, 3 DX lookup, 4 spot collection), as far as the QSO fields and the minilog
// use it. The transport is not built yet: no program is ever connected, so every command is
// skipped and every lookup leaves the channel's DXCC texts empty, exactly as for a companion
// program that is not running.
#include <QString>

namespace dde {

class PSKDDEClient {
public:
    static constexpr int kPrograms = 5;

    // The DXCC texts a lookup brought for a receive channel.
    struct DXCCInfo {
        QString countryNumber, prefix, continent, cqZone, ituZone;
    };

    bool Connected(int program) const;
    // "<program as 000><command><argument>" to the program, when it is connected.
    void SendCommand(int program, const QString& command, const QString& argument = QString());
    // "003lookup<callsign>", then the DXCC texts of the channel from the DX lookup program, or
    // empty texts when it is not connected.
    void Lookup(const QString& callsign, int channel);
    const DXCCInfo& DXCC(int channel) const;

private:
    bool connected_[kPrograms]{};
    DXCCInfo dxcc_[3];
};

} // namespace dde
