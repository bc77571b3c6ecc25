// SPDX-License-Identifier: GPL-3.0-or-later
// The thumbnailer program itself, run as a file manager runs it.
#include "bench/hostileskins.h"
#include "skins/previewimage.h"
#include "skins/skinarchive.h"
#include "skins/skinfiles.h"
#include "skins/winamplook.h"
#include "tests/support/testsupport.h"
#include "tests/support/zipwriter.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestThumbnailer : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        QVERIFY(QDir(m_out).removeRecursively());
        for (const char* folder : { "out", "home", "runtime" })
            QVERIFY(QDir(m_dir.path()).mkpath(folder));
        QFile::setPermissions(m_dir.filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    void drawsTheSkinAsWinampDoes();
    void hostileFilesGiveNoPicture();

private:
    // Runs the thumbnailer with its home and caches in the temporary folder: its status.
    int run(const QString& size, const QString& input, const QString& output)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : { "HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME" })
            environment.insert(name, m_dir.filePath("home"));
        environment.insert("XDG_RUNTIME_DIR", m_dir.filePath("runtime"));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(HADREL_THUMBNAILER, { "-s", size, input, m_out + output });
        // Not a speed check: one stuck on a hostile file would hang the test.
        if (!process.waitForFinished(60000))
            process.kill();
        process.waitForFinished();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    void verifyNothingElseWritten(const QStringList& outputs)
    {
        QCOMPARE(TestSupport::tree(m_out), outputs);
        QCOMPARE(TestSupport::tree(m_dir.filePath("home")) + TestSupport::tree(m_dir.filePath("runtime")), QStringList());
    }

    QTemporaryDir m_dir;
    QString m_out = m_dir.filePath("out/");
    const QString m_skins = TestSupport::slashed(TestSupport::sharedSkinsFolder());
};

void TestThumbnailer::drawsTheSkinAsWinampDoes()
{
    const QString archive = m_skins + "wsz/Paper-Amp.wsz";
    QCOMPARE(run("128", archive, "small.png"), 0);
    QCOMPARE(run("256", "file://" + archive, "large.png"), 0);
    // The skin folder's main.bmp stands for the whole skin: the same skin, the same picture.
    QCOMPARE(run("256", m_skins + "Paper-Amp/main.bmp", "folder.png"), 0);

    const QImage small(m_out + "small.png"), large(m_out + "large.png");
    QCOMPARE(small.size(), QSize(128, 53));
    QCOMPARE(large.size(), QSize(202, 256)); // main window, equalizer and playlist: 275 x 348
    QCOMPARE(QImage(m_out + "folder.png"), large);
    // The skin's own look, not Hadrel's neutral one.
    const auto distance = [&small](const SkinFiles& files) {
        const QImage look = WinampLook::mainWindow(files)
                                .scaled(small.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                .convertToFormat(small.format());
        double sum = 0;
        for (int y = 0; y < small.height(); ++y) {
            for (int x = 0; x < small.width(); ++x)
                sum += std::abs(qGray(small.pixel(x, y)) - qGray(look.pixel(x, y)));
        }
        return sum / (small.width() * small.height());
    };
    QVERIFY(distance(SkinFiles::fromFolder(m_skins + "Paper-Amp/", WinampLook::fileNames())) < 8);
    QVERIFY(distance(SkinFiles()) > 20);
    verifyNothingElseWritten({ "folder.png", "large.png", "small.png" });
}

void TestThumbnailer::hostileFilesGiveNoPicture()
{
    const QString hostile = m_dir.filePath("hostile/");
    QVERIFY(QDir().mkpath(hostile));
    QString error;
    const QList<HostileSkins::Made> made = HostileSkins::make(hostile, m_skins + "Paper-Amp/main.bmp", &error);
    QVERIFY2(!made.isEmpty(), qPrintable(error));
    // Each costs what the window pays for it; those whose main.bmp is real show the skin.
    for (const HostileSkins::Made& archive : made) {
        const QByteArray main = SkinArchive::readFiles(archive.path, { "main.bmp" }, SkinFiles::maxBytesEach).value("main.bmp");
        QVERIFY2(run("256", archive.path, "h.png") == (PreviewImage::decodeBmp(main).isNull() ? 1 : 0), qPrintable(archive.what));
    }
    // A main.bmp inflating past the limit, a FIFO named like an archive, a FIFO main.bmp,
    // a cut archive: nothing read, nothing written.
    ZipWriter bomb(hostile + "bomb.wsz");
    bomb.addZeros("main.bmp", qint64(200) * 1024 * 1024);
    QVERIFY(bomb.close());
    QVERIFY(mkfifo(QFile::encodeName(hostile + "fifo.wsz").constData(), 0600) == 0 && QDir().mkpath(hostile + "fifo"));
    QVERIFY(mkfifo(QFile::encodeName(hostile + "fifo/main.bmp").constData(), 0600) == 0);
    QVERIFY(TestSupport::writeFile(hostile + "cut.wsz", TestSupport::readAll(m_skins + "wsz/Paper-Amp.wsz").left(5000)));
    for (const char* name : { "bomb.wsz", "fifo.wsz", "fifo/main.bmp", "cut.wsz" })
        QVERIFY2(run("256", hostile + name, "none.png") == 1, name);
    // Nor when the output cannot be written, nor for sizes no file manager asks.
    QCOMPARE(run("128", m_skins + "wsz/Paper-Amp.wsz", "missing/x.png"), 1);
    QCOMPARE(run("0", m_skins + "wsz/Paper-Amp.wsz", "none.png"), 2);
    verifyNothingElseWritten({ "h.png" });
}

QTEST_GUILESS_MAIN(TestThumbnailer)
#include "tst_thumbnailer.moc"
