// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmmain.h"
#include "app/statuspanels.h"
#include "dialogs/folderchooser.h"
#include "platform/store.h"
#include "settings/optfrm.h"
#include "tests/support/boxrecorder.h"
#include "tests/support/modalanswer.h"
#include "tests/support/storehelpers.h"
#include "tests/support/testsupport.h"

#include <QAction>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace TestStore;

namespace {

} // namespace

class TestOptFrm : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void looksAsDesigned();
    void opensWithOkFocusedAndNoDefaultButton();
    void typedPathsAndOkStoreAndRescan();
    void okMakesSlotZeroCurrentAgain();
    void discardingKeepsEverything_data();
    void discardingKeepsEverything();
    void enterInAFieldDoesNotPressOk();
    void enterOnAFocusedButtonPressesIt();
    void browseButtonsFillTheirFieldThroughTheChooser();
    void failedSaveOnOkIsReportedAndKeepsTheWorkingCopy();

private:
    // Opens the dialog from the View menu's command and runs answer inside it.
    void openSettings(std::function<void(Opt_Frm*)> answer);

    QTemporaryDir m_shared; // the skins, copied once: no test changes them
    std::unique_ptr<QTemporaryDir> m_temp;
    PageState m_state;
    std::unique_ptr<frmmain> m_window;
    QString m_skins;
};

void TestOptFrm::initTestCase()
{
    QVERIFY(m_shared.isValid());
    m_skins = m_shared.filePath("skins");
    QVERIFY(QDir().mkpath(m_skins));
    QVERIFY(TestSupport::copySharedSkins(m_skins));
}

void TestOptFrm::init()
{
    m_temp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_temp->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_temp->filePath("config")));
    m_state = PageState();
    m_window = std::make_unique<frmmain>(m_state, m_temp->filePath("program"));
}

void TestOptFrm::cleanup()
{
    FolderChooser::setFunction({});
    m_window.reset();
    m_temp.reset();
}

void TestOptFrm::openSettings(std::function<void(Opt_Frm*)> answer)
{
    bool answered = false;
    answerModal<Opt_Frm>([&answered, answer](Opt_Frm* dialog) {
        answered = true;
        const QPointer<Opt_Frm> guard(dialog);
        answer(dialog);
        // A failed check returns early; the dialog must not stay open over the rest.
        if (guard && guard->isVisible())
            guard->reject();
    });
    m_window->view[3]->trigger(); // "Hadrel設定(&O)..."
    QVERIFY(answered);
}

