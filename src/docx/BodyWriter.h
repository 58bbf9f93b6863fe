#pragma once

#include "docx/DocxModel.h"
#include "formula/FormulaRenderer.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>

#include <vector>

class QTextDocument;

// Turns pieces of a Word document into the program's rich text: a
// QTextDocument with the runs' formats, the tables and the pictures (their
// bytes kept: PNG and JPEG as they are, WMF and EMF as metafiles, GIF, BMP
// and TIFF as PNG), and each formula as the program's formula picture with
// its LaTeX source, so that the formula editor opens it. The RTF of a
// question body is that document written by the program's RTF writer.
namespace docx {

// Typesets the formulas of an import, each source at each size once.
class FormulaPictures
{
public:
    // Typesets with `engine` (the program's engine by default).
    explicit FormulaPictures(FormulaEngine* engine = nullptr);

    // The formula, or nullptr with the reason in `error` when it does not typeset.
    const Formula* formula(const QString& latex, qreal pointSize, QString* error);

private:
    FormulaRenderer renderer_;
    QHash<QString, Formula> done_;
};

class BodyWriter
{
public:
    // Without `formulas` no formula is typeset: each keeps the picture Word
    // stored for it, or shows as its LaTeX between dollar signs.
    BodyWriter(const Document& doc, FormulaPictures* formulas);

    // Fills the empty `out` with `blocks`. What could not be kept as it was
    // goes to `warnings` (once each).
    void build(const std::vector<Block>& blocks, QTextDocument* out, QStringList* warnings = nullptr);
    // The blocks as an RTF document (code page 936), as a question body is stored.
    QByteArray rtf(const std::vector<Block>& blocks, QStringList* warnings = nullptr);

private:
    const Document& doc_;
    FormulaPictures* formulas_;
};

// Draws the metafile pictures (WMF, EMF) of `doc` through the metafile
// player in place of the boxes the RTF reader shows for them, so that a
// preview shows them as they will print.
void drawMetafilePictures(QTextDocument* doc);

} // namespace docx
