#include "MMTTYPanel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "platform/PictureBox.h"

namespace rtty {

namespace {
template <class W> W* named(W* w, const char* name) {
    w->setObjectName(name);
    return w;
}
} // namespace

MMTTYPanel::MMTTYPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("MMTTYPanel");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);

    RTTYReceiveFrame = named(new QGroupBox("Receive"), "RTTYReceiveFrame");
    auto* r = new QGridLayout(RTTYReceiveFrame);
    RTTYReceiveFreq = named(new QLabel, "RTTYReceiveFreq");
    MMTTYAFCEnabledCheck = named(new QCheckBox("AFC"), "MMTTYAFCEnabledCheck");
    MMTTYNet = named(new QCheckBox("Net"), "MMTTYNet");
    MMTTYSquelchLabel = named(new QLabel("squelch"), "MMTTYSquelchLabel");
    MMTTYSquelchThresholdDisplay = named(new QLabel, "MMTTYSquelchThresholdDisplay");
    MMTTYSignalStrengthControl = named(new platform::PictureBox, "MMTTYSignalStrengthControl");
    MMTTYSignalStrengthControl->setMinimumSize(120, 12);
    MMTTYSignalStrengthControl->setPixelScale();
    r->addWidget(RTTYReceiveFreq, 0, 0, 1, 2);
    r->addWidget(MMTTYAFCEnabledCheck, 1, 0);
    r->addWidget(MMTTYNet, 1, 1);
    r->addWidget(MMTTYSignalStrengthControl, 2, 0, 1, 2);
    r->addWidget(MMTTYSquelchLabel, 3, 0);
    r->addWidget(MMTTYSquelchThresholdDisplay, 3, 1);
    row->addWidget(RTTYReceiveFrame);

    XYDisplay = named(new platform::PictureBox, "XYDisplay");
    XYDisplay->setFixedSize(80, 80);
    XYDisplay->setPixelScale();
    row->addWidget(XYDisplay);

    RTTYTransmitFrame = named(new QGroupBox("Transmit"), "RTTYTransmitFrame");
    auto* t = new QGridLayout(RTTYTransmitFrame);
    RTTYXmitFreq = named(new QLabel, "RTTYXmitFreq");
    RTTYStartCmd = named(new QPushButton("Start"), "RTTYStartCmd");
    RTTYStopCmd = named(new QPushButton("Stop"), "RTTYStopCmd");
    RTTYAbortCmd = named(new QPushButton("Abort"), "RTTYAbortCmd");
    RTTYIdCmd = named(new QPushButton("CW ID"), "RTTYIdCmd");
    t->addWidget(RTTYXmitFreq, 0, 0, 1, 2);
    t->addWidget(RTTYStartCmd, 1, 0);
    t->addWidget(RTTYStopCmd, 1, 1);
    t->addWidget(RTTYAbortCmd, 2, 0);
    t->addWidget(RTTYIdCmd, 2, 1);
    row->addWidget(RTTYTransmitFrame);
}

} // namespace rtty
