#pragma once

#include "store/BankRecords.h"
#include "store/Classifications.h"

#include <QString>

class BankStore;

// The changes the classification editors make to 知识点表 and 题型表. Names
// travel as bound values, so a name holding a quote is stored and deleted
// like any other. Each throws StoreError.

// Appends the path as typed (empty names included) and returns its
// identifier. A path already stored is appended once more.
qint64 addKnowledgePath(BankStore& store, const KnowledgePath& path);
// Deletes every row of the path (names compared as the bank compares them:
// Latin letters without case) and returns how many went.
int deleteKnowledgePath(BankStore& store, const KnowledgePath& path);

// Appends the type as typed and returns its identifier.
qint64 addQuestionType(BankStore& store, const QString& name);
// Deletes every row of the type and returns how many went.
int deleteQuestionType(BankStore& store, const QString& name);

// 重命名 in 编辑知识点: the teacher chooses a grid row and types the new name
// over one of its three names. The point renamed is the one at the level
// typed over, under the chosen row's names above it.
struct KnowledgeRenameChoice
{
    enum class Problem {
        None,
        NothingChanged, // the fields still hold the row's names
        SeveralChanged, // more than one name was typed over
        EmptyName,      // the new name is empty
    };
    Problem problem = Problem::None;
    KnowledgePoint point{};
    QString newName{};
};
KnowledgeRenameChoice chooseKnowledgeRename(const KnowledgePath& chosen, const KnowledgePath& typed);

// 一级知识点, 二级知识点, 三级知识点.
QString knowledgeLevelName(int level);
