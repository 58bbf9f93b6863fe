#include "questions/QuestionBrowser.h"

using namespace Qt::StringLiterals;

QuestionBrowser::QuestionBrowser(std::function<BankStore()> open) : open_(std::move(open)) {}

int QuestionBrowser::search(const QuestionFilter& filter)
{
    return open(buildQuestionQuery(filter));
}

int QuestionBrowser::open(const TableQuery& query)
{
    // The old result goes only once the new one is open: a failed search
    // leaves the window with what it had.
    BankStore store = open_();
    Recordset found = store.open(query);
    result_ = std::move(found);
    deletedHere_ = false;
    return result_.recordCount();
}

QuestionBrowser::Step QuestionBrowser::read()
{
    if (result_.isDeleted())
        return {Outcome::Deleted, {}};
    return {Outcome::Shown, QuestionRecord::fromRow(result_.values())};
}

QuestionBrowser::Step QuestionBrowser::first()
{
    if (count() == 0)
        return {};
    result_.moveFirst();
    deletedHere_ = false;
    return read();
}

QuestionBrowser::Step QuestionBrowser::last()
{
    if (count() == 0)
        return {};
    result_.moveLast();
    deletedHere_ = false;
    return read();
}

// A move past either end does not happen at all. Moving there and back would
// leave a neighbour of a deleted question current while the window shows
// none, and modify or delete would then act on a question nobody sees.
QuestionBrowser::Step QuestionBrowser::next()
{
    // After a delete the position already names the following question.
    const int target = result_.position() + (deletedHere_ ? 0 : 1);
    if (count() == 0 || target >= count())
        return {};
    result_.moveNext();
    deletedHere_ = false;
    return read();
}

QuestionBrowser::Step QuestionBrowser::previous()
{
    if (count() == 0 || result_.position() - 1 < 0)
        return {};
    result_.movePrevious();
    deletedHere_ = false;
    return read();
}

QuestionBrowser::Step QuestionBrowser::current()
{
    if (result_.bof() || result_.eof())
        return {};
    return read();
}

int QuestionBrowser::count() const
{
    return result_.recordCount();
}

int QuestionBrowser::position() const
{
    return result_.isOpen() ? result_.position() : -1;
}

bool QuestionBrowser::isOpen() const
{
    return result_.isOpen();
}

bool QuestionBrowser::hasCurrent() const
{
    return !result_.bof() && !result_.eof() && !result_.isDeleted();
}

qint64 QuestionBrowser::currentId() const
{
    return result_.currentId();
}

void QuestionBrowser::updateCurrent(const QuestionRecord& q)
{
    if (!result_.isOpen())
        throw StoreError(StoreErrorNumber::NoCurrentRow, u"没有当前记录：请先搜索题目。"_s);
    result_.update(q.fields());
}

void QuestionBrowser::deleteCurrent()
{
    if (!result_.isOpen())
        throw StoreError(StoreErrorNumber::NoCurrentRow, u"没有当前记录：请先搜索题目。"_s);
    result_.deleteCurrent();
    deletedHere_ = true;
}

void QuestionBrowser::close()
{
    result_.close();
    deletedHere_ = false;
}
