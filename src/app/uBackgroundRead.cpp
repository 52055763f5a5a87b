#include "uBackgroundRead.h"

#include <QThread>

#include <new>

TBackgroundRead::TBackgroundRead(std::function<void(TWebSiteList&)> Read, QObject* Parent)
    : QObject(Parent), FRead(std::move(Read))
{
}

TBackgroundRead::~TBackgroundRead()
{
    Cancel();
    Wait();
    delete FThread;
}

void TBackgroundRead::Start()
{
    if (FThread)
        return;
    FThread = QThread::create([this] {
        TReadProgressScope Scope(&FProgress);
        try {
            FRead(FList);
        } catch (const EReadCancelled&) {
        } catch (const std::bad_alloc&) {
            FError = std::current_exception();
            FErrorText = QStringLiteral("Out of memory.");
        } catch (const std::exception& e) {
            FError = std::current_exception();
            FErrorText = QString::fromUtf8(e.what());
        } catch (...) {
            FError = std::current_exception();
            FErrorText = QStringLiteral("Unknown error.");
        }
    });
    FThread->setObjectName(QStringLiteral("BackgroundRead"));
    // The thread's finished signal is delivered here on this object's thread.
    connect(FThread, &QThread::finished, this, &TBackgroundRead::Finished, Qt::QueuedConnection);
    FThread->start();
}

bool TBackgroundRead::IsRunning() const
{
    return FThread && !FThread->isFinished();
}

double TBackgroundRead::Share() const
{
    const qint64 Total = FProgress.Total();
    return Total > 0 ? qBound(0.0, double(FProgress.Done()) / double(Total), 1.0) : 0.0;
}

void TBackgroundRead::Cancel()
{
    FProgress.Cancel();
}

void TBackgroundRead::Wait()
{
    if (FThread)
        FThread->wait();
}
