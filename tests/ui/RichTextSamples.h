#pragma once

#include <QImage>
#include <QString>
#include <QTextCharFormat>

class QTextCursor;
class QTextDocument;

// Documents and pictures built directly with QTextCursor, so that the tests
// of the box and of the RTF exchange start from a known document.
namespace samples {

// A small picture whose every pixel differs, so a lossy or shifted copy shows.
QImage picture(int width = 12, int height = 8);

// Inserts `image` at `cursor` as a document resource named `name`.
void insertPicture(QTextCursor& cursor, const QImage& image, const QString& name);

// Inserts "普通粗体斜体红字" + picture + "尾": positions 0-1 plain, 2-3 bold,
// 4-5 italic, 6-7 red, 8 the picture, 9 plain.
void insertFormattedRun(QTextCursor& cursor, const QImage& image);

// The format of the character at `pos`.
QTextCharFormat formatAt(const QTextDocument& doc, int pos);

// The picture at `pos`, or a null image when there is none.
QImage pictureAt(const QTextDocument& doc, int pos);

// True when both images have the same size and the same pixels.
bool samePixels(const QImage& a, const QImage& b);

// Checks the run that insertFormattedRun put at `start` in `doc`; the text of
// the first failure, or the empty text.
QString checkFormattedRun(const QTextDocument& doc, int start, const QImage& image);

} // namespace samples
