#include "rtf/RtfReader.h"

#include "rtf/RtfBuilder.h"
#include "rtf/RtfParser.h"

#include <QTextCursor>
#include <QTextDocument>

void RtfReader::read(const QByteArray& rtf, QTextDocument* doc)
{
    if (!doc)
        return;
    const rtf::Content content = rtf::parse(rtf);
    // Loading is not an edit the user can undo; the undo stack would only cost
    // time and memory.
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    {
        QTextCursor cursor(doc);
        cursor.beginEditBlock();
        rtf::Builder builder(content, doc);
        builder.buildDocument(cursor);
        cursor.endEditBlock();
    }
    doc->setUndoRedoEnabled(undo);
}

void RtfReader::insert(const QByteArray& rtf, QTextCursor& cursor)
{
    if (cursor.isNull())
        return;
    const rtf::Content content = rtf::parse(rtf);
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    rtf::Builder builder(content, cursor.document());
    builder.insert(cursor);
    cursor.endEditBlock();
}
