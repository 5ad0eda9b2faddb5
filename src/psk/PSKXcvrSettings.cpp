// Restoring the PSK settings at start-up and storing them when their controls change.
#include "PSKXcvrInternal.h"
#include <algorithm>
#include <common/Convert.h>
#include <common/Format.h>
#include <cstdint>
#include <platform/Services.h>
#include <QAbstractButton>
#include <QAbstractSlider>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace psk {

void checkOption(QAbstractButton* const* buttons, int count, int index) {
    if (index >= 0 && index < count) {
        buttons[index]->setChecked(true);
        return;
    }
    // An exclusive group refuses to lose its last selection; lift that for a moment.
    for (int i = 0; i < count; ++i) {
        QAbstractButton* b = buttons[i];
        if (!b->isChecked()) continue;
        QButtonGroup* group = b->group();
        const bool exclusive = group ? group->exclusive() : b->autoExclusive();
        if (group)
            group->setExclusive(false);
        else
            b->setAutoExclusive(false);
        b->setChecked(false);
        if (group)
            group->setExclusive(exclusive);
        else
            b->setAutoExclusive(exclusive);
    }
}

int checkedOption(QAbstractButton* const* buttons, int count) {
    for (int i = 0; i < count; ++i)
        if (buttons[i]->isChecked()) return i;
    return -1;
}

void PSKXcvr::save(const char* section, const QString& key, const QString& value) {
    const QString s = QString::fromLatin1(section);
    // Every write goes to disk at once; one that changes nothing need not.
    if (services_.settings.hasSetting(s, key) && services_.settings.getSetting(s, key) == value)
        return;
    services_.settings.saveSetting(s, key, value);
}

void PSKXcvr::save(const char* section, const QString& key, double value) {
    save(section, key, common::formatGeneral(value));
}

int PSKXcvr::storedInt(const char* section, const QString& key, int defaultValue, int lower,
                       int upper, int rangeError, const char* where) {
    const QString text = services_.settings.getSetting(QString::fromLatin1(section), key,
                                                       QString::number(defaultValue));
    int value = defaultValue;
    try {
        value = common::parseInt32(text);
    } catch (const common::RuntimeError& e) {
        common_.ReportError(e.number(), QString::fromLatin1(where));
        return defaultValue;
    }
    if (value < lower || value > upper) {
        common_.ReportError(rangeError, QString::fromLatin1(where));
        return defaultValue;
    }
    return value;
}

double PSKXcvr::storedDouble(const char* section, const QString& key, double defaultValue,
                             double lower, double upper, const char* where) {
    const QString text = services_.settings.getSetting(QString::fromLatin1(section), key,
                                                       common::formatGeneral(defaultValue));
    double value = defaultValue;
    try {
        value = common::parseDouble(text);
    } catch (const common::RuntimeError& e) {
        common_.ReportError(e.number(), QString::fromLatin1(where));
        return defaultValue;
    }
    if (!(value >= lower && value <= upper)) {
        common_.ReportError(common::err::InvalidPropertyValue, QString::fromLatin1(where));
        return defaultValue;
    }
    return value;
}

QString PSKXcvr::storedNumberText(const char* section, const QString& key,
                                  const QString& defaultValue, const char* where) {
    const QString text =
        services_.settings.getSetting(QString::fromLatin1(section), key, defaultValue).trimmed();
    try {
        common::parseDouble(text);
    } catch (const common::RuntimeError& e) {
        common_.ReportError(e.number(), QString::fromLatin1(where));
        return defaultValue;
    }
    return text;
}

void PSKXcvr::InitializeSettings() {
    InitializeCallsign();
    InitializeSoundCard();
    InitializeRcvModulation();
    InitializeRcvFreq();
    InitializeRcvIntensity();
    InitializeRcvClipping();
    InitializeRcvSmoothing();
    InitializeRcvAFCLimit();
    InitializeRcvAFCEnabled();
    InitializeRcvSearchLimit();
    InitializeTraceWidth();
    InitializeRcvSquelchThreshold();
    InitializeRcvSquelchSpeed();
    InitializeRcvSquelchSpeedSetting();
    InitializeRcvDisplay();
    InitializeOptimalOffset();
    InitializeWaterfallColor();
    InitializeSpectrumDisplayColor();
    InitializeXmitModulation();
    InitializeXmitFrequency();
    InitializeXmitLock();
    InitializeXmitOffset();
    InitializeXmitCWIDSpeed();
    InitializeXmitCWIDString();
    InitializeXmitPTTMode();
    InitializeXmitPTTPort();
}

