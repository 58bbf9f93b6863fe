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
    return read();
}

QuestionBrowser::Step QuestionBrowser::last()
{
    if (count() == 0)
        return {};
    result_.moveLast();
    return read();
}

QuestionBrowser::Step QuestionBrowser::next()
{
    if (count() == 0)
        return {};
    result_.moveNext();
    if (result_.eof()) {
        result_.movePrevious();
        return {};
    }
    return read();
}

QuestionBrowser::Step QuestionBrowser::previous()
{
    if (count() == 0)
        return {};
    result_.movePrevious();
    if (result_.bof()) {
        result_.moveNext();
        return {};
    }
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
}

void QuestionBrowser::close()
{
    result_.close();
}
