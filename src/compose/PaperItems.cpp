#include "compose/PaperItems.h"

#include "compose/CompositionState.h"
#include "compose/PaperComposer.h"
#include "rtf/RtfReader.h"

#include <algorithm>
#include <climits>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

using namespace Qt::StringLiterals;

namespace PaperItems {

namespace {

// Private to this program's documents; the RTF writer writes no control word
// for a property it does not know.
constexpr int kLabelMark = QTextFormat::UserProperty + 0x5451;
constexpr int kBodyMark = QTextFormat::UserProperty + 0x5452;

void mark(QTextDocument& doc, int from, int to, int property, int id)
{
    if (id <= 0 || to <= from)
        return;
    QTextCursor range(&doc);
    range.setPosition(from);
    range.setPosition(to, QTextCursor::KeepAnchor);
    QTextCharFormat marked;
    marked.setProperty(property, id);
    range.mergeCharFormat(marked);
}

QTextCursor selection(QTextDocument& doc, int from, int to)
{
    QTextCursor c(&doc);
    c.setPosition(from);
    c.setPosition(to, QTextCursor::KeepAnchor);
    return c;
}

int documentEnd(const QTextDocument& doc)
{
    return doc.characterCount() - 1;
}

} // namespace

int itemId(int setNo, int question)
{
    return setNo * (kMaxQuestionTotal + 1) + question;
}

void markLabel(QTextDocument& doc, int from, int to, int id)
{
    mark(doc, from, to, kLabelMark, id);
}

void markBody(QTextDocument& doc, int from, int to, int id)
{
    mark(doc, from, to, kBodyMark, id);
}

Extent find(const QTextDocument& doc, const Item& item)
{
    Extent e;
    int bodyStart = INT_MAX;
    int bodyEnd = -1;
    // The runs of text that carry the item's label mark: its label, and
    // whatever was typed at its very start (a title above the first question).
    struct Run
    {
        int start;
        QString text;
    };
    std::vector<Run> labelRuns;
    std::vector<int> otherLabels;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat format = f.charFormat();
            const int from = f.position();
            const int label = format.intProperty(kLabelMark);
            if (label == item.id) {
                if (!labelRuns.empty() && labelRuns.back().start + labelRuns.back().text.size() == from)
                    labelRuns.back().text += f.text();
                else
                    labelRuns.push_back({from, f.text()});
            } else if (label != 0) {
                otherLabels.push_back(from);
            }
            if (format.intProperty(kBodyMark) == item.id) {
                bodyStart = std::min(bodyStart, from);
                bodyEnd = std::max(bodyEnd, from + f.length());
            }
        }
    }
    if (labelRuns.empty())
        return e;
    e.labelStart = labelRuns.front().start;
    e.labelEnd = int(labelRuns.back().start + labelRuns.back().text.size());
    // The item begins at its label text when that is still there.
    if (!item.label.isEmpty()) {
        for (const Run& run : labelRuns) {
            if (const qsizetype at = run.text.indexOf(item.label); at >= 0) {
                e.labelStart = run.start + int(at);
                e.labelEnd = e.labelStart + int(item.label.size());
                break;
            }
        }
    }
    if (bodyEnd >= 0) {
        e.bodyStart = bodyStart;
        e.bodyEnd = bodyEnd;
    } else {
        // An empty body went into the block that follows the label.
        const QTextBlock next = doc.findBlock(e.labelEnd).next();
        e.bodyStart = e.bodyEnd = next.isValid() ? next.position() : e.labelEnd;
    }
    e.end = documentEnd(doc);
    for (const int other : otherLabels) {
        if (other > e.labelStart)
            e.end = std::min(e.end, other);
    }
    return e;
}

int itemAt(const QTextDocument& doc, int position)
{
    // The label that starts last at or before the position.
    int best = 0;
    for (QTextBlock block = doc.begin(); block.isValid() && block.position() <= position;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.position() > position)
                break;
            if (const int label = f.charFormat().intProperty(kLabelMark); label != 0)
                best = label;
        }
    }
    return best;
}

bool replaceBody(QTextDocument& doc, const Item& item, const QByteArray& rtf)
{
    const Extent e = find(doc, item);
    if (!e.found())
        return false;
    QTextCursor c = selection(doc, e.bodyStart, e.bodyEnd);
    c.beginEditBlock();
    RtfReader::insert(rtf, c);
    markBody(doc, e.bodyStart, c.position(), item.id);
    c.endEditBlock();
    return true;
}

bool relabel(QTextDocument& doc, const Item& item, const QString& newLabel)
{
    const Extent e = find(doc, item);
    if (!e.found())
        return false;
    QTextCursor c = selection(doc, e.labelStart, e.labelEnd);
    QTextCharFormat format;
    format.setProperty(kLabelMark, item.id);
    c.insertText(newLabel, format);
    return true;
}

