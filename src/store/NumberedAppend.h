#pragma once

#include "store/BankRecords.h"

#include <QString>

#include <vector>

class BankStore;

// What appendNumberedQuestions appended.
struct NumberedAppend
{
    qint64 appended = 0;
    QString firstNumber; // empty when nothing was appended
    QString lastNumber;
};

// Appends `questions` to the bank in their order as one transaction, all or
// none, numbered on from the question appended last (nextQuestionNumber:
// 1, 2, 3 ... in an empty bank); the numbers they carry are replaced. Throws
// StoreError: when the last question's number does not read as a number
// (TypeMismatch), and on any failure of the engine (nothing is appended then).
NumberedAppend appendNumberedQuestions(BankStore& store, std::vector<QuestionRecord> questions);
