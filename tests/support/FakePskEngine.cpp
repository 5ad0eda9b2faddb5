#include "FakePskEngine.h"

#include <algorithm>

namespace fake {

namespace {
FakePskEngine& e() {
    return FakePskEngine::instance();
}
QString args(std::initializer_list<int32_t> values) {
    QStringList parts;
    for (int32_t v : values)
        parts << QString::number(v);
    return parts.join(',');
}
int32_t rec(const char* name, std::initializer_list<int32_t> values) {
    e().calls << QStringLiteral("%1(%2)").arg(QLatin1String(name), args(values));
    return 0;
}
} // namespace

FakePskEngine& FakePskEngine::instance() {
    static FakePskEngine engine;
    return engine;
}

void FakePskEngine::reset() {
    *this = FakePskEngine();
}

int FakePskEngine::count(const QString& prefix) const {
    int n = 0;
    for (const QString& c : calls)
        n += c.startsWith(prefix);
    return n;
}

QStringList FakePskEngine::callsStartingWith(const QString& prefix) const {
    QStringList out;
    for (const QString& c : calls)
        if (c.startsWith(prefix)) out << c;
    return out;
}

QByteArray FakePskEngine::sentCharacters() const {
    QByteArray out;
    for (const QString& c : calls) {
        if (!c.startsWith("fnSendTXCharacter(") || !c.endsWith(",0)")) continue;
        out += char(c.mid(18, c.size() - 18 - 3).toInt());
    }
    return out;
}

int FakePskEngine::indexOf(const QString& prefix) const {
    for (int i = 0; i < calls.size(); ++i)
        if (calls[i].startsWith(prefix)) return i;
    return -1;
}

bool FakePskEngine::postData() const {
    return platform::postMessage(window, psk::kMsgNewData, 0, 0);
}
bool FakePskEngine::postChar(int32_t c, int32_t ch) const {
    return platform::postMessage(window, psk::kMsgNewChar, c, ch);
}
bool FakePskEngine::postStatus(int32_t code) const {
    return platform::postMessage(window, psk::kMsgNewStatus, code, 0);
}
bool FakePskEngine::postImd(int32_t db, int32_t ch) const {
    return platform::postMessage(window, psk::kMsgNewIMD, db, ch);
}

const psk::PSKSpec& FakePskEngine::table() {
    static const psk::PSKSpec s{
        [](int32_t w, int32_t card, int32_t n) {
            rec("fnStartSoundCard", {card, n});
            e().window = w;
            return e().startResult;
        },
        [] { return rec("fnStopSoundCard", {}); },
        [](int32_t f, int32_t r, int32_t ch) {
            return rec("fnSetRXFrequency", {f, r, ch});
        },
        [](int32_t ch) {
            rec("fnGetRXFrequency", {ch});
            return ch >= 0 && ch < 3 ? e().rxFrequency[ch] : 0;
        },
        [](int32_t m, int32_t ch) {
            return rec("fnSetRXPSKMode", {m, ch});
        },
        [](int32_t l, int32_t ch) {
            return rec("fnSetAFCLimit", {l, ch});
        },
        [](int32_t t, int32_t s, int32_t ch) {
            return rec("fnSetSquelchThreshold", {t, s, ch});
        },
        [](int32_t s, int32_t i, int32_t c) {
            return rec("fnSetFFTMode", {s, i, c});
        },
        [](int32_t* buf, int32_t first, int32_t last) {
            rec("fnGetFFTData", {first, last});
            for (int i = std::max(first, 0); i <= last && i < 1024; ++i)
                buf[i - first] = e().fft[size_t(i)];
            return e().overload;
        },
        [](int32_t* buf, int32_t ch) {
            rec("fnGetVectorData", {ch});
            for (int i = 0; i < 16; ++i)
                buf[i] = e().vectors[size_t(i)];
            return 0;
        },
        [](int32_t ch) {
            rec("fnGetSignalLevel", {ch});
            return e().signalLevel;
        },
        [](int32_t m) { return rec("fnStartTX", {m}); },
        [] { return rec("fnStopTX", {}); },
        [] { return rec("fnAbortTX", {}); },
        [](int32_t f) { return rec("fnSetTXFrequency", {f}); },
        [](int32_t c, int32_t f) {
            if (f == 0 && e().txQueued >= e().txQueueLimit) return 2;
            if (f == 0) ++e().txQueued;
            return rec("fnSendTXCharacter", {c, f});
        },
        [](const char* text) {
            e().calls << QStringLiteral("fnSetCWIDString(%1)").arg(QString::fromLatin1(text));
            return 0;
        },
        [](int32_t s) { return rec("fnSetCWIDSpeed", {s}); },
        [](int32_t p, int32_t m) {
            return rec("fnSetComPort", {p, m});
        },
        [](int32_t s) { return rec("fnRewindInput", {s}); },
        [] {
            rec("fnGetDLLVersion", {});
            return e().version;
        },
        [](int32_t f, int32_t r) {
            return rec("fnGetClosestPeak", {f, r});
        },
        [](int32_t*, int32_t ch) { return rec("fnGetSyncData", {ch}); },
        [](int32_t*, int32_t ch) { return rec("fnGetRawData", {ch}); },
        [](const char*) { return rec("fnSendTXString", {}); },
        [] { return rec("fnGetTXCharsRemaining", {}); },
        [] { return rec("fnClearTXBuffer", {}); },
        [](int32_t ppm) { return rec("fnSetClockErrorAdjustment", {ppm}); },
        [](int32_t code, char*, int32_t) { return rec("fnGetErrorString", {code}); },
        [] { return e().simulatedBand; },
    };
    return s;
}

} // namespace fake
