#pragma once
// INI-family text files (Internet Shortcuts, pinned websites, the settings file).
// Not QSettings: that treats backslashes and commas specially.
//
// Reading: a UTF-8, UTF-16LE or UTF-16BE byte-order mark selects that encoding,
// otherwise the legacy 8-bit code page; lines end at CR LF, CR or LF; each line is
// trimmed (codes 0..32); empty lines and ";" comments are ignored; "[name]" starts a
// section; other lines are name=value (a line without "=" is a name without value);
// lines before the first section are ignored. Names compare case-insensitively.
// Writing: every section as "[name]", its "name=value" lines and one empty line,
// every line ending in CR LF; in the encoding the file was read in (legacy code page
// for a new file), or UTF-16LE with BOM when the 8-bit code page cannot hold a character.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

// Text without the characters of code 0 to 32 at both ends (QString::trimmed also
// removes Unicode spaces such as U+3000, which these files keep).
QString TrimControlChars(QStringView Text);

class TIniFile
{
public:
    enum class TEncoding
    {
        Legacy,
        UTF8,
        UTF16LE,
        UTF16BE
    };

    TIniFile() = default;

    // A missing file reads as empty; a file that exists but cannot be read raises EFileError.
    void LoadFromFile(const QString& FileName);
    void LoadFromData(const QByteArray& Data);
    // For reading only: keeps the first section of each of the given names and, in
    // it, the first entry of each of the given keys; everything else is skipped
    // without being stored, so even an enormous file costs one pass and little memory.
    void LoadFromData(const QByteArray& Data, const QStringList& Sections, const QStringList& Keys);

    bool SectionExists(const QString& Section) const;
    bool ValueExists(const QString& Section, const QString& Key) const;
    QString ReadString(const QString& Section, const QString& Key, const QString& Default) const;
    // Integer as decimal, or hexadecimal after "0x" or "$"; Default when missing or not a number.
    long long ReadInteger(const QString& Section, const QString& Key, long long Default) const;
    bool ReadBool(const QString& Section, const QString& Key, bool Default) const;

    // Updates the key in place, or appends it to its section (the section to the file).
    void WriteString(const QString& Section, const QString& Key, const QString& Value);
    void WriteBool(const QString& Section, const QString& Key, bool Value);
    // Removes the first entry of that name from the section (no-op when missing).
    void DeleteKey(const QString& Section, const QString& Key);

    QStringList Sections() const;
    QStringList Keys(const QString& Section) const;

    TEncoding Encoding() const { return FEncoding; }
    void SetEncoding(TEncoding e) { FEncoding = e; }

    // The text as it would be written (encoding and fallback applied).
    QByteArray ToData() const;
    // Writes through QSaveFile; raises EFileError on failure (the old file stays).
    void SaveToFile(const QString& FileName) const;
    // The same for a caller that has just read the file: OldData is its content, or
    // null when there was no file. A file that would not change is left as it is
    // (false); otherwise it is written as SaveToFile does (true).
    bool SaveToFileOver(const QString& FileName, const QByteArray* OldData) const;

private:
    struct TEntry
    {
        QString Name;
        QString Value;
    };
    struct TSection
    {
        QString Name;
        std::vector<TEntry> Entries;
    };
    void Parse(const QByteArray& Data, const QStringList* Sections, const QStringList* Keys);
    const TSection* FindSection(const QString& Name) const;
    TSection* FindSection(const QString& Name);

    std::vector<TSection> FSections;
    TEncoding FEncoding = TEncoding::Legacy;
};
