#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <array>

// The labels Word draws in front of list paragraphs from the list
// definitions of numbering.xml: "1." "（1）" "A." "一、" "①". They are not
// in the text, so a reader that wants to see what the teacher saw counts the
// paragraphs as Word does and formats each label from its level's lvlText
// and numFmt.
namespace docx {

// `n` in a numFmt of Word: decimal, upperLetter, lowerRoman, chineseCounting,
// decimalEnclosedCircle, decimalEnclosedParen, ideographTraditional, ...;
// an unknown format gives decimal digits.
QString formatListNumber(int n, const QString& numFmt);

class DocxNumbering
{
public:
    // Reads numbering.xml; what is damaged in it is skipped.
    void read(const QByteArray& numberingXml);
    bool isEmpty() const { return nums_.isEmpty(); }

    // The label of the next paragraph of list `numId` at `level`, counting
    // it; empty for no list (numId 0 or unknown), a bullet list gives its
    // bullet. The paragraphs must be asked for in document order.
    QString nextLabel(int numId, int level);

private:
    struct Level
    {
        int start = 1;
        QString numFmt = QStringLiteral("decimal");
        QString text;       // lvlText, e.g. "%1."
        int restart = -1;   // lvlRestart: the level whose use restarts this one; -1: any higher level
        bool legal = false; // isLgl: every number as decimal digits
        bool defined = false;
    };
    struct Abstract
    {
        std::array<Level, 9> levels;
        QString styleLink; // numStyleLink: the levels live in another definition
    };
    struct Num
    {
        int abstractId = -1;
        std::array<int, 9> startOverride{-1, -1, -1, -1, -1, -1, -1, -1, -1};
        std::array<Level, 9> levelOverride; // defined where the num gives a whole level
    };
    struct Counters
    {
        std::array<int, 9> value{0, 0, 0, 0, 0, 0, 0, 0, 0};
        std::array<bool, 9> used{};
    };

    const Level& level(const Num& num, const Abstract& a, int lvl) const;

    QHash<int, Abstract> abstracts_;
    QHash<int, Num> nums_;
    QHash<QString, int> styleLinks_;             // styleLink name -> abstractNumId that defines it
    QHash<int, Counters> counters_;              // per abstractNumId, as Word counts
    QHash<int, std::array<bool, 9>> overridden_; // numId: the start override taken
};

} // namespace docx
