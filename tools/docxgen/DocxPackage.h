#pragma once

// Writes .docx packages part by part, the way Word and WPS write them: the
// content types, the relationships, the main document with its namespaces,
// styles, numbering, the pictures under word/media and the embedded
// equation objects under word/embeddings. For the tests and benchmarks of
// the DOCX reader; the XML of the body is put together by the caller.

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

namespace docxgen {

enum class Flavour { Word, Wps };

// A zip archive of `entries` (deflated, fixed time stamps: the same entries
// give the same bytes).
QByteArray zip(const QList<std::pair<QString, QByteArray>>& entries);

class DocxPackage
{
public:
    explicit DocxPackage(Flavour flavour = Flavour::Word);

    Flavour flavour() const { return flavour_; }

    // Appends body XML (w:p, w:tbl ...).
    void add(const QString& bodyXml) { body_ += bodyXml; }
    void setNumbering(const QString& numberingXml) { numbering_ = numberingXml; }
    // Extra style definitions (w:style elements) besides Normal.
    void addStyles(const QString& styleXml) { styles_ += styleXml; }

    // A run holding a picture as DrawingML: inline, or anchored (floating,
    // square wrapping) the way Word places a figure beside a question.
    // `extension` names the media file's type ("png", "wmf", ...).
    QString picture(const QByteArray& bytes, const QString& extension, double widthPt, double heightPt,
                    bool anchored = false);
    // A run holding a picture as VML (w:pict, v:imagedata), as WPS and older
    // Word write it.
    QString vmlPicture(const QByteArray& bytes, const QString& extension, double widthPt, double heightPt);
    // A run holding an embedded OLE object (an equation of `progId`) with its
    // compound file and the WMF picture Word shows for it.
    QString oleObject(const QByteArray& compoundFile, const QByteArray& previewWmf, double widthPt,
                      double heightPt, const QString& progId = QStringLiteral("Equation.DSMT4"));
    // A run holding a shape drawn in Word (a line and a rectangle in a group),
    // which has no picture.
    QString drawnShape(double widthPt, double heightPt);

    // The parts, in the order Word writes them.
    QList<std::pair<QString, QByteArray>> parts() const;
    QByteArray docx() const { return zip(parts()); }

private:
    QString addRelationship(const QString& type, const QString& target);
    QString media(const QByteArray& bytes, const QString& extension);

    Flavour flavour_;
    QString body_;
    QString numbering_;
    QString styles_;
    QList<std::pair<QString, QString>> rels_; // id -> type, target (kept in order)
    QList<QString> relTargets_;
    QList<std::pair<QString, QByteArray>> media_;
    int nextDrawing_ = 1;
};

// Building blocks of WordprocessingML, escaped as needed.
QString xmlEscaped(const QString& text);
// A paragraph of `runs` with paragraph properties `pPr` (inner XML).
QString paragraph(const QString& runs, const QString& pPr = {});
// A run of `text` with run properties `rPr` (inner XML).
QString run(const QString& text, const QString& rPr = {});
// A paragraph of a list: numbering `numId` at `level`.
QString listParagraph(int numId, int level, const QString& runs);
// A table of cells (each cell's inner XML: paragraphs), with or without borders.
QString table(const QList<QStringList>& rows, bool borders = true, int cellWidthTwips = 2000);

} // namespace docxgen
