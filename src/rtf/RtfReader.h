#pragma once

#include <QByteArray>

class QTextDocument;
class QTextCursor;

// Reads RTF as word processors and rich-edit controls write it into a
// QTextDocument. Never throws and never hangs: malformed input gives the best
// document that can be made of it.
class RtfReader
{
public:
    // Replaces the content of `doc` with the document in `rtf`.
    static void read(const QByteArray& rtf, QTextDocument* doc);
    // Inserts the document in `rtf` at `cursor`, in place of its selection,
    // as one undo step. A document of one paragraph goes into the cursor's
    // block without adding a paragraph break.
    static void insert(const QByteArray& rtf, QTextCursor& cursor);
};
