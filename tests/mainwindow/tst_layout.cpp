// The main window's layout and what survives a restart: pane proportions and splitters, fonts,
// the window's place and state, the frequency scale, the macro banks, the tooltip switch and
// the information window.
#include "AppFixture.h"
#include <common/TonedeckInfo.h>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QtTest>
#include <tuning/FrequencyScale.h>

using fake::AppFixture;
using fake::FakePskEngine;

namespace {

void settle() {
    QCoreApplication::processEvents();
    QTest::qWait(20);
}

mainwindow::TonedeckApp& shown(AppFixture& f) {
    auto& app = f.start();
    app.main.show();
    if (!QTest::qWaitForWindowExposed(&app.main)) qWarning("main window not exposed");
    settle();
    return app;
}

// Closes the program as the operator does and starts it again on the same store.
mainwindow::TonedeckApp& restart(AppFixture& f) {
    if (!f.app->main.close()) qWarning("the window did not close");
    f.app.reset();
    return shown(f);
}

int paneHeight(const mainwindow::TonedeckApp& app, int i) {
    QWidget* row = app.main.PaneArea->pane(i);
    return row->isVisible() ? row->height() : 0;
}

void drag(QWidget* splitter, int dy) {
    QTest::mousePress(splitter, Qt::LeftButton, {}, QPoint(20, 2));
    QMouseEvent move(QEvent::MouseMove, QPointF(20, 2 + dy),
                     splitter->mapToGlobal(QPointF(20, 2 + dy)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(splitter, &move);
    QTest::mouseRelease(splitter, Qt::LeftButton, {}, QPoint(20, 2));
}

QString stored(const AppFixture& f, const QString& key) {
    return f.settings.getSetting("Display", key, "<none>");
}
QString general(const AppFixture& f, const QString& key) {
    return f.settings.getSetting("General", key, "<none>");
}

} // namespace

class TestLayout : public QObject {
    Q_OBJECT

private slots:
    void firstStartGivesEqualPanesAndTheDefaultFonts() {
        AppFixture f;
        auto& app = shown(f);
        auto& m = app.main;
        const int h0 = paneHeight(app, 0);
        QVERIFY(h0 > 20);
        QVERIFY(std::abs(paneHeight(app, 1) - h0) <= 1);
        QVERIFY(std::abs(paneHeight(app, 2) - h0) <= 1);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(m.Display[i]->font().family(), QString("MS Sans Serif"));
            QCOMPARE(m.Display[i]->font().pointSizeF(), 8.0);
        }
        QCOMPARE(m.Keyboard->font().family(), QString("MS Sans Serif"));
        QCOMPARE(m.Keyboard->font().pointSizeF(), 10.0);
        // The transmit pane is as high as four lines of its font.
        QVERIFY(m.Keyboard->height() >= 4 * QFontMetrics(m.Keyboard->font()).lineSpacing());
        // Nothing of the layout is written before the program ends.
        QCOMPARE(stored(f, "PaneSize0"), QString("<none>"));
        QVERIFY(m.close());
        QCOMPARE(stored(f, "PaneFontName1"), QString("MS Sans Serif"));
        QCOMPARE(stored(f, "PaneFontSize1"), QString("8"));
        QCOMPARE(stored(f, "PaneFontBold1"), QString("False"));
        QCOMPARE(stored(f, "KeyboardFontName"), QString("MS Sans Serif"));
        QCOMPARE(stored(f, "KeyboardFontSize"), QString("10"));
        // Equal to the pixel the area allows.
        for (const char* key : {"PaneSize1", "PaneSize2"})
            QVERIFY(std::abs(stored(f, "PaneSize0").toDouble() - stored(f, key).toDouble()) < 0.01);
        QCOMPARE(stored(f, "RTTYPaneSize2"), QString("0"));
        QCOMPARE(general(f, "TonedeckMainWindowState"), QString("0"));
    }

    void closedWhileMaximisedStartsMaximisedAndRestoresItsNormalSize() {
        AppFixture f;
        auto& app = shown(f);
        app.main.setGeometry(60, 70, 900, 650);
        QTRY_COMPARE(app.main.geometry(), QRect(60, 70, 900, 650));
        app.main.showMaximized();
        QTRY_VERIFY(app.main.isMaximized());
        QTRY_VERIFY(app.main.width() != 900);
        auto& next = restart(f);
        QCOMPARE(general(f, "TonedeckMainWindowState"), QString("2"));
        QCOMPARE(general(f, "TonedeckMainWidth"), QString("900"));
        QCOMPARE(general(f, "TonedeckMainHeight"), QString("650"));
        QCOMPARE(general(f, "TonedeckMainLeft"), QString("60"));
        QCOMPARE(general(f, "TonedeckMainTop"), QString("70"));
        QTRY_VERIFY(next.main.isMaximized());
        next.main.showNormal();
        QTRY_COMPARE(next.main.geometry(), QRect(60, 70, 900, 650));
    }

    void splittersMovePanesAndTheProportionsSurviveARestart() {
        AppFixture f;
        auto& app = shown(f);
        auto& m = app.main;
        const int h0 = paneHeight(app, 0), h1 = paneHeight(app, 1), h2 = paneHeight(app, 2);
        // Onto the neighbouring splitter: refused, the panes keep their heights.
        drag(m.Splitter[0], h1 + 3);
        QCOMPARE(paneHeight(app, 0), h0);
        QCOMPARE(paneHeight(app, 1), h1);
        drag(m.Splitter[1], -(h1 + 3));
        QCOMPARE(paneHeight(app, 1), h1);
        QCOMPARE(paneHeight(app, 2), h2);
        // 20 pixels down, the mouse staying where it took hold of the splitter.
        drag(m.Splitter[0], 20);
        QCOMPARE(paneHeight(app, 0), h0 + 20);
        QCOMPARE(paneHeight(app, 1), h1 - 20);
        QCOMPARE(paneHeight(app, 2), h2);
        auto& next = restart(f);
        QVERIFY(std::abs(paneHeight(next, 0) - (h0 + 20)) <= 1);
        QVERIFY(std::abs(paneHeight(next, 1) - (h1 - 20)) <= 1);

        // Ctrl + right click on a pane shares the area equally again.
        QTest::mousePress(next.main.Display[1]->viewport(), Qt::RightButton, Qt::ControlModifier,
                          QPoint(10, 10));
        QVERIFY(std::abs(paneHeight(next, 0) - paneHeight(next, 1)) <= 1);
        QCOMPARE(next.main.PaneArea->fractions().rtty[2], 0.0f);
    }

    void rttyModeHasTwoPanesWithTheirOwnProportions() {
        AppFixture f;
        auto& app = shown(f);
        auto& m = app.main;
        m.ModeButton[1]->click();
        QCOMPARE(paneHeight(app, 2), 0);
        QVERIFY(!m.Splitter[1]->isVisible());
        QVERIFY(std::abs(paneHeight(app, 0) - paneHeight(app, 1)) <= 1);
        drag(m.Splitter[0], 15);
        const int r0 = paneHeight(app, 0);
        m.ModeButton[0]->click();
        QVERIFY(paneHeight(app, 2) > 0);
        QVERIFY(std::abs(paneHeight(app, 0) - paneHeight(app, 2)) <= 1); // PSK shares untouched
        m.ModeButton[1]->click();
        QCOMPARE(paneHeight(app, 0), r0);
    }

    void fontsAndColoursSurviveARestart() {
        AppFixture f;
        auto& app = shown(f);
        QFont big("DejaVu Sans");
        big.setPointSizeF(12);
        big.setBold(true);
        app.main.Display[2]->setFont(big);
        app.display.KeyboardColor = 0x0000C0;
        app.display.SetPaneColor(1, 0x00C0C0);
        app.main.QSOFrequency->setText("7035.5");
        auto& next = restart(f);
        QCOMPARE(next.main.Display[2]->font().family(), QString("DejaVu Sans"));
        QCOMPARE(next.main.Display[2]->font().pointSizeF(), 12.0);
        QVERIFY(next.main.Display[2]->font().bold());
        QCOMPARE(next.main.Display[0]->font().pointSizeF(), 8.0);
        QCOMPARE(next.display.KeyboardColor, 0x0000C0);
        QCOMPARE(next.display.GetPaneColor(1), 0x00C0C0);
        QCOMPARE(next.main.QSOFrequency->text(), QString("7035.5"));
        QCOMPARE(stored(f, "PaneFontBold2"), QString("True"));
    }

    void frequencyScaleFollowsTheQsoFrequency() {
        AppFixture f;
        auto& app = shown(f);
        auto& m = app.main;
        // What the scale should look like, drawn apart on a picture of the same size.
        auto expected = [&](const QString& qso) {
            platform::PictureBox box;
            box.resize(m.Frequency->size());
            box.setFont(m.Frequency->font());
            box.setBackColor(m.Frequency->backColor());
            box.setForeColor(m.Frequency->foreColor());
            display::DrawFrequencyScale(box, qso, 1023, app.xcvr.HzPerBin());
            return box.image().copy();
        };
        QCOMPARE(m.QSOFrequency->text(), QString());
        QCOMPARE(m.Frequency->image(), expected(QString()));
        // An empty field reads as audio: the first labelled tick is 1 kHz.
        const auto ticks = display::FrequencyTicks(display::ScaleBaseHz(""), 4000.0 / 1023, 1023);
        auto firstLong = std::find_if(ticks.begin(), ticks.end(), [](const auto& t) {
            return t.kind == display::TickKind::Long && t.unit > 0;
        });
        QVERIFY(firstLong != ticks.end());
        QCOMPARE(firstLong->label, QString("1"));
        QCOMPARE(firstLong->unit, 256);

        const QImage audio = m.Frequency->image().copy();
        m.QSOFrequency->setText("14070.15");
        QCOMPARE(m.Frequency->image(), expected("14070.15"));
        QVERIFY(m.Frequency->image() != audio);
        m.QSOFrequency->clear();
        QCOMPARE(m.Frequency->image(), audio);
        // A resize redraws it for the new width.
        m.resize(m.width() - 120, m.height());
        settle();
        QCOMPARE(m.Frequency->image(), expected(QString()));
        QCOMPARE(m.Frequency->pixelWidth(), m.Waterfall->pixelWidth());
        // So does a wider neighbour that leaves the window's size alone.
        const int before = m.Frequency->width();
        m.IMDFrame->setFixedWidth(m.IMDFrame->width() + 150);
        settle();
        QVERIFY(m.Frequency->width() < before);
        QCOMPARE(m.Frequency->image(), expected(QString()));
    }

    void macroBarShowsTheBankAndItsKeys() {
        AppFixture f;
        f.settings.saveSetting("Macros", "Title0", "CQ");
        f.settings.saveSetting("Macros", "Title9", "73");
        auto& app = shown(f);
        auto& m = app.main;
        QCOMPARE(m.MacroLabel[0]->text(), QString("F5"));
        QCOMPARE(m.MacroLabel[7]->text(), QString("F12"));
        QCOMPARE(m.Macro[0]->text(), QString("CQ"));
        m.AltCheckbox->click();
        QVERIFY(app.transmitPane.AltMacrosShown());
        QCOMPARE(m.MacroLabel[1]->text(), QString("ALT F6"));
        QCOMPARE(m.Macro[1]->text(), QString("73"));
        QVERIFY(m.AltCheckbox->isChecked());
        app.display.DisplayNormalMacros();
        QVERIFY(!m.AltCheckbox->isChecked());
        QCOMPARE(m.MacroLabel[1]->text(), QString("F6"));
    }

    void tooltipsSwitchOffAndOnForEveryWindow() {
        AppFixture f;
        auto& app = shown(f);
        auto& m = app.main;
        auto& s = app.setupDialog;
        const QString start = m.StartXmitCmd->toolTip();
        QVERIFY(!start.isEmpty());
        QVERIFY(!s.AboutCmd->toolTip().isEmpty());
        s.TooltipsCheckbox->click();
        QVERIFY(m.StartXmitCmd->toolTip().isEmpty());
        QVERIFY(m.Display[0]->toolTip().isEmpty());
        QVERIFY(s.AboutCmd->toolTip().isEmpty());
        QCOMPARE(stored(f, "ShowTooltips"), QString("0"));
        // The active channel changes while they are off; switched on, they name the new one.
        app.xcvr.SetActiveChannel(2);
        QVERIFY(m.Waterfall->toolTip().isEmpty());
        QVERIFY(m.TXFreqLock->toolTip().isEmpty());
        m.ModeButton[1]->click();
        QVERIFY(m.Display[0]->toolTip().isEmpty());
        s.TooltipsCheckbox->click();
        QCOMPARE(m.StartXmitCmd->toolTip(), start);
        QCOMPARE(m.Waterfall->toolTip(), QString("click to select channel 2's receive frequency"));
        QCOMPARE(m.TXFreqLock->toolTip(),
                 QString("lock transmit frequency that of receive channel 2"));
        QCOMPARE(m.Display[0]->toolTip(), QString("information received from soundcard RTTY"));
        // Off at the next start too.
        s.TooltipsCheckbox->click();
        auto& next = restart(f);
        QVERIFY(!next.setupDialog.TooltipsCheckbox->isChecked());
        QVERIFY(next.main.StartXmitCmd->toolTip().isEmpty());
    }

    void informationWindowShowsTheVersionsAndKeepsItsPlace() {
        AppFixture f;
        auto& app = shown(f);
        app.setupDialog.AboutCmd->click();
        common::TonedeckInfo* info = app.setupDialog.InformationWindow();
        QVERIFY(info);
        QVERIFY(info->isVisible());
        QCOMPARE(info->PSKCoreVersionLabel->text(), QString("1.18"));
        QCOMPARE(info->TonedeckVersionLabel->text(), QString("0.1.0"));
        info->setGeometry(QRect(QPoint(33, 44), info->size()));
        QVERIFY(app.main.close()); // the program's end closes it
        QVERIFY(!info->isVisible());
        QCOMPARE(general(f, "TonedeckInfoLeft"), QString("33"));
        QCOMPARE(general(f, "TonedeckInfoTop"), QString("44"));
    }

    void setupDialogOpensWhereItWasClosed() {
        AppFixture f;
        auto& app = shown(f);
        auto& s = app.setupDialog;
        app.main.SetupCmd->click();
        QVERIFY(s.isVisible());
        s.setGeometry(QRect(QPoint(210, 120), s.size()));
        s.close();
        QCOMPARE(general(f, "TonedeckSetupLeft"), QString("210"));
        QCOMPARE(general(f, "TonedeckSetupTop"), QString("120"));
        s.move(0, 0);
        app.main.SetupCmd->click();
        QCOMPARE(s.geometry().topLeft(), QPoint(210, 120));
        // A garbled position still opens the dialog, and the log says why it is elsewhere.
        s.close();
        f.settings.saveSetting("General", "TonedeckSetupTop", "top");
        app.main.SetupCmd->click();
        QVERIFY(s.isVisible());
        QVERIFY(f.errorLog().contains("TonedeckMain.SetupCmd_Click"));
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
