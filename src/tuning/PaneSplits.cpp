#include "PaneSplits.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace display {

PanePercentage ResetPanePercentage() {
    PanePercentage p;
    p.psk = {0.333f, 0.333f, 0.333f};
    p.rtty = {0.5f, 0.5f, 0.0f};
    return p;
}

PaneGeometry LayoutPanes(Span area, int splitterHeight, PaneMode mode,
                         const PanePercentage& fractions, int minPane) {
    const int n = paneCount(mode);
    area.height = std::max(area.height, 0);
    splitterHeight = std::max(splitterHeight, 0);
    const int avail = std::max(0, area.height - (n - 1) * splitterHeight);

    std::array<double, 3> f{};
    double sum = 0;
    for (int i = 0; i < n; ++i) {
        const double v = fractions.forMode(mode)[size_t(i)];
        f[size_t(i)] = std::isfinite(v) && v > 0 ? v : 0.0;
        sum += f[size_t(i)];
    }
    if (sum <= 0) {
        for (int i = 0; i < n; ++i)
            f[size_t(i)] = 1.0;
        sum = n;
    }

    // A share too small to show two lines gets the minimum, the rest is shared as before.
    minPane = std::max(minPane, 0);
    bool lift = false;
    for (int i = 0; i < n; ++i)
        lift = lift || f[size_t(i)] / sum * avail < minPane;
    const int floor = lift && avail >= n * minPane ? minPane : 0;
    const int shared = avail - n * floor;

    PaneGeometry g;
    // Boundaries from cumulative shares, so rounding never adds up along the stack.
    double cum = 0;
    int top = area.top;
    for (int i = 0; i < n; ++i) {
        cum += f[size_t(i)];
        const int used =
            i == n - 1 ? avail : (i + 1) * floor + int(std::lround(cum / sum * shared));
        const int bottom = area.top + std::min(used, avail) + i * splitterHeight;
        g.panes[size_t(i)] = {top, std::max(0, bottom - top)};
        if (i < n - 1) {
            g.splitters[size_t(i)] = {g.panes[size_t(i)].bottom(), splitterHeight};
            top = g.splitters[size_t(i)].bottom();
        }
    }
    const int areaBottom = area.top + area.height;
    for (int i = n; i < 3; ++i)
        g.panes[size_t(i)] = {areaBottom, 0};
    for (int i = n - 1; i < 2; ++i)
        g.splitters[size_t(i)] = {areaBottom, 0};
    return g;
}

std::optional<int> DragSplitter(Span area, PaneMode mode, const std::array<Span, 2>& splitters,
                                int index, int mouseY) {
    const int n = paneCount(mode);
    if (index < 0 || index >= n - 1) return std::nullopt;
    const Span& s = splitters[size_t(index)];
    const long long newTop = (long long)s.top + mouseY - s.height / 2;
    const long long above = index == 0 ? area.top : splitters[size_t(index - 1)].bottom();
    const long long below =
        index + 1 < n - 1 ? splitters[size_t(index + 1)].top : (long long)area.top + area.height;
    if (newTop - above <= 0 || below - (newTop + s.height) <= 0) return std::nullopt;
    return int(newTop);
}

QString InvalidPanePercentageLine(int pane, int height, int areaHeight) {
    return QStringLiteral("invalid PanePercentage: TonedeckMain.Display(%1).Height = %2 , "
                          "DisplayScaleHeight = %3")
        .arg(pane)
        .arg(height)
        .arg(areaHeight);
}

PaneSplitResult UpdatePaneSplits(Span area, PaneMode mode, const std::array<Span, 2>& splitters,
                                 PanePercentage& fractions) {
    const int n = paneCount(mode);
    const long long areaBottom = (long long)area.top + area.height;
    PaneSplitResult r;
    long long top = area.top;
    for (int i = 0; i < n; ++i) {
        const long long bottom = i < n - 1 ? splitters[size_t(i)].top : areaBottom;
        const long long h = std::clamp(bottom - top, 0LL, (long long)INT32_MAX);
        r.panes[size_t(i)] = {int(std::clamp(top, (long long)INT32_MIN, (long long)INT32_MAX)),
                              int(h)};
        if (i < n - 1) top = splitters[size_t(i)].bottom();
    }
    for (int i = n; i < 3; ++i)
        r.panes[size_t(i)] = {
            int(std::clamp(areaBottom, (long long)INT32_MIN, (long long)INT32_MAX)), 0};

    auto& store = fractions.forMode(mode);
    for (int i = 0; i < n; ++i) {
        const int h = r.panes[size_t(i)].height;
        if (area.height <= 0) {
            // Nothing to measure against: any visible pane is an impossible share.
            if (h > 0) r.eventLog.push_back(InvalidPanePercentageLine(i, h, area.height));
            continue;
        }
        const float f = float(h) / float(area.height);
        if (f > 1.0f) {
            r.eventLog.push_back(InvalidPanePercentageLine(i, h, area.height));
            continue;
        }
        store[size_t(i)] = f;
    }
    return r;
}

} // namespace display
