// Where windows come back between runs, and the information window that uses the same scheme.
#include "common/Errors.h"
#include "common/TonedeckInfo.h"
#include "common/WindowPositions.h"
#include "TestServices.h"

#include <QLabel>
#include <QTest>
#include <QWidget>

using namespace common;

namespace {

QString general(const platform::SettingsStore& s, const QString& key) {
    return s.getSetting("General", key, "<none>");
}

// Shows a window and waits until the platform has applied its state.
void showAndSettle(QWidget& w) {
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
}

} // namespace

class TestWindowPositions : public QObject {
    Q_OBJECT

private slots:
    void emptyStoreKeepsTheDesignGeometry() {
        tdtest::TestServices t;
        QWidget w;
        w.setGeometry(50, 60, 640, 480);
        RestoreWindowPosition(t.settings, w, "TonedeckMain", WindowKeys::PositionSizeState);
        QCOMPARE(w.geometry(), QRect(50, 60, 640, 480));
        QCOMPARE(WindowStateCode(w), 0);
        // A read writes nothing.
        QCOMPARE(general(t.settings, "TonedeckMainLeft"), QStringLiteral("<none>"));
    }

    void minusOneKeepsTheCoordinateOtherNegativesBecomeZero() {
        tdtest::TestServices t;
        QWidget w;
        w.setGeometry(50, 60, 640, 480);
        t.settings.saveSetting("General", "XLeft", "-1");
        t.settings.saveSetting("General", "XTop", "-7");
        RestoreWindowPosition(t.settings, w, "X", WindowKeys::Position);
        QCOMPARE(w.pos(), QPoint(50, 0));
        QCOMPARE(w.size(), QSize(640, 480));
        t.settings.saveSetting("General", "XLeft", "-2");
        t.settings.saveSetting("General", "XTop", "-1");
        RestoreWindowPosition(t.settings, w, "X", WindowKeys::Position);
        QCOMPARE(w.pos(), QPoint(0, 0));
    }

    void garbageLeavesTheWindowAloneAndThrows() {
        tdtest::TestServices t;
        QWidget w;
        w.setGeometry(50, 60, 640, 480);
        t.settings.saveSetting("General", "XLeft", "200");
        t.settings.saveSetting("General", "XTop", "300");
        t.settings.saveSetting("General", "XWidth", "wide");
        try {
            RestoreWindowPosition(t.settings, w, "X", WindowKeys::PositionSizeState);
            QFAIL("no error for a width that is not a number");
        } catch (const RuntimeError& e) {
            QCOMPARE(e.number(), int(err::TypeMismatch));
        }
        // Nothing applied, not even the valid position.
        QCOMPARE(w.geometry(), QRect(50, 60, 640, 480));
    }

    void absurdValuesAreHeldToADesktop() {
        tdtest::TestServices t;
        QWidget w;
        t.settings.saveSetting("General", "XLeft", "2000000000");
        t.settings.saveSetting("General", "XTop", "5");
        t.settings.saveSetting("General", "XWidth", "0");
        t.settings.saveSetting("General", "XHeight", "99999");
        t.settings.saveSetting("General", "XWindowState", "7");
        RestoreWindowPosition(t.settings, w, "X", WindowKeys::PositionSizeState);
        QVERIFY(w.x() <= 16000);
        QCOMPARE(w.y(), 5);
        QVERIFY(w.width() >= 1);
        QVERIFY(w.height() <= 16000);
        QCOMPARE(WindowStateCode(w), 0);
    }

    void normalWindowRoundTrip() {
        tdtest::TestServices t;
        {
            QWidget w;
            w.setGeometry(110, 130, 700, 500);
            showAndSettle(w);
            SaveWindowPosition(t.settings, w, "TonedeckMain", WindowKeys::PositionSizeState);
        }
        QCOMPARE(general(t.settings, "TonedeckMainWindowState"), QStringLiteral("0"));
        QCOMPARE(general(t.settings, "TonedeckMainLeft"), QStringLiteral("110"));
        QCOMPARE(general(t.settings, "TonedeckMainTop"), QStringLiteral("130"));
        QCOMPARE(general(t.settings, "TonedeckMainWidth"), QStringLiteral("700"));
        QCOMPARE(general(t.settings, "TonedeckMainHeight"), QStringLiteral("500"));
        QWidget again;
        again.resize(300, 200);
        RestoreWindowPosition(t.settings, again, "TonedeckMain", WindowKeys::PositionSizeState);
        showAndSettle(again);
        QCOMPARE(again.geometry(), QRect(110, 130, 700, 500));
    }

