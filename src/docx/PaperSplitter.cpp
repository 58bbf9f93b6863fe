#include "docx/PaperSplitter.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <map>
#include <optional>

using namespace Qt::StringLiterals;

namespace docx {

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == QChar(0x3000) || c == QChar(0x00A0) || c == u'\n';
}

// A paragraph as one line of text for recognition: the label, a space, then
// one character per piece (a picture or a formula is U+FFFC), so that a
// position in the line is a position in the paragraph.
QString lineOf(const Paragraph& p)
{
    QString s;
    if (!p.label.isEmpty())
        s = p.label + u' ';
    for (const Inline& in : p.inlines) {
        switch (in.kind) {
        case Inline::Kind::Text:
            s += in.text;
            break;
        case Inline::Kind::Tab:
            s += u'\t';
            break;
        case Inline::Kind::Break:
            s += u'\n';
            break;
        case Inline::Kind::Picture:
        case Inline::Kind::Formula:
            s += QChar(QChar::ObjectReplacementCharacter);
            break;
        case Inline::Kind::Missing:
            break;
        }
    }
    return s;
}

int leadingBlanks(const QString& s)
{
    int n = 0;
    while (n < s.size() && isBlank(s[n]))
        ++n;
    return n;
}

// The line without its leading blanks, with full-width and no-break spaces
// as plain ones (one for one: positions stay).
QString normalized(const QString& line)
{
    QString s = line.mid(leadingBlanks(line));
    for (QChar& c : s) {
        if (c == QChar(0x3000) || c == QChar(0x00A0))
            c = u' ';
    }
    return s;
}

// The part of a paragraph between two positions of its line.
Paragraph slice(const Paragraph& p, int from, int to)
{
    Paragraph out = p;
    out.inlines.clear();
    out.label.clear();
    int pos = 0;
    if (!p.label.isEmpty()) {
        const int end = int(p.label.size()) + 1;
        if (from < end && to > 0)
            out.label = p.label.mid(from, std::max(0, std::min(to, int(p.label.size())) - from));
        pos = end;
    }
    for (const Inline& in : p.inlines) {
        const int length = in.kind == Inline::Kind::Text      ? int(in.text.size())
                           : in.kind == Inline::Kind::Missing ? 0
                                                              : 1;
        const int start = pos;
        const int end = pos + length;
        pos = end;
        if (in.kind == Inline::Kind::Missing) {
            if (start >= from && start < to)
                out.inlines.push_back(in);
            continue;
        }
        if (end <= from || start >= to)
            continue;
        if (in.kind == Inline::Kind::Text) {
            Inline piece = in;
            const int a = std::max(from, start) - start;
            const int b = std::min(to, end) - start;
            piece.text = in.text.mid(a, b - a);
            out.inlines.push_back(piece);
        } else {
            out.inlines.push_back(in);
        }
    }
    return out;
}

// The paragraph less the first `n` characters of its line and the blanks after them.
Paragraph withoutPrefix(const Paragraph& p, int n)
{
    const QString line = lineOf(p);
    int end = n;
    while (end < line.size() && isBlank(line[end]))
        ++end;
    Paragraph out = slice(p, end, int(line.size()));
    if (!out.label.isEmpty() && out.label.front() == u' ')
        out.label = out.label.trimmed();
    return out;
}

bool emptyParagraph(const Block& b)
{
    if (b.isTable)
        return false;
    for (const Inline& in : b.paragraph.inlines) {
        if (in.kind == Inline::Kind::Picture || in.kind == Inline::Kind::Formula ||
            in.kind == Inline::Kind::Missing)
            return false;
        if (in.kind == Inline::Kind::Text && !in.text.trimmed().isEmpty())
            return false;
    }
    return b.paragraph.label.isEmpty();
}

void trimBlocks(std::vector<Block>& blocks)
{
    while (!blocks.empty() && emptyParagraph(blocks.front()))
        blocks.erase(blocks.begin());
    while (!blocks.empty() && emptyParagraph(blocks.back()))
        blocks.pop_back();
}

