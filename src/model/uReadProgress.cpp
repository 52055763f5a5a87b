#include "uReadProgress.h"

namespace {

thread_local TReadProgress* ThreadProgress = nullptr;

} // namespace

void TReadProgress::Report(qint64 Done, qint64 Total)
{
    if (FPartAll > 0) {
        const double Share = Total > 0 ? qBound(0.0, double(Done) / double(Total), 1.0) : 0.0;
        Done = FPartOffset + qint64(Share * double(FPartSize));
        Total = FPartAll;
    }
    FTotal.store(Total, std::memory_order_relaxed);
    FDone.store(Done, std::memory_order_relaxed);
    if (Cancelled())
        throw EReadCancelled();
}

void TReadProgress::SetPart(qint64 Offset, qint64 Size, qint64 All)
{
    FPartOffset = Offset;
    FPartSize = Size;
    FPartAll = All;
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
