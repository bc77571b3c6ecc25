// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QList>
#include <QObject>

#include <functional>
#include <memory>

// Reads pictures on worker threads, one batch at a time, so that no slow disk and no
// hostile file can stop the window. Reads begin in the order given; each picture is
// handed over on the owner's thread as it comes. A new batch, cancel() or the owner's
// end drops what is left of the last one: its pictures are thrown away and its reads not
// yet begun never run. A read under way is never waited for.
class PictureJobs : public QObject
{
    Q_OBJECT
public:
    using Read = std::function<QImage()>;

    explicit PictureJobs(QObject* parent = nullptr);
    ~PictureJobs() override;

    // Drops the last batch and starts reads; pictureReady(i, picture) for reads[i], then
    // finished() once all have come. The functions run off this thread: they must hold
    // everything they use.
    void start(QList<Read> reads);
    void cancel();
    // Whether pictures of the current batch are still to come.
    bool busy() const { return m_pending > 0; }

    // Every batch read on the caller's thread before start() returns, for tests that
    // count the reads in order. Off by default.
    static void setSynchronous(bool on);
    static bool synchronous();
    // At exit, after every owner is gone: waits at most msecs for reads under way.
    // Whether none is left.
    static bool finishAll(int msecs);

signals:
    void pictureReady(int index, const QImage& picture);
    void finished();

private:
    struct Batch;
    class Worker;

    void deliver(const Batch* batch, int index, const QImage& picture);

    std::shared_ptr<Batch> m_batch;
    int m_pending = 0;
};
