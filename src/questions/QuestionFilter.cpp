#include "questions/QuestionFilter.h"

#include "store/BankTables.h"

using namespace Qt::StringLiterals;

QuestionFilter QuestionFilter::of(const QuestionRecord& q)
{
    return {q.type, q.path, q.difficulty, q.entranceExam, q.enteredBy, q.enteredAt, q.number};
}

TableQuery buildQuestionQuery(const QuestionFilter& filter)
{
    TableQuery query{BankTables::questions, {Condition::notEqual(QuestionColumns::type, u"A"_s)}};
    const std::pair<const QString&, const QString&> criteria[] = {
        {QuestionColumns::type, filter.type},
        {QuestionColumns::level1, filter.path.level1},
        {QuestionColumns::level2, filter.path.level2},
        {QuestionColumns::level3, filter.path.level3},
        {QuestionColumns::difficulty, filter.difficulty},
        {QuestionColumns::entranceExam, filter.entranceExam},
        {QuestionColumns::enteredBy, filter.enteredBy},
        {QuestionColumns::enteredAt, filter.enteredAt},
        {QuestionColumns::number, filter.number},
    };
    for (const auto& [column, value] : criteria) {
        if (value.isEmpty())
            continue;
        query.where(Condition::equal(column, value));
    }
    return query;
}
