#pragma once
// A forward scanner that cuts HTML into tags and text, for the bookmark file
// reader. It works on the bytes of any ASCII-compatible encoding (the reader
// gives it UTF-8): every byte it looks for is ASCII, and everything else is
// handed back as views into the input, so nothing is copied or decoded here.
//
// It follows the HTML tokenizer where bookmark files need it and is lenient
// where they are broken: tag and attribute names in any letter case; attribute
// values double-quoted, single-quoted or bare, quoted ones running over line
// breaks; comments and declarations skipped. Outside a quoted value a '<' ends
// the tag being read (a tag cut off by a missing '>' does not swallow the next
// one), and a comment whose "-->" never comes ends at the next '>'.
//
// Every search moves the position forward past what it read, so scanning costs
// linear time on any input.

#include <QByteArrayView>

#include <vector>

struct THtmlAttribute
{
    QByteArrayView Name;  // as written
    QByteArrayView Value; // raw: character references are not decoded
};

struct THtmlToken
{
    enum TKind
    {
        Text,
        StartTag,
        EndTag
    };

    TKind Kind = Text;
    QByteArrayView Name; // tag name as written; empty for text
    QByteArrayView Raw;  // the text, or the whole tag as written
    // Start tags: the attributes in the order written (at most MaxAttributes).
    std::vector<THtmlAttribute> Attributes;

    static constexpr qsizetype MaxAttributes = 64;

    // Is this a tag called Upper (given in upper case), in any letter case?
    bool Is(QByteArrayView Upper) const;
    // The first attribute called Upper (any letter case), or null.
    const THtmlAttribute* Attribute(QByteArrayView Upper) const;
};

class THtmlTagScanner
{
public:
    explicit THtmlTagScanner(QByteArrayView Html) : FHtml(Html) {}

    // The next tag or run of text; false at the end. Comments, declarations
    // and a tag cut off by the end of the input give no token.
    bool Next(THtmlToken& Token);

    // Offset of the next byte to be read.
    qsizetype Position() const { return FPos; }

private:
    bool ReadStartTag(THtmlToken& Token);
    bool ReadEndTag(THtmlToken& Token);
    void SkipMarkup();
    void ReadText(THtmlToken& Token, qsizetype SearchFrom);

    QByteArrayView FHtml;
    qsizetype FPos = 0;
    // Where the last search for "-->" ended; once it failed, later ones would too.
    qsizetype FCommentEnd = -1;
    bool FNoCommentEnd = false;
};
