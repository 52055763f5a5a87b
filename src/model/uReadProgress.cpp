#include "uReadProgress.h"

namespace {

thread_local TReadProgress* ThreadProgress = nullptr;

} // namespace

void TReadProgress::Report(qint64 Done, qint64 Total)
{
    FTotal.store(Total, std::memory_order_relaxed);
    FDone.store(Done, std::memory_order_relaxed);
    if (Cancelled())
        throw EReadCancelled();
}

TReadProgress* CurrentReadProgress()
{
    return ThreadProgress;
}

TReadProgressScope::TReadProgressScope(TReadProgress* Progress) : FPrevious(ThreadProgress)
{
    ThreadProgress = Progress;
}

TReadProgressScope::~TReadProgressScope()
{
    ThreadProgress = FPrevious;
}