void TestOptFrm::looksAsDesigned()
{
    Opt_Frm& form = m_window->settings().form();
    QVERIFY(!form.isVisible());
    QCOMPARE(form.windowTitle(), QStringLiteral("Hadrel設定"));
    QCOMPARE(form.Frame1->title(), QStringLiteral("WINAMP.EXEのあるフォルダ"));
    QCOMPARE(form.Frame2->title(), QStringLiteral("Skinのあるフォルダ"));
    QCOMPARE(form.Amp_Path->parentWidget(), form.Frame1);
    QCOMPARE(form.Amp_Locate->parentWidget(), form.Frame1);
    QCOMPARE(form.Amp_Locate->text(), QStringLiteral("参照..."));
    for (int i = 0; i < Opt_Frm::slotCount; ++i) {
        QCOMPARE(form.Skin_Path[i]->parentWidget(), form.Frame2);
        QCOMPARE(form.Skin_Locate[i]->text(), QStringLiteral("参照..."));
    }
    QCOMPARE(form.cmdOK->text(), QStringLiteral("OK"));
    QCOMPARE(form.cmdCancel->text(), QStringLiteral("ｷｬﾝｾﾙ"));

    // Fixed size, no minimise or maximise box, off the task bar through its owner.
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QVERIFY(!(form.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(form.windowType(), Qt::Dialog);
    QCOMPARE(form.parentWidget(), m_window.get());

    // Centred on the screen when created, and it stays there when shown.
    const QRect screen = form.screen()->geometry();
    QVERIFY(qAbs(form.geometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(form.geometry().center().y() - screen.center().y()) <= 1);
    const QPoint created = form.pos();
    m_window->show();
    m_window->move(0, 0);
    openSettings([created](Opt_Frm* dialog) {
        QCOMPARE(dialog->pos(), created);
        // Rows top to bottom from index 0, each button to the right of its field.
        QVERIFY(dialog->Amp_Locate->x() > dialog->Amp_Path->x());
        for (int i = 0; i < Opt_Frm::slotCount; ++i) {
            if (i > 0)
                QVERIFY(dialog->Skin_Path[i]->y() > dialog->Skin_Path[i - 1]->y());
            QCOMPARE(dialog->Skin_Locate[i]->geometry().center().y(), dialog->Skin_Path[i]->geometry().center().y());
            QVERIFY(dialog->Skin_Locate[i]->x() > dialog->Skin_Path[i]->x());
        }
        QVERIFY(dialog->Frame2->y() > dialog->Frame1->y());
        QVERIFY(dialog->cmdOK->y() > dialog->Frame2->geometry().bottom());
        QCOMPARE(dialog->cmdOK->x(), dialog->Frame2->x()); // bottom left, not pushed right
        QVERIFY(dialog->cmdCancel->x() > dialog->cmdOK->x());
        dialog->cmdCancel->click();
    });
}

void TestOptFrm::opensWithOkFocusedAndNoDefaultButton()
{
    openSettings([](Opt_Frm* dialog) {
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QCOMPARE(QApplication::focusWidget(), dialog->cmdOK);
        const auto buttons = dialog->findChildren<QPushButton*>();
        QCOMPARE(buttons.size(), 8);
        for (const QPushButton* button : buttons) {
            QVERIFY2(!button->isDefault(), qPrintable(button->objectName()));
            QVERIFY2(!button->autoDefault(), qPrintable(button->objectName()));
        }
        // Tab leads from OK into the Winamp folder.
        QCOMPARE(dialog->cmdOK->nextInFocusChain(), dialog->Amp_Path);
        dialog->cmdCancel->click();
    });
}

void TestOptFrm::typedPathsAndOkStoreAndRescan()
{
    store("Amp", "/opt/winamp/");
    store("0", "/old/skins/");
    m_window->Skin_Rescan();
    const QString typed = m_skins; // no trailing slash
    openSettings([typed](Opt_Frm* dialog) {
        QCOMPARE(dialog->Skin_Path[0]->text(), QStringLiteral("/old/skins/"));
        dialog->Skin_Path[0]->selectAll();
        QTest::keyClicks(dialog->Skin_Path[0], typed);
        QTest::keyClicks(dialog->Skin_Path[3], "/more/skins///");
        dialog->Amp_Path->clear();
        QTest::keyClicks(dialog->Amp_Path, "/wine/Winamp");
        QCOMPARE(dialog->Skin_Path[0]->text(), typed);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
    });

    const QString current = m_skins + "/";
    QCOMPARE(m_window->currentFolder(), current);
    QCOMPARE(m_window->windowTitle(), "Hadrel - " + current);
    QCOMPARE(m_window->Skin_Lst->count(), TestSupport::sharedSkinNames().size());
    QCOMPARE(m_window->Skin_Lst->currentRow(), 0);
    QCOMPARE(stored("Amp"), QStringLiteral("/wine/Winamp/"));
    QCOMPARE(stored("0"), current);
    QCOMPARE(stored("3"), QStringLiteral("/more/skins/"));
    QCOMPARE(stored("4"), QString());
    QCOMPARE(m_window->Reg[0]->text(), current);
    QCOMPARE(m_window->Reg[3]->text(), QStringLiteral("/more/skins/"));
    QVERIFY(m_window->Reg[3]->isEnabled());
    QVERIFY(!m_window->Reg[4]->isEnabled());
    // OK destroyed the dialog; the next reader gets the stored form.
    QVERIFY(!m_window->settings().existing());
    QCOMPARE(m_window->ampPath(), QStringLiteral("/wine/Winamp/"));
}

void TestOptFrm::okMakesSlotZeroCurrentAgain()
{
    store("Amp", "/opt/winamp/");
    store("0", m_skins);
    const QString other = m_temp->filePath("other/");
    QVERIFY(QDir().mkpath(other));
    m_window->makeCurrentFolder(other);
    m_window->Skin_Rescan();
    QCOMPARE(m_window->Skin_Lst->count(), 0);

    openSettings([](Opt_Frm* dialog) { QTest::mouseClick(dialog->cmdOK, Qt::LeftButton); });
    QCOMPARE(m_window->currentFolder(), m_skins + "/");
    QCOMPARE(m_window->Skin_Lst->count(), TestSupport::sharedSkinNames().size());
    QCOMPARE(stored("0"), m_skins + "/");
}

void TestOptFrm::discardingKeepsEverything_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("cancel button") << "cancel";
    QTest::newRow("escape in a field") << "escape";
    QTest::newRow("title bar close") << "close";
}

void TestOptFrm::discardingKeepsEverything()
{
    QFETCH(QString, how);
    store("Amp", "/opt/winamp");
    store("0", m_skins);
    m_window->makeCurrentFolder("/somewhere/");
    const QByteArray before = [] {
        QFile file(Store::fileFor("Hadrel"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();

    openSettings([how](Opt_Frm* dialog) {
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QTest::keyClicks(dialog->Amp_Path, "edited");
        QTest::keyClicks(dialog->Skin_Path[1], "/edited/");
        if (how == "cancel")
            QTest::mouseClick(dialog->cmdCancel, Qt::LeftButton);
        else if (how == "escape")
            QTest::keyClick(dialog->Skin_Path[1], Qt::Key_Escape);
        else
            dialog->close();
    });

    QVERIFY(!m_window->settings().existing());
    QFile file(Store::fileFor("Hadrel"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), before);
    QCOMPARE(m_window->currentFolder(), QStringLiteral("/somewhere/"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Hadrel - /somewhere/"));
    QVERIFY(!m_window->Reg[1]->isEnabled());
    // Reopened, it shows the stored values, not the edits.
    openSettings([this](Opt_Frm* dialog) {
        QCOMPARE(dialog->Amp_Path->text(), QStringLiteral("/opt/winamp/"));
        QCOMPARE(dialog->Skin_Path[0]->text(), m_skins + "/");
        QCOMPARE(dialog->Skin_Path[1]->text(), QString());
        dialog->cmdCancel->click();
    });
}

void TestOptFrm::enterInAFieldDoesNotPressOk()
{
    openSettings([](Opt_Frm* dialog) {
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        // Keys go where the focus is, as the user's typing does.
        dialog->Amp_Path->setFocus();
        QTest::keyClicks(dialog->Amp_Path, "/typed");
        QTest::keyClick(dialog->Amp_Path, Qt::Key_Return);
        dialog->Skin_Path[2]->setFocus();
        QTest::keyClick(dialog->Skin_Path[2], Qt::Key_Enter);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Rejected));
        dialog->cmdCancel->click();
    });
    QVERIFY(!QFile::exists(Store::fileFor("Hadrel")));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Hadrel"));
}

void TestOptFrm::enterOnAFocusedButtonPressesIt()
{
    store("Amp", "/opt/winamp/");
    store("0", m_skins);
    openSettings([](Opt_Frm* dialog) {
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QTest::keyClicks(dialog->Skin_Path[1], "/one");
        QCOMPARE(QApplication::focusWidget(), dialog->cmdOK);
        QTest::keyClick(dialog->cmdOK, Qt::Key_Return);
    });
    QCOMPARE(stored("1"), QStringLiteral("/one/"));
    QCOMPARE(m_window->currentFolder(), m_skins + "/");

    openSettings([](Opt_Frm* dialog) {
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QTest::keyClicks(dialog->Skin_Path[1], "/two");
        dialog->cmdCancel->setFocus();
        QTest::keyClick(dialog->cmdCancel, Qt::Key_Enter);
        QVERIFY(!dialog->isVisible());
    });
    QCOMPARE(stored("1"), QStringLiteral("/one/"));
}

void TestOptFrm::browseButtonsFillTheirFieldThroughTheChooser()
{
    QList<QPair<QWidget*, QString>> calls;
    QString answer = "/chosen/winamp";
    FolderChooser::setFunction([&calls, &answer](QWidget* owner, const QString& title) {
        calls.append({ owner, title });
        return answer;
    });
    store("2", "/kept/");

    openSettings([&](Opt_Frm* dialog) {
        QTest::mouseClick(dialog->Amp_Locate, Qt::LeftButton);
        QCOMPARE(dialog->Amp_Path->text(), QStringLiteral("/chosen/winamp"));
        answer = "/chosen/skins";
        QTest::mouseClick(dialog->Skin_Locate[4], Qt::LeftButton);
        QCOMPARE(dialog->Skin_Path[4]->text(), QStringLiteral("/chosen/skins"));
        answer.clear(); // cancelled
        QTest::mouseClick(dialog->Skin_Locate[2], Qt::LeftButton);
        QCOMPARE(dialog->Skin_Path[2]->text(), QStringLiteral("/kept/"));
        QTest::mouseClick(dialog->Amp_Locate, Qt::LeftButton);
        QCOMPARE(dialog->Amp_Path->text(), QStringLiteral("/chosen/winamp"));

        QCOMPARE(calls.size(), 4);
        for (const auto& call : std::as_const(calls))
            QCOMPARE(call.first, dialog);
        QCOMPARE(calls[0].second, QStringLiteral("WinAMPのあるフォルダを選択してください"));
        QCOMPARE(calls[1].second, QStringLiteral("WinAMPのSkinﾌｫﾙﾀﾞを選択してください"));
        QCOMPARE(calls[2].second, QStringLiteral("WinAMPのSkinﾌｫﾙﾀﾞを選択してください"));
        // Browsing stores nothing.
        QCOMPARE(stored("Amp"), QStringLiteral("<missing>"));
        QCOMPARE(stored("4"), QStringLiteral("<missing>"));
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
    });
    QCOMPARE(stored("Amp"), QStringLiteral("/chosen/winamp/"));
    QCOMPARE(stored("4"), QStringLiteral("/chosen/skins/"));
    QCOMPARE(stored("2"), QStringLiteral("/kept/"));
}

void TestOptFrm::failedSaveOnOkIsReportedAndKeepsTheWorkingCopy()
{
    QVERIFY(QDir().mkpath(Store::fileFor("Hadrel"))); // a directory where the file belongs
    BoxRecorder boxes;
    openSettings([this](Opt_Frm* dialog) {
        QTest::keyClicks(dialog->Amp_Path, "/wine/winamp");
        QTest::keyClicks(dialog->Skin_Path[0], m_skins);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
    });
    QCOMPARE(boxes.seen.size(), 1);
    const QString reported = boxes.seen[0].text;
    QVERIFY2(reported.contains(QStringLiteral("設定を保存できませんでした")), qPrintable(reported));
    QVERIFY2(reported.contains(Store::folder()), qPrintable(reported));
    // The window follows the user's choice, and the values live on for this run.
    QCOMPARE(m_window->currentFolder(), m_skins + "/");
    QCOMPARE(m_window->Skin_Lst->count(), TestSupport::sharedSkinNames().size());
    QCOMPARE(m_window->Reg[0]->text(), m_skins + "/");
    QVERIFY(m_window->settings().existing());
    QVERIFY(!m_window->settings().existing()->isVisible());
    QCOMPARE(m_window->ampPath(), QStringLiteral("/wine/winamp"));

    // Once the store can be written again, the next save keeps them.
    QVERIFY(QDir(Store::fileFor("Hadrel")).removeRecursively());
    QVERIFY(!m_window->settings().Settings_Save());
    QCOMPARE(stored("Amp"), QStringLiteral("/wine/winamp/"));
    QCOMPARE(stored("0"), m_skins + "/");
}

QTEST_MAIN(TestOptFrm)
#include "tst_optfrm.moc"
