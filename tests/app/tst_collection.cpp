// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/colourpalette.h"
#include "app/duplicateswindow.h"
#include "app/findcommands.h"
#include "app/searchwindow.h"
#include "app/winamplookview.h"
#include "dialogs/messages.h"
#include "index/skinindex.h"
#include "platform/trash.h"
#include "tests/support/gridwindow.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeView>

using namespace TestSupport;

namespace {

// Every file of a skin dated in year, as a skin kept since then is.
bool dateSkin(const QString& skin, int year)
{
    const QDateTime when(QDate(year, 6, 1), QTime(12, 0), Qt::UTC);
    QDirIterator files(skin, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (!file.open(QIODevice::ReadWrite) || !file.setFileTime(when, QFileDevice::FileModificationTime))
            return false;
    }
    return true;
}

} // namespace

// The windows on the index, on real skins in two registered folders: A (current) and B.
class TestCollection : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void readmeWordFindsItsSkinInAnotherFolder();
    void filtersAndTheYearOrder();
    void duplicatesGroupTheBaseVariantsAndTrashAllButTheKeptOne();
    void lookAlikesAndColoursComeNearestFirst();
    void aSkinHoldingProgramsIsMarked();
    void closingTheWindowStopsTheIndexAtOnce();

private:
    QStringList column(int column) const;
    bool indexed();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<GridWindow> m_grid;
    QString m_a, m_b;
    SearchWindow* m_search = nullptr;
};

void TestCollection::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_a = slashed(m_dir->path()) + "A/";
    m_b = slashed(m_dir->path()) + "B/";
    const QString shared = slashed(sharedSkinsFolder());
    QVERIFY(QDir().mkpath(m_a) && QDir().mkpath(m_b));
    QVERIFY(copyTree(shared + "base-2.91", m_a + "base-2.91"));
    QVERIFY(copyTree(shared + "Paper-Amp", m_a + "Paper-Amp"));
    QVERIFY(QFile::copy(shared + "wsz/base-2.91.wsz", m_b + "base-2.91.wsz"));
    // The base skin with other playlist colours: what Winamp reads differs, not its look.
    QVERIFY(copyTree(shared + "base-2.91", m_b + "base variant"));
    QVERIFY(writeFile(m_b + "base variant/PLEDIT.TXT", "[Text]\r\nNormal=#FF0000\r\n"));
    QVERIFY(makeSkin(m_b, "Teal", "main.bmp", QColor(0x10, 0x80, 0x80)));
    QVERIFY(makeSkin(m_b, "Crimson", "main.bmp", QColor(0xd0, 0x10, 0x20)));
    // 夏祭りの夜に作ったスキンです。 in Shift_JIS
    QVERIFY(writeFile(m_b + "Crimson/readme.txt",
        "\x89\xc4\x8d\xd5\x82\xe8\x82\xcc\x96\xe9\x82\xc9\x8d\xec\x82\xc1\x82\xbd\x83\x58\x83\x4c\x83\x93\x82\xc5\x82\xb7\x81\x42"));
    QVERIFY(dateSkin(m_b + "Teal", 2001) && dateSkin(m_b + "Crimson", 2004));

    m_grid = std::make_unique<GridWindow>(m_a);
    m_grid->window.Reg[0]->setText(m_a);
    m_grid->window.Reg[1]->setText(m_b);
    m_grid->window.view[0]->trigger();
    QVERIFY(indexed());
    m_search = m_grid->window.finder->searchWindow();
    m_search->bringUp();
}

void TestCollection::cleanup()
{
    Messages::reset();
    m_grid.reset();
    m_dir.reset();
}

bool TestCollection::indexed()
{
    const SkinIndex* index = m_grid->window.findChild<SkinIndex*>();
    return index && QTest::qWaitFor([index] { return !index->isBusy() && index->snapshot()->size() > 0; }, 20000);
}

