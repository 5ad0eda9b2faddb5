#pragma once
// The transmit pane: its key rules, the transmit buttons, macro firing, and the sending of
// clipboard and file text.
#include <functional>
#include <QString>

class QKeyEvent;

namespace mainwindow {

class TonedeckApp;

class TransmitPane {
public:
    explicit TransmitPane(TonedeckApp& app);

    // Start-up: the directory of the last file sent.
    void Initialize();

    // Keyboard events; true when the key is used up and the pane must not see it.
    bool KeyDown(const QKeyEvent& key);
    bool KeyPress(int& keyAscii);
    void KeyUp(const QKeyEvent& key);
    // The character code a key produces (Ctrl+letter gives 1..26, Ctrl+Enter 10); -1 for keys
    // that produce none, -2 for characters outside the 8-bit set.
    static int KeyAscii(const QKeyEvent& key);
    void MouseDown(int button);

    void TransmitClipboard(bool echoToPane);
    void TransmitFile();
    void TrimTransmittedText();
    void SetTransmitStopMark(int length) { TransmitStopMark = length; }

    // Macro i (0..7) of the bank shown, expanded.
    void FireMacro(int button);
    // An expanded macro: printable text is shown and sent, the control characters 19, 17, 18
    // start, stop and identify, CR and LF empty the pane and are sent.
    void SendMacroText(const QString& expansion);
    // The body of macro index 0..15.
    std::function<QString(int)> MacroBody;
    void DisplayAltMacros();
    void DisplayNormalMacros();
    bool AltMacrosShown() const;
    // The title a macro button shows for macro index 0..15.
    QString MacroTitle(int index) const;

    // Buttons.
    void StartXmitCmd_Click();
    void StopTransmitCmd_Click();
    void AbortTransmitCmd_Click();
    void IDCmd_Click();
    void ClearXmitPaneCmd_Click();
    void TuneCheckbox_Click(bool checked);
    void SetTXFreqFromRXFreqCmd_Click();

    bool TransmitFeedBusy = false;
    bool TransmitFeedContinue = false;
    int TransmitStopMark = -1;
    QString TransmitFileDirectory;

private:
    bool psk() const;
    void start();
    void stop();
    void abort();
    void appendToPane(QChar c);
    void emptyPane();
    void focusPane();

    TonedeckApp& app_;
};

} // namespace mainwindow
