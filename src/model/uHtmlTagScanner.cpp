// Tags and text of an HTML byte stream; see the header for the rules.

#include <model/uHtmlTagScanner.h>
#include <model/uTextBytes.h>

#include <cstring>

namespace {

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Position of c in [from, end of s), or the end of s.
qsizetype FindByte(QByteArrayView s, char c, qsizetype from)
{
    if (from >= s.size())
        return s.size();
    const void* p = std::memchr(s.data() + from, c, size_t(s.size() - from));
    return p ? static_cast<const char*>(p) - s.data() : s.size();
}

} // namespace

bool THtmlToken::Is(QByteArrayView Upper) const
{
    return Kind != Text && AsciiEqualsCaseless(Name, Upper);
}

const THtmlAttribute* THtmlToken::Attribute(QByteArrayView Upper) const
{
    for (const THtmlAttribute& a : Attributes)
        if (AsciiEqualsCaseless(a.Name, Upper))
            return &a;
    return nullptr;
}

bool THtmlTagScanner::Next(THtmlToken& Token)
{
    const qsizetype n = FHtml.size();
    const char* d = FHtml.data();
    while (FPos < n) {
        if (d[FPos] != '<') {
            ReadText(Token, FPos);
            return true;
        }
        const char c = FPos + 1 < n ? d[FPos + 1] : '\0';
        if (IsLetter(c)) {
            if (ReadStartTag(Token))
                return true;
        } else if (c == '/' && FPos + 2 < n && IsLetter(d[FPos + 2])) {
            if (ReadEndTag(Token))
                return true;
        } else if (c == '!' || c == '?') {
            SkipMarkup();
        } else {
            // A '<' that starts no tag is text ("a < b").
            ReadText(Token, FPos + 1);
            return true;
        }
    }
    return false;
}

// Text from the current position up to the next '<' at or after SearchFrom.
void THtmlTagScanner::ReadText(THtmlToken& Token, qsizetype SearchFrom)
{
    const qsizetype end = FindByte(FHtml, '<', SearchFrom);
    Token.Kind = THtmlToken::Text;
    Token.Name = {};
    Token.Attributes.clear();
    Token.Raw = FHtml.sliced(FPos, end - FPos);
    FPos = end;
}

bool THtmlTagScanner::ReadStartTag(THtmlToken& Token)
{
    const qsizetype n = FHtml.size();
    const char* d = FHtml.data();
    const qsizetype start = FPos;
    qsizetype i = start + 1;
    while (i < n && !IsHtmlSpace(d[i]) && d[i] != '/' && d[i] != '>' && d[i] != '<')
        ++i;
    Token.Kind = THtmlToken::StartTag;
    Token.Name = FHtml.sliced(start + 1, i - start - 1);
    Token.Attributes.clear();

    for (;;) {
        while (i < n && (IsHtmlSpace(d[i]) || d[i] == '/'))
            ++i;
        if (i >= n) {
            FPos = n; // cut off by the end of the input
            return false;
        }
        if (d[i] == '>') {
            ++i;
            break;
        }
        if (d[i] == '<')
            break; // a missing '>': the '<' starts the next tag
        const qsizetype nameStart = i++;
        while (i < n && !IsHtmlSpace(d[i]) && d[i] != '/' && d[i] != '>' && d[i] != '='
               && d[i] != '<')
            ++i;
        THtmlAttribute a;
        a.Name = FHtml.sliced(nameStart, i - nameStart);
        qsizetype j = i;
        while (j < n && IsHtmlSpace(d[j]))
            ++j;
        if (j < n && d[j] == '=') {
            ++j;
            while (j < n && IsHtmlSpace(d[j]))
                ++j;
            if (j < n && (d[j] == '"' || d[j] == '\'')) {
                const qsizetype close = FindByte(FHtml, d[j], j + 1);
                a.Value = FHtml.sliced(j + 1, close - j - 1);
                i = close < n ? close + 1 : n;
            } else {
                const qsizetype valueStart = j;
                while (j < n && !IsHtmlSpace(d[j]) && d[j] != '>' && d[j] != '<')
                    ++j;
                a.Value = FHtml.sliced(valueStart, j - valueStart);
                i = j;
            }
        } else {
            a.Value = FHtml.sliced(i, 0); // present, no value
        }
        if (qsizetype(Token.Attributes.size()) < THtmlToken::MaxAttributes)
            Token.Attributes.push_back(a);
    }
    Token.Raw = FHtml.sliced(start, i - start);
    FPos = i;
    return true;
}

bool THtmlTagScanner::ReadEndTag(THtmlToken& Token)
{
    const qsizetype n = FHtml.size();
    const char* d = FHtml.data();
    const qsizetype start = FPos;
    qsizetype i = start + 2;
    while (i < n && !IsHtmlSpace(d[i]) && d[i] != '/' && d[i] != '>' && d[i] != '<')
        ++i;
    Token.Kind = THtmlToken::EndTag;
    Token.Name = FHtml.sliced(start + 2, i - start - 2);
    Token.Attributes.clear();
    while (i < n && d[i] != '>' && d[i] != '<')
        ++i;
    if (i >= n) {
        FPos = n;
        return false;
    }
    if (d[i] == '>')
        ++i;
    Token.Raw = FHtml.sliced(start, i - start);
    FPos = i;
    return true;
}

// "<!-- ... -->", "<!DOCTYPE ...>", "<?xml ...?>" and the like.
void THtmlTagScanner::SkipMarkup()
{
    const qsizetype n = FHtml.size();
    if (FHtml.sliced(FPos).startsWith("<!--")) {
        const qsizetype from = FPos + 4;
        if (!FNoCommentEnd && FCommentEnd < from) {
            const qsizetype at = FHtml.sliced(from).indexOf("-->");
            if (at < 0)
                FNoCommentEnd = true;
            else
                FCommentEnd = from + at;
        }
        if (!FNoCommentEnd) {
            FPos = FCommentEnd + 3;
            return;
        }
    }
    const qsizetype gt = FindByte(FHtml, '>', FPos + 2);
    FPos = gt < n ? gt + 1 : n;
}