QStringList TestCollection::column(int column) const
{
    QStringList texts;
    const QAbstractItemModel* model = m_search->matchList->model();
    for (int row = 0; row < model->rowCount(); ++row)
        texts.append(model->index(row, column).data().toString());
    return texts;
}

void TestCollection::readmeWordFindsItsSkinInAnotherFolder()
{
    m_search->textBox->setText("夏祭り");
    QCOMPARE(column(SkinMatches::nameColumn), QStringList());
    m_search->allFolders->setChecked(true);
    QCOMPARE(column(SkinMatches::nameColumn), QStringList { "Crimson" });
    QCOMPARE(column(SkinMatches::matchColumn), QStringList { "Readme" });
    QCOMPARE(column(SkinMatches::folderColumn), QStringList { m_b });
    // A match by name is no readme match.
    m_search->textBox->setText("teal");
    QCOMPARE(column(SkinMatches::matchColumn), QStringList { "" });

    m_search->textBox->setText("夏祭り");
    QTest::keyClick(m_search->textBox, Qt::Key_Return);
    QCOMPARE(m_grid->window.currentFolder(), m_b);
    QCOMPARE(m_grid->window.Skin_Lst->currentItem()->text(), "Crimson");
}

void TestCollection::filtersAndTheYearOrder()
{
    m_search->allFolders->setChecked(true);
    m_search->shaped->setChecked(true);
    QCOMPARE(column(SkinMatches::nameColumn), (QStringList { "base variant", "base-2.91", "base-2.91.wsz", "Paper-Amp" }));
    m_search->hasCursors->setChecked(true);
    QCOMPARE(column(SkinMatches::nameColumn), (QStringList { "base variant", "base-2.91", "base-2.91.wsz" }));
    m_search->shaped->setChecked(false);
    m_search->hasCursors->setChecked(false);

    m_search->yearTo->setValue(2010);
    QCOMPARE(column(SkinMatches::nameColumn), (QStringList { "Crimson", "Teal" }));
    QCOMPARE(column(SkinMatches::yearColumn), (QStringList { "2004", "2001" }));
    m_search->yearFrom->setValue(2002);
    QCOMPARE(column(SkinMatches::nameColumn), QStringList { "Crimson" });
    m_search->yearFrom->setValue(m_search->yearFrom->minimum());
    m_search->byYear->click();
    QCOMPARE(column(SkinMatches::nameColumn), (QStringList { "Teal", "Crimson" }));
}

