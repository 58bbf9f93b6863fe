#pragma once

#include <QByteArray>

class QTextCursor;
class QTextDocument;
class QTextDocumentFragment;

// The sheet a document is printed on, in twips: \paperw, \paperh and the
// margins, \landscape when it is wider than high, and columns (\cols) with
// the gap between them. Nothing is written for the page of width 0.
struct RtfPage
{
    int width = 0;
    int height = 0;
    int left = 0;
    int right = 0;
    int top = 0;
    int bottom = 0;
    int columns = 1;
    int columnGap = 0;
};

// Writes a QTextDocument as RTF in code page 936: "{\rtf1\ansi\ansicpg936",
// fonts of character set 134, 宋体 as the default font. A font name with a
// charset ending (" CE", " Greek") is written without it, with that charset.
// The same document always gives the same bytes.
//
// CJK characters with a GBK code are written as \'hh pairs in fonts of
// character set 134; every other non-ASCII character as \uN with the letter
// without accents, or '?', for readers that skip \uN.
// Pictures that the reader made keep their original bytes and control words;
// other pictures are written as PNG.
class RtfWriter
{
public:
    static QByteArray write(const QTextDocument& doc);
    // The same, on `page`.
    static QByteArray write(const QTextDocument& doc, const RtfPage& page);
    // A fragment has no document resources: pictures in it are written only
    // when they carry their bytes (as every picture read from RTF does).
    static QByteArray write(const QTextDocumentFragment& fragment);
    // The selection of `cursor`, with the pictures of its document.
    static QByteArray write(const QTextCursor& selection);
};
