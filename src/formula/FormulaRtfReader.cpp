#include "formula/FormulaRtfReader.h"

#include "formula/FormulaLayout.h"
#include "rtf/RtfReader.h"

#include <QTextCursor>
#include <QTextDocument>

void FormulaRtfReader::read(const QByteArray& rtf, QTextDocument* doc)
{
    RtfReader::read(rtf, doc);
    alignFormulasOnBaseline(doc);
}

void FormulaRtfReader::insert(const QByteArray& rtf, QTextCursor& cursor)
{
    if (cursor.isNull())
        return;
    cursor.beginEditBlock();
    const int from = cursor.selectionStart();
    RtfReader::insert(rtf, cursor);
    alignFormulasOnBaseline(cursor.document(), from, cursor.position());
    cursor.endEditBlock();
}
