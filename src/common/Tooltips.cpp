#include "Tooltips.h"

#include <algorithm>
#include <QWidget>

namespace common {

bool TooltipTable::isControl(const QWidget* w) {
    if (!w) return false;
    const QString name = w->objectName();
    return !name.isEmpty() && !name.startsWith(QLatin1String("qt_"));
}

void TooltipTable::Initialize(QWidget* window) {
    window_ = window;
    entries_.clear();
    hidden_ = false;
    if (!window) return;
    QList<QWidget*> controls = window->findChildren<QWidget*>();
    controls.prepend(window);
    entries_.reserve(size_t(controls.size()));
    for (QWidget* w : controls)
        if (isControl(w)) entries_.push_back({w, QString()});
    Save();
}

void TooltipTable::Save() {
    for (Entry& e : entries_)
        if (e.control) e.tip = e.control->toolTip();
}

void TooltipTable::Hide() {
    // Recorded first, so that a tooltip the program set since is not lost.
    if (!hidden_) Save();
    for (Entry& e : entries_)
        if (e.control) e.control->setToolTip(QString());
    hidden_ = true;
}

void TooltipTable::Show() {
    for (Entry& e : entries_)
        if (e.control) e.control->setToolTip(e.tip);
    hidden_ = false;
}

bool TooltipTable::Set(QWidget* control, const QString& text) {
    if (!control || !window_ || (control != window_ && !window_->isAncestorOf(control)))
        return false;
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const Entry& e) { return e.control == control; });
    if (it == entries_.end())
        entries_.push_back({control, text});
    else
        it->tip = text;
    control->setToolTip(hidden_ ? QString() : text);
    return true;
}

QString TooltipTable::recorded(const QString& objectName) const {
    for (const Entry& e : entries_)
        if (e.control && e.control->objectName() == objectName) return e.tip;
    return QString();
}

void Tooltips::InitializeTooltips(std::initializer_list<QWidget*> windows) {
    tables_.clear();
    for (QWidget* w : windows)
        AddWindow(w);
}

void Tooltips::AddWindow(QWidget* window) {
    if (!window) return;
    for (const TooltipTable& t : tables_)
        if (t.window() == window) return;
    tables_.emplace_back();
    tables_.back().Initialize(window);
    if (!shown_) tables_.back().Hide();
}

void Tooltips::SaveTooltips() {
    for (TooltipTable& t : tables_)
        if (!t.hidden()) t.Save();
}

void Tooltips::HideTooltips() {
    for (TooltipTable& t : tables_)
        t.Hide();
    shown_ = false;
}

void Tooltips::ShowTooltips() {
    for (TooltipTable& t : tables_)
        t.Show();
    shown_ = true;
}

void Tooltips::SetTooltip(QWidget* control, const QString& text) {
    if (!control) return;
    for (TooltipTable& t : tables_)
        if (t.Set(control, text)) return;
    control->setToolTip(shown_ ? text : QString());
}

} // namespace common
