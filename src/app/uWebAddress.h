#pragma once
// What the program hands to a web browser. Only an absolute http, https or ftp
// address that parses without error is a web address: anything else could be
// taken by the shell or a browser for a local file, a script or a program.

#include <QString>

// True for an absolute http://, https:// or ftp:// address with a host that QUrl
// accepts in strict mode (no spaces, no broken brackets or escapes).
bool IsWebAddress(const QString& Text);
