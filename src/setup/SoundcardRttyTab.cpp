#include "SoundcardRttyTab.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

namespace setup {

namespace {
template <class W> W* named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}
} // namespace

SoundcardRttyTab::SoundcardRttyTab(QWidget* parent) : QWidget(parent) {
    setObjectName("SoundcardRttyTab");
    auto* grid = new QGridLayout(this);

    auto* engine = new QGroupBox("Engine");
    auto* e = new QGridLayout(engine);
    MMTTYEnabled = named(new QCheckBox("use the soundcard RTTY engine"), "MMTTYEnabled");
    MMTTYConfigCmd = named(new QPushButton("Engine setup"), "MMTTYConfigCmd");
    SoundCard = named(new QLabel, "SoundCard");
    e->addWidget(MMTTYEnabled, 0, 0, 1, 2);
    e->addWidget(new QLabel("Soundcard:"), 1, 0);
    e->addWidget(SoundCard, 1, 1);
    e->addWidget(MMTTYConfigCmd, 2, 0, 1, 2, Qt::AlignLeft);
    grid->addWidget(engine, 0, 0);

    auto* mode = new QGroupBox("Transceiver mode and offsets");
    auto* m = new QGridLayout(mode);
    auto* modeGroup = new QButtonGroup(this);
    const char* modes[2] = {"AFSK (LSB)", "FSK (RTTY)"};
    for (int i = 0; i < 2; ++i) {
        MMTTYModeButton[i] = named(new QRadioButton(modes[i]), QString("MMTTYModeButton%1").arg(i));
        modeGroup->addButton(MMTTYModeButton[i], i);
        RTTYModeOffset[i] = named(new QLineEdit("0"), QString("RTTYModeOffset%1").arg(i));
        m->addWidget(MMTTYModeButton[i], i, 0);
        m->addWidget(new QLabel(i == 0 ? "LSB offset (Hz):" : "FSK offset (Hz):"), i, 1);
        m->addWidget(RTTYModeOffset[i], i, 2);
    }
    grid->addWidget(mode, 0, 1);

    auto* signal = new QGroupBox("Signal");
    auto* s = new QGridLayout(signal);
    MMTTYShift = named(new QLineEdit, "MMTTYShift");
    MMTTYSpeed = named(new QLineEdit, "MMTTYSpeed");
    MMTTYReverseRcvCheck = named(new QCheckBox("reverse receive"), "MMTTYReverseRcvCheck");
    MMTTYReverseXmitCheck = named(new QCheckBox("reverse transmit"), "MMTTYReverseXmitCheck");
    MMTTYUSOSCheck = named(new QCheckBox("unshift on space"), "MMTTYUSOSCheck");
    s->addWidget(new QLabel("Shift (Hz):"), 0, 0);
    s->addWidget(MMTTYShift, 0, 1);
    s->addWidget(new QLabel("Speed (baud):"), 1, 0);
    s->addWidget(MMTTYSpeed, 1, 1);
    s->addWidget(MMTTYReverseRcvCheck, 2, 0);
    s->addWidget(MMTTYReverseXmitCheck, 2, 1);
    s->addWidget(MMTTYUSOSCheck, 3, 0, 1, 2);
    grid->addWidget(signal, 1, 0);

    auto* keyboard = new QGroupBox("Keyboard");
    auto* k = new QVBoxLayout(keyboard);
    auto* keyGroup = new QButtonGroup(this);
    const char* keys[2] = {"character", "word"};
    const char* keyTips[2] = {"transmit each character as its entered",
                              "wait to transmit until a word is entered"};
    for (int i = 0; i < 2; ++i) {
        MMTTYKeyboardButton[i] =
            named(new QRadioButton(keys[i]), QString("MMTTYKeyboardButton%1").arg(i));
        MMTTYKeyboardButton[i]->setToolTip(keyTips[i]);
        keyGroup->addButton(MMTTYKeyboardButton[i], i);
        k->addWidget(MMTTYKeyboardButton[i]);
    }
    grid->addWidget(keyboard, 1, 1);

    auto* display = new QGroupBox("Display");
    auto* d = new QGridLayout(display);
    auto* displayGroup = new QButtonGroup(this);
    const char* displays[2] = {"waterfall", "spectrum"};
    const char* displayTips[2] = {"click to use a waterfall tuning display",
                                  "click to use a spectrum tuning display"};
    for (int i = 0; i < 2; ++i) {
        MMTTYRcvDisplayButton[i] =
            named(new QRadioButton(displays[i]), QString("MMTTYRcvDisplayButton%1").arg(i));
        MMTTYRcvDisplayButton[i]->setToolTip(displayTips[i]);
        displayGroup->addButton(MMTTYRcvDisplayButton[i], i);
        d->addWidget(MMTTYRcvDisplayButton[i], 0, i);
    }
    MMTTYXYDisplayEnabled = named(new QCheckBox("XY display"), "MMTTYXYDisplayEnabled");
    MMTTYRcvIntensitySlider = named(new QSlider(Qt::Horizontal), "MMTTYRcvIntensitySlider");
    MMTTYRcvIntensityDisplay = named(new QLabel, "MMTTYRcvIntensityDisplay");
    MMTTYWaterfallTraceWidthSlider =
        named(new QSlider(Qt::Horizontal), "MMTTYWaterfallTraceWidthSlider");
    MMTTYWaterfallTraceWidthSlider->setRange(1, 5);
    MMTTYWaterfallTraceWidthSlider->setValue(2);
    d->addWidget(MMTTYXYDisplayEnabled, 1, 0, 1, 2);
    d->addWidget(new QLabel("Intensity:"), 2, 0);
    d->addWidget(MMTTYRcvIntensitySlider, 2, 1);
    d->addWidget(MMTTYRcvIntensityDisplay, 2, 2);
    d->addWidget(new QLabel("Marker width:"), 3, 0);
    d->addWidget(MMTTYWaterfallTraceWidthSlider, 3, 1);
    grid->addWidget(display, 2, 0, 1, 2);
    grid->setRowStretch(3, 1);

    // Design values, shown until the engine's stored settings are restored over them.
    MMTTYModeButton[0]->setChecked(true);
    MMTTYShift->setText("170");
    MMTTYSpeed->setText("45.45");
    MMTTYUSOSCheck->setChecked(true);
    MMTTYKeyboardButton[0]->setChecked(true);
    MMTTYRcvDisplayButton[0]->setChecked(true);
}

} // namespace setup
