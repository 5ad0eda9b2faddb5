#pragma once
// The arithmetic of the receive panes' proportions: three panes (PSK) or two (RTTY) stacked in
// the pane area with a splitter between neighbours. Positions are in pixels, relative to
// whatever the caller measures from; nothing here touches a widget, so the layout code and the
// tests share it.
#include <array>
#include <optional>
#include <QString>
#include <vector>

namespace display {

enum class PaneMode { PSK, RTTY };
constexpr int paneCount(PaneMode m) {
    return m == PaneMode::PSK ? 3 : 2;
}

struct Span {
    int top = 0;
    int height = 0;
    int bottom() const { return top + height; }
    bool operator==(const Span&) const = default;
};

// Each pane's share of the pane area's height, one set per layout, single precision as stored.
struct PanePercentage {
    std::array<float, 3> psk{0.33f, 0.33f, 0.33f};
    std::array<float, 3> rtty{0.5f, 0.5f, 0.0f};
    std::array<float, 3>& forMode(PaneMode m) { return m == PaneMode::PSK ? psk : rtty; }
    const std::array<float, 3>& forMode(PaneMode m) const {
        return m == PaneMode::PSK ? psk : rtty;
    }
};

// What a reset of the proportions gives: 0.333 each in PSK, 0.5, 0.5 and 0 in RTTY.
PanePercentage ResetPanePercentage();

struct PaneGeometry {
    std::array<Span, 3> panes{};     // panes the mode does not use sit at the bottom, height 0
    std::array<Span, 2> splitters{}; // splitter i lies below pane i
};

// Stacks the mode's panes in `area` with splitters of `splitterHeight` between them. The
// panes share the height left by the splitters in the ratio of their fractions, so a layout
// stored by UpdatePaneSplits comes back pixel for pixel and three equal fractions give three
// equal panes. Fractions that are negative or not numbers count as 0; all zero shares equally.
// Where a share would be smaller than minPane and the area holds every pane at minPane, each
// pane gets minPane and the rest of the height is shared in the fractions' ratio.
PaneGeometry LayoutPanes(Span area, int splitterHeight, PaneMode mode,
                         const PanePercentage& fractions, int minPane = 0);

// One step of a splitter drag: the splitter's new top is its top plus the mouse position
// within it minus half its height. Refused (nullopt) unless the panes above and below keep a
// positive height, so a splitter never lands on its neighbour or leaves the area.
std::optional<int> DragSplitter(Span area, PaneMode mode, const std::array<Span, 2>& splitters,
                                int index, int mouseY);

struct PaneSplitResult {
    std::array<Span, 3> panes{};
    std::vector<QString> eventLog; // lines for the event log, one per impossible fraction
};

// Places each pane between its splitters (never a negative height) and stores each pane's
// height over the area's height as its fraction for `mode`. A fraction above 1 cannot be
// shown again: it is reported as an event-log line and the earlier fraction stays.
PaneSplitResult UpdatePaneSplits(Span area, PaneMode mode, const std::array<Span, 2>& splitters,
                                 PanePercentage& fractions);

QString InvalidPanePercentageLine(int pane, int height, int areaHeight);

} // namespace display
