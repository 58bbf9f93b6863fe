#pragma once

#include "questions/QuestionFilter.h"
#include "store/BankStore.h"

#include <optional>
#include <QString>

// The criteria of one question of a paper: the nine fields of the step-2
// windows, in the same order and with the same meaning as a search.
using CompositionCriteria = QuestionFilter;

// The query of the questions that may be drawn for one question of a paper.
// It has the same statement and condition order as a search; values are bound.
TableQuery candidateQuery(const CompositionCriteria& criteria);

// The largest question count a paper may have.
constexpr int kMaxQuestionTotal = 500;

// The numeric value of the number at the start of `text`, blanks ignored
// anywhere: an optional sign, digits with an optional decimal point and an
// optional exponent. A text that does not start with a number reads as 0.
double leadingNumber(const QString& text);

// The question count typed into the input box of step 1 (nullopt: the box was
// cancelled). Either a count in 1..kMaxQuestionTotal or the message to show.
struct QuestionCountEntry
{
    int count = 0;
    QString message{}; // empty when the count is valid
    bool ok() const { return message.isEmpty(); }
};
QuestionCountEntry readQuestionCount(const std::optional<QString>& entry);
