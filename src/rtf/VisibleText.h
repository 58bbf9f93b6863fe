#pragma once

#include <QString>

class QTextDocument;

namespace rtf {

// The text a reader sees in a document: one line per paragraph, the cells of
// a table row separated by tabs (a row per line, a cell's further paragraphs
// and nested tables on lines of their own), line breaks as new lines, and
// nothing for pictures and other objects.
QString visibleText(const QTextDocument& doc);

} // namespace rtf
