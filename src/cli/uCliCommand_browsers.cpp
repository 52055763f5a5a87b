// zorvel-cli browsers: the browser profiles found on this computer.

#include "uCliCommands.h"
#include "uCliOutput.h"

#include <model/uBrowserProfiles.h>

#include <QDir>

// zorvel-cli browsers: one line (or JSON object) per profile found, with the number
// of bookmarks its file holds, or why it cannot be read. A Chromium profile's
// account bookmarks are a line of their own: "Default (account)" in TSV,
// "account": true in JSON.
int RunBrowsers(const TOptions& o)
{
    const QList<TBrowserProfile> profiles = FindBrowserProfiles(DefaultProfileSearchPlaces());
    const bool json = o.Json();
    QByteArray out;
    if (json)
        out += '[';
    for (qsizetype i = 0; i < profiles.size(); ++i) {
        const TBrowserProfile& p = profiles[i];
        const QString file = QDir::toNativeSeparators(p.FileName);
        if (json) {
            out += i ? ",\n{\"browser\":" : "\n{\"browser\":";
            AppendJsonString(out, p.Browser);
            out += ",\"profile\":";
            AppendJsonString(out, p.Profile);
            out += ",\"account\":";
            out += p.Account ? "true" : "false";
            out += ",\"bookmarks\":";
            out += p.Count >= 0 ? QByteArray::number(p.Count) : QByteArray("null");
            out += ",\"file\":";
            AppendJsonString(out, file);
            out += ",\"error\":";
            AppendJsonString(out, p.Error);
            out += '}';
        } else {
            AppendTsvField(out, p.Browser);
            out += '\t';
            AppendTsvField(out, p.Account ? p.Profile + QStringLiteral(" (account)") : p.Profile);
            out += '\t';
            if (p.Count >= 0)
                out += QByteArray::number(p.Count);
            out += '\t';
            AppendTsvField(out, file);
            out += '\t';
            AppendTsvField(out, p.Error);
            out += '\n';
        }
    }
    if (json)
        out += profiles.isEmpty() ? "]\n" : "\n]\n";
    WriteOut(out);
    FlushOut();
    WriteErr(QStringLiteral("found %1 browser profile%2\n")
                 .arg(profiles.size())
                 .arg(QLatin1String(profiles.size() == 1 ? "" : "s")));
    return 0;
}
