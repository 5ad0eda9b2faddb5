// The tooltip switch over every window's controls.
#include "common/Tooltips.h"

#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QVBoxLayout>

using common::Tooltips;
using common::TooltipTable;

namespace {

struct Window {
    QWidget w;
    QPushButton* a;
    QPushButton* b;
    QTextEdit* pane; // has Qt's own inner widgets
    QPushButton* unnamed;
    Window(const char* name) {
        w.setObjectName(QString::fromLatin1(name));
        auto* l = new QVBoxLayout(&w);
        a = new QPushButton("a");
        a->setObjectName("StartXmitCmd");
        a->setToolTip("start transmitting");
        b = new QPushButton("b");
        b->setObjectName("HelpCmd");
        pane = new QTextEdit;
        pane->setObjectName("Display(0)");
        pane->setToolTip("information received from channel 0");
        unnamed = new QPushButton("u");
        unnamed->setToolTip("not a control");
        for (QWidget* x : {static_cast<QWidget*>(a), static_cast<QWidget*>(b),
                           static_cast<QWidget*>(pane), static_cast<QWidget*>(unnamed)})
            l->addWidget(x);
    }
};

} // namespace

class TestTooltips : public QObject {
    Q_OBJECT

private slots:
    void tableHoldsTheNamedControls() {
        Window m("TonedeckMain");
        TooltipTable t;
        t.Initialize(&m.w);
        // The window and its three named controls; the text edit's viewport and scroll bars
        // ("qt_...") and the unnamed button are not controls.
        QCOMPARE(t.size(), 4);
        QCOMPARE(t.recorded("StartXmitCmd"), QStringLiteral("start transmitting"));
        QVERIFY(!TooltipTable::isControl(m.pane->viewport()));
        QVERIFY(!TooltipTable::isControl(m.unnamed));
        QVERIFY(TooltipTable::isControl(m.pane));
    }

    void offEmptiesEveryTooltipAndOnRestoresThem() {
        Window m("TonedeckMain"), s("TonedeckSetup");
        s.a->setToolTip("the setup's own");
        Tooltips tips;
        tips.InitializeTooltips({&m.w, &s.w, nullptr});
        QCOMPARE(int(tips.tables().size()), 2);
        tips.HideTooltips();
        QVERIFY(!tips.shown());
        for (QWidget* w : {static_cast<QWidget*>(m.a), static_cast<QWidget*>(m.pane),
                           static_cast<QWidget*>(s.a)})
            QVERIFY(w->toolTip().isEmpty());
        tips.ShowTooltips();
        QCOMPARE(m.a->toolTip(), QStringLiteral("start transmitting"));
        QCOMPARE(m.pane->toolTip(), QStringLiteral("information received from channel 0"));
        QCOMPARE(s.a->toolTip(), QStringLiteral("the setup's own"));
        QVERIFY(m.b->toolTip().isEmpty());
    }

    void aTooltipChangedWhileOffAppearsWhenSwitchedOn() {
        Window m("TonedeckMain");
        Tooltips tips;
        tips.InitializeTooltips({&m.w});
        tips.HideTooltips();
        tips.SetTooltip(m.pane, "information received from soundcard RTTY");
        QVERIFY(m.pane->toolTip().isEmpty());
        // A control added later joins its window's table.
        auto* late = new QCheckBox(&m.w);
        late->setObjectName("AltCheckbox");
        tips.SetTooltip(late, "second bank");
        QVERIFY(late->toolTip().isEmpty());
        tips.ShowTooltips();
        QCOMPARE(m.pane->toolTip(), QStringLiteral("information received from soundcard RTTY"));
        QCOMPARE(late->toolTip(), QStringLiteral("second bank"));
        // While on, a change shows at once and survives another off/on.
        tips.SetTooltip(m.b, "open the help page");
        QCOMPARE(m.b->toolTip(), QStringLiteral("open the help page"));
        tips.HideTooltips();
        tips.ShowTooltips();
        QCOMPARE(m.b->toolTip(), QStringLiteral("open the help page"));
    }

    void tooltipSetBehindTheTablesBackIsKeptByTheSwitch() {
        // Code that sets a tooltip directly while they are on must not lose it to off/on.
        Window m("TonedeckMain");
        Tooltips tips;
        tips.InitializeTooltips({&m.w});
        m.a->setToolTip("set directly");
        tips.HideTooltips();
        QVERIFY(m.a->toolTip().isEmpty());
        tips.HideTooltips(); // twice off must not record the empty tooltips
        tips.ShowTooltips();
        QCOMPARE(m.a->toolTip(), QStringLiteral("set directly"));
    }

    void deletedControlsAreSkipped() {
        Window m("TonedeckMain");
        Tooltips tips;
        tips.InitializeTooltips({&m.w});
        delete m.b;
        tips.HideTooltips();
        tips.ShowTooltips();
        QCOMPARE(m.a->toolTip(), QStringLiteral("start transmitting"));
        // A window added while off starts off.
        tips.HideTooltips();
        Window other("TonedeckMacros");
        tips.AddWindow(&other.w);
        QVERIFY(other.a->toolTip().isEmpty());
        tips.ShowTooltips();
        QCOMPARE(other.a->toolTip(), QStringLiteral("start transmitting"));
    }
};

QTEST_MAIN(TestTooltips)
#include "tst_tooltips.moc"
