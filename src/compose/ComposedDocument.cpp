#include "compose/ComposedDocument.h"

#include "compose/PaperComposer.h"
#include "rtf/RtfWriter.h"

#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {

enum class Role { Header, Label, Text, Blank };

// A question as the document holds it: its label's number and the range of
// its body, from the start of its first paragraph that is not blank to the
// end of its last one (none: an empty body).
struct Item
{
    int label = 0;
    int first = -1;
    int last = -1;
};

struct Set
{
    std::vector<Item> items;
};

// A paragraph's text as labels are compared: no blanks, full-width brackets.
QString labelText(const QString& text)
{
    QString t;
    for (const QChar c : text) {
        if (c.isSpace())
            continue;
        t += c == u'(' ? u'（' : c == u')' ? u'）' : c;
    }
    return t;
}

Role roleOf(const QTextBlock& block, PaperLayout::Kind kind, int* number)
{
    // A table is a question's content, whatever its cells say.
    if (QTextCursor(block).currentTable())
        return Role::Text;
    const QString text = labelText(block.text());
    if (text.isEmpty())
        return Role::Blank;
    static const QRegularExpression header(u"^第（(\\d{1,5})）套试卷的(?:题目|答案)$"_s);
    static const QRegularExpression paperLabel(u"^（(\\d{1,5})）$"_s);
    static const QRegularExpression answerLabel(u"^第（(\\d{1,5})）题的答案$"_s);
    if (const QRegularExpressionMatch m = header.match(text); m.hasMatch()) {
        *number = m.captured(1).toInt();
        return Role::Header;
    }
    const QRegularExpression& label = kind == PaperLayout::Kind::Paper ? paperLabel : answerLabel;
    if (const QRegularExpressionMatch m = label.match(text); m.hasMatch()) {
        *number = m.captured(1).toInt();
        return Role::Label;
    }
    return Role::Text;
}

QString itemLabel(PaperLayout::Kind kind, int question)
{
    return kind == PaperLayout::Kind::Paper ? paperItemLabel(question) : answerItemLabel(question);
}

} // namespace

bool takeBodiesFromDocument(std::vector<PaperSet>& sets, const QTextDocument& doc, PaperLayout::Kind kind,
                            bool setHeaders, QString* problem)
{
    const QString name = kind == PaperLayout::Kind::Paper ? u"试卷"_s : u"答案"_s;
    auto fail = [&](const QString& why) {
        if (problem)
            *problem = why;
        return false;
    };

    std::vector<Set> found;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        int number = 0;
        switch (roleOf(block, kind, &number)) {
        case Role::Header:
            if (!setHeaders)
                return fail(u"%1中多出“%2”"_s.arg(name, block.text().trimmed()));
            found.emplace_back();
            break;
        case Role::Label:
            if (found.empty()) {
                if (setHeaders)
                    return fail(u"%1中“%2”之前缺少套题标题"_s.arg(name, block.text().trimmed()));
                found.emplace_back();
            }
            found.back().items.push_back({number});
            break;
        case Role::Text:
            if (found.empty() || found.back().items.empty()) {
                return fail(u"%1中有不属于任何一题的文字“%2”"_s.arg(name, block.text().trimmed().left(20)));
            }
            if (found.back().items.back().first < 0)
                found.back().items.back().first = block.position();
            found.back().items.back().last = block.position() + block.length() - 1;
            break;
        case Role::Blank:
            break;
        }
    }
    // A set stopped at its first question left its header alone.
    std::erase_if(found, [](const Set& s) { return s.items.empty(); });

    std::vector<size_t> composed; // the sets that hold questions
    for (size_t s = 0; s < sets.size(); ++s) {
        if (!sets[s].empty())
            composed.push_back(s);
    }
    for (size_t k = 0; k < composed.size(); ++k) {
        const PaperSet& set = sets[composed[k]];
        const QString where = composed.size() > 1 ? u"第%1套的"_s.arg(k + 1) : QString();
        const std::vector<Item> none;
        const std::vector<Item>& items = k < found.size() ? found[k].items : none;
        for (size_t i = 0; i < std::max(set.size(), items.size()); ++i) {
            if (i >= set.size())
                return fail(u"%1中多出%2“%3”"_s.arg(name, where, itemLabel(kind, items[i].label)));
            if (i >= items.size() || items[i].label != int(i) + 1)
                return fail(u"%1中找不到%2“%3”"_s.arg(name, where, itemLabel(kind, int(i) + 1)));
        }
    }
    if (found.size() > composed.size())
        return fail(
            u"%1中多出一套题“%2”"_s.arg(name, itemLabel(kind, found[composed.size()].items[0].label)));

    for (size_t k = 0; k < composed.size(); ++k) {
        PaperSet& set = sets[composed[k]];
        for (size_t i = 0; i < set.size(); ++i) {
            const Item& item = found[k].items[i];
            QByteArray body;
            if (item.first >= 0) {
                QTextCursor c(doc.findBlock(item.first));
                c.setPosition(item.last, QTextCursor::KeepAnchor);
                body = RtfWriter::write(c);
            }
            (kind == PaperLayout::Kind::Paper ? set[i].content : set[i].answer) = body;
        }
    }
    return true;
}
