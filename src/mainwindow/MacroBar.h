#pragma once
// The macro bar: eight buttons Macro(0..7), each with its key label MacroLabel(0..7) beside it,
// and the bank indicator AltCheckbox. The normal bank puts macros 0..7 on F5..F12, the ALT
// bank macros 8..15 on ALT F5..ALT F12.
#include <functional>
#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;

namespace display {

class MacroBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kButtons = 8;

    explicit MacroBar(QWidget* parent = nullptr);

    // The title of a macro by its index 0..15 (the index its settings are stored under).
    std::function<QString(int index)> Title;

    void DisplayNormalMacros();
    void DisplayAltMacros();
    bool AltMacrosShown() const { return altShown_; }
    // The macro index button 0..7 stands for in the bank shown; -1 for another button.
    int MacroIndex(int button) const;

    QPushButton* Macro[kButtons]{};
    QLabel* MacroLabel[kButtons]{};
    QCheckBox* AltCheckbox = nullptr;

signals:
    // A macro button was clicked: the index of the macro it shows.
    void macroClicked(int index);

private:
    void displayBank(bool alt);
    bool altShown_ = false;
};

} // namespace display
