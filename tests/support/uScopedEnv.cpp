#include "support/uScopedEnv.h"

#include <QtGlobal>

#include <algorithm>

TScopedEnv::~TScopedEnv()
{
    for (auto It = FSaved.rbegin(); It != FSaved.rend(); ++It) {
        if (It->WasSet)
            qputenv(It->Name.constData(), It->Value);
        else
            qunsetenv(It->Name.constData());
    }
}

void TScopedEnv::Remember(const char* Name)
{
    // Only the value from before the scope's first change is put back.
    const bool Known = std::any_of(FSaved.begin(), FSaved.end(),
                                   [Name](const TSaved& S) { return S.Name == Name; });
    if (!Known)
        FSaved.push_back({QByteArray(Name), qgetenv(Name), qEnvironmentVariableIsSet(Name)});
}

void TScopedEnv::Set(const char* Name, const QByteArray& Value)
{
    Remember(Name);
    qputenv(Name, Value);
}

void TScopedEnv::Unset(const char* Name)
{
    Remember(Name);
    qunsetenv(Name);
}

void TScopedEnv::SetLanguage(const char* Lang)
{
    Set("LC_ALL", Lang);
    Unset("LC_MESSAGES");
    Set("LANG", Lang);
}
