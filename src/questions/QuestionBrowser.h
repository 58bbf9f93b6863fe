#pragma once

#include "questions/QuestionFilter.h"
#include "store/BankStore.h"

#include <functional>
#include <optional>

// The open result of a question search, kept between clicks: the identities
// of the matching questions in stored order and a position among them. Each
// move reads its question anew by identity, so a question deleted meanwhile
// is seen as deleted and a changed one shows its new values. Changes act on
// the current question's identity, never on its number.
class QuestionBrowser
{
public:
    // `open` gives the connection a search keeps; by default the program's bank.
    explicit QuestionBrowser(std::function<BankStore()> open = &BankStore::openBank);

    // Replaces the result by the questions matching `filter`, positioned on
    // the first one. Returns how many were found. Throws StoreError.
    int search(const QuestionFilter& filter);
    // The same with a query built elsewhere (a stored candidate query).
    int open(const TableQuery& query);

    enum class Outcome {
        Shown,   // the move happened; `record` is the question now current
        NoRow,   // no row there; the position is the one before the move
        Deleted, // the move happened, but that question has been deleted since
    };
    struct Step
    {
        Outcome outcome = Outcome::NoRow;
        QuestionRecord record;
    };

    Step first();
    Step last();
    // Past the last (before the first) question: NoRow, and nothing moves:
    // what was current stays current, and after a delete nothing is (the
    // neighbours stay one step away).
    Step next();
    Step previous();
    // The current question as it is stored now.
    Step current();

    int count() const;
    // The place of the current question, 0-based; -1 when the result is not open or before its first row.
    int position() const;
    bool isOpen() const;
    // True when there is a current question that still exists.
    bool hasCurrent() const;
    // The identity of the current question; -1 when there is none.
    qint64 currentId() const;

    // Writes `q` into the current question (every column, its number too).
    // Throws StoreError (NoCurrentRow) when there is no current question or
    // it no longer exists; nothing is written then.
    void updateCurrent(const QuestionRecord& q);
    // Deletes the current question. The position stays on it: next and
    // previous move on to its neighbours. Throws StoreError like updateCurrent.
    void deleteCurrent();

    void close();

private:
    Step read();

    std::function<BankStore()> open_;
    Recordset result_;
    // The current question was deleted through this result: the position
    // already names the question after it, which the next move shows.
    bool deletedHere_ = false;
};