const QRegularExpression& sectionPattern()
{
    static const QRegularExpression re(
        uR"(^(?:[一二三四五六七八九十]{1,3}\s*[、．.，,:：]|第\s*[一二三四五六七八九十ⅠⅡⅢⅣ\d]+\s*(?:部分|卷|大题))\s*(.*)$)"_s,
        QRegularExpression::DotMatchesEverythingOption);
    return re;
}

const QRegularExpression& numberPattern()
{
    // 12. 12、 12． 12) 12）, never a decimal (1.5) or a time.
    // After a full stop of ASCII a digit makes a decimal (1.5); after the
    // full-width one (1．3) it is an answer in a key.
    static const QRegularExpression re(uR"(^(\d{1,3})\s*(?:\.(?![\d.．])|[．、,，](?![.．])|[)）])\s*)"_s);
    return re;
}

const QRegularExpression& parenthesisedPattern()
{
    static const QRegularExpression re(uR"(^[（(]\s*(\d{1,3})\s*[)）]\s*)"_s);
    return re;
}

const QRegularExpression& scorePattern()
{
    static const QRegularExpression re(
        uR"(^[（(]\s*(?:本(?:小|大)?题)?\s*(?:满分)?\s*[:：]?\s*(\d{1,3}(?:\.\d)?)\s*分\s*[)）]\s*)"_s);
    return re;
}

const QRegularExpression& answerPattern()
{
    static const QRegularExpression re(
        uR"(^(?:【\s*(?:参考)?(?:答案|解析|详解|分析|解答|点评|点睛|考点|专题|思路点拨|解题思路|方法点拨|规律总结|答|解|证明)\s*】|[\[［〔]\s*(?:答案|解析|详解|分析)\s*[\]］〕]|(?:参考答案|答案|解析|详解|分析|解答|点评|答)\s*[:：]|解\s*[:：]|证明\s*[:：]|故选))"_s);
    return re;
}

const QRegularExpression& optionPattern()
{
    static const QRegularExpression re(uR"((?:^|[\s\t])[(（]?[A-DＡ-Ｄ]\s*[)）]?\s*[.．、:：])"_s);
    return re;
}

int fromFullWidth(const QString& digits)
{
    QString ascii;
    for (const QChar c : digits)
        ascii +=
            c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19 ? QChar(char16_t(c.unicode() - 0xFF10 + u'0')) : c;
    return ascii.toInt();
}

QString letterOf(QChar c)
{
    if (c.unicode() >= 0xFF21 && c.unicode() <= 0xFF3A)
        return QString(QChar(char16_t(c.unicode() - 0xFF21 + u'A')));
    return QString(c);
}

// Lines of a key that give several answers: "1.C 2.A 3.BD", "1～5 CBDAC",
// "1-5：CBDAC  6-10：ADBCA". Each answer with its position in the line.
struct ListedAnswer
{
    int number = 0;
    int from = 0;
    int to = 0;
    QString letters; // for a range, one letter each
    bool range = false;
};

std::vector<ListedAnswer> answerList(const QString& line)
{
    static const QRegularExpression item(
        uR"((\d{1,3})\s*(?:[-~～—–－至]\s*(\d{1,3}))?\s*[.．、:：]?\s*[（(]?\s*([A-DＡ-Ｄ]{1,10})\s*[)）]?(?![A-Za-z\d]))"_s);
    std::vector<ListedAnswer> out;
    int pos = 0;
    auto it = item.globalMatch(line);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        // Only separators between the items: the whole line is a list.
        for (int i = pos; i < m.capturedStart(); ++i) {
            const QChar c = line[i];
            if (!isBlank(c) && c != u',' && c != u'，' && c != u';' && c != u'；' && c != u'、')
                return {};
        }
        pos = int(m.capturedEnd());
        const int first = m.captured(1).toInt();
        const QString letters = m.captured(3);
        if (m.capturedLength(2) > 0) {
            const int last = m.captured(2).toInt();
            if (last - first + 1 != letters.size() || last < first)
                return {};
            for (int k = 0; k < letters.size(); ++k) {
                ListedAnswer a;
                a.number = first + k;
                a.from = int(m.capturedStart(3)) + k;
                a.to = a.from + 1;
                a.letters = letterOf(letters[k]);
                a.range = true;
                out.push_back(a);
            }
        } else {
            ListedAnswer a;
            a.number = first;
            a.from = int(m.capturedStart(3));
            a.to = int(m.capturedEnd(3));
            for (const QChar c : letters)
                a.letters += letterOf(c);
            out.push_back(a);
        }
    }
    for (int i = pos; i < line.size(); ++i) {
        const QChar c = line[i];
        if (!isBlank(c) && c != u',' && c != u'，' && c != u';' && c != u'；' && c != u'、' && c != u'.' &&
            c != u'。')
            return {};
    }
    // A single "3.C" is an answer line like any other; a list has two or more.
    if (out.size() < 2)
        return {};
    return out;
}

