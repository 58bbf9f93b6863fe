#pragma once

#include <QByteArray>

class QTextCursor;
class QTextDocument;

// RTF read into a document that is shown or printed. The RTF reader gives a
// formula the picture and depth it was written with; here each formula read
// also gets the alignment FormulaLayout puts on the baseline with
// (alignFormulasOnBaseline), so that no caller has to remember it. Every
// reader of RTF into such a document goes through here: the rich-text boxes
// (whole documents, selections, pastes), the composed papers and their layout.
class FormulaRtfReader
{
public:
    // RtfReader::read(), then every formula of `doc` on the baseline.
    static void read(const QByteArray& rtf, QTextDocument* doc);
    // RtfReader::insert(), then the formulas inserted on the baseline, as the
    // same undo step. Only what was inserted is walked.
    static void insert(const QByteArray& rtf, QTextCursor& cursor);
};
