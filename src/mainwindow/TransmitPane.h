#pragma once
// The transmit pane: its key rules, the transmit buttons, macro firing, and the sending of
// clipboard and file text.
#include <deque>
#include <functional>
#include <QByteArray>
#include <QString>
#include <QTimer>

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
    // Text that reached the pane other than by a key press (an input-method commit): sent by
    // the rules of typed text.
    void TypeText(const QString& text);
    // Whether text waits to be taken by the engine (a clipboard or file feed, or characters
    // typed while the engine's queue was full).
    bool FeedRunning() const { return !pending_.empty(); }
    // Drops what waits; stopped says why (empty when the operator ended it), and the operator
    // is told how much of the feed went out.
    void EndFeed(const QString& stopped = {});
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
    // The transmit modulation the tune check box goes back to.
    int TuneState() const { return tuneState_; }
    void ClearTuneState() { tuneState_ = 0; }
    void SetTXFreqFromRXFreqCmd_Click();

    // How much of the pane a stop empties (-1: nothing); the folder of the last file sent.
    int transmitStopMark() const { return TransmitStopMark; }
    const QString& transmitFileDirectory() const { return TransmitFileDirectory; }

private:
    int TransmitStopMark = -1;
    QString TransmitFileDirectory;
    bool psk() const;
    void start();
    void stop();
    void abort();
    void appendToPane(QChar c);
    void appendToPane(const QString& text);
    // How a fed text shows in the pane: not at all (sent as typed), as it is, or with each
    // line end emptying the pane (a file).
    enum class Echo { None, Pane, Lines };
    // Queues text behind whatever waits and feeds it to the engine as its queue has room.
    void feed(const QByteArray& text, Echo echo);
    void send(int code);
    bool transmitCharacter(int code);
    // A start, stop or identification, in its place behind what waits.
    void control(std::function<void()> action);
    void feedMore();
    struct Pending {
        QByteArray text;
        qsizetype sent = 0;
        Echo echo = Echo::None;
        std::function<void()> action; // instead of text
    };
    std::deque<Pending> pending_;
    QTimer feedTimer_;
    void emptyPane();
    void focusPane();

    TonedeckApp& app_;
    int tuneState_ = 0;
};

} // namespace mainwindow
