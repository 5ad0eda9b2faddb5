#pragma once
// The macros window: the sixteen macros' titles and bodies, kept in the settings store at every
// change, the bank files, the file chooser whose name can be dragged into a body, and the
// multi-line editor. It lives hidden or shown for the whole run and expands macro text.
#include "MacroLanguage.h"
#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace common {
class Common;
class PSKEvent;
} // namespace common
namespace display {
class MacroBar;
}
namespace platform {
struct Services;
}

namespace macros {

class BankFileReader;
class TonedeckMacroEditor;

class TonedeckMacros : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kPositionPrefix = "TonedeckMacros";

    TonedeckMacros(platform::Services& services, common::Common& common, common::PSKEvent& event);
    ~TonedeckMacros() override;

    // The QSO fields and actions the commands use, and the buttons whose captions follow the
    // titles. Before this the window only holds text.
    void Attach(MacroHost& host, display::MacroBar& bar);
    void InitializeMacros();

    QString ExpandMacroContents(int macroNumber, const QString& macroText);
    void MacroError(int macroNumber, const QString& message);

    static QString MacroName(int index);
    static QString BankName(int bank);
    QString Title(int index) const;
    QString Body(int index) const;

    // Shows the window where it was last closed with macro index's body focused.
    void ShowForMacro(int index);

    void LoadCmd_Click(int bank);
    void SaveCmd_Click(int bank);
    void FileBrowseCmd_Click();
    void MacroContents_DblClick(int index);
    // The file-name field dropped on body index: a `file:` command at the caret, or at the end
    // when the caret is at the start.
    void MacroContents_Drop(int index);
    TonedeckMacroEditor* Editor() const { return editor_; }

    QGroupBox* BankFrame[2]{};
    QLabel* Flabel[16]{};
    QLineEdit* MacroTitle[16]{};
    QLineEdit* MacroContents[16]{};
    QPushButton* SaveCmd[2]{};
    QPushButton* LoadCmd[2]{};
    QPushButton* FileBrowseCmd = nullptr;
    QPushButton* HelpCmd = nullptr;
    QLineEdit* MacroFilename = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void MacroTitle_Change(int index);
    void MacroContents_Change(int index);
    void LoadMacro(int index, BankFileReader& reader);
    QString scriptsDir() const;

    platform::Services& services_;
    common::Common& common_;
    common::PSKEvent& event_;
    MacroHost* host_ = nullptr;
    display::MacroBar* bar_ = nullptr;
    TonedeckMacroEditor* editor_ = nullptr;
    bool loading_ = false;
};

} // namespace macros
