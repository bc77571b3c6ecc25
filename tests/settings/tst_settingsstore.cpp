// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/store.h"
#include "settings/optfrm.h"
#include "settings/optfrmholder.h"
#include "settings/settingshost.h"
#include "settings/settingskeys.h"
#include "tests/support/storehelpers.h"
#include "tests/support/testsupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace TestStore;

namespace {

// Stands in for the main window: real menu entries as the window creates them.
class Host : public SettingsHost
{
public:
    Host()
    {
        for (int i = 0; i < 5; ++i) {
            entries[i] = std::make_unique<QAction>();
            entries[i]->setEnabled(i == 0);
        }
    }
    std::array<QAction*, 5> regEntries() override
    {
        return { entries[0].get(), entries[1].get(), entries[2].get(), entries[3].get(), entries[4].get() };
    }
    void makeCurrentFolder(const QString& folder) override { current = folder; }
    void Skin_Rescan() override { ++rescans; }

    std::array<std::unique_ptr<QAction>, 5> entries;
    QString current;
    int rescans = 0;
};

} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void emptyStoreLeavesEverythingAsDesigned();
    void loadNormalisesFieldsAndCaptionsNotTheStore_data();
    void loadNormalisesFieldsAndCaptionsNotTheStore();
    void regEntriesAreOnlyEverEnabled();
    void everySaveWritesAllSixKeysAndNothingElse();
    void saveWithoutDialogWritesStoredValuesNormalised();
    void fieldsKeepTheirTextAsTyped();
    void failingWriteIsReportedAndStillMirrored();
    void unreadableStoreIsReported();
    void malformedStoreIsReportedAfterReadingWhatItCan();
    void windowPositionIsNeverWritten();

private:
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<Host> m_host;
    std::unique_ptr<OptFrmHolder> m_holder;
};

void TestSettingsStore::init()
{
    m_home = std::make_unique<QTemporaryDir>();
    QVERIFY(m_home->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->path()));
    m_host = std::make_unique<Host>();
    m_holder = std::make_unique<OptFrmHolder>(*m_host, nullptr);
}

void TestSettingsStore::cleanup()
{
    m_holder.reset();
    m_host.reset();
    m_home.reset();
}

void TestSettingsStore::emptyStoreLeavesEverythingAsDesigned()
{
    QVERIFY(!m_holder->Settings_Load());
    const Opt_Frm& form = m_holder->form();
    QVERIFY(!form.isVisible());
    for (QLineEdit* field : form.folderFields())
        QVERIFY2(field->text().isEmpty(), qPrintable(field->objectName()));
    for (int i = 0; i < 5; ++i) {
        QVERIFY(m_host->entries[i]->text().isEmpty());
        QCOMPARE(m_host->entries[i]->isEnabled(), i == 0);
    }
    // Loading creates nothing in the store.
    QVERIFY(!QFile::exists(Store::fileFor("Hadrel")));
}

void TestSettingsStore::loadNormalisesFieldsAndCaptionsNotTheStore_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("loaded");
    QTest::newRow("no trailing slash") << "/data/skins"
                                       << "/data/skins/";
    QTest::newRow("one trailing slash") << "/data/skins/"
                                        << "/data/skins/";
    QTest::newRow("several trailing slashes") << "/data/skins///"
                                              << "/data/skins/";
    QTest::newRow("inner doubled slashes stay") << "/data//skins"
                                                << "/data//skins/";
    QTest::newRow("lone slash") << "/"
                                << "";
    QTest::newRow("only slashes") << "///"
                                  << "";
    QTest::newRow("japanese and blanks") << "/home/me/スキン ﾌｫﾙﾀﾞ "
                                         << "/home/me/スキン ﾌｫﾙﾀﾞ /";
    QTest::newRow("windows path kept as text") << "D:\\skins"
                                               << "D:\\skins/";
}

void TestSettingsStore::loadNormalisesFieldsAndCaptionsNotTheStore()
{
    QFETCH(QString, value);
    QFETCH(QString, loaded);
    store("Amp", value);
    store("3", value);

    QVERIFY(!m_holder->Settings_Load());
    const Opt_Frm& form = m_holder->form();
    QCOMPARE(form.Amp_Path->text(), loaded);
    QCOMPARE(form.Skin_Path[3]->text(), loaded);
    QCOMPARE(m_host->entries[3]->text(), loaded);
    QCOMPARE(m_host->entries[3]->isEnabled(), !loaded.isEmpty());
    QCOMPARE(m_holder->ampPath(), loaded);

    QCOMPARE(stored("Amp"), value);
    QCOMPARE(stored("3"), value);
    QCOMPARE(stored("0"), QStringLiteral("<missing>"));
}

void TestSettingsStore::regEntriesAreOnlyEverEnabled()
{
    store("0", "/zero");
    store("2", "/two/");
    QVERIFY(!m_holder->Settings_Load());
    for (int i = 0; i < 5; ++i)
        QCOMPARE(m_host->entries[i]->isEnabled(), i == 0 || i == 2);
    QCOMPARE(m_host->entries[0]->text(), QStringLiteral("/zero/"));
    QCOMPARE(m_host->entries[2]->text(), QStringLiteral("/two/"));

    m_holder->form().Skin_Path[2]->clear();
    m_holder->form().Skin_Path[0]->clear();
    QVERIFY(!m_holder->Settings_Save());
    QCOMPARE(stored("2"), QString());
    QCOMPARE(m_host->entries[2]->text(), QString());
    QVERIFY(m_host->entries[2]->isEnabled());
    QVERIFY(m_host->entries[0]->isEnabled());

    // A later load with the slot empty leaves the entry enabled too.
    QVERIFY(!m_holder->Settings_Load());
    QVERIFY(m_host->entries[2]->isEnabled());
    QVERIFY(!m_host->entries[4]->isEnabled());
}