    void closedWhileMaximisedComesBackMaximisedWithItsNormalSize() {
        tdtest::TestServices t;
        {
            QWidget w;
            w.setGeometry(110, 130, 700, 500);
            showAndSettle(w);
            w.showMaximized();
            QTRY_VERIFY(w.isMaximized());
            QTRY_VERIFY(w.geometry() != QRect(110, 130, 700, 500));
            SaveWindowPosition(t.settings, w, "TonedeckMain", WindowKeys::PositionSizeState);
        }
        QCOMPARE(general(t.settings, "TonedeckMainWindowState"), QStringLiteral("2"));
        QCOMPARE(general(t.settings, "TonedeckMainLeft"), QStringLiteral("110"));
        QCOMPARE(general(t.settings, "TonedeckMainTop"), QStringLiteral("130"));
        QCOMPARE(general(t.settings, "TonedeckMainWidth"), QStringLiteral("700"));
        QCOMPARE(general(t.settings, "TonedeckMainHeight"), QStringLiteral("500"));

        QWidget next;
        next.resize(300, 200);
        RestoreWindowPosition(t.settings, next, "TonedeckMain", WindowKeys::PositionSizeState);
        showAndSettle(next);
        QTRY_VERIFY(next.isMaximized());
        next.showNormal();
        QTRY_COMPARE(next.geometry(), QRect(110, 130, 700, 500));
    }

    void positionOnlyWindowsStoreNoSize() {
        tdtest::TestServices t;
        QWidget w;
        w.setGeometry(10, 20, 200, 100);
        SaveWindowPosition(t.settings, w, "TonedeckSetup", WindowKeys::Position);
        QCOMPARE(general(t.settings, "TonedeckSetupLeft"), QStringLiteral("10"));
        QCOMPARE(general(t.settings, "TonedeckSetupTop"), QStringLiteral("20"));
        QCOMPARE(general(t.settings, "TonedeckSetupWidth"), QStringLiteral("<none>"));
        QCOMPARE(general(t.settings, "TonedeckSetupWindowState"), QStringLiteral("<none>"));
    }

    void informationWindowShowsTheVersions() {
        tdtest::TestServices t;
        TonedeckInfo info(t.settings);
        QCOMPARE(info.windowTitle(), QStringLiteral("Tonedeck Information"));
        info.Form_Load(118);
        QCOMPARE(info.PSKCoreVersionLabel->text(), QStringLiteral("1.18"));
        QCOMPARE(TonedeckInfo::EngineVersionText(106), QStringLiteral("1.06"));
        QCOMPARE(TonedeckInfo::EngineVersionText(100), QStringLiteral("1"));
        QCOMPARE(TonedeckInfo::EngineVersionText(-5), QStringLiteral("-0.05"));
        QVERIFY(QRegularExpression("^\\d+\\.\\d+\\.\\d+$")
                    .match(info.TonedeckVersionLabel->text())
                    .hasMatch());
        info.SetMMTTYVersion("2.01");
        QCOMPARE(info.MMTTYVersionLabel->text(), QStringLiteral("2.01"));
        // Each label sits beside its caption.
        QStringList captions;
        for (QLabel* l : info.findChildren<QLabel*>())
            captions << l->text();
        for (const char* c : {"Tonedeck version:", "PSKCore.DLL version:", "MMTTY version:"})
            QVERIFY2(captions.contains(QString::fromLatin1(c)), c);
    }

    void informationWindowKeepsItsPlace() {
        tdtest::TestServices t;
        {
            TonedeckInfo info(t.settings);
            info.ShowAtStoredPosition();
            QVERIFY(QTest::qWaitForWindowExposed(&info));
            info.move(0, 0);
            info.setGeometry(QRect(QPoint(140, 90), info.size()));
            info.close();
        }
        QCOMPARE(general(t.settings, "TonedeckInfoLeft"), QStringLiteral("140"));
        QCOMPARE(general(t.settings, "TonedeckInfoTop"), QStringLiteral("90"));
        TonedeckInfo again(t.settings);
        again.ShowAtStoredPosition();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(again.geometry().topLeft(), QPoint(140, 90));

        // A garbled store still shows the window, and says so.
        t.settings.saveSetting("General", "TonedeckInfoTop", "up");
        TonedeckInfo third(t.settings);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, third.ShowAtStoredPosition());
        QVERIFY(third.isVisible());
    }
};

QTEST_MAIN(TestWindowPositions)
#include "tst_window_positions.moc"
