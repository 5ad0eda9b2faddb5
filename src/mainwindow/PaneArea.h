#pragma once
// The receive panes' area of the main window: three panes stacked (two in RTTY mode) with the
// splitters Splitter(0) and Splitter(1) between them. The panes share the area in the
// proportions of PanePercentage; dragging a splitter moves it while the panes on either side
// keep a positive height, and letting go places the panes between the splitters and stores
// their new proportions.
#include <tuning/PaneSplits.h>

#include <functional>
#include <QFrame>
#include <QWidget>

namespace display {

class PaneArea : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSplitterHeight = 5;

    explicit PaneArea(QWidget* parent = nullptr);

    // The widget shown as pane i (reparented into the area).
    void setPane(int i, QWidget* pane);
    QWidget* pane(int i) const;

    PaneMode mode() const { return mode_; }
    // Switches between three and two panes; lays the panes out again.
    void setMode(PaneMode mode);
    PanePercentage& fractions() { return fractions_; }
    const PanePercentage& fractions() const { return fractions_; }
    void setFractions(const PanePercentage& f);

    // Lays the panes out in their proportions. A resize never stores proportions measured from
    // rounded pixels (repeated, they would wear a pane down to nothing): only a splitter move
    // or a reset changes them.
    void LayoutFromFractions();
    // The height that shows two lines of pane i's text.
    int minimumPaneHeight(int i) const;
    // Places each pane between its splitters; stores the proportions when `store` is set.
    PaneSplitResult UpdatePaneSplits(bool store = true);
    Span area() const { return {0, height()}; }
    std::array<Span, 2> splitterSpans() const;

    // The splitter drag, with y in the splitter's own pixels (as its mouse events give it).
    void Splitter_MouseDown(int i);
    void Splitter_MouseMove(int i, int y);
    void Splitter_MouseUp(int i, int y);
    // Start-up: no drag is under way.
    void EndSplitterDrags() { splitterDragging_[0] = splitterDragging_[1] = false; }

    QFrame* Splitter[2]{};
    // Receives the event-log line of each impossible proportion.
    std::function<void(const QString&)> LogEvent;

signals:
    // The panes were placed again (their identification boxes may need redrawing).
    void panesPlaced();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void moveSplitter(int i, int y);
    void place(const std::array<Span, 3>& panes);

    QWidget* panes_[3]{};
    PaneMode mode_ = PaneMode::PSK;
    PanePercentage fractions_;
    bool splitterDragging_[2]{};
};

} // namespace display
