#pragma once

#include "compose/PaperLayout.h"

#include <QByteArray>
#include <QString>
#include <vector>

class QTextCursor;
class QTextDocument;

// Where the questions of a composed paper lie in its paper and answer
// documents. appendItem marks the characters of each label and body with the
// item's id, in their character format: the mark writes no RTF and follows
// the text as the teacher types around it or into it, so an item is found
// again after edits anywhere else, and can be replaced, moved or removed
// without touching what the teacher wrote elsewhere.
//
// An item reaches from its label to the next item's label (or the end of the
// document): its body, the breaks after it and whatever was typed there.
namespace PaperItems {

// The id of question `question` of set `setNo` of an automatic composition.
int itemId(int setNo, int question);

// Marks [from, to) of `doc` as the label or the body of item `id` (> 0).
void markLabel(QTextDocument& doc, int from, int to, int id);
void markBody(QTextDocument& doc, int from, int to, int id);

// An item: its id, and the label it carries now ("（3）"). Text typed at the
// very start of a label takes the label's mark; the label text tells where
// the item itself begins, so that a title typed above the first question
// stays where it is.
struct Item
{
    int id = 0;
    QString label{};
};

struct Extent
{
    int labelStart = -1; // the label text (or, when it was changed, all that carries the label's mark)
    int labelEnd = -1;
    int bodyStart = -1; // an empty body: both at the start of the block after the label
    int bodyEnd = -1;
    int end = -1; // the next item's label, or the end of the document
    bool found() const { return labelStart >= 0; }
};

// Where the item lies; not found() when its label is gone.
Extent find(const QTextDocument& doc, const Item& item);

// The item whose extent holds `position`; 0 when none does.
int itemAt(const QTextDocument& doc, int position);

// Replaces the body of the item by the document in `rtf`, leaving its label
// and everything after the body as they are. False when the item is gone.
bool replaceBody(QTextDocument& doc, const Item& item, const QByteArray& rtf);

// Writes `newLabel` in place of the item's label.
bool relabel(QTextDocument& doc, const Item& item, const QString& newLabel);

// Removes the item whole. False when it is gone.
bool remove(QTextDocument& doc, const Item& item);

// Moves `moved` whole to just before `before`, which comes before it. False
// (nothing moved) when either is gone or they are not in that order.
bool moveBefore(QTextDocument& doc, const Item& moved, const Item& before);

} // namespace PaperItems

// The paper of the manual composer: the questions added so far, in their
// order, in the paper and the answer document under the labels （i） and
// 第（i）题的答案. Moving and removing a question acts on both documents and
// numbers the questions again, so the two stay in step.
class ChosenPaper
{
public:
    // `questions` is the window's list of the questions added (for printing);
    // it is kept in the same order as the documents. None is owned.
    ChosenPaper(QTextDocument* paper, QTextDocument* answers, PaperSet* questions);

    int count() const { return int(ids_.size()); }
    // The question (0-based) whose item holds `position` of the paper; -1 when none does.
    int indexAt(int position) const;

    // Appends `q` as question count() + 1: its label at each caret, its body at
    // the end of each document (appendItem).
    void append(QTextCursor& paperCaret, QTextCursor& answerCaret, const PaperQuestion& q);

    // Question `index` (0-based) one place up or down, or out of the paper;
    // the questions are numbered again. An empty text when done, else the
    // message that says why nothing changed.
    QString moveUp(int index);
    QString moveDown(int index);
    QString remove(int index);

    // Forgets every question (the documents are emptied by the window).
    void clear();

private:
    // The items of question `index` in the paper and in the answers, under
    // the label of number `number`.
    PaperItems::Item paperItem(int index, int number) const;
    PaperItems::Item answerItem(int index, int number) const;
    // Both documents still hold the items of these questions, in this order.
    QString checkPresent(std::initializer_list<int> indexes) const;
    void renumber(int index, int oldNumber);

    QTextDocument* paper_;
    QTextDocument* answers_;
    PaperSet* questions_;
    std::vector<int> ids_;
    int nextId_ = 1;
};