void PSKXcvr::InitializeCallsign() {
    trap("PSKXcvr.InitializeCallsign", [&] {
        QString call = services_.settings.getSetting("General", "Callsign", QString()).trimmed();
        // The identification rules need a callsign: keep asking until there is one.
        while (call.isEmpty()) {
            auto answer = services_.dialogs.inputBox(
                QStringLiteral("Welcome to Tonedeck - please specify your callsign: "),
                QStringLiteral("Tonedeck initialization"));
            if (answer) call = answer->trimmed();
        }
        c().MyCallsign->setText(call);
        save("General", QStringLiteral("Callsign"), call);
        host_.setSampleTransmitTexts(QStringLiteral("de ") + call);
    });
}

void PSKXcvr::InitializeSoundCard() {
    const char* where = "PSKXcvr.InitializeSoundCard";
    trap(where, [&] {
        soundCardIndex_ =
            storedInt("SoundCard", "Soundcard", -1, -1, 3, common::err::SubscriptOutOfRange, where);
        checkOption(c().SoundcardSelectionButton, 5, soundCardIndex_ + 1);
        save("SoundCard", "Soundcard", QString::number(soundCardIndex_));
    });
}

void PSKXcvr::InitializeRcvModulation() {
    const char* where = "PSKXcvr.InitializeRcvModulation";
    trap(where, [&] {
        rcvModulation_ =
            storedInt("Receiver", "Modulation", 0, 0, 2, common::err::SubscriptOutOfRange, where);
        checkOption(c().RcvModeButton, 3, rcvModulation_);
        save("Receiver", "Modulation", QString::number(rcvModulation_));
    });
}

void PSKXcvr::InitializeRcvFreq() {
    const char* where = "PSKXcvr.InitializeRcvFreq";
    trap(where, [&] {
        for (int ch = 0; ch < 3; ++ch) {
            const QString key = QStringLiteral("Frequency%1").arg(ch);
            // The waterfall spans 0..4000 Hz; anything else cannot be a channel's frequency.
            rcvFreq_[ch] = storedDouble("Receiver", key, 1500, 0, 4000, where);
            SetReceiveFrequencyAndSearchLimit(ch, rcvFreq_[ch]);
            rcvFreqBin_[ch] = common::toInt32(rcvFreq_[ch] / hzPerBin_);
            save("Receiver", key, rcvFreq_[ch]);
        }
    });
}

// A slider setting: the range goes on the slider before the stored value.
#define TD_SLIDER_SETTING(Procedure, slider, key, def, lo, hi)                                     \
    void PSKXcvr::Procedure() {                                                                    \
        const char* where = "PSKXcvr." #Procedure;                                                 \
        trap(where, [&] {                                                                          \
            c().slider->setRange(lo, hi);                                                          \
            const int v =                                                                          \
                storedInt("Receiver", key, def, lo, hi, common::err::InvalidPropertyValue, where); \
            c().slider->setValue(v);                                                               \
            save("Receiver", key, QString::number(v));                                             \
        });                                                                                        \
    }

TD_SLIDER_SETTING(InitializeRcvIntensity, RcvIntensitySlider, "RcvIntensity", 5, 1, 10)
TD_SLIDER_SETTING(InitializeRcvClipping, RcvClippingSlider, "RcvContrast", 0, 0, 9)
TD_SLIDER_SETTING(InitializeRcvSmoothing, RcvSmoothingSlider, "RcvSmoothing", 1, 1, 10)
TD_SLIDER_SETTING(InitializeRcvAFCLimit, RcvAFCLimitSlider, "AFCLimit", 50, 0, 1000)
TD_SLIDER_SETTING(InitializeRcvSearchLimit, RcvSearchLimitSlider, "SearchRange", 50, 0, 50)
TD_SLIDER_SETTING(InitializeRcvSquelchSpeedSetting, RcvSquelchSpeedSettingSlider,
                  "SquelchSpeedSetting", 10, 10, 200)
