#include <model/uIniFile.h>

#include <platform/EFileError.h>
#include <platform/uOsServices.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <limits>

namespace {

constexpr bool IsControlOrSpace(QChar c)
{
    return c.unicode() <= 32;
}

QStringView TrimView(QStringView Text)
{
    qsizetype b = 0;
    qsizetype e = Text.size();
    while (b < e && IsControlOrSpace(Text[b]))
        ++b;
    while (e > b && IsControlOrSpace(Text[e - 1]))
        --e;
    return Text.mid(b, e - b);
}

QByteArray EncodeUtf16(const QString& Text, bool BigEndian)
{
    QByteArray out;
    out.reserve(2 + Text.size() * 2);
    out.append(BigEndian ? "\xFE\xFF" : "\xFF\xFE", 2);
    for (const QChar c : Text) {
        const char16_t u = c.unicode();
        const char lo = char(u & 0xFF);
        const char hi = char(u >> 8);
        if (BigEndian) {
            out.append(hi);
            out.append(lo);
        } else {
            out.append(lo);
            out.append(hi);
        }
    }
    return out;
}

} // namespace

namespace {

// Case-insensitive name equality. Qt folds case one code unit at a time, so names of
// different lengths never match; testing that first keeps the scan of a huge file cheap.
bool SameName(QStringView A, QStringView B)
{
    return A.size() == B.size() && A.compare(B, Qt::CaseInsensitive) == 0;
}

bool ContainsName(const QStringList& Names, QStringView Name)
{
    for (const QString& n : Names)
        if (SameName(Name, n))
            return true;
    return false;
}

} // namespace

QString TrimControlChars(QStringView Text)
{
    return TrimView(Text).toString();
}

void TIniFile::LoadFromFile(const QString& FileName)
{
    QFile file(FileName);
    if (!file.exists()) {
        FSections.clear();
        FEncoding = TEncoding::Legacy;
        return;
    }
    if (!file.open(QIODevice::ReadOnly))
        throw EFileError(FileName, QStringLiteral("Cannot open file"));
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EFileError(FileName, QStringLiteral("Cannot read file"));
    LoadFromData(data);
}

void TIniFile::LoadFromData(const QByteArray& Data)
{
    Parse(Data, nullptr, nullptr);
}

void TIniFile::LoadFromData(const QByteArray& Data, const QStringList& Sections,
                            const QStringList& Keys)
{
    Parse(Data, &Sections, &Keys);
}

void TIniFile::Parse(const QByteArray& Data, const QStringList* Sections, const QStringList* Keys)
{
    FSections.clear();

    QString text;
    if (Data.startsWith("\xEF\xBB\xBF")) {
        FEncoding = TEncoding::UTF8;
        text = QString::fromUtf8(QByteArrayView(Data).sliced(3));
    } else if (Data.startsWith("\xFF\xFE")) {
        FEncoding = TEncoding::UTF16LE;
        QStringDecoder decoder(QStringConverter::Utf16LE);
        text = decoder.decode(QByteArrayView(Data).sliced(2));
    } else if (Data.startsWith("\xFE\xFF")) {
        FEncoding = TEncoding::UTF16BE;
        QStringDecoder decoder(QStringConverter::Utf16BE);
        text = decoder.decode(QByteArrayView(Data).sliced(2));
    } else {
        FEncoding = TEncoding::Legacy;
        text = DecodeLegacyText(Data);
    }

    const QStringView all(text);
    TSection* current = nullptr;
    qsizetype pos = 0;
    const qsizetype n = all.size();
    while (pos < n) {
        qsizetype end = pos;
        while (end < n && all[end] != u'\r' && all[end] != u'\n')
            ++end;
        const QStringView line = TrimView(all.mid(pos, end - pos));
        // CR LF counts as one line end; a lone CR or LF as one too.
        pos = end;
        if (pos < n && all[pos] == u'\r')
            ++pos;
        if (pos < n && all[pos] == u'\n')
            ++pos;

        if (line.isEmpty() || line.front() == u';')
            continue;
        if (line.front() == u'[' && line.back() == u']' && line.size() >= 2) {
            const QStringView name = TrimView(line.mid(1, line.size() - 2));
            if (Sections
                && (!ContainsName(*Sections, name) || FindSection(name.toString()) != nullptr)) {
                current = nullptr; // not wanted, or a later copy of a kept section
                continue;
            }
            FSections.push_back(TSection{name.toString(), {}});
            current = &FSections.back();
            continue;
        }
        if (!current)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        const QStringView name = eq < 0 ? line : TrimView(line.left(eq));
        if (Keys) {
            if (!ContainsName(*Keys, name))
                continue;
            bool seen = false;
            for (const TEntry& e : current->Entries)
                seen = seen || SameName(name, e.Name);
            if (seen)
                continue;
        }
        current->Entries.push_back(
            TEntry{name.toString(), eq < 0 ? QString() : TrimView(line.mid(eq + 1)).toString()});
    }
}

