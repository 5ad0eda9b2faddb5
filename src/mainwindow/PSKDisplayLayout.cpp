// The main window's layout and what of it is kept between runs: pane fonts and proportions,
// colours, the window's place; the frequency scale, the macro banks and the tooltip switch.
#include "PSKDisplay.h"
#include "TonedeckApp.h"
#include <common/WindowPositions.h>
#include <macros/TonedeckMacroEditor.h>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTextEdit>
#include <tuning/DisplaySettings.h>
#include <tuning/FrequencyScale.h>

namespace mainwindow {

namespace {
// Lines of text the transmit pane shows.
constexpr int kKeyboardLines = 4;
} // namespace

void PSKDisplay::applyKeyboardLook() {
    QTextEdit* k = app_.main.Keyboard;
    QPalette p = k->palette();
    p.setColor(QPalette::Base, ToQColor(keyboardBackgroundColor_));
    p.setColor(QPalette::Text, ToQColor(keyboardColor_));
    k->setPalette(p);
}

void PSKDisplay::InitializePosition() {
    common::guard(app_.common, "PSKDisplay.InitializePosition", [&] {
        TonedeckMain& m = app_.main;
        auto& store = app_.services.settings;
        for (int n = 0; n < 3; ++n)
            m.Display[n]->setFont(display::ToQFont(display::ReadPaneFont(store, n)));
        display::PanePercentage fractions = m.PaneArea->fractions();
        display::ReadPanePercentage(store, fractions);
        m.PaneArea->setFractions(fractions);
        common::RestoreWindowPosition(store, m, QString::fromLatin1(kWindowPrefix),
                                      common::WindowKeys::PositionSizeState);
    });
}

void PSKDisplay::SaveWindowPositions() {
    common::guard(app_.common, "PSKDisplay.SaveWindowPositions", [&] {
        common::SaveWindowPosition(app_.services.settings, app_.main,
                                   QString::fromLatin1(kWindowPrefix),
                                   common::WindowKeys::PositionSizeState);
    });
    SavePaneSetup();
    SaveDisplaySetup();
}

void PSKDisplay::SavePaneSetup() {
    common::guard(app_.common, "PSKDisplay.SavePaneSetup", [&] {
        auto& store = app_.services.settings;
        display::SavePanePercentage(store, app_.main.PaneArea->fractions());
        for (int n = 0; n < 3; ++n) {
            display::SaveDisplayColor(store, QStringLiteral("PaneColor%1").arg(n),
                                      receivePaneColor_[n]);
            display::SaveDisplayColor(store, QStringLiteral("PaneBackgroundColor%1").arg(n),
                                      paneBackgroundColor_[n]);
            display::SavePaneFont(store, n, display::FromQFont(app_.main.Display[n]->font()));
        }
    });
}

void PSKDisplay::SaveDisplaySetup() {
    common::guard(app_.common, "PSKDisplay.SaveDisplaySetup", [&] {
        auto& store = app_.services.settings;
        TonedeckMain& m = app_.main;
        display::SaveDisplayColor(store, "KeyboardBackgroundColor", keyboardBackgroundColor_);
        display::SaveKeyboardFont(store, display::FromQFont(m.Keyboard->font()));
        display::SaveDisplayColor(store, "KeyboardColor", keyboardColor_);
        display::SaveDisplayColor(store, "TransmittedTextColor", transmittedTextColor_);
        display::SaveDisplayColor(store, "SelectedPanelIDFontColor", selectedPanelIDFontColor_);
        store.saveSetting("Display", "SaveFileDirectory", SaveFileDirectory);
        store.saveSetting("Display", "TransmitFileDirectory",
                          app_.transmitPane.transmitFileDirectory());
        store.saveSetting("Display", "XcvrFreq", m.QSOFrequency->text());
        auto& setup = app_.setupDialog;
        store.saveSetting("Display", "ShowSlashedZero",
                          setup.SlashZeroCheckbox->isChecked() ? "1" : "0");
        store.saveSetting("Display", "ShowTooltips",
                          display::BoolText(setup.TooltipsCheckbox->isChecked()));
        setup.SaveSetupFields();
    });
}

void PSKDisplay::AdjustWindowControls() {
    common::guard(app_.common, "PSKDisplay.AdjustWindowControls", [&] {
        TonedeckMain& m = app_.main;
        const bool psk = m.ModeButton[0]->isChecked();
        m.PaneArea->setMode(psk ? display::PaneMode::PSK : display::PaneMode::RTTY);
        app_.xcvr.InitializeWaterfallSpectrum();
        app_.xcvr.InitializeVectorDisplay();
        DrawFrequencyScale();
    });
}

void PSKDisplay::UpdatePaneSplits() {
    common::guard(app_.common, "PSKDisplay.UpdatePaneSplits",
                  [&] { app_.main.PaneArea->UpdatePaneSplits(true); });
}

void PSKDisplay::ResetPanePercentage() {
    common::guard(app_.common, "PSKDisplay.ResetPanePercentage", [&] {
        app_.main.PaneArea->setFractions(display::ResetPanePercentage());
        AdjustWindowControls();
    });
}

void PSKDisplay::UpdateKeyboardHeight(double fontSize) {
    common::guard(app_.common, "PSKDisplay.UpdateKeyboardHeight", [&] {
        QTextEdit* k = app_.main.Keyboard;
        QFont f = k->font();
        f.setPointSizeF(std::clamp(fontSize, display::kMinFontSize, display::kMaxFontSize));
        const QFontMetrics fm(f);
        const int margin = int(std::ceil(k->document()->documentMargin()));
        k->setFixedHeight(kKeyboardLines * fm.lineSpacing() + 2 * margin + 2 * k->frameWidth());
    });
}

void PSKDisplay::DrawFrequencyScale() {
    common::guard(app_.common, "PSKDisplay.DrawFrequencyScale", [&] {
        TonedeckMain& m = app_.main;
        const double units = m.Waterfall->isPixelScale() ? psk::TuningDisplay::kScaleWidth
                                                         : m.Waterfall->scaleWidth();
        display::DrawFrequencyScale(*m.Frequency, m.QSOFrequency->text(), units,
                                    app_.xcvr.HzPerBin());
    });
}

void PSKDisplay::DisplayNormalMacros() {
    common::guard(app_.common, "PSKDisplay.DisplayNormalMacros",
                  [&] { app_.main.MacroBar->DisplayNormalMacros(); });
}

void PSKDisplay::DisplayAltMacros() {
    common::guard(app_.common, "PSKDisplay.DisplayAltMacros",
                  [&] { app_.main.MacroBar->DisplayAltMacros(); });
}

void PSKDisplay::InitializeTooltips() {
    common::guard(app_.common, "PSKDisplay.InitializeTooltips", [&] {
        tooltips_.InitializeTooltips(
            {&app_.main, &app_.setupDialog, &app_.macros, app_.macros.Editor()});
        if (!TooltipsEnabled()) HideTooltips();
    });
}

void PSKDisplay::SaveTooltips() {
    common::guard(app_.common, "PSKDisplay.SaveTooltips", [&] { tooltips_.SaveTooltips(); });
}

void PSKDisplay::HideTooltips() {
    common::guard(app_.common, "PSKDisplay.HideTooltips", [&] { tooltips_.HideTooltips(); });
}

void PSKDisplay::ShowTooltips() {
    common::guard(app_.common, "PSKDisplay.ShowTooltips", [&] {
        tooltips_.ShowTooltips();
        // The tooltips that name the active channel follow it, not the table.
        SetModeCaptions();
        SetTooltip(
            app_.main.Waterfall,
            QStringLiteral("click to select channel %1's receive frequency").arg(activePane_));
    });
}

void PSKDisplay::TooltipsCheckbox_Click(bool on) {
    if (on)
        ShowTooltips();
    else
        HideTooltips();
}

void PSKDisplay::SetTooltip(QWidget* control, const QString& text) {
    tooltips_.SetTooltip(control, text);
}

void PSKDisplay::SetPaneTooltips() {
    common::guard(app_.common, "PSKDisplay.SetPaneTooltips", [&] {
        TonedeckMain& m = app_.main;
        if (m.ModeButton[0]->isChecked()) {
            for (int i = 0; i < 3; ++i)
                SetTooltip(m.Display[i], QStringLiteral("information received from channel ") +
                                             QString::number(i));
        } else {
            SetTooltip(m.Display[0], QStringLiteral("information received from soundcard RTTY"));
            SetTooltip(m.Display[1], QStringLiteral("information received from the RTTY modem"));
        }
    });
}

} // namespace mainwindow
