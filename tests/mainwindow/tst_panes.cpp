// The receive panes: line ends, colours, slashed zero, the echo, suspending, the mouse, the pane
// menu, saving and the overload caption.
#include "AppFixture.h"
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTextBlock>
#include <QTextEdit>
#include <QtTest>

using fake::AppFixture;
using fake::FakePskEngine;

class TestPanes : public QObject {
    Q_OBJECT

    static void settle() { fake::AppFixture::settle(); }
    static QString pane(mainwindow::TonedeckApp& app, int i) {
        return app.main.Display[i]->toPlainText();
    }
    // Characters from a source, drained at once as the character timer would.
    static void receive(mainwindow::TonedeckApp& app, int source, const QByteArray& text) {
        for (char c : text)
            app.xcvr.SaveNewChar(static_cast<uint8_t>(c), source == 3 ? -1 : source);
        app.display.HandleNewChar(source);
    }
    // The colour of the character at a position of a pane's text.
    static int colorAt(mainwindow::TonedeckApp& app, int i, int position) {
        QTextCursor c(app.main.Display[i]->document());
        c.setPosition(position);
        c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
        return mainwindow::PSKDisplay::FromQColor(c.charFormat().foreground().color());
    }
    static QPoint endOf(QTextEdit* e) {
        QTextCursor c(e->document());
        c.movePosition(QTextCursor::End);
        return e->cursorRect(c).center();
    }

private slots:
    // What arrives in one delivery, '|' between deliveries.
    void lineEnds_data() {
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<QString>("shown");
        QTest::newRow("CR LF") << QByteArray("A\r\nB") << "A\nB";
        QTest::newRow("LF CR") << QByteArray("A\n\rB") << "A\nB";
        QTest::newRow("lone CR") << QByteArray("A\rB") << "A\nB";
        QTest::newRow("lone LF") << QByteArray("A\nB") << "A\nB";
        QTest::newRow("CR CR") << QByteArray("A\r\rB") << "A\n\nB";
        QTest::newRow("CR LF CR LF") << QByteArray("A\r\n\r\nB") << "A\n\nB";
        QTest::newRow("trailing CR") << QByteArray("A\r") << "A";
        QTest::newRow("CR | LF | text") << QByteArray("CQ\r|\n|de") << "CQ\nde";
        QTest::newRow("backspace after line end") << QByteArray("A\r\bB") << "AB";
        QTest::newRow("backspace") << QByteArray("AB\bC") << "AC";
        QTest::newRow("backspace on empty pane") << QByteArray("\b\bA") << "A";
        QTest::newRow("control character") << QByteArray("A\1B\t") << "AB";
        QTest::newRow("control clears line end") << QByteArray("A\r\7B") << "AB";
    }
    void lineEnds() {
        QFETCH(QByteArray, received);
        QFETCH(QString, shown);
        AppFixture f;
        auto& app = f.start();
        for (const QByteArray& delivery : received.split('|'))
            receive(app, 1, delivery);
        QCOMPARE(pane(app, 1), shown);
    }

    void slashedZeroInAndOut() {
        AppFixture f;
        auto& app = f.start();
        auto& d = app.display;
        receive(app, 2, "10");
        QCOMPARE(pane(app, 2), QString("10"));
        app.setupDialog.SlashZeroCheckbox->click();
        QCOMPARE(f.settings.getSetting("Display", "ShowSlashedZero"), QString("1"));
        receive(app, 2, " 0");
        const QString text = pane(app, 2);
        QCOMPARE(text, QString("10 ") + QChar(216));
        QCOMPARE(d.DeSlash(text), QString("10 0"));
        app.setupDialog.SlashZeroCheckbox->click();
        QCOMPARE(d.DeSlash(text), text);
    }

    void echoStartsItsOwnLineInTheTransmittedColour() {
        AppFixture f;
        auto& app = f.start();
        receive(app, 0, "ab");
        receive(app, 3, "xy");
        receive(app, 0, "c\r");
        receive(app, 3, "z");
        QCOMPARE(pane(app, 0), QString("ab\nxy\nc\nz"));
        QCOMPARE(colorAt(app, 0, 0), 0xFFFF);
        QCOMPARE(colorAt(app, 0, 3), 0xFFFFFF);
        QCOMPARE(colorAt(app, 0, 6), 0xFFFF);
        // The echo goes to the active channel's pane, nowhere else.
        app.xcvr.SetActiveChannel(1);
        receive(app, 3, "k");
        QCOMPARE(pane(app, 1), QString("k"));
        QCOMPARE(pane(app, 0), QString("ab\nxy\nc\nz"));
        QCOMPARE(colorAt(app, 1, 0), 0xFFFFFF);
        // Characters on the active channel keep the IMD reading; others do not touch it.
        app.main.PskTimers.IMDBlankingTimer.stop();
        receive(app, 2, "q");
        QVERIFY(!app.main.PskTimers.IMDBlankingTimer.isActive());
        receive(app, 1, "q");
        QVERIFY(app.main.PskTimers.IMDBlankingTimer.isActive());
    }

