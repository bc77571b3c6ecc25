// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmmain.h"
#include "app/frmsplash.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {

const char* const labelNames[] = { "lblProductName", "lblVersion", "lblCopyright", "lblWarning" };

// What one showing of the About window looked like, and whether the click closed it.
struct Showing
{
    bool seen = false;
    bool enabled = false;
    bool modal = false;
    QList<Qt::CursorShape> cursors; // window, four labels, picture
    bool closedByClick = false;
    QPointer<frmSplash> window;
};

QList<Qt::CursorShape> cursorsOf(const frmSplash* s)
{
    QList<Qt::CursorShape> shapes { s->cursor().shape() };
    for (const char* name : labelNames)
        shapes << s->findChild<QLabel*>(QLatin1String(name))->cursor().shape();
    shapes << s->picLogo->cursor().shape();
    return shapes;
}

// Answers the next modal About window with a left click on the named part (empty: the
// window's own background).
void clickWhenShown(Showing& showing, const QString& part)
{
    QTimer::singleShot(0, qApp, [&showing, part] {
        auto* about = qobject_cast<frmSplash*>(QApplication::activeModalWidget());
        if (!about)
            return;
        showing.seen = true;
        showing.window = about;
        showing.enabled = about->isEnabled();
        showing.modal = about->isModal();
        showing.cursors = cursorsOf(about);
        QWidget* target = about;
        QPoint pos;
        if (part.isEmpty()) {
            // A corner no control covers.
            pos = QPoint(about->width() - 4, about->height() - 4);
        } else {
            target = about->findChild<QWidget*>(part);
            pos = target->rect().center();
        }
        QTest::mouseClick(target, Qt::LeftButton, {}, pos);
        showing.closedByClick = !about->isVisible();
        if (!showing.closedByClick)
            about->reject(); // let the test go on to report it
    });
}

} // namespace

class TestAbout : public QObject
{
    Q_OBJECT
private slots:
    void splashStartsDisabledWithHourglass();
    void anyClickClosesTheAboutWindow_data();
    void anyClickClosesTheAboutWindow();
    void everyShowingStartsAfresh();
    void escapeClosesItForKeyboardUsers();

private:
    void expectAboutRole(const Showing& showing);
};

void TestAbout::splashStartsDisabledWithHourglass()
{
    frmSplash splash;
    QVERIFY(!splash.isEnabled());
    QCOMPARE(splash.size(), QSize(475, 205));
    const QList<Qt::CursorShape> cursors = cursorsOf(&splash);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(cursors[i], Qt::WaitCursor);
    QCOMPARE(splash.windowFlags() & Qt::FramelessWindowHint, Qt::FramelessWindowHint);

    // Disabled, a click does nothing: it is the splash until start-up destroys it.
    splash.show();
    for (int i = 0; i < 2; ++i) {
        QTest::ignoreMessage(QtWarningMsg, "Mouse event \"MousePress\" not accepted by receiving widget");
        QTest::ignoreMessage(QtWarningMsg, "Mouse event \"MouseRelease\" not accepted by receiving widget");
    }
    QTest::mouseClick(splash.lblVersion, Qt::LeftButton);
    QTest::mouseClick(&splash, Qt::LeftButton);
    QVERIFY(splash.isVisible());
}

void TestAbout::expectAboutRole(const Showing& showing)
{
    QVERIFY2(showing.seen, "no modal About window was shown");
    QVERIFY(showing.enabled);
    QVERIFY(showing.modal);
    QCOMPARE(showing.cursors.size(), 6);
    for (Qt::CursorShape shape : showing.cursors)
        QCOMPARE(shape, Qt::ArrowCursor);
    QVERIFY2(showing.closedByClick, "the click did not close the About window");
    // Closing unloads it: nothing of that showing is left.
    QVERIFY(showing.window.isNull());
}

void TestAbout::anyClickClosesTheAboutWindow_data()
{
    QTest::addColumn<QString>("part");
    QTest::newRow("background") << QString();
    QTest::newRow("picture") << QStringLiteral("picLogo");
    for (const char* name : labelNames)
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestAbout::anyClickClosesTheAboutWindow()
{
    QFETCH(QString, part);
    PageState state;
    QTemporaryDir dir;
    frmmain window(state, dir.path());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    Showing showing;
    clickWhenShown(showing, part);
    window.mnuHelpAbout->trigger();
    expectAboutRole(showing);
    if (!part.isEmpty())
        QVERIFY(QApplication::activeModalWidget() == nullptr);
}

void TestAbout::everyShowingStartsAfresh()
{
    PageState state;
    QTemporaryDir dir;
    frmmain window(state, dir.path());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    for (const QString& part : { QStringLiteral("lblCopyright"), QStringLiteral("picLogo"), QString() }) {
        Showing showing;
        clickWhenShown(showing, part);
        window.mnuHelpAbout->trigger();
        expectAboutRole(showing);
    }
}

void TestAbout::escapeClosesItForKeyboardUsers()
{
    PageState state;
    QTemporaryDir dir;
    frmmain window(state, dir.path());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    bool closed = false;
    QTimer::singleShot(0, qApp, [&closed] {
        auto* about = qobject_cast<frmSplash*>(QApplication::activeModalWidget());
        if (!about)
            return;
        QTest::keyClick(about, Qt::Key_Escape);
        closed = !about->isVisible();
        if (!closed)
            about->reject();
    });
    window.mnuHelpAbout->trigger();
    QVERIFY(closed);
}

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
