#pragma once
// Reading the text of HTML as browsers do, for every reader of it: bookmark files
// and the pages the link check and the icon fetch ask. One decoder for character
// references and one reading of charset labels, so a title or a name reads the
// same wherever it comes from.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Decodes the character references of Text: numeric ones (&#NNN; &#xHH;) and the
// names of HTML's Latin-1 set with the common punctuation, symbols and the five
// of XML (&amp; &lt; &gt; &quot; &apos;), only those closed by ";" and in their
// own letter case; anything else stays as it is. A number that is no character
// (0, a surrogate, past U+10FFFF) gives U+FFFD. Linear in the length of Text,
// whatever it holds.
QString DecodeHtmlReferences(const QString& Text);

// The encoding to decode an ASCII-compatible text (a page, a bookmark file) with
// when Label names its charset: the label table's encoding (HtmlEncodingForLabel:
// "iso-8859-9" is windows-1254, "latin1" windows-1252) with the exceptions HTML
// makes for such text: a UTF-16 label means UTF-8, x-user-defined is read as
// windows-1252. Empty when the label names nothing that can be decoded.
QByteArray HtmlTextEncoding(QByteArrayView Label);

// Bytes decoded in an encoding HtmlTextEncoding gave; an encoding this build
// cannot decode is read as UTF-8 when the bytes are, else as windows-1252.
QString HtmlDecodeBytes(QByteArrayView Bytes, const QByteArray& Encoding);
