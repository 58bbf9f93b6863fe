#include "compose/CompositionRun.h"

#include "compose/ComposedDocument.h"
#include "compose/PaperItems.h"
#include "rtf/RtfWriter.h"

#include <algorithm>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

// What was composed into the documents. It goes with the documents: a
// composer given a new run keeps it (adoptPaper), a composer closed drops it.
struct CompositionRun::Paper
{
    QTextDocument* paper = nullptr;
    QTextDocument* answers = nullptr;

    // The automatic wizard: each set with the criteria it was drawn from (a
    // later run may bring other criteria) for 换题.
    struct DrawnSet
    {
        ComposedSet set;
        std::vector<TableQuery> criteria;
    };
    std::vector<DrawnSet> sets{};
    int lastSetNo = 0;
    std::vector<std::pair<int, std::uint64_t>> seeds{}; // set number, seed

    // The manual wizard: the questions chosen, on the documents.
    std::optional<ChosenPaper> chosen{};

    const DrawnSet* find(int setNo) const
    {
        const auto it = std::find_if(sets.begin(), sets.end(),
                                     [setNo](const DrawnSet& d) { return d.set.setNo == setNo; });
        return it == sets.end() ? nullptr : &*it;
    }
};

CompositionRun::CompositionRun(int questionTotal, Wizard wizard, OpenBank openBank)
    : wizard_(wizard), questionTotal_(questionTotal), openBank_(std::move(openBank)),
      paper_(std::make_unique<Paper>())
{
}

CompositionRun::CompositionRun(const std::vector<CompositionCriteria>& criteria, OpenBank openBank)
    : CompositionRun(int(criteria.size()), Wizard::Automatic, std::move(openBank))
{
    for (const CompositionCriteria& c : criteria)
        criteria_.push_back(candidateQuery(c));
}

CompositionRun::~CompositionRun() = default;

// ---- Step 2 -----------------------------------------------------------------

CompositionRun::Outcome CompositionRun::confirm(const CompositionCriteria& criteria)
{
    BankStore store = openBank_();
    if (endedBy_)
        return Outcome::RunEnded;
    const bool manual = wizard_ == Wizard::Manual;
    const int question = (manual ? chosenQuestion_ : int(criteria_.size())) + 1;
    if (question > questionTotal_)
        return manual ? Outcome::NoQuestionLeft : Outcome::RunEnded;
    const TableQuery query = candidateQuery(criteria);
    if (store.count(query) == 0)
        return Outcome::NoMatch;
    if (manual) {
        chosenQuestion_ = question;
        chosenQuery_ = query;
    } else {
        criteria_.push_back(query);
    }
    return question == questionTotal_ ? Outcome::Last : Outcome::Next;
}

int CompositionRun::nextQuestion() const
{
    const int done = wizard_ == Wizard::Manual ? chosenQuestion_ : int(criteria_.size());
    // After the last question the next run begins at question 1.
    return done >= questionTotal_ ? 1 : done + 1;
}

QString CompositionRun::prompt(bool freshWindow) const
{
    if (wizard_ == Wizard::Manual && endedBy_)
        return u"这次手工组卷已结束，请从“手工组卷”重新开始…"_s;
    const int done = wizard_ == Wizard::Manual ? chosenQuestion_ : int(criteria_.size());
    if (freshWindow && done == 0)
        return u"请填入第（1）题的搜索信息…"_s;
    return u"请选择第（%1）题的搜索项目"_s.arg(nextQuestion());
}

QString CompositionRun::message(Outcome outcome) const
{
    const bool manual = wizard_ == Wizard::Manual;
    switch (outcome) {
    case Outcome::NoMatch:
        return manual ? u"别逗了，题库中没有符合条件的题！"_s : u"别逗了，根本没有符合条件的题！"_s;
    case Outcome::Last:
        return manual ? u"恭喜！这是最后一题了"_s
                      : u"题目信息添加成功，共（%1）道题，可以开始下一步了..."_s.arg(questionTotal_);
    case Outcome::NoQuestionLeft:
        return u"这份试卷的题目都已选定，请从“手工组卷”重新开始。"_s;
    case Outcome::RunEnded:
        if (manual)
            return u"“自动组卷”已开始了新的组卷，这次手工组卷已结束，搜索信息没有保存。"
                   "请从“手工组卷”重新开始。"_s;
        return endedBy_
                   ? u"“手工组卷”已开始了新的组卷，题目总数已按它重新设定，这次自动组卷的搜索信息没有保存。"
                     "请从“自动组卷”重新开始。"_s
                   : u"这次组卷的题目总数已被清零（组卷已结束），搜索信息没有保存。请从“自动组卷”重新开始。"_s;
    case Outcome::Next:
        break;
    }
    return {};
}

