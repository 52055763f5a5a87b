#pragma once
// Watching and stopping a long read from another thread. The thread that reads
// installs a TReadProgress for the time of the read (TReadProgressScope); the
// readers report how far they are through their text and stop with
// EReadCancelled once Cancel() has been called. A thread without a scope pays
// one test of a pointer per report.

#include <QtGlobal>

#include <atomic>
#include <stdexcept>

class TReadProgress
{
public:
    // How far the text being read is: bytes worked through and its size.
    qint64 Done() const { return FDone.load(std::memory_order_relaxed); }
    qint64 Total() const { return FTotal.load(std::memory_order_relaxed); }
    // Asks the read to stop at its next report.
    void Cancel() { FCancelled.store(true, std::memory_order_relaxed); }
    bool Cancelled() const { return FCancelled.load(std::memory_order_relaxed); }

    // For the readers: raises EReadCancelled when the read is to stop.
    void Report(qint64 Done, qint64 Total);
    // For a read of several texts, on the reading thread: the reports that follow
    // stand for the Size bytes at Offset of All bytes, so that Done and Total
    // cover the whole read.
    void SetPart(qint64 Offset, qint64 Size, qint64 All);

private:
    // Touched only by the reading thread.
    qint64 FPartOffset = 0;
    qint64 FPartSize = 0;
    qint64 FPartAll = 0;
    std::atomic<qint64> FDone{0};
    std::atomic<qint64> FTotal{0};
    std::atomic<bool> FCancelled{false};
};

class EReadCancelled : public std::runtime_error
{
public:
    EReadCancelled() : std::runtime_error("The read was cancelled.") {}
};

// The progress the reads on this thread report to, or null.
TReadProgress* CurrentReadProgress();

// Reports a reader's position to this thread's progress, if any; raises
// EReadCancelled when the read is to stop. Call only where stopping leaves the
// list consistent (between entries).
inline void ReportReadProgress(qint64 Done, qint64 Total)
{
    if (TReadProgress* Progress = CurrentReadProgress())
        Progress->Report(Done, Total);
}

// Makes Progress this thread's progress until the scope ends.
class TReadProgressScope
{
public:
    explicit TReadProgressScope(TReadProgress* Progress);
    ~TReadProgressScope();
    TReadProgressScope(const TReadProgressScope&) = delete;
    TReadProgressScope& operator=(const TReadProgressScope&) = delete;

private:
    TReadProgress* FPrevious;
};
