#pragma once

#include <QSizeF>
#include <QString>
#include <QTextImageFormat>

class QTextCursor;
class QTextDocument;

// A formula as the formula editor inserts it, made without the typesetting
// engine: a PNG at three times the display size whose pixels depend on the
// source, added to the document's resources, in an image format with the
// picture's bytes, the source and the depth below the baseline.
namespace formulasample {

QTextImageFormat format(QTextDocument* doc, const QString& source, QSizeF display = {54, 21},
                        qreal depth = 4.5);

// Inserts that formula at `cursor`.
void insert(QTextCursor& cursor, const QString& source, QSizeF display = {54, 21}, qreal depth = 4.5);

// The image formats in `doc` that carry a formula source, in document order.
QList<QTextImageFormat> formulas(const QTextDocument& doc);

} // namespace formulasample