void CompositionRun::endBy(Wizard other)
{
    if (other != wizard_)
        endedBy_ = other;
}

void CompositionRun::finish()
{
    chosenQuestion_ = 0;
    questionTotal_ = 0;
}

void CompositionRun::askAgain()
{
    chosenQuestion_ = std::max(0, chosenQuestion_ - 1);
    chosenQuery_.reset();
}

// ---- The documents ----------------------------------------------------------

void CompositionRun::attachDocuments(QTextDocument* paper, QTextDocument* answers)
{
    if (paper_->paper == paper && paper_->answers == answers)
        return;
    *paper_ = Paper{};
    paper_->paper = paper;
    paper_->answers = answers;
    if (paper && answers)
        paper_->chosen.emplace(paper, answers);
}

void CompositionRun::detachDocuments()
{
    *paper_ = Paper{};
}

void CompositionRun::adoptPaper(CompositionRun& earlier)
{
    if (&earlier == this)
        return;
    paper_ = std::move(earlier.paper_);
    earlier.paper_ = std::make_unique<Paper>();
}

void CompositionRun::discardPaper()
{
    paper_->sets.clear();
    if (paper_->chosen)
        paper_->chosen->clear();
}

QTextDocument* CompositionRun::paperDocument() const
{
    return paper_->paper;
}

QTextDocument* CompositionRun::answerDocument() const
{
    return paper_->answers;
}

// ---- The automatic wizard ---------------------------------------------------

void CompositionRun::reseed(std::uint64_t seed)
{
    random_.emplace(seed);
    freshSeed_ = true;
}

UniformSource CompositionRun::random()
{
    if (!random_)
        random_.emplace(0);
    return [this] { return (*random_)(); };
}

ComposedSet CompositionRun::composeSet(QTextCursor& paperCaret, QTextCursor& answerCaret)
{
    const int setNo = ++paper_->lastSetNo;
    if (freshSeed_ && random_)
        paper_->seeds.emplace_back(setNo, random_->seed());
    freshSeed_ = false;
    PaperComposer composer(openBank_, random());
    ComposedSet set = composer.composeSet(setNo, criteria_, paperCaret, answerCaret);
    // What stays in the documents is printed: a set stopped early too.
    paper_->sets.push_back({set, criteria_});
    return set;
}

int CompositionRun::lastSetNo() const
{
    return paper_->lastSetNo;
}

int CompositionRun::firstSetNo() const
{
    return paper_->sets.empty() ? paper_->lastSetNo + 1 : paper_->sets.front().set.setNo;
}

int CompositionRun::questionCount(int setNo) const
{
    const Paper::DrawnSet* drawn = paper_->find(setNo);
    return drawn ? int(drawn->set.questions.size()) : 0;
}

bool CompositionRun::anyQuestionComposed() const
{
    return std::any_of(paper_->sets.begin(), paper_->sets.end(),
                       [](const Paper::DrawnSet& d) { return !d.set.questions.empty(); });
}

QString CompositionRun::seedsText() const
{
    QStringList seeds;
    for (const auto& [setNo, seed] : paper_->seeds)
        seeds << u"第（%1）套 %2"_s.arg(setNo).arg(seed);
    return seeds.join(u"，"_s);
}

CompositionRun::SetQuestion CompositionRun::questionAt(int position) const
{
    if (!paper_->paper || paper_->sets.empty())
        return {};
    const int item = PaperItems::itemAt(*paper_->paper, position);
    if (item <= 0)
        return {};
    return {item / (kMaxQuestionTotal + 1), item % (kMaxQuestionTotal + 1)};
}

