#pragma once

#include "store/BankRecords.h"

#include <QString>
#include <QStringList>
#include <QTextCharFormat>
#include <vector>

class BankStore;
class QTextCursor;
class QTextDocument;

// The classifications written out as documents (导出知识点, 导出题型 and
// tiku-admin export): a title, two empty lines, then one numbered line per
// entry; every line, the last included, ends with a paragraph break.
//
// Knowledge points, each level in name order (NameOrder):
//     《初中数学三级知识点分类表》
//     (empty)
//     (empty)
//     ｛1｝：level-1 name
//           ［1］：level-2 name               6 blanks
//                 （1）：level-3 name         12 blanks
// Question types, in stored order, a type stored twice listed twice:
//     《初中数学题型分类表》, two empty lines, （1）：type ...
//
// Numbering starts at 1 under each parent. Under a level-2 entry stand the
// level-3 names of that path only (its level-1 and level-2 names together),
// and a path stored more than once is listed once. Empty names at the end of
// a path give no entry: a path stored with its level-1 name alone lists that
// name without children.
//
// The title, the blanks and the numbers are in the document box's format,
// each name in the scratch format. The document is built by operations on
// the document itself; the clipboard is not touched.

// 宋体 10.5 points, as the document box shows text.
QTextCharFormat exportTextFormat();
// 宋体 (GB2312) 9 points, the scratch box's format that names take over.
QTextCharFormat exportNameFormat();

QString knowledgePointTitle(); // 《初中数学三级知识点分类表》
QString questionTypeTitle();   // 《初中数学题型分类表》

// The number texts: ｛k｝：, ［m］：, （j）： with full-width brackets and colon.
QString levelOneNumber(qsizetype k);
QString levelTwoNumber(qsizetype m);
QString levelThreeNumber(qsizetype j);

// Replaces the whole document by the title line and two empty lines, and
// returns a cursor at its end, where the first entry goes.
QTextCursor startExportDocument(QTextDocument* doc, const QString& title);
// appendEntry: at `end` (the end of the document), `indent` blanks and the
// number text as plain text, then the name in the scratch format, then a
// paragraph break.
void appendEntry(QTextCursor& end, int indent, const QString& numberText, const QString& name);

struct KnowledgePointCounts
{
    qsizetype level1 = 0;
    qsizetype level2 = 0;
    qsizetype level3 = 0;
    bool operator==(const KnowledgePointCounts&) const = default;
};

// Builds the knowledge-point document from distinct paths sorted in name
// order by level 1, 2, 3 (BankStore::knowledgePathsInNameOrder), replacing
// what `doc` held. Returns how many entries of each level it wrote.
KnowledgePointCounts writeKnowledgePointDocument(const std::vector<KnowledgePath>& sortedPaths,
                                                 QTextDocument* doc);
// Builds the question-type document from the types in stored order.
qsizetype writeQuestionTypeDocument(const QStringList& types, QTextDocument* doc);

// exportKnowledgePoints and exportQuestionTypes: read the classification from
// the bank and build its document in `doc`. Throws StoreError; `doc` is left
// as it was when the bank cannot be read.
KnowledgePointCounts exportKnowledgePoints(BankStore& store, QTextDocument* doc);
qsizetype exportQuestionTypes(BankStore& store, QTextDocument* doc);

// Writes `doc` as RTF under exactly `fileName`, as the rich-text box saves
// (RtfWriter through QSaveFile): an existing file is replaced only by a
// complete new one. False, with a message naming the file in `error`, when
// it cannot be written.
bool saveExportDocument(const QTextDocument& doc, const QString& fileName, QString* error = nullptr);
