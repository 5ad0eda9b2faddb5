// The transmit pane: keys, buttons, macros, the stop mark, and clipboard and file sending.
#include "AppFixture.h"
#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QtTest>

using fake::AppFixture;
using fake::FakePskEngine;

class TestTransmitPane : public QObject {
    Q_OBJECT

    static void settle() { fake::AppFixture::settle(); }
    static QString keyboard(mainwindow::TonedeckApp& app) {
        return app.main.Keyboard->toPlainText();
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
        QTRY_VERIFY(!app.transmitPane.FeedRunning());
        QCOMPARE(keyboard(app), QString("typed "));
        QCOMPARE(e.calls.first(), QString("fnStartTX(0)"));
        // The clipboard and nothing after it: no NUL for the swallowed key.
        QCOMPARE(e.sentCharacters(), QByteArray("hello"));
        QStringList shown;
        menuPicks(app, "popPaste", &shown);
        QTest::mouseClick(k->viewport(), Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(shown, (QStringList{"popPaste", "popTransmit"}));
        QTRY_COMPARE(keyboard(app), QString("typed hello"));
        QCOMPARE(e.sentCharacters(), QByteArray("hellohello"));
    }

    void fileWithCrLfEmptiesThePaneAtEachLineEnd() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        e.txQueueLimit = 2; // one slice per two characters: the pane is seen between them
        const QString path = f.writeFile("qso.txt", "AB\r\nCD\nE");
        f.dialogs.answerOpenFile(path);
        e.calls.clear();
        menuPicks(app, "popTransmit", nullptr);
        QTest::mouseClick(app.main.Keyboard->viewport(), Qt::RightButton, {}, QPoint(5, 5));
        QStringList panes;
        for (int slice = 1; slice <= 4; ++slice) {
            QTRY_COMPARE(e.txQueued, 2 * slice);
            panes << keyboard(app);
            e.txQueueLimit += 2;
        }
        QCOMPARE(panes, (QStringList{"AB", "", "CD", "E"}));
        QCOMPARE(e.sentCharacters(), QByteArray("AB\r\nCD\nE"));
        QCOMPARE(e.indexOf("fnStartTX"), 0);
        QCOMPARE(f.dialogs.calls().last().filter, QString("Text (*.txt)|*.txt"));
        QCOMPARE(f.settings.getSetting("Display", "TransmitFileDirectory"), f.dir.path());
    }

