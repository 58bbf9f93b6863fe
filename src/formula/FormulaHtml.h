#pragma once

#include <QString>

class FormulaEngine;
class QTextDocument;

// How long the formulas of one document may take to typeset in all. One
// formula may take up to the engine's time limit; a document of many slow
// ones stops here, and its remaining formulas are written as their pictures.
inline constexpr int kFormulaHtmlTimeBudgetMs = 10000;

// `doc` as HTML (QTextDocument::toHtml) with each formula drawn as its SVG,
// typeset anew from its source at the size it has in the document, so a
// browser shows it sharp at any zoom. The SVG holds only the elements and
// attributes a drawing needs: nothing a formula sets on its nodes (a link, a
// style, a class) reaches the page. A formula that cannot be typeset (no
// engine, a broken source, the time budget spent) is written as its picture,
// embedded, with its source as the picture's text.
//
// `leftForTime`, when given, receives how many formulas were written as
// pictures because the time budget ran out.
QString htmlWithFormulas(const QTextDocument& doc, FormulaEngine& engine, int* leftForTime = nullptr,
                         int budgetMs = kFormulaHtmlTimeBudgetMs);
