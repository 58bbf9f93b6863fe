#pragma once

// The question merge: every question of one bank file appended to another,
// in one transaction of SQLite's own (the source attached read-only).

#include "store/StoreError.h"

#include <functional>
#include <optional>
#include <QString>
#include <QtGlobal>

// What a merge appended to the target bank.
struct QuestionMerge
{
    qint64 appended = 0;
    QString firstNumber; // empty when nothing was appended
    QString lastNumber;
    qint64 addedPaths = 0; // knowledge paths of the source the bank lacked
    qint64 addedTypes = 0; // question types of the source the bank lacked
};

// Called as a merge goes on with the questions appended so far and the total.
using MergeProgress = std::function<void(qint64 done, qint64 total)>;

// How many questions a merge appends per statement (and per progress report).
constexpr qint64 kMergeBatch = 1000;

// Appends every question of the bank file `source` to the bank file `bank`, in
// the source's stored order, as one transaction: all of them or none. The new
// rows get row identities above every one the bank has used, and question
// numbers following the number of the bank's last-appended question (1, 2, 3,
// ... in an empty bank). The knowledge paths (知识点表) and question types
// (题型表) of the source that the bank lacks, compared as the bank compares
// names (Latin letters without case), are added in the same transaction, in
// the source's order, so that the tree and the lists offer what the merged
// questions use. Throws StoreError: when a question number does not read as a number
// (TypeMismatch), when `source` is not a bank or is `bank` itself, and on any
// failure of the engine.
QuestionMerge appendQuestionsFrom(const QString& source, const QString& bank,
                                  const MergeProgress& progress = {});

// The whole number a merge continues from after `number`, the last-appended
// question's number: its value rounded to a whole number (halves to even, as
// the old conversion did). nullopt when it does not read as a number.
std::optional<qint64> mergeCounterFrom(const QString& number);
