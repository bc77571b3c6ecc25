// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/renamesession.h"

#include <QTest>

using Commit = RenameSession::Commit;
using Outcome = RenameSession::Outcome;

class TestRenameSession : public QObject
{
    Q_OBJECT
private slots:
    void backInATypedBoxKeepsTheNameItRenamesFrom();
    void onlyTheEditedBoxWithTypedTextRenames();
    void aCommitUnderWayStartsNoOtherEdit();
    void outcomes();
};

void TestRenameSession::backInATypedBoxKeepsTheNameItRenamesFrom()
{
    RenameSession session;
    QVERIFY(session.enter({ 2, "Green", false }));
    QCOMPARE(session.oldName(), QStringLiteral("Green"));
    // After a message box or a pop-up the box gains the focus again, still holding typing.
    QVERIFY(!session.enter({ 2, "Gre", true }));
    QCOMPARE(session.oldName(), QStringLiteral("Green"));
    QCOMPARE(session.skinOf({ 2, "Gre", true }), QStringLiteral("Green"));
    QCOMPARE(session.skinOf({ 3, "Aqua", true }), QStringLiteral("Aqua"));
    // Another box is a new edit.
    QVERIFY(session.enter({ 0, "Aqua", false }));
    QCOMPARE(session.cell(), 0);
}

void TestRenameSession::onlyTheEditedBoxWithTypedTextRenames()
{
    RenameSession session;
    session.enter({ 1, "Blue", false });
    QCOMPARE(session.commitOf({ 1, "Blue", false }), Commit::Nothing); // the program's text
    QCOMPARE(session.commitOf({ 2, "Navy", true }), Commit::Nothing); // not the edited box
    QCOMPARE(session.commitOf({ 1, "Blue", true }), Commit::Unchanged);
    QCOMPARE(session.commitOf({ 1, "blue", true }), Commit::Rename); // case counts
}

void TestRenameSession::aCommitUnderWayStartsNoOtherEdit()
{
    RenameSession session;
    session.enter({ 1, "Blue", false });
    session.beginCommit();
    QVERIFY(!session.enter({ 4, "Late", false }));
    QCOMPARE(session.commitOf({ 1, "Navy", true }), Commit::Nothing);
    // The rebuilt grid shows another skin in the box: that one is renamed next...
    session.endCommit({ 1, "Green", false });
    QCOMPARE(session.oldName(), QStringLiteral("Green"));
    // ...unless the typing is still there after a failure.
    session.beginCommit();
    session.endCommit({ 1, "Navy", true });
    QCOMPARE(session.oldName(), QStringLiteral("Green"));
}

void TestRenameSession::outcomes()
{
    QCOMPARE(RenameSession::outcomeOf(RunError::none()), Outcome::Renamed);
    QCOMPARE(RenameSession::outcomeOf(RunError::fromNumber(Error::FileNotFound)), Outcome::BadName);
    QCOMPARE(RenameSession::outcomeOf(RunError::fromNumber(Error::FileAlreadyExists)), Outcome::Failure);
    QCOMPARE(RenameSession::outcomeOf(RunError::fromNumber(Error::PathAccess)), Outcome::Failure);
}

QTEST_GUILESS_MAIN(TestRenameSession)
#include "tst_renamesession.moc"
