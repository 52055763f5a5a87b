// The search history file and the dated history copies of the list.
#include <settings/uSetupData.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <model/uBookmarkHtml.h>
#include <platform/EFileError.h>
#include <platform/uOsServices.h>

namespace {

// The search box keeps this many; older lines are dropped at load.
constexpr qsizetype MaxSearchHistory = 20;

QString HistoryDir()
{
    return QDir(GetDataDir()).filePath(QStringLiteral("History"));
}

} // namespace

// ---- Search history -------------------------------------------------------------------

QString SearchHistoryFileName()
{
    return QDir(GetDataDir()).filePath(AppBaseName() + QStringLiteral("_History.txt"));
}

QStringList SearchHistoryFromData(const QByteArray& Data)
{
    QString text;
    if (const auto bom = QStringConverter::encodingForData(Data)) {
        QStringDecoder decoder(*bom); // skips the byte-order mark by default
        text = decoder.decode(Data);
    } else {
        text = DecodeLegacyText(Data);
    }
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(lineBreak);
    // Only truly empty lines go; a line of spaces is a search the user made.
    lines.removeAll(QString());
    return lines;
}

QByteArray SearchHistoryToData(const QStringList& List)
{
    QString text;
    for (const QString& item : List)
        text += item + QStringLiteral("\r\n");
    if (text.isEmpty())
        return {};
    QByteArray bytes;
    if (EncodeLegacyText(text, bytes))
        return bytes;
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    return utf16.encode(text);
}

void LoadSearchHistory(QStringList& List)
{
    List.clear();
    const QString fileName = SearchHistoryFileName();
    QFile file(fileName);
    if (!file.exists())
        return;
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(fileName, QStringLiteral("Cannot open the file"));
    const QStringList lines = SearchHistoryFromData(file.readAll());
    List = lines.mid(0, MaxSearchHistory);
}

void SaveSearchHistory(const QStringList& List)
{
    const QString fileName = SearchHistoryFileName();
    if (!ForcePath(QFileInfo(fileName).absolutePath()))
        throw EFileError(fileName, CannotCreateFolderReason(qt_error_string()));
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EFileError(fileName, CannotCreateFileReason(file.errorString()));
    const QByteArray data = SearchHistoryToData(List);
    if (file.write(data) != data.size() || !file.commit())
        throw EFileError(fileName, CannotWriteFileReason(file.errorString()));
}

// ---- History copies -------------------------------------------------------------------

QString HistoryBookmarkFileNameAt(const QDateTime& Time)
{
    // The C locale keeps the digits ASCII whatever the user's locale.
    const QString stamp = QLocale::c().toString(Time, QStringLiteral("yyyy-MM-dd HH-mm-ss"));
    return QDir(HistoryDir()).filePath(QStringLiteral("hvon") + stamp + QStringLiteral(".html"));
}

QString HistoryBookmarkFileName()
{
    return HistoryBookmarkFileNameAt(QDateTime::currentDateTime());
}

void SaveHistoryCopy(const TWebSiteList& List, const TSetupData& Settings)
{
    if (!Settings.isSaveHistory || List.isEmpty())
        return;
    const QString fileName = HistoryBookmarkFileName();
    const QString folder = QFileInfo(fileName).absolutePath();
    if (!ForcePath(folder))
        throw EFileError(folder, CannotCreateFolderReason(qt_error_string()));
    WebSitesSaveToHtml(List, fileName);
}

bool IsHistoryFileName(const QString& Name)
{
    // Every "?" of hvon????-??-?? ??-??-??.html stands for exactly one character.
    static const QRegularExpression pattern(
        QStringLiteral("\\Ahvon.{4}-.{2}-.{2} .{2}-.{2}-.{2}\\.html\\z"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    return pattern.match(Name).hasMatch();
}

bool RecycleFile(const QString& Path)
{
    MoveFileToTrash(Path);
    return !QFileInfo::exists(Path);
}

int ClearHistoryFiles()
{
    const QDir dir(HistoryDir());
    // Nothing was ever saved: nothing to clear, and nothing to complain about.
    if (!dir.exists())
        return 0;
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    int removed = 0;
    for (const QString& name : names) {
        if (IsHistoryFileName(name) && RecycleFile(dir.filePath(name)))
            ++removed;
    }
    return removed;
}
