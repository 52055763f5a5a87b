// Verdict words of the link check.

#include <model/uLinkStatus.h>

#include <array>

namespace {

constexpr std::array<const char*, LinkStatusCount> Words = {
    "", "ok", "moved", "gone", "server-error", "blocked", "unreachable", "parked", "soft-404"};

} // namespace

QString LinkStatusWord(TLinkStatus Status)
{
    const auto i = size_t(Status);
    return i < Words.size() ? QString::fromLatin1(Words[i]) : QString();
}

TLinkStatus LinkStatusFromWord(QByteArrayView Word)
{
    for (size_t i = 1; i < Words.size(); ++i)
        if (Word.size() == qsizetype(qstrlen(Words[i]))
            && qstrnicmp(Word.data(), Words[i], size_t(Word.size())) == 0)
            return TLinkStatus(i);
    return TLinkStatus::None;
}