bool remove(QTextDocument& doc, const Item& item)
{
    const Extent e = find(doc, item);
    if (!e.found())
        return false;
    selection(doc, e.labelStart, e.end).removeSelectedText();
    return true;
}

bool moveBefore(QTextDocument& doc, const Item& moved, const Item& before)
{
    const Extent from = find(doc, moved);
    const Extent to = find(doc, before);
    if (!from.found() || !to.found() || to.labelStart >= from.labelStart)
        return false;
    QTextCursor c = selection(doc, from.labelStart, from.end);
    const QTextDocumentFragment fragment = c.selection();
    c.beginEditBlock();
    c.removeSelectedText();
    c.setPosition(to.labelStart);
    c.insertFragment(fragment);
    // The last item may end without a break when text was typed after it.
    if (!c.atBlockStart())
        c.insertBlock(QTextBlockFormat(), QTextCharFormat());
    c.endEditBlock();
    return true;
}

} // namespace PaperItems

ChosenPaper::ChosenPaper(QTextDocument* paper, QTextDocument* answers, PaperSet* questions)
    : paper_(paper), answers_(answers), questions_(questions)
{
}

void ChosenPaper::append(QTextCursor& paperCaret, QTextCursor& answerCaret, const PaperQuestion& q)
{
    const int number = count() + 1;
    const int id = nextId_++;
    appendItem(paperCaret, paperItemLabel(number), q.content, id);
    appendItem(answerCaret, answerItemLabel(number), q.answer, id);
    ids_.push_back(id);
    questions_->push_back(q);
}

int ChosenPaper::indexAt(int position) const
{
    const int id = PaperItems::itemAt(*paper_, position);
    const auto it = std::find(ids_.begin(), ids_.end(), id);
    return id > 0 && it != ids_.end() ? int(it - ids_.begin()) : -1;
}

PaperItems::Item ChosenPaper::paperItem(int index, int number) const
{
    return {ids_[size_t(index)], paperItemLabel(number)};
}

PaperItems::Item ChosenPaper::answerItem(int index, int number) const
{
    return {ids_[size_t(index)], answerItemLabel(number)};
}

QString ChosenPaper::checkPresent(std::initializer_list<int> indexes) const
{
    int previousPaper = -1;
    int previousAnswer = -1;
    for (const int index : indexes) {
        if (index < 0 || index >= count())
            return u"试卷中没有第（%1）题。"_s.arg(index + 1);
        const PaperItems::Extent paper = PaperItems::find(*paper_, paperItem(index, index + 1));
        const PaperItems::Extent answer = PaperItems::find(*answers_, answerItem(index, index + 1));
        if (!paper.found() || !answer.found())
            return u"第（%1）题的题号在“已选题目”的题目或答案中已被删改，找不到这道题，"
                   "试卷没有改动。请先把题号改回原样。"_s.arg(index + 1);
        if (paper.labelStart <= previousPaper || answer.labelStart <= previousAnswer)
            return u"第（%1）题和第（%2）题在“已选题目”中的先后已被改动，试卷没有改动。"_s.arg(index).arg(
                index + 1);
        previousPaper = paper.labelStart;
        previousAnswer = answer.labelStart;
    }
    return {};
}

void ChosenPaper::renumber(int index, int oldNumber)
{
    PaperItems::relabel(*paper_, paperItem(index, oldNumber), paperItemLabel(index + 1));
    PaperItems::relabel(*answers_, answerItem(index, oldNumber), answerItemLabel(index + 1));
}

QString ChosenPaper::moveUp(int index)
{
    if (index == 0 && count() > 0)
        return u"第（1）题已是第一题。"_s;
    if (const QString failure = checkPresent({index - 1, index}); !failure.isEmpty())
        return failure;
    PaperItems::moveBefore(*paper_, paperItem(index, index + 1), paperItem(index - 1, index));
    PaperItems::moveBefore(*answers_, answerItem(index, index + 1), answerItem(index - 1, index));
    std::swap(ids_[size_t(index)], ids_[size_t(index - 1)]);
    std::swap((*questions_)[size_t(index)], (*questions_)[size_t(index - 1)]);
    renumber(index - 1, index + 1);
    renumber(index, index);
    return {};
}

QString ChosenPaper::moveDown(int index)
{
    if (index + 1 >= count() && index >= 0 && index < count())
        return u"第（%1）题已是最后一题。"_s.arg(index + 1);
    return moveUp(index + 1);
}

QString ChosenPaper::remove(int index)
{
    if (const QString failure = checkPresent({index}); !failure.isEmpty())
        return failure;
    PaperItems::remove(*paper_, paperItem(index, index + 1));
    PaperItems::remove(*answers_, answerItem(index, index + 1));
    ids_.erase(ids_.begin() + index);
    questions_->erase(questions_->begin() + index);
    for (int i = index; i < count(); ++i)
        renumber(i, i + 2);
    return {};
}

void ChosenPaper::clear()
{
    ids_.clear();
    questions_->clear();
}
