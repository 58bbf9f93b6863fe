#include "compose/PaperComposer.h"

#include "compose/CompositionState.h"
#include "compose/PaperItems.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <algorithm>
#include <cmath>
#include <QSaveFile>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

SeededUniform::SeededUniform(std::uint64_t seed) : seed_(seed), engine_(seed) {}

double SeededUniform::operator()()
{
    // The top 53 bits as a double in [0, 1): exact, and the same everywhere.
    return double(engine_() >> 11) * 0x1.0p-53;
}

double repeatKey(const QString& questionNumber)
{
    return std::nearbyint(leadingNumber(questionNumber)); // the default rounding mode: halves to even
}

DrawResult drawCandidate(Recordset& candidates, const std::vector<double>& usedKeys, double r)
{
    const qint64 n = candidates.recordCount();
    if (n <= 0)
        return {};
    const qint64 start =
        std::clamp<qint64>(qint64(std::floor(double(n) * std::clamp(r, 0.0, 1.0))), 0, n - 1);
    for (qint64 k = 0; k < n; ++k) {
        const qint64 position = (start + k) % n;
        candidates.moveFromFirst(int(position));
        if (candidates.isDeleted())
            continue;
        const QString number = candidates.text(0);
        const double key = repeatKey(number);
        if (std::find(usedKeys.begin(), usedKeys.end(), key) == usedKeys.end())
            return {position, number, key};
    }
    return {};
}

namespace {

// Labels, headers and the breaks around them are plain: they take neither the
// bold run nor the centred paragraph that a body may end with.
void insertPlainText(QTextCursor& caret, const QString& text)
{
    caret.insertText(text, QTextCharFormat());
}

void insertBreaksAtEnd(QTextCursor& caret, int count)
{
    caret.movePosition(QTextCursor::End);
    for (int i = 0; i < count; ++i)
        caret.insertBlock(QTextBlockFormat(), QTextCharFormat());
}

} // namespace

void appendItem(QTextCursor& caret, const QString& label, const QByteArray& body, int itemId)
{
    caret.beginEditBlock();
    const int labelStart = caret.position();
    insertPlainText(caret, label);
    PaperItems::markLabel(*caret.document(), labelStart, caret.position(), itemId);
    insertBreaksAtEnd(caret, 1);
    const int bodyStart = caret.position();
    RtfReader::insert(body, caret);
    PaperItems::markBody(*caret.document(), bodyStart, caret.position(), itemId);
    insertBreaksAtEnd(caret, 3);
    caret.endEditBlock();
}

void appendSetHeader(QTextCursor& caret, const QString& header)
{
    caret.beginEditBlock();
    insertPlainText(caret, header);
    insertBreaksAtEnd(caret, 4);
    caret.endEditBlock();
}

QString paperSetHeader(int setNo)
{
    return u"第（%1）套试卷的题目"_s.arg(setNo);
}

QString answerSetHeader(int setNo)
{
    return u"第（%1）套试卷的答案"_s.arg(setNo);
}

QString paperItemLabel(int question)
{
    return u"（%1）"_s.arg(question);
}

QString answerItemLabel(int question)
{
    return u"第（%1）题的答案"_s.arg(question);
}

PaperComposer::PaperComposer(std::function<BankStore()> openBank, UniformSource random)
    : openBank_(std::move(openBank)), random_(std::move(random))
{
}

ComposedSet PaperComposer::composeSet(int setNo, const std::vector<TableQuery>& queries,
                                      QTextCursor& paperCaret, QTextCursor& answerCaret)
{
    ComposedSet set;
    set.setNo = setNo;
    appendSetHeader(paperCaret, paperSetHeader(setNo));
    appendSetHeader(answerCaret, answerSetHeader(setNo));
    std::vector<double> usedKeys;
    usedKeys.reserve(queries.size());
    for (size_t i = 1; i < queries.size(); ++i) {
        BankStore store = openBank_();
        Recordset candidates = store.open(queries[i]);
        const qint64 n = candidates.recordCount();
        const DrawResult drawn = drawCandidate(candidates, usedKeys, random_());
        if (drawn.position < 0) {
            set.failure =
                n == 0
                    ? u"第（%1）题的组卷条件在题库中已没有符合条件的题，第（%2）套试卷停在第（%1）题。"_s
                          .arg(i)
                          .arg(setNo)
                    : u"第（%1）题符合条件的%3道题都已用在本套试卷中，第（%2）套试卷停在第（%1）题。"_s.arg(i)
                          .arg(setNo)
                          .arg(n);
            return set;
        }
        const QuestionRecord q = QuestionRecord::fromRow(candidates.values());
        usedKeys.push_back(drawn.key);
        set.numbers << drawn.number;
        set.questions.push_back(q);
        set.keys.push_back(drawn.key);
        const int item = PaperItems::itemId(setNo, int(i));
        appendItem(paperCaret, paperItemLabel(int(i)), q.content, item);
        appendItem(answerCaret, answerItemLabel(int(i)), q.answer, item);
    }
    return set;
}

QString PaperComposer::replaceQuestion(ComposedSet& set, int question, const TableQuery& query)
{
    if (question < 1 || question > int(set.questions.size()))
        return u"第（%1）套试卷中没有第（%2）题。"_s.arg(set.setNo).arg(question);
    BankStore store = openBank_();
    Recordset candidates = store.open(query);
    const qint64 n = candidates.recordCount();
    const DrawResult drawn = drawCandidate(candidates, set.keys, random_());
    if (drawn.position < 0) {
        return n == 0 ? u"第（%1）题的组卷条件在题库中已没有符合条件的题，无法换题。"_s.arg(question)
               : n == 1
                   ? u"第（%1）题的组卷条件只有这一道题符合，没有别的题可换。"_s.arg(question)
                   : u"第（%1）题符合条件的%2道题都已用在第（%3）套试卷中，没有别的题可换。"_s.arg(question)
                         .arg(n)
                         .arg(set.setNo);
    }
    const size_t at = size_t(question - 1);
    set.questions[at] = QuestionRecord::fromRow(candidates.values());
    set.numbers[qsizetype(at)] = drawn.number;
    set.keys[at] = drawn.key;
    return {};
}

bool saveDocumentAsRtf(const QTextDocument& doc, const QString& fileName, QString* error, const RtfPage& page)
{
    const QByteArray rtf = RtfWriter::write(doc, page);
    QSaveFile file(fileName);
    // The explicit flush: a write that fails only when the buffer is flushed on
    // committing would otherwise go unnoticed, and a cut file replace the old one.
    if (!file.open(QIODevice::WriteOnly) || file.write(rtf) != rtf.size() || !file.flush() ||
        !file.commit()) {
        if (error)
            *error = u"无法保存文件“%1”：%2"_s.arg(fileName, file.errorString());
        return false;
    }
    return true;
}
