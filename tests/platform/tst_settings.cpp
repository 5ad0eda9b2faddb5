// The settings store: one string per (section, key), written through at once, robust against
// whatever is in the file.
#include "platform/SettingsStore.h"

#include "TestLocale.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using platform::SettingsStore;

class TestSettings : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString ini(const QString& name) const { return dir_.path() + '/' + name; }

    static QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void write(const QString& path, const QByteArray& data) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(data);
    }

private slots:
    void initTestCase() { tdtest::requireLocaleOfEnvironment(); }
    void roundTripsAnyString_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("plain") << QStringLiteral("BPSK");
        QTest::newRow("empty") << QString(QLatin1String(""));
        QTest::newRow("commas") << QStringLiteral("9600,n,8,1");
        QTest::newRow("comma space") << QStringLiteral("a, b");
        QTest::newRow("quotes") << QStringLiteral("say \"hi\" 'x'");
        QTest::newRow("ini syntax") << QStringLiteral("[Section]\nkey=value;comment #x");
        QTest::newRow("blanks") << QStringLiteral("  padded  ");
        QTest::newRow("at sign") << QStringLiteral("@Variant(garbage)");
        QTest::newRow("backslash") << QStringLiteral("C:\\Program Files\\x");
        QTest::newRow("unicode") << QStringLiteral("Ø ü 日本");
        QTest::newRow("control") << QStringLiteral("a\tb\rc\x01");
    }
    void roundTripsAnyString() {
        QFETCH(QString, value);
        const QString path = ini(QStringLiteral("roundtrip.ini"));
        {
            SettingsStore store(path);
            store.saveSetting(QStringLiteral("Macros"), QStringLiteral("Text1"), value);
            QCOMPARE(store.getSetting("Macros", "Text1", "default"), value);
        }
        SettingsStore again(path);
        QCOMPARE(again.getSetting("Macros", "Text1", "default"), value);
        QVERIFY(again.hasSetting("Macros", "Text1"));
    }

    void missingKeysGiveTheDefault() {
        SettingsStore store(ini(QStringLiteral("missing.ini")));
        QCOMPARE(store.getSetting("Receiver", "AFCLimit", "100"), QStringLiteral("100"));
        QVERIFY(!store.hasSetting("Receiver", "AFCLimit"));
        QVERIFY(store.getSetting("Receiver", "AFCLimit").isNull());
        // Empty names are never stored.
        store.saveSetting(QString(), "Key", "x");
        store.saveSetting("Section", QString(), "x");
        QCOMPARE(store.getSetting(QString(), "Key", "d"), QStringLiteral("d"));
        QVERIFY(!store.hasSetting("Section", QString()));
    }

    void generalIsAnOrdinarySection() {
        const QString path = ini(QStringLiteral("general.ini"));
        {
            SettingsStore store(path);
            store.saveSetting("General", "MainLeft", "120");
            store.saveSetting("General", "General", "g");
            store.saveSetting("Display", "General", "not the section");
            store.saveSetting("%General", "X", "percent");
        }
        // The file shows a plain [General] section holding exactly the General keys.
        const QByteArray text = read(path);
        QVERIFY2(text.contains("[General]\n"), text.constData());
        QVERIFY2(text.contains("MainLeft=120"), text.constData());
        QVERIFY2(!text.contains("[%General]\nMainLeft"), text.constData());
        SettingsStore again(path);
        QCOMPARE(again.getSetting("General", "MainLeft"), QStringLiteral("120"));
        QCOMPARE(again.getSetting("General", "General"), QStringLiteral("g"));
        QCOMPARE(again.getSetting("Display", "General"), QStringLiteral("not the section"));
        QCOMPARE(again.getSetting("%General", "X"), QStringLiteral("percent"));
        QVERIFY(!again.hasSetting("General", "X"));

        // A hand-written [General] section reads as the section General.
        const QString handPath = ini(QStringLiteral("hand.ini"));
        write(handPath, "[General]\nCallsign=Q0CALL\n\n[Log]\nPath=/tmp/x\n");
        SettingsStore hand(handPath);
        QCOMPARE(hand.getSetting("General", "Callsign"), QStringLiteral("Q0CALL"));
        QCOMPARE(hand.getSetting("Log", "Path"), QStringLiteral("/tmp/x"));
    }

    void writeThroughIsVisibleAtOnce() {
        const QString path = ini(QStringLiteral("through.ini"));
        SettingsStore store(path);
        store.saveSetting("SoundCard", "Device", "2");
        // Another reader of the file, opened after the write, sees it without any sync.
        QSettings other(path, QSettings::IniFormat);
        QCOMPARE(other.value("SoundCard/Device").toString(), QStringLiteral("2"));
        store.saveSetting("SoundCard", "Device", "3");
        QVERIFY(read(path).contains("Device=3"));
    }

    void garbageFilesNeverCrash() {
        QRandomGenerator rng(12345);
        for (int round = 0; round < 50; ++round) {
            const QString path = ini(QStringLiteral("garbage%1.ini").arg(round));
            QByteArray junk;
            const int size = int(rng.bounded(1, 4000));
            const char pieces[][16] = {"[",  "]", "=", "\n",      "@Variant(", "@ByteArray(", "\\",
                                       "\"", ",", "%", "General", "\0",        "\r\n",        ";"};
            while (junk.size() < size) {
                if (rng.bounded(3) == 0)
                    junk += pieces[rng.bounded(int(std::size(pieces)))];
                else
                    junk += char(rng.bounded(256));
            }
            write(path, junk);
            SettingsStore store(path);
            QCOMPARE(store.getSetting("Receiver", "NotThere", "dflt"), QStringLiteral("dflt"));
            store.saveSetting("Receiver", "Squelch", "50");
            QCOMPARE(store.getSetting("Receiver", "Squelch"), QStringLiteral("50"));
        }
        // A garbled @Variant value (serialized data gone bad) reads as some string or the
        // default, never a crash.
        const QString bad = ini(QStringLiteral("variant.ini"));
        write(bad, "[Display]\nFont=@Variant(\\0\\0\\0\\x7f\\xff\\xff)\nSize=@ByteArray(\n");
        SettingsStore store(bad);
        store.getSetting("Display", "Font", "d");
        store.getSetting("Display", "Size", "d");
        QCOMPARE(store.getSetting("Display", "Other", "d"), QStringLiteral("d"));
    }

    void unreadableFileGivesDefaults() {
        // A directory where the file should be: nothing can be read or written there.
        const QString path = ini(QStringLiteral("adir.ini"));
        QVERIFY(QDir().mkpath(path));
        SettingsStore store(path);
        QCOMPARE(store.getSetting("General", "Callsign", "none"), QStringLiteral("none"));
        store.saveSetting("General", "Callsign", "Q0CALL"); // lost, silently
        QVERIFY(QFileInfo(path).isDir());
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
