// The settings record, the data folder and the settings INI file.
#include <settings/uSetupData.h>

#include <settings/uBrowserPrograms.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <model/uIniFile.h>
#include <platform/EFileError.h>
#include <platform/uOsServices.h>

namespace {

// Function-local statics: no global constructor runs before main().
QString& DataDirOverride()
{
    static QString dir;
    return dir;
}

QString& CachedDataDir()
{
    static QString dir;
    return dir;
}

const QString SecWebBrowser = QStringLiteral("WebBrowser");
const QString SecBookmark = QStringLiteral("Bookmark");
const QString SecSimplify = QStringLiteral("Simplify");

const QString KeyOpenBase = QStringLiteral("Open Base Bookmark");
// Existing settings files keep the history-copy switch under this key.
const QString KeySaveHistory = QStringLiteral("amazon");
const QString KeyShortenURL = QStringLiteral("Shorten URL");
const QString SecLinkCheck = QStringLiteral("Link Check");
const QString KeyFetchIcons = QStringLiteral("Fetch Icons");

const QString SecWindow = QStringLiteral("Window");
const QString KeyLeft = QStringLiteral("Left");
const QString KeyTop = QStringLiteral("Top");
const QString KeyWidth = QStringLiteral("Width");
const QString KeyHeight = QStringLiteral("Height");
const QString KeyMaximized = QStringLiteral("Maximized");
const QString KeyColumnWidths = QStringLiteral("Column Widths");
const QString KeyColumnOrder = QStringLiteral("Column Order");

// Far beyond any screen: a value past it is a damaged file, not a place.
constexpr long long MaxCoordinate = 1000000;

int ReadCoordinate(const TIniFile& Ini, const QString& Key)
{
    const long long v = Ini.ReadInteger(SecWindow, Key, 0);
    return v < -MaxCoordinate || v > MaxCoordinate ? 0 : int(v);
}

// "158,157,57": numbers from 0 to MaxCoordinate; anything else gives an empty list,
// so that a damaged value falls back to the designed layout as a whole.
QList<int> ReadNumberList(const TIniFile& Ini, const QString& Key)
{
    QList<int> numbers;
    const QString text = Ini.ReadString(SecWindow, Key, QString()).trimmed();
    if (text.isEmpty())
        return numbers;
    for (const QString& part : text.split(u',')) {
        bool ok = false;
        const int v = part.trimmed().toInt(&ok);
        if (!ok || v < 0 || v > MaxCoordinate)
            return {};
        numbers.append(v);
    }
    return numbers;
}

QString JoinNumbers(const QList<int>& Numbers)
{
    QStringList parts;
    for (int v : Numbers)
        parts.append(QString::number(v));
    return parts.join(u',');
}

void LoadWindowPlace(const TIniFile& Ini, TWindowPlace& Place)
{
    Place = TWindowPlace();
    const int width = ReadCoordinate(Ini, KeyWidth);
    const int height = ReadCoordinate(Ini, KeyHeight);
    if (width > 0 && height > 0) {
        Place.Left = ReadCoordinate(Ini, KeyLeft);
        Place.Top = ReadCoordinate(Ini, KeyTop);
        Place.Width = width;
        Place.Height = height;
        Place.Maximized = Ini.ReadInteger(SecWindow, KeyMaximized, 0) != 0;
    }
    Place.ColumnWidths = ReadNumberList(Ini, KeyColumnWidths);
    Place.ColumnOrder = ReadNumberList(Ini, KeyColumnOrder);
}

void SaveWindowPlace(TIniFile& Ini, const TWindowPlace& Place)
{
    // A window that was never placed leaves the file as it was.
    if (Place.Width <= 0 || Place.Height <= 0)
        return;
    Ini.WriteString(SecWindow, KeyLeft, QString::number(Place.Left));
    Ini.WriteString(SecWindow, KeyTop, QString::number(Place.Top));
    Ini.WriteString(SecWindow, KeyWidth, QString::number(Place.Width));
    Ini.WriteString(SecWindow, KeyHeight, QString::number(Place.Height));
    Ini.WriteBool(SecWindow, KeyMaximized, Place.Maximized);
    Ini.WriteString(SecWindow, KeyColumnWidths, JoinNumbers(Place.ColumnWidths));
    Ini.WriteString(SecWindow, KeyColumnOrder, JoinNumbers(Place.ColumnOrder));
}

// A Boolean is stored as an integer: non-zero is true; missing or not a number keeps Default.
bool ReadFlag(const TIniFile& Ini, const QString& Section, const QString& Key, bool Default)
{
    return Ini.ReadInteger(Section, Key, Default ? 1 : 0) != 0;
}

} // namespace

bool IsDirWritable(const QString& Dir)
{
    if (Dir.isEmpty() || !QFileInfo(Dir).isDir())
        return false;
    // Permission bits and ACLs do not tell the whole story (read-only media, virtualised
    // Program Files), so try what will be done: create a file there.
    QTemporaryFile probe(QDir(Dir).filePath(QStringLiteral(".zorvel-write-test-XXXXXX")));
    return probe.open();
}

