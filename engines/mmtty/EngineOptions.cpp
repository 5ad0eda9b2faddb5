#include "EngineOptions.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <QSettings>

#include "dsp/RttyDemod.h"
#include "dsp/RttyTransmitter.h"

namespace mmtty {

namespace {

constexpr size_t kCwIdMaxLength = 32;

void setBit(uint32_t& word, int bit, bool on) {
    word = on ? word | (1u << bit) : word & ~(1u << bit);
}

bool bitOf(uint32_t word, int bit) {
    return (word >> bit) & 1u;
}

const char* const kSection = "Engine/";

// A stored integer within [lo, hi], else the default (and the key noted).
int readInt(QSettings& store, const char* key, int lo, int hi, int fallback,
            std::string* problems) {
    const QVariant v = store.value(QString(kSection) + key);
    if (!v.isValid()) return fallback;
    bool ok = false;
    const int x = v.toString().trimmed().toInt(&ok);
    if (ok && x >= lo && x <= hi) return x;
    if (problems) *problems += std::string(problems->empty() ? "" : ", ") + key;
    return fallback;
}

} // namespace

SetupValues valuesFrom(const EngineSettings& s, const EngineOptions& options) {
    SetupValues v;
    v.afc = bitOf(s.switches, kBitAfc);
    v.net = bitOf(s.switches, kBitNet);
    v.reverse = bitOf(s.switches, kBitReverse);
    v.usos = bitOf(s.switches, kBitUsos);
    v.baud = s.baud;
    v.markHz = s.mark;
    v.shiftHz = static_cast<int>(std::lround(std::fabs(s.space - s.mark)));
    v.options = options;
    return v;
}

Applied applyChanges(const SetupValues& before, const SetupValues& after, EngineSettings& s,
                     EngineOptions& options) {
    Applied a;
    auto flag = [&](bool SetupValues::*field, int bit) {
        if (before.*field == after.*field) return;
        setBit(s.switches, bit, after.*field);
        a.shared = true;
    };
    flag(&SetupValues::afc, kBitAfc);
    flag(&SetupValues::net, kBitNet);
    flag(&SetupValues::reverse, kBitReverse);
    flag(&SetupValues::usos, kBitUsos);
    if (after.baud != before.baud && after.baud >= 20.0 && after.baud <= 300.0) {
        s.baud = after.baud;
        a.shared = true;
    }
    const bool markMoved =
        after.markHz != before.markHz && after.markHz >= 100.0 && after.markHz <= 3800.0;
    if (markMoved) s.mark = after.markHz;
    if (markMoved || after.shiftHz != before.shiftHz) {
        s.space = std::min(s.mark + std::clamp(after.shiftHz, 20, 1000), 3900.0);
        a.shared = true;
    }
    const EngineOptions clean = sanitised(after.options);
    if (!(clean == options)) {
        options = clean;
        a.options = true;
    }
    return a;
}

std::string cwIdTextFrom(const std::string& typed) {
    std::string out;
    for (char c : typed) {
        const char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const bool ok = (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '/' || u == '?';
        if (ok || (u == ' ' && !out.empty() && out.back() != ' ')) out.push_back(ok ? u : ' ');
        if (out.size() == kCwIdMaxLength) break;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

EngineOptions sanitised(EngineOptions o) {
    o.afcRangeHz = std::clamp(o.afcRangeHz, 10, 300);
    o.txLevelPercent = std::clamp(o.txLevelPercent, 10, 100);
    o.cwIdSpeedIndex = std::clamp(o.cwIdSpeedIndex, 1, int(kCwIdWpm.size()));
    o.cwIdText = cwIdTextFrom(o.cwIdText);
    return o;
}

EngineOptions loadOptions(QSettings& store, std::string* problems) {
    const EngineOptions d;
    EngineOptions o;
    if (problems) problems->clear();
    o.afcRangeHz = readInt(store, "AfcRange", 10, 300, d.afcRangeHz, problems);
    o.atc = readInt(store, "Atc", 0, 1, d.atc, problems) != 0;
    o.txLevelPercent = readInt(store, "TxLevel", 10, 100, d.txLevelPercent, problems);
    o.diddle = readInt(store, "Diddle", 0, 1, d.diddle, problems) != 0;
    o.cwId = readInt(store, "CwId", 0, 1, d.cwId, problems) != 0;
    o.cwIdSpeedIndex = readInt(store, "CwIdSpeed", 1, 4, d.cwIdSpeedIndex, problems);
    const QString text = store.value(QString(kSection) + "CwIdText").toString();
    o.cwIdText = cwIdTextFrom(text.toStdString());
    if (problems && text.trimmed().toUpper().toStdString() != o.cwIdText)
        *problems += std::string(problems->empty() ? "" : ", ") + "CwIdText";
    return o;
}

void saveOptions(QSettings& store, const EngineOptions& options) {
    const EngineOptions o = sanitised(options);
    auto put = [&](const char* key, const QString& v) {
        store.setValue(QString(kSection) + key, v);
    };
    put("AfcRange", QString::number(o.afcRangeHz));
    put("Atc", QString::number(o.atc ? 1 : 0));
    put("TxLevel", QString::number(o.txLevelPercent));
    put("Diddle", QString::number(o.diddle ? 1 : 0));
    put("CwId", QString::number(o.cwId ? 1 : 0));
    put("CwIdText", QString::fromStdString(o.cwIdText));
    put("CwIdSpeed", QString::number(o.cwIdSpeedIndex));
    store.sync();
}

void applyOptions(const EngineOptions& options, dsp::RttyConfig& rx) {
    const EngineOptions o = sanitised(options);
    rx.afcRangeHz = o.afcRangeHz;
    rx.atc = o.atc;
}

void applyOptions(const EngineOptions& options, dsp::RttyTransmitter& tx) {
    const EngineOptions o = sanitised(options);
    tx.setLevel(o.txLevelPercent / 100.0);
    tx.setDiddle(o.diddle);
    tx.setCwId(o.cwIdText, kCwIdWpm[size_t(o.cwIdSpeedIndex - 1)]);
}

} // namespace mmtty
