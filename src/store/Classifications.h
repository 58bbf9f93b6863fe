#pragma once

#include "store/BankRecords.h"

#include <QString>
#include <QStringList>

class BankStore;

// The changes made to the classifications, 知识点表 and 题型表, and for a
// rename to the questions of 数学题库 that use a name. Names are compared as
// the bank compares them (Latin letters without case), a name stored as NULL
// by some other program matches the empty name, and every name travels as a
// bound value. Each throws StoreError.

// Rows of 知识点表 holding exactly this path, and deleting them all.
int knowledgePathRowCount(BankStore& store, const KnowledgePath& path);
int deleteKnowledgePathRows(BankStore& store, const KnowledgePath& path);

// Rows of 题型表 holding this type, and deleting them all.
int questionTypeRowCount(BankStore& store, const QString& type);
int deleteQuestionTypeRows(BankStore& store, const QString& type);

// A knowledge point at level 1, 2 or 3, named with the names above it. With
// fewer `parents` than levels above it, the point stands for every point of
// that name at that level under any name at the levels not given.
struct KnowledgePoint
{
    int level = 1;
    QString name{};
    QStringList parents{}; // from level 1 down

    bool operator==(const KnowledgePoint&) const = default;
};

// How much a rename touches (or touched): rows of the classification table
// and questions of 数学题库.
struct RenameCount
{
    int classificationRows = 0;
    int questions = 0;
    bool operator==(const RenameCount&) const = default;
};

// What renaming the point would touch: the rows of 知识点表 holding it at its
// level (with every path under it) and the questions filed under it.
RenameCount knowledgePointUse(BankStore& store, const KnowledgePoint& point);
// Gives the point the name `newName` in every row of 知识点表 and, with
// `questionsToo`, in every question filed under it, in one transaction: all
// of it is renamed or, when the bank fails, nothing. Returns what changed.
RenameCount renameKnowledgePoint(BankStore& store, const KnowledgePoint& point, const QString& newName,
                                 bool questionsToo);

// The same for a question type: rows of 题型表 and questions of that type.
RenameCount questionTypeUse(BankStore& store, const QString& type);
RenameCount renameQuestionType(BankStore& store, const QString& type, const QString& newName,
                               bool questionsToo);
