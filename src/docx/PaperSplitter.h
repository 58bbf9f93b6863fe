#pragma once

#include "docx/DocxModel.h"

#include <QString>
#include <QStringList>

#include <vector>

// Splits a paper read from Word into its questions: section headings
// (一、选择题 …), the top-level numbers (1. 1、 1． 1) (1) …) with the
// sub-questions kept inside their question, choice options, score marks
// (（5分）), and the answers: a key at the end (参考答案) matched back by
// number, also laid out as a table of numbers and letters, or 【答案】/
// 【解析】/答案：/解： blocks after each question.
namespace docx {

struct SplitQuestion
{
    QString number;  // as the paper numbers it: "12"
    QString section; // the heading it stands under: "二、填空题（每小题3分，共18分）"
    QString type;    // a question type of the bank, or empty
    bool typeFromSection = false; // else guessed from what the question holds
    QString score;                // the points of its score mark: "5"; empty without one
    std::vector<Block> content;
    std::vector<Block> answer;
    QStringList warnings; // for the teacher: what to check in this question

    int pictureCount() const;
    int formulaCount() const;
    // The first line of the content as text, for lists.
    QString firstLine() const;
};

struct SplitPaper
{
    std::vector<SplitQuestion> questions;
    QStringList warnings;      // about the paper as a whole
    int skippedParagraphs = 0; // paragraphs that belong to no question (title, notes)
    int answersMatched = 0;    // questions that got an answer
    bool keyAtEnd = false;     // the answers came from a key after the questions
};

class PaperSplitter
{
public:
    // `bankTypes`: the question types of the bank (题型表), which section
    // headings are matched against.
    static SplitPaper split(const Document& doc, const QStringList& bankTypes);

    // Pieces of the recognition, shared with tests and the preview.
    // The number of a question line ("12." "12、" "12．" "12)"; with
    // `parenthesised` also "(12)" "（12）"), or 0.
    static int questionNumber(const QString& line, bool parenthesised, int* prefixLength = nullptr);
    // Whether a line opens an answer: 【答案】 【解析】 答案： 解： 证明： 故选 ...
    static bool opensAnswer(const QString& line);
    // Whether a line is a section heading (一、选择题 …), and its text.
    static bool isSectionHeading(const QString& line);
    // Whether a line heads the key at the end (参考答案, 答案与解析 …).
    static bool isKeyHeading(const QString& line);
};

} // namespace docx