const TIniFile::TSection* TIniFile::FindSection(const QString& Name) const
{
    for (const TSection& s : FSections)
        if (SameName(s.Name, Name))
            return &s;
    return nullptr;
}

TIniFile::TSection* TIniFile::FindSection(const QString& Name)
{
    for (TSection& s : FSections)
        if (SameName(s.Name, Name))
            return &s;
    return nullptr;
}

bool TIniFile::SectionExists(const QString& Section) const
{
    return FindSection(Section) != nullptr;
}

bool TIniFile::ValueExists(const QString& Section, const QString& Key) const
{
    const TSection* s = FindSection(Section);
    if (!s)
        return false;
    for (const TEntry& e : s->Entries)
        if (SameName(e.Name, Key))
            return true;
    return false;
}

QString TIniFile::ReadString(const QString& Section, const QString& Key,
                             const QString& Default) const
{
    const TSection* s = FindSection(Section);
    if (!s)
        return Default;
    for (const TEntry& e : s->Entries)
        if (SameName(e.Name, Key))
            return e.Value;
    return Default;
}

long long TIniFile::ReadInteger(const QString& Section, const QString& Key, long long Default) const
{
    const QString text = ReadString(Section, Key, QString());
    if (text.isEmpty())
        return Default;
    QStringView digits(text);
    bool negative = false;
    if (digits.startsWith(u'-') || digits.startsWith(u'+')) {
        negative = digits.front() == u'-';
        digits = digits.mid(1);
    }
    int base = 10;
    if (digits.startsWith(u"0x", Qt::CaseInsensitive)) {
        base = 16;
        digits = digits.mid(2);
    } else if (digits.startsWith(u'$')) {
        base = 16;
        digits = digits.mid(1);
    }
    // Only plain digits: toLongLong alone would accept blanks and its own prefixes.
    if (digits.isEmpty() || digits.front() == u'+' || digits.front() == u'-')
        return Default;
    bool ok = false;
    const qulonglong magnitude = digits.toULongLong(&ok, base);
    if (!ok)
        return Default;
    if (negative) {
        if (magnitude > qulonglong(std::numeric_limits<long long>::max()) + 1)
            return Default;
        return magnitude == qulonglong(std::numeric_limits<long long>::max()) + 1
                   ? std::numeric_limits<long long>::min()
                   : -static_cast<long long>(magnitude);
    }
    if (magnitude > qulonglong(std::numeric_limits<long long>::max()))
        return Default;
    return static_cast<long long>(magnitude);
}

