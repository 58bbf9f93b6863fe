#pragma once

#include <QList>
#include <QMap>
#include <QString>

class QTextDocument;

namespace rtf {

// What a document read from RTF holds, for `tiku-admin convert --report`:
// how many paragraphs, pictures by kind, and the equation objects (MathType,
// Equation Editor) with what became of each.
struct DocumentSummary
{
    struct Unconverted
    {
        int equation = 0;  // 1 for the document's first equation object
        int paragraph = 0; // 1 for its first paragraph (table cells counted in order)
        QString construct; // the first construct that could not be converted
    };

    int paragraphs = 0;
    QMap<QString, int> picturesByKind; // "wmf", "emf", "png", "jpeg", "dib", "bitmap", "other"
    int equations = 0;
    int converted = 0;
    QList<Unconverted> unconverted;

    int pictures() const;
};

DocumentSummary summarize(const QTextDocument& doc);

} // namespace rtf
