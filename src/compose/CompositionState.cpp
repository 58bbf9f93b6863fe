#include "compose/CompositionState.h"

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

TableQuery candidateQuery(const CompositionCriteria& criteria)
{
    return buildQuestionQuery(criteria);
}

void CompositionState::startRun(int questionTotal, CompositionWizard wizard)
{
    QuestionTotal = questionTotal;
    ++RunNo;
    RunWizard = wizard;
    ManualQuestionNo = 0;
    ManualCriteriaSql = {};
    CriteriaSqlList.assign(size_t(std::max(questionTotal, 0)) + 1, TableQuery{});
}

std::optional<TableQuery> CompositionState::criteriaOf(int question) const
{
    if (question < 1 || question > QuestionTotal || size_t(question) >= CriteriaSqlList.size())
        return std::nullopt;
    return CriteriaSqlList[size_t(question)];
}

bool CompositionState::storeCriteria(int question, const TableQuery& query)
{
    if (question < 1 || question > QuestionTotal || size_t(question) >= CriteriaSqlList.size())
        return false;
    CriteriaSqlList[size_t(question)] = query;
    return true;
}

CompositionState& compositionState()
{
    static CompositionState state;
    return state;
}

double leadingNumber(const QString& text)
{
    QString compact;
    compact.reserve(text.size());
    for (const QChar c : text) {
        if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r')
            compact.append(c);
    }
    // The longest prefix of the form [sign] digits [. digits] [e|d [sign] digits].
    qsizetype i = 0;
    const qsizetype n = compact.size();
    auto isDigit = [&](qsizetype k) { return k < n && compact.at(k) >= u'0' && compact.at(k) <= u'9'; };
    if (i < n && (compact.at(i) == u'+' || compact.at(i) == u'-'))
        ++i;
    const qsizetype mantissaStart = i;
    while (isDigit(i))
        ++i;
    bool digits = i > mantissaStart;
    qsizetype pointAt = -1;
    if (i < n && compact.at(i) == u'.') {
        pointAt = i;
        const qsizetype afterPoint = ++i;
        while (isDigit(i))
            ++i;
        digits = digits || i > afterPoint;
        if (i == afterPoint)
            pointAt = -2; // "3." : the point ends the number
    }
    if (!digits)
        return 0;
    qsizetype end = i;
    if (i < n &&
        (compact.at(i) == u'e' || compact.at(i) == u'E' || compact.at(i) == u'd' || compact.at(i) == u'D')) {
        qsizetype j = i + 1;
        if (j < n && (compact.at(j) == u'+' || compact.at(j) == u'-'))
            ++j;
        const qsizetype expStart = j;
        while (isDigit(j))
            ++j;
        if (j > expStart)
            end = j;
    }
    QString number = compact.left(end);
    if (end > i)
        number[i] = u'e';
    if (pointAt == -2)
        number.remove(i - 1, 1);
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

QuestionCountEntry readQuestionCount(const std::optional<QString>& entry)
{
    const double value = entry ? leadingNumber(*entry) : 0;
    if (value == 0)
        return {0, u"题目数量不能是零！请重新输入"_s};
    if (value < 0 || value != std::floor(value) || value > kMaxQuestionTotal)
        return {0, u"题目总数应是 1 到 %1 之间的整数，请重新输入"_s.arg(kMaxQuestionTotal)};
    return {int(value), {}};
}

CriteriaStep::CriteriaStep(CompositionState& state) : state_(state), prompt_(u"请填入第（1）题的搜索信息…"_s)
{
}

int CriteriaStep::nextQuestion()
{
    // A new step 1 of this wizard was taken since: start again at question 1.
    // A run of the manual wizard is not this window's to go on with.
    if (runNo_ != state_.RunNo && state_.RunWizard != CompositionWizard::Manual) {
        runNo_ = state_.RunNo;
        if (currentQuestion_ != 0)
            prompt_ = u"请选择第（1）题的搜索项目"_s;
        currentQuestion_ = 0;
    }
    return currentQuestion_ + 1;
}

CriteriaStep::Outcome CriteriaStep::confirm(const CompositionCriteria& criteria, BankStore& store)
{
    const int question = nextQuestion();
    takenByManual_ = state_.RunWizard == CompositionWizard::Manual;
    if (takenByManual_ || question > state_.QuestionTotal)
        return Outcome::RunEnded;
    const TableQuery query = candidateQuery(criteria);
    if (store.count(query) == 0)
        return Outcome::NoMatch;
    state_.storeCriteria(question, query);
    if (question == state_.QuestionTotal) {
        confirmedTotal_ = question;
        currentQuestion_ = 0;
        prompt_ = u"请选择第（1）题的搜索项目"_s;
        return Outcome::Last;
    }
    currentQuestion_ = question;
    prompt_ = u"请选择第（%1）题的搜索项目"_s.arg(question + 1);
    return Outcome::Next;
}

QString CriteriaStep::message(Outcome outcome) const
{
    switch (outcome) {
    case Outcome::NoMatch:
        return u"别逗了，根本没有符合条件的题！"_s;
    case Outcome::Last:
        return u"题目信息添加成功，共（%1）道题，可以开始下一步了..."_s.arg(confirmedTotal_);
    case Outcome::RunEnded:
        return takenByManual_
                   ? u"“手工组卷”已开始了新的组卷，题目总数已按它重新设定，这次自动组卷的搜索信息没有保存。"
                     "请从“自动组卷”重新开始。"_s
                   : u"这次组卷的题目总数已被清零（组卷已结束），搜索信息没有保存。请从“自动组卷”重新开始。"_s;
    case Outcome::Next:
        break;
    }
    return {};
}

ManualCriteriaStep::ManualCriteriaStep(CompositionState& state) : state_(state) {}

ManualCriteriaStep::Outcome ManualCriteriaStep::confirm(const CompositionCriteria& criteria, BankStore& store)
{
    if (state_.RunWizard == CompositionWizard::Automatic)
        return Outcome::RunEnded;
    const int question = state_.ManualQuestionNo + 1;
    if (question > state_.QuestionTotal)
        return Outcome::NoQuestionLeft;
    const TableQuery query = candidateQuery(criteria);
    if (store.count(query) == 0)
        return Outcome::NoMatch;
    confirmedOnce_ = true;
    state_.ManualQuestionNo = question;
    state_.ManualCriteriaSql = query;
    return question == state_.QuestionTotal ? Outcome::Last : Outcome::Next;
}

QString ManualCriteriaStep::prompt() const
{
    if (state_.RunWizard == CompositionWizard::Automatic)
        return u"这次手工组卷已结束，请从“手工组卷”重新开始…"_s;
    if (!confirmedOnce_ && state_.ManualQuestionNo == 0)
        return u"请填入第（1）题的搜索信息…"_s;
    // After the last question the next run begins at question 1.
    const int next = state_.ManualQuestionNo >= state_.QuestionTotal ? 1 : state_.ManualQuestionNo + 1;
    return u"请选择第（%1）题的搜索项目"_s.arg(next);
}

QString ManualCriteriaStep::message(Outcome outcome) const
{
    switch (outcome) {
    case Outcome::NoMatch:
        return u"别逗了，题库中没有符合条件的题！"_s;
    case Outcome::Last:
        return u"恭喜！这是最后一题了"_s;
    case Outcome::NoQuestionLeft:
        return u"这份试卷的题目都已选定，请从“手工组卷”重新开始。"_s;
    case Outcome::RunEnded:
        return u"“自动组卷”已开始了新的组卷，这次手工组卷已结束，搜索信息没有保存。"
               "请从“手工组卷”重新开始。"_s;
    case Outcome::Next:
        break;
    }
    return {};
}

void ManualCriteriaStep::askAgain(CompositionState& state)
{
    state.ManualQuestionNo = std::max(0, state.ManualQuestionNo - 1);
    state.ManualCriteriaSql = {};
}
