#pragma once

#include "store/BankStore.h"

#include <QString>

// The nine search criteria of the question windows, as typed. A criterion
// counts when its text is not empty; it is used unchanged (a single blank is
// a criterion too). The bodies of a question never are criteria.
struct QuestionFilter
{
    QString type{};
    KnowledgePath path{};
    QString difficulty{};
    QString entranceExam{};
    QString enteredBy{};
    QString enteredAt{};
    QString number{};

    bool operator==(const QuestionFilter&) const = default;

    // The criteria a shown question gives: its nine values.
    static QuestionFilter of(const QuestionRecord& q);
};

// The search query: every question whose 题型 is not "A" (a question
// without a type is never found), then one equality condition per criterion
// in a fixed order: 题型, 知识点一, 知识点二, 知识点三, 难度, 是否中考题, 录入人,
// 录入时间, 题目编号. The conditions are typed; the store makes its statement
// from them, with every value bound apart from its text. displayText()
// shows the values in place.
TableQuery buildQuestionQuery(const QuestionFilter& filter);