#undef TD_SLIDER_SETTING

void PSKXcvr::InitializeRcvAFCEnabled() {
    const char* where = "PSKXcvr.InitializeRcvAFCEnabled";
    trap(where, [&] {
        for (int ch = 0; ch < 3; ++ch) {
            const QString key = QStringLiteral("AFCEnabled%1").arg(ch);
            afcEnabled_[ch] =
                storedInt("Receiver", key, 1, 0, 1, common::err::InvalidPropertyValue, where);
            save("Receiver", key, QString::number(afcEnabled_[ch]));
        }
    });
}

void PSKXcvr::InitializeTraceWidth() {
    const char* where = "PSKXcvr.InitializeTraceWidth";
    trap(where, [&] {
        QAbstractSlider* s = c().WaterfallTraceWidthSlider;
        s->setRange(1, 8);
        // Wider traces than the slider offers are taken as the widest.
        int v = storedInt("Receiver", "WaterfallTraceWidth", 1, 1, INT32_MAX,
                          common::err::InvalidPropertyValue, where);
        v = std::min(v, 8);
        s->setValue(v);
        save("Receiver", "WaterfallTraceWidth", QString::number(v));
    });
}

void PSKXcvr::InitializeRcvSquelchThreshold() {
    const char* where = "PSKXcvr.InitializeRcvSquelchThreshold";
    trap(where, [&] {
        for (int ch = 0; ch < 3; ++ch) {
            const QString key = QStringLiteral("SquelchThreshold%1").arg(ch);
            squelchThreshold_[ch] =
                storedInt("Receiver", key, 50, 0, 99, common::err::InvalidPropertyValue, where);
            save("Receiver", key, QString::number(squelchThreshold_[ch]));
        }
    });
}

void PSKXcvr::InitializeRcvSquelchSpeed() {
    const char* where = "PSKXcvr.InitializeRcvSquelchSpeed";
    trap(where, [&] {
        const int v =
            storedInt("Receiver", "SquelchSpeed", 0, 0, 2, common::err::SubscriptOutOfRange, where);
        checkOption(c().RcvSquelchSpeedButton, 3, v);
        save("Receiver", "SquelchSpeed", QString::number(v));
    });
}

void PSKXcvr::InitializeRcvDisplay() {
    const char* where = "PSKXcvr.InitializeRcvDisplay";
    trap(where, [&] {
        const int v =
            storedInt("Receiver", "RcvDisplay", 0, 0, 1, common::err::SubscriptOutOfRange, where);
        checkOption(c().RcvDisplayButton, 2, v);
        save("Receiver", "RcvDisplay", QString::number(v));
    });
}

void PSKXcvr::InitializeOptimalOffset() {
    const char* where = "PSKXcvr.InitializeOptimalOffset";
    trap(where, [&] {
        const QString v = storedNumberText("Receiver", "OptimalOffset", "1500", where);
        c().OptimalOffset->setText(v);
        save("Receiver", "OptimalOffset", v);
    });
}

void PSKXcvr::InitializeWaterfallColor() {
    const char* where = "PSKXcvr.InitializeWaterfallColor";
    trap(where, [&] {
        const int v = storedInt("Receiver", "WaterfallColor", 0, 0, 1,
                                common::err::SubscriptOutOfRange, where);
        checkOption(c().WaterfallColorButton, 2, v);
        InitializeWaterfallColorTable(v);
        save("Receiver", "WaterfallColor", QString::number(v));
    });
}

