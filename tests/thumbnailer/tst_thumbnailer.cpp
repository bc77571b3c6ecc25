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
    void init();
    void drawsTheSkinAsWinampDoes();
    void hostileFilesGiveNoPicture();

private:
    // Runs the thumbnailer with its home and caches in the temporary folder; its status.
    int run(const QStringList& arguments);
    // The mean difference of two pictures per channel, 0 to 255.
    static double difference(const QImage& a, const QImage& b);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_out; // where the pictures go, and nothing else
};

void TestThumbnailer::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_out = m_dir->filePath("out/");
    for (const char* folder : { "out", "home", "runtime" })
        QVERIFY(QDir(m_dir->path()).mkdir(folder));
    QFile::setPermissions(m_dir->filePath("runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

int TestThumbnailer::run(const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString home = m_dir->filePath("home");
    environment.insert("HOME", home);
    environment.insert("XDG_CACHE_HOME", home + "/.cache");
    environment.insert("XDG_CONFIG_HOME", home + "/.config");
    environment.insert("XDG_DATA_HOME", home + "/.local/share");
    environment.insert("XDG_RUNTIME_DIR", m_dir->filePath("runtime"));
    environment.remove("DISPLAY");
    process.setProcessEnvironment(environment);
    process.start(HADREL_THUMBNAILER, arguments);
    // Not a speed check: a thumbnailer stuck on a hostile file would hang the test.
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

double TestThumbnailer::difference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 255;
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int column = 0; column < x.width(); ++column) {
            const QRgb p = x.pixel(column, row);
            const QRgb q = y.pixel(column, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * x.width() * x.height());
}

void TestThumbnailer::drawsTheSkinAsWinampDoes()
{
    const QString skins = TestSupport::slashed(TestSupport::sharedSkinsFolder());
    const QString archive = skins + "wsz/Paper-Amp.wsz";
    QCOMPARE(run({ "-s", "128", archive, m_out + "small.png" }), 0);
    QCOMPARE(run({ "-s", "256", "file://" + archive, m_out + "large.png" }), 0);
    // The skin folder's main.bmp stands for the whole skin: the same skin, the same picture.
    QCOMPARE(run({ "-s", "256", skins + "Paper-Amp/main.bmp", m_out + "folder.png" }), 0);

    const QImage small(m_out + "small.png");
    const QImage large(m_out + "large.png");
    QCOMPARE(small.size(), QSize(128, 53));
    QCOMPARE(large.size(), QSize(202, 256)); // main window, equalizer and playlist, 275 x 348
    QCOMPARE(QImage(m_out + "folder.png"), large);
    const SkinFiles files = SkinFiles::fromFolder(skins + "Paper-Amp/", WinampLook::fileNames());
    const QSize fit = small.size();
    const auto scaled = [fit](const QImage& image) { return image.scaled(fit, Qt::IgnoreAspectRatio, Qt::SmoothTransformation); };
    // The skin's own look, not Hadrel's neutral one.
    QVERIFY(difference(small, scaled(WinampLook::mainWindow(files))) < 8);
    QVERIFY(difference(small, scaled(WinampLook::mainWindow(SkinFiles()))) > 20);

    QCOMPARE(TestSupport::tree(m_dir->filePath("home")), QStringList());
    QCOMPARE(TestSupport::tree(m_dir->filePath("runtime")), QStringList());
}

void TestThumbnailer::hostileFilesGiveNoPicture()
{
    const QString skins = TestSupport::slashed(TestSupport::sharedSkinsFolder());
    const QString hostile = m_dir->filePath("hostile/");
    QVERIFY(QDir().mkpath(hostile));
    QString error;
    const QList<HostileSkins::Made> made = HostileSkins::make(hostile, skins + "Paper-Amp/main.bmp", &error);
    QVERIFY2(!made.isEmpty(), qPrintable(error));
    // Each costs what the window pays for it; those whose main.bmp is real show the skin,
    // those whose main.bmp claims too much show nothing.
    for (const HostileSkins::Made& archive : made) {
        const QByteArray main = SkinArchive::readFiles(archive.path, { "main.bmp" }, SkinFiles::maxBytesEach).value("main.bmp");
        const int status = PreviewImage::decodeBmp(main).isNull() ? 1 : 0;
        QVERIFY2(run({ "-s", "256", archive.path, m_out + "h.png" }) == status, qPrintable(archive.what));
    }

    // A main.bmp inflating past the limit, a FIFO named like an archive, a FIFO main.bmp
    // in a folder, a damaged archive: nothing is read, nothing written.
    ZipWriter bomb(hostile + "bomb.wsz");
    bomb.addZeros("main.bmp", qint64(200) * 1024 * 1024);
    QVERIFY(bomb.close());
    QVERIFY(mkfifo(QFile::encodeName(hostile + "fifo.wsz").constData(), 0600) == 0);
    QVERIFY(QDir().mkpath(hostile + "fifo"));
    QVERIFY(mkfifo(QFile::encodeName(hostile + "fifo/main.bmp").constData(), 0600) == 0);
    QVERIFY(TestSupport::writeFile(hostile + "cut.wsz", TestSupport::readAll(skins + "wsz/Paper-Amp.wsz").left(5000)));
    for (const char* name : { "bomb.wsz", "fifo.wsz", "fifo/main.bmp", "cut.wsz" })
        QVERIFY2(run({ "-s", "256", hostile + name, m_out + "none.png" }) == 1, name);
    // Nor when the output cannot be written, nor for sizes no file manager asks.
    QCOMPARE(run({ "-s", "128", skins + "wsz/Paper-Amp.wsz", m_out + "missing/x.png" }), 1);
    QCOMPARE(run({ "-s", "0", skins + "wsz/Paper-Amp.wsz", m_out + "none.png" }), 2);

    QCOMPARE(TestSupport::tree(m_out), QStringList { "h.png" });
    QCOMPARE(TestSupport::tree(m_dir->filePath("home")), QStringList());
}

QTEST_GUILESS_MAIN(TestThumbnailer)
#include "tst_thumbnailer.moc"
