#pragma once
// What the last link check found for a bookmark: the verdict words that the base
// file, zorvel-cli and the window share, and their conversion. The verdict itself
// is kept in the entry's extras (uWebSiteExtras.h) with the HTTP status, the final
// address and the time of the check.

#include <QByteArrayView>
#include <QString>

#include <cstdint>

enum class TLinkStatus : std::uint8_t
{
    None,        // never checked
    Ok,          // 2xx, also after temporary redirects
    Moved,       // only permanent redirects, to another address
    Gone,        // 404, 410
    ServerError, // 5xx, a redirect loop, too many redirects
    Blocked,     // 401, 403, 429 after the retries
    Unreachable, // no such host, refused, TLS failure, time-out
    Parked,      // a page saying the domain is for sale or parked
    SoftGone     // "soft-404": sent to a front page, or a page that says it is not found
};

inline constexpr int LinkStatusCount = 9;

// The word written to files and printed ("ok", "moved", "server-error", ...); empty
// for None.
QString LinkStatusWord(TLinkStatus Status);
// The status a word names (ASCII, any case); None for an unknown word.
TLinkStatus LinkStatusFromWord(QByteArrayView Word);
// Whether the verdict asks the user to do something (all but None and Ok).
inline bool LinkStatusIsProblem(TLinkStatus Status)
{
    return Status != TLinkStatus::None && Status != TLinkStatus::Ok;
}
