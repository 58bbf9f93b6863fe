#pragma once

// The names of the bank's tables and columns, spelled once. Windows, tools and
// tests refer to these; the column order of each table is part of the file
// format (see bankTableColumns()).

#include <QString>

namespace BankTables {

inline const QString questions = QStringLiteral(u"数学题库");
inline const QString knowledgePoints = QStringLiteral(u"知识点表");
inline const QString questionTypes = QStringLiteral(u"题型表");
inline const QString users = QStringLiteral(u"登录表");

} // namespace BankTables

// 数学题库, in table order.
namespace QuestionColumns {
inline const QString number = QStringLiteral(u"题目编号");
inline const QString type = QStringLiteral(u"题型");
inline const QString level1 = QStringLiteral(u"知识点一");
inline const QString level2 = QStringLiteral(u"知识点二");
inline const QString level3 = QStringLiteral(u"知识点三");
inline const QString difficulty = QStringLiteral(u"难度");
inline const QString content = QStringLiteral(u"内容");
inline const QString answer = QStringLiteral(u"答案");
inline const QString entranceExam = QStringLiteral(u"是否中考题");
inline const QString enteredBy = QStringLiteral(u"录入人");
inline const QString enteredAt = QStringLiteral(u"录入时间");
} // namespace QuestionColumns

// 知识点表 and 题型表 carry an identifier the store assigns.
namespace KnowledgeColumns {
inline const QString id = QStringLiteral(u"编号");
inline const QString level1 = QStringLiteral(u"第一知识点");
inline const QString level2 = QStringLiteral(u"第二知识点");
inline const QString level3 = QStringLiteral(u"第三知识点");
} // namespace KnowledgeColumns

namespace TypeColumns {
inline const QString id = QStringLiteral(u"编号");
inline const QString name = QStringLiteral(u"题型");
} // namespace TypeColumns

namespace UserColumns {
inline const QString name = QStringLiteral(u"姓名");
inline const QString password = QStringLiteral(u"口令");
inline const QString role = QStringLiteral(u"人员类型");
} // namespace UserColumns
