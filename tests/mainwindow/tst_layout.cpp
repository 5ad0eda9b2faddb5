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

// Closes the program as the operator does and starts it again on the same store.
mainwindow::TonedeckApp& restart(AppFixture& f) {
    if (!f.app->main.close()) qWarning("the window did not close");
    f.app.reset();
    return f.show();
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
        auto& app = f.show();
        auto& m = app.main;
        const int h0 = paneHeight(app, 0);
        QVERIFY(h0 > 20);
        QVERIFY(std::abs(paneHeight(app, 1) - h0) <= 1);
        QVERIFY(std::abs(paneHeight(app, 2) - h0) <= 1);
        // The transmit pane is as high as four lines of its font.
        QVERIFY(m.Keyboard->height() >= 4 * QFontMetrics(m.Keyboard->font()).lineSpacing());
        // Nothing of the layout is written before the program ends.
        QCOMPARE(stored(f, "PaneSize0"), QString("<none>"));
        QVERIFY(m.close());
        // The fonts stored are those the panes had.
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(stored(f, QString("PaneFontName%1").arg(i)), QString("MS Sans Serif"));
            QCOMPARE(stored(f, QString("PaneFontSize%1").arg(i)), QString("8"));
        }
        QCOMPARE(stored(f, "PaneFontBold1"), QString("False"));
        QCOMPARE(stored(f, "KeyboardFontName"), QString("MS Sans Serif"));
        QCOMPARE(stored(f, "KeyboardFontSize"), QString("10"));
        // Equal to the pixel the area allows.
        for (const char* key : {"PaneSize1", "PaneSize2"})
            QVERIFY(std::abs(stored(f, "PaneSize0").toDouble() - stored(f, key).toDouble()) < 0.01);
        QCOMPARE(stored(f, "RTTYPaneSize2"), QString("0"));
        QCOMPARE(general(f, "TonedeckMainWindowState"), QString("0"));
        QCOMPARE(stored(f, "ShowTooltips"), QString("True")); // like the store's other booleans
    }

    // Resizing never wears a pane down: only a splitter or a reset changes the proportions.
    void slowResizesKeepTheProportions() {
        AppFixture f;
        auto& app = f.show();
        auto& m = app.main;
        const display::PanePercentage before = m.PaneArea->fractions();
        m.resize(m.width(), 800);
        for (int h = 800; h >= 650; --h)
            m.PaneArea->resize(m.PaneArea->width(), h - 300);
        for (int h = 650; h <= 800; ++h)
            m.PaneArea->resize(m.PaneArea->width(), h - 300);
        QCOMPARE(m.PaneArea->fractions().psk, before.psk);
        QVERIFY(std::abs(paneHeight(app, 1) - paneHeight(app, 0)) <= 1);
        QVERIFY(m.close());
        QVERIFY(stored(f, "PaneSize1").toDouble() > 0.3);
    }

    // At the smallest window every pane still shows two lines.
    void smallestWindowShowsTwoLinesPerPane() {
        AppFixture f;
        auto& app = f.show();
        auto& m = app.main;
        m.resize(m.minimumSizeHint());
        m.resize(100, 100);
        AppFixture::settle();
        for (int i = 0; i < 3; ++i)
            QVERIFY2(m.Display[i]->viewport()->height() >=
                         2 * QFontMetrics(m.Display[i]->font()).lineSpacing(),
                     qPrintable(QString::number(m.Display[i]->viewport()->height())));
    }

    void closedWhileMaximisedStartsMaximisedAndRestoresItsNormalSize() {
        AppFixture f;
        auto& app = f.show();
        app.main.setGeometry(60, 70, 900, 650);
        QTRY_COMPARE(app.main.geometry(), QRect(60, 70, 900, 650));
        app.main.showMaximized();
        QTRY_VERIFY(app.main.isMaximized());
        QTRY_VERIFY(app.main.width() != 900);
        auto& next = restart(f);
        QStringList place;
        for (const char* key : {"WindowState", "Width", "Height", "Left", "Top"})
            place << general(f, QString("TonedeckMain") + key);
        QCOMPARE(place, (QStringList{"2", "900", "650", "60", "70"}));
        QTRY_VERIFY(next.main.isMaximized());
        next.main.showNormal();
        QTRY_COMPARE(next.main.geometry(), QRect(60, 70, 900, 650));
    }

    void splittersMovePanesAndTheProportionsSurviveARestart() {
        AppFixture f;
        auto& app = f.show();
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
        auto& app = f.show();
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

    void setupDialogOpensWhereItWasClosed() {
        AppFixture f;
        auto& app = f.show();
        auto& s = app.setupDialog;
        app.main.SetupCmd->click();
        QVERIFY(s.isVisible());
        s.setGeometry(QRect(QPoint(210, 120), s.size()));
        QTest::keyClick(&s, Qt::Key_Escape);
        QVERIFY(!s.isVisible());
        QCOMPARE(general(f, "TonedeckSetupLeft"), QString("210"));
        QCOMPARE(general(f, "TonedeckSetupTop"), QString("120"));
        s.move(0, 0);
        app.main.SetupCmd->click();
        QCOMPARE(s.geometry().topLeft(), QPoint(210, 120));
        // A garbled position still opens the dialog, and the log says why it is elsewhere.
        s.CloseCmd->click();
        QVERIFY(!s.isVisible());
        f.settings.saveSetting("General", "TonedeckSetupTop", "top");
        app.main.SetupCmd->click();
        QVERIFY(s.isVisible());
        QVERIFY(f.errorLog().contains("TonedeckMain.SetupCmd_Click"));
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
