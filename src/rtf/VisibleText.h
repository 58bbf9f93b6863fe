#pragma once

#include <QString>

class QTextDocument;

namespace rtf {

// The text a reader sees in a document: one line per paragraph, the cells of
// a table row separated by tabs (a row per line, a cell's further paragraphs
// and nested tables on lines of their own), line breaks as new lines, a
// formula as its LaTeX source between dollars ($\frac{1}{2}$), and nothing for
// other pictures and objects.
QString visibleText(const QTextDocument& doc);

} // namespace rtf