bool TIniFile::ReadBool(const QString& Section, const QString& Key, bool Default) const
{
    const QString text = ReadString(Section, Key, QString());
    if (text.compare(u"true", Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(u"false", Qt::CaseInsensitive) == 0)
        return false;
    return ReadInteger(Section, Key, Default ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString& Section, const QString& Key, const QString& Value)
{
    TSection* s = FindSection(Section);
    if (!s) {
        FSections.push_back(TSection{Section, {}});
        s = &FSections.back();
    }
    for (TEntry& e : s->Entries) {
        if (SameName(e.Name, Key)) {
            e.Value = Value;
            return;
        }
    }
    s->Entries.push_back(TEntry{Key, Value});
}

void TIniFile::WriteBool(const QString& Section, const QString& Key, bool Value)
{
    WriteString(Section, Key, Value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniFile::DeleteKey(const QString& Section, const QString& Key)
{
    TSection* s = FindSection(Section);
    if (!s)
        return;
    for (auto it = s->Entries.begin(); it != s->Entries.end(); ++it) {
        if (SameName(it->Name, Key)) {
            s->Entries.erase(it);
            return;
        }
    }
}

QStringList TIniFile::Sections() const
{
    QStringList out;
    out.reserve(qsizetype(FSections.size()));
    for (const TSection& s : FSections)
        out.append(s.Name);
    return out;
}

QStringList TIniFile::Keys(const QString& Section) const
{
    QStringList out;
    if (const TSection* s = FindSection(Section))
        for (const TEntry& e : s->Entries)
            out.append(e.Name);
    return out;
}

QByteArray TIniFile::ToData() const
{
    QString text;
    for (const TSection& s : FSections) {
        text += u'[';
        text += s.Name;
        text += u"]\r\n";
        for (const TEntry& e : s.Entries) {
            text += e.Name;
            text += u'=';
            text += e.Value;
            text += u"\r\n";
        }
        text += u"\r\n";
    }

    switch (FEncoding) {
    case TEncoding::UTF8:
        return QByteArray("\xEF\xBB\xBF", 3) + text.toUtf8();
    case TEncoding::UTF16LE:
        return EncodeUtf16(text, false);
    case TEncoding::UTF16BE:
        return EncodeUtf16(text, true);
    case TEncoding::Legacy:
        break;
    }
    QByteArray bytes;
    if (EncodeLegacyText(text, bytes))
        return bytes;
    // The 8-bit code page cannot hold every character: UTF-16LE keeps them all, and
    // every reader of these files (the Windows profile functions too) honours its BOM.
    return EncodeUtf16(text, false);
}

namespace {

// Writes a file that does not exist yet. A new file has no old content to protect;
// writing it directly spares the flush to disk QSaveFile makes per file, which
// turns a folder export of thousands of shortcuts from minutes into seconds. A
// partly written new file is removed. False when the file exists after all.
bool WriteNewFile(const QString& FileName, const QByteArray& Data)
{
    QFile file(FileName);
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (file.write(Data) == Data.size() && file.flush()) {
            file.close();
            if (file.error() == QFileDevice::NoError)
                return true;
        }
        const QString reason = file.errorString();
        file.close();
        file.remove();
        throw EFileError(FileName, QStringLiteral("Cannot write file (%1)").arg(reason));
    }
    if (!QFileInfo::exists(FileName))
        throw EFileError(FileName,
                         QStringLiteral("Cannot create file (%1)").arg(file.errorString()));
    return false; // created by someone else in between
}

// Replaces a file through a temporary one, so a crash or a full disk never costs
// the old content.
void ReplaceFile(const QString& FileName, const QByteArray& Data)
{
    QSaveFile file(FileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EFileError(FileName,
                         QStringLiteral("Cannot create file (%1)").arg(file.errorString()));
    if (file.write(Data) != Data.size() || !file.commit())
        throw EFileError(FileName,
                         QStringLiteral("Cannot write file (%1)").arg(file.errorString()));
}

} // namespace

void TIniFile::SaveToFile(const QString& FileName) const
{
    const QByteArray data = ToData();
    if (QFileInfo::exists(FileName) || !WriteNewFile(FileName, data))
        ReplaceFile(FileName, data);
}

bool TIniFile::SaveToFileOver(const QString& FileName, const QByteArray* OldData) const
{
    const QByteArray data = ToData();
    if (!OldData) {
        if (WriteNewFile(FileName, data))
            return true;
    } else if (*OldData == data) {
        return false;
    }
    ReplaceFile(FileName, data);
    return true;
}
