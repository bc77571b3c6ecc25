// SPDX-License-Identifier: GPL-3.0-or-later
// The thumbnailer program itself, run as a file manager runs it.
#include "bench/hostileskins.h"
#include "skins/previewimage.h"
#include "skins/skinarchive.h"
#include "skins/winamplook.h"
#include "tests/support/testsupport.h"
#include "tests/support/zipwriter.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

class TestThumbnailer : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    const QString m_out = m_dir.filePath("out/"), m_skins = TestSupport::slashed(TestSupport::sharedSkinsFolder());

    // Runs it with home, caches and runtime folder in the temporary folder: its status.
    int run(const QString& size, const QString& input, const QString& output)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : { "HOME", "XDG_CACHE_HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR" })
            environment.insert(name, m_dir.filePath("home"));
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(HADREL_THUMBNAILER, { "-s", size, input, m_out + output });
        if (!process.waitForFinished(60000)) // not a speed check: one stuck would hang the test
            process.kill();
        process.waitForFinished();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

private slots:
    void init()
    {
        QVERIFY(QDir(m_out).removeRecursively() && QDir().mkpath(m_out) && QDir().mkpath(m_dir.filePath("home"))
            && QDir().mkpath(m_dir.filePath("hostile")));
        QFile::setPermissions(m_dir.filePath("home"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void drawsTheSkinAsWinampDoes()
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
            const QImage look
                = WinampLook::mainWindow(files).scaled(small.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            double sum = 0;
            for (int i = 0, w = small.width(); i < w * small.height(); ++i)
                sum += std::abs(qGray(small.pixel(i % w, i / w)) - qGray(look.pixel(i % w, i / w)));
            return sum / (small.width() * small.height());
        };
        QVERIFY(distance(SkinFiles::fromFolder(m_skins + "Paper-Amp/", WinampLook::fileNames())) < 8);
        QVERIFY(distance(SkinFiles()) > 20);
        QCOMPARE(TestSupport::tree(m_out) + TestSupport::tree(m_dir.filePath("home")),
            QStringList({ "folder.png", "large.png", "small.png" }));
    }

    void hostileFilesGiveNoPicture()
    {
        const QString hostile = m_dir.filePath("hostile/");
        QString error;
        const QList<HostileSkins::Made> made = HostileSkins::make(hostile, m_skins + "Paper-Amp/main.bmp", &error);
        QVERIFY2(!made.isEmpty(), qPrintable(error));
        // Each costs what the window pays for it; those whose main.bmp is real show the skin.
        for (const HostileSkins::Made& archive : made) {
            const QByteArray main
                = SkinArchive::readFiles(archive.path, { "main.bmp" }, SkinFiles::maxBytesEach).value("main.bmp");
            QVERIFY2(run("256", archive.path, "h.png") == (PreviewImage::decodeBmp(main).isNull() ? 1 : 0),
                qPrintable(archive.what));
        }
        // A main.bmp inflating past the limit, a FIFO named like an archive, a FIFO main.bmp,
        // a cut archive: nothing read, nothing written.
        ZipWriter bomb(hostile + "bomb.wsz");
        bomb.addZeros("main.bmp", qint64(200) * 1024 * 1024);
        QVERIFY(bomb.close() && QDir().mkpath(hostile + "fifo"));
        for (const char* fifo : { "fifo.wsz", "fifo/main.bmp" })
            QVERIFY(mkfifo(QFile::encodeName(hostile + fifo).constData(), 0600) == 0);
        QVERIFY(TestSupport::writeFile(
            hostile + "cut.wsz", TestSupport::readAll(m_skins + "wsz/Paper-Amp.wsz").left(5000)));
        for (const char* name : { "bomb.wsz", "fifo.wsz", "fifo/main.bmp", "cut.wsz" })
            QVERIFY2(run("256", hostile + name, "none.png") == 1, name);
        // Nor when the output cannot be written, nor for sizes no file manager asks.
        QCOMPARE(run("128", m_skins + "wsz/Paper-Amp.wsz", "missing/x.png"), 1);
        QCOMPARE(run("0", m_skins + "wsz/Paper-Amp.wsz", "none.png"), 2);
        QCOMPARE(TestSupport::tree(m_out) + TestSupport::tree(m_dir.filePath("home")), QStringList { "h.png" });
    }
};

QTEST_GUILESS_MAIN(TestThumbnailer)
#include "tst_thumbnailer.moc"
