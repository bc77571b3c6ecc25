// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/picturejobs.h"

#include <QMutex>
#include <QRunnable>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>

namespace {

std::atomic<bool> runSynchronously { false };

QThreadPool& pool()
{
    // Never destroyed: Qt waits for its global pool when the application ends, and a
    // read stuck on a slow disk must not hold up the exit.
    static QThreadPool* const instance = [] {
        auto* threads = new QThreadPool;
        // Beyond the cores, so that reads stuck on a slow disk leave threads for the next page.
        threads->setMaxThreadCount(std::max(4, QThread::idealThreadCount()));
        return threads;
    }();
    return *instance;
}

} // namespace

// What the owner and its workers share. The mutex guards owner, next and queued; the
// owner's end clears owner under it, so a worker never posts to an owner being destroyed.
struct PictureJobs::Batch
{
    QMutex mutex;
    PictureJobs* owner = nullptr;
    QList<Read> reads; // never changed once the workers run
    qsizetype next = 0;
    QList<QRunnable*> queued;
};

class PictureJobs::Worker : public QRunnable
{
public:
    explicit Worker(std::shared_ptr<Batch> batch)
        : m_batch(std::move(batch))
    {
    }

    void run() override
    {
        Batch& batch = *m_batch;
        {
            const QMutexLocker lock(&batch.mutex);
            batch.queued.removeOne(this);
        }
        for (;;) {
            qsizetype index = 0;
            {
                const QMutexLocker lock(&batch.mutex);
                if (!batch.owner || batch.next >= batch.reads.size())
                    return;
                index = batch.next++;
            }
            const QImage picture = batch.reads[index]();
            const QMutexLocker lock(&batch.mutex);
            PictureJobs* owner = batch.owner;
            if (!owner)
                return;
            QMetaObject::invokeMethod(
                owner, [owner, shared = m_batch, index, picture] { owner->deliver(shared.get(), int(index), picture); },
                Qt::QueuedConnection);
        }
    }

private:
    std::shared_ptr<Batch> m_batch;
};

PictureJobs::PictureJobs(QObject* parent)
    : QObject(parent)
{
}

PictureJobs::~PictureJobs()
{
    cancel();
}

void PictureJobs::start(QList<Read> reads)
{
    cancel();
    if (reads.isEmpty()) {
        emit finished();
        return;
    }
    auto batch = std::make_shared<Batch>();
    m_batch = batch;
    m_pending = int(reads.size());
    if (runSynchronously) {
        for (qsizetype i = 0; i < reads.size() && m_batch == batch; ++i)
            deliver(batch.get(), int(i), reads[i]());
        return;
    }
    batch->owner = this;
    batch->reads = std::move(reads);
    const qsizetype workers = std::min<qsizetype>(batch->reads.size(), std::max(1, QThread::idealThreadCount()));
    const QMutexLocker lock(&batch->mutex);
    for (qsizetype k = 0; k < workers; ++k) {
        auto* worker = new Worker(batch);
        batch->queued.append(worker);
        pool().start(worker);
    }
}

void PictureJobs::cancel()
{
    if (!m_batch)
        return;
    {
        const QMutexLocker lock(&m_batch->mutex);
        m_batch->owner = nullptr;
        // Taken back only while still queued; one already running sees the owner gone.
        for (QRunnable* worker : std::as_const(m_batch->queued)) {
            if (pool().tryTake(worker))
                delete worker;
        }
        m_batch->queued.clear();
    }
    m_batch.reset();
    m_pending = 0;
}

void PictureJobs::deliver(const Batch* batch, int index, const QImage& picture)
{
    if (batch != m_batch.get())
        return; // a dropped batch's picture, posted before it was dropped
    emit pictureReady(index, picture);
    if (batch == m_batch.get() && --m_pending == 0)
        emit finished();
}

void PictureJobs::setSynchronous(bool on)
{
    runSynchronously = on;
}

bool PictureJobs::synchronous()
{
    return runSynchronously;
}

bool PictureJobs::finishAll(int msecs)
{
    return pool().waitForDone(msecs);
}
