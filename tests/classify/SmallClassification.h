#pragma once
// A small classification that shows every rule of the two documents, and the
// documents' exact text. Used by the logic, window and tool tests.
#include "common/TestBank.h"

#include <QStringList>

namespace small {

// In stored order: a repeated path, a level-1 name stored without level-2
// and level-3 names, and 有理数 under two level-1 names.
inline void addKnowledgePaths(TestBank& bank)
{
    bank.addKnowledgePath(u"数与代数"_s, u"有理数"_s, u"有理数的加法与减法"_s);
    bank.addKnowledgePath(u"图形与几何"_s, u"三角形"_s, u"全等三角形"_s);
    bank.addKnowledgePath(u"数与代数"_s, u"整式"_s, u"整式的加减"_s);
    bank.addKnowledgePath(u"统计与概率"_s, QString(), QString());
    bank.addKnowledgePath(u"图形与几何"_s, u"三角形"_s, u"全等三角形"_s);
    bank.addKnowledgePath(u"实践与综合"_s, u"有理数"_s, u"数轴上的游戏"_s);
    bank.addKnowledgePath(u"数与代数"_s, u"有理数"_s, u"绝对值"_s);
}

// Level 1 in pinyin order (shi, shu, tong, tu), each level numbered afresh
// under its parent, the repeated path once, and under each 有理数 only the
// level-3 names of its own path. Every line ends with a paragraph break.
inline QString knowledgePointText()
{
    return u"《初中数学三级知识点分类表》\n"
           u"\n"
           u"\n"
           u"｛1｝：实践与综合\n"
           u"      ［1］：有理数\n"
           u"            （1）：数轴上的游戏\n"
           u"｛2｝：数与代数\n"
           u"      ［1］：有理数\n"
           u"            （1）：绝对值\n"
           u"            （2）：有理数的加法与减法\n"
           u"      ［2］：整式\n"
           u"            （1）：整式的加减\n"
           u"｛3｝：统计与概率\n"
           u"｛4｝：图形与几何\n"
           u"      ［1］：三角形\n"
           u"            （1）：全等三角形\n"_s;
}

// A type stored twice is listed twice; a quote is a character like any other.
inline QStringList questionTypes()
{
    return {u"选择题"_s, u"填空题"_s, u"选择题"_s, u"解答题"_s, u"Tom's 探究题"_s};
}

inline void addQuestionTypes(TestBank& bank)
{
    for (const QString& t : questionTypes())
        bank.addQuestionType(t);
}

inline QString questionTypeText()
{
    return u"《初中数学题型分类表》\n"
           u"\n"
           u"\n"
           u"（1）：选择题\n"
           u"（2）：填空题\n"
           u"（3）：选择题\n"
           u"（4）：解答题\n"
           u"（5）：Tom's 探究题\n"_s;
}

inline QString emptyKnowledgePointText()
{
    return u"《初中数学三级知识点分类表》\n\n\n"_s;
}

inline QString emptyQuestionTypeText()
{
    return u"《初中数学题型分类表》\n\n\n"_s;
}

} // namespace small
