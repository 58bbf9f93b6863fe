#pragma once

#include <QByteArray>

class QTextDocument;
class QTextDocumentFragment;

// Writes a QTextDocument as RTF in code page 936: "{\rtf1\ansi\ansicpg936",
// fonts of character set 134, 宋体 as the default font. The same document always
// gives the same bytes.
class RtfWriter
{
public:
    static QByteArray write(const QTextDocument& doc);
    static QByteArray write(const QTextDocumentFragment& fragment);
};