// Lines that give several short answers one after another, set apart by
// wide gaps: "11．−2    12．x≥2    13．60°". The start of each number.
std::vector<std::pair<int, int>> spacedAnswers(const QString& line)
{
    // A full-width space is a gap of its own: teachers type one between answers.
    static const QRegularExpression item(
        uR"((?:^|[ ]{2,}|\x{3000}|\t)(\d{1,3})\s*(?:\.(?![\d.．])|[．、](?![.．])))"_s);
    std::vector<std::pair<int, int>> starts; // number, position of the number
    auto it = item.globalMatch(line);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const int n = m.captured(1).toInt();
        if (!starts.empty() && n != starts.back().first + 1)
            return {};
        if (starts.empty() && m.capturedStart(1) > 0 && !line.left(m.capturedStart(1)).trimmed().isEmpty())
            return {};
        starts.emplace_back(n, int(m.capturedStart(1)));
    }
    if (starts.size() < 2)
        return {};
    return starts;
}

QString cellText(const Cell& cell)
{
    QString s = plainText(cell.blocks);
    s.remove(u' ');
    s.remove(QChar(0x3000));
    return s.trimmed();
}

struct KeyEntry
{
    int section = -1;
    int number = 0;
    std::vector<Block> blocks;
};

// A key laid out as a table: a row of 题号 and a row of 答案 (as many pairs
// as the table has), or a column of each.
std::vector<KeyEntry> keyTable(const Table& t, int section)
{
    std::vector<KeyEntry> out;
    auto isNumberHeader = [](const QString& s) { return s == u"题号" || s == u"题目" || s == u"题次"; };
    auto isAnswerHeader = [](const QString& s) {
        return s == u"答案" || s == u"选项" || s == u"答" || s == u"选择" || s == u"答案代号";
    };
    auto number = [](const QString& s) {
        static const QRegularExpression re(uR"(^[（(]?(\d{1,3})[)）.．、]?$)"_s);
        const QRegularExpressionMatch m = re.match(s);
        return m.hasMatch() ? m.captured(1).toInt() : 0;
    };
    const std::size_t rows = t.rows.size();
    for (std::size_t r = 0; r + 1 < rows; ++r) {
        const Row& head = t.rows[r];
        const Row& body = t.rows[r + 1];
        if (head.cells.empty() || body.cells.empty())
            continue;
        const bool headed =
            isNumberHeader(cellText(head.cells[0])) && isAnswerHeader(cellText(body.cells[0]));
        int numbered = 0;
        for (const Cell& c : head.cells)
            numbered += number(cellText(c)) > 0 ? 1 : 0;
        if (!headed && numbered < 3)
            continue;
        for (std::size_t c = headed ? 1 : 0; c < head.cells.size() && c < body.cells.size(); ++c) {
            const int n = number(cellText(head.cells[c]));
            if (n <= 0 || cellText(body.cells[c]).isEmpty())
                continue;
            out.push_back({section, n, body.cells[c].blocks});
        }
        ++r;
    }
    if (!out.empty())
        return out;
    // Columns: 题号 | 答案 in the first row, then one question a row.
    if (rows >= 2 && t.rows[0].cells.size() >= 2 && isNumberHeader(cellText(t.rows[0].cells[0])) &&
        isAnswerHeader(cellText(t.rows[0].cells[1]))) {
        for (std::size_t r = 1; r < rows; ++r) {
            const Row& row = t.rows[r];
            if (row.cells.size() < 2)
                continue;
            const int n = number(cellText(row.cells[0]));
            if (n > 0)
                out.push_back({section, n, row.cells[1].blocks});
        }
    }
    return out;
}

