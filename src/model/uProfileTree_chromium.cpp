// The Chromium family's "Bookmarks" file as a whole tree, and its writing. The
// browser stores every number as a decimal string, dates in microseconds since
// 1601-01-01 UTC, and a checksum it compares when it loads the file.

#include <model/uProfileTree.h>
#include <platform/EFileError.h>

#include <QCryptographicHash>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QSet>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace {

// Microseconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t WindowsEpochMicroseconds = 11644473600LL * 1000000LL;

struct TRootKey
{
    TBookmarkRoot Root;
    const char* Key;
    const char* Guid; // the fixed guid Chromium gives the root
    const char* Name;
};
constexpr TRootKey RootKeys[] = {
    {TBookmarkRoot::Toolbar, "bookmark_bar", "0bc5d13f-2cba-5d74-951f-3f233fe6c908",
     "Bookmarks bar"},
    {TBookmarkRoot::Other, "other", "82b081ec-3dd3-529c-8475-ab6c344590dd", "Other bookmarks"},
    {TBookmarkRoot::Mobile, "synced", "4cf2e351-0e85-532b-bb37-df045d8f8d0f", "Mobile bookmarks"},
};

std::int64_t FromChromiumDate(const QJsonValue& V)
{
    bool ok = false;
    const std::int64_t v = V.toString().toLongLong(&ok);
    return ok && v > 0 ? v - WindowsEpochMicroseconds : 0;
}

QString ToChromiumDate(std::int64_t Unix)
{
    return QString::number(Unix == 0 ? 0 : Unix + WindowsEpochMicroseconds);
}

TBookmarkNode ReadNode(const QJsonObject& O, const QString& FileName, int Depth)
{
    if (Depth > 1000)
        throw EFileError(FileName, u"Not a readable bookmarks file: folders nested too deep"_s);
    TBookmarkNode n;
    const QString type = O.value(u"type"_s).toString();
    n.Kind = type == u"folder"_s ? TBookmarkNodeKind::Folder : TBookmarkNodeKind::Url;
    n.Title = O.value(u"name"_s).toString();
    n.Url = O.value(u"url"_s).toString();
    n.Added = FromChromiumDate(O.value(u"date_added"_s));
    n.Modified = FromChromiumDate(O.value(u"date_modified"_s));
    n.Stored = O;
    n.Stored.remove(u"children"_s);
    for (const QJsonValue& c : O.value(u"children"_s).toArray())
        if (c.isObject())
            n.Children.push_back(ReadNode(c.toObject(), FileName, Depth + 1));
    return n;
}

// Where each node of a tree sits, to find the stored fields of the one at the
// same place: folders by their path, links by address (the same folder first).
struct TStoredIndex
{
    QHash<QString, const TBookmarkNode*> Folders;
    QHash<QString, std::vector<std::pair<QString, const TBookmarkNode*>>> Links;
    QSet<const TBookmarkNode*> Used;

    void Add(const TBookmarkNode& Folder, const QString& Path)
    {
        for (const TBookmarkNode& c : Folder.Children) {
            if (c.Kind == TBookmarkNodeKind::Folder) {
                const QString p = Path + u'\x1f' + c.Title;
                if (!Folders.contains(p))
                    Folders.insert(p, &c);
                Add(c, p);
            } else if (c.Kind == TBookmarkNodeKind::Url) {
                Links[c.Url].emplace_back(Path, &c);
            }
        }
    }

    const TBookmarkNode* Link(const QString& Url, const QString& Path)
    {
        auto it = Links.find(Url);
        if (it == Links.end())
            return nullptr;
        const TBookmarkNode* any = nullptr;
        for (const auto& [p, node] : *it) {
            if (Used.contains(node))
                continue;
            if (p == Path) {
                Used.insert(node);
                return node;
            }
            if (!any)
                any = node;
        }
        if (any)
            Used.insert(any);
        return any;
    }
};

