#include "store/NumberedAppend.h"

#include "store/BankStore.h"

NumberedAppend appendNumberedQuestions(BankStore& store, std::vector<QuestionRecord> questions)
{
    NumberedAppend result;
    if (questions.empty())
        return result;
    store.inTransaction([&] {
        // Read inside the transaction: nobody appends between the reading of
        // the last number and the appends that follow it.
        QString number = nextQuestionNumber(store);
        result.firstNumber = number;
        for (QuestionRecord& q : questions) {
            q.number = number;
            store.appendQuestion(q);
            result.lastNumber = number;
            ++result.appended;
            number = numberAfter(number).value_or(number);
        }
    });
    return result;
}