void PSKXcvr::InitializeSpectrumDisplayColor() {
    const char* where = "PSKXcvr.InitializeSpectrumDisplayColor";
    trap(where, [&] {
        spectrumDisplayColor_ = storedInt("Receiver", "SpectrumDisplayColor", 16777215, 0, 16777215,
                                          common::err::InvalidPropertyValue, where);
        QPushButton* b = c().SpectrumTraceColorCmd;
        QPalette p = b->palette();
        const int v = spectrumDisplayColor_;
        p.setColor(QPalette::Button, platform::toQColor(v));
        b->setPalette(p);
        b->setAutoFillBackground(true);
        save("Receiver", "SpectrumDisplayColor", QString::number(v));
    });
}

void PSKXcvr::InitializeXmitModulation() {
    const char* where = "PSKXcvr.InitializeXmitModulation";
    trap(where, [&] {
        xmitModulation_ = storedInt("Transmitter", "Modulation", 0, 0, 4,
                                    common::err::SubscriptOutOfRange, where);
        checkOption(c().XmitModeButton, 5, xmitModulation_);
        UpdateTransmitPanelCaption();
        save("Transmitter", "Modulation", QString::number(xmitModulation_));
    });
}

void PSKXcvr::InitializeXmitFrequency() {
    const char* where = "PSKXcvr.InitializeXmitFrequency";
    trap(where, [&] {
        xmitFreq_ = storedDouble("Transmitter", "Frequency", 1500, 0, 4000, where);
        c().TXFreq->setText(common::formatNumber(dialKHz() + xmitFreq_ / 1000, u"#,###.000"));
        save("Transmitter", "Frequency", xmitFreq_);
    });
}

void PSKXcvr::InitializeXmitLock() {
    const char* where = "PSKXcvr.InitializeXmitLock";
    trap(where, [&] {
        const int v =
            storedInt("Transmitter", "Lock", 1, 0, 1, common::err::InvalidPropertyValue, where);
        c().TXFreqLock->setChecked(v == 1);
        save("Transmitter", "Lock", QString::number(v));
    });
}

void PSKXcvr::InitializeXmitOffset() {
    const char* where = "PSKXcvr.InitializeXmitOffset";
    trap(where, [&] {
        const QString v = storedNumberText("Transmitter", "XmitOffset", "0", where);
        c().XmitOffset->setText(v);
        save("Transmitter", "XmitOffset", v);
    });
}

void PSKXcvr::InitializeXmitCWIDSpeed() {
    const char* where = "PSKXcvr.InitializeXmitCWIDSpeed";
    trap(where, [&] {
        xmitCWIDSpeed_ = storedInt("Transmitter", "CWIdentificationSpeed", 2, 1, 4,
                                   common::err::SubscriptOutOfRange, where);
        checkOption(c().XmitCWIDButton, 4, xmitCWIDSpeed_ - 1);
        save("Transmitter", "CWIdentificationSpeed", QString::number(xmitCWIDSpeed_));
    });
}

void PSKXcvr::InitializeXmitCWIDString() {
    trap("PSKXcvr.InitializeXmitCWIDString", [&] {
        QString v = services_.settings.getSetting("Transmitter", "CWIdentificationString");
        if (v.isEmpty()) v = QStringLiteral("de ") + c().MyCallsign->text();
        c().XmitCWID->setText(v);
        save("Transmitter", "CWIdentificationString", v);
    });
}

void PSKXcvr::InitializeXmitPTTMode() {
    const char* where = "PSKXcvr.InitializeXmitPTTMode";
    trap(where, [&] {
        pttMode_ =
            storedInt("Transmitter", "PTTMode", 0, 0, 4, common::err::SubscriptOutOfRange, where);
        checkOption(c().XmitPTTButton, 5, pttMode_);
        save("Transmitter", "PTTMode", QString::number(pttMode_));
    });
}

void PSKXcvr::InitializeXmitPTTPort() {
    const char* where = "PSKXcvr.InitializeXmitPTTPort";
    trap(where, [&] {
        pttPort_ =
            storedInt("Transmitter", "PTTPort", 0, 0, 8, common::err::SubscriptOutOfRange, where);
        // Port 0 leaves every port button clear.
        checkOption(c().XmitPTTPortButton, 8, pttPort_ - 1);
        save("Transmitter", "PTTPort", QString::number(pttPort_));
    });
}

} // namespace psk
