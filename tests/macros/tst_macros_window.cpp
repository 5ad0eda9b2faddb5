// The macros window: titles and bodies kept in the store and on the buttons, bank files with
// their error messages, the file-name drop, the multi-line editor, and firing an expanded macro.
#include "AppFixture.h"
#include <macros/TonedeckMacroEditor.h>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

using fake::AppFixture;
using fake::FakePskEngine;

class TestMacrosWindow : public QObject {
    Q_OBJECT

private slots:
    void titlesFollowTheBankShown() {
        AppFixture f;
        auto& app = f.start();
        auto& w = app.macros;
        auto& m = app.main;
        m.AltCheckbox->click();
        QTest::keyClicks(w.MacroTitle[9], "QRZ");
        QCOMPARE(m.Macro[1]->text(), QString("QRZ"));
        QTest::keyClicks(w.MacroTitle[1], "CQ");
        QCOMPARE(m.Macro[1]->text(), QString("QRZ"));
        QCOMPARE(f.settings.getSetting("Macros", "Title1"), QString("CQ"));
        QCOMPARE(f.settings.getSetting("Macros", "Title9"), QString("QRZ"));
        m.AltCheckbox->click();
        QCOMPARE(m.Macro[1]->text(), QString("CQ"));
    }

    void bankFiles() {
        AppFixture f;
        auto& app = f.start();
        auto& w = app.macros;
        const QString multi = "CQ CQ\r\nde <mycall> k\r\n";
        w.MacroTitle[0]->setText("CQ");
        w.MacroContents[0]->setText(multi);
        w.MacroContents[7]->setText("<callsign> de <mycall>");
        const QString path = f.dir.filePath("bank.txt");
        f.dialogs.answerSaveFile(f.dir.filePath("bank"));
        w.SaveCmd[0]->click();
        QCOMPARE(f.dialogs.calls().last().text, QString("Save normal macros to file"));
        QCOMPARE(f.dialogs.calls().last().defaultText, f.dir.filePath("Scripts"));
        f.dialogs.answerOpenFile(path);
        w.LoadCmd[1]->click();
        QCOMPARE(w.Title(8), QString("CQ"));
        QCOMPARE(w.Body(8), multi);
        QCOMPARE(w.Body(15), QString("<callsign> de <mycall>"));
        QCOMPARE(f.settings.getSetting("Macros", "Content8"), multi);

        // Three lines fill macro 8 and the title of 9; the rest keep their text.
        // Latin-1, LF, no end on the last line.
        f.dialogs.answerOpenFile(f.writeFile("short.txt", "A\r\nbody \xe9\nB"));
        w.LoadCmd[1]->click();
        QCOMPARE(w.Body(8), QString::fromLatin1("body \xe9"));
        QCOMPARE(w.Title(9), QString("B"));
        QCOMPARE(w.Body(15), QString("<callsign> de <mycall>"));
        const QString log = f.errorLog();
        QCOMPARE(log.count("Error while reading macro "), 7);
        QVERIFY(log.contains("Error while reading macro ALT F6 : Input past end of file"));
        f.dialogs.answerOpenFile(f.dir.filePath("none.txt"));
        w.LoadCmd[0]->click();
        QVERIFY(f.errorLog().contains("Unable to open macro file " + f.dir.filePath("none.txt") +
                                      " : "));
    }

    // The banks we ship load whole and expand without a macro error.
    void shippedBanks() {
        AppFixture f;
        auto& app = f.start();
        for (const char* name : {"Ragchew.txt", "Contest.txt"}) {
            f.dialogs.answerOpenFile(
                QStringLiteral(QT_TESTCASE_SOURCEDIR "/../../resources/Scripts/") + name);
            app.macros.LoadCmd[1]->click();
            for (int i = 8; i < 16; ++i) {
                QVERIFY(!app.macros.Title(i).isEmpty());
                QVERIFY(!app.macros.ExpandMacroContents(i + 1, app.macros.Body(i)).isEmpty());
            }
        }
        QCOMPARE(f.dialogs.messages(), QStringList());
        QVERIFY(f.errorLog().isEmpty());
    }

    void dropAndEditor() {
        AppFixture f;
        auto& app = f.start();
        auto& w = app.macros;
        w.MacroFilename->setText("C:\\x.txt");
        w.MacroContents_Drop(3);
        QCOMPARE(w.Body(3), QString("<file: C:\\x.txt>"));
        w.MacroContents[4]->setText("abcd");
        w.MacroContents[4]->setCursorPosition(2);
        w.MacroContents_Drop(4);
        QCOMPARE(w.Body(4), QString("ab<file: C:\\x.txt>cd"));

        QTest::mouseDClick(w.MacroContents[8], Qt::LeftButton);
        auto* e = w.Editor();
        QVERIFY(e->isVisible());
        QCOMPARE(e->windowTitle(), QString("Tonedeck ALT F5 Macro Editor"));
        e->MacroTitle->setText("Rag");
        e->MacroEditor->setPlainText("line 1\nline 2");
        e->OKCmd->click();
        QVERIFY(!e->isVisible());
        QCOMPARE(w.Body(8), QString("line 1\r\nline 2"));
        QCOMPARE(w.Title(8), QString("Rag"));
        QVERIFY(e->MacroEditor->toPlainText().isEmpty());
    }

    void firingExpandsAndReportsErrors() {
        AppFixture f;
        auto& app = f.start();
        auto& m = app.main;
        auto& e = FakePskEngine::instance();
        app.macros.MacroContents[0]->setText("<callsign> de <mycall>");
        app.macros.MacroContents[8]->setText("<start>x<bogus>");
        m.Callsign->setText("Q1AB");
        QTest::keyClick(m.Keyboard, Qt::Key_F5);
        QCOMPARE(m.Keyboard->toPlainText(), QString("Q1AB de Q0CALL"));
        QCOMPARE(e.sentCharacters(), QByteArray("Q1AB de Q0CALL"));
        m.AltCheckbox->click();
        QTest::keyClick(m.Keyboard, Qt::Key_F5);
        QCOMPARE(f.dialogs.messages().last(), QString("Error in macro  9: unknown command: bogus"));
        QCOMPARE(e.sentCharacters(), QByteArray("Q1AB de Q0CALL"));
        // Ctrl and the key open the macro for editing.
        app.main.show();
        QTest::keyClick(m.Keyboard, Qt::Key_F6, Qt::ControlModifier);
        QVERIFY(app.macros.isVisible());
        QCOMPARE(app.macros.focusWidget(), app.macros.MacroContents[9]);
    }
};

QTEST_MAIN(TestMacrosWindow)
#include "tst_macros_window.moc"
