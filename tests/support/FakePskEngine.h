#pragma once
// A PSK engine for tests: records every call with its arguments, answers with values the test
// chooses, and posts the engine's four messages on request to the window it was started with.
#include <algorithm>
#include <array>
#include <cstdint>
#include <platform/Messages.h>
#include <psk/PSKSpec.h>
#include <QStringList>

namespace fake {

class FakePskEngine {
public:
    static FakePskEngine& instance();
    // The engine's functions, all routed to instance().
    static const psk::PSKSpec& table();

    void reset();

    // Answers.
    int32_t version = 118;
    int32_t startResult = 0;
    int32_t signalLevel = 0;
    int32_t rxFrequency[3] = {1500, 1500, 1500};
    // What fnGetFFTData copies out (bins 0..1023) and returns (the overload indication).
    std::array<int32_t, 1024> fft{};
    int32_t overload = 0;
    // The eight phase-vector points fnGetVectorData copies out, x and y in turn.
    std::array<int32_t, 16> vectors{};
    // What the simulated-band query answers; not recorded in calls.
    int32_t simulatedBand = 0;
    // Like the real engine's transmit queue: characters beyond txQueueLimit are refused with
    // 2 (busy) and not recorded; drainTx(n) plays n of them.
    int txQueueLimit = 1 << 30;
    int txQueued = 0;
    void drainTx(int n) { txQueued = std::max(0, txQueued - n); }

    // What the program asked, in order, e.g. "fnStartSoundCard(-1,3)" (the window handle is
    // kept in window, not in the text, since it differs per run).
    QStringList calls;
    platform::WindowHandle window = 0;

    int count(const QString& prefix) const;
    // The calls that start with prefix, in order.
    QStringList callsStartingWith(const QString& prefix) const;
    // The characters sent with fnSendTXCharacter(c, 0), in order.
    QByteArray sentCharacters() const;
    int indexOf(const QString& prefix) const;

    // Posting as the engine does.
    bool postData() const;
    bool postChar(int32_t character, int32_t channel) const;
    bool postStatus(int32_t code) const;
    bool postImd(int32_t db, int32_t channel) const;
};

} // namespace fake
