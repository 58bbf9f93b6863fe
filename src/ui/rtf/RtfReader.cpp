#include "ui/rtf/RtfReader.h"

#include <QTextCursor>
#include <QTextDocument>

void RtfReader::read(const QByteArray&, QTextDocument* doc)
{
    doc->clear();
}

void RtfReader::insert(const QByteArray&, QTextCursor& cursor)
{
    cursor.removeSelectedText();
}
