// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/frmmain.h"
#include "tests/support/boxrecorder.h"
#include "tests/support/testsupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace TestSupport;

namespace {

QString readText(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A menu caption as the screen shows it: "&" marks the access key and is not shown.
QString shownCaption(QString caption)
{
    caption.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    caption.remove(QLatin1Char('&'));
    caption.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return caption;
}

// The text a reader sees: tags dropped, the few entities the pages use resolved.
QString visibleText(const QString& html)
{
    QString text = html;
    text.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    text.replace(QStringLiteral("&lt;"), QStringLiteral("<"));
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">"));
    text.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return text;
}

} // namespace

class TestHelp : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void contentsGoesToTheOpenerWhole_data();
    void contentsGoesToTheOpenerWhole();
    void contentsWithoutAnOpenerSaysSo_data();
    void contentsWithoutAnOpenerSaysSo();
    void pagesAreBesideTheProgramAndCurrent();
    void everyLinkResolves();
    void everyPageIsReachableFromTheIndex();
    void pagesUseTheScreensOwnWords();

private:
    QString builtFolder() const { return QStringLiteral(HADREL_PROGRAM_DIR "/html"); }
    QStringList builtPages() const;

    QTemporaryDir m_bin;
    QByteArray m_path;
};

void TestHelp::initTestCase()
{
    QVERIFY(m_bin.isValid());
    QVERIFY(TestSupport::installRecorder(m_bin.path(), QStringLiteral("xdg-open"), QStringLiteral("HADREL_UNSET")));
    m_path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(m_bin.path()));
}

void TestHelp::cleanupTestCase()
{
    qputenv("PATH", m_path);
}

QStringList TestHelp::builtPages() const
{
    QStringList pages;
    const QStringList names = QDir(builtFolder()).entryList({ QStringLiteral("*.html") }, QDir::Files, QDir::Name);
    for (const QString& name : names)
        pages << builtFolder() + QLatin1Char('/') + name;
    return pages;
}

void TestHelp::contentsGoesToTheOpenerWhole_data()
{
    QTest::addColumn<QString>("programFolder"); // below a temporary folder
    QTest::addColumn<QString>("expected");
    QTest::newRow("plain") << QStringLiteral("/hadrel") << QStringLiteral("/hadrel/html/index.html");
    QTest::newRow("blanks kept whole") << QStringLiteral("/Program Files/my  hadrel")
                                       << QStringLiteral("/Program Files/my  hadrel/html/index.html");
    QTest::newRow("japanese and quotes") << QStringLiteral("/ツール 'x' \"y\"")
                                         << QStringLiteral("/ツール 'x' \"y\"/html/index.html");
    QTest::newRow("trailing separator") << QStringLiteral("/hadrel/") << QStringLiteral("/hadrel/html/index.html");
}

void TestHelp::contentsGoesToTheOpenerWhole()
{
    QFETCH(QString, programFolder);
    QFETCH(QString, expected);
    QTemporaryDir root;
    QFile::remove(m_bin.path() + QStringLiteral("/xdg-open.log"));

    PageState state;
    frmmain window(state, root.path() + programFolder);
    window.mnuHelpContents->trigger();

    // The opener runs on its own; the program does not wait for it.
    QTRY_VERIFY(!TestSupport::recorded(m_bin.path(), QStringLiteral("xdg-open")).isEmpty());
    QCOMPARE(TestSupport::recorded(m_bin.path(), QStringLiteral("xdg-open")),
        "[" + root.path() + expected + "]\nHADREL_UNSET=unset\n");
    // Nothing else happens in the window.
    QCOMPARE(window.windowTitle(), QStringLiteral("Hadrel"));
}

void TestHelp::contentsWithoutAnOpenerSaysSo_data()
{
    QTest::addColumn<QByteArray>("opener"); // the script, or none
    QTest::addColumn<QString>("cause");
    QTest::newRow("no opener") << QByteArray() << "xdg-open が見つかりません (xdg-utils をインストールしてください)";
    QTest::newRow("no browser") << QByteArray("#!/bin/sh\nexit 3\n")
                                << "開くことのできるプログラムが見つかりません (xdg-open の終了状態 3)";
}

