#include "PSKSpec.h"
#include "pskcore.h"

namespace psk {

const PSKSpec& linkedPskEngine() {
    static const PSKSpec table{
        fnStartSoundCard,
        fnStopSoundCard,
        fnSetRXFrequency,
        fnGetRXFrequency,
        fnSetRXPSKMode,
        fnSetAFCLimit,
        fnSetSquelchThreshold,
        fnSetFFTMode,
        fnGetFFTData,
        fnGetVectorData,
        fnGetSignalLevel,
        fnStartTX,
        fnStopTX,
        fnAbortTX,
        fnSetTXFrequency,
        fnSendTXCharacter,
        fnSetCWIDString,
        fnSetCWIDSpeed,
        fnSetComPort,
        fnRewindInput,
        fnGetDLLVersion,
        fnGetClosestPeak,
        fnGetSyncData,
        fnGetRawData,
        fnSendTXString,
        fnGetTXCharsRemaining,
        fnClearTXBuffer,
        fnSetClockErrorAdjustment,
        fnGetErrorString,
        pskcoreUsingSimulatedBand,
    };
    return table;
}

} // namespace psk