Block paragraphBlock(Paragraph p)
{
    Block b;
    b.paragraph = std::move(p);
    return b;
}

bool hasOptions(const std::vector<Block>& blocks)
{
    QSet<QChar> letters;
    QString text = plainText(blocks);
    text.replace(QChar(0x3000), u' ');
    auto it = optionPattern().globalMatch(text);
    while (it.hasNext()) {
        const QString m = it.next().captured(0);
        for (const QChar c : m) {
            const QString l = letterOf(c);
            if (l >= u"A" && l <= u"D" && l.size() == 1)
                letters.insert(l[0]);
        }
    }
    return letters.size() >= 3;
}

bool hasBlank(const std::vector<Block>& blocks)
{
    static const QRegularExpression blank(uR"(_{3,}|＿{2,}|[（(]\s{2,}[)）])"_s);
    return blank.match(plainText(blocks)).hasMatch();
}

void collectProblems(const std::vector<Block>& blocks, QStringList& formulas, QStringList& missing)
{
    for (const Block& b : blocks) {
        if (b.isTable) {
            for (const Row& r : b.table.rows) {
                for (const Cell& c : r.cells)
                    collectProblems(c.blocks, formulas, missing);
            }
            continue;
        }
        for (const Inline& in : b.paragraph.inlines) {
            if (in.kind == Inline::Kind::Formula && !in.problem.isEmpty() && !formulas.contains(in.problem))
                formulas << in.problem;
            if (in.kind == Inline::Kind::Missing && !missing.contains(in.problem))
                missing << in.problem;
        }
    }
}

template <class F> int countInlines(const std::vector<Block>& blocks, F pred)
{
    int n = 0;
    for (const Block& b : blocks) {
        if (b.isTable) {
            for (const Row& r : b.table.rows) {
                for (const Cell& c : r.cells)
                    n += countInlines(c.blocks, pred);
            }
            continue;
        }
        for (const Inline& in : b.paragraph.inlines)
            n += pred(in) ? 1 : 0;
    }
    return n;
}

} // namespace

int SplitQuestion::pictureCount() const
{
    auto pict = [](const Inline& in) { return in.kind == Inline::Kind::Picture; };
    return countInlines(content, pict) + countInlines(answer, pict);
}

int SplitQuestion::formulaCount() const
{
    auto formula = [](const Inline& in) { return in.kind == Inline::Kind::Formula; };
    return countInlines(content, formula) + countInlines(answer, formula);
}

QString SplitQuestion::firstLine() const
{
    for (const Block& b : content) {
        const QString t = b.isTable ? plainText({b}) : b.paragraph.text();
        const QString line = t.section(u'\n', 0, 0).simplified();
        if (!line.isEmpty())
            return line;
    }
    return {};
}

int PaperSplitter::questionNumber(const QString& rawLine, bool parenthesised, int* prefixLength)
{
    const QString line = normalized(rawLine);
    const int lead = int(rawLine.size() - line.size());
    const QRegularExpressionMatch m = (parenthesised ? parenthesisedPattern() : numberPattern()).match(line);
    if (!m.hasMatch())
        return 0;
    const int n = fromFullWidth(m.captured(1));
    // A label alone on its line ("（3）", then the question below it, as
    // papers composed by this program lay out each question) is a number
    // too; a bare digit (a page number) never matches the patterns.
    if (n <= 0)
        return 0;
    if (prefixLength)
        *prefixLength = lead + int(m.capturedEnd());
    return n;
}

bool PaperSplitter::opensAnswer(const QString& line)
{
    return answerPattern().match(normalized(line)).hasMatch();
}

bool PaperSplitter::isSectionHeading(const QString& rawLine)
{
    const QString line = normalized(rawLine).trimmed();
    if (line.size() > 160 || line.contains(QChar(QChar::ObjectReplacementCharacter)))
        return false;
    const QRegularExpressionMatch m = sectionPattern().match(line);
    return m.hasMatch() && !m.captured(1).trimmed().isEmpty();
}

