#pragma once

#include "compose/PaperSettings.h"
#include "rtf/RtfWriter.h"
#include "store/BankRecords.h"

#include <memory>
#include <QByteArray>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <vector>

class PdfTextLayer;
class QPainter;
class QTextDocument;

// The sheet of `format` for a document saved as RTF: its size, the margins
// and columns of the laid-out paper, so that a word processor opens it as it
// would be printed.
RtfPage paperRtfPage(PaperFormat format);

// One question of a composed set as the layout needs it.
struct PaperQuestion
{
    QString bankNumber{}; // its 题目编号 in the bank, for messages
    QString type{};
    QByteArray content{}; // RTF
    QByteArray answer{};  // RTF

    static PaperQuestion fromRecord(const QuestionRecord& q)
    {
        return {q.number, q.type, q.content, q.answer};
    }
};

// The questions of one composed set, in their order.
using PaperSet = std::vector<PaperQuestion>;

// One section of a set as the layout prints it: its type, how many questions
// it holds and the points per question.
struct PaperSection
{
    QString type{};
    int questions = 0;
    int points = 0;
    bool operator==(const PaperSection&) const = default;
};

// The sections of `set` in the order they are printed: the order of the
// settings, then the types they do not name in the order met.
std::vector<PaperSection> paperSections(const PaperSet& set, const PaperSettings& settings);

// Lays out composed sets as the pages of a question paper or of its answer
// key: title, the marks and time, the score table, notes, the questions in
// sections by type, numbered through the set, in one or two columns, with a
// footer on each page and on two-column sheets a sealing strip along the left
// edge of a set's first page. Each set starts on a new page and counts its own
// pages.
//
// Geometry is in pixels of 1/96 inch: each question is laid out once at the
// column width and placed whole into the current column, or into the next
// one when it does not fit; only a question taller than a whole column is cut,
// between two lines. A picture that cannot be shown is drawn as a marked box
// and named in problems().
class PaperLayout
{
public:
    enum class Kind { Paper, Answers };

    PaperLayout(const PaperSettings& settings, Kind kind);
    ~PaperLayout();
    PaperLayout(const PaperLayout&) = delete;
    PaperLayout& operator=(const PaperLayout&) = delete;

    void addSet(const std::vector<PaperQuestion>& questions);
    // A whole document (RTF) under the head, without sections or numbers: a
    // paper that cannot be read question by question is printed as it stands.
    void addDocument(const QByteArray& rtf);

    int pageCount() const;
    QSizeF pageSizeMm() const;
    // Paints page `index` on a painter whose device has `dpi` pixels per inch,
    // its origin at the page's top left.
    void paintPage(int index, QPainter& painter, double dpi) const;
    // Messages about questions printed with a placeholder.
    QStringList problems() const { return problems_; }

    // Writes every page to `fileName` through QSaveFile: a failed write leaves
    // an existing file whole. False with `error` naming the file.
    bool writePdf(const QString& fileName, QString* error) const;

    // Millimetres in the layout's pixels of 1/96 inch.
    static double mmToPx(double mm) { return mm * 96.0 / 25.4; }

private:
    struct Slice
    {
        std::shared_ptr<QTextDocument> doc;
        QPointF at;    // top left on the page
        double top;    // the part of the document shown: [top, bottom)
        double bottom; //
    };
    struct Page
    {
        std::vector<Slice> slices;
        int number = 1; // within its set
        int setPages = 1;
        bool sealingStrip = false;
    };
    class Builder;
    // What the pages draw, for the PDF's text.
    PdfTextLayer textLayer() const;

    PaperSettings settings_;
    Kind kind_;
    std::vector<Page> pages_;
    QStringList problems_;
};
