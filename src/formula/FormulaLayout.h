#pragma once

class QTextDocument;

// Formulas on the baseline. Qt's text layout puts a picture's bottom on the
// baseline; only a picture aligned AlignMiddle reaches below it, by an amount
// that depends on the font's x-height. The handler installed here gives a
// formula picture a box whose middle alignment reserves room for its height
// above and its depth below the baseline, and draws the picture inside the box
// with its own baseline on the line's. Every other picture keeps its place.
// All pictures are drawn at the pixels they cover on the device, decoded or
// shrunk to that size through one bounded cache (rtf/PictureDrawing.h).
//
// Installs the handler on `doc`'s layout (once; again after the layout is replaced).
void installFormulaLayout(QTextDocument* doc);

// Gives every formula of `doc` that reaches below the baseline the middle
// alignment the handler works with (formulas read from RTF come without it).
// Changes nothing, and records no undo step, when all have it already.
void alignFormulasOnBaseline(QTextDocument* doc);
