#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// MathType and Equation Editor 3.0 equations: the equation's own description
// (MTEF, versions 3 and 5, as their maker published it) turned into LaTeX for
// the program's formula engine.
namespace metafile {

struct LatexResult
{
    QString latex;
    // The first construct that could not be converted, described for the
    // teacher (e.g. "模板 40（长除法）"); empty when everything was. When it is
    // set, `latex` holds what was converted and must not replace the picture.
    QString unknown;
    bool ok() const { return unknown.isEmpty() && !latex.isEmpty(); }
};

// An MTEF byte stream (its header first) as LaTeX.
LatexResult mtefToLatex(QByteArrayView mtef);

// The MTEF of an "Equation Native" stream: its 28-byte header (cbHdr,
// version, clipboard format, size) and then the MTEF; empty when `stream` is
// not one.
QByteArray mtefFromEquationNative(QByteArrayView stream);

// Whether an OLE class is an equation this reader converts: Equation.DSMT4
// and the other Equation.DSMT versions (MathType), Equation.3 (Equation
// Editor 3.0).
bool isEquationClass(QStringView className);

// The MTEF inside an equation object as RTF's \objdata holds it (the OLE 1
// wrapper, the compound file, its "Equation Native" stream); empty with the
// reason in `problem` when there is none.
QByteArray mtefFromObjectData(QByteArrayView objdata, QString* className = nullptr,
                              QString* problem = nullptr);

// The whole way: \objdata to LaTeX. A failure names what stopped it in `unknown`.
LatexResult equationObjectToLatex(QByteArrayView objdata);

// The LaTeX TeX needs for a character it does not take as it is: Greek
// letters, operators, relations, arrows, spaces and TeX's own special
// characters (\alpha, \leq, \{); empty for a character written as
// itself. Shared with the other formula converters (OMML).
QString latexForCharacter(char32_t c);

} // namespace metafile
