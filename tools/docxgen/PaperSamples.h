#pragma once

// Papers as teachers' Word and WPS files hold them, written part by part:
// for the tests of the DOCX reader and the splitter, the benchmarks and the
// fuzzer's seeds.

#include <QByteArray>
#include <QList>
#include <QString>

namespace docxgen {

// One Word equation (the inside of an m:oMath) and the LaTeX it stands for.
struct OmmlSample
{
    QString name;
    QString omml;  // the children of m:oMath
    QString latex; // what the converter gives for it
};
// Every kind of OMML construct Word's equation editor writes: fractions
// (bar, linear, no bar), scripts, pre-scripts, radicals, n-ary operators
// with limits, delimiters, matrices, equation arrays, accents, bars, boxes,
// bordered boxes, functions, group characters, limits below and above,
// phantoms, normal text, Chinese text, Greek letters, spaces.
QList<OmmlSample> ommlSamples();
// An m:oMath element around `inner` (with its namespace declared).
QString oMath(const QString& inner);

// A paper as Word writes it: questions numbered by a Word list (1. and
// sub-questions （1）), section headings in bold, options on one line with
// tabs and in a table, OMML formulas, a MathType equation object, an inline
// PNG, an anchored WMF figure, an EMF picture, a JPEG, emphasis marks,
// superscripts and colours, a shape drawn in Word, and the key at the end
// (a table of numbers and letters, answers set apart by gaps, worked answers).
// Seven questions in three sections.
QByteArray wordPaper();
// A paper as WPS writes it: typed numbers (1． 2、), sections numbered by a
// chineseCounting list ("一、"), sub-questions ⑴ from decimalEnclosedParen,
// options with full-width spaces, 【答案】 and 【解析】 after each question,
// an Equation.KSEE3 object and OMML, VML pictures (GIF, BMP). Six questions.
QByteArray wpsPaper();

// A long paper for the benchmark: `questions` questions over about 30 pages,
// with `formulas` OMML formulas and `pictures` pictures in all, and a key at
// the end.
QByteArray benchmarkPaper(int questions = 60, int formulas = 300, int pictures = 40);

// Small pictures of each kind.
QByteArray samplePng(int width = 120, int height = 80);
QByteArray sampleJpeg();
QByteArray sampleGif();
QByteArray sampleBmp();

} // namespace docxgen
