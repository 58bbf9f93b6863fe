#pragma once

#include "rtf/RtfWriter.h"
#include "store/BankStore.h"

#include <cstdint>
#include <functional>
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <random>
#include <vector>

class QTextCursor;
class QTextDocument;

// A uniform random number in [0, 1) from a seeded 64-bit Mersenne twister. The
// same seed gives the same numbers on every machine and standard library.
class SeededUniform
{
public:
    explicit SeededUniform(std::uint64_t seed);
    double operator()();
    std::uint64_t seed() const { return seed_; }

private:
    std::uint64_t seed_;
    std::mt19937_64 engine_; // fully specified by the standard, unlike its distributions
};

// The source of the random start of each draw: a number in [0, 1).
using UniformSource = std::function<double()>;

// The number the repeat test compares: the leading number of a question
// number, rounded to the nearest whole number (halves to the even one).
// "12", "12a" and "12.0" are the same question; a number without a leading
// number reads as 0.
double repeatKey(const QString& questionNumber);

// The outcome of one draw among the candidates of one question.
struct DrawResult
{
    qint64 position = -1; // 0-based row of the drawn candidate; -1 when none was left
    QString number{};     // its question number
    double key = 0;       // its repeat key
};

// Draws one of the rows of `candidates` (a keyset result of a candidate query)
// that is not yet used in the set: a random start pos = floor(n * r), then the
// first candidate from there on, wrapping from the last row to the first, whose
// repeat key is not in `usedKeys`. Each row is reached directly by its offset.
// Every row is looked at once at most, so a question whose candidates are all
// used (or that has none) gives position -1 instead of an endless search.
DrawResult drawCandidate(Recordset& candidates, const std::vector<double>& usedKeys, double r);

// Appends one rich-text body to a document under a label: the label as plain
// text at `caret`, then at the end of the document a paragraph break, the body
// as rich text (RTF read by our reader) and three paragraph breaks. The caret
// is left at the end of the document. With an `itemId`, the label and the
// body are marked as that item's (PaperItems), to be found again later.
void appendItem(QTextCursor& caret, const QString& label, const QByteArray& body, int itemId = 0);

// The header of a set: the text at `caret`, then four paragraph breaks at the
// end of the document.
void appendSetHeader(QTextCursor& caret, const QString& header);

// The labels of the paper and the answers.
QString paperSetHeader(int setNo);
QString answerSetHeader(int setNo);
QString paperItemLabel(int question);
QString answerItemLabel(int question);

// What one set gave: the question numbers drawn for questions 1, 2, ... in
// order, the drawn questions themselves (for a layout that places each one on
// its own), and when the set stopped early, the message that says why.
struct ComposedSet
{
    int setNo = 0;
    QStringList numbers{};
    std::vector<QuestionRecord> questions{};
    std::vector<double> keys{}; // their repeat keys

    QString failure{};
    bool complete() const { return failure.isEmpty(); }
};

// Composes paper sets into a paper and an answer document. Each question opens
// its own connection through `openBank`, runs its query and draws one
// candidate; its content goes to the paper under （i）, its answer to the
// answers under 第（i）题的答案.
class PaperComposer
{
public:
    PaperComposer(std::function<BankStore()> openBank, UniformSource random);

    // Composes set `setNo` for the queries of questions 1..N (`queries[0]` is
    // unused), inserting at the two carets. When a question has no candidate
    // left the set stops there; what was composed stays in the documents.
    // Each question's label and body are marked as item PaperItems::itemId(setNo, i).
    ComposedSet composeSet(int setNo, const std::vector<TableQuery>& queries, QTextCursor& paperCaret,
                           QTextCursor& answerCaret);

    // 换题: draws, among the candidates of `query`, a question not yet in
    // `set` (the one replaced included) for question `question` of it, and
    // puts it in the set's place of that question. The message that says why
    // when no other candidate is left; the set is unchanged then.
    QString replaceQuestion(ComposedSet& set, int question, const TableQuery& query);

private:
    std::function<BankStore()> openBank_;
    UniformSource random_;
};

// Writes `doc` as RTF to `fileName` whatever its extension, on `page` (the
// sheet of the paper, see paperRtfPage()), through QSaveFile: a failed write
// leaves an existing file whole. False with `error` set (naming the file) on
// failure.
bool saveDocumentAsRtf(const QTextDocument& doc, const QString& fileName, QString* error,
                       const RtfPage& page = {});
