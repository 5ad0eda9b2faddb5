#include "TonedeckMain.h"
#include "TonedeckApp.h"
#include <common/Convert.h>
#include <common/Format.h>
#include <common/WindowPositions.h>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSlider>
#include <QTextEdit>
#include <QThread>

namespace mainwindow {

TonedeckMain::TonedeckMain(TonedeckApp& app) : app_(app) {
    hwnd_.setObjectName("TonedeckMainHwnd");
    ClockTimer.setInterval(1000);
    BlinkTimer.setInterval(250);
    ServerRetryTimer.setInterval(5000);
    PskTimers.ReceiveStatusTimer.setInterval(10000);
    PskTimers.IMDBlankingTimer.setInterval(1000);
    ShowPopupMenu = [](QMenu& menu) { menu.exec(QCursor::pos()); };
    fillPskControls();
    connectControls();
    installEventFilters();
}

void TonedeckMain::connectControls() {
    connect(&ClockTimer, &QTimer::timeout, this, &TonedeckMain::ClockTimer_Timer);
    connect(&BlinkTimer, &QTimer::timeout, this, &TonedeckMain::BlinkTimer_Timer);
    connect(&PskTimers.DataTimer, &QTimer::timeout, this, &TonedeckMain::DataTimer_Timer);
    for (int i = 0; i < 4; ++i)
        connect(&PskTimers.CharTimer[i], &QTimer::timeout, this, [this, i] { CharTimer_Timer(i); });
    connect(&PskTimers.StatusTimer, &QTimer::timeout, this, &TonedeckMain::StatusTimer_Timer);
    connect(&PskTimers.IMDTimer, &QTimer::timeout, this, &TonedeckMain::IMDTimer_Timer);
    connect(&PskTimers.ReceiveStatusTimer, &QTimer::timeout, this,
            &TonedeckMain::ReceiveStatusTimer_Timer);
    connect(&MMTTYEndTimer, &QTimer::timeout, this, &TonedeckMain::MMTTYEndTimer_Timer);
    for (int i = 0; i < 2; ++i)
        connect(ModeButton[i], &QRadioButton::clicked, this, [this, i] { ModeButton_Click(i); });
    connect(ReplayCmd, &QPushButton::clicked, this, [this] {
        common::guard(app_.common, "TonedeckMain.ReplayCmd_Click", [&] { app_.xcvr.Replay(); });
    });
    connect(HelpCmd, &QPushButton::clicked, this, [this] {
        common::guard(app_.common, "TonedeckMain.HelpCmd_Click",
                      [&] { app_.common.InvokeHelp(QStringLiteral("Index.htm")); });
    });
    connect(SetupCmd, &QPushButton::clicked, this, [this] {
        common::guard(app_.common, "TonedeckMain.SetupCmd_Click",
                      [&] { app_.setupDialog.ShowAtStoredPosition(); });
    });
    for (int i = 0; i < 3; ++i)
        connect(&PskTimers.IdentificationTimer[i], &QTimer::timeout, this,
                [this, i] { app_.xcvr.IdentificationTick(i); });
    // The blanking timer stays enabled: each tick empties the reading until the next one.
    connect(&PskTimers.IMDBlankingTimer, &QTimer::timeout, this,
            [this] { app_.xcvr.ClearIMDInfo(); });
    connect(OptimalOffsetCmd, &QPushButton::clicked, this, [this] {
        app_.xcvr.SetOptimalReceiveFrequency();
        Keyboard->setFocus();
    });
    connect(ResetIMDcmd, &QPushButton::clicked, this, [this] {
        app_.xcvr.ResetPeakImd();
        Keyboard->setFocus();
    });

    // Receive and transmit controls of the PSK side.
    connect(RcvAFCEnabledCheckbox, &QCheckBox::clicked, this, [this](bool on) {
        app_.xcvr.ReceiveAFCEnabledChanged(on ? 1 : 0);
        Keyboard->setFocus();
    });
    connect(TXFreqLock, &QCheckBox::clicked, this, [this] {
        app_.xcvr.TransmitLockChanged();
        app_.display.SetModeCaptions();
        Keyboard->setFocus();
    });
    TransmitPane& tx = app_.transmitPane;
    connect(SetTXFreqFromRXFreqCmd, &QPushButton::clicked, this,
            [&tx] { tx.SetTXFreqFromRXFreqCmd_Click(); });
    connect(StartXmitCmd, &QPushButton::clicked, this, [&tx] { tx.StartXmitCmd_Click(); });
    connect(StopTransmitCmd, &QPushButton::clicked, this, [&tx] { tx.StopTransmitCmd_Click(); });
    connect(AbortTransmitCmd, &QPushButton::clicked, this, [&tx] { tx.AbortTransmitCmd_Click(); });
    connect(IDCmd, &QPushButton::clicked, this, [&tx] { tx.IDCmd_Click(); });
    connect(ClearXmitPaneCmd, &QPushButton::clicked, this, [&tx] { tx.ClearXmitPaneCmd_Click(); });
    // Also when the program clears it at shut-down: the modulation goes back.
    connect(TuneCheckbox, &QCheckBox::toggled, this, [&tx](bool on) { tx.TuneCheckbox_Click(on); });
    // The macro bar switches its banks itself; a button fires the macro of the bank shown.
    for (int i = 0; i < 8; ++i)
        connect(Macro[i], &QPushButton::clicked, this, [&tx, i] { tx.FireMacro(i); });
    MacroBar->Title = [&tx](int index) { return tx.MacroTitle(index); };

    connect(&app_.setupDialog, &setup::TonedeckSetup::tooltipsChanged, this,
            [this](bool on) { app_.display.TooltipsCheckbox_Click(on); });

    // Tuning displays.
    connect(Waterfall, &platform::PictureBox::mousePressed, this,
            [this](double x, double, Qt::MouseButton button, Qt::KeyboardModifiers mods) {
                Waterfall_MouseDown(x, button, mods);
            });
    connect(QSOFrequency, &QLineEdit::textChanged, this,
            [this] { app_.display.DrawFrequencyScale(); });
    PaneArea->LogEvent = [this](const QString& line) { app_.event.LogEvent(line); };
    connect(PaneArea, &display::PaneArea::panesPlaced, this, [this] {
        for (int i = 0; i < 3; ++i)
            if (!app_.display.IsPaneSuspended(i)) app_.display.UpdatePanelID(i);
    });

    // The pane menu.
    connect(popClear, &QAction::triggered, this, [this] { app_.display.popClear_Click(); });
    connect(popSave, &QAction::triggered, this, [this] { app_.display.popSave_Click(); });
    connect(popPaste, &QAction::triggered, this, [this, &tx] {
        tx.TransmitClipboard(true);
        Keyboard->setFocus();
    });
    connect(popTransmit, &QAction::triggered, this, [this, &tx] {
        tx.TransmitFile();
        Keyboard->setFocus();
    });
}

void TonedeckMain::Form_Load() {
    common::guard(app_.common, "TonedeckMain.Form_Load", [&] {
        app_.common.Initialize();
        if (app_.engine.fnGetDLLVersion() < 106) ReplayCmd->setVisible(false);
        MMTTYEndTimer.stop();
        MMTTYEndTimer.setInterval(100);
        app_.event.Initialize();
        for (bool& b : charHandlerLocked_)
            b = false;
        mmttyCharHandlerLocked_ = false;
        rttyModemCharHandlerLocked_ = false;
        PaneArea->EndSplitterDrags();
        app_.display.ClearPaneMouseState();
        ignoringParameterChanges_ = false;
        OptimalOffsetCmd->setEnabled(false);
        RTTYOptimalOffsetCmd->setEnabled(false);
        app_.transmitPane.ClearTuneState();
        app_.macros.InitializeMacros();
        app_.display.Initialize();
        // After the display: it restores the stored QSO frequency and empties the title's codes,
        // which would hide what the companion programs have just reported.
        app_.dde.Initialize();
        app_.xcvr.Initialize();
        app_.rtty->Initialize();
        if (ModeButton[0]->isChecked()) {
            app_.rtty->Disable();
            app_.xcvr.Enable();
            enabledMode_ = 0;
        } else if (ModeButton[1]->isChecked()) {
            app_.xcvr.Disable();
            app_.rtty->Enable();
            enabledMode_ = 1;
        }
        app_.minilog.Initialize();
        app_.display.InitializeTooltips();
        app_.xcvr.InitializeVectorDisplay();
        lastWindowState_ = windowStateCode();
        ClockTimer.start();
        BlinkTimer.start();
        ClockTimer_Timer();
        loaded_ = true;
    });
}

void TonedeckMain::Form_Unload(int& cancel) {
    bool mmttyWasRunning = false;
    auto step = [&](auto&& body) { common::guard(app_.common, "TonedeckMain.Form_Unload", body); };
    step([&] { mmttyWasRunning = app_.rtty->MMTTYRunning(); });
    step([&] { TuneCheckbox->setChecked(false); });
    step([&] { app_.transmitPane.EndFeed(); });
    MarkShuttingDown();
    step([&] { app_.minilog.SaveSettings(); });
    step([&] {
        // A radio keyed through the rig-control program would otherwise stay keyed.
        if (app_.xcvr.Transmitting() && app_.xcvr.GetPTTMode() == 4) app_.dde.SendReceive();
        app_.dde.Shutdown();
    });
    step([&] {
        app_.rtty->Disable();
        app_.rtty->Shutdown();
    });
    step([&] {
        app_.xcvr.Disable();
        app_.xcvr.Terminate();
    });
    step([&] { app_.event.Shutdown(); });
    step([&] { app_.common.Shutdown(); });
    if (mmttyWasRunning) {
        MMTTYEndTimer.start();
        cancel = 1;
    }
}

void TonedeckMain::Form_Resize() {
    common::guard(app_.common, "TonedeckMain.Form_Resize", [&] {
        if (resizeSuppressed_) {
            resizeSuppressed_ = false;
            return;
        }
        if (lastWindowState_ != 1 && isVisible()) app_.display.AdjustWindowControls();
        lastWindowState_ = windowStateCode();
    });
}

int TonedeckMain::windowStateCode() const {
    return common::WindowStateCode(*this);
}

void TonedeckMain::closeEvent(QCloseEvent* event) {
    if (unloaded_ || !loaded_) {
        event->accept();
        return;
    }
    // A close while the unload waits for the RTTY engine to end must not unload again.
    if (shuttingDown_) {
        event->ignore();
        return;
    }
    int cancel = 0;
    Form_Unload(cancel);
    if (cancel) {
        event->ignore();
        return;
    }
    unloaded_ = true;
    stopTimers();
    event->accept();
}

void TonedeckMain::stopTimers() {
    // The timers are members, not child objects: each is named here.
    PskTimers.stopAll();
    for (QTimer* t : {&ClockTimer, &BlinkTimer, &ServerRetryTimer, &MMTTYEndTimer})
        t->stop();
    app_.transmitPane.EndFeed();
}

void TonedeckMain::resizeEvent(QResizeEvent* event) {
    TonedeckMainForm::resizeEvent(event);
    Form_Resize();
}

void TonedeckMain::showEvent(QShowEvent* event) {
    TonedeckMainForm::showEvent(event);
    // The first layout: the window's size was set before it could be seen.
    if (!event->spontaneous()) Form_Resize();
}

void TonedeckMain::changeEvent(QEvent* event) {
    TonedeckMainForm::changeEvent(event);
    // Minimizing and restoring do not always come with a resize event.
    if (event->type() == QEvent::WindowStateChange) Form_Resize();
}

void TonedeckMain::LockPane(int pane) {
    common::guard(app_.common, "TonedeckMain.LockPane", [&] {
        if (ModeButton[0]->isChecked()) {
            if (pane >= 0 && pane <= 3) charHandlerLocked_[pane] = true;
        } else if (ModeButton[1]->isChecked()) {
            if (pane == 0) mmttyCharHandlerLocked_ = true;
            if (pane == 1) rttyModemCharHandlerLocked_ = true;
        }
    });
}

void TonedeckMain::UnlockPane(int pane) {
    common::guard(app_.common, "TonedeckMain.UnlockPane", [&] {
        if (ModeButton[0]->isChecked()) {
            if (pane >= 0 && pane <= 3) {
                charHandlerLocked_[pane] = false;
                // What arrived while the pane was held shows now, not with the next character.
                QTimer& drain = PskTimers.CharTimer[pane];
                if (!drain.isActive()) drain.start();
            }
        } else if (ModeButton[1]->isChecked()) {
            if (pane == 0) mmttyCharHandlerLocked_ = false;
            if (pane == 1) rttyModemCharHandlerLocked_ = false;
        }
    });
}

bool TonedeckMain::CharHandlerLocked(int source) const {
    return source >= 0 && source <= 3 && charHandlerLocked_[source];
}

bool TonedeckMain::LockCharHandler(int source) {
    common::checkIndex(source, 0, 3);
    if (charHandlerLocked_[source]) return false;
    charHandlerLocked_[source] = true;
    return true;
}

void TonedeckMain::UnlockCharHandler(int source) {
    common::checkIndex(source, 0, 3);
    charHandlerLocked_[source] = false;
}

void TonedeckMain::TransmitCWID() {
    common::guard(app_.common, "TonedeckMain.TransmitCWID",
                  [&] { app_.engine.fnSendTXCharacter(2, 1); });
}

void TonedeckMain::SetCaptionSuffix(const QString& text) {
    captionSuffix_ = text.isEmpty() ? QString() : QStringLiteral(" [") + text + QStringLiteral("]");
}

QString TonedeckMain::Caption() const {
    QString caption =
        QStringLiteral("%1 %2").arg(TonedeckApp::kProductName, TonedeckApp::Version());
    const QString call = myCallsign();
    if (!call.isEmpty()) caption += QStringLiteral(" for ") + call;
    caption += QStringLiteral(" @ ") +
               common::formatDateTime(app_.services.clock.utcNow(), u"dd mmm yy  hhmm") +
               QStringLiteral("Z");
    if (app_.event.EventLogged())
        caption += QStringLiteral(">>> Check error log in ") + app_.services.programDir +
                   QStringLiteral("/ErrorLog.txt");
    return caption + captionSuffix_;
}

void TonedeckMain::ClockTimer_Timer() {
    common::guard(app_.common, "TonedeckMain.ClockTimer_Timer", [&] { setWindowTitle(Caption()); });
}

void TonedeckMain::BlinkTimer_Timer() {
    common::guard(app_.common, "TonedeckMain.BlinkTimer_Timer", [&] {
        for (int i = 0; i < 3; ++i) {
            if (!app_.display.IsPaneSuspended(i)) continue;
            if (!blinkState_)
                PanelID[i]->clear();
            else
                app_.display.UpdatePanelID(i);
        }
        for (int i = 0; i < 9; ++i)
            if (app_.qso.FieldNeedsAttention(i)) QSOLabel[i]->setVisible(blinkState_);
        blinkState_ = !blinkState_;
    });
}

void TonedeckMain::DataTimer_Timer() {
    PskTimers.DataTimer.stop();
    common::guard(app_.common, "TonedeckMain.DataTimer_Timer", [&] {
        app_.xcvr.UpdateSignalStrength(app_.engine.fnGetSignalLevel(app_.xcvr.ActiveChannel()));
        app_.xcvr.Update();
    });
}

void TonedeckMain::CharTimer_Timer(int index) {
    Q_ASSERT(QThread::currentThread() == thread());
    PskTimers.CharTimer[index].stop();
    common::guard(app_.common, "TonedeckMain.CharTimer_Timer", [&] {
        if (!LockCharHandler(index)) return;
        struct Unlock {
            TonedeckMain& m;
            int index;
            ~Unlock() { m.UnlockCharHandler(index); }
        } unlock{*this, index};
        app_.display.HandleNewChar(index);
    });
}

void TonedeckMain::StatusTimer_Timer() {
    Q_ASSERT(QThread::currentThread() == thread());
    PskTimers.StatusTimer.stop();
    app_.xcvr.HandleNewStatus();
}

void TonedeckMain::IMDTimer_Timer() {
    PskTimers.IMDTimer.stop();
    app_.xcvr.HandleNewIMDInfo();
}

void TonedeckMain::ReceiveStatusTimer_Timer() {
    PskTimers.ReceiveStatusTimer.stop();
    hideReceiveStatus();
}

void TonedeckMain::MMTTYEndTimer_Timer() {
    common::guard(app_.common, "TonedeckMain.MMTTYEndTimer_Timer", [&] {
        if (app_.rtty->MMTTYWindowExists()) return;
        MMTTYEndTimer.stop();
        unloaded_ = true;
        stopTimers();
        close();
    });
}

void TonedeckMain::RestoreMode(int index) {
    common::checkIndex(index, 0, 1);
    ModeButton[index]->setChecked(true);
    modeRestored_ = true;
}

void TonedeckMain::Waterfall_MouseDown(double x, Qt::MouseButton button,
                                       Qt::KeyboardModifiers mods) {
    common::guard(app_.common, "TonedeckMain.Waterfall_MouseDown", [&] {
        if (ModeButton[0]->isChecked() && button == Qt::RightButton) {
            // Alt+click is taken by many window managers: a menu picks any channel anywhere.
            QMenu menu(this);
            for (int ch = 0; ch < 3; ++ch)
                connect(menu.addAction(QStringLiteral("Tune channel %1 here").arg(ch)),
                        &QAction::triggered, this,
                        [this, x, ch] { app_.xcvr.SetReceiveFrequencyFromWaterfall(x, ch); });
            ShowPopupMenu(menu);
        } else if (ModeButton[0]->isChecked()) {
            // Only the left button picks a channel: Ctrl 0, Shift 1, Alt 2.
            int channel = -1;
            if (button == Qt::LeftButton) {
                if (mods & Qt::ControlModifier)
                    channel = 0;
                else if (mods & Qt::ShiftModifier)
                    channel = 1;
                else if (mods & Qt::AltModifier)
                    channel = 2;
            }
            app_.xcvr.SetReceiveFrequencyFromWaterfall(x, channel);
        }
        Keyboard->setFocus();
    });
}

void TonedeckMain::ModeButton_Click(int index) {
    if (!modeRestored_) return;
    // The selected mode clicked again is no switch.
    if (index == enabledMode_) return;
    common::guard(app_.common, "TonedeckMain.ModeButton_Click", [&] {
        enabledMode_ = index;
        app_.transmitPane.EndFeed(QStringLiteral("mode switched during a transmit feed"));
        for (int pane = 0; pane < 3; ++pane) {
            app_.display.ResumePane(pane);
            UnlockPane(pane);
        }
        mmttyCharHandlerLocked_ = false;
        rttyModemCharHandlerLocked_ = false;
        const bool psk = index == 0;
        if (psk) {
            app_.rtty->Disable();
            app_.xcvr.Enable();
        } else {
            app_.xcvr.Disable();
            app_.rtty->Enable();
        }
        app_.display.SetPaneTooltips();
        app_.xcvr.ClearReceiveDisplay();
        app_.display.AdjustWindowControls();
        app_.services.settings.saveSetting("General", "Mode", QString::number(index));
    });
}

} // namespace mainwindow
