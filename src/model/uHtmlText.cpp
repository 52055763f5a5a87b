// Character references and charset labels of HTML text.

#include <model/uHtmlEncodingLabels.h>
#include <model/uHtmlText.h>

#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace {

// HTML's Latin-1 character names, in the order of their code points from U+00A0.
constexpr std::array<const char*, 96> Latin1Names = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",
    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
    "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
    "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
    "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",
    "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",
    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

// The longest name known, in code units.
constexpr qsizetype MaxNameLength = 8;

const QHash<QString, char32_t>& CharacterNames()
{
    static const QHash<QString, char32_t> names = [] {
        QHash<QString, char32_t> h;
        for (size_t i = 0; i < Latin1Names.size(); ++i)
            h.insert(QString::fromLatin1(Latin1Names[i]), char32_t(0xA0 + i));
        const std::pair<const char*, char32_t> more[] = {
            {"amp", '&'},       {"lt", '<'},        {"gt", '>'},        {"quot", '"'},
            {"apos", '\''},     {"ndash", 0x2013},  {"mdash", 0x2014},  {"lsquo", 0x2018},
            {"rsquo", 0x2019},  {"sbquo", 0x201A},  {"ldquo", 0x201C},  {"rdquo", 0x201D},
            {"bdquo", 0x201E},  {"bull", 0x2022},   {"hellip", 0x2026}, {"lsaquo", 0x2039},
            {"rsaquo", 0x203A}, {"euro", 0x20AC},   {"trade", 0x2122},  {"larr", 0x2190},
            {"rarr", 0x2192},   {"hearts", 0x2665}, {"dagger", 0x2020}, {"OElig", 0x152},
            {"oelig", 0x153},   {"Scaron", 0x160},  {"scaron", 0x161},  {"thinsp", 0x2009},
            {"ensp", 0x2002},   {"emsp", 0x2003},   {"zwnj", 0x200C},   {"zwj", 0x200D}};
        for (const auto& [name, c] : more)
            h.insert(QString::fromLatin1(name), c);
        return h;
    }();
    return names;
}

bool IsAsciiAlnum(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// The reference at p (just after '&'): the code units it takes, 0 when it is none
// we decode. Looks at no more than a name's or a number's length.
qsizetype DecodeReference(const char16_t* p, qsizetype n, char32_t& value)
{
    if (n == 0)
        return 0;
    if (p[0] != u'#') {
        qsizetype j = 0;
        while (j < n && j <= MaxNameLength && IsAsciiAlnum(p[j]))
            ++j;
        if (j == 0 || j > MaxNameLength || j >= n || p[j] != u';')
            return 0;
        const auto it = CharacterNames().constFind(QString::fromUtf16(p, j));
        if (it == CharacterNames().cend())
            return 0;
        value = *it;
        return j + 1;
    }
    qsizetype j = 1;
    const bool hex = j < n && (p[j] == u'x' || p[j] == u'X');
    if (hex)
        ++j;
    const qsizetype first = j;
    char32_t v = 0;
    for (; j < n; ++j) {
        const char16_t d = p[j];
        int digit = -1;
        if (d >= u'0' && d <= u'9')
            digit = d - u'0';
        else if (hex && d >= u'a' && d <= u'f')
            digit = d - u'a' + 10;
        else if (hex && d >= u'A' && d <= u'F')
            digit = d - u'A' + 10;
        if (digit < 0)
            break;
        // Saturates: anything beyond the last code point is no character.
        v = std::min<char32_t>(v * (hex ? 16 : 10) + char32_t(digit), 0x110000);
    }
    if (j == first || j >= n || p[j] != u';')
        return 0;
    if (v == 0 || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        v = 0xFFFD;
    value = v;
    return j + 1;
}

} // namespace

QString DecodeHtmlReferences(const QString& Text)
{
    qsizetype amp = Text.indexOf(u'&');
    if (amp < 0)
        return Text;
    const char16_t* p = reinterpret_cast<const char16_t*>(Text.utf16());
    const qsizetype n = Text.size();
    QString out;
    out.reserve(n);
    qsizetype done = 0; // Text[0, done) is in out
    while (amp >= 0) {
        char32_t value = 0;
        const qsizetype used = DecodeReference(p + amp + 1, n - amp - 1, value);
        if (used > 0) {
            out.append(QStringView(p + done, amp - done));
            if (QChar::requiresSurrogates(value)) {
                out.append(QChar(QChar::highSurrogate(value)));
                out.append(QChar(QChar::lowSurrogate(value)));
            } else {
                out.append(QChar(char16_t(value)));
            }
            done = amp + 1 + used;
        }
        amp = Text.indexOf(u'&', std::max(done, amp + 1));
    }
    out.append(QStringView(p + done, n - done));
    return out;
}

QByteArray HtmlTextEncoding(QByteArrayView Label)
{
    QByteArray encoding = HtmlEncodingForLabel(Label);
    if (encoding == "x-user-defined")
        return "windows-1252";
    if (encoding == "ISO-8859-8-I")
        return "ISO-8859-8"; // the same characters; the I only orders them for display
    if (encoding == "replacement")
        return {}; // stands for encodings that are not ASCII-compatible
    // Text readable as ASCII is not UTF-16, whatever it says (HTML reads it as UTF-8).
    if (encoding.startsWith("UTF-16"))
        return "UTF-8";
    return encoding;
}

QString HtmlDecodeBytes(QByteArrayView Bytes, const QByteArray& Encoding)
{
    if (Encoding == "UTF-8")
        return QString::fromUtf8(Bytes);
    if (!Encoding.isEmpty()) {
        QStringDecoder decoder(Encoding.constData(), QStringDecoder::Flag::Stateless);
        if (decoder.isValid())
            return decoder.decode(Bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(Bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder western("windows-1252", QStringDecoder::Flag::Stateless);
    if (!western.isValid())
        western = QStringDecoder(QStringDecoder::Latin1);
    return western.decode(Bytes);
}
