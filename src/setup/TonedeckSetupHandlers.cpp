// What the PTT, Soundcard PSK and Display controls forward to the modules that own their
// settings, and the Display tab's selectors and previews.
#include "TonedeckSetup.h"
#include <common/Trap.h>
#include <platform/SerialPorts.h>
#include <platform/SettingsStore.h>
#include <psk/PSKXcvr.h>
#include <QButtonGroup>
#include <QComboBox>
#include <QFontComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>

namespace setup {

namespace {
QColor toQColor(int c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}
void paint(QWidget* w, QPalette::ColorRole role, int colour) {
    QPalette p = w->palette();
    p.setColor(role, toQColor(colour));
    w->setPalette(p);
}
} // namespace

void TonedeckSetup::connectReceiveAndTransmit() {
    psk::PSKXcvr* x = xcvr_;
    // A soundcard choice restarts the engine; only the operator's click counts.
    connect(SoundcardSelectionGroup, &QButtonGroup::idClicked, this, [this, x](int id) {
        handle("SoundcardSelectionButton_Click", [&] { x->SoundCardChanged(id); });
    });

    auto onSelect = [this](QButtonGroup* group, const char* name, auto action) {
        connect(group, &QButtonGroup::idToggled, this, [this, name, action](int id, bool on) {
            if (on) handle(name, [&] { action(id); });
        });
    };
    onSelect(RcvModeGroup, "RcvModeButton_Click", [x](int id) {
        x->UpdateReceiveModulation(id);
        x->SetReceiveModulation();
    });
    onSelect(RcvSquelchSpeedGroup, "RcvSquelchSpeedButton_Click",
             [x](int) { x->ReceiveSquelchSpeedChanged(); });
    onSelect(RcvDisplayGroup, "RcvDisplayButton_Click", [x](int) { x->ReceiveDisplayChanged(); });
    onSelect(WaterfallColorGroup, "WaterfallColorButton_Click",
             [x](int) { x->WaterfallColorChanged(); });
    onSelect(XmitModeGroup, "XmitModeButton_Click",
             [x](int id) { x->UpdateTransmitModulation(id); });
    onSelect(XmitCWIDGroup, "XmitCWIDButton_Click", [x](int id) {
        x->UpdateTransmitCWIDSpeed(id + 1);
        x->SetTransmitCWIDSpeed();
    });
    onSelect(XmitPTTGroup, "XmitPTTButton_Click", [x](int id) {
        x->UpdateTransmitPTTMode(id);
        x->SetTransmitPTTPortMode();
    });
    onSelect(XmitPTTPortGroup, "XmitPTTPortButton_Click", [x](int id) {
        x->UpdateTransmitPTTPort(id + 1);
        x->SetTransmitPTTPortMode();
    });

    auto onSlide = [this, x](QSlider* s, const char* name, void (psk::PSKXcvr::*action)()) {
        connect(s, &QSlider::valueChanged, this,
                [this, x, name, action](int) { handle(name, [x, action] { (x->*action)(); }); });
    };
    onSlide(RcvIntensitySlider, "RcvIntensitySlider_Change",
            &psk::PSKXcvr::ReceiveDisplayParametersChanged);
    onSlide(RcvClippingSlider, "RcvClippingSlider_Change",
            &psk::PSKXcvr::ReceiveDisplayParametersChanged);
    onSlide(RcvSmoothingSlider, "RcvSmoothingSlider_Change",
            &psk::PSKXcvr::ReceiveDisplayParametersChanged);
    onSlide(RcvSearchLimitSlider, "RcvSearchLimitSlider_Change",
            &psk::PSKXcvr::ReceiveSearchLimitChanged);
    onSlide(RcvAFCLimitSlider, "RcvAFCLimitSlider_Change", &psk::PSKXcvr::ReceiveAFCLimitChanged);
    onSlide(WaterfallTraceWidthSlider, "WaterfallTraceWidthSlider_Change",
            &psk::PSKXcvr::TraceWidthChanged);
    onSlide(RcvSquelchSpeedSettingSlider, "RcvSquelchSpeedSettingSlider_Change",
            &psk::PSKXcvr::ReceiveSquelchSpeedChanged);

    auto onEdit = [this, x](QLineEdit* e, const char* name, void (psk::PSKXcvr::*action)()) {
        connect(e, &QLineEdit::textChanged, this, [this, x, name, action](const QString&) {
            handle(name, [x, action] { (x->*action)(); });
        });
    };
    onEdit(OptimalOffset, "OptimalOffset_Change", &psk::PSKXcvr::OptimalOffsetChanged);
    onEdit(XmitOffset, "XmitOffset_Change", &psk::PSKXcvr::TransmitOffsetChanged);
    onEdit(XmitCWID, "XmitCWID_Change", &psk::PSKXcvr::TransmitCWIDChanged);
}

void TonedeckSetup::connectSerialDevices() {
    for (int i = 0; i < 8; ++i)
        connect(SerialPortDevice[i], &QComboBox::currentTextChanged, this,
                [this, port = i + 1](const QString& text) {
                    handle("SerialPortDevice_Change", [&] {
                        const QString path = text.trimmed();
                        const QString key = QStringLiteral("COM%1").arg(port);
                        // An emptied field means the port's usual device.
                        settings_->saveSetting("SerialPorts", key, path);
                        // The engine opens the PTT line by its port number; reopen it there.
                        if (xcvr_->GetPTTPort() == port) xcvr_->SetTransmitPTTPortMode();
                    });
                });
}

void TonedeckSetup::LoadSerialDevices() {
    if (!settings_) return;
    const bool was = ignoring_;
    ignoring_ = true;
    const QStringList present = platform::availableSerialDevices();
    for (int i = 0; i < 8; ++i) {
        QComboBox* box = SerialPortDevice[i];
        box->clear();
        box->addItems(present);
        box->setEditText(platform::serialDevicePath(i + 1, settings_));
    }
    ignoring_ = was;
}

void TonedeckSetup::AttachDisplay(DisplayLook& look) {
    look_ = &look;
    connectDisplay();
}

void TonedeckSetup::applyColor(LookColor which, int pane) {
    handle("ColorCmd_Click", [&] {
        look_->setLookColor(which, pane, selectorColor_);
        LoadDisplayPreviews();
    });
}

template <class F> void TonedeckSetup::changeFonts(int first, int last, F&& change) {
    handle("FontSelector_Click", [&] {
        for (int t = first; t <= last; ++t) {
            QFont f = look_->lookFont(t);
            change(f);
            look_->setLookFont(t, f);
        }
        LoadDisplayPreviews();
    });
}

void TonedeckSetup::connectDisplay() {
    for (int i = 0; i < 3; ++i) {
        connect(FontColorCmd[i], &QPushButton::clicked, this,
                [this, i] { applyColor(LookColor::PaneText, i); });
        connect(BackColorCmd[i], &QPushButton::clicked, this,
                [this, i] { applyColor(LookColor::PaneBackground, i); });
    }
    connect(KeyboardColorCmd, &QPushButton::clicked, this,
            [this] { applyColor(LookColor::KeyboardText, 0); });
    connect(KeyboardBackColorCmd, &QPushButton::clicked, this,
            [this] { applyColor(LookColor::KeyboardBackground, 0); });
    connect(TransmittedFontColorCmd, &QPushButton::clicked, this,
            [this] { applyColor(LookColor::TransmittedText, 0); });
    connect(SelectedChannelLabelColorCmd, &QPushButton::clicked, this,
            [this] { applyColor(LookColor::SelectedPanelID, 0); });
    connect(SpectrumTraceColorCmd, &QPushButton::clicked, this, [this] {
        handle("SpectrumTraceColorCmd_Click",
               [&] { xcvr_->SetSpectrumDisplayColor(selectorColor_); });
    });

    connect(FontSelector, &QFontComboBox::currentFontChanged, this, [this](const QFont& font) {
        changeFonts(0, 2, [&](QFont& f) { f.setFamily(font.family()); });
    });
    connect(SizeSlider, &QSlider::valueChanged, this,
            [this](int size) { changeFonts(0, 2, [&](QFont& f) { f.setPointSizeF(size); }); });
    connect(KeyboardFontSelector, &QFontComboBox::currentFontChanged, this,
            [this](const QFont& font) {
                changeFonts(kKeyboardFont, kKeyboardFont,
                            [&](QFont& f) { f.setFamily(font.family()); });
            });
    connect(KeyboardSizeSlider, &QSlider::valueChanged, this, [this](int size) {
        changeFonts(kKeyboardFont, kKeyboardFont, [&](QFont& f) { f.setPointSizeF(size); });
    });

    // A click on a preview picks its colour up into the selector.
    for (int i = 0; i < 3; ++i)
        for (QWidget* w :
             {static_cast<QWidget*>(TrialPane[i]), static_cast<QWidget*>(TrialReceive[i]),
              static_cast<QWidget*>(TrialTransmit[i])})
            w->installEventFilter(this);
    KeyboardTrialPane->installEventFilter(this);
    KeyboardTrialTransmit->installEventFilter(this);
}

bool TonedeckSetup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::MouseButtonPress || !look_)
        return TonedeckSetupForm::eventFilter(watched, event);
    for (int i = 0; i < 3; ++i) {
        if (watched == TrialReceive[i]) SetSelectorColor(look_->lookColor(LookColor::PaneText, i));
        if (watched == TrialTransmit[i])
            SetSelectorColor(look_->lookColor(LookColor::TransmittedText, i));
        if (watched == TrialPane[i])
            SetSelectorColor(look_->lookColor(LookColor::PaneBackground, i));
    }
    if (watched == KeyboardTrialTransmit)
        SetSelectorColor(look_->lookColor(LookColor::KeyboardText, 0));
    if (watched == KeyboardTrialPane)
        SetSelectorColor(look_->lookColor(LookColor::KeyboardBackground, 0));
    return true;
}

