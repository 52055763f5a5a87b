#pragma once
// Environment variables changed for one scope (a test, a fixture) and put back as
// they were when the scope ends, set or unset, in reverse order.

#include <QByteArray>

#include <vector>

class TScopedEnv
{
public:
    TScopedEnv() = default;
    TScopedEnv(const char* Name, const QByteArray& Value) { Set(Name, Value); }
    ~TScopedEnv();
    TScopedEnv(const TScopedEnv&) = delete;
    TScopedEnv& operator=(const TScopedEnv&) = delete;

    void Set(const char* Name, const QByteArray& Value);
    void Unset(const char* Name);
    // The language as the program reads it: LC_ALL and LANG set to Lang, LC_MESSAGES
    // unset, so no variable left over from the caller's shell decides instead.
    void SetLanguage(const char* Lang);

private:
    struct TSaved
    {
        QByteArray Name;
        QByteArray Value;
        bool WasSet = false;
    };
    void Remember(const char* Name);
    std::vector<TSaved> FSaved;
};