void TestHelp::contentsWithoutAnOpenerSaysSo()
{
    QFETCH(QByteArray, opener);
    QFETCH(QString, cause);
    QTemporaryDir bin;
    if (!opener.isEmpty()) {
        QVERIFY(TestSupport::writeFile(bin.filePath("xdg-open"), opener));
        QVERIFY(QFile::setPermissions(bin.filePath("xdg-open"), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    }
    qputenv("PATH", QFile::encodeName(bin.path()));
    BoxRecorder boxes;
    PageState state;
    frmmain window(state, bin.path());
    window.mnuHelpContents->trigger();
    qputenv("PATH", QFile::encodeName(m_bin.path()));
    QTRY_COMPARE(boxes.texts(),
        QStringList("ヘルプのページを表示できませんでした。\n" + bin.path() + "/html/index.html: " + cause));
}

void TestHelp::pagesAreBesideTheProgramAndCurrent()
{
    QVERIFY2(QFileInfo(builtFolder() + QStringLiteral("/index.html")).isFile(), qPrintable(builtFolder()));
    // Every source page is copied, as it is now.
    const QDir source(QStringLiteral(HADREL_HELP_SOURCE));
    const QStringList names = source.entryList({ QStringLiteral("*.html"), QStringLiteral("*.css") }, QDir::Files);
    QVERIFY(names.size() > 2);
    for (const QString& name : names) {
        const QByteArray original = readBytes(source.filePath(name));
        QVERIFY2(readBytes(builtFolder() + QLatin1Char('/') + name) == original, qPrintable(name));
    }
}

void TestHelp::everyLinkResolves()
{
    const QRegularExpression link(QStringLiteral("(?:href|src)=\"([^\"]*)\""));
    const QRegularExpression id(QStringLiteral("id=\"([^\"]+)\""));
    int checked = 0;
    const QStringList pages = builtPages();
    for (const QString& page : pages) {
        const QString html = readText(page);
        auto matches = link.globalMatch(html);
        while (matches.hasNext()) {
            const QString target = matches.next().captured(1);
            if (target.startsWith(QLatin1String("https://")) || target.startsWith(QLatin1String("http://")))
                continue;
            const QString where = QFileInfo(page).fileName() + QStringLiteral(" -> ") + target;
            QVERIFY2(!target.isEmpty() && !target.startsWith(QLatin1Char('/')), qPrintable(where));
            const QString file = target.section(QLatin1Char('#'), 0, 0);
            const QString fragment = target.section(QLatin1Char('#'), 1);
            const QString resolved = file.isEmpty() ? page : QFileInfo(page).dir().filePath(file);
            QVERIFY2(QFileInfo(resolved).isFile(), qPrintable(where));
            if (!fragment.isEmpty()) {
                QSet<QString> ids;
                auto found = id.globalMatch(readText(resolved));
                while (found.hasNext())
                    ids.insert(found.next().captured(1));
                QVERIFY2(ids.contains(fragment), qPrintable(where));
            }
            ++checked;
        }
    }
    QVERIFY(checked > 20);
}

void TestHelp::everyPageIsReachableFromTheIndex()
{
    const QRegularExpression link(QStringLiteral("href=\"([^\"#]+\\.html)"));
    QSet<QString> seen { QStringLiteral("index.html") };
    QStringList queue { QStringLiteral("index.html") };
    while (!queue.isEmpty()) {
        auto matches = link.globalMatch(readText(builtFolder() + QLatin1Char('/') + queue.takeFirst()));
        while (matches.hasNext()) {
            const QString name = matches.next().captured(1);
            if (!seen.contains(name)) {
                seen.insert(name);
                queue << name;
            }
        }
    }
    const QStringList pages = builtPages();
    for (const QString& page : pages)
        QVERIFY2(seen.contains(QFileInfo(page).fileName()), qPrintable(page));
}

void TestHelp::pagesUseTheScreensOwnWords()
{
    QString all;
    const QStringList pages = builtPages();
    for (const QString& page : pages)
        all += visibleText(readText(page));

    // Every command of the real window's menus, as the screen shows it.
    PageState state;
    QTemporaryDir dir;
    frmmain window(state, dir.path());
    QStringList captions;
    for (const QMenu* menu : { window.FileMenu, window.ViewMenu, window.RegMenu, window.mnuHelp }) {
        captions << menu->title();
        const auto actions = menu->actions();
        for (const QAction* action : actions) {
            if (!action->isSeparator() && !action->text().isEmpty())
                captions << action->text();
        }
    }
    QVERIFY(captions.size() >= 15);
    for (const QString& caption : std::as_const(captions))
        QVERIFY2(all.contains(shownCaption(caption)), qPrintable(shownCaption(caption)));

    // The status bar's words and the hotkey.
    for (const char* words : { "Skin数:", "現在のSkinフォルダ", "Skinの数", "F5", "Hadrel.ini", "trash" })
        QVERIFY2(all.contains(QString::fromUtf8(words)), words);
}

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
