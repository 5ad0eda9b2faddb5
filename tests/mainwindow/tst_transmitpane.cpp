// The transmit pane: keys, buttons, macros, the stop mark, and clipboard and file sending.
#include "AppFixture.h"
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QtTest>

using fake::AppFixture;
using fake::FakePskEngine;

class TestTransmitPane : public QObject {
    Q_OBJECT

    static void settle() {
        QCoreApplication::processEvents();
        QTest::qWait(20);
    }
    static QString keyboard(mainwindow::TonedeckApp& app) {
        return app.main.Keyboard->toPlainText();
    }
    static QString writeFile(AppFixture& f, const QString& name, const QByteArray& data) {
        const QString path = f.dir.path() + "/" + name;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) return {};
        file.write(data);
        return path;
    }
    // Replaces the pane menu with one that records what it offers and picks an item.
    static void menuPicks(mainwindow::TonedeckApp& app, const QString& item, QStringList* shown) {
        app.main.ShowPopupMenu = [item, shown](QMenu& menu) {
            if (shown) shown->clear();
            for (QAction* a : menu.actions())
                if (a->isVisible() && shown) *shown << a->objectName();
            for (QAction* a : menu.actions())
                if (a->objectName() == item) a->trigger();
        };
    }

private slots:
    void typedTextGoesOutAndEnterEmptiesThePane() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        QTextEdit* k = app.main.Keyboard;
        QTest::keyClicks(k, "cq de");
        QCOMPARE(keyboard(app), QString("cq de"));
        QCOMPARE(e.sentCharacters(), QByteArray("cq de"));
        QTest::keyClick(k, Qt::Key_Return);
        QCOMPARE(keyboard(app), QString());
        QCOMPARE(e.sentCharacters(), QByteArray("cq de\r"));
        QTest::keyClicks(k, "x");
        QTest::keyClick(k, Qt::Key_Backspace);
        QCOMPARE(keyboard(app), QString());
        QCOMPARE(e.sentCharacters(), QByteArray("cq de\rx\b"));
        // Ctrl+Enter stops after what is queued, and sends nothing itself.
        QTest::keyClicks(k, "73");
        QTest::keyClick(k, Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(e.calls.last(), QString("fnStopTX()"));
        QCOMPARE(keyboard(app), QString());
        QCOMPARE(e.sentCharacters(), QByteArray("cq de\rx\b73"));
        // A character the modems cannot send is neither sent nor shown.
        QTest::sendKeyEvent(QTest::Click, k, Qt::Key_unknown, QString::fromUtf8("€"), {});
        QCOMPARE(keyboard(app), QString());
        QCOMPARE(e.sentCharacters(), QByteArray("cq de\rx\b73"));
    }

    void functionKeys() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        QTextEdit* k = app.main.Keyboard;
        QTest::keyClick(k, Qt::Key_F2);
        QCOMPARE(e.calls.last(), QString("fnStartTX(0)"));
        e.calls.clear();
        QTest::keyClick(k, Qt::Key_Insert);
        QCOMPARE(e.calls, QStringList{"fnStartTX(0)"});
        QTest::keyClicks(k, "abc");
        QTest::keyClick(k, Qt::Key_F4);
        QCOMPARE(e.calls.last(), QString("fnStopTX()"));
        QCOMPARE(keyboard(app), QString());
        QTest::keyClicks(k, "abc");
        QTest::keyClick(k, Qt::Key_Escape);
        QCOMPARE(e.calls.last(), QString("fnAbortTX()"));
        QCOMPARE(keyboard(app), QString());
        QTest::keyClick(k, Qt::Key_F1);
        QCOMPARE(e.calls.last(), QString("fnSetTXFrequency(1500)"));
        QVERIFY(e.postStatus(1));
        settle();
        QVERIFY(app.main.IDCmd->isEnabled());
        QTest::keyClick(k, Qt::Key_F3);
        QCOMPARE(e.calls.last(), QString("fnSendTXCharacter(2,1)"));
        QVERIFY(!app.main.IDCmd->isEnabled());
        // Ctrl+letters move between the fields and are not sent.
        app.main.show();
        e.calls.clear(); // showing lays the window out, which sets the spectrum parameters
        QTest::keyClick(k, Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(app.main.focusWidget(), app.main.Callsign);
        QTest::keyClick(k, Qt::Key_L, Qt::ControlModifier);
        QVERIFY(e.calls.isEmpty());
    }

    void ctrlVSendsTheClipboardWithoutPastingWhileTheMenuShowsIt() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        QTextEdit* k = app.main.Keyboard;
        QTest::keyClicks(k, "typed ");
        f.dialogs.setClipboardText("hello");
        e.calls.clear();
        QTest::keyClick(k, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(keyboard(app), QString("typed "));
        QCOMPARE(e.calls.first(), QString("fnStartTX(0)"));
        // The clipboard and nothing after it: no NUL for the swallowed key.
        QCOMPARE(e.sentCharacters(), QByteArray("hello"));
        QStringList shown;
        menuPicks(app, "popPaste", &shown);
        QTest::mouseClick(k->viewport(), Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(shown, (QStringList{"popPaste", "popTransmit"}));
        QCOMPARE(keyboard(app), QString("typed hello"));
        QCOMPARE(e.sentCharacters(), QByteArray("hellohello"));
        // An empty clipboard sends nothing and does not block the next feed.
        f.dialogs.setClipboardText("");
        app.transmitPane.TransmitClipboard(true);
        QVERIFY(!app.transmitPane.TransmitFeedBusy);
        f.dialogs.setClipboardText("k");
        app.transmitPane.TransmitClipboard(false);
        QCOMPARE(e.sentCharacters(), QByteArray("hellohellok"));
    }

    void fileWithCrLfEmptiesThePaneAtEachLineEnd() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        QStringList paneAtEachSend;
        e.onSendTXCharacter = [&](int32_t c, int32_t) {
            paneAtEachSend << QString::number(c) + ":" + keyboard(app);
        };
        const QString path = writeFile(f, "qso.txt", "AB\r\nCD");
        f.dialogs.answerOpenFile(path);
        e.calls.clear();
        menuPicks(app, "popTransmit", nullptr);
        QTest::mouseClick(app.main.Keyboard->viewport(), Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(paneAtEachSend, (QStringList{"65:A", "66:AB", "13:", "10:", "67:C", "68:CD"}));
        QCOMPARE(e.indexOf("fnStartTX"), 0);
        const auto& call = f.dialogs.calls().last();
        QCOMPARE(call.text, QString("Transmit contents of selected file"));
        QCOMPARE(call.filter, QString("Text (*.txt)|*.txt"));
        QCOMPARE(f.settings.getSetting("Display", "TransmitFileDirectory"), f.dir.path());
        QVERIFY(!app.transmitPane.TransmitFeedBusy);
        // The next file dialog opens there; cancelling it sends nothing.
        e.calls.clear();
        app.transmitPane.TransmitFile();
        QCOMPARE(f.dialogs.calls().last().defaultText, f.dir.path());
        QVERIFY(e.calls.isEmpty());
        QVERIFY(!app.transmitPane.TransmitFeedBusy);
    }

    void abortDuringAFileFeedStopsAfterTheCurrentByte() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        QVERIFY(e.postStatus(1));
        settle();
        int sent = 0;
        e.onSendTXCharacter = [&](int32_t, int32_t flag) {
            if (flag == 0 && ++sent == 3) app.main.AbortTransmitCmd->click();
            // A second feed asked for meanwhile is ignored.
            if (sent == 2) app.transmitPane.TransmitClipboard(true);
        };
        f.dialogs.setClipboardText("should not go");
        f.dialogs.answerOpenFile(writeFile(f, "long.txt", QByteArray(200, 'x')));
        app.transmitPane.TransmitFile();
        QCOMPARE(e.sentCharacters(), QByteArray("xxx"));
        QCOMPARE(e.count("fnAbortTX"), 1);
        QCOMPARE(e.count("fnStartTX"), 1);
        QVERIFY(!app.transmitPane.TransmitFeedBusy);
        QCOMPARE(keyboard(app), QString("xxx"));
    }

    void unreadableFileSaysSoAndSendsNothing_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing") << "missing.txt";
        QTest::newRow("directory") << "folder";
    }
    void unreadableFileSaysSoAndSendsNothing() {
        QFETCH(QString, name);
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        QVERIFY(QDir(f.dir.path()).mkpath("folder"));
        f.dialogs.answerOpenFile(f.dir.path() + "/" + name);
        e.calls.clear();
        app.transmitPane.TransmitFile();
        QCOMPARE(f.dialogs.messages(), QStringList{"unable to open selected file"});
        QCOMPARE(f.dialogs.calls().last().title, QString("Tonedeck"));
        QVERIFY(e.calls.isEmpty());
        QVERIFY(!app.transmitPane.TransmitFeedBusy);
        QVERIFY(f.errorLog().isEmpty());
    }

    void stopMarkKeepsOnlyTextTypedAfterTheMacro() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        auto& tx = app.transmitPane;
        e.calls.clear();
        tx.SendMacroText(QString(QChar(19)) + "CQ CQ" + QChar(17));
        QCOMPARE(e.calls.first(), QString("fnStartTX(0)"));
        QCOMPARE(e.calls.last(), QString("fnSendTXCharacter(1,1)"));
        QCOMPARE(tx.TransmitStopMark, 5);
        QTest::keyClicks(app.main.Keyboard, " hi");
        QCOMPARE(keyboard(app), QString("CQ CQ hi"));
        QVERIFY(e.postStatus(1));
        settle();
        QCOMPARE(keyboard(app), QString("CQ CQ hi"));
        QVERIFY(e.postStatus(0));
        settle();
        QCOMPARE(keyboard(app), QString(" hi"));
        QCOMPARE(tx.TransmitStopMark, -1);
        // A pane shorter than the mark is left alone and the mark kept.
        tx.SendMacroText(QString("RR 73") + QChar(17));
        app.main.ClearXmitPaneCmd->click();
        app.xcvr.SetReceive();
        QCOMPARE(tx.TransmitStopMark, 8);
        QCOMPARE(keyboard(app), QString());
    }

    void macroTextControlCharactersAndBanks() {
        AppFixture f;
        f.settings.saveSetting("Macros", "Content0", "CQ test");
        f.settings.saveSetting("Macros", "Title0", "CQ");
        f.settings.saveSetting("Macros", "Content9", "second bank");
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        auto& m = app.main;
        QCOMPARE(m.Macro[0]->text(), QString("CQ"));
        QCOMPARE(m.Macro[1]->text(), QString()); // no title, no caption
        QTest::keyClick(m.Keyboard, Qt::Key_F5);
        QCOMPARE(keyboard(app), QString("CQ test"));
        QCOMPARE(e.sentCharacters(), QByteArray("CQ test"));
        m.AltCheckbox->click();
        QCOMPARE(m.Macro[1]->text(), QString());
        m.Macro[1]->click();
        QCOMPARE(keyboard(app), QString("CQ testsecond bank"));
        m.AltCheckbox->click();
        QCOMPARE(m.Macro[0]->text(), QString("CQ"));
        // Holding Alt shows the second bank for as long as it is held.
        QTest::keyPress(m.Keyboard, Qt::Key_Alt, Qt::AltModifier);
        QCOMPARE(m.Macro[0]->text(), QString());
        QTest::keyRelease(m.Keyboard, Qt::Key_Alt);
        QCOMPARE(m.Macro[0]->text(), QString("CQ"));
        // Line ends empty the pane and go out; CW ID; other control characters are dropped.
        e.calls.clear();
        app.transmitPane.SendMacroText(QString("a\r\nb") + QChar(18) + QChar(7));
        QCOMPARE(keyboard(app), QString("b"));
        QCOMPARE(e.calls, (QStringList{"fnSendTXCharacter(97,0)", "fnSendTXCharacter(13,0)",
                                       "fnSendTXCharacter(10,0)", "fnSendTXCharacter(98,0)",
                                       "fnSendTXCharacter(2,1)"}));
    }
};

QTEST_MAIN(TestTransmitPane)
#include "tst_transmitpane.moc"