    void suspendedPaneBuffersAndShowsAllOnResume() {
        AppFixture f;
        auto& app = f.start();
        auto& m = app.main;
        auto& e = FakePskEngine::instance();
        m.show();
        QTest::mouseClick(m.PanelID[1], Qt::LeftButton);
        QVERIFY(app.display.IsPaneSuspended(1));
        QCOMPARE(m.PanelID[1]->text(), QString());
        QCOMPARE(m.PanelID[1]->toolTip(),
                 QString("click to enable the display of incoming information on receive pane 1"));
        for (char c : QByteArray("while away"))
            QVERIFY(e.postChar(static_cast<uint8_t>(c), 1));
        QVERIFY(e.postChar('x', 0));
        settle();
        QCOMPARE(pane(app, 1), QString());
        QCOMPARE(pane(app, 0), QString("x"));
        QTest::mouseClick(m.PanelID[1], Qt::LeftButton);
        QVERIFY(!app.display.IsPaneSuspended(1));
        QCOMPARE(m.PanelID[1]->text(), QString("1"));
        // Without waiting for another character.
        QTRY_COMPARE(pane(app, 1), QString("while away"));
    }

    void clickSelectsThePaneAndSwapsTheQsoFields() {
        AppFixture f;
        auto& app = f.start();
        auto& m = app.main;
        m.show();
        receive(app, 2, "text");
        m.Callsign->setText("QA1AA");
        m.GridSquare->setText("JO62");
        QTest::mouseClick(m.Display[2]->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(app.xcvr.ActiveChannel(), 2);
        QCOMPARE(app.display.ActivePane(), 2);
        QCOMPARE(m.Callsign->text(), QString());
        QVERIFY(m.PanelID[2]->font().bold());
        QVERIFY(!m.PanelID[0]->font().bold());
        QCOMPARE(m.PanelID[2]->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(m.ReceiveFrame->title(), QString("Receive Channel 2 (BPSK)"));
        QVERIFY(!m.CharHandlerLocked(2)); // the click releases the press's lock
        m.Callsign->setText("QB2BB");
        m.RSTsent->setText("599");
        QTest::mouseClick(m.Display[0]->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(m.Callsign->text(), QString("QA1AA"));
        QCOMPARE(m.GridSquare->text(), QString("JO62"));
        QCOMPARE(m.RSTsent->text(), QString());
        QTest::mouseClick(m.Display[2]->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(m.Callsign->text(), QString("QB2BB"));
        QCOMPARE(m.RSTsent->text(), QString("599"));
        // The click noted where it was and the colour of the text there.
        QCOMPARE(app.display.ClickColor(2), 0xFFFF00);
        QCOMPARE(m.focusWidget(), m.Keyboard);
        // While transmitting a click selects nothing, and releases its lock all the same.
        QVERIFY(FakePskEngine::instance().postStatus(1));
        settle();
        QTest::mouseClick(m.Display[1]->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(app.xcvr.ActiveChannel(), 2);
        QCOMPARE(app.display.ActivePane(), 2);
        QVERIFY(!m.CharHandlerLocked(1));
    }

    void selectionGoesToTheClipboardOrWithAltToQth() {
        AppFixture f;
        f.settings.saveSetting("Display", "ShowSlashedZero", "1");
        auto& app = f.start();
        auto& m = app.main;
        auto& d = app.display;
        receive(app, 1, "name is Bob, QTH Oslo 10");
        auto select = [&](int from, int to) {
            QTextCursor c = m.Display[1]->textCursor();
            c.setPosition(from);
            c.setPosition(to, QTextCursor::KeepAnchor);
            m.Display[1]->setTextCursor(c);
        };
        d.Display_MouseDown(1, 1, 0, {});
        QVERIFY(m.CharHandlerLocked(1));
        select(17, 24);
        d.Display_Click(1);
        QCOMPARE(f.dialogs.clipboardText(), QString("Oslo 10"));
        QVERIFY(m.CharHandlerLocked(1)); // held until the next plain click
        QCOMPARE(m.QTH->text(), QString());
        d.Display_MouseDown(1, 1, 4, {}); // Alt
        select(17, 24);
        d.Display_Click(1);
        QCOMPARE(m.QTH->text(), QString("Oslo 10")); // slashed zeros go back to plain ones
        QVERIFY(!m.Display[1]->textCursor().hasSelection());
        QVERIFY(!m.CharHandlerLocked(1));
        // A middle press starts no selection and so locks nothing.
        QTest::mousePress(m.Display[2]->viewport(), Qt::MiddleButton, {}, QPoint(5, 5));
        QTest::mouseRelease(m.Display[2]->viewport(), Qt::MiddleButton, {}, QPoint(5, 5));
        QVERIFY(!m.CharHandlerLocked(2));
    }
};

QTEST_MAIN(TestPanes)
#include "tst_panes.moc"
