#pragma once
// Text at the level of bytes, shared by the bookmark file readers and writers, the
// icon code and zorvel-cli: UTF-8 encoding of code points and of UTF-16 text, ASCII
// letter case, and the two kinds of blank byte a scanner meets.
//
// Everything is inline over raw buffers: the HTML reader and writer run through
// these for every character of files of tens of megabytes. The caller makes room;
// one encoded character is at most four bytes.
//
// A lone surrogate (half of a pair, without its other half) is no character and
// has no UTF-8 form; it becomes U+FFFD, the replacement character, as the decoders
// of browsers and Qt show a broken sequence.

#include <QByteArrayView>

// The replacement character.
inline constexpr char32_t ReplacementChar = 0xFFFD;

constexpr bool IsSurrogate(char32_t C) noexcept
{
    return C >= 0xD800 && C <= 0xDFFF;
}

// Writes C as UTF-8 at Out and returns the end; a surrogate becomes U+FFFD.
inline char* Utf8Put(char* Out, char32_t C) noexcept
{
    if (C < 0x80) {
        *Out++ = char(C);
    } else if (C < 0x800) {
        *Out++ = char(0xC0 | (C >> 6));
        *Out++ = char(0x80 | (C & 0x3F));
    } else if (C < 0x10000) {
        if (IsSurrogate(C))
            C = ReplacementChar;
        *Out++ = char(0xE0 | (C >> 12));
        *Out++ = char(0x80 | ((C >> 6) & 0x3F));
        *Out++ = char(0x80 | (C & 0x3F));
    } else {
        *Out++ = char(0xF0 | (C >> 18));
        *Out++ = char(0x80 | ((C >> 12) & 0x3F));
        *Out++ = char(0x80 | ((C >> 6) & 0x3F));
        *Out++ = char(0x80 | (C & 0x3F));
    }
    return Out;
}

// Writes the UTF-16 character at P, which is not ASCII (the callers copy runs of
// ASCII themselves), as UTF-8 at Out, which it moves on; returns the unit after it:
// both units of a surrogate pair are taken together. End bounds the look for a
// pair's second half. A lone surrogate becomes U+FFFD.
inline const char16_t* Utf8PutUtf16(char*& Out, const char16_t* P, const char16_t* End) noexcept
{
    // Written out rather than through Utf8Put: a UTF-16 unit needs fewer tests, and
    // the HTML writer spends its time here for text outside ASCII.
    const char32_t c = *P++;
    if (c < 0x800) {
        *Out++ = char(0xC0 | (c >> 6));
        *Out++ = char(0x80 | (c & 0x3F));
    } else if (c < 0xD800 || c > 0xDFFF) {
        *Out++ = char(0xE0 | (c >> 12));
        *Out++ = char(0x80 | ((c >> 6) & 0x3F));
        *Out++ = char(0x80 | (c & 0x3F));
    } else if (c < 0xDC00 && P != End && *P >= 0xDC00 && *P <= 0xDFFF) {
        const char32_t u = 0x10000 + ((c - 0xD800) << 10) + char32_t(*P++ - 0xDC00);
        *Out++ = char(0xF0 | (u >> 18));
        *Out++ = char(0x80 | ((u >> 12) & 0x3F));
        *Out++ = char(0x80 | ((u >> 6) & 0x3F));
        *Out++ = char(0x80 | (u & 0x3F));
    } else {
        *Out++ = char(0xEF); // U+FFFD
        *Out++ = char(0xBF);
        *Out++ = char(0xBD);
    }
    return P;
}

constexpr char AsciiLower(char C) noexcept
{
    return C >= 'A' && C <= 'Z' ? char(C - 'A' + 'a') : C;
}

constexpr char AsciiUpper(char C) noexcept
{
    return C >= 'a' && C <= 'z' ? char(C - 'a' + 'A') : C;
}

// A equals B ignoring the letter case of ASCII letters only: bytes above ASCII
// must match exactly, so no locale (Turkish dotless i ...) ever matters.
inline bool AsciiEqualsCaseless(QByteArrayView A, QByteArrayView B) noexcept
{
    if (A.size() != B.size())
        return false;
    for (qsizetype i = 0; i < A.size(); ++i)
        if (A[i] != B[i] && AsciiLower(A[i]) != AsciiLower(B[i]))
            return false;
    return true;
}

// Text begins with Prefix, ignoring ASCII letter case.
inline bool AsciiStartsWithCaseless(QByteArrayView Text, QByteArrayView Prefix) noexcept
{
    return Text.size() >= Prefix.size() && AsciiEqualsCaseless(Text.first(Prefix.size()), Prefix);
}

// The position of Needle in Text at or after From ignoring ASCII letter case, or -1.
inline qsizetype AsciiIndexOfCaseless(QByteArrayView Text, QByteArrayView Needle,
                                      qsizetype From = 0) noexcept
{
    for (qsizetype i = From, last = Text.size() - Needle.size(); i <= last; ++i)
        if (AsciiEqualsCaseless(Text.sliced(i, Needle.size()), Needle))
            return i;
    return -1;
}

// HTML's white space: space, tab, line feed, form feed, carriage return. What
// separates attributes in a tag and may surround base64 data.
constexpr bool IsHtmlSpace(char C) noexcept
{
    return C == ' ' || C == '\t' || C == '\n' || C == '\r' || C == '\f';
}

// A space or any control byte (0x00-0x20): what is trimmed from a field read out of
// a hand-edited file, where stray control characters are noise too.
constexpr bool IsSpaceOrControl(char C) noexcept
{
    return static_cast<unsigned char>(C) <= 0x20;
}
