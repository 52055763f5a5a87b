#pragma once
// Generates a realistic Chrome-style bookmark export (Netscape bookmark HTML,
// CR LF line ends, 4-space indentation) from a fixed seed, so benchmarks and
// peer comparisons all read the same bytes without a file in the repository.
//
// Shape: nested folders (up to four levels) under "Bookmarks bar" and
// "Other bookmarks"; about a fifth of the bookmark lines carry an
// ICON="data:image/png;base64,..." attribute of 1-2 KB; about 10% of the
// bookmark lines repeat an earlier URL; about 3% are followed by a <DD>
// comment; titles mix ASCII, accented and Japanese text and escaped
// characters (&amp; &#39; &quot; &lt; &gt;). 100,000 bookmarks give ~37 MB.

#include <QByteArray>

#include <cstdint>

QByteArray GenerateChromeExport(int bookmarkCount, std::uint64_t seed = 20240501);