void TonedeckSetup::DisplayColor() {
    for (int i = 0; i < 3; ++i)
        ColorLab[i]->setText(QString::number(ColorSlider[i]->value()));
    SizeLabel->setText(QString::number(SizeSlider->value()));
    for (int i = 0; i < 3; ++i)
        for (QLabel* l : {TrialReceive[i], TrialTransmit[i]}) {
            QFont f = l->font();
            f.setPointSizeF(SizeSlider->value());
            l->setFont(f);
        }
    selectorColor_ =
        ColorSlider[0]->value() + 256 * ColorSlider[1]->value() + 65536 * ColorSlider[2]->value();
    paint(Swatch, QPalette::Window, selectorColor_);
}

void TonedeckSetup::SetSelectorColor(int colour) {
    for (int i = 0; i < 3; ++i)
        ColorSlider[i]->setValue((colour >> (8 * i)) & 0xFF);
}

void TonedeckSetup::LoadDisplayPreviews() {
    if (!look_) return;
    const bool was = ignoring_;
    ignoring_ = true;
    const int transmitted = look_->lookColor(LookColor::TransmittedText, 0);
    for (int i = 0; i < 3; ++i) {
        const QFont font = look_->lookFont(i);
        paint(TrialPane[i], QPalette::Window, look_->lookColor(LookColor::PaneBackground, i));
        paint(TrialReceive[i], QPalette::WindowText, look_->lookColor(LookColor::PaneText, i));
        paint(TrialTransmit[i], QPalette::WindowText, transmitted);
        TrialReceive[i]->setFont(font);
        TrialTransmit[i]->setFont(font);
    }
    const QFont paneFont = look_->lookFont(0);
    FontSelector->setCurrentFont(paneFont);
    SizeSlider->setValue(qRound(paneFont.pointSizeF()));
    const QFont keyboard = look_->lookFont(kKeyboardFont);
    paint(KeyboardTrialPane, QPalette::Window, look_->lookColor(LookColor::KeyboardBackground, 0));
    paint(KeyboardTrialTransmit, QPalette::WindowText,
          look_->lookColor(LookColor::KeyboardText, 0));
    KeyboardTrialTransmit->setFont(keyboard);
    KeyboardFontSelector->setCurrentFont(keyboard);
    KeyboardSizeSlider->setValue(qRound(keyboard.pointSizeF()));
    ignoring_ = was;
}

} // namespace setup
