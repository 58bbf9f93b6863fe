#pragma once

// The names of the bank's tables and columns, spelled once. Windows, tools and
// tests refer to these; the column order of each table is part of the file
// format (see bankTableColumns()).

#include <QString>

namespace BankTables {
using namespace Qt::StringLiterals;

inline const QString questions = u"数学题库"_s;
inline const QString knowledgePoints = u"知识点表"_s;
inline const QString questionTypes = u"题型表"_s;
inline const QString users = u"登录表"_s;

} // namespace BankTables

// 数学题库, in table order.
namespace QuestionColumns {
using namespace Qt::StringLiterals;
inline const QString number = u"题目编号"_s;
inline const QString type = u"题型"_s;
inline const QString level1 = u"知识点一"_s;
inline const QString level2 = u"知识点二"_s;
inline const QString level3 = u"知识点三"_s;
inline const QString difficulty = u"难度"_s;
inline const QString content = u"内容"_s;
inline const QString answer = u"答案"_s;
inline const QString entranceExam = u"是否中考题"_s;
inline const QString enteredBy = u"录入人"_s;
inline const QString enteredAt = u"录入时间"_s;
} // namespace QuestionColumns

// 知识点表 and 题型表 carry an identifier the store assigns.
namespace KnowledgeColumns {
using namespace Qt::StringLiterals;
inline const QString id = u"编号"_s;
inline const QString level1 = u"第一知识点"_s;
inline const QString level2 = u"第二知识点"_s;
inline const QString level3 = u"第三知识点"_s;
} // namespace KnowledgeColumns

namespace TypeColumns {
using namespace Qt::StringLiterals;
inline const QString id = u"编号"_s;
inline const QString name = u"题型"_s;
} // namespace TypeColumns

namespace UserColumns {
using namespace Qt::StringLiterals;
inline const QString name = u"姓名"_s;
inline const QString password = u"口令"_s;
inline const QString role = u"人员类型"_s;
} // namespace UserColumns
