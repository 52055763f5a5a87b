#include "support/uTestApplication.h"

#include <gtest/gtest.h>

#include <QApplication>

namespace {

// Deleted by gtest's environment tear-down, while Qt's own globals still exist: a
// static QApplication would be destroyed after them and crash at exit.
class TApplicationEnvironment : public testing::Environment
{
public:
    void TearDown() override
    {
        delete App;
        App = nullptr;
    }
    static inline QApplication* App = nullptr;
};

[[maybe_unused]] testing::Environment* const Registered =
    testing::AddGlobalTestEnvironment(new TApplicationEnvironment);

} // namespace

QApplication* EnsureTestApplication()
{
    if (auto* Existing = qobject_cast<QApplication*>(QCoreApplication::instance()))
        return Existing;
    static int Argc = 1;
    static char Name[] = "zorvel-tests";
    static char* Argv[] = {Name, nullptr};
    TApplicationEnvironment::App = new QApplication(Argc, Argv);
    return TApplicationEnvironment::App;
}
