#pragma once
// The application object: owns every module and window for one run, so that a test can build
// a fresh one with its own settings file, dialogs, clock and engine.
#include "PSKDisplay.h"
#include "QsoFields.h"
#include "SetupDisplayLink.h"
#include "TonedeckMain.h"
#include "TransmitPane.h"
#include <common/Common.h>
#include <common/PSKEvent.h>
#include <common/Trap.h>
#include <common/Version.h>
#include <dde/AdifUdp.h>
#include <dde/PSKDDEClient.h>
#include <log/PSKMinilog.h>
#include <macros/TonedeckMacros.h>
#include <memory>
#include <platform/Services.h>
#include <psk/PSKSpec.h>
#include <psk/PSKXcvr.h>
#include <rtty/RTTYXcvr.h>
#include <setup/TonedeckSetup.h>

namespace mainwindow {

class TonedeckApp {
public:
    static constexpr const char* kProductName = common::kProductName;

    TonedeckApp(platform::Services& services, const psk::PSKSpec& engine,
                std::unique_ptr<rtty::RTTYXcvr> rtty = nullptr);
    ~TonedeckApp();

    static QString Version();

    platform::Services& services;
    common::PSKEvent event;
    common::Common common;
    const psk::PSKSpec& engine;
    setup::TonedeckSetup setupDialog;
    TonedeckMain main;
    PSKDisplay display;
    TransmitPane transmitPane;
    psk::PSKXcvr xcvr;
    std::unique_ptr<rtty::RTTYXcvr> rtty;
    SetupDisplayLink setupLink{*this};
    // Each logged record also goes out over UDP (Send beside dde.SendLog).
    dde::AdifUdp adifUdp;
    dde::PSKDDEClient dde;
    QsoFields qso;
    minilog::PSKMinilog minilog;
    macros::TonedeckMacros macros;

private:
    dde::DDEHost ddeHost();
};

} // namespace mainwindow