class TWriter
{
public:
    explicit TWriter(const TChromiumBookmarks& Old)
    {
        for (const TRootKey& k : RootKeys)
            FIndex.Add(Old.Tree.Root(k.Root), QString::fromLatin1(k.Key));
        // Ids stay unique: a kept id is taken only once, new ones count on from the
        // highest in use.
        CollectIds(Old.File.value(u"roots"_s).toObject());
    }

    QJsonObject Node(const TBookmarkNode& N, const QString& Path, const TBookmarkNode* Match)
    {
        QJsonObject o = Match ? Match->Stored : N.Stored;
        const bool folder = N.Kind == TBookmarkNodeKind::Folder;
        o.insert(u"type"_s, folder ? u"folder"_s : u"url"_s);
        o.insert(u"name"_s, N.Title);
        if (folder)
            o.remove(u"url"_s);
        else
            o.insert(u"url"_s, N.Url);
        // The stored date, to the microsecond, unless the list's (whole seconds) differs.
        const std::int64_t stored = FromChromiumDate(o.value(u"date_added"_s));
        if (N.Added != 0 && (stored == 0 || stored / 1000000 != N.Added / 1000000))
            o.insert(u"date_added"_s, ToChromiumDate(N.Added));
        else if (stored == 0)
            o.insert(u"date_added"_s, ToChromiumDate(0));
        if (!o.contains(u"date_last_used"_s))
            o.insert(u"date_last_used"_s, u"0"_s);
        o.insert(u"id"_s, TakeId(o.value(u"id"_s).toString()));
        const QString guid = o.value(u"guid"_s).toString();
        if (QUuid::fromString(guid).isNull() || FGuids.contains(guid))
            o.insert(u"guid"_s, QUuid::createUuid().toString(QUuid::WithoutBraces));
        FGuids.insert(o.value(u"guid"_s).toString());
        if (folder) {
            if (!o.contains(u"date_modified"_s))
                o.insert(u"date_modified"_s, o.value(u"date_added"_s));
            QJsonArray children;
            for (const TBookmarkNode& c : N.Children)
                children.append(Child(c, Path));
            o.insert(u"children"_s, children);
        }
        return o;
    }

private:
    QJsonObject Child(const TBookmarkNode& C, const QString& Path)
    {
        if (C.Kind == TBookmarkNodeKind::Folder) {
            const QString p = Path + u'\x1f' + C.Title;
            const TBookmarkNode* match = C.Stored.isEmpty() ? FIndex.Folders.value(p) : nullptr;
            if (match && FFoldersUsed.contains(match))
                match = nullptr;
            FFoldersUsed.insert(match);
            return Node(C, p, match);
        }
        const TBookmarkNode* match = C.Stored.isEmpty() ? FIndex.Link(C.Url, Path) : nullptr;
        return Node(C, Path, match);
    }

    // Every root of the file, and what each holds.
    void CollectIds(const QJsonObject& Roots)
    {
        for (auto it = Roots.begin(); it != Roots.end(); ++it)
            if (it->isObject())
                CollectNodeIds(it->toObject());
    }
    void CollectNodeIds(const QJsonObject& Node)
    {
        FNextId = std::max<std::int64_t>(FNextId, Node.value(u"id"_s).toString().toLongLong() + 1);
        for (const QJsonValue& c : Node.value(u"children"_s).toArray())
            if (c.isObject())
                CollectNodeIds(c.toObject());
    }

    QString TakeId(const QString& Stored)
    {
        bool ok = false;
        const std::int64_t id = Stored.toLongLong(&ok);
        if (ok && id > 0 && !FIds.contains(id)) {
            FIds.insert(id);
            return Stored;
        }
        while (FIds.contains(FNextId))
            ++FNextId;
        FIds.insert(FNextId);
        return QString::number(FNextId++);
    }

    TStoredIndex FIndex;
    QSet<const TBookmarkNode*> FFoldersUsed;
    QSet<std::int64_t> FIds;
    QSet<QString> FGuids;
    std::int64_t FNextId = 1;
};

