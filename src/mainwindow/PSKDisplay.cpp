#include "PSKDisplay.h"
#include "TonedeckApp.h"
#include <common/Convert.h>
#include <platform/Colors.h>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <tuning/DisplaySettings.h>

namespace mainwindow {

namespace {
constexpr int kDefaultPaneColor[3] = {0xFFFF, 0xFF00, 0xFFFF00}; // yellow, green, cyan
using platform::kBlack;
using platform::kRed;
} // namespace

QColor PSKDisplay::ToQColor(int v) {
    return platform::toQColor(v);
}

int PSKDisplay::FromQColor(const QColor& c) {
    return platform::fromQColor(c);
}

int PSKDisplay::readColor(const QString& key, int defaultValue) {
    auto& store = app_.services.settings;
    int value = defaultValue;
    try {
        value = common::parseInt32(store.getSetting("Display", key, QString::number(defaultValue)));
        if (value < 0 || value > 0xFFFFFF)
            throw common::RuntimeError(common::err::InvalidPropertyValue);
    } catch (const common::RuntimeError& e) {
        app_.common.ReportError(e.number(), QStringLiteral("PSKDisplay.Initialize"));
        value = defaultValue;
    }
    store.saveSetting("Display", key, QString::number(value));
    return value;
}

void PSKDisplay::Initialize() {
    common::guard(app_.common, "PSKDisplay.Initialize", [&] {
        TonedeckMain& m = app_.main;
        auto& store = app_.services.settings;

        bool ok = false;
        int mode = store.getSetting("General", "Mode", "0").toInt(&ok);
        if (!ok || (mode != 0 && mode != 1)) mode = 0;
        m.RestoreMode(mode);
        store.saveSetting("General", "Mode", QString::number(mode));
        SetPaneTooltips();

        InitializePosition();

        keyboardBackgroundColor_ = readColor("KeyboardBackgroundColor", 0xFFFFFF);
        keyboardColor_ = readColor("KeyboardColor", kBlack);
        try {
            m.Keyboard->setFont(display::ToQFont(display::ReadKeyboardFont(store)));
        } catch (const common::RuntimeError& e) {
            app_.common.ReportError(e.number(), QStringLiteral("PSKDisplay.Initialize"));
            display::FontSetting f;
            f.size = display::kDefaultKeyboardFontSize;
            m.Keyboard->setFont(display::ToQFont(f));
        }
        applyKeyboardLook();

        for (int i = 0; i < 3; ++i) {
            receivePaneColor_[i] =
                readColor(QStringLiteral("PaneColor%1").arg(i), kDefaultPaneColor[i]);
            paneBackgroundColor_[i] = readColor(QStringLiteral("PaneBackgroundColor%1").arg(i), 0);
        }
        transmittedTextColor_ = readColor("TransmittedTextColor", 0xFFFFFF);
        selectedPanelIDFontColor_ = readColor("SelectedPanelIDFontColor", kRed);
        SaveFileDirectory = store.getSetting("Display", "SaveFileDirectory");
        store.saveSetting("Display", "SaveFileDirectory", SaveFileDirectory);
        app_.transmitPane.Initialize();

        app_.qso.InitializeBandCombo();
        m.QSOFrequency->setText(store.getSetting("Display", "XcvrFreq"));
        // The setup dialog's check boxes for these options; restoring them is not a change.
        auto& setup = app_.setupDialog;
        setup.IgnoreParameterChanges();
        const QString slashed = store.getSetting("Display", "ShowSlashedZero", "0");
        setup.SlashZeroCheckbox->setChecked(slashed == "1");
        store.saveSetting("Display", "ShowSlashedZero", slashed == "1" ? "1" : "0");
        bool tips = true;
        try {
            tips = display::ReadDisplayBool(store, "ShowTooltips", true);
        } catch (const common::RuntimeError& e) {
            app_.common.ReportError(e.number(), QStringLiteral("PSKDisplay.Initialize"));
        }
        setup.TooltipsCheckbox->setChecked(tips);
        store.saveSetting("Display", "ShowTooltips", display::BoolText(tips));
        setup.SaveParameterChanges();
        setup.InitializeSetupFields();

        InitializePanes();
        UpdateKeyboardHeight(m.Keyboard->font().pointSizeF());
        m.SetCaptionSuffix(QString());
    });
}

void PSKDisplay::InitializePanes() {
    common::guard(app_.common, "PSKDisplay.InitializePanes", [&] {
        TonedeckMain& m = app_.main;
        for (int i = 0; i < 3; ++i) {
            PaneEnabled[i] = true;
            paneSuspended_[i] = false;
            PaneLastSource[i] = i;
            PendingLineEnd[i] = 0;
            QPalette p = m.Display[i]->palette();
            p.setColor(QPalette::Base, ToQColor(paneBackgroundColor_[i]));
            p.setColor(QPalette::Text, ToQColor(receivePaneColor_[i]));
            m.Display[i]->setPalette(p);
            insertColor_[i] = receivePaneColor_[i];
            colorPanelID(i);
            UpdatePanelID(i);
            for (QString& field : PaneQSOFields[i])
                field.clear();
        }
    });
}

void PSKDisplay::colorPanelID(int pane) {
    QLabel* id = app_.main.PanelID[pane];
    const bool active = pane == activePane_;
    QPalette p = id->palette();
    p.setColor(QPalette::Window, ToQColor(receivePaneColor_[pane]));
    p.setColor(QPalette::WindowText,
               ToQColor(active ? selectedPanelIDFontColor_ : paneBackgroundColor_[pane]));
    id->setPalette(p);
    QFont f = id->font();
    f.setBold(active);
    id->setFont(f);
}

void PSKDisplay::UpdatePanelID(int pane) {
    common::guard(app_.common, "PSKDisplay.UpdatePanelID", [&] {
        common::checkIndex(pane, 0, 2);
        QLabel* id = app_.main.PanelID[pane];
        if (app_.main.ModeButton[0]->isChecked())
            id->setText(QString::number(pane));
        else
            id->setText(pane == 0   ? QStringLiteral("S")
                        : pane == 1 ? QStringLiteral("X")
                                    : QString());
    });
}

bool PSKDisplay::TooltipsEnabled() const {
    return app_.setupDialog.TooltipsCheckbox->isChecked();
}

void PSKDisplay::SetReceivePane(int pane) {
    common::guard(app_.common, "PSKDisplay.SetReceivePane", [&] {
        common::checkIndex(pane, 0, 2);
        TonedeckMain& m = app_.main;
        QLineEdit* fields[6] = {m.Callsign, m.OperatorName, m.QTH,
                                m.RSTsent,  m.RSTreceived,  m.GridSquare};
        const int old = activePane_;
        for (int i = 0; i < 6; ++i)
            PaneQSOFields[old][i] = fields[i]->text();
        // Each channel keeps its own contact information.
        activePane_ = pane;
        for (int i = 0; i < 6; ++i)
            fields[i]->setText(PaneQSOFields[pane][i]);
        for (int p : {old, pane}) {
            colorPanelID(p);
            if (paneSuspended_[p])
                m.PanelID[p]->clear();
            else
                UpdatePanelID(p);
        }
        SetModeCaptions();
        SetTooltip(m.Waterfall,
                   QStringLiteral("click to select channel %1's receive frequency").arg(pane));
    });
}

void PSKDisplay::SelectReceivePane(int pane, float x, float y, int button, int shift) {
    common::guard(app_.common, "PSKDisplay.SelectReceivePane", [&] {
        common::checkIndex(pane, 0, 2);
        MouseX[pane] = x;
        MouseY[pane] = y;
        MouseButton[pane] = button;
        MouseShift[pane] = shift;
        // The active pane never changes during a transmission.
        if (!app_.xcvr.Transmitting()) SetReceivePane(pane);
        // In RTTY mode the pane also chooses the path: 0 the soundcard, 1 the modem.
        if (app_.main.ModeButton[1]->isChecked() && app_.rtty && !app_.rtty->Transmitting())
            app_.rtty->SelectPane(pane);
    });
}

void PSKDisplay::SetModeCaptions() {
    common::guard(app_.common, "PSKDisplay.SetModeCaptions", [&] {
        TonedeckMain& m = app_.main;
        const QString n = QString::number(activePane_);
        m.ReceiveFrame->setTitle(QStringLiteral("Receive Channel ") + n + QStringLiteral(" (") +
                                 app_.xcvr.ReceiveModulationName() + QStringLiteral(")"));
        m.TXFreqLock->setText(QStringLiteral("net chan ") + n);
        SetTooltip(m.SetTXFreqFromRXFreqCmd,
                   QStringLiteral("set transmit frequency to that of receive channel ") + n);
        SetTooltip(m.TXFreqLock,
                   QStringLiteral("lock transmit frequency that of receive channel ") + n);
    });
}

void PSKDisplay::UpdateOverloadIndicator(int overload) {
    common::guard(app_.common, "PSKDisplay.UpdateOverloadIndicator", [&] {
        TonedeckMain& m = app_.main;
        if (overload > 0) {
            m.ReceiveFrame->setTitle(QStringLiteral("Receive soundcard overload!"));
            psk::setForeColor(m.ReceiveFrame, kRed);
        } else {
            SetModeCaptions();
            psk::setForeColor(m.ReceiveFrame, kBlack);
        }
    });
}

void PSKDisplay::SetPaneSuspended(int pane, bool suspended) {
    common::guard(app_.common, "PSKDisplay.SetPaneSuspended", [&] {
        common::checkIndex(pane, 0, 2);
        TonedeckMain& m = app_.main;
        paneSuspended_[pane] = suspended;
        if (suspended)
            m.PanelID[pane]->clear();
        else
            UpdatePanelID(pane);
        SetTooltip(m.PanelID[pane],
                   (suspended
                        ? QStringLiteral("click to enable the display of incoming information "
                                         "on receive pane ")
                        : QStringLiteral("click to suspend the display of incoming information "
                                         "on receive pane ")) +
                       QString::number(pane));
    });
}

bool PSKDisplay::IsPaneSuspended(int pane) const {
    return pane >= 0 && pane <= 2 && paneSuspended_[pane];
}

void PSKDisplay::ResumePane(int pane) {
    if (IsPaneSuspended(pane)) SetPaneSuspended(pane, false);
}

void PSKDisplay::PanelID_Click(int pane) {
    common::guard(app_.common, "TonedeckMain.PanelID_Click", [&] {
        common::checkIndex(pane, 0, 2);
        TonedeckMain& m = app_.main;
        if (IsPaneSuspended(pane)) {
            QTextCursor cursor = m.Display[pane]->textCursor();
            cursor.clearSelection();
            m.Display[pane]->setTextCursor(cursor);
            m.UnlockPane(pane);
            SetPaneSuspended(pane, false);
        } else {
            // Locked, the pane's characters wait in their buffer until it is resumed.
            m.LockPane(pane);
            SetPaneSuspended(pane, true);
        }
    });
}

} // namespace mainwindow