void TestCollection::duplicatesGroupTheBaseVariantsAndTrashAllButTheKeptOne()
{
    frmmain& w = m_grid->window;
    QAction* command = w.findChild<QAction*>("mnuDuplicates");
    QVERIFY(command && w.ViewMenu->actions().last() == command);
    command->trigger();
    auto* window = w.findChild<DuplicatesWindow*>();
    QVERIFY(window && window->isVisible());
    QCOMPARE(window->groups().size(), 1);
    const DuplicatesWindow::Group& group = window->groups().first();
    QStringList paths;
    for (int i = 0; i < group.rows.size(); ++i)
        paths.append(window->skin(0, i).folder + window->skin(0, i).name);
    QCOMPARE(paths.size(), 3);
    for (const QString& path : { m_a + "base-2.91", m_b + "base-2.91.wsz", m_b + "base variant" })
        QVERIFY2(paths.contains(path), qPrintable(paths.join(", ")));
    QVERIFY(!group.identical);

    // The archive is kept; the others go to the trash, and the list forgets them.
    const int kept = int(paths.indexOf(m_b + "base-2.91.wsz"));
    QCOMPARE(window->groupList->currentIndex().row(), 0);
    QAbstractItemModel* skins = window->skinList->model();
    QCOMPARE(skins->rowCount(), 3);
    QVERIFY(skins->setData(skins->index(kept, 0), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(skins->index(0, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(), kept == 0 ? Qt::Checked : Qt::Unchecked);
    Messages::setNextAnswer(QMessageBox::Yes);
    window->trashButton->click();
    QCOMPARE(Messages::pendingAnswers(), 0);
    QVERIFY(QFileInfo(m_b + "base-2.91.wsz").isFile());
    QVERIFY(!QFileInfo::exists(m_a + "base-2.91") && !QFileInfo::exists(m_b + "base variant"));
    QVERIFY(QFileInfo(Trash::homeTrash() + "/files/base-2.91").isDir());
    QCOMPARE(window->groups().size(), 0);
    QVERIFY(w.Skin_Lst->findItems("base-2.91", Qt::MatchExactly).isEmpty());
}

void TestCollection::lookAlikesAndColoursComeNearestFirst()
{
    frmmain& w = m_grid->window;
    w.Skin_Lst->setCurrentRow(0);
    QCOMPARE(w.state().Selected_Skin, "base-2.91");
    auto* similar = w.findChild<QAction*>("mnuSimilar");
    QVERIFY(similar);
    whenOpen(&w, [similar](QWidget* menu) {
        QVERIFY(static_cast<QMenu*>(menu)->actions().last() == similar && similar->isVisible());
        QTest::keyClick(menu, Qt::Key_Up); // onto the last entry
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QMetaObject::invokeMethod(w.Skin_Preview[0], "rightPressed");
    QTRY_VERIFY(m_search->nearestLabel->isVisible());
    const QStringList near = column(SkinMatches::nameColumn).mid(0, 3);
    QCOMPARE(near.first(), "base-2.91");
    QVERIFY2(near.contains("base-2.91.wsz") && near.contains("base variant"), qPrintable(near.join(", ")));

    // A red of the palette puts the red skin first; the dialog's teal the teal one.
    m_search->palette->swatch(4)->click();
    QCOMPARE(column(SkinMatches::nameColumn).first(), "Crimson");
    ColourPalette::askColour = [](QWidget*, const QColor&) { return QColor(0x20, 0x90, 0x90); };
    m_search->palette->otherButton->click();
    QCOMPARE(column(SkinMatches::nameColumn).first(), "Teal");
    m_search->nearestClear->click();
    QVERIFY(!m_search->nearestLabel->isVisible());
    QCOMPARE(column(SkinMatches::nameColumn).first(), "base variant");
}

void TestCollection::aSkinHoldingProgramsIsMarked()
{
    frmmain& w = m_grid->window;
    QVERIFY(writeFile(m_a + "Paper-Amp/setup.exe", "MZ"));
    w.view[0]->trigger();
    QVERIFY(indexed());
    const QListWidgetItem* paper = w.Skin_Lst->findItems("Paper-Amp", Qt::MatchExactly).value(0);
    QTRY_VERIFY(paper && !paper->icon().isNull());
    QVERIFY(paper->toolTip().contains("プログラム"));
    QVERIFY(w.Skin_Lst->item(0)->icon().isNull());

    w.Skin_Lst->setCurrentItem(const_cast<QListWidgetItem*>(paper));
    bool warned = false;
    whenOpen(&w, [&warned](QWidget* open) {
        auto* view = qobject_cast<WinampLookView*>(open);
        warned = view && view->Programs_Warning->isVisible();
        open->close();
    });
    w.mnuLook->trigger();
    QVERIFY(warned);
}

void TestCollection::closingTheWindowStopsTheIndexAtOnce()
{
    frmmain& w = m_grid->window;
    QVERIFY(makeNumberedSkins(m_a, 300));
    w.view[0]->trigger();
    const SkinIndex* index = w.findChild<SkinIndex*>();
    QVERIFY(index->isBusy());
    w.close();
    QVERIFY(!index->isBusy());
    QVERIFY(index->snapshot()->size() < 300);
}

QTEST_MAIN(TestCollection)
#include "tst_collection.moc"