bool IsSystemProgramDir(const QString& Dir)
{
    const QString d = QDir::cleanPath(QDir::fromNativeSeparators(Dir)) + u'/';
    QStringList roots = {GetProgramFilesDir(), GetProgramFilesX86Dir()};
#ifndef Q_OS_WIN
    roots << QStringLiteral("/usr") << QStringLiteral("/opt") << QStringLiteral("/bin")
          << QStringLiteral("/sbin") << QStringLiteral("/snap");
#endif
    for (const QString& r : std::as_const(roots))
        if (!r.isEmpty()
            && d.startsWith(QDir::cleanPath(QDir::fromNativeSeparators(r)) + u'/',
                            Qt::CaseInsensitive))
            return true;
    return false;
}

QString ChooseDataDir(const QString& ExeDir, const QString& FallbackDir)
{
    // Portable use is a program in a folder of its own. One installed among the system's
    // programs keeps its data per user, also when run by an administrator who could
    // write there.
    if (!IsSystemProgramDir(ExeDir) && IsDirWritable(ExeDir))
        return QDir::cleanPath(ExeDir);
    if (!FallbackDir.isEmpty() && ForcePath(FallbackDir))
        return QDir::cleanPath(FallbackDir);
    return {};
}

QString GetDataDir()
{
    if (!DataDirOverride().isEmpty())
        return DataDirOverride();
    // Decided once per run, so that what is read at start is written back to the same
    // place. The executable's folder is known only once the application object exists;
    // until then the answer is not kept.
    QString& cached = CachedDataDir();
    if (!cached.isEmpty())
        return cached;
    const bool haveApp = QCoreApplication::instance() != nullptr;
    const QString exeDir = haveApp ? QCoreApplication::applicationDirPath() : QString();
    const QString fallback = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QString dir = ChooseDataDir(exeDir, fallback);
    if (dir.isEmpty())
        dir = !exeDir.isEmpty() ? exeDir : fallback;
    if (haveApp)
        cached = dir;
    return dir;
}

void SetDataDirOverride(const QString& Dir)
{
    DataDirOverride() = Dir.isEmpty() ? QString() : QDir::cleanPath(Dir);
}

QString AppBaseName()
{
    if (QCoreApplication::instance()) {
        const QString name = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
        if (!name.isEmpty())
            return name;
    }
    return QStringLiteral("zorvel");
}

static QString DataFilePath(const QString& Suffix)
{
    return QDir(GetDataDir()).filePath(AppBaseName() + Suffix);
}

void SetupDataDefault(TSetupData& r)
{
    for (const TBrowserProgram& B : BrowserPrograms())
        r.*B.Path = DetectBrowserPath(B.Browser);
    r.isOpenBaseBookmark = true;
    r.isSaveHistory = false;
    r.isAmazonShort = false;
    r.isLinkCheckIcons = false;
    r.BaseBookmarkName = DataFilePath(QStringLiteral(".html"));
}

QString SetupIniFileName()
{
    return DataFilePath(QStringLiteral(".ini"));
}

void LoadSetupData(TSetupData& Settings)
{
    SetupDataDefault(Settings);
    TIniFile ini;
    ini.LoadFromFile(SetupIniFileName()); // a missing file reads as empty
    for (const TBrowserProgram& B : BrowserPrograms()) {
        QString& field = Settings.*B.Path;
        // A key present with an empty value gives an empty path.
        field = ini.ReadString(SecWebBrowser, QString::fromUtf16(B.Name), field);
    }
    Settings.isOpenBaseBookmark =
        ReadFlag(ini, SecBookmark, KeyOpenBase, Settings.isOpenBaseBookmark);
    Settings.isSaveHistory = ReadFlag(ini, SecSimplify, KeySaveHistory, Settings.isSaveHistory);
    Settings.isAmazonShort = ReadFlag(ini, SecSimplify, KeyShortenURL, Settings.isAmazonShort);
    Settings.isLinkCheckIcons =
        ReadFlag(ini, SecLinkCheck, KeyFetchIcons, Settings.isLinkCheckIcons);
    LoadWindowPlace(ini, Settings.Window);
}

void SaveSetupData(const TSetupData& Settings)
{
    const QString fileName = SetupIniFileName();
    // Read first so that every other section and key of the file is kept.
    TIniFile ini;
    ini.LoadFromFile(fileName);
    for (const TBrowserProgram& B : BrowserPrograms())
        ini.WriteString(SecWebBrowser, QString::fromUtf16(B.Name), Settings.*B.Path);
    ini.WriteBool(SecBookmark, KeyOpenBase, Settings.isOpenBaseBookmark);
    ini.WriteBool(SecSimplify, KeySaveHistory, Settings.isSaveHistory);
    ini.WriteBool(SecSimplify, KeyShortenURL, Settings.isAmazonShort);
    // Written once it was switched on, so that a file of a user who never did stays
    // as it was.
    if (Settings.isLinkCheckIcons || ini.ValueExists(SecLinkCheck, KeyFetchIcons))
        ini.WriteBool(SecLinkCheck, KeyFetchIcons, Settings.isLinkCheckIcons);
    SaveWindowPlace(ini, Settings.Window);
    if (!ForcePath(QFileInfo(fileName).absolutePath()))
        throw EFileError(fileName, CannotCreateFolderReason(qt_error_string()));
    ini.SaveToFile(fileName);
}
