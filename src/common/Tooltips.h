#pragma once
// The tooltip switch. At start-up every window's controls have their tooltips recorded in one
// table per window; switching tooltips off empties them all, switching them on puts them back.
// A control is any widget of the window with an object name (Qt's own inner widgets, named
// "qt_...", are not controls), the window itself included.
#include <QPointer>
#include <QString>
#include <vector>

class QWidget;

namespace common {

class TooltipTable {
public:
    // Sizes the table to the window's controls and records their tooltips.
    void Initialize(QWidget* window);
    // Records every control's current tooltip.
    void Save();
    void Hide();
    void Show();

    // A tooltip the program changes while running: recorded, and shown unless tooltips are off.
    // A control of the window that was not there at start-up joins the table. False when the
    // control is not this window's.
    bool Set(QWidget* control, const QString& text);

    QWidget* window() const { return window_; }
    int size() const { return int(entries_.size()); }
    bool hidden() const { return hidden_; }
    // The recorded tooltip of the control with that object name (empty when there is none).
    QString recorded(const QString& objectName) const;

    static bool isControl(const QWidget* w);

private:
    struct Entry {
        QPointer<QWidget> control;
        QString tip;
    };
    QPointer<QWidget> window_;
    std::vector<Entry> entries_;
    bool hidden_ = false;
};

class Tooltips {
public:
    // One table per window (main window, setup dialog, macros window, macro editor), each
    // recorded at once. Null windows are skipped.
    void InitializeTooltips(std::initializer_list<QWidget*> windows);
    // Adds a window created later (it follows the current switch).
    void AddWindow(QWidget* window);
    void SaveTooltips();
    void HideTooltips();
    void ShowTooltips();
    bool shown() const { return shown_; }

    // Sets a control's tooltip through its window's table; a control of no table gets it
    // directly, unless tooltips are off.
    void SetTooltip(QWidget* control, const QString& text);

    const std::vector<TooltipTable>& tables() const { return tables_; }

private:
    std::vector<TooltipTable> tables_;
    bool shown_ = true;
};

} // namespace common