    // A feed larger than the engine's queue waits for room: nothing is lost, in order, and
    // typed text waits behind it.
    void feedWaitsForRoomInTheEngine() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        e.txQueueLimit = 1000;
        QByteArray text;
        for (int i = 0; i < 5000; ++i)
            text += char('a' + i % 26);
        f.dialogs.setClipboardText(QString::fromLatin1(text));
        app.transmitPane.TransmitClipboard(false);
        QTRY_COMPARE(e.txQueued, 1000);
        QTest::keyClicks(app.main.Keyboard, "!");
        QVERIFY(app.transmitPane.FeedRunning());
        for (int drained = 0; drained < 5; ++drained) {
            e.drainTx(1000);
            QTRY_COMPARE(e.txQueued, qMin(1000, 5001 - 1000 * (drained + 1)));
        }
        QTRY_VERIFY(!app.transmitPane.FeedRunning());
        QCOMPARE(e.sentCharacters(), text + "!");
        QVERIFY(f.dialogs.messages().isEmpty());
    }

    // Every key that empties the pane ends the feed behind it, as the Abort button does.
    void keysThatEmptyThePaneEndTheFeed_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("mods");
        QTest::addColumn<QString>("call");
        QTest::newRow("Escape") << int(Qt::Key_Escape) << 0 << "fnAbortTX()";
        QTest::newRow("F4") << int(Qt::Key_F4) << 0 << "fnStopTX()";
        QTest::newRow("Ctrl+Enter")
            << int(Qt::Key_Return) << int(Qt::ControlModifier) << "fnStopTX()";
        QTest::newRow("Abort button") << -1 << 0 << "fnAbortTX()";
    }
    void keysThatEmptyThePaneEndTheFeed() {
        QFETCH(int, key);
        QFETCH(int, mods);
        QFETCH(QString, call);
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        e.txQueueLimit = 3;
        f.dialogs.answerOpenFile(f.writeFile("long.txt", QByteArray(200, 'x')));
        app.transmitPane.TransmitFile();
        QTRY_COMPARE(e.txQueued, 3);
        if (key < 0)
            app.transmitPane.AbortTransmitCmd_Click();
        else
            QTest::keyClick(app.main.Keyboard, Qt::Key(key), Qt::KeyboardModifiers(mods));
        QCOMPARE(e.calls.last(), call);
        QVERIFY(!app.transmitPane.FeedRunning());
        e.drainTx(3);
        QTest::qWait(300);
        QCOMPARE(e.sentCharacters(), QByteArray("xxx"));
        QVERIFY(key < 0 || keyboard(app).isEmpty());
    }

    // A committed composition (dead keys, compose) goes out like typed text; dropped text is
    // refused rather than shown as if sent.
    void textThatIsNotAKeyPress() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        QTextEdit* k = app.main.Keyboard;
        QInputMethodEvent commit;
        commit.setCommitString(QString::fromUtf8("é€ü"));
        QCoreApplication::sendEvent(k, &commit);
        QCOMPARE(e.sentCharacters(), QByteArray("\xe9\xfc"));
        QCOMPARE(keyboard(app), QString::fromUtf8("éü"));
        QMimeData mime;
        mime.setText("dropped");
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QCoreApplication::sendEvent(k->viewport(), &drop);
        QCOMPARE(keyboard(app), QString::fromUtf8("éü"));
        QCOMPARE(e.sentCharacters(), QByteArray("\xe9\xfc"));
    }

    // Switching mode while transmitting leaves the PSK side ready to transmit again, and a
    // running feed ends with a word to the operator.
    void modeSwitchDuringATransmission() {
        AppFixture f;
        auto& app = f.start();
        auto& e = FakePskEngine::instance();
        auto& m = app.main;
        e.txQueueLimit = 10;
        f.dialogs.setClipboardText(QString(50, 'q'));
        app.transmitPane.TransmitClipboard(false);
        QVERIFY(e.postStatus(1));
        QTRY_VERIFY(!m.StartXmitCmd->isEnabled());
        QVERIFY(e.postStatus(1)); // still in flight when the mode changes
        m.ModeButton[1]->click();
        QCOMPARE(f.dialogs.messages(),
                 QStringList{"mode switched during a transmit feed: 10 of 50 characters sent, "
                             "the rest dropped"});
        QVERIFY(e.postStatus(0)); // reaches no handler any more
        settle();
        m.ModeButton[0]->click();
        settle();
        QVERIFY(m.StartXmitCmd->isEnabled());
        QVERIFY(!app.xcvr.Transmitting());
        app.xcvr.SetActiveChannel(2);
        QCOMPARE(app.xcvr.ActiveChannel(), 2);
        // The selected mode clicked again starts nothing a second time.
        m.ModeButton[0]->click();
        QCOMPARE(e.count("fnStartSoundCard"), 2);
        QCOMPARE(f.dialogs.messages().size(), 1);
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
        QCOMPARE(tx.transmitStopMark(), 5);
        QTest::keyClicks(app.main.Keyboard, " hi");
        QCOMPARE(keyboard(app), QString("CQ CQ hi"));
        QVERIFY(e.postStatus(1));
        settle();
        QCOMPARE(keyboard(app), QString("CQ CQ hi"));
        QVERIFY(e.postStatus(0));
        settle();
        QCOMPARE(keyboard(app), QString(" hi"));
        QCOMPARE(tx.transmitStopMark(), -1);
        // A pane shorter than the mark is left alone and the mark kept.
        tx.SendMacroText(QString("RR 73") + QChar(17));
        app.main.ClearXmitPaneCmd->click();
        app.xcvr.SetReceive();
        QCOMPARE(tx.transmitStopMark(), 8);
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
        m.AltCheckbox->click();
        m.Macro[1]->click(); // the button fires the bank shown
        QCOMPARE(keyboard(app), QString("second bank"));
        QCOMPARE(e.sentCharacters(), QByteArray("second bank"));
        m.AltCheckbox->click();
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
        QVERIFY(!m.IDCmd->isEnabled()); // as after the CW ID button
    }

    // In RTTY mode macros, the clipboard and files go to the RTTY path by the rules of the
    // PSK side: start first, waiting for room, nothing lost, the stop after the text; with no
    // path, or on a switch of mode, the operator is told how much went out.
    void rttyFeeds_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("message");
        for (const char* s : {"macro", "clipboard", "file"})
            QTest::newRow(s) << s << QString();
        QTest::newRow("no path") << "clipboard"
                                 << "no RTTY path is running: 0 of 50 characters sent";
        QTest::newRow("mode switch") << "file"
                                     << "mode switched during a transmit feed: 10 of 50 "
                                        "characters sent";
    }
    void rttyFeeds() {
        QFETCH(QString, source);
        QFETCH(QString, message);
        AppFixture f;
        auto& app = f.start();
        app.main.ModeButton[1]->click();
        auto& r = *f.rtty;
        r.path = !message.startsWith("no");
        r.room = 10;
        const QByteArray text(50, 'r');
        auto& tx = app.transmitPane;
        if (source == "macro") {
            tx.SendMacroText(QString::fromLatin1("\x13" + text + "\x11"));
        } else {
            f.dialogs.setClipboardText(QString::fromLatin1(text));
            f.dialogs.answerOpenFile(f.writeFile("feed.txt", text));
            source == "file" ? tx.TransmitFile() : tx.TransmitClipboard(false);
            tx.SendMacroText("\x11");
        }
        if (r.path) QTRY_COMPARE(r.sent, "[" + text.left(10));
        if (message.startsWith("mode")) app.main.ModeButton[0]->click();
        r.room = 1000;
        if (message.isEmpty()) QTRY_COMPARE(r.sent, "[" + text + "]");
        QTRY_COMPARE(f.dialogs.messages(), message.isEmpty()
                                               ? QStringList()
                                               : QStringList{message + ", the rest dropped"});
        QVERIFY(!tx.FeedRunning());
    }
};

QTEST_MAIN(TestTransmitPane)
#include "tst_transmitpane.moc"
