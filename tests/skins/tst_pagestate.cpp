// SPDX-License-Identifier: GPL-3.0-or-later
#include "skins/listedits.h"
#include "skins/pagestate.h"
#include "skins/skinscan.h"

#include <QTest>

#include <algorithm>

class TestPageState : public QObject
{
    Q_OBJECT
private slots:
    void floorDivisionRoundsDown_data();
    void floorDivisionRoundsDown();
    void selectionSetsPages_data();
    void selectionSetsPages();
    void reloadOnlyWhenThePageChanges();
    void listingEditsReplayInTheListsOrder();
};

void TestPageState::floorDivisionRoundsDown_data()
{
    QTest::addColumn<int>("numerator");
    QTest::addColumn<int>("denominator");
    QTest::addColumn<int>("quotient");
    QTest::newRow("zero") << 0 << 12 << 0;
    QTest::newRow("exact") << 24 << 12 << 2;
    QTest::newRow("below next") << 23 << 12 << 1;
    QTest::newRow("minus one") << -1 << 12 << -1;
    QTest::newRow("minus twelve") << -12 << 12 << -1;
    QTest::newRow("minus thirteen") << -13 << 12 << -2;
    QTest::newRow("negative divisor") << 13 << -12 << -2;
}

void TestPageState::floorDivisionRoundsDown()
{
    QFETCH(int, numerator);
    QFETCH(int, denominator);
    QFETCH(int, quotient);
    QCOMPARE(floorDiv(numerator, denominator), quotient);
}

void TestPageState::selectionSetsPages_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("pageLast");
    QTest::addColumn<int>("pageCurrent");
    QTest::addColumn<int>("cellLast");
    QTest::newRow("25 items, last one") << 25 << 24 << 2 << 2 << 0;
    QTest::newRow("25 items, first one") << 25 << 0 << 2 << 0 << 11;
    QTest::newRow("24 items, last one") << 24 << 23 << 1 << 1 << 11;
    QTest::newRow("24 items, item 12") << 24 << 12 << 1 << 1 << 11;
    QTest::newRow("12 items, item 11") << 12 << 11 << 0 << 0 << 11;
    QTest::newRow("5 items") << 5 << 2 << 0 << 0 << 4;
    QTest::newRow("one item") << 1 << 0 << 0 << 0 << 0;
    QTest::newRow("empty list") << 0 << -1 << -1 << -1 << 11;
    QTest::newRow("items, none selected") << 30 << -1 << 2 << -1 << 11;
}

void TestPageState::selectionSetsPages()
{
    QFETCH(int, count);
    QFETCH(int, selected);
    PageState state;
    state.select(QStringLiteral("Name"), selected, count);
    QCOMPARE(state.Selected_Skin, QStringLiteral("Name"));
    QTEST(state.Page_Last, "pageLast");
    QTEST(state.Page_Current, "pageCurrent");
    QTEST(state.Cell_Last, "cellLast");
}

void TestPageState::reloadOnlyWhenThePageChanges()
{
    PageState state;
    state.select(QStringLiteral("a"), 0, 30);
    QVERIFY2(state.needsReload(), "nothing shown yet");
    state.Page_Shown = state.Page_Current;
    state.select(QStringLiteral("b"), 11, 30);
    QVERIFY(!state.needsReload());
    state.select(QStringLiteral("c"), 12, 30);
    QVERIFY(state.needsReload());
    state.Page_Shown = state.Page_Current;

    state.reset();
    QCOMPARE(state.Page_Shown, -1);
    state.select(QString(), -1, 0);
    QVERIFY2(!state.needsReload(), "an empty list after a rescan loads nothing");
}

void TestPageState::listingEditsReplayInTheListsOrder()
{
    // Equal but for case, non-ASCII and beyond the basic plane: the one order of the list,
    // which the edits' binary search relies on.
    QStringList before { QStringLiteral("b"), QStringLiteral("A"), QStringLiteral("a"), QStringLiteral("Ärger"),
        QStringLiteral("\U0001F600 smile"), QStringLiteral("zebra"), QStringLiteral("日本") };
    QStringList after { QStringLiteral("B"), QStringLiteral("a"), QStringLiteral("c"), QStringLiteral("ärger"),
        QStringLiteral("\U0001F600 smile"), QStringLiteral("Zebra2"), QStringLiteral("日本語") };
    SkinScan::sortCaseBlind(before);
    SkinScan::sortCaseBlind(after);
    QVERIFY(std::is_sorted(before.cbegin(), before.cend(), SkinScan::lessCaseBlind));
    QVERIFY(std::adjacent_find(after.cbegin(), after.cend(), [](const QString& x, const QString& y) {
        return !SkinScan::lessCaseBlind(x, y);
    }) == after.cend());

    QStringList view = before;
    QStringList names = before;
    for (const ListEdits::Edit& edit : ListEdits::applyListing(names, after)) {
        if (edit.insert)
            view.insert(edit.row, edit.name);
        else
            QCOMPARE(view.takeAt(edit.row), edit.name);
    }
    QCOMPARE(view, after);
    QCOMPARE(names, after);
    // A name gone leaves the one after it in its place, the last when it was last.
    QCOMPARE(ListEdits::rowOf(after, QStringLiteral("b")), int(after.indexOf(QStringLiteral("c"))));
    QCOMPARE(ListEdits::rowOf(after, QStringLiteral("\U0001F601")), int(after.size() - 1));
    QCOMPARE(ListEdits::rowOf({}, QStringLiteral("a")), -1);
}

QTEST_GUILESS_MAIN(TestPageState)
#include "tst_pagestate.moc"
