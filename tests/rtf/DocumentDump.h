#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace rtftest {

// A readable outline of a document's structure and formats, one line per
// paragraph, run, table and cell, for golden files:
//
//   P align=center left=20
//     "Hello" bold size=12 font=宋体
//     [image 32x16 png]
//     [image 54x21 pngblip formula="\\frac{1}{2}" depth=4.5]
//   TABLE 2x3 border
//     CELL 0,0 span=1x2
//       P
//         "A" size=12
//
// Without `defaultFont`, the writer's default font 宋体 is not named, so that
// a run without a font and one in the default font read the same.
QString dumpDocument(const QTextDocument& doc, bool defaultFont = true);

// Reads a file below tests/data; fails the calling test when it is missing.
QByteArray readTestFile(const QString& relativePath);
QString testDataPath(const QString& relativePath);

// The words of a visible text: what is left between runs of white space
// (spaces, tabs, line and paragraph ends). Comparing these compares the text
// a reader sees, whatever the layout of paragraphs, table cells and list labels.
QStringList normalisedWords(const QString& text);

// Reads `rtf`, writes the document, reads that and writes it again. Gives what
// broke, or nothing: the text (and with `structure`, the outline apart from
// the default font the writer names) must survive, and the second writing must
// give the bytes of the first.
QString roundTripProblem(const QByteArray& rtf, bool structure);

// Describes where two multi-line texts first differ.
QString firstDifference(const QString& actual, const QString& expected);

} // namespace rtftest

// Compares two multi-line texts and reports the first differing line.
#define RTF_COMPARE_LINES(actual, expected)                                                                  \
    do {                                                                                                     \
        const QString rtfActual_ = (actual);                                                                 \
        const QString rtfExpected_ = (expected);                                                             \
        if (rtfActual_ != rtfExpected_)                                                                      \
            QFAIL(qPrintable(rtftest::firstDifference(rtfActual_, rtfExpected_)));                           \
    } while (false)

namespace rtftest {

} // namespace rtftest
