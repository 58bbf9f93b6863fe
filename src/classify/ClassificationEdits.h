#pragma once

#include "store/BankRecords.h"

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