void AddToChecksum(QCryptographicHash& Hash, const QJsonObject& Node)
{
    Hash.addData(Node.value(u"id"_s).toString().toUtf8());
    const QString title = Node.value(u"name"_s).toString();
    QByteArray utf16;
    utf16.reserve(title.size() * 2);
    for (const QChar c : title) {
        utf16.append(char(c.unicode() & 0xFF));
        utf16.append(char(c.unicode() >> 8));
    }
    Hash.addData(utf16);
    if (Node.value(u"type"_s).toString() == u"url"_s) {
        Hash.addData("url");
        Hash.addData(Node.value(u"url"_s).toString().toUtf8());
        return;
    }
    Hash.addData("folder");
    for (const QJsonValue& c : Node.value(u"children"_s).toArray())
        AddToChecksum(Hash, c.toObject());
}

} // namespace

TChromiumBookmarks ReadChromiumTree(const QByteArray& Data, const QString& FileName)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(Data, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        throw EFileError(FileName, u"Not a readable bookmarks file: "_s + error.errorString());
    TChromiumBookmarks out;
    out.File = doc.object();
    const QJsonValue roots = out.File.value(u"roots"_s);
    if (!roots.isObject())
        throw EFileError(FileName, u"Not a readable bookmarks file: no \"roots\" in the file"_s);
    for (const TRootKey& k : RootKeys) {
        const QJsonValue root = roots.toObject().value(QString::fromLatin1(k.Key));
        TBookmarkNode& node = out.Tree.Root(k.Root);
        if (root.isObject())
            node = ReadNode(root.toObject(), FileName, 0);
        node.Kind = TBookmarkNodeKind::Folder;
    }
    out.Tree.Root(TBookmarkRoot::Menu).Kind = TBookmarkNodeKind::Folder;
    return out;
}

QByteArray ChromiumBookmarksJson(const TBookmarkTree& Tree, const TChromiumBookmarks& Old)
{
    TWriter writer(Old);
    QJsonObject roots = Old.File.value(u"roots"_s).toObject();
    for (const TRootKey& k : RootKeys) {
        TBookmarkNode root = Tree.Root(k.Root);
        if (k.Root == TBookmarkRoot::Other) // a menu has no place of its own here
            for (const TBookmarkNode& c : Tree.Root(TBookmarkRoot::Menu).Children)
                root.Children.push_back(c);
        if (root.Stored.isEmpty()) {
            root.Stored.insert(u"guid"_s, QString::fromLatin1(k.Guid));
            root.Stored.insert(u"name"_s, QString::fromLatin1(k.Name));
        }
        if (root.Title.isEmpty())
            root.Title = root.Stored.value(u"name"_s).toString();
        root.Kind = TBookmarkNodeKind::Folder;
        roots.insert(QString::fromLatin1(k.Key),
                     writer.Node(root, QString::fromLatin1(k.Key), nullptr));
    }
    QJsonObject file = Old.File;
    file.insert(u"roots"_s, roots);
    file.insert(u"checksum"_s, QString::fromLatin1(ChromiumBookmarksChecksum(roots)));
    if (!file.contains(u"version"_s))
        file.insert(u"version"_s, 1);
    return QJsonDocument(file).toJson(QJsonDocument::Indented);
}

QByteArray ChromiumBookmarksChecksum(const QJsonObject& Roots)
{
    QCryptographicHash hash(QCryptographicHash::Md5);
    for (const TRootKey& k : RootKeys) {
        const QJsonValue root = Roots.value(QString::fromLatin1(k.Key));
        if (root.isObject())
            AddToChecksum(hash, root.toObject());
    }
    return hash.result().toHex();
}

bool ChromiumBookmarksSynced(const QJsonObject& File)
{
    return File.contains(u"sync_metadata"_s);
}

bool ChromiumAccountBookmarksUsed(const QJsonObject& File)
{
    // Chromium writes the file with empty roots for a profile that never signed in.
    return File.contains(u"sync_metadata"_s) || !File.value(u"roots"_s).toObject().isEmpty();
}
