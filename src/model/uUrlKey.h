#pragma once
// The near-duplicate key of a URL: two bookmarks are the same page when the keys
// of their URLs are equal, although their URL texts differ. Browsers and files
// spell one address in different ways (Chromium stores hosts as punycode and
// percent-encodes non-ASCII, exports differ in http/https, "www.", a trailing "/",
// "%7E" against "~", default ports and tracking parameters); the key removes those
// differences and keeps everything that can name another page. GUI-free.

#include <QString>
#include <string>

// The key of URL. Parsed tolerantly; http and https alike; the host lower-cased,
// in its ACE (punycode) form and without a leading "www."; default ports dropped;
// percent-encoding normalised (unreserved characters decoded, everything a browser
// would encode encoded, hex digits upper-case); "" and "/" alike and one trailing
// "/" of the path ignored; the query parameters utm_*, fbclid, gclid, mc_cid and
// mc_eid dropped, the others kept in their order; the fragment kept. A URL that
// does not parse is a key of its own, equal only to the same text.
QString URLDuplicateKey(const QString& URL);
// The same, written into Buffer (its content replaced): grouping many URLs
// through one buffer allocates nothing per key. The view points into Buffer.
QStringView URLDuplicateKey(const QString& URL, std::u16string& Buffer);

// The same key computed through QUrl for every URL, without the shortcut for
// plain ASCII http URLs; and whether URLDuplicateKey takes that shortcut. The
// tests compare the two ways on random input.
QString URLDuplicateKeyByQUrl(const QString& URL);
QStringView URLDuplicateKeyByQUrl(const QString& URL, std::u16string& Buffer);
bool URLDuplicateKeyTakesShortcut(const QString& URL);

// How far URL is from its cleanest spelling: one for each of http instead of
// https, a default port written out, and tracking parameters (as the key drops
// them). 0 for a clean URL and for any that is not http(s).
int URLUncleanness(const QString& URL);
// URL without the tracking parameters and the default port, and with https when
// Https is true (another spelling of the page is known to use it). Other URLs
// stay as they are.
QString URLCleanestSpelling(const QString& URL, bool Https);