bool PaperSplitter::isKeyHeading(const QString& rawLine)
{
    QString s = normalized(rawLine).trimmed();
    static const QRegularExpression noise(uR"([\s【】\[\]［］〔〕()（）:：、.．]+)"_s);
    s.remove(noise);
    if (s.isEmpty() || s.size() > 30)
        return false;
    static const QStringList endings{u"参考答案"_s,           u"答案"_s,           u"参考答案及评分标准"_s,
                                     u"参考答案与评分标准"_s, u"答案及评分标准"_s, u"参考答案及评分意见"_s,
                                     u"答案与解析"_s,         u"答案及解析"_s,     u"答案和解析"_s,
                                     u"参考答案与试题解析"_s, u"试题解析"_s,       u"答案详解"_s,
                                     u"参考答案与解析"_s,     u"参考答案及解析"_s, u"详细答案"_s};
    for (const QString& e : endings) {
        if (s.endsWith(e))
            return true;
    }
    return false;
}

SplitPaper PaperSplitter::split(const Document& doc, const QStringList& bankTypes)
{
    SplitPaper paper;
    const std::vector<Block>& body = doc.body;

    // Which kind of number is the top level: "1." or "(1)". Papers number
    // their questions 1. and their sub-questions (1); a paper without any
    // "1." takes (1) as its top level.
    int plain = 0;
    int parenthesised = 0;
    for (const Block& b : body) {
        if (b.isTable)
            continue;
        const QString line = lineOf(b.paragraph);
        if (questionNumber(line, false))
            ++plain;
        else if (questionNumber(line, true))
            ++parenthesised;
    }
    const bool topParenthesised = plain < 2 && parenthesised >= 2;

    // The key at the end: its heading after the first question.
    std::size_t keyStart = body.size();
    {
        bool seenQuestion = false;
        for (std::size_t i = 0; i < body.size(); ++i) {
            if (body[i].isTable)
                continue;
            const QString line = lineOf(body[i].paragraph);
            if (!seenQuestion) {
                seenQuestion = questionNumber(line, topParenthesised) > 0;
                continue;
            }
            if (isKeyHeading(line)) {
                keyStart = i;
                break;
            }
        }
    }

    enum class Mode { Content, Answer };
    Mode mode = Mode::Content;
    SplitQuestion* current = nullptr;
    QString section;
    QString sectionType;
    int sectionIndex = -1;
    bool sectionFresh = false; // no question since the heading
    int last = 0;
    std::vector<int> questionSections;

    auto typeOfSection = [&](const QString& heading) {
        QString best;
        for (const QString& type : bankTypes) {
            if (!type.isEmpty() && heading.contains(type, Qt::CaseInsensitive) && type.size() > best.size())
                best = type;
        }
        return best;
    };

    for (std::size_t i = 0; i < keyStart; ++i) {
        const Block& b = body[i];
        if (b.isTable) {
            if (!current) {
                ++paper.skippedParagraphs;
                continue;
            }
            (mode == Mode::Content ? current->content : current->answer).push_back(b);
            continue;
        }
        const QString line = lineOf(b.paragraph);
        const QString text = normalized(line);
        const bool heading = isSectionHeading(line) && (mode == Mode::Content || !current ||
                                                        text.contains(u'题') || text.contains(u'分'));
        if (heading) {
            // The heading as the teacher reads it: the label joined to its text.
            QString shown = line;
            if (!b.paragraph.label.isEmpty())
                shown.remove(b.paragraph.label.size(), 1);
            section = normalized(shown).trimmed();
            sectionType = typeOfSection(section);
            ++sectionIndex;
            sectionFresh = true;
            current = nullptr;
            mode = Mode::Content;
            continue;
        }
        int prefix = 0;
        const int n = questionNumber(line, topParenthesised, &prefix);
        bool starts = false;
        QString gap;
        if (n > 0) {
            if (!current && paper.questions.empty())
                starts = true;
            else if (n == last + 1)
                starts = true;
            else if (n == 1 && sectionFresh)
                starts = true;
            else if ((!current && sectionFresh) || (mode == Mode::Content && n > last + 1 && n <= last + 3))
                starts = true;
            if (starts && n != last + 1 && !(n == 1 && sectionFresh) && !paper.questions.empty())
                gap = u"题号不连续：前一题是第 %1 题"_s.arg(last);
        }
        if (starts) {
            paper.questions.emplace_back();
            current = &paper.questions.back();
            questionSections.push_back(sectionIndex);
            current->number = QString::number(n);
            current->section = section;
            current->type = sectionType;
            current->typeFromSection = !sectionType.isEmpty();
            if (!gap.isEmpty())
                current->warnings << gap;
            last = n;
            sectionFresh = false;
            mode = Mode::Content;
            Paragraph rest = withoutPrefix(b.paragraph, prefix);
            const QString restLine = normalized(lineOf(rest));
            const QRegularExpressionMatch score = scorePattern().match(restLine);
            if (score.hasMatch()) {
                current->score = score.captured(1);
                rest = withoutPrefix(rest, int(lineOf(rest).size() - restLine.size() + score.capturedEnd()));
            }
            Block first = paragraphBlock(rest);
            if (opensAnswer(lineOf(rest)))
                mode = Mode::Answer;
            if (!emptyParagraph(first))
                (mode == Mode::Content ? current->content : current->answer).push_back(std::move(first));
            continue;
        }
        if (!current) {
            if (!emptyParagraph(b))
                ++paper.skippedParagraphs;
            continue;
        }
        if (opensAnswer(line))
            mode = Mode::Answer;
        (mode == Mode::Content ? current->content : current->answer).push_back(b);
    }

    // The key at the end.
    std::vector<KeyEntry> key;
    int keySection = -1;
    int unplaced = 0;
    if (keyStart < body.size()) {
        paper.keyAtEnd = true;
        KeyEntry* entry = nullptr;
        for (std::size_t i = keyStart + 1; i < body.size(); ++i) {
            const Block& b = body[i];
            if (b.isTable) {
                std::vector<KeyEntry> found = keyTable(b.table, keySection);
                if (!found.empty()) {
                    for (KeyEntry& e : found)
                        key.push_back(std::move(e));
                    entry = nullptr;
                } else if (entry) {
                    entry->blocks.push_back(b);
                }
                continue;
            }
            Paragraph para = b.paragraph;
            QString line = lineOf(para);
            if (isSectionHeading(line)) {
                ++keySection;
                entry = nullptr;
                // "一、1．A　2．C　3．C": a part of the key with its answers on
                // the heading's own line. The heading counts, the answers are read.
                const QString heading = normalized(line);
                const QRegularExpressionMatch m = sectionPattern().match(heading);
                const int restStart = int(line.size() - heading.size()) + int(m.capturedStart(1));
                Paragraph rest = withoutPrefix(para, restStart);
                const QString restLine = lineOf(rest);
                const QString restText = normalized(restLine);
                const int restLead = int(restLine.size() - restText.size());
                if (!m.hasMatch() || restText.isEmpty() ||
                    (answerList(restText).empty() && spacedAnswers(restLine.mid(restLead)).empty() &&
                     questionNumber(restLine, topParenthesised) == 0)) {
                    continue;
                }
                para = std::move(rest);
                line = restLine;
            }
            const QString text = normalized(line);
            const int lead = int(line.size() - text.size());
            const std::vector<ListedAnswer> listed = answerList(text);
            if (!listed.empty()) {
                for (const ListedAnswer& a : listed)
                    key.push_back(
                        {keySection, a.number, {paragraphBlock(slice(para, lead + a.from, lead + a.to))}});
                entry = nullptr;
                continue;
            }
            const std::vector<std::pair<int, int>> spaced = spacedAnswers(line.mid(lead));
            if (!spaced.empty()) {
                for (std::size_t k = 0; k < spaced.size(); ++k) {
                    const int from = lead + spaced[k].second;
                    int to = k + 1 < spaced.size() ? lead + spaced[k + 1].second : int(line.size());
                    while (to > from && isBlank(line[to - 1]))
                        --to;
                    Paragraph piece = slice(para, from, to);
                    int prefix = 0;
                    questionNumber(lineOf(piece), false, &prefix);
                    key.push_back(
                        {keySection, spaced[k].first, {paragraphBlock(withoutPrefix(piece, prefix))}});
                }
                entry = nullptr;
                continue;
            }
            int prefix = 0;
            const int n = questionNumber(line, topParenthesised, &prefix);
            if (n > 0) {
                key.push_back({keySection, n, {}});
                entry = &key.back();
                Block first = paragraphBlock(withoutPrefix(para, prefix));
                if (!emptyParagraph(first))
                    entry->blocks.push_back(std::move(first));
                continue;
            }
            if (entry)
                entry->blocks.push_back(b);
            else if (!emptyParagraph(b))
                ++unplaced;
        }
    }

    // Matching the key back: by number where the numbers are unique, else
    // by the section (in order) and the number.
    std::map<int, std::vector<std::size_t>> byNumber;
    for (std::size_t q = 0; q < paper.questions.size(); ++q)
        byNumber[paper.questions[q].number.toInt()].push_back(q);
    bool unique = true;
    for (const auto& [n, list] : byNumber)
        unique = unique && list.size() == 1;
    QList<int> orphans;
    for (KeyEntry& e : key) {
        std::optional<std::size_t> target;
        const auto found = byNumber.find(e.number);
        if (found != byNumber.end()) {
            if (unique) {
                target = found->second.front();
            } else {
                for (const std::size_t q : found->second) {
                    if (questionSections[q] == e.section) {
                        target = q;
                        break;
                    }
                }
                if (!target)
                    target = found->second.front();
            }
        }
        if (!target) {
            if (!orphans.contains(e.number))
                orphans << e.number;
            continue;
        }
        std::vector<Block>& answer = paper.questions[*target].answer;
        for (Block& blk : e.blocks)
            answer.push_back(std::move(blk));
    }
    if (!orphans.isEmpty()) {
        QStringList numbers;
        for (const int n : orphans)
            numbers << QString::number(n);
        paper.warnings << u"参考答案中第 %1 题找不到对应的题目"_s.arg(numbers.join(u"、"_s));
    }
    if (unplaced > 0)
        paper.warnings << u"参考答案中有 %1 段不属于任何一题，没有导入"_s.arg(unplaced);
    if (paper.skippedParagraphs > 0)
        paper.warnings << u"试卷中有 %1 段不属于任何一题（标题、说明等），没有导入"_s.arg(
            paper.skippedParagraphs);

    // What each question holds, and what the teacher should look at.
    const QString choice = bankTypes.contains(u"选择题"_s) ? u"选择题"_s : QString();
    const QString fill = bankTypes.contains(u"填空题"_s) ? u"填空题"_s : QString();
    const QString solve = bankTypes.contains(u"解答题"_s) ? u"解答题"_s : QString();
    for (SplitQuestion& q : paper.questions) {
        trimBlocks(q.content);
        trimBlocks(q.answer);
        if (q.type.isEmpty()) {
            if (hasOptions(q.content))
                q.type = choice;
            else if (hasBlank(q.content))
                q.type = fill;
            else
                q.type = solve;
        }
        if (q.answer.empty())
            q.warnings << u"没有找到答案"_s;
        else
            ++paper.answersMatched;
        if (q.content.empty())
            q.warnings << u"题目内容是空的"_s;
        QStringList formulas;
        QStringList missing;
        collectProblems(q.content, formulas, missing);
        collectProblems(q.answer, formulas, missing);
        if (!formulas.isEmpty())
            q.warnings << u"有公式未能完全转换（%1），保留了 Word 中的图片或已转换的部分"_s.arg(
                formulas.join(u"；"_s));
        if (!missing.isEmpty())
            q.warnings << u"含有未能导入的内容：%1"_s.arg(missing.join(u"、"_s));
    }
    if (paper.questions.empty())
        paper.warnings << u"没有找到题目：题目应以题号开头（如“1.”“1、”“（1）”）"_s;
    return paper;
}

} // namespace docx
