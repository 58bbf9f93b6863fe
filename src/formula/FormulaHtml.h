#pragma once

#include <QString>

class FormulaEngine;
class QTextDocument;

// `doc` as HTML (QTextDocument::toHtml) with each formula drawn as its SVG,
// typeset anew from its source at the size it has in the document, so a
// browser shows it sharp at any zoom. A formula that cannot be typeset (no
// engine, a broken source) stays its picture.
QString htmlWithFormulas(const QTextDocument& doc, FormulaEngine& engine);
