// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/pathslash.h"

#include <QTest>

class TestPathSlash : public QObject
{
    Q_OBJECT
private slots:
    void normalises_data();
    void normalises();
    void leavesItsArgumentAlone();
};

void TestPathSlash::normalises_data()
{
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");

    const QList<QChar> separators = { QLatin1Char('/'), QLatin1Char('\\') };
    for (QChar sep : separators) {
        // Written with "/" and turned into the separator under test.
        auto s = [sep](const char* text) { return QString::fromUtf8(text).replace(QLatin1Char('/'), sep); };
        const QByteArray tag = sep == QLatin1Char('/') ? "slash: " : "backslash: ";
        QTest::newRow((tag + "appends one").constData()) << sep << s("C:/Skins") << s("C:/Skins/");
        QTest::newRow((tag + "keeps one").constData()) << sep << s("C:/Skins/") << s("C:/Skins/");
        QTest::newRow((tag + "collapses a run").constData()) << sep << s("C:/Skins///") << s("C:/Skins/");
        QTest::newRow((tag + "drive root").constData()) << sep << s("C:/") << s("C:/");
        QTest::newRow((tag + "empty").constData()) << sep << QString() << QString();
        QTest::newRow((tag + "lone separator").constData()) << sep << s("/") << QString();
        QTest::newRow((tag + "only separators").constData()) << sep << s("////") << QString();
        QTest::newRow((tag + "inner doubles stay").constData())
            << sep << s("/home//me//skins") << s("/home//me//skins/");
        QTest::newRow((tag + "japanese").constData()) << sep << s("/ホーム/スキン") << s("/ホーム/スキン/");
        QTest::newRow((tag + "blank").constData()) << sep << s(" ") << s(" /");
    }
    // The other separator is an ordinary character.
    QTest::newRow("backslash under slash")
        << QChar(QLatin1Char('/')) << QStringLiteral("C:\\") << QStringLiteral("C:\\/");
}

void TestPathSlash::normalises()
{
    QFETCH(QChar, separator);
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(Path_Slash(path, separator), expected);
}

void TestPathSlash::leavesItsArgumentAlone()
{
    const QString path = QStringLiteral("/skins///");
    const QString copy = path;
    QCOMPARE(Path_Slash(path), QStringLiteral("/skins/"));
    QCOMPARE(path, copy);
    QCOMPARE(Path_Slash(QStringLiteral("/skins")), QStringLiteral("/skins/"));
}

QTEST_GUILESS_MAIN(TestPathSlash)
#include "tst_pathslash.moc"