void TestSettingsStore::everySaveWritesAllSixKeysAndNothingElse()
{
    QVERIFY(!m_holder->Settings_Save());
    QSettings ini(Store::fileFor("Hadrel"), QSettings::IniFormat);
    QCOMPARE(ini.childGroups(), QStringList { "Path" });
    ini.beginGroup("Path");
    QStringList keys = ini.childKeys();
    keys.sort();
    QCOMPARE(keys, (QStringList { "0", "1", "2", "3", "4", "Amp" }));
    for (const QString& key : std::as_const(keys))
        QCOMPARE(ini.value(key).toString(), QString());
}

void TestSettingsStore::saveWithoutDialogWritesStoredValuesNormalised()
{
    store("Amp", "/winamp");
    store("1", "/skins///");
    store("4", "/");
    QVERIFY(!m_holder->existing());
    QVERIFY(!m_holder->Settings_Save());
    QVERIFY(m_holder->existing());
    QCOMPARE(stored("Amp"), QStringLiteral("/winamp/"));
    QCOMPARE(stored("1"), QStringLiteral("/skins/"));
    QCOMPARE(stored("4"), QString());
    QCOMPARE(stored("0"), QString());
    QCOMPARE(m_host->entries[1]->text(), QStringLiteral("/skins/"));
}

void TestSettingsStore::fieldsKeepTheirTextAsTyped()
{
    Opt_Frm& form = m_holder->form();
    form.Amp_Path->setText("/typed//");
    form.Skin_Path[0]->setText("/first");
    QVERIFY(!m_holder->Settings_Save());
    QCOMPARE(form.Amp_Path->text(), QStringLiteral("/typed//"));
    QCOMPARE(form.Skin_Path[0]->text(), QStringLiteral("/first"));
    QCOMPARE(stored("Amp"), QStringLiteral("/typed/"));
    QCOMPARE(stored("0"), QStringLiteral("/first/"));
    QCOMPARE(m_host->entries[0]->text(), QStringLiteral("/first/"));
    // Saving is not showing: nothing became current, nothing was rescanned.
    QCOMPARE(m_host->rescans, 0);
    QVERIFY(m_host->current.isEmpty());
}

void TestSettingsStore::failingWriteIsReportedAndStillMirrored()
{
    QVERIFY(QDir().mkpath(Store::fileFor("Hadrel")));
    Opt_Frm& form = m_holder->form();
    form.Skin_Path[1]->setText("/one");
    const RunError error = m_holder->Settings_Save();
    QCOMPARE(error.number, 75);
    QVERIFY(!error.description.isEmpty());
    // The session goes on with what the user gave.
    QCOMPARE(m_host->entries[1]->text(), QStringLiteral("/one/"));
    QVERIFY(m_host->entries[1]->isEnabled());
    QCOMPARE(form.Skin_Path[1]->text(), QStringLiteral("/one"));
}

void TestSettingsStore::unreadableStoreIsReported()
{
    QVERIFY(QDir().mkpath(Store::fileFor("Hadrel")));
    QCOMPARE(m_holder->Settings_Load().number, 75);
    QVERIFY(m_holder->existing());
    QVERIFY(m_holder->form().Amp_Path->text().isEmpty());
}

void TestSettingsStore::malformedStoreIsReportedAfterReadingWhatItCan()
{
    QVERIFY(QDir().mkpath(Store::folder()));
    const QString file = Store::fileFor("Hadrel");
    const QByteArray damaged("[Path\nAmp=/winamp\n0=/skins\n");
    QVERIFY(TestSupport::writeFile(file, damaged));
    QVERIFY(TestSupport::writeFile(file + ".damaged", "an earlier copy"));
    QCOMPARE(m_holder->Settings_Load().number, 380);
    QCOMPARE(m_holder->form().Amp_Path->text(), QStringLiteral("/winamp/"));
    QCOMPARE(m_host->entries[0]->text(), QStringLiteral("/skins/"));
    QCOMPARE(m_holder->damagedCopy(), file + ".damaged.1");
    QCOMPARE(TestSupport::readAll(file + ".damaged.1"), damaged);
    QCOMPARE(TestSupport::readAll(file + ".damaged"), QByteArray("an earlier copy"));
}

void TestSettingsStore::windowPositionIsNeverWritten()
{
    QCOMPARE(SettingsKeys::write(SettingsKeys::mainLeft, "5").number, 5);
    QCOMPARE(SettingsKeys::write(SettingsKeys::mainTop, "5").number, 5);
    QVERIFY(!m_holder->Settings_Save());
    QCOMPARE(Store::get("Hadrel", "Settings", "MainLeft", "<missing>"), QStringLiteral("<missing>"));
    QCOMPARE(SettingsKeys::read(SettingsKeys::mainLeft), QStringLiteral("1000"));
    QVERIFY(!Store::save("Hadrel", "Settings", "MainTop", "2250"));
    QCOMPARE(SettingsKeys::read(SettingsKeys::mainTop), QStringLiteral("2250"));
}

QTEST_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
