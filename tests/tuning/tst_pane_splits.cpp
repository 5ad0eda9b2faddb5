// The receive panes' proportions: stacking, splitter drags and what UpdatePaneSplits stores.
#include "tuning/PaneSplits.h"

#include <cmath>
#include <QTest>

using namespace display;

namespace {

const Span kArea{100, 306};
constexpr int kSplitter = 3;

void verifyStack(const PaneGeometry& g, Span area, int n) {
    int top = area.top;
    for (int i = 0; i < n; ++i) {
        QCOMPARE(g.panes[size_t(i)].top, top);
        QVERIFY(g.panes[size_t(i)].height >= 0);
        top = g.panes[size_t(i)].bottom();
        if (i < n - 1) {
            QCOMPARE(g.splitters[size_t(i)].top, top);
            top = g.splitters[size_t(i)].bottom();
        }
    }
    QCOMPARE(top, area.bottom());
}

} // namespace

class TestPaneSplits : public QObject {
    Q_OBJECT

private slots:
    void storedSplitsComeBackExactly() {
        const Span area{40, 457};
        PanePercentage p;
        p.psk = {0.2f, 0.5f, 0.3f};
        const PaneGeometry g = LayoutPanes(area, 5, PaneMode::PSK, p);
        verifyStack(g, area, 3);
        const PaneSplitResult r = UpdatePaneSplits(area, PaneMode::PSK, g.splitters, p);
        QVERIFY(r.eventLog.empty());
        QCOMPARE(r.panes, g.panes);
        QCOMPARE(p.psk[1], float(g.panes[1].height) / 457.0f);
        const PaneGeometry again = LayoutPanes(area, 5, PaneMode::PSK, p);
        QCOMPARE(again.panes, g.panes);
        QCOMPARE(again.splitters, g.splitters);
    }

    void badFractionsStillFillTheArea() {
        PanePercentage p;
        p.psk = {std::nanf(""), -1.0f, 5.0f};
        const PaneGeometry g = LayoutPanes(kArea, kSplitter, PaneMode::PSK, p);
        verifyStack(g, kArea, 3);
        QCOMPARE(g.panes[2].height, 300);
        p.psk = {0, 0, 0};
        verifyStack(LayoutPanes(kArea, kSplitter, PaneMode::PSK, p), kArea, 3);
        const PaneGeometry tiny = LayoutPanes({0, 4}, 5, PaneMode::PSK, PanePercentage{});
        for (const Span& s : tiny.panes)
            QVERIFY(s.height >= 0);
    }

    void impossibleFractionIsLoggedNotStored() {
        PanePercentage p;
        const Span area{0, 100};
        const std::array<Span, 2> splitters{Span{150, 3}, Span{200, 3}};
        const PaneSplitResult r = UpdatePaneSplits(area, PaneMode::PSK, splitters, p);
        QCOMPARE(r.eventLog.size(), size_t(1));
        QCOMPARE(r.eventLog[0], QStringLiteral("invalid PanePercentage: TonedeckMain.Display(0)"
                                               ".Height = 150 , DisplayScaleHeight = 100"));
        QCOMPARE(p.psk[0], 0.33f);            // kept
        QCOMPARE(p.psk[1], 0.47f);            // 153..200
        QCOMPARE(r.panes[2], (Span{203, 0})); // never negative
        QCOMPARE(p.psk[2], 0.0f);
        QCOMPARE(p.rtty[0], 0.5f); // the other layout untouched

        PanePercentage q;
        const PaneSplitResult z = UpdatePaneSplits({0, 0}, PaneMode::RTTY, splitters, q);
        QCOMPARE(z.eventLog.size(), size_t(1)); // pane 0 (150 high); pane 1 is empty
        QCOMPARE(q.rtty[0], 0.5f);
    }
};

QTEST_MAIN(TestPaneSplits)
#include "tst_pane_splits.moc"
