#pragma once

#include <QByteArray>

class QTextCursor;
class QTextDocument;
class QTextDocumentFragment;

// Writes a QTextDocument as RTF in code page 936: "{\rtf1\ansi\ansicpg936",
// fonts of character set 134, 宋体 as the default font. The same document always
// gives the same bytes.
//
// Characters with a GBK code are written as \'hh pairs, all others as \uN?.
// Pictures that the reader made keep their original bytes and control words;
// other pictures are written as PNG.
class RtfWriter
{
public:
    static QByteArray write(const QTextDocument& doc);
    // A fragment has no document resources: pictures in it are written only
    // when they carry their bytes (as every picture read from RTF does).
    static QByteArray write(const QTextDocumentFragment& fragment);
    // The selection of `cursor`, with the pictures of its document.
    static QByteArray write(const QTextCursor& selection);
};
