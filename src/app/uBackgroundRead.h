#pragma once
// A read of bookmarks on a thread of its own, so that the window keeps painting
// while a large file is read. The read fills a list of its own; the window takes
// that list over on its own thread once Finished has come. A read can be
// cancelled at any time (the program is closing): it then stops at the reader's
// next report, and Finished still comes.

#include <model/uReadProgress.h>
#include <model/uWebSiteList.h>

#include <QObject>
#include <QString>

#include <exception>
#include <functional>

class QThread;

class TBackgroundRead : public QObject
{
    Q_OBJECT
public:
    // Read runs on the thread, with the list to fill; it must touch nothing the
    // window's thread uses. An exception it raises ends the read (ErrorText).
    explicit TBackgroundRead(std::function<void(TWebSiteList&)> Read, QObject* Parent = nullptr);
    // Cancels a running read and waits for its thread.
    ~TBackgroundRead() override;

    void Start();
    // Started and not yet ended.
    bool IsRunning() const;
    // The share of the text being read, 0 to 1.
    double Share() const;
    void Cancel();
    bool Cancelled() const { return FProgress.Cancelled(); }
    // Blocks until the thread has ended.
    void Wait();

    // After Finished: the list read (moved out by the taker), and the text of an
    // exception that ended the read ("" when none) and the exception itself, to
    // be raised again on the window's thread (null when none or cancelled).
    TWebSiteList& List() { return FList; }
    const QString& ErrorText() const { return FErrorText; }
    std::exception_ptr Error() const { return FError; }

Q_SIGNALS:
    // On the thread that made this object, once the read has ended.
    void Finished();

private:
    std::function<void(TWebSiteList&)> FRead;
    TReadProgress FProgress;
    TWebSiteList FList;
    QString FErrorText;
    std::exception_ptr FError;
    QThread* FThread = nullptr;
};
