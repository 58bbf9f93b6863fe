#pragma once

#include "questions/QuestionFilter.h"
#include "store/BankStore.h"

#include <optional>
#include <QString>
#include <vector>

// The criteria of one question of a paper: the nine fields of the step-2
// windows, in the same order and with the same meaning as a search.
using CompositionCriteria = QuestionFilter;

// The query of the questions that may be drawn for one question of a paper.
// It has the same statement and condition order as a search; values are bound.
TableQuery candidateQuery(const CompositionCriteria& criteria);

// The wizard that started a run.
enum class CompositionWizard { None, Automatic, Manual };

// The program-wide state that carries a composition from one wizard window to
// the next. It lives in memory only.
struct CompositionState
{
    // Number of questions of the paper being composed (0: none).
    int QuestionTotal = 0;
    // candidateQuery of question i at index i, for i in 1..QuestionTotal; index 0 is unused.
    std::vector<TableQuery> CriteriaSqlList{};
    // Manual wizard: the question whose criteria were confirmed last, and its query.
    int ManualQuestionNo = 0;
    TableQuery ManualCriteriaSql{};
    // Number of the last set composed in the current composer window.
    int PaperSetNo = 0;

    // Counts the runs started, so that a step-2 window left in the middle of
    // an earlier run starts again at question 1.
    int RunNo = 0;
    // The wizard whose step 1 started the run: the step 2 of the other one
    // does not go on with it (None: either may, as when no window started it).
    CompositionWizard RunWizard = CompositionWizard::None;

    // Starts a new run of N questions: an empty query for each of 1..N. A
    // manual run in progress ends too: its next question is question 1 again.
    void startRun(int questionTotal, CompositionWizard wizard = CompositionWizard::None);
    // The stored query of question i, or nullopt outside 1..QuestionTotal.
    std::optional<TableQuery> criteriaOf(int question) const;
    // Stores the query of question i; false (nothing stored) outside 1..QuestionTotal.
    bool storeCriteria(int question, const TableQuery& query);
};

CompositionState& compositionState();

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

// Step 2 of the automatic wizard without its window: confirms the criteria of
// questions 1..QuestionTotal in turn and stores their queries.
class CriteriaStep
{
public:
    // RunEnded: the run this window was taking the criteria for is over (the
    // manual wizard started another or used up its count); nothing is stored.
    enum class Outcome { NoMatch, Next, Last, RunEnded };

    explicit CriteriaStep(CompositionState& state);

    // Confirms the criteria of the next question: a query that matches no
    // question in `store` is refused and the same question is asked again;
    // otherwise it is stored, and after the last question the count starts
    // again at 0 for the next run.
    Outcome confirm(const CompositionCriteria& criteria, BankStore& store);
    // The question whose criteria are asked next (1-based).
    int nextQuestion();
    // The prompt of the window: the first question of a fresh window is
    // worded differently from the later ones.
    QString prompt() const { return prompt_; }
    // The message of an outcome (empty for Next).
    QString message(Outcome outcome) const;

private:
    CompositionState& state_;
    int currentQuestion_ = 0;
    int runNo_ = -1;
    int confirmedTotal_ = 0;
    bool takenByManual_ = false; // why the last RunEnded came
    QString prompt_;
};

// Step 2 of the manual wizard without its window: confirms the criteria of one
// question at a time into ManualQuestionNo and ManualCriteriaSql; the browse
// window then picks the question and comes back for the next one.
class ManualCriteriaStep
{
public:
    // RunEnded: the automatic wizard started a run since; nothing is stored.
    enum class Outcome { NoMatch, Next, Last, NoQuestionLeft, RunEnded };

    explicit ManualCriteriaStep(CompositionState& state);

    // Confirms the criteria of question ManualQuestionNo + 1: a query that
    // matches no question in `store` is refused and the count stays.
    Outcome confirm(const CompositionCriteria& criteria, BankStore& store);
    // The prompt, worked out from the shared state, so that a new run or a
    // question asked again shows the right number whenever the window shows.
    QString prompt() const;
    QString message(Outcome outcome) const;

    // The browse window found no candidate any more for the question being
    // chosen: the same question is asked again.
    static void askAgain(CompositionState& state);

private:
    CompositionState& state_;
    bool confirmedOnce_ = false;
};
