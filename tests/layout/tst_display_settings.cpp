// Stored fonts, proportions, colours and booleans of the panes.
#include "common/Errors.h"
#include "TestServices.h"
#include "tuning/DisplaySettings.h"

#include <QFontInfo>
#include <QTest>

using namespace display;

class TestDisplaySettings : public QObject {
    Q_OBJECT

private slots:
    void emptyStoreGivesTheDefaults() {
        tdtest::TestServices t;
        for (int pane = 0; pane < 3; ++pane) {
            const FontSetting f = ReadPaneFont(t.settings, pane);
            QCOMPARE(f.name, QStringLiteral("MS Sans Serif"));
            QCOMPARE(f.size, 8.0);
            QVERIFY(!f.bold && !f.italic);
        }
        const FontSetting k = ReadKeyboardFont(t.settings);
        QCOMPARE(k.name, QStringLiteral("MS Sans Serif"));
        QCOMPARE(k.size, 10.0);
        PanePercentage p;
        ReadPanePercentage(t.settings, p);
        QCOMPARE(p.psk, (std::array<float, 3>{0.33f, 0.33f, 0.33f}));
        QCOMPARE(p.rtty, (std::array<float, 3>{0.5f, 0.5f, 0.0f}));
        QCOMPARE(ReadDisplayColor(t.settings, "KeyboardColor", 0), 0);
        QVERIFY(ReadDisplayBool(t.settings, "ShowTooltips", true));
    }

    void fontsRoundTripUnderTheirKeys() {
        tdtest::TestServices t;
        SavePaneFont(t.settings, 2, {"DejaVu Sans Mono", 11.5, true, false});
        SaveKeyboardFont(t.settings, {"Courier New", 12, false, true});
        QCOMPARE(t.settings.getSetting("Display", "PaneFontName2"),
                 QStringLiteral("DejaVu Sans Mono"));
        QCOMPARE(t.settings.getSetting("Display", "PaneFontSize2"), QStringLiteral("11.5"));
        QCOMPARE(t.settings.getSetting("Display", "PaneFontBold2"), QStringLiteral("True"));
        QCOMPARE(t.settings.getSetting("Display", "PaneFontItalic2"), QStringLiteral("False"));
        QCOMPARE(t.settings.getSetting("Display", "KeyboardFontItalic"), QStringLiteral("True"));
        QCOMPARE(ReadPaneFont(t.settings, 2), (FontSetting{"DejaVu Sans Mono", 11.5, true, false}));
        QCOMPARE(ReadKeyboardFont(t.settings), (FontSetting{"Courier New", 12, false, true}));
        QCOMPARE(ReadPaneFont(t.settings, 0), FontSetting{}); // other panes untouched
    }

    void missingFontKeepsItsStoredName() {
        const QFont f = ToQFont(FontSetting{});
        QCOMPARE(f.family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(f.pointSizeF(), 8.0);
        // Whatever the desktop draws with, the name that goes back to the store is the same.
        QCOMPARE(FromQFont(f), FontSetting{});
        QVERIFY(!QFontInfo(f).family().isEmpty());
    }

    void booleansAndBadValues() {
        tdtest::TestServices t;
        for (const char* yes : {"True", "true", "-1", "1"}) {
            t.settings.saveSetting("Display", "PaneFontBold0", yes);
            QVERIFY2(ReadPaneFont(t.settings, 0).bold, yes);
        }
        t.settings.saveSetting("Display", "PaneFontBold0", "False");
        QVERIFY(!ReadPaneFont(t.settings, 0).bold);
        t.settings.saveSetting("Display", "PaneFontBold0", "maybe");
        QVERIFY_THROWS_EXCEPTION(common::RuntimeError, ReadPaneFont(t.settings, 0));
        t.settings.saveSetting("Display", "PaneFontBold0", "0");

        t.settings.saveSetting("Display", "PaneFontSize0", "eight");
        QVERIFY_THROWS_EXCEPTION(common::RuntimeError, ReadPaneFont(t.settings, 0));
        // Sizes are held to what a pane can show.
        t.settings.saveSetting("Display", "PaneFontSize0", "1000");
        QCOMPARE(ReadPaneFont(t.settings, 0).size, kMaxFontSize);
        t.settings.saveSetting("Display", "PaneFontSize0", "-3");
        QCOMPARE(ReadPaneFont(t.settings, 0).size, kMinFontSize);
        // An empty name is no font.
        t.settings.saveSetting("Display", "PaneFontName0", "  ");
        QCOMPARE(ReadPaneFont(t.settings, 0).name, kDefaultFontName);

        t.settings.saveSetting("Display", "KeyboardColor", "16777216");
        try {
            ReadDisplayColor(t.settings, "KeyboardColor", 0);
            QFAIL("a colour beyond white was accepted");
        } catch (const common::RuntimeError& e) {
            QCOMPARE(e.number(), int(common::err::InvalidPropertyValue));
        }
        SaveDisplayColor(t.settings, "KeyboardColor", 0xFF);
        QCOMPARE(ReadDisplayColor(t.settings, "KeyboardColor", 0), 0xFF);
    }

    void proportionsComeBackBitForBit() {
        tdtest::TestServices t;
        PanePercentage p;
        p.psk = {100.0f / 306.0f, 0.5f, 1.0f / 3.0f};
        p.rtty = {0.25f, 0.75f, 0.0f};
        SavePanePercentage(t.settings, p);
        QCOMPARE(t.settings.getSetting("Display", "PaneSize1"), QStringLiteral("0.5"));
        QCOMPARE(t.settings.getSetting("Display", "RTTYPaneSize2"), QStringLiteral("0"));
        PanePercentage q;
        ReadPanePercentage(t.settings, q);
        QCOMPARE(q.psk, p.psk);
        QCOMPARE(q.rtty, p.rtty);
        QCOMPARE(SingleText(0.33f), QStringLiteral("0.33"));
        QCOMPARE(SingleText(0.333f), QStringLiteral("0.333"));

        // A bad key leaves every proportion as it was.
        t.settings.saveSetting("Display", "RTTYPaneSize1", "half");
        PanePercentage r;
        QVERIFY_THROWS_EXCEPTION(common::RuntimeError, ReadPanePercentage(t.settings, r));
        QCOMPARE(r.psk[0], 0.33f);
    }
};

QTEST_MAIN(TestDisplaySettings)
#include "tst_display_settings.moc"
