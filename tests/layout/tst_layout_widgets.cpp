// The receive panes' area with its splitters, and the macro bar's two banks.
#include "tuning/MacroBar.h"
#include "tuning/PaneArea.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace display;

namespace {

struct Area {
    PaneArea area;
    QWidget* panes[3];
    QStringList log;
    explicit Area(int height = 313) {
        for (int i = 0; i < 3; ++i) {
            panes[i] = new QWidget;
            area.setPane(i, panes[i]);
        }
        area.LogEvent = [this](const QString& line) { log << line; };
        area.resize(400, height);
    }
    void show() {
        area.show();
        QVERIFY(QTest::qWaitForWindowExposed(&area));
    }
    int h(int i) const { return panes[i]->isVisible() ? panes[i]->height() : 0; }
};

// A drag of splitter i by the mouse: press, a move, release, positions in its own pixels.
void drag(PaneArea& a, int i, int moveY, int releaseY) {
    QWidget* s = a.Splitter[i];
    QTest::mousePress(s, Qt::LeftButton, {}, QPoint(10, 2));
    QMouseEvent move(QEvent::MouseMove, QPointF(10, moveY), s->mapToGlobal(QPointF(10, moveY)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(s, &move);
    QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(10, releaseY));
}

} // namespace

class TestLayoutWidgets : public QObject {
    Q_OBJECT

private slots:
    void threeEqualPanesFromTheDefaults() {
        Area a;
        a.show();
        // 313 less two 5-pixel splitters, shared equally.
        for (int i = 0; i < 3; ++i)
            QCOMPARE(a.h(i), 101);
        QCOMPARE(a.panes[1]->y(), 106);
        QCOMPARE(a.area.Splitter[1]->y(), 207);
        QVERIFY(a.area.Splitter[0]->isVisible() && a.area.Splitter[1]->isVisible());
        QVERIFY(a.log.isEmpty());
    }

    void rttyModeStacksTwoPanes() {
        Area a;
        a.show();
        a.area.setMode(PaneMode::RTTY);
        QVERIFY(!a.panes[2]->isVisible());
        QVERIFY(!a.area.Splitter[1]->isVisible());
        QCOMPARE(a.h(0) + a.h(1) + PaneArea::kSplitterHeight, 313);
        QVERIFY(std::abs(a.h(0) - a.h(1)) <= 1);
        // The PSK proportions wait for the way back.
        a.area.setMode(PaneMode::PSK);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(a.h(i), 101);
    }

    void draggingASplitterMovesThePanesAndStoresTheirShares() {
        Area a;
        a.show();
        const int before = a.area.Splitter[0]->y(); // 101
        // Down by 40: the move and the release each add (mouse - 2) to the top.
        drag(a.area, 0, 22, 22);
        QCOMPARE(a.area.Splitter[0]->y(), before + 40);
        QCOMPARE(a.h(0), 141);
        QCOMPARE(a.h(1), 61);
        QCOMPARE(a.h(2), 101);
        QVERIFY(!a.area.SplitterDragging[0]);
        QCOMPARE(a.area.fractions().psk[0], 141.0f / 313.0f);
        QCOMPARE(a.area.fractions().psk[1], 61.0f / 313.0f);
        // The stored shares give the same panes again after a resize round trip.
        a.area.resize(400, 626);
        a.area.resize(400, 313);
        QVERIFY(std::abs(a.h(0) - 141) <= 1);
        QVERIFY(std::abs(a.h(1) - 61) <= 1);
    }

    void aSplitterDraggedOntoItsNeighbourIsRefused() {
        Area a;
        a.show();
        const int s0 = a.area.Splitter[0]->y(), s1 = a.area.Splitter[1]->y();
        // Splitter 0 down onto splitter 1 (the middle pane would vanish).
        drag(a.area, 0, s1 - s0 + 2, s1 - s0 + 2);
        QCOMPARE(a.area.Splitter[0]->y(), s0);
        QCOMPARE(a.h(1), 101);
        // Splitter 1 up past splitter 0, and beyond the area's bottom.
        drag(a.area, 1, s0 - s1, s0 - s1);
        drag(a.area, 1, 500, 500);
        QCOMPARE(a.area.Splitter[1]->y(), s1);
        for (int i = 0; i < 3; ++i)
            QVERIFY(a.h(i) > 0);
        // Moves without a press do nothing.
        a.area.Splitter_MouseMove(0, 30);
        a.area.Splitter_MouseUp(0, 30);
        QCOMPARE(a.area.Splitter[0]->y(), s0);
    }

    void aHiddenOrTinyAreaDoesNotOverwriteTheShares() {
        Area a(20);
        PanePercentage p;
        p.psk = {0.2f, 0.5f, 0.3f};
        a.area.setFractions(p);
        QCOMPARE(a.area.fractions().psk, p.psk); // hidden
        a.show();
        QCOMPARE(a.area.fractions().psk, p.psk); // shown, but too small to measure
        a.area.resize(400, 515);
        QCOMPARE(a.h(0), 101);                   // 505 * 0.2
        QVERIFY(a.h(1) == 252 || a.h(1) == 253); // 505 * 0.5, rounded along the stack
    }

    void macroBarShowsEitherBank() {
        MacroBar bar;
        bar.Title = [](int index) {
            return index == 3 ? QStringLiteral("CQ & QRZ") : QStringLiteral("m%1").arg(index);
        };
        bar.DisplayNormalMacros();
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(bar.MacroLabel[i]->text(), QStringLiteral("F%1").arg(i + 5));
            QCOMPARE(bar.Macro[i]->objectName(), QStringLiteral("Macro(%1)").arg(i));
        }
        QCOMPARE(bar.Macro[0]->text(), QStringLiteral("m0"));
        QCOMPARE(bar.Macro[3]->text(), QStringLiteral("CQ && QRZ")); // no mnemonic
        QVERIFY(!bar.AltCheckbox->isChecked());

        QSignalSpy fired(&bar, &MacroBar::macroClicked);
        bar.DisplayAltMacros();
        QVERIFY(bar.AltMacrosShown());
        QVERIFY(bar.AltCheckbox->isChecked());
        QCOMPARE(bar.MacroLabel[7]->text(), QStringLiteral("ALT F12"));
        QCOMPARE(bar.Macro[7]->text(), QStringLiteral("m15"));
        bar.Macro[2]->click();
        QCOMPARE(fired.count(), 1);
        QCOMPARE(fired.at(0).at(0).toInt(), 10);

        // A click on the indicator switches banks both ways.
        bar.AltCheckbox->click();
        QVERIFY(!bar.AltMacrosShown());
        QVERIFY(!bar.AltCheckbox->isChecked());
        QCOMPARE(bar.Macro[7]->text(), QStringLiteral("m7"));
        bar.AltCheckbox->click();
        QVERIFY(bar.AltMacrosShown());
        QCOMPARE(bar.MacroLabel[0]->text(), QStringLiteral("ALT F5"));
        bar.Macro[2]->click();
        QCOMPARE(fired.at(1).at(0).toInt(), 10);
        QCOMPARE(bar.MacroIndex(8), -1);
    }
};

QTEST_MAIN(TestLayoutWidgets)
#include "tst_layout_widgets.moc"
