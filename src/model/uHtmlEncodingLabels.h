#pragma once
// The labels by which web pages and bookmark files name their character encoding
// (a <meta charset>, a Content-Type's charset=), read as browsers read them: the
// label table of the WHATWG Encoding standard. Many old names mean something
// else there than in a codec library ("latin1" and "ascii" are windows-1252,
// "unicode" is UTF-16LE), and names outside the table mean nothing at all.

#include <QByteArray>
#include <QByteArrayView>

// The encoding a label names, by its name in the standard ("windows-1252",
// "UTF-16LE", "Shift_JIS"), or empty when the label is none of the table's.
// Blanks around the label and letter case do not matter.
QByteArray HtmlEncodingForLabel(QByteArrayView Label);