CompositionRun::Replacement CompositionRun::replaceQuestion(int setNo, int question)
{
    freshSeed_ = false; // a seed given for a replacement is no set's
    auto drawn = std::find_if(paper_->sets.begin(), paper_->sets.end(),
                              [setNo](const Paper::DrawnSet& d) { return d.set.setNo == setNo; });
    if (drawn == paper_->sets.end() || question < 1 || question > int(drawn->set.questions.size()) ||
        question > int(drawn->criteria.size()))
        return {u"第（%1）套试卷中没有第（%2）题。"_s.arg(setNo).arg(question)};
    const int id = PaperItems::itemId(setNo, question);
    const PaperItems::Item paperItem{id, paperItemLabel(question)};
    const PaperItems::Item answerItem{id, answerItemLabel(question)};
    QTextDocument* paper = paper_->paper;
    QTextDocument* answers = paper_->answers;
    if (!paper || !answers || !PaperItems::find(*paper, paperItem).found() ||
        !PaperItems::find(*answers, answerItem).found()) {
        return {u"第（%1）套试卷第（%2）题的题号在试题题目或试题答案中已被删改，找不到这道题，"
                "无法换题。"_s.arg(setNo)
                    .arg(question)};
    }
    PaperComposer composer(openBank_, random());
    const QString before = drawn->set.numbers.at(question - 1);
    const QString failure =
        composer.replaceQuestion(drawn->set, question, drawn->criteria[size_t(question - 1)]);
    if (!failure.isEmpty())
        return {failure};
    const QuestionRecord& q = drawn->set.questions[size_t(question - 1)];
    PaperItems::replaceBody(*paper, paperItem, q.content);
    PaperItems::replaceBody(*answers, answerItem, q.answer);
    return {{}, before, q.number};
}

// ---- The manual wizard ------------------------------------------------------

CompositionRun::Added CompositionRun::addChosen(const PaperQuestion& q, QTextCursor& paperCaret,
                                                QTextCursor& answerCaret)
{
    if (chosenQuestion_ < 1)
        return Added::NoQuestionBeingChosen;
    if (!paper_->chosen)
        attachDocuments(paperCaret.document(), answerCaret.document());
    // The paper numbers its questions itself, so that a question moved or
    // removed meanwhile leaves no gap.
    paper_->chosen->append(paperCaret, answerCaret, q);
    if (chosenQuestion_ >= questionTotal_) {
        finish();
        return Added::Complete;
    }
    return Added::Next;
}

int CompositionRun::chosenCount() const
{
    return paper_->chosen ? paper_->chosen->count() : 0;
}

int CompositionRun::chosenIndexAt(int position) const
{
    return paper_->chosen ? paper_->chosen->indexAt(position) : -1;
}

namespace {

QString noSuchQuestion(int index)
{
    return u"试卷中没有第（%1）题。"_s.arg(index + 1);
}

} // namespace

QString CompositionRun::moveChosenUp(int index)
{
    return paper_->chosen ? paper_->chosen->moveUp(index) : noSuchQuestion(index);
}

QString CompositionRun::moveChosenDown(int index)
{
    return paper_->chosen ? paper_->chosen->moveDown(index) : noSuchQuestion(index);
}

QString CompositionRun::removeChosen(int index)
{
    if (!paper_->chosen)
        return noSuchQuestion(index);
    const QString failure = paper_->chosen->remove(index);
    // A run in progress chooses one more: the question being chosen moves up
    // into the place that was freed.
    if (failure.isEmpty() && chosenQuestion_ > 0)
        --chosenQuestion_;
    return failure;
}

// ---- Printing ---------------------------------------------------------------

std::vector<PaperSet> CompositionRun::printedSets() const
{
    if (wizard_ == Wizard::Manual)
        return {paper_->chosen ? paper_->chosen->questions() : PaperSet{}};
    std::vector<PaperSet> sets;
    for (const Paper::DrawnSet& drawn : paper_->sets) {
        if (drawn.set.questions.empty())
            continue;
        PaperSet questions;
        for (const QuestionRecord& q : drawn.set.questions)
            questions.push_back(PaperQuestion::fromRecord(q));
        sets.push_back(std::move(questions));
    }
    return sets;
}

std::shared_ptr<PaperLayout> CompositionRun::layOut(const PaperSettings& settings, PaperLayout::Kind kind,
                                                    Bodies bodies, QStringList* problems) const
{
    auto layout = std::make_shared<PaperLayout>(settings, kind);
    std::vector<PaperSet> sets = printedSets();
    QStringList said;
    const QTextDocument* doc = kind == PaperLayout::Kind::Answers ? paper_->answers : paper_->paper;
    QString problem;
    if (bodies == Bodies::AsShown && doc &&
        !takeBodiesFromDocument(sets, *doc, kind, wizard_ == Wizard::Automatic, &problem)) {
        said << problem + u"，无法逐题分节排版，已按文档原样排版。"_s;
        layout->addDocument(RtfWriter::write(*doc));
    } else {
        for (const PaperSet& set : sets) {
            if (!set.empty())
                layout->addSet(set);
        }
    }
    if (problems)
        *problems << said << layout->problems();
    return layout;
}
