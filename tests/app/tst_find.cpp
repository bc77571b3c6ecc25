// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/searchwindow.h"
#include "tests/support/gridwindow.h"
#include "tests/support/storehelpers.h"

#include <QHelpEvent>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTreeView>
#include <QListWidget>
#include <QRadioButton>
#include <QToolTip>

using namespace TestSupport;

class TestFind : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void typingFindsASkinAndEnterShowsItsPage();
    void theAppliedSkinIsMarked();
    void cutNamesShowWholeAsTooltips();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<GridWindow> m_grid;
};

void TestFind::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(makeNumberedSkins(m_dir->path(), 30));
    QVERIFY(makeSkin(m_dir->path(), "夏のスキン集"));
    m_grid = std::make_unique<GridWindow>(m_dir->path());
}

void TestFind::cleanup()
{
    m_grid.reset();
    m_dir.reset();
}

void TestFind::typingFindsASkinAndEnterShowsItsPage()
{
    frmmain& w = m_grid->window;
    QVERIFY(m_grid->showActive());
    QTest::keyClick(&w, Qt::Key_F, Qt::ControlModifier);
    auto* search = w.findChild<SearchWindow*>();
    QVERIFY(search && search->isVisible());
    QCOMPARE(search->countLabel->text(), "31 件");
    QTRY_VERIFY(search->textBox->hasFocus());

    // Kana come from the input method as committed text.
    QInputMethodEvent typed;
    typed.setCommitString("すきん");
    QApplication::sendEvent(search->textBox, &typed);
    QCOMPARE(search->countLabel->text(), "1 件");
    QTest::keyClick(search->textBox, Qt::Key_Return);
    QCOMPARE(w.Skin_Lst->currentItem()->text(), "夏のスキン集");
    const int cell = w.selectedCell();
    QVERIFY(cell >= 0);
    QCOMPARE(w.Skin_Name[cell]->text(), "夏のスキン集");
    QVERIFY(search->isVisible());

    // Down from the text box, then Enter: the second match.
    search->bringUp();
    QTest::keyClicks(search->textBox, "SKIN0");
    QCOMPARE(search->countLabel->text(), "10 件");
    QTest::keyClick(search->textBox, Qt::Key_Down);
    QVERIFY(search->textBox->hasFocus());
    QTest::keyClick(search->textBox, Qt::Key_Return);
    QCOMPARE(w.Skin_Lst->currentItem()->text(), "Skin01");

    // A rescan keeps the text and brings in the new skin; newest first puts it first.
    QVERIFY(makeSkin(m_dir->path(), "Skin0X"));
    w.view[0]->trigger();
    QCOMPARE(search->textBox->text(), "SKIN0");
    QCOMPARE(search->countLabel->text(), "11 件");
    search->newest->click();
    QCOMPARE(search->matchList->model()->index(0, 0).data().toString(), "Skin0X");
}

void TestFind::theAppliedSkinIsMarked()
{
    frmmain& w = m_grid->window;
    const QString amp = slashed(m_dir->path()) + "Winamp/";
    QVERIFY(QDir().mkpath(amp));
    QVERIFY(writeFile(amp + "winamp.ini", "cwd=old\r\nskin=Old\r\n"));
    TestStore::store("Amp", amp);
    const auto marked = [&w](int row, int cell) {
        const QListWidgetItem* item = w.Skin_Lst->item(row);
        return item->font().bold() && item->toolTip() == "Winampで使用中" && w.Skin_Name[cell]->isInUse()
            && w.Skin_Name[cell]->font().bold();
    };
    QVERIFY(!marked(3, 3));

    w.Skin_Lst->setCurrentRow(3);
    w.file[5]->trigger();
    QVERIFY(marked(3, 3));
    w.Skin_Lst->setCurrentRow(14); // the second page
    QVERIFY(!w.Skin_Name[2]->isInUse());
    w.file[5]->trigger();
    QVERIFY(marked(14, 2));
    QVERIFY(!w.Skin_Lst->item(3)->font().bold());

    // Another folder's skin of the same name is not the one in use.
    QVERIFY(writeFile(amp + "winamp.ini", "cwd=/elsewhere/\r\nskin=Skin14\r\n"));
    w.view[0]->trigger();
    QCOMPARE(w.skinInUse(), QString());
    QVERIFY(!w.Skin_Lst->item(14)->font().bold());
}

void TestFind::cutNamesShowWholeAsTooltips()
{
    const QString longName = "A skin whose name is far too long for its box";
    QVERIFY(makeSkin(m_dir->path(), longName));
    frmmain& w = m_grid->window;
    w.view[0]->trigger();
    QVERIFY(m_grid->showActive());
    const auto tipAt = [](QWidget* widget, QPoint at) {
        QHelpEvent help(QEvent::ToolTip, at, widget->mapToGlobal(at));
        QApplication::sendEvent(widget, &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    QCOMPARE(tipAt(w.Skin_Name[1], QPoint(5, 5)), QString()); // Skin00 fits
    QCOMPARE(tipAt(w.Skin_Name[0], QPoint(5, 5)), longName);
    const QRect entry = w.Skin_Lst->visualItemRect(w.Skin_Lst->item(0));
    QCOMPARE(tipAt(w.Skin_Lst->viewport(), entry.center()), longName);
}

QTEST_MAIN(TestFind)
#include "tst_find.moc"
