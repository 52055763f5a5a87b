#pragma once
// Driving the modal dialogs from tests: the action runs inside the dialog's own
// modal loop (from a zero timer) and must close it; a watchdog closes a dialog an
// action forgot, so a failing test cannot hang.

#include <gtest/gtest.h>
#include <support/uScopedEnv.h>
#include <support/uTestApplication.h>

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>

// Runs Act once Dlg's modal loop is running, then returns what Open returned.
template <class TOpen>
auto WhileOpen(QDialog& Dlg, const std::function<void()>& Act, TOpen&& Open)
{
    QTimer Watchdog;
    Watchdog.setSingleShot(true);
    QObject::connect(&Watchdog, &QTimer::timeout, &Dlg, [&Dlg] {
        ADD_FAILURE() << "the dialog was left open";
        Dlg.reject();
    });
    QTimer::singleShot(0, &Dlg, [&] {
        Watchdog.start(20000);
        EXPECT_TRUE(Dlg.isVisible());
        EXPECT_TRUE(Dlg.isModal());
        Act();
    });
    auto Result = Open();
    Watchdog.stop();
    return Result;
}

// The modal widget that opens on top of the current one (a message box, a file
// dialog), handled by Act from within its own loop.
inline void OnNextModal(const std::function<void(QWidget*)>& Act)
{
    QTimer::singleShot(0, [Act] {
        QWidget* W = QApplication::activeModalWidget();
        Act(W);
        // Never leave a nested loop running behind a failed expectation.
        if (auto* D = qobject_cast<QDialog*>(W); D && D->isVisible())
            D->reject();
    });
}
